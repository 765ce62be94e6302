#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "device/device_image.h"
#include "programming/programming_ui.h"

namespace vantrel {

// Texts of the checks that keep an operation from touching the wrong chip, from losing the
// factory calibration, and from reporting a failure as success.

// "Write ABORTED!": the status of an operation that stopped before it touched the chip.
[[nodiscard]] std::string AbortedStatus(TChipOperation operation);

// A calibration word is worth keeping when it is a RETLW instruction (0x34NN): the oscillator
// calibration routine returns its value that way.
[[nodiscard]] constexpr bool IsRetlwCalibration(std::uint16_t word) {
    constexpr std::uint16_t kOpcodeMask = 0x3F00;
    constexpr std::uint16_t kRetlw = 0x3400;
    return (word & kOpcodeMask) == kRetlw;
}

// "Calibration word 0x3480 saved", "Calibration word 0x3450 given".
[[nodiscard]] std::string CalibrationSavedText(std::uint16_t word);
[[nodiscard]] std::string CalibrationGivenText(std::uint16_t word);

// "Calibration word 0x3480 written back", or with "Change Cal" "Calibration word 0x3480 from
// the file written": the word at the device's calibration address after a Write.
[[nodiscard]] std::string CalibrationWrittenText(const TDeviceImage& image,
                                                 const TPicDevice& device, bool fromFile);

// The question asked when the chip's calibration word is not a RETLW: what was read, why it
// matters, and what the user can do.
[[nodiscard]] std::string CalibrationQuestion(const TPicDevice& device, std::uint16_t chipWord);

// Why an operation stopped at the calibration word.
[[nodiscard]] std::string CalibrationRefusal(std::uint16_t chipWord);
[[nodiscard]] std::string NotACalibrationValueText(std::uint16_t given);

// A calibration value as a user types it: hexadecimal with or without "0x", blanks around it
// allowed, and a RETLW instruction (0x3400..0x34FF); nothing for anything else.
[[nodiscard]] std::optional<std::uint16_t> ParseCalibrationValue(std::string_view text);

// "Erase failed at 0x0012: the chip is not blank".
[[nodiscard]] std::string EraseFailedText(std::uint32_t address);

inline constexpr const char* kReadAllZerosText =
    "The chip reads as all zeros: it may be code-protected or missing";

}  // namespace vantrel
