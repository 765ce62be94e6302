// 18F parts: program memory, data EEPROM, IDs and configuration bytes, and the bulk erase.
//
// The routines ending in 18 serve the older parts (algorithm 8), those ending in 18A the newer
// ones (algorithm 10). The two groups differ only in details that follow from the device — the
// EEPROM unlock sequence, a NOP before TABLAT is shifted out, the erase key — so each pair
// shares one body that asks the device.

#include <algorithm>
#include <array>
#include <span>
#include <string>
#include <string_view>

#include "hardware/serial_protocol.h"
#include "hardware/serial_protocol18.h"
#include "programming/memory_pass.h"
#include "programming/programmer.h"

namespace vantrel {

namespace {

constexpr std::uint32_t kAddress18EraseKeyHigh = kAddress18EraseControl + 1;  // 0x3C0005
constexpr std::uint32_t kAddress18WriteMode = kAddress18EraseControl + 2;     // 0x3C0006
// Written to the write-mode register: one write buffer for the whole memory.
constexpr std::uint16_t kSinglePanelWrites = 0x0000;

// Bulk erase keys. The newer parts need the chip-erase key in both registers; a key with fewer
// bits set leaves the ID locations (or more) behind.
constexpr std::uint16_t kEraseKeyOlderParts = 0x0080;     // to 0x3C0004
constexpr std::uint16_t kChipEraseKeyHighNewer = 0x3F3F;  // to 0x3C0005
constexpr std::uint16_t kChipEraseKeyLowNewer = 0x8F8F;   // to 0x3C0004
constexpr std::uint32_t kBulkEraseMs = 10;

// How long the fourth clock of the NOP after a table write is held while the chip programs.
constexpr std::uint32_t kProgramHoldMs = 2;
constexpr std::uint32_t kConfigurationHoldMs = 1;
// Between the ID write and the configuration write the chip is switched off and on again.
constexpr std::uint32_t kPowerCycleMs = 10;

// Data EEPROM writes time themselves; the chip clears WR in EECON1 when a byte is done.
constexpr std::uint8_t kEecon1Wr = 0x02;
constexpr std::uint32_t kEepromPollMs = 5;
// Far longer than any byte takes. A missing chip or a data line stuck high reads WR set for
// ever; the verify that follows reports the byte.
constexpr std::uint32_t kEepromWriteLimitMs = 50;
// The fast timing sleeps through the least time a byte takes (P11A), then polls without a
// pause: the chip's WR bit, not a time, says when the byte is done. Polls after that take a
// few hundred microseconds each; this many cover the limit above.
constexpr std::uint32_t kFastEepromFirstPollMicroseconds = 4000;
constexpr int kFastEepromPollLimit = 250;

// The configuration words in the order they are written. Word 5 holds CONFIG6H, whose WRTC
// bit write-protects the configuration: written before CONFIG7, it would keep that from being
// written, and a Write does not verify the configuration afterwards.
constexpr std::array<std::size_t, kConfig18Words> kConfigurationWriteOrder{0, 1, 2, 3, 4, 6, 5};

constexpr std::uint16_t kBlankProgramWord18 = 0xFFFF;
constexpr std::size_t kIdBytes18 = 8;
constexpr int kCommand18Bits = 4;
constexpr int kPayload18Bits = 16;

std::uint16_t Movlw(std::size_t literal) {
    return static_cast<std::uint16_t>(kInstructionMovlw | (literal & 0xFFu));
}

// Two bytes of a buffer as one 16-bit table-write payload, low byte first in memory.
std::uint16_t BytePair(std::uint16_t low, std::uint16_t high) {
    return static_cast<std::uint16_t>(((high & 0xFFu) << 8) | (low & 0xFFu));
}

}  // namespace

void TProgrammer::SelectCodeMemory18() {
    Instruction18(kInstructionBsfEepgd);
    Instruction18(kInstructionBsfCfgs);
    SetTablePointer(pins_, kAddress18WriteMode);
    SendCommand18(pins_, kCommand18TableWrite, kSinglePanelWrites);
    Instruction18(kInstructionBsfEepgd);
    Instruction18(kInstructionBcfCfgs);
}

// Blocks start at word 0 and are always completed, with the blank words after the trimmed end.
void TProgrammer::WriteProgram18(std::size_t count) {
    const auto& buffer = Image().ProgramBuffer;
    const std::size_t block =
        Fast() ? FastWriteBlockWords(session_.Device.CurrentDevice)
               : static_cast<std::size_t>(std::max<std::int16_t>(Device().WriteBlock, 1));
    SelectCodeMemory18();
    std::size_t word = 0;
    while (word < count) {
        Instruction18(kInstructionBcfWren);
        SetTablePointer(pins_, static_cast<std::uint32_t>(2 * word));
        for (std::size_t i = 1; i < block; ++i) {
            SendCommand18(pins_, kCommand18TableWritePostIncrement2, buffer[word]);
            ++word;
            ++WordsWritten;
        }
        SendCommand18(pins_, kCommand18TableWriteStartProgramming, buffer[word]);
        ProgramNop(pins_, Timed(TWaitTime::Milliseconds(kProgramHoldMs), TFastWait::ProgramCycle),
                   Timed(TWaitTime::Milliseconds(kDischargeMs), TFastWait::Discharge));
        ++word;
        ++WordsWritten;
        ui_.Progress(std::min(word, count), count);
    }
}

void TProgrammer::WriteData18(std::size_t count) {
    const auto& buffer = Image().DataBuffer;
    const bool unlock = Device().Algorithm == kAlgorithm18F;
    Instruction18(kInstructionBcfEepgd);
    Instruction18(kInstructionBcfCfgs);
    for (std::size_t address = 0; address < count; ++address) {
        Instruction18(Movlw(address));
        Instruction18(kInstructionMovwfEeadr);
        Instruction18(Movlw(address >> 8));
        Instruction18(kInstructionMovwfEeadrh);
        Instruction18(Movlw(buffer[address]));
        Instruction18(kInstructionMovwfEedata);
        Instruction18(kInstructionBsfWren);
        if (unlock) {
            Instruction18(kInstructionMovlw55);
            Instruction18(kInstructionMovwfEecon2);
            Instruction18(kInstructionMovlwAA);
            Instruction18(kInstructionMovwfEecon2);
        }
        Instruction18(kInstructionBsfWr);
        WaitEepromWrite18();
        Instruction18(kInstructionBcfWren);
        ++WordsWritten;
        ui_.Progress(address + 1, count);
    }
}

// Polls WR, not RD: WR is the bit the chip holds while the byte is written.
void TProgrammer::WaitEepromWrite18() {
    const bool nopBeforeShift = Device().Algorithm == kAlgorithm18FNew;
    const auto writeBitSet = [&] {
        Instruction18(kInstructionMovfEecon1W);
        Instruction18(kInstructionMovwfTablat);
        if (nopBeforeShift) {
            Instruction18(kInstructionNop);
        }
        return (ShiftOutTablat(pins_) & kEecon1Wr) != 0;
    };
    if (Fast()) {
        pins_.DelayMicroseconds(kFastEepromFirstPollMicroseconds);
        for (int poll = 0; poll < kFastEepromPollLimit; ++poll) {
            if (!writeBitSet()) {
                break;
            }
        }
        Wait(kDischargeMs, TFastWait::Discharge);
        return;
    }
    for (std::uint32_t waited = 0; waited < kEepromWriteLimitMs; waited += kEepromPollMs) {
        Instruction18(kInstructionMovfEecon1W);
        Instruction18(kInstructionMovwfTablat);
        if (nopBeforeShift) {
            Instruction18(kInstructionNop);
        }
        D(kEepromPollMs);
        if ((ShiftOutTablat(pins_) & kEecon1Wr) == 0) {
            return;
        }
    }
}

void TProgrammer::ProgramChip18(bool data) {
    const TPicDevice& device = Device();
    const TDeviceImage& image = Image();
    const std::size_t count =
        data ? TrimmedCount(image.DataBuffer, device.EepromSize, kBlankDataByte)
             : TrimmedCount(image.ProgramBuffer, device.ProgramSize, kBlankProgramWord18);
    ui_.SetStatus(WritingStatus(data));
    On();
    if (data) {
        WriteData18(count);
    } else {
        WriteProgram18(count);
    }
    Off();
}

void TProgrammer::ProgramChip18A(bool data) {
    ProgramChip18(data);
}

void TProgrammer::Verify18(bool data) {
    const TPicDevice& device = Device();
    const TVerifiedMemory memory = VerifiedMemory(device, Image(), data);
    ui_.SetStatus(VerifyingStatus(data));
    if (memory.Size == 0) {
        return;
    }
    On();
    if (!data) {
        SetTablePointer(pins_, 0);
    }
    for (std::size_t i = 0; i < memory.Size; ++i) {
        std::uint16_t readBack = 0;
        if (data) {
            LoadEepromByte18(pins_, device, static_cast<std::uint16_t>(i));
            readBack = ShiftOutTablat(pins_);
        } else {
            readBack = TableReadWord(pins_);
        }
        if ((readBack & memory.Mask) != memory.Buffer[i]) {
            FailAfterLeaving(VerifyErrorText(data, static_cast<std::uint32_t>(i)));
            return;
        }
        ui_.Progress(i + 1, memory.Size);
    }
    Off();
}

void TProgrammer::Verify18A(bool data) {
    Verify18(data);
}

void TProgrammer::Read18() {
    const std::size_t count = Device().ProgramSize;
    auto& buffer = Image().ProgramBuffer;
    On();
    ui_.SetStatus(ReadingStatus(false));
    SetTablePointer(pins_, 0);
    for (std::size_t i = 0; i < count; ++i) {
        buffer[i] = TableReadWord(pins_);
        ui_.Progress(i + 1, count);
    }
    Off();
    ui_.SetStatus(kReadDoneStatus);
}

void TProgrammer::Read18A() {
    Read18();
}

void TProgrammer::ReadData18() {
    const TPicDevice& device = Device();
    auto& buffer = Image().DataBuffer;
    On();
    ui_.SetStatus(ReadingStatus(true));
    for (std::size_t i = 0; i < device.EepromSize; ++i) {
        LoadEepromByte18(pins_, device, static_cast<std::uint16_t>(i));
        buffer[i] = ShiftOutTablat(pins_) & kBlankDataByte;
        ui_.Progress(i + 1, device.EepromSize);
    }
    Off();
    ui_.SetStatus(kReadDoneStatus);
}

void TProgrammer::ReadData18A() {
    ReadData18();
}

// The IDs are always written and counted as 8 words. Each configuration word is sent twice,
// to its even and its odd byte address; the chip takes the byte that matches the address.
// The table pointer is set again only where the write order jumps.
void TProgrammer::ProgramConfig18() {
    const TDeviceImage& image = Image();
    ui_.SetStatus("Writing configuration memory...");
    On();
    SelectCodeMemory18();
    Instruction18(kInstructionBcfWren);
    SetTablePointer(pins_, kAddress18Id);
    for (std::size_t k = 0; k + 2 < kIdBytes18; k += 2) {
        SendCommand18(pins_, kCommand18TableWritePostIncrement2,
                      BytePair(image.IdBuffer[k], image.IdBuffer[k + 1]));
        WordsWritten += 2;
    }
    SendCommand18(pins_, kCommand18TableWriteStartProgramming,
                  BytePair(image.IdBuffer[kIdBytes18 - 2], image.IdBuffer[kIdBytes18 - 1]));
    ProgramNop(pins_, Timed(TWaitTime::Milliseconds(kProgramHoldMs), TFastWait::ProgramCycle),
               Timed(TWaitTime::Milliseconds(kDischargeMs), TFastWait::Discharge));
    WordsWritten += 2;
    Off();
    D(kPowerCycleMs);
    On();
    Instruction18(kInstructionBsfEepgd);
    Instruction18(kInstructionBsfCfgs);
    Instruction18(kInstructionGoto100000First);
    Instruction18(kInstructionGoto100000Second);
    std::uint32_t pointer = 0;
    for (const std::size_t n : kConfigurationWriteOrder) {
        const auto address = static_cast<std::uint32_t>(kAddress18Config + 2 * n);
        if (address != pointer) {
            SetTablePointer(pins_, address);
        }
        for (int half = 0; half < 2; ++half) {
            SendCommand18(pins_, kCommand18TableWriteStartProgramming, image.Config18[n]);
            ProgramNop(pins_,
                       Timed(TWaitTime::Milliseconds(kConfigurationHoldMs), TFastWait::ConfigCycle),
                       Timed(TWaitTime::Milliseconds(kDischargeMs), TFastWait::Discharge));
            Instruction18(kInstructionIncfTblptrl);
        }
        pointer = address + 2;
    }
    Off();
}

// Every ID byte and configuration word is checked, whatever failed before.
void TProgrammer::VerifyConfig18() {
    const TDeviceImage& image = Image();
    auto check = [&](bool differs, std::string_view what, std::size_t line) {
        if (differs) {
            ReportFailure(std::string(what) + std::to_string(line));
        }
    };
    ui_.SetStatus("Verifying Config Fuses...");
    On();
    SetTablePointer(pins_, kAddress18Id);
    for (std::size_t k = 0; k < kIdBytes18; k += 2) {
        const std::uint16_t word = TableReadWord(pins_);
        check((word & 0xFFu) != image.IdBuffer[k], "Config ID Verify Error, line ", k);
        check((word >> 8) != image.IdBuffer[k + 1], "Config ID Verify Error, line ", k + 1);
    }
    SetTablePointer(pins_, kAddress18Config);
    for (std::size_t line = 1; line <= kConfig18Words; ++line) {
        check(TableReadWord(pins_) != image.Config18[line - 1], "Config Fuse Verify Error, line ",
              line);
    }
    Off();
}

void TProgrammer::VerifyConfig18A() {
    VerifyConfig18();
}

void TProgrammer::ReadConfig18() {
    TDeviceImage& image = Image();
    On();
    ui_.SetStatus("Reading config data...");
    SetTablePointer(pins_, kAddress18Id);
    for (std::size_t k = 0; k < kIdBytes18; k += 2) {
        const std::uint16_t word = TableReadWord(pins_);
        image.IdBuffer[k] = word & 0xFFu;
        image.IdBuffer[k + 1] = (word >> 8) & 0xFFu;
    }
    SetTablePointer(pins_, kAddress18Config);
    for (std::uint16_t& word : image.Config18) {
        word = TableReadWord(pins_);
    }
    Off();
    ui_.SetStatus("Target PIC config data read into buffer");
}

// The erase starts on the fourth clock of the command after the first NOP and runs while the
// chip holds serial execution; programming mode must not be left before it ends, and the clock
// stays low for the discharge time after it.
void TProgrammer::EraseHoldNop18() {
    SendBits(pins_, kCommand18CoreInstruction, kCommand18Bits);
    Wait(kBulkEraseMs, TFastWait::Erase);
    Wait(kDischargeMs, TFastWait::Discharge);
    SendBits(pins_, kInstructionNop, kPayload18Bits);
}

void TProgrammer::EraseAll18() {
    On();
    if (Device().Algorithm == kAlgorithm18FNew) {
        SetTablePointer(pins_, kAddress18EraseKeyHigh);
        SendCommand18(pins_, kCommand18TableWrite, kChipEraseKeyHighNewer);
        SetTablePointer(pins_, kAddress18EraseControl);
        SendCommand18(pins_, kCommand18TableWrite, kChipEraseKeyLowNewer);
    } else {
        SetTablePointer(pins_, kAddress18EraseControl);
        SendCommand18(pins_, kCommand18TableWrite, kEraseKeyOlderParts);
    }
    Instruction18(kInstructionNop);
    EraseHoldNop18();
    Off();
}

}  // namespace vantrel
