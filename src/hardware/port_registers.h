#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

// A parallel port occupies three consecutive I/O addresses: data, status, control.
inline constexpr std::uint32_t kPortRegisterCount = 3;

// Offset (0, 1 or 2) of `address` among the registers of the port at `base`. Throws TPortError
// for any other address: a wrong base or a broken wiring must never reach other hardware.
[[nodiscard]] std::uint8_t RegisterOffsetOf(std::uint16_t base, std::uint32_t address);

// "data", "status" or "control", for messages.
[[nodiscard]] std::string RegisterName(std::uint8_t offset);

// An I/O address as the trace and the messages show it: upper-case hex, at least three digits.
[[nodiscard]] std::string PortAddressHex(std::uint32_t address);

}  // namespace vantrel
