// One-time-programmable (EPROM) parts: write, verify and read of program memory, the
// configuration word and IDs, and the blank check that keeps the factory calibration word.

#include <string>

#include "device/hex_text.h"
#include "hardware/serial_protocol.h"
#include "programming/memory_pass.h"
#include "programming/programmer.h"

namespace vantrel {

namespace {

// One fixed pulse per word: long enough for these cells, never repeated.
constexpr std::uint32_t kWordPulseMs = 2;
constexpr std::uint32_t kConfigurationPulseMs = 10;
// Settle time before the first read of a read pass.
constexpr std::uint32_t kReadSettleMs = 10;

constexpr std::size_t kEpromIdCount = 4;
// ID locations hold 7 significant bits; the chip reads the rest back as it likes.
constexpr std::uint16_t kIdMask = 0x7F;
// From the word after ID location 3 (0x2004) to the configuration word (0x2007).
constexpr std::size_t kIdEndToConfiguration = 3;

// The fast timing programs as the makers do: pulses with a read-back after each, up to the most
// a cell may need, then over-programming of so many times the pulses it took; the
// configuration word gets a fixed number of pulses.
constexpr int kMostPulses12 = 8;
constexpr int kMostPulses14 = 25;
constexpr int kOverProgramming12 = 11;
constexpr int kOverProgramming14 = 3;
constexpr int kConfigurationPulses = 100;

constexpr std::string_view kConfigFusesNotBlank = "Config fuses not Blank\r\nProgramming Aborted!";
constexpr std::string_view kIdsNotBlank = "ID settings not Blank\r\nProgramming Aborted!";

// The 12-bit parts start on the configuration word, one increment before program address 0,
// and keep their IDs right after program memory; the 14-bit parts start at address 0 and reach
// IDs and configuration word through the load-configuration command.
bool IsTwelveBit(const TPicDevice& device) {
    return device.BlankWord < 0x2000;
}

std::string ProgramNotBlankText(std::size_t address) {
    return "Program memory not Blank\r\nFailed at address $" +
           HexWordText(static_cast<std::uint32_t>(address)) + "\r\n" + "Programming Aborted!";
}

// Compares an ID read back with the buffer's. Both sides go through the 7-bit mask: the ID
// grid accepts bytes up to 0xFF, and such an ID is stored and read back as its low 7 bits.
bool IdDiffers(std::uint16_t readBack, std::uint16_t expected) {
    return (readBack & kIdMask) != (expected & kIdMask);
}

}  // namespace

void TProgrammer::EpromPulse(std::uint16_t word, std::uint32_t pulseMs) {
    Cmd(kCommandLoadDataProgram);
    L(word);
    Cmd(kCommandBeginProgramming);
    D(pulseMs);
    Cmd(kCommandEndProgramming);
}

void TProgrammer::EpromFastPulse() {
    Cmd(kCommandBeginProgramming);
    Wait(kWordPulseMs, TFastWait::EpromPulse);
    Cmd(kCommandEndProgramming);
}

bool TProgrammer::EpromProgramWordFast(std::uint16_t word) {
    const TPicDevice& device = Device();
    const bool twelveBit = IsTwelveBit(device);
    const int mostPulses = twelveBit ? kMostPulses12 : kMostPulses14;
    const int overProgramming = twelveBit ? kOverProgramming12 : kOverProgramming14;
    const auto wanted = static_cast<std::uint16_t>(word & device.BlankWord);
    Cmd(kCommandLoadDataProgram);
    L(word);
    for (int pulses = 1; pulses <= mostPulses; ++pulses) {
        EpromFastPulse();  // the data latch keeps the word from pulse to pulse
        Cmd(kCommandReadDataProgram);
        if ((R() & device.BlankWord) == wanted) {
            for (int i = 0; i < overProgramming * pulses; ++i) {
                EpromFastPulse();
            }
            return true;
        }
    }
    return false;
}

void TProgrammer::EpromProgramConfigurationFast(std::uint16_t word) {
    Cmd(kCommandLoadDataProgram);
    L(word);
    for (int i = 0; i < kConfigurationPulses; ++i) {
        EpromFastPulse();
    }
}

void TProgrammer::SkipWords(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        Cmd(kCommandReadDataProgram);
        static_cast<void>(R());
        Cmd(kCommandIncrementAddress);
    }
}

void TProgrammer::LoadConfiguration() {
    Cmd(kCommandLoadConfiguration);
    L(kLoadConfigurationData);
}

void TProgrammer::Increment(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        Cmd(kCommandIncrementAddress);
    }
}

void TProgrammer::ReportFailure(const std::string& message) {
    ui_.ShowMessage(message);
    OperationOk = false;
}

