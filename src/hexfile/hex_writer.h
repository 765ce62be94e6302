#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "device/device_image.h"

namespace vantrel {

enum class THexRegion { Program, Data, Id, Config };

// The end-of-file record and the extended linear address records of the 18F segments.
inline constexpr const char* kHexEndOfFile = ":00000001FF";
inline constexpr const char* kHexSegmentId18 = ":020000040020DA";
inline constexpr const char* kHexSegmentConfig18 = ":020000040030CA";
inline constexpr const char* kHexSegmentData18 = ":0200000400F00A";

// One data record of `count` entries of a region, from entry `first`. The ID and configuration
// regions are always written whole, so `first` and `count` apply to program and data only.
[[nodiscard]] std::string FormatHexRecord(const TDeviceImage& image, const TPicDevice& device,
                                          THexRegion region, std::size_t first, std::size_t count);

// The image as compact Intel HEX lines: blank program words and erased EEPROM bytes are left
// out. Cuts the ID entries to 8 bits, as the ID test does.
[[nodiscard]] std::vector<std::string> BufferToHex(TDeviceImage& image, const TPicDevice& device);

}  // namespace vantrel
