// Memory passes of the 14-bit electrically erasable parts: the per-word EEPROM write, the block
// FLASH write, and the verify and read both kinds share.

#include <algorithm>
#include <string>

#include "hardware/serial_protocol.h"
#include "programming/memory_pass.h"
#include "programming/programmer.h"

namespace vantrel {

namespace {

// A FLASH block is loaded word by word with a 1 ms pause, then programmed in one 2 ms cycle.
constexpr std::uint32_t kFlashLoadPauseMs = 1;
constexpr std::uint32_t kFlashProgramMs = 2;

std::string WriteFailedText(const TMemoryPass& pass, std::size_t address) {
    const std::string name(pass.Name);
    return name + " Verify failed at " + name + " address " +
           MessageAddress(static_cast<std::uint32_t>(address)) + ", Programming Aborted!";
}

std::string VerifyErrorText(const TMemoryPass& pass, std::size_t address) {
    const std::string name(pass.Name);
    return name + " Verify Error at " + name + " address " +
           MessageAddress(static_cast<std::uint32_t>(address));
}

// A part whose last program word holds a factory calibration value keeps that value on the chip
// when the file sets none; there is nothing to compare it with then.
bool SkipsCalibrationWord(const TMemoryPass& pass, const TPicDevice& device, std::size_t address) {
    return !pass.Data && HasCalibrationWord(device) && address == device.CalibrationAddress &&
           pass.Buffer[address] == device.BlankWord;
}

}  // namespace

void TProgrammer::ProgramChip(bool data) {
    const TMemoryPass pass = MemoryPass(Image(), Device(), data);
    const std::size_t count = TrimmedCount(pass.Buffer, pass.Blank);
    ui_.SetStatus(WritingStatus(data));
    On();
    for (std::size_t address = 0; address < count; ++address) {
        Cmd(pass.LoadCommand);
        const std::uint16_t word = pass.Buffer[address];
        if ((word & pass.Blank) != pass.Blank) {
            L(word);
            Cmd(kCommandBeginProgramming);
            PD();
            ++WordsWritten;
        }
        // Read back every word, blank or not: the pass keeps its timing either way.
        Cmd(pass.ReadCommand);
        const auto read = static_cast<std::uint16_t>(R() & pass.Blank);
        if (session_.Options.AutoVerify && read != word) {
            FailAfterLeaving(WriteFailedText(pass, address));
            return;
        }
        Cmd(kCommandIncrementAddress);
        ui_.Progress(address + 1, count);
    }
    Off();
}

void TProgrammer::FLASHProgramChip(bool data) {
    const TMemoryPass pass = MemoryPass(Image(), Device(), data);
    const std::size_t count = TrimmedCount(pass.Buffer, pass.Blank);
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
            L(pass.Buffer[i++]);
            ++WordsWritten;
            for (std::size_t k = 1; k < block; ++k) {
                Cmd(kCommandIncrementAddress);
                Cmd(kCommandLoadDataProgram);
                L(Image().ProgramBuffer.at(i++));
                ++WordsWritten;
                D(kFlashLoadPauseMs);
            }
            Cmd(sevenX ? kCommandBeginProgramming : kCommandBeginProgrammingOnly);
            D(kFlashProgramMs);
            Cmd(sevenX ? kCommandEndProgramming : kCommandEndProgrammingFlash);
            Cmd(kCommandIncrementAddress);
            ui_.Progress(std::min(i, count), count);
        }
    } else {
        for (std::size_t i = 0; i < count; ++i) {
            Cmd(kCommandLoadDataData);
            L(pass.Buffer[i]);
            ++WordsWritten;
            Cmd(kCommandBeginProgrammingOnly);
            D(kFlashProgramMs);
            Cmd(kCommandEndProgrammingFlash);
            Cmd(kCommandIncrementAddress);
            ui_.Progress(i + 1, count);
        }
    }
    Off();
}

void TProgrammer::Verify(bool data) {
    const TMemoryPass pass = MemoryPass(Image(), Device(), data);
    ui_.SetStatus(VerifyingStatus(data));
    if (pass.Buffer.empty()) {
        return;
    }
    On();
    for (std::size_t address = 0; address < pass.Buffer.size(); ++address) {
        Cmd(pass.ReadCommand);
        const auto read = static_cast<std::uint16_t>(R() & pass.Blank);
        if (read != pass.Buffer[address] && !SkipsCalibrationWord(pass, Device(), address)) {
            FailAfterLeaving(VerifyErrorText(pass, address));
            return;
        }
        Cmd(kCommandIncrementAddress);
        ui_.Progress(address + 1, pass.Buffer.size());
    }
    Off();
}

void TProgrammer::Read(bool data) {
    const TMemoryPass pass = MemoryPass(Image(), Device(), data);
    const auto mask = static_cast<std::uint16_t>(data ? kBlankDataByte : kDataFrameMask);
    On();
    ui_.SetStatus(ReadingStatus(data));
    for (std::size_t address = 0; address < pass.Buffer.size(); ++address) {
        Cmd(pass.ReadCommand);
        pass.Buffer[address] = static_cast<std::uint16_t>(R() & mask);
        Cmd(kCommandIncrementAddress);
        ui_.Progress(address + 1, pass.Buffer.size());
    }
    Off();
    ui_.SetStatus(kStatusReadIntoBuffer);
}

// The FLASH parts read exactly as the EEPROM parts do.
void TProgrammer::FLASHRead(bool data) {
    Read(data);
}

}  // namespace vantrel