void TProgrammer::CheckIdReadBack(std::uint16_t expected, const std::string& failure) {
    Cmd(kCommandReadDataProgram);
    if (IdDiffers(R(), expected)) {
        ReportFailure(failure);
    }
}

void TProgrammer::CheckConfigurationReadBack() {
    Cmd(kCommandReadDataProgram);
    if ((R() & Device().ConfigMask) != Image().ConfigWord1) {
        ReportFailure("Config Fuses Verify Error");
    }
}

// The EPROM parts have no data EEPROM: a data pass has nothing to write.
void TProgrammer::EpromProgramChip(bool data) {
    if (data) {
        return;
    }
    const TPicDevice& device = Device();
    const TDeviceImage& image = Image();
    const std::uint16_t blank = device.BlankWord;
    const std::size_t count = device.ProgramSize;
    ui_.SetStatus(WritingStatus(false));
    On();
    if (IsTwelveBit(device)) {
        SkipWords(1);
    }
    for (std::size_t address = 0; address < count; ++address) {
        const std::uint16_t word = image.ProgramBuffer[address];
        if ((word & blank) != blank) {
            if (Fast()) {
                // A word that never reads back shows in the read-back below.
                static_cast<void>(EpromProgramWordFast(word));
            } else {
                EpromPulse(word, kWordPulseMs);
            }
            ++WordsWritten;
        }
        if (session_.Options.AutoVerify) {
            Cmd(kCommandReadDataProgram);
            const std::uint16_t readBack = R() & blank;
            if (readBack != word && !CalibrationWordUnset(device, image, false, address)) {
                FailAfterLeaving(VerifyAbortText(false, static_cast<std::uint32_t>(address)));
                return;
            }
        }
        Cmd(kCommandIncrementAddress);
        ui_.Progress(address + 1, count);
    }
    Off();
}

// Verify of the EEPROM parts, after a step from the configuration word to address 0 on the
// 12-bit parts.
void TProgrammer::EpromVerify(bool data) {
    VerifyPass(data, IsTwelveBit(Device()) ? 1 : 0);
}

// The EPROM parts have no data EEPROM: a data pass has nothing to read.
void TProgrammer::EpromRead(bool data) {
    if (data) {
        return;
    }
    const TPicDevice& device = Device();
    TDeviceImage& image = Image();
    On();
    D(kReadSettleMs);
    ui_.SetStatus(ReadingStatus(false));
    if (IsTwelveBit(device)) {
        // Twelve of the frame's bits are the word; the chip leaves the upper two undefined.
        Cmd(kCommandReadDataProgram);
        image.ConfigWord1 = R() & device.BlankWord;
        Cmd(kCommandIncrementAddress);
    }
    for (std::size_t address = 0; address < device.ProgramSize; ++address) {
        Cmd(kCommandReadDataProgram);
        image.ProgramBuffer[address] = R() & device.BlankWord;
        Cmd(kCommandIncrementAddress);
        ui_.Progress(address + 1, device.ProgramSize);
    }
    if (!IsTwelveBit(device)) {
        LoadConfiguration();
    }
    for (std::size_t i = 0; i < kEpromIdCount; ++i) {
        Cmd(kCommandReadDataProgram);
        image.IdBuffer[i] = R() & kIdMask;
        Cmd(kCommandIncrementAddress);
    }
    if (!IsTwelveBit(device)) {
        Increment(kIdEndToConfiguration);
        Cmd(kCommandReadDataProgram);
        image.ConfigWord1 = R();
    }
    Off();
    ui_.SetStatus(kReadDoneStatus);
}

void TProgrammer::EpromProgramConfig() {
    const TPicDevice& device = Device();
    TDeviceImage& image = Image();
    const bool autoVerify = session_.Options.AutoVerify;
    const bool hasIds = IdHasData(image, device);
    auto writeId = [&](std::size_t i, std::uint32_t pulseMs, const std::string& failure) {
        if (Fast()) {
            static_cast<void>(EpromProgramWordFast(image.IdBuffer[i]));
        } else {
            EpromPulse(image.IdBuffer[i], pulseMs);
        }
        if (autoVerify) {
            CheckIdReadBack(image.IdBuffer[i], failure);
        }
    };
    auto writeConfiguration = [&] {
        if (Fast()) {
            EpromProgramConfigurationFast(image.ConfigWord1);
        } else {
            EpromPulse(image.ConfigWord1, kConfigurationPulseMs);
        }
        if (autoVerify) {
            CheckConfigurationReadBack();
        }
    };
    On();
    if (IsTwelveBit(device)) {
        writeConfiguration();
        Cmd(kCommandIncrementAddress);
        if (hasIds) {
            SkipWords(device.ProgramSize);
            for (std::size_t i = 0; i < kEpromIdCount; ++i) {
                writeId(i, kWordPulseMs, "ID Settings Verify Error");
                Cmd(kCommandIncrementAddress);
            }
        }
    } else {
        LoadConfiguration();
        for (std::size_t i = 0; i < kEpromIdCount; ++i) {
            if (hasIds) {
                writeId(i, kConfigurationPulseMs,
                        "ID[" + std::to_string(i) + "] Settings Verify Error");
            }
            Cmd(kCommandIncrementAddress);
        }
        SkipWords(kIdEndToConfiguration);
        writeConfiguration();
    }
    Off();
}

