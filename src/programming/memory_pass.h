#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "device/device_image.h"

namespace vantrel {

// What the memory passes of every family share. `data` is the memory selector of the passes:
// false for program memory, true for data EEPROM.

// The memory a verify pass compares: the whole of it, read back through `Mask`.
struct TVerifiedMemory {
    std::span<const std::uint16_t> Buffer;
    std::size_t Size = 0;
    std::uint16_t Mask = 0;
};

[[nodiscard]] TVerifiedMemory VerifiedMemory(const TPicDevice& device, const TDeviceImage& image,
                                             bool data);

// How many of the first `size` entries a write pass visits: up to and including the last one
// that is not blank. Nothing after it is sent to the chip.
[[nodiscard]] std::size_t TrimmedCount(std::span<const std::uint16_t> buffer, std::size_t size,
                                       std::uint16_t blank);

// The factory calibration word stays in the chip whatever the file says. When the file sets no
// value there (the buffer's word is blank), there is nothing to compare the chip's word with:
// comparing would fail every good chip, and an OTP part would be wasted half-programmed.
[[nodiscard]] bool CalibrationWordUnset(const TPicDevice& device, const TDeviceImage& image,
                                        bool data, std::size_t address);

inline constexpr std::string_view kReadDoneStatus = "Target PIC read into buffer";

[[nodiscard]] constexpr std::string_view WritingStatus(bool data) {
    return data ? "Writing EEPROM data memory..." : "Writing Program memory...";
}

[[nodiscard]] constexpr std::string_view VerifyingStatus(bool data) {
    return data ? "Verifying EEPROM data..." : "Verifying program data...";
}

[[nodiscard]] constexpr std::string_view ReadingStatus(bool data) {
    return data ? "Reading EEPROM data..." : "Reading program data...";
}

// "Program Verify Error at Program address 0x1F3": a verify pass found a difference.
[[nodiscard]] std::string VerifyErrorText(bool data, std::uint32_t address);

// "Program Verify failed at Program address 0x01A, Programming Aborted!": the read-back of a
// write pass found a difference and the rest of the memory is not written.
[[nodiscard]] std::string VerifyAbortText(bool data, std::uint32_t address);

}  // namespace vantrel
