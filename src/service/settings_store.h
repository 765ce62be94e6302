#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// What a settings store holds under one key of a section.
struct TStoredValue {
    // False for a value of another type than text (a list, a rectangle, an invalid variant):
    // such a value is kept by the store but cannot be read as any of the program's settings.
    bool IsText = true;
    std::string Text;  // UTF-8; empty when the value is not text

    bool operator==(const TStoredValue&) const = default;
};

// The per-user settings as sections of keys with text values. The window keeps them through
// QSettings, the command line reads the same file with TIniSettings; the settings logic sees
// only this.
class TSettingsStore {
  public:
    virtual ~TSettingsStore() = default;

    // Nothing when the section or the key is missing.
    [[nodiscard]] virtual std::optional<TStoredValue> Value(std::string_view section,
                                                            std::string_view key) const = 0;
    virtual void SetValue(std::string_view section, std::string_view key,
                          std::string_view text) = 0;
};

}  // namespace vantrel
