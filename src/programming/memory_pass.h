#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "device/device_image.h"
#include "device/pic_device.h"

namespace vantrel {

// What one memory pass of the 12- and 14-bit routines works on: program memory or data EEPROM
// of the current device.
struct TMemoryPass {
    bool Data = false;
    std::span<std::uint16_t> Buffer;  // the device's part of the region
    std::uint16_t Blank = 0;          // an erased entry, also the width of one
    std::uint8_t LoadCommand = 0;
    std::uint8_t ReadCommand = 0;
    std::string_view Name;  // "Program" or "Data", as the messages name the memory
};

[[nodiscard]] TMemoryPass MemoryPass(TDeviceImage& image, const TPicDevice& device, bool data);

// Entries up to and including the last one that is not blank; nothing after it needs writing.
[[nodiscard]] std::size_t TrimmedCount(std::span<const std::uint16_t> entries, std::uint16_t blank);

// Status texts of the memory passes.
[[nodiscard]] std::string_view WritingStatus(bool data);
[[nodiscard]] std::string_view VerifyingStatus(bool data);
[[nodiscard]] std::string_view ReadingStatus(bool data);
inline constexpr std::string_view kStatusReadIntoBuffer = "Target PIC read into buffer";

}  // namespace vantrel