void TProgrammer::EpromVerifyConfig() {
    const TPicDevice& device = Device();
    const TDeviceImage& image = Image();
    ui_.SetStatus("Verifying Config Fuses...");
    On();
    if (IsTwelveBit(device)) {
        CheckConfigurationReadBack();
        Cmd(kCommandIncrementAddress);
        SkipWords(device.ProgramSize);
    } else {
        LoadConfiguration();
    }
    for (std::size_t i = 0; i < kEpromIdCount; ++i) {
        CheckIdReadBack(image.IdBuffer[i],
                        IsTwelveBit(device) ? "ID Settings Verify Error"
                                            : "Config ID Verify Error, line " + std::to_string(i));
        Cmd(kCommandIncrementAddress);
    }
    if (!IsTwelveBit(device)) {
        Increment(kIdEndToConfiguration);
        CheckConfigurationReadBack();
    }
    Off();
}

std::string TProgrammer::FindNonBlank(std::uint16_t& found) {
    const TPicDevice& device = Device();
    const bool twelveBit = IsTwelveBit(device);
    auto configurationBlank = [&] {
        Cmd(kCommandReadDataProgram);
        return (R() & device.ConfigMask) == device.ConfigMask;
    };
    if (twelveBit) {
        if (!configurationBlank()) {
            return std::string(kConfigFusesNotBlank);
        }
        Cmd(kCommandIncrementAddress);
    }
    for (std::size_t address = 0; address < device.ProgramSize; ++address) {
        Cmd(kCommandReadDataProgram);
        const std::uint16_t word = R() & device.BlankWord;
        if (word != device.BlankWord) {
            if (address != device.CalibrationAddress) {
                return ProgramNotBlankText(address);
            }
            found = word;
        }
        Cmd(kCommandIncrementAddress);
        ui_.Progress(address + 1, device.ProgramSize);
    }
    if (!twelveBit) {
        LoadConfiguration();
    }
    for (std::size_t i = 0; i < kEpromIdCount; ++i) {
        Cmd(kCommandReadDataProgram);
        if ((R() & kIdMask) != kIdMask) {
            return std::string(kIdsNotBlank);
        }
        Cmd(kCommandIncrementAddress);
    }
    if (!twelveBit) {
        Increment(kIdEndToConfiguration);
        if (!configurationBlank()) {
            return std::string(kConfigFusesNotBlank);
        }
    }
    return {};
}

// Each question can stop the Write; a Yes to a chip value takes that value into the buffer, so
// the word is programmed again with its own value instead of the file's.
bool TProgrammer::ConfirmCalibration(std::uint16_t found) {
    const TPicDevice& device = Device();
    if (!HasCalibrationWord(device)) {
        return true;
    }
    std::uint16_t& fileWord = Image().ProgramBuffer[device.CalibrationAddress];
    const bool fileBlank = fileWord == device.BlankWord;
    if (found == 0) {
        if (fileBlank && !ui_.AskYesNo("WARNING! - Osc Calibration is Blank\r\nNo value set in "
                                       "loaded file\r\nDo you still wish to program?")) {
            Declined = true;
            return false;
        }
        return true;
    }
    const std::string chipValue =
        "WARNING! - Osc Calibration not Blank\r\nSet to $" + HexWordText(found) + "\r\n";
    const std::string question =
        fileBlank
            ? chipValue + "No value set in loaded file (OTP?)" + "\r\n" +
                  "Chip value will be transferred" + "\r\n" + "Do you still wish to program?"
            : chipValue + "Value is set in loaded file!" + "\r\n" +
                  "Do you still wish to program?" + "\r\n" + "Value from file will be replaced!";
    if (!ui_.AskYesNo(question)) {
        Declined = true;
        return false;
    }
    fileWord = found;
    ui_.BufferChanged();
    return true;
}

// The chip is left before any message or question: the user may take minutes to answer.
bool TProgrammer::BlankCheck() {
    std::uint16_t found = 0;
    On();
    ui_.SetStatus("Checking program data...");
    const std::string failure = FindNonBlank(found);
    Off();
    if (!failure.empty()) {
        ui_.ShowMessage(failure);
        return false;
    }
    if (!ConfirmCalibration(found)) {
        return false;
    }
    ui_.SetStatus("Blank Check Performed");
    return true;
}

}  // namespace vantrel
