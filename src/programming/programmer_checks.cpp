// The checks around the user-level operations that keep them from touching the wrong chip,
// from erasing the factory calibration away, and from reporting a failure as success.

#include <algorithm>
#include <optional>

#include "device/config18_masks.h"
#include "hardware/serial_protocol.h"
#include "hardware/serial_protocol18.h"
#include "programming/chip_identity.h"
#include "programming/operation_texts.h"
#include "programming/programmer.h"

namespace vantrel {

namespace {

// From ID location 0 to configuration word 1.
constexpr std::size_t kIncrementsToConfigWord = 7;
constexpr std::uint16_t kErasedByte = 0xFF;
constexpr std::uint16_t kErasedWord18 = 0xFFFF;
constexpr std::string_view kCheckingBlankStatus = "Checking program data...";
constexpr std::string_view kEraseFailedStatus = "Erase FAILED!";
constexpr std::string_view kOtherDeviceQuestion = "\r\nDo you still wish to go on?";

}  // namespace

void TProgrammer::ResetOutcome() {
    OperationOk = true;
    WordsWritten = 0;
    BlankCheckStopped = false;
    Declined = false;
    Identity.reset();
    Refusal.clear();
}

bool TProgrammer::BeginOperation(TChipOperation operation) {
    ResetOutcome();
    return CheckChipIdentity(operation);
}

bool TProgrammer::CheckChipIdentity(TChipOperation operation) {
    const TPicDevice& device = Device();
    if (!DeviceIdFacts(device)) {
        return true;  // nothing to read: the oldest and the one-time-programmable parts
    }
    const TChipIdentity identity = ReadChipIdentity(pins_, device);
    Identity = identity;
    if (!identity.Answered()) {
        // An empty socket, a chip the wrong way round, no power: nothing may be written, and a
        // read or verify would only report what the data line floats to.
        std::string text = NoChipText(identity);
        ui_.ShowMessage(text);
        Refuse(operation, std::move(text), false);
        return false;
    }
    if (identity.DeviceIndex != session_.Device.CurrentDevice) {
        std::string text = OtherDeviceText(identity, device);
        if (!ui_.AskOtherDevice(text + std::string(kOtherDeviceQuestion))) {
            Refuse(operation, std::move(text), true);
            return false;
        }
    }
    ui_.SetStatus(IdentityText(identity));
    return true;
}

void TProgrammer::Refuse(TChipOperation operation, std::string reason, bool declined) {
    OperationOk = false;
    Declined = declined;
    Refusal = std::move(reason);
    // "Change Cal" is a one-shot choice that a Write, Read or Verify uses up however it ends:
    // the next Write keeps the chip's calibration word unless the user chooses again.
    if (operation != TChipOperation::Erase) {
        session_.Options.ChangeCal = false;
    }
    ui_.SetStatus(AbortedStatus(operation));
}

bool TProgrammer::SaveCalibrationWord(TChipOperation operation) {
    OscCheck();
    const TPicDevice& device = Device();
    if (!HasCalibrationWord(device)) {
        return true;
    }
    std::uint16_t& word = Image().ProgramBuffer.at(device.CalibrationAddress);
    if (IsRetlwCalibration(word)) {
        ui_.SetStatus(CalibrationSavedText(word));
        return true;
    }
    // A code-protected chip reads its calibration word as 0, and an erased one has none: the
    // erase would make the loss final, so nothing is erased without a value worth writing back.
    const std::uint16_t chipWord = word;
    const std::optional<std::uint16_t> given =
        ui_.AskCalibrationWord(CalibrationQuestion(device, chipWord));
    if (!given) {
        Refuse(operation, CalibrationRefusal(chipWord), true);
        return false;
    }
    if (!IsRetlwCalibration(*given)) {
        std::string text = NotACalibrationValueText(*given);
        ui_.ShowMessage(text);
        Refuse(operation, std::move(text), false);
        return false;
    }
    word = *given;
    ui_.BufferChanged();
    ui_.SetStatus(CalibrationGivenText(word));
    return true;
}

void TProgrammer::CheckReadAnswered() {
    const TPicDevice& device = Device();
    const auto& program = Image().ProgramBuffer;
    const bool allZeros = std::all_of(program.begin(), program.begin() + device.ProgramSize,
                                      [](std::uint16_t word) { return word == 0; });
    if (allZeros) {
        OperationOk = false;
        ui_.ShowMessage(kReadAllZerosText);
    }
}

std::optional<std::uint32_t> TProgrammer::FirstUnerased14() {
    const TPicDevice& device = Device();
    On();
    for (std::size_t address = 0; address < device.ProgramSize; ++address) {
        Cmd(kCommandReadDataProgram);
        if ((R() & device.BlankWord) != device.BlankWord) {
            Off();
            return static_cast<std::uint32_t>(address);
        }
        Cmd(kCommandIncrementAddress);
        ui_.Progress(address + 1, device.ProgramSize);
    }
    Off();
    if (device.EepromSize != 0) {
        On();
        for (std::size_t address = 0; address < device.EepromSize; ++address) {
            Cmd(kCommandReadDataData);
            if ((R() & kErasedByte) != kErasedByte) {
                Off();
                return static_cast<std::uint32_t>(device.EepromAddress + address);
            }
            Cmd(kCommandIncrementAddress);
        }
        Off();
    }
    On();
    LoadConfiguration();
    Increment(kIncrementsToConfigWord);
    Cmd(kCommandReadDataProgram);
    if ((R() & device.ConfigMask) != device.ConfigMask) {
        Off();
        return device.ConfigAddress;
    }
    if (device.Config2Mask != 0) {
        Cmd(kCommandIncrementAddress);
        Cmd(kCommandReadDataProgram);
        if ((R() & device.Config2Mask) != device.Config2Mask) {
            Off();
            return device.ConfigAddress + 1;
        }
    }
    Off();
    return std::nullopt;
}

std::optional<std::uint32_t> TProgrammer::FirstUnerased18() {
    const TPicDevice& device = Device();
    On();
    SetTablePointer(pins_, 0);
    for (std::size_t word = 0; word < device.ProgramSize; ++word) {
        if (TableReadWord(pins_) != kErasedWord18) {
            Off();
            return static_cast<std::uint32_t>(word);
        }
        ui_.Progress(word + 1, device.ProgramSize);
    }
    Off();
    On();
    for (std::size_t address = 0; address < device.EepromSize; ++address) {
        LoadEepromByte18(pins_, device, static_cast<std::uint16_t>(address));
        if ((ShiftOutTablat(pins_) & kErasedByte) != kErasedByte) {
            Off();
            return static_cast<std::uint32_t>(device.EepromAddress + address);
        }
    }
    Off();
    // Unimplemented configuration bits read 0 on a real chip: only the implemented ones count.
    const auto masks = Config18Masks(device);
    On();
    SetTablePointer(pins_, kAddress18Config);
    for (std::size_t pair = 0; pair < kConfig18ByteCount; pair += 2) {
        const std::uint16_t word = TableReadWord(pins_);
        for (std::size_t half = 0; half < 2; ++half) {
            const auto value = static_cast<std::uint8_t>(word >> (8 * half));
            const std::uint8_t mask = masks.at(pair + half);
            if ((value & mask) != mask) {
                Off();
                return static_cast<std::uint32_t>(kAddress18Config + pair + half);
            }
        }
    }
    Off();
    return std::nullopt;
}

void TProgrammer::CheckErased() {
    ui_.SetStatus(kCheckingBlankStatus);
    const std::optional<std::uint32_t> unerased =
        IsPic18(Device()) ? FirstUnerased18() : FirstUnerased14();
    if (unerased) {
        OperationOk = false;
        ui_.ShowMessage(EraseFailedText(*unerased));
        ui_.SetStatus(kEraseFailedStatus);
    }
}

}  // namespace vantrel
