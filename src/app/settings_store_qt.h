#pragma once

#include <QSettings>
#include <QString>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/app_command_line.h"
#include "service/settings_store.h"

namespace vantrel {

// The window's settings file through QSettings in INI format: the per-user file of the
// organisation "vantrel" and the application "Vantrel18F"
// ($XDG_CONFIG_HOME/vantrel/Vantrel18F.ini), or a file named outright. vantrel-cli reads the
// same file with the core's own reader, so what is written here must stay plain QSettings INI.
class TQtSettingsStore final : public TSettingsStore {
  public:
    TQtSettingsStore();
    explicit TQtSettingsStore(const QString& fileName);

    [[nodiscard]] std::optional<TStoredValue> Value(std::string_view section,
                                                    std::string_view key) const override;
    void SetValue(std::string_view section, std::string_view key, std::string_view text) override;

    // Writes what was set to the file; an error text naming the file when it cannot be written
    // (a folder without write permission, a full disk), empty when it was written.
    [[nodiscard]] std::string Save();

    [[nodiscard]] QString FileName() const { return settings_.fileName(); }

  private:
    QSettings settings_;
};

// The settings keys whose values the command line gave for this run only: they are used, and
// the file keeps what it held.
[[nodiscard]] std::vector<std::string_view> CommandLineSettingsKeys(
    const TAppCommandLine& commandLine);

}  // namespace vantrel
