#pragma once

#include <cstdint>

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

// How the programmer is attached and timed, for the whole run. The settings file loads it, the
// hardware settings window and port detection change it.
struct THardwareSettings {
    TWiring Wiring;
    std::uint16_t PortBase = kDefaultPortBase;
    std::uint16_t VppDelay = kDefaultVppDelay;   // ms, settle time around the power changes
    std::uint8_t ProgDelay = kDefaultProgDelay;  // ms, wait after a begin-programming command
    bool PellamOn = false;                       // show addresses as "378H" rather than "$378"
    std::uint8_t ProgrammerType = kProgrammerCustom;
};

}  // namespace vantrel
