#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "device/device_table.h"

namespace vantrel {

// The device list as the user sees it: "PIC" + name, sorted by name. It is joined to the device
// table only through the name, never by position.
extern const std::array<std::string_view, kDeviceCount> ProcessorTypeItems;

inline constexpr std::string_view kDeviceNamePrefix = "PIC";

// Index of the device whose name equals `name` exactly (case-sensitive, whole text).
[[nodiscard]] std::optional<std::uint8_t> FindDeviceByName(std::string_view name);

// The device a user means by `name`: the name as the device table spells it, in any letter
// case, with or without the "PIC" prefix ("16F84A", "pic16f84a", "PIC16F84A"). Nothing for any
// other text.
[[nodiscard]] std::optional<std::uint8_t> ParseDeviceName(std::string_view name);

// Stores the index of the device named `name` in `currentDevice`; false (and no change) when no
// device has that name.
[[nodiscard]] bool SelectDeviceByName(std::uint8_t& currentDevice, std::string_view name);

// Position in ProcessorTypeItems of the device at `deviceIndex`.
[[nodiscard]] int DeviceComboIndex(std::uint8_t deviceIndex);

}  // namespace vantrel
