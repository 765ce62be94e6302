#pragma once

#include <array>
#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "programming/vantrel_session.h"
#include "service/settings_store.h"

namespace vantrel {

// The sections of the settings store.
inline constexpr std::string_view kDefaultsSection = "Defaults";
inline constexpr std::string_view kOptionsSection = "Options";
inline constexpr std::string_view kHardwareSection = "Settings1";

// Keys a caller may need by name: the ones a command-line option can stand in for.
inline constexpr std::string_view kProcessorKey = "Processor";
inline constexpr std::string_view kPortAdrKey = "PortAdr";
inline constexpr std::string_view kPortDriverKey = "PortDriver";
inline constexpr std::string_view kSimChipKey = "SimChip";
inline constexpr std::string_view kTimingKey = "Timing";

inline constexpr std::size_t kRecentFileCount = 5;

// The settings only the window uses; the rest live in the session.
struct TWindowSettings {
    bool AutoProg = false;     // "Auto Prog": write the chip after every load
    bool AutoDetect = true;    // "Auto-Detect": find the port at start-up
    bool Mode640x480 = false;  // "640x480": the window runs that command after reading
    std::array<std::string, kRecentFileCount> RecentFiles;  // most recent first; empty: none

    bool operator==(const TWindowSettings&) const = default;
};

// A key whose stored value the program cannot use, and what it uses instead.
struct TInvalidSetting {
    std::string Key;
    std::string Used;  // as the store would hold it: "3", "ppdev"; empty for an empty text

    bool operator==(const TInvalidSetting&) const = default;
};

struct TSettingsReadResult {
    // In reading order. A missing key is not invalid: it takes its default without a word.
    std::vector<TInvalidSetting> Invalid;
    // "Processor" held a device the program knows (the command line falls back on it only then).
    bool DeviceStored = false;
};

// Reads every key into the session and the window's settings, in the order and with the side
// effects of the window's start-up: the device, then SetConfig; the oscillator and the fuse
// boxes as clicks (each change recomputes the configuration words); the IDs; the options; the
// wiring, port, delays and preset; the port driver and simulated chip; the recent files; last,
// UpdateConfig. A value out of its range takes the key's default - the delays are limited to
// their range instead - and is named in the result. The window also sets its missing-fuses
// warning to the opposite of AutoProg and runs the "640x480" command when Mode640x480 is set.
[[nodiscard]] TSettingsReadResult ReadIni(const TSettingsStore& store, TVantrelSession& session,
                                          TWindowSettings& window);

// Writes every key from the session and the window's settings, in the window's shutdown order,
// booleans as "1" or "0" and integers as decimal text. Keys in `keysNotWritten` keep what the
// store holds: the values a command-line option gave for one run only.
void WriteIni(TSettingsStore& store, const TVantrelSession& session, const TWindowSettings& window,
              std::span<const std::string_view> keysNotWritten = {});

// The status line's one text about invalid values, naming each key and what is used instead;
// empty when there were none.
[[nodiscard]] std::string InvalidSettingsText(const TSettingsReadResult& result);

}  // namespace vantrel
