#include "programming/operation_texts.h"

#include <charconv>

#include "device/hex_text.h"

namespace vantrel {

namespace {

std::string Hex(std::uint32_t value) {
    return "0x" + HexWordText(value);
}

}  // namespace

std::string AbortedStatus(TChipOperation operation) {
    return std::string(ChipOperationName(operation)) + " ABORTED!";
}

std::string CalibrationSavedText(std::uint16_t word) {
    return "Calibration word " + Hex(word) + " saved";
}

std::string CalibrationGivenText(std::uint16_t word) {
    return "Calibration word " + Hex(word) + " given";
}

std::string CalibrationWrittenText(const TDeviceImage& image, const TPicDevice& device,
                                   bool fromFile) {
    const std::uint16_t word = image.ProgramBuffer.at(device.CalibrationAddress);
    return "Calibration word " + Hex(word) +
           (fromFile ? " from the file written" : " written back");
}

std::string CalibrationQuestion(const TPicDevice& device, std::uint16_t chipWord) {
    // The saved word is 0 for an erased chip as well as for a protected one.
    return "The calibration word saved from " + Hex(device.CalibrationAddress) + " is " +
           Hex(chipWord) +
           ", which is not a RETLW instruction (0x34NN): the chip may be code-protected, or its "
           "factory calibration is erased already. Erasing the chip now would lose it for good."
           "\r\nEnter the calibration value to write back (0x34NN), or cancel to leave the chip "
           "as it is.";
}

std::string CalibrationRefusal(std::uint16_t chipWord) {
    return "The saved calibration word " + Hex(chipWord) +
           " is not a RETLW instruction (0x34NN) and no value was given: nothing was erased";
}

std::string NotACalibrationValueText(std::uint16_t given) {
    return Hex(given) +
           " is not a calibration value: it must be a RETLW instruction (0x34NN). Nothing was "
           "erased";
}

std::optional<std::uint16_t> ParseCalibrationValue(std::string_view text) {
    constexpr std::string_view kBlanks = " \t";
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    }
    unsigned word = 0;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data(), last, word, 16);
    if (text.empty() || error != std::errc() || end != last || word > 0xFFFF ||
        !IsRetlwCalibration(static_cast<std::uint16_t>(word))) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(word);
}

std::string EraseFailedText(std::uint32_t address) {
    return "Erase failed at " + Hex(address) + ": the chip is not blank";
}

}  // namespace vantrel
