#pragma once

#include <cstdint>
#include <string>

#include "device/device_image.h"

namespace vantrel {

// The checksum the makers' programming specifications give for an unprotected device, so a
// user can compare an image with what other tools show: the 16-bit sum of every program word
// of the device plus each configuration word ANDed with its implemented bits; on 18F parts the
// sum of the program bytes plus the configuration bytes ANDed with theirs. Data EEPROM and ID
// locations do not count.
[[nodiscard]] std::uint16_t ImageChecksum(const TDeviceImage& image, const TPicDevice& device);

// "Checksum 0x1A2B".
[[nodiscard]] std::string ChecksumText(const TDeviceImage& image, const TPicDevice& device);

}  // namespace vantrel
