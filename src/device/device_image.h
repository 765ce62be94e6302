#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "device/pic_device.h"

namespace vantrel {

inline constexpr std::size_t kProgramBufferWords = 0x8000;
inline constexpr std::size_t kDataBufferWords = 256;
inline constexpr std::size_t kIdBufferWords = 8;
inline constexpr std::size_t kConfig18Words = 7;

inline constexpr std::uint16_t kBlankDataByte = 0x00FF;
inline constexpr std::uint16_t kBlankIdValue = 0x007F;  // erased 7-bit ID field
inline constexpr std::uint16_t kBlankConfig18 = 0xFFFF;

// The one in-memory image of a target's memories, sized for the largest device. The current
// device says how much of each region is meaningful.
struct TDeviceImage {
    std::array<std::uint16_t, kProgramBufferWords> ProgramBuffer{};
    std::array<std::uint16_t, kDataBufferWords> DataBuffer{};  // one EEPROM byte per entry
    std::array<std::uint16_t, kIdBufferWords> IdBuffer{};
    std::uint16_t ConfigWord1 = 0;
    std::uint16_t ConfigWord2 = 0;
    // Entry n holds 18F configuration bytes 0x300000 + 2n (low) and + 2n + 1 (high).
    std::array<std::uint16_t, kConfig18Words> Config18{};

    bool operator==(const TDeviceImage&) const = default;
};

// Sets every region to its blank value for the device.
void ClearBuffers(TDeviceImage& image, const TPicDevice& device);

// True if any program word (the whole region, not only the device's size) is not blank.
[[nodiscard]] bool ProgramHasData(const TDeviceImage& image, const TPicDevice& device);

// True if any data entry is neither 0xFF nor 0x7F.
[[nodiscard]] bool DataHasData(const TDeviceImage& image);

// True if any used ID entry is neither 0xFF nor 0x7F once cut to 8 bits. The cut is stored
// back: ID values are bytes from here on.
[[nodiscard]] bool IdHasData(TDeviceImage& image, const TPicDevice& device);

// Number of ID entries the device uses: 8 bytes on 18F parts, 4 words elsewhere.
[[nodiscard]] constexpr std::size_t IdEntryCount(const TPicDevice& device) {
    return IsPic18(device) ? 8 : 4;
}

[[nodiscard]] constexpr bool IsErasedByte(std::uint16_t value) {
    return value == kBlankDataByte || value == kBlankIdValue;
}

}  // namespace vantrel
