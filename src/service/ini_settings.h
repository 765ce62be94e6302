#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "service/settings_store.h"

namespace vantrel {

// The settings file in the INI format QSettings (Qt 6) writes and reads, held in memory: sections
// of keys, each value unescaped as QSettings reads it - quoted strings, backslash escapes, UTF-8,
// a leading "@@" for "@", values with an unquoted comma as lists, the "@Type(...)" forms. Setting
// a value changes only the memory; nothing here writes a file.
class TIniSettings final : public TSettingsStore {
  public:
    // Never fails: what cannot be read (a line without "=", an empty key) is skipped, as
    // QSettings skips it.
    [[nodiscard]] static TIniSettings Parse(std::string_view text);

    [[nodiscard]] std::optional<TStoredValue> Value(std::string_view section,
                                                    std::string_view key) const override;
    void SetValue(std::string_view section, std::string_view key, std::string_view text) override;

    // Every value by its full key: "Section/Key", or "Key" for one outside any section.
    [[nodiscard]] const std::map<std::string, TStoredValue, std::less<>>& Values() const {
        return values_;
    }

  private:
    std::map<std::string, TStoredValue, std::less<>> values_;
};

// Where the window keeps its settings: $XDG_CONFIG_HOME/vantrel/Vantrel18F.ini, or
// $HOME/.config/vantrel/Vantrel18F.ini when XDG_CONFIG_HOME is unset or empty - the file
// QSettings opens for the organisation "vantrel" and the application "Vantrel18F" in INI format.
// Null or empty arguments stand for unset variables; without a home, the root stands in for it,
// as it does for Qt.
[[nodiscard]] std::filesystem::path SettingsFilePath(const char* xdgConfigHome, const char* home);

struct TSettingsFileRead {
    bool Found = false;  // false when the file does not exist: a first run, no error
    std::string Error;   // why an existing file could not be read; empty when it was read
    TIniSettings Settings;
};

// Reads and parses the settings file at `path`.
[[nodiscard]] TSettingsFileRead ReadSettingsFile(const std::filesystem::path& path);

}  // namespace vantrel
