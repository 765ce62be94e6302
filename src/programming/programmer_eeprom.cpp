// Memory passes of the 14-bit electrically erasable parts: the per-word EEPROM write, the block
// FLASH write, and the verify and read both kinds share.

#include <algorithm>
#include <span>

#include "hardware/serial_protocol.h"
#include "programming/memory_pass.h"
#include "programming/programmer.h"

namespace vantrel {

namespace {

// A FLASH block is loaded word by word with a 1 ms pause, then programmed in one 2 ms cycle.
constexpr std::uint32_t kFlashLoadPauseMs = 1;
constexpr std::uint32_t kFlashProgramMs = 2;

std::uint8_t LoadCommand(bool data) {
    return data ? kCommandLoadDataData : kCommandLoadDataProgram;
}

std::uint8_t ReadCommand(bool data) {
    return data ? kCommandReadDataData : kCommandReadDataProgram;
}

}  // namespace

void TProgrammer::ProgramChip(bool data) {
    const TVerifiedMemory memory = VerifiedMemory(Device(), Image(), data);
    const std::uint16_t blank = memory.Mask;
    const std::size_t count = TrimmedCount(memory.Buffer, memory.Size, blank);
    ui_.SetStatus(WritingStatus(data));
    On();
    for (std::size_t address = 0; address < count; ++address) {
        const std::uint16_t word = memory.Buffer[address];
        // A blank word is not loaded at all: a load command without its data frame would take
        // the read that follows as its data, so the chip's word would never be read back.
        if ((word & blank) != blank) {
            Cmd(LoadCommand(data));
            L(word);
            Cmd(kCommandBeginProgramming);
            WaitProgDelay(data ? TFastWait::DataCycle : TFastWait::ProgramCycle);
            ++WordsWritten;
        }
        // Every word is read back, blank or not: an erase that left a word behind shows here.
        Cmd(ReadCommand(data));
        const auto readBack = static_cast<std::uint16_t>(R() & blank);
        if (session_.Options.AutoVerify && readBack != word) {
            FailAfterLeaving(VerifyAbortText(data, static_cast<std::uint32_t>(address)));
            return;
        }
        Cmd(kCommandIncrementAddress);
        ui_.Progress(address + 1, count);
    }
    Off();
}

void TProgrammer::FLASHProgramChip(bool data) {
    const TVerifiedMemory memory = VerifiedMemory(Device(), Image(), data);
    const std::size_t count = TrimmedCount(memory.Buffer, memory.Size, memory.Mask);
    ui_.SetStatus(WritingStatus(data));
    On();
    if (!data) {
        // Blocks start at address 0 and are always completed, with the blank words that follow
        // the trimmed end; the chip programs a whole block at once.
        const bool sevenX = Device().Algorithm == kAlgorithmBlock7x;
        const auto block = static_cast<std::size_t>(Device().WriteBlock);
        std::size_t i = 0;
        while (i < count) {
            Cmd(kCommandLoadDataProgram);
            L(memory.Buffer[i++]);
            ++WordsWritten;
            for (std::size_t k = 1; k < block; ++k) {
                Cmd(kCommandIncrementAddress);
                Cmd(kCommandLoadDataProgram);
                L(memory.Buffer[i++]);
                ++WordsWritten;
                if (!Fast()) {
                    D(kFlashLoadPauseMs);  // the chips need no pause between loads
                }
            }
            Cmd(sevenX ? kCommandBeginProgramming : kCommandBeginProgrammingOnly);
            Wait(kFlashProgramMs, TFastWait::ProgramCycle);
            Cmd(sevenX ? kCommandEndProgramming : kCommandEndProgrammingFlash);
            Cmd(kCommandIncrementAddress);
            ui_.Progress(std::min(i, count), count);
        }
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            Cmd(kCommandLoadDataData);
            L(memory.Buffer[i]);
            ++WordsWritten;
            Cmd(kCommandBeginProgrammingOnly);
            Wait(kFlashProgramMs, TFastWait::DataCycle);
            Cmd(kCommandEndProgrammingFlash);
            Cmd(kCommandIncrementAddress);
            ui_.Progress(i + 1, count);
        }
    }
    Off();
}

void TProgrammer::Verify(bool data) {
    VerifyPass(data, 0);
}

void TProgrammer::VerifyPass(bool data, std::size_t wordsBeforeStart) {
    const TPicDevice& device = Device();
    const TDeviceImage& image = Image();
    const TVerifiedMemory memory = VerifiedMemory(device, image, data);
    ui_.SetStatus(VerifyingStatus(data));
    if (memory.Size == 0) {
        return;
    }
    On();
    SkipWords(wordsBeforeStart);
    for (std::size_t address = 0; address < memory.Size; ++address) {
        Cmd(ReadCommand(data));
        const auto readBack = static_cast<std::uint16_t>(R() & memory.Mask);
        if (readBack != memory.Buffer[address] &&
            !CalibrationWordUnset(device, image, data, address)) {
            FailAfterLeaving(VerifyErrorText(data, static_cast<std::uint32_t>(address)));
            return;
        }
        Cmd(kCommandIncrementAddress);
        ui_.Progress(address + 1, memory.Size);
    }
    Off();
}

void TProgrammer::Read(bool data) {
    TDeviceImage& image = Image();
    const std::span<std::uint16_t> buffer =
        data ? std::span<std::uint16_t>(image.DataBuffer) : image.ProgramBuffer;
    const std::size_t size = VerifiedMemory(Device(), image, data).Size;
    const auto mask = static_cast<std::uint16_t>(data ? kBlankDataByte : kDataFrameMask);
    On();
    ui_.SetStatus(ReadingStatus(data));
    for (std::size_t address = 0; address < size; ++address) {
        Cmd(ReadCommand(data));
        buffer[address] = static_cast<std::uint16_t>(R() & mask);
        Cmd(kCommandIncrementAddress);
        ui_.Progress(address + 1, size);
    }
    Off();
    ui_.SetStatus(kReadDoneStatus);
}

// The FLASH parts read exactly as the EEPROM parts do.
void TProgrammer::FLASHRead(bool data) {
    Read(data);
}

}  // namespace vantrel
