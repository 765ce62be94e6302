// The configuration area of the 14-bit erasable parts (ID locations 0x2000..0x2003, the
// configuration word at 0x2007 and a second one at 0x2008), the whole-chip erase of every
// erasable family, and the calibration check of the parts with a factory calibration word.

#include <string>

#include "hardware/serial_protocol.h"
#include "programming/programmer.h"

namespace vantrel {

namespace {

constexpr std::size_t kIdWords = 4;
// IDs are 7-bit values on these parts; the chip's upper bits read back as anything.
constexpr std::uint16_t kIdValueMask = 0x7F;
// After the four IDs the counter is at 0x2004; the configuration word is at 0x2007.
constexpr std::size_t kIncrementsAfterIdsToConfig = 3;
constexpr std::size_t kIncrementsFromIdToConfig = 7;
constexpr std::size_t kIncrementsFromLastIdToConfig = 4;

constexpr std::uint32_t kEraseMs = 50;
constexpr std::uint32_t kCalibratedEraseStepMs = 10;
// The 16F7x parts program their two-word blocks for a fixed time, not ProgDelay.
constexpr std::uint32_t kBlock7xProgramMs = 2;

constexpr std::string_view kConfigFusesVerifyError = "Config Fuses Verify Error";

// Which bits of configuration word 1 a verify compares. A part whose band-gap bits are set at
// the factory keeps them through a Write; when the image leaves them erased (the file sets no
// value for them) there is nothing to compare them with.
std::uint16_t ConfigVerifyMask(const TPicDevice& device, std::uint16_t word1) {
    const auto bandGap = static_cast<std::uint16_t>(device.Bg0Fuse.Mask | device.Bg1Fuse.Mask);
    if (device.Algorithm == kAlgorithmCalibrated && bandGap != 0 && (word1 & bandGap) == bandGap) {
        return static_cast<std::uint16_t>(device.ConfigMask & ~bandGap);
    }
    return device.ConfigMask;
}

}  // namespace

// Reads back the configuration word just written, with the counter still on it.
void TProgrammer::CheckConfigWord() {
    if (session_.Options.AutoVerify) {
        CheckConfigurationReadBack();
    }
}

// The IDs are written only when the image holds any; the counter moves on either way.
void TProgrammer::WriteIds() {
    for (std::size_t i = 0; i < kIdWords; ++i) {
        if (IdHasData(Image(), Device())) {
            Cmd(kCommandLoadDataProgram);
            L(Image().IdBuffer[i]);
            Cmd(kCommandBeginProgramming);
            WaitProgDelay(TFastWait::ConfigCycle);
            if (session_.Options.AutoVerify) {
                CheckIdReadBack(Image().IdBuffer[i],
                                "ID[" + std::to_string(i) + "] Settings Verify Error");
            }
        }
        Cmd(kCommandIncrementAddress);
    }
}

void TProgrammer::ProgramConfig() {
    On();
    LoadConfiguration();
    WriteIds();
    Increment(kIncrementsAfterIdsToConfig);
    Cmd(kCommandLoadDataProgram);
    L(Image().ConfigWord1);
    Cmd(kCommandBeginProgramming);
    WaitProgDelay(TFastWait::ConfigCycle);
    CheckConfigWord();
    Off();
}

void TProgrammer::ProgramFLASHConfig() {
    const TDeviceImage& image = Image();
    switch (Device().Algorithm) {
        case kAlgorithmBlock877A:
            // The IDs are always written and never verified. Each gets its own cycle: in the
            // configuration area a cycle writes the word at the counter, so IDs loaded at the
            // addresses before it would be lost.
            On();
            LoadConfiguration();
            for (std::size_t i = 0; i < kIdWords; ++i) {
                Cmd(kCommandLoadDataProgram);
                L(image.IdBuffer[i]);
                Cmd(kCommandBeginProgramming);
                WaitProgDelay(TFastWait::ConfigCycle);
                if (i + 1 < kIdWords) {
                    Cmd(kCommandIncrementAddress);
                }
            }
            Increment(kIncrementsFromLastIdToConfig);
            Cmd(kCommandLoadDataProgram);
            L(image.ConfigWord1);
            Cmd(kCommandBeginProgramming);
            WaitProgDelay(TFastWait::ConfigCycle);
            CheckConfigWord();
            Off();
            return;
        case kAlgorithmBlock88:
            On();
            LoadConfiguration();
            Cmd(kCommandBeginProgramming);
            WaitProgDelay(TFastWait::ConfigCycle);
            Cmd(kCommandEndProgrammingFlash);
            for (std::size_t i = 0; i < kIdWords; ++i) {
                Cmd(kCommandLoadDataProgram);
                L(image.IdBuffer[i]);
                Cmd(kCommandBeginProgrammingOnly);
                WaitProgDelay(TFastWait::ConfigCycle);
                Cmd(kCommandEndProgrammingFlash);
                Cmd(kCommandIncrementAddress);
            }
            Increment(kIncrementsAfterIdsToConfig);
            Cmd(kCommandLoadDataProgram);
            L(image.ConfigWord1);
            Cmd(kCommandBeginProgrammingOnly);
            WaitProgDelay(TFastWait::ConfigCycle);
            Cmd(kCommandEndProgrammingFlash);
            CheckConfigWord();
            if (Device().Config2Mask != 0) {
                Cmd(kCommandIncrementAddress);
                Cmd(kCommandLoadDataProgram);
                L(image.ConfigWord2);
                Cmd(kCommandBeginProgrammingOnly);
                WaitProgDelay(TFastWait::ConfigCycle);
                Cmd(kCommandEndProgrammingFlash);
            }
            Off();
            return;
        case kAlgorithmFlash628A:
            // One word per cycle, as the EEPROM parts.
            ProgramConfig();
            return;
        default:
            // The 16F7x parts: IDs in pairs, matching their two-word blocks.
            On();
            LoadConfiguration();
            for (std::size_t i = 0; i < kIdWords; i += 2) {
                Cmd(kCommandLoadDataProgram);
                L(image.IdBuffer[i]);
                Cmd(kCommandIncrementAddress);
                Cmd(kCommandLoadDataProgram);
                L(image.IdBuffer[i + 1]);
                Cmd(kCommandBeginProgramming);
                Wait(kBlock7xProgramMs, TFastWait::ConfigCycle);
                Cmd(kCommandEndProgramming);
                Cmd(kCommandIncrementAddress);
            }
            Increment(kIncrementsAfterIdsToConfig);
            Cmd(kCommandLoadDataProgram);
            L(image.ConfigWord1);
            Cmd(kCommandBeginProgramming);
            Wait(kBlock7xProgramMs, TFastWait::ConfigCycle);
            Cmd(kCommandEndProgramming);
            CheckConfigWord();
            Off();
            return;
    }
}

void TProgrammer::VerifyConfig() {
    const TPicDevice& device = Device();
    const TDeviceImage& image = Image();
    ui_.SetStatus("Verifying Config Fuses...");
    On();
    LoadConfiguration();
    // Every ID is checked, even after a failure.
    for (std::size_t i = 0; i < kIdWords; ++i) {
        CheckIdReadBack(image.IdBuffer[i], "Config ID Verify Error, line " + std::to_string(i));
        Cmd(kCommandIncrementAddress);
    }
    Increment(kIncrementsAfterIdsToConfig);
    Cmd(kCommandReadDataProgram);
    const std::uint16_t mask = ConfigVerifyMask(device, image.ConfigWord1);
    if ((R() & mask) != (image.ConfigWord1 & mask)) {
        ReportFailure(std::string(kConfigFusesVerifyError));
    }
    // The second word of the 16F87/88 decides as much as the first.
    if (device.Config2Mask != 0) {
        Cmd(kCommandIncrementAddress);
        Cmd(kCommandReadDataProgram);
        if ((R() & device.Config2Mask) != image.ConfigWord2) {
            ReportFailure(std::string(kConfigFusesVerifyError));
        }
    }
    Off();
}

void TProgrammer::ReadConfig() {
    const TPicDevice& device = Device();
    TDeviceImage& image = Image();
    On();
    LoadConfiguration();
    for (std::size_t i = 0; i < kIdWords; ++i) {
        Cmd(kCommandReadDataProgram);
        image.IdBuffer[i] = static_cast<std::uint16_t>(R() & kIdValueMask);
        Cmd(kCommandIncrementAddress);
    }
    Increment(kIncrementsAfterIdsToConfig);
    Cmd(kCommandReadDataProgram);
    image.ConfigWord1 = R();
    if (device.Config2Mask != 0) {
        Cmd(kCommandIncrementAddress);
        Cmd(kCommandReadDataProgram);
        image.ConfigWord2 = static_cast<std::uint16_t>(R() & device.Config2Mask);
    }
    Off();
}

void TProgrammer::EraseAll() {
    const TPicDevice& device = Device();
    // The chip-erase periods of the 16F87xA and 16F818/819/87/88. The first erases program
    // memory, data memory and configuration; the IDs go only when the counter is in the
    // configuration area, which is what the second period is for. Its load command needs its
    // data frame: without one the chip takes command 31 as the frame and erases nothing.
    const auto chipErase = [this] {
        On();
        Cmd(kCommandChipErase);
        Wait(kEraseMs, TFastWait::Erase);
        Off();
        On();
        LoadConfiguration();
        Cmd(kCommandChipErase);
        Wait(kEraseMs, TFastWait::Erase);
        Off();
    };
    switch (device.Algorithm) {
        case kAlgorithmEprom:
        case kAlgorithmEpromOther:
            // One-time-programmable memory cannot be erased; nothing is sent.
            return;
        case kAlgorithmBlock877A:
            chipErase();
            return;
        case kAlgorithmBlock7x:
            On();
            LoadConfiguration();
            Cmd(kCommandBulkEraseProgram);
            Wait(kEraseMs, TFastWait::Erase);
            Off();
            return;
        case kAlgorithmBlock88:
            chipErase();
            On();
            LoadConfiguration();
            Cmd(kCommandBeginProgramming);
            WaitProgDelay(TFastWait::ConfigCycle);
            Cmd(kCommandEndProgrammingFlash);
            Off();
            return;
        case kAlgorithmFlash628A:
            On();
            LoadConfiguration();
            Cmd(kCommandBulkEraseProgram);
            Wait(kEraseMs, TFastWait::Erase);
            Off();
            On();
            Cmd(kCommandBulkEraseData);
            Wait(kEraseMs, TFastWait::Erase);
            Off();
            return;
        case kAlgorithm18F:
        case kAlgorithm18FNew:
            EraseAll18();
            return;
        case kAlgorithmCalibrated:
            // Takes the calibration word and the band-gap bits too; the operations save them
            // first with OscCheck and write them back afterwards.
            On();
            LoadConfiguration();
            if (!Fast()) {
                D(kCalibratedEraseStepMs);  // nothing runs yet for the chip to finish
            }
            Cmd(kCommandBulkEraseProgram);
            Wait(kCalibratedEraseStepMs, TFastWait::Erase);
            Cmd(kCommandBulkEraseData);
            Wait(kCalibratedEraseStepMs, TFastWait::Erase);
            Off();
            return;
        default:
            EraseEepromPart();
            return;
    }
}

// Three programming-mode periods, each one erase with the pair of commands 1, 7 around a begin
// command: with the counter at the configuration word it clears code protection (and all the
// chip with it), then program memory, then data memory. Program memory is erased with the
// pair, like data memory, because every one of these parts knows it, while the 16F87x lack the
// bulk erase command and the 16F62x start it at once, so a begin command around it would
// meet a running cycle.
void TProgrammer::EraseEepromPart() {
    const auto erasePeriod = [this](std::uint8_t loadCommand, std::size_t increments) {
        On();
        Cmd(loadCommand);
        L(kLoadConfigurationData);
        Increment(increments);
        Cmd(kCommandClearPairFirst);
        Cmd(kCommandClearPairSecond);
        Cmd(kCommandBeginProgramming);
        WaitProgDelay(TFastWait::Erase);
        Cmd(kCommandClearPairFirst);
        Cmd(kCommandClearPairSecond);
        Off();
    };
    erasePeriod(kCommandLoadConfigurationForClear, kIncrementsFromIdToConfig);
    erasePeriod(kCommandLoadDataProgram, 0);
    erasePeriod(kCommandLoadDataData, 0);
}

void TProgrammer::OscCheck() {
    const TPicDevice& device = Device();
    TDeviceImage& image = Image();
    On();
    ui_.SetStatus("Checking calibration data...");
    // The counter only moves forward: the whole memory is read to reach the calibration word.
    std::uint16_t chipCalibration = device.BlankWord;
    for (std::size_t address = 0; address < device.ProgramSize; ++address) {
        Cmd(kCommandReadDataProgram);
        const auto word = static_cast<std::uint16_t>(R() & device.BlankWord);
        if (address == device.CalibrationAddress) {
            chipCalibration = word;
        }
        Cmd(kCommandIncrementAddress);
        ui_.Progress(address + 1, device.ProgramSize);
    }
    LoadConfiguration();
    Increment(kIncrementsFromIdToConfig);
    Cmd(kCommandReadDataProgram);
    const auto chipConfig = static_cast<std::uint16_t>(R() & device.ConfigMask);
    Off();
    if (!HasCalibrationWord(device)) {
        return;
    }
    std::uint16_t& calibration = image.ProgramBuffer.at(device.CalibrationAddress);
    // A chip erased by a Write that failed afterwards has lost its word and band-gap bits,
    // while the image still holds the value saved before: reading the chip again must not
    // replace that value with 0.
    const bool chipBlank = chipCalibration == device.BlankWord;
    if (chipBlank && calibration != device.BlankWord) {
        return;
    }
    session_.Config.SetBandGapBits(chipConfig);
    calibration = chipBlank ? 0 : chipCalibration;
    ui_.BufferChanged();
}

}  // namespace vantrel
