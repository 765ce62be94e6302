#include "cli/cli_image.h"

#include <ostream>

#include "device/device_selection.h"
#include "hexfile/hex_reader.h"
#include "hexfile/text_file.h"

namespace vantrel::cli {

void TStreamMessageBox::ShowMessage(std::string_view text) {
    // The window's message texts separate their lines with a carriage return.
    std::string line(text);
    for (char& c : line) {
        if (c == '\r')
            c = '\n';
    }
    while (!line.empty() && line.back() == '\n') {
        line.pop_back();
    }
    err_ << line << "\n";
}

std::optional<std::uint8_t> RequireDevice(const TCliOptions& options, std::ostream& err) {
    if (options.DeviceName.empty()) {
        err << "vantrel-cli: '" << options.Command
            << "' needs a device: -d NAME (vantrel-cli devices lists them)\n";
        return std::nullopt;
    }
    std::string_view name = options.DeviceName;
    if (name.rfind(kDeviceNamePrefix, 0) == 0) {
        name.remove_prefix(kDeviceNamePrefix.size());
    }
    const auto index = FindDeviceByName(name);
    if (!index) {
        err << "vantrel-cli: unknown device '" << options.DeviceName
            << "' (vantrel-cli devices lists them, spelt like 16F84A)\n";
    }
    return index;
}

std::optional<std::string> RequireFileArgument(const TCliOptions& options, std::ostream& err) {
    if (options.Arguments.size() != 1) {
        err << "vantrel-cli: '" << options.Command << "' needs exactly one FILE argument\n";
        return std::nullopt;
    }
    return options.Arguments.front();
}

bool LoadHexFile(const std::string& path, TDeviceState& state, TConfigModel& config,
                 std::ostream& err) {
    std::string text;
    if (const TFileResult read = ReadTextFile(path, text); !read.Ok) {
        err << "vantrel-cli: " << read.Error << "\n";
        return false;
    }
    TStreamMessageBox messages(err);
    THexLoadOptions options;
    options.FileName = path;
    const THexLoadResult loaded = LoadHex(SplitLines(text), state, options, messages);
    if (!loaded.Ok) {
        err << "vantrel-cli: " << path << ": " << loaded.Error << "\n";
        return false;
    }
    config.UpdateConfig();
    return true;
}

std::optional<TFileCommandInput> RequireDeviceAndFile(const TCliOptions& options,
                                                      std::ostream& err) {
    const auto device = RequireDevice(options, err);
    const auto path = RequireFileArgument(options, err);
    if (!device || !path) {
        return std::nullopt;
    }
    return TFileCommandInput{*device, *path};
}

bool LoadFileForDevice(const TFileCommandInput& input, TDeviceState& state, TConfigModel& config,
                       std::ostream& err) {
    config.ChangeDevice(input.DeviceIndex);
    return LoadHexFile(input.Path, state, config, err);
}

bool WriteResult(const TCliOptions& options, const std::string& text, TCliStreams streams) {
    if (!options.OutputFile) {
        streams.Out << text;
        return static_cast<bool>(streams.Out.flush());
    }
    if (const TFileResult written = WriteTextFileAtomically(*options.OutputFile, text);
        !written.Ok) {
        streams.Err << "vantrel-cli: " << written.Error << "\n";
        return false;
    }
    return true;
}

}  // namespace vantrel::cli
