#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "hardware/pin_assignment.h"
#include "hardware/port_lines.h"
#include "hardware/programmer_presets.h"

namespace vantrel {

inline constexpr std::uint16_t kMinVppDelay = 0;
inline constexpr std::uint16_t kMaxVppDelay = 20;
inline constexpr std::uint16_t kDefaultVppDelay = 10;
inline constexpr std::uint8_t kMinProgDelay = 5;
inline constexpr std::uint8_t kMaxProgDelay = 20;
inline constexpr std::uint8_t kDefaultProgDelay = 10;

// How the port is reached.
enum class TPortDriver {
    Ppdev,      // /dev/parportN; membership of group lp is enough
    Direct,     // ioperm and inb/outb; root or CAP_SYS_RAWIO
    Simulated,  // the simulated programmer board
};

struct TPortDriverName {
    TPortDriver Driver;
    std::string_view Name;  // as the command line and the settings file spell it
};

inline constexpr std::array<TPortDriverName, 3> PortDriverNames{{
    {TPortDriver::Ppdev, "ppdev"},
    {TPortDriver::Direct, "direct"},
    {TPortDriver::Simulated, "simulated"},
}};

[[nodiscard]] constexpr std::string_view PortDriverName(TPortDriver driver) {
    for (const TPortDriverName& entry : PortDriverNames) {
        if (entry.Driver == driver) {
            return entry.Name;
        }
    }
    return {};
}

// The driver of a name exactly as PortDriverNames spells it; nothing for any other text.
[[nodiscard]] constexpr std::optional<TPortDriver> FindPortDriver(std::string_view name) {
    for (const TPortDriverName& entry : PortDriverNames) {
        if (entry.Name == name) {
            return entry.Driver;
        }
    }
    return std::nullopt;
}

// How fast the programmer drives the chip.
enum class TTimingProfile {
    // Every signal change written twice after a read of the register, and the long-standing
    // waits with "Prog Delay": slow, but it suits every board, those whose open-collector
    // drivers are slow to raise the clock line included.
    Standard,
    // The fewest port accesses a bit needs and each family's own programming times with a
    // margin, for boards whose lines follow the port within a microsecond.
    Fast,
};

struct TTimingProfileName {
    TTimingProfile Profile;
    std::string_view Name;  // as the command line and the settings file spell it
};

inline constexpr std::array<TTimingProfileName, 2> TimingProfileNames{{
    {TTimingProfile::Standard, "standard"},
    {TTimingProfile::Fast, "fast"},
}};

[[nodiscard]] constexpr std::string_view TimingProfileName(TTimingProfile profile) {
    for (const TTimingProfileName& entry : TimingProfileNames) {
        if (entry.Profile == profile) {
            return entry.Name;
        }
    }
    return {};
}

// The profile of a name exactly as TimingProfileNames spells it; nothing for any other text.
[[nodiscard]] constexpr std::optional<TTimingProfile> FindTimingProfile(std::string_view name) {
    for (const TTimingProfileName& entry : TimingProfileNames) {
        if (entry.Name == name) {
            return entry.Profile;
        }
    }
    return std::nullopt;
}

// The simulated programmer, when it is the driver: the file that keeps its chip between runs
// (empty: a fresh chip of the chosen device each run), the programmer preset its board is wired
// as (empty: the one that matches the default wiring) and the faults it is given.
struct TSimulatorSettings {
    std::string ChipFile;
    std::string Board;
    std::vector<std::string> Faults;

    bool operator==(const TSimulatorSettings&) const = default;
};

// How the programmer is attached and timed, for the whole run. The settings file loads it, the
// hardware settings window and port detection change it.
struct THardwareSettings {
    TPortDriver Driver = TPortDriver::Ppdev;
    TSimulatorSettings Simulator;
    TWiring Wiring;
    std::uint16_t PortBase = kDefaultPortBase;
    // The port the hardware settings window has checked: an index into PortAddresses, whose
    // kNoPortIndex entry stands for none. Port detection leaves it alone.
    std::uint16_t PortIndex = 0;
    std::uint16_t VppDelay = kDefaultVppDelay;         // ms, settle time around the power changes
    std::uint8_t ProgDelay = kDefaultProgDelay;        // ms, wait after a begin-programming command
    TTimingProfile Timing = TTimingProfile::Standard;  // Fast replaces ProgDelay by chip times
    bool PellamOn = false;  // show addresses as "378H" rather than "$378"
    std::uint8_t ProgrammerType = kProgrammerCustom;
};

}  // namespace vantrel
