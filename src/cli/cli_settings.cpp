#include "cli/cli_settings.h"

#include <cstdlib>
#include <memory>
#include <ostream>

#include "service/ini_settings.h"
#include "service/vantrel_settings.h"

namespace vantrel::cli {

bool ReadCliSettings(TCliOptions& options, std::ostream& err) {
    if (options.NoSettings) {
        if (options.SettingsFile) {
            err << "vantrel-cli: --settings and --no-settings exclude each other\n";
            return false;
        }
        return true;
    }
    const std::filesystem::path path =
        options.SettingsFile
            ? std::filesystem::path(*options.SettingsFile)
            : SettingsFilePath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    const TSettingsFileRead read = ReadSettingsFile(path);
    if (!read.Found) {
        if (options.SettingsFile) {
            err << "vantrel-cli: the settings file " << path.string() << " does not exist\n";
            return false;
        }
        return true;
    }
    if (!read.Error.empty()) {
        err << "vantrel-cli: cannot read the settings file: " << read.Error << "\n";
        return false;
    }
    const auto session = std::make_unique<TVantrelSession>();
    TWindowSettings window;
    const TSettingsReadResult result = ReadIni(read.Settings, *session, window);
    if (!result.Invalid.empty()) {
        err << "vantrel-cli: warning: " << InvalidSettingsText(result) << " (" << path.string()
            << ")\n";
    }
    options.Stored = session->Hardware;
    if (options.DeviceName.empty() && result.DeviceStored) {
        options.DeviceName = session->Device.Device().Name;
    }
    return true;
}

}  // namespace vantrel::cli
