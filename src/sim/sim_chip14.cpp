#include "sim/sim_chip14.h"

#include <algorithm>

#include "device/hex_text.h"

namespace vantrel {

namespace {

constexpr std::uint16_t kConfigSpace = 0x2000;
constexpr std::uint16_t kSpaceOffsetMask = 0x1FFF;
constexpr std::uint16_t kCounterMask12 = 0x0FFF;
constexpr std::uint16_t kConfigWordAddress12 = 0x0FFF;
constexpr std::uint16_t kReservedAddress1 = 0x2004;
constexpr std::uint16_t kReservedAddress2 = 0x2005;
constexpr std::uint16_t kDeviceIdAddress = 0x2006;
constexpr std::uint16_t kConfig1Address = 0x2007;
constexpr std::uint16_t kConfig2Address = 0x2008;
constexpr std::size_t kIdWords = 4;
constexpr int kCommandBits = 6;
constexpr int kFrameClocks = 16;
constexpr int kFirstDataClock = 2;  // the chip drives from the clock after the start bit
constexpr int kLastDataClock = 15;  // ... and lets go at the stop bit's clock
constexpr std::uint16_t kFrameWordMask = 0x3FFF;
constexpr std::uint8_t kByteMask = 0xFF;
constexpr std::uint32_t kNoiseSeed = 0x9E3779B9u;
constexpr std::uint32_t kNoiseSeedStep = 0x85EBCA6Bu;

constexpr std::uint8_t kLoadConfig = 0x00;
constexpr std::uint8_t kSetup1 = 0x01;
constexpr std::uint8_t kLoadProgram = 0x02;
constexpr std::uint8_t kLoadData = 0x03;
constexpr std::uint8_t kReadProgram = 0x04;
constexpr std::uint8_t kReadData = 0x05;
constexpr std::uint8_t kIncrement = 0x06;
constexpr std::uint8_t kSetup2 = 0x07;
constexpr std::uint8_t kBegin = 0x08;
constexpr std::uint8_t kBulkEraseProgram = 0x09;
constexpr std::uint8_t kBulkEraseData = 0x0B;
constexpr std::uint8_t kBeginProgramOnly = 0x18;
constexpr std::uint8_t kChipErase = 0x1F;
constexpr std::uint8_t kLowCommandBits = 0x0F;
constexpr std::uint8_t kBeginLowBits = 0x08;
constexpr std::uint8_t kProgramOnlyBit = 0x10;

bool IsLoad(std::uint8_t code) {
    return code == kLoadConfig || code == kLoadProgram || code == kLoadData;
}
bool IsRead(std::uint8_t code) {
    return code == kReadProgram || code == kReadData;
}

// EPROM cells need a few pulses; how many differs from word to word as it does on silicon, so
// only a host that reads back after every pulse programs them all.
std::uint64_t EpromTimeNeeded(std::uint16_t address) {
    return static_cast<std::uint64_t>(kEpromPulseMicroseconds) * (1 + address % 3);
}

}  // namespace

TSimChip14::TSimChip14(TSimChipState cells, TVirtualClock& clock, TSimViolationLog& log,
                       const TSimFaults& faults)
    : TSimChip(std::move(cells), clock, log, faults),
      profile_(Family14Profile(Family())),
      noise_(kNoiseSeed ^ (Cells().DeviceIndex * kNoiseSeedStep)) {
    ResetLatches();
}

// A xorshift generator: cheap, never zero, the same sequence on every run.
std::uint16_t TSimChip14::Noise() {
    noise_ ^= noise_ << 13;
    noise_ ^= noise_ >> 17;
    noise_ ^= noise_ << 5;
    return static_cast<std::uint16_t>(noise_ >> 8);
}

bool TSimChip14::NoiseBit() {
    return (Noise() & 1u) != 0;
}

// ---- addressing -------------------------------------------------------------------------

std::uint16_t TSimChip14::BlankWord() const {
    return Device().BlankWord;
}

bool TSimChip14::InConfigSpace(std::uint16_t address) const {
    return !profile_.TwelveBit && address >= kConfigSpace;
}

TSimChip14::TTarget TSimChip14::Resolve(std::uint16_t address) const {
    const TPicDevice& device = Device();
    const std::size_t size = device.ProgramSize;
    if (profile_.TwelveBit) {
        // Configuration word first (0xFFF), program memory from 0, the IDs right after it.
        if (address == kConfigWordAddress12) {
            return {TCell::Config, 0, 0};
        }
        if (address < size) {
            return {TCell::Program, address, 0};
        }
        if (address < size + kIdWords) {
            return {TCell::Id, address - size, 0};
        }
        return {};
    }
    if (address < kConfigSpace) {
        // Program memory is addressed by the low counter bits: higher addresses alias.
        return {TCell::Program, address & (size - 1), 0};
    }
    if (address < kConfigSpace + kIdWords) {
        return {TCell::Id, static_cast<std::size_t>(address - kConfigSpace), 0};
    }
    switch (address) {
        case kReservedAddress1:
            return {TCell::ReadOnly, 0, profile_.Reserved2004};
        case kReservedAddress2:
            return {TCell::ReadOnly, 0, profile_.Reserved2005};
        case kDeviceIdAddress: {
            const std::uint16_t id = SimDeviceIdWord(Cells());
            // Parts without a device ID read an unprogrammed word there (uncertain).
            return {TCell::ReadOnly, 0, id != 0 ? id : BlankWord()};
        }
        case kConfig1Address:
            return {TCell::Config, 0, 0};
        case kConfig2Address:
            if (device.Config2Mask != 0) {
                return {TCell::Config, 1, 0};
            }
            return {};
        default:
            return {};
    }
}

std::uint16_t TSimChip14::ReadCell(std::uint16_t address) const {
    const TTarget target = Resolve(address);
    const TSimChipState& cells = Cells();
    switch (target.Kind) {
        case TCell::Program:
            // A protected part reads its program memory as zeros (real parts scramble or zero
            // it; zeros are taken here). IDs and configuration stay readable.
            return IsCodeProtected(cells) ? 0 : cells.Program[target.Index];
        case TCell::Id:
            return cells.Ids[target.Index];
        case TCell::Config:
            return cells.Config[target.Index];
        case TCell::ReadOnly:
            return target.Value;
        case TCell::None:
            break;
    }
    // Unimplemented words read as unprogrammed (uncertain).
    return BlankWord();
}

std::uint8_t TSimChip14::ReadDataByte(std::uint16_t address) const {
    const TSimChipState& cells = Cells();
    if (cells.Data.empty() || IsDataProtected(cells)) {
        return 0;
    }
    // Data EEPROM is addressed by the low counter bits, whatever the HEX file calls it.
    return cells.Data[address & (cells.Data.size() - 1)];
}

// ---- serial interface -------------------------------------------------------------------

void TSimChip14::EnterProgramming() {
    pc_ = profile_.TwelveBit ? kConfigWordAddress12 : 0;
    phase_ = TPhase::Command;
    clocks_ = 0;
    shift_ = 0;
    ResetLatches();
    dataSelected_ = false;
    setupFirstHalf_ = false;
    setupArmed_ = false;
    chosenErase_ = TChosenErase::None;
}

void TSimChip14::LeaveProgramming() {
    if (cycle_.Running) {
        Report(TSimViolationKind::ExitDuringCycle,
               "programming mode left " + std::to_string(Now() - cycle_.Start) +
                   " us into a cycle; the cycle was cut off and its cells left as they were");
        cycle_.Running = false;
    }
    // An unfinished command or frame is lost with the programming voltage.
    phase_ = TPhase::Command;
    clocks_ = 0;
    shift_ = 0;
}

void TSimChip14::ClockRose(bool) {
    if (cycle_.Running && cycle_.External && !cycle_.HostWaitEnded) {
        cycle_.HostWaitEnded = Now();  // the host has started the command that ends the cycle
    }
    if (phase_ != TPhase::ReadFrame) {
        return;
    }
    const int clock = clocks_ + 1;
    if (clock < kFirstDataClock) {
        DriveData(startBit_);
    } else if (clock <= kLastDataClock) {
        DriveData(((readWord_ >> (clock - kFirstDataClock)) & 1) != 0);
    } else {
        DriveData(stopBit_);  // let go when the frame ends, on the falling edge
    }
}

void TSimChip14::ClockFell(bool line) {
    const std::uint32_t bit = line ? 1u : 0u;
    switch (phase_) {
        case TPhase::Command:
            shift_ |= bit << clocks_;
            if (++clocks_ == kCommandBits) {
                const auto raw = static_cast<std::uint8_t>(shift_);
                clocks_ = 0;
                shift_ = 0;
                OnCommand(raw);
            }
            return;
        case TPhase::LoadFrame:
            shift_ |= bit << clocks_;
            if (++clocks_ == kFrameClocks) {
                const auto word = static_cast<std::uint16_t>((shift_ >> 1) & kFrameWordMask);
                phase_ = TPhase::Command;
                clocks_ = 0;
                shift_ = 0;
                if (!discardFrame_) {
                    ApplyLoad(frameCommand_, word);
                }
            }
            return;
        case TPhase::ReadFrame:
            if (++clocks_ == kFrameClocks) {
                phase_ = TPhase::Command;
                clocks_ = 0;
                ReleaseData();
            }
            return;
    }
}

std::uint8_t TSimChip14::Decode(std::uint8_t raw) const {
    if (!profile_.UpperCommandBitsIgnored) {
        return raw;
    }
    // The early EEPROM parts ignore the two upper command bits; those that have a separate
    // program-only command still tell 0x08 from 0x18 by bit 4.
    const std::uint8_t low = raw & kLowCommandBits;
    if (low == kBeginLowBits && (raw & kProgramOnlyBit) != 0 &&
        profile_.Begin18.Mode != TWriteMode::Absent) {
        return kBeginProgramOnly;
    }
    return low;
}

bool TSimChip14::Supported(std::uint8_t code) const {
    const bool hasData = !Cells().Data.empty();
    switch (code) {
        case kLoadConfig:
            return !profile_.TwelveBit;
        case kLoadProgram:
        case kReadProgram:
        case kIncrement:
        case kBegin:
            return true;
        case kLoadData:
        case kReadData:
            return hasData;
        case kBeginProgramOnly:
            return profile_.Begin18.Mode != TWriteMode::Absent;
        case kBulkEraseProgram:
            return profile_.BulkErase != TBulkEraseStart::Absent;
        case kBulkEraseData:
            return profile_.BulkErase != TBulkEraseStart::Absent && hasData;
        case kChipErase:
            return profile_.ChipEraseMicroseconds != 0;
        case kSetup1:
        case kSetup2:
            return profile_.SetupPairEraseMicroseconds != 0;
        default:
            return profile_.EndCode != 0 && code == profile_.EndCode;
    }
}

std::string TSimChip14::CommandName(std::uint8_t code) const {
    std::string name;
    switch (code) {
        case kLoadConfig:
            name = "Load Configuration";
            break;
        case kLoadProgram:
            name = "Load Data for Program Memory";
            break;
        case kLoadData:
            name = "Load Data for Data Memory";
            break;
        case kReadProgram:
            name = "Read Data from Program Memory";
            break;
        case kReadData:
            name = "Read Data from Data Memory";
            break;
        case kIncrement:
            name = "Increment Address";
            break;
        case kBegin:
            name = "Begin Programming";
            break;
        case kBeginProgramOnly:
            name = "Begin Programming Only";
            break;
        case kBulkEraseProgram:
            name = "Bulk Erase Program Memory";
            break;
        case kBulkEraseData:
            name = "Bulk Erase Data Memory";
            break;
        case kChipErase:
            name = "Chip Erase";
            break;
        default:
            name = code == profile_.EndCode && code != 0 ? "End Programming" : "command";
            break;
    }
    return name + " (0x" + HexByteText(code) + ")";
}

void TSimChip14::OnCommand(std::uint8_t raw) {
    const std::uint8_t code = Decode(raw);
    if (!Supported(code)) {
        setupFirstHalf_ = false;
        Report(TSimViolationKind::UnknownCommand,
               "command 0x" + HexByteText(raw) + " is not one this part decodes; ignored");
        return;
    }
    if (cycle_.Running) {
        if (cycle_.External && code == profile_.EndCode) {
            EndExternalCycle();
            return;
        }
        // The part executes nothing while a cycle runs; a read still shifts out what the cells
        // hold, which is the old contents.
        Report(TSimViolationKind::BusyCommand,
               CommandName(code) + " " + std::to_string(Now() - cycle_.Start) + " us into a " +
                   (cycle_.External
                        ? "programming cycle that was not ended"
                        : "cycle that runs " + std::to_string(cycle_.Due - cycle_.Start) + " us") +
                   "; ignored");
        StartFrame(code, true);
        return;
    }
    Execute(code);
}

void TSimChip14::StartFrame(std::uint8_t code, bool discard) {
    if (IsLoad(code)) {
        phase_ = TPhase::LoadFrame;
        frameCommand_ = code;
        discardFrame_ = discard;
    } else if (IsRead(code)) {
        phase_ = TPhase::ReadFrame;
        const bool data = code == kReadData;
        const std::uint16_t width = data ? kByteMask : BlankWord();
        const std::uint16_t cell = data ? ReadDataByte(pc_) : ReadCell(pc_);
        readWord_ =
            static_cast<std::uint16_t>((cell & width) | (Noise() & kFrameWordMask & ~width));
        startBit_ = NoiseBit();
        stopBit_ = NoiseBit();
    }
}

void TSimChip14::Execute(std::uint8_t code) {
    if (code != kSetup1 && code != kSetup2) {
        setupFirstHalf_ = false;
    }
    switch (code) {
        case kLoadConfig:
        case kLoadProgram:
        case kLoadData:
        case kReadProgram:
        case kReadData:
            StartFrame(code, false);
            return;
        case kIncrement:
            Increment();
            return;
        case kSetup1:
            setupFirstHalf_ = true;
            return;
        case kSetup2:
            // 0x01 then 0x07 arms the erase that the next 0x08 performs; the same pair after
            // it disarms (modelled as a toggle).
            if (setupFirstHalf_) {
                setupArmed_ = !setupArmed_;
            }
            setupFirstHalf_ = false;
            return;
        case kBegin:
        case kBeginProgramOnly:
            Begin(code);
            return;
        case kBulkEraseProgram:
        case kBulkEraseData:
            BulkErase(code == kBulkEraseData);
            return;
        case kChipErase:
            StartErase(TAction::ChipErase, profile_.ChipEraseMicroseconds);
            return;
        default:
            return;  // an end command with no cycle running changes nothing
    }
}

void TSimChip14::ApplyLoad(std::uint8_t code, std::uint16_t word) {
    if (code == kLoadData) {
        dataLatch_ = static_cast<std::uint8_t>(word & kByteMask);
        dataLoaded_ = true;
        dataSelected_ = true;
        return;
    }
    if (code == kLoadConfig) {
        pc_ = kConfigSpace;
    }
    const std::size_t latch = pc_ & (profile_.Latches - 1u);
    if (profile_.Latches > 1 && !InConfigSpace(pc_) && (loaded_ & (1u << latch)) != 0) {
        // The latches hold one block; a host that loads more words than that before a cycle
        // writes the later ones over the earlier.
        Report(TSimViolationKind::Sequence,
               "latch " + std::to_string(latch) + " loaded again at 0x" + HexWordText(pc_) +
                   " before a programming cycle: the part has " + std::to_string(profile_.Latches) +
                   " latches, so the word loaded before is lost");
    }
    latches_[latch] = word;
    loaded_ = static_cast<std::uint8_t>(loaded_ | (1u << latch));
    lastLoadedLatch_ = latch;
    dataSelected_ = false;
}

void TSimChip14::Increment() {
    if (profile_.TwelveBit) {
        pc_ = (pc_ + 1) & kCounterMask12;
    } else if (pc_ >= kConfigSpace) {
        // Once in the configuration area only leaving programming mode returns to address 0.
        pc_ = static_cast<std::uint16_t>(kConfigSpace | ((pc_ + 1) & kSpaceOffsetMask));
    } else {
        pc_ = (pc_ + 1) & kSpaceOffsetMask;
    }
}

void TSimChip14::ResetLatches() {
    // A latch not loaded since the last cycle holds all ones, so programming it changes nothing.
    latches_.fill(kFrameWordMask);
    loaded_ = 0;
    dataLatch_ = kByteMask;
    dataLoaded_ = false;
}

// ---- cycles -----------------------------------------------------------------------------

void TSimChip14::Begin(std::uint8_t code) {
    if (code == kBegin && setupArmed_) {
        if (InConfigSpace(pc_) && pc_ != kConfig1Address) {
            Report(TSimViolationKind::Sequence,
                   "the code-protect disable erase (0x01, 0x07, 0x08) needs the counter at the "
                   "configuration word 0x2007, not 0x" +
                       HexWordText(pc_) + "; nothing is erased");
            return;
        }
        const TAction action = InConfigSpace(pc_) ? TAction::EraseEverything
                               : dataSelected_    ? TAction::EraseData
                                                  : TAction::EraseProgram;
        StartErase(action, profile_.SetupPairEraseMicroseconds);
        return;
    }
    if (code == kBegin && chosenErase_ != TChosenErase::None) {
        const TAction action =
            chosenErase_ == TChosenErase::Data ? TAction::EraseData : TAction::EraseProgram;
        chosenErase_ = TChosenErase::None;
        StartErase(action, profile_.BulkEraseMicroseconds);
        return;
    }
    const TBeginCommand& begin = code == kBeginProgramOnly ? profile_.Begin18
                                 : dataSelected_           ? profile_.Begin08Data
                                                           : profile_.Begin08Program;
    if (begin.Mode == TWriteMode::Absent) {
        Report(TSimViolationKind::UnknownCommand,
               CommandName(code) + " does not program this memory on this part; ignored");
        return;
    }
    cycle_ = TCycle{};
    cycle_.Running = true;
    cycle_.Action = dataSelected_ ? TAction::WriteData : TAction::WriteProgram;
    cycle_.Mode = begin.Mode;
    cycle_.External = begin.Timing == TCycleTiming::External;
    cycle_.Start = Now();
    cycle_.Due = Now() + begin.Microseconds;
    Require(begin.Microseconds);
    cycle_.Pc = pc_;
    cycle_.Latches = latches_;
    cycle_.Loaded = loaded_;
    if (profile_.Latches > 1 && InConfigSpace(pc_) && begin.Mode == TWriteMode::EraseThenProgram) {
        // The configuration area is erased and written a word at a time: the word at the
        // counter takes the last value loaded, so both "Load Configuration with the value,
        // increment to it, begin" and "load the value at its address, begin" write it, and the
        // ID words elsewhere in the block are left alone (inferred; the notes only give the
        // sequences).
        const std::size_t latch = pc_ & (profile_.Latches - 1u);
        cycle_.Latches[latch] = latches_[lastLoadedLatch_];
        cycle_.Loaded = loaded_ != 0 ? static_cast<std::uint8_t>(1u << latch) : 0;
    }
    cycle_.DataByte = dataLatch_;
    cycle_.DataLoaded = dataLoaded_;
    const bool programSpace = Resolve(pc_).Kind == TCell::Program;
    if (dataSelected_ ? IsDataProtected(Cells()) : programSpace && IsCodeProtected(Cells())) {
        cycle_.Refused = true;
        Report(TSimViolationKind::ProtectedWrite,
               std::string(dataSelected_ ? "data EEPROM" : "program memory") + " write at 0x" +
                   HexWordText(pc_) + " on a code-protected part; nothing is written");
    }
    // The EPROM data latch keeps its value from pulse to pulse; flash latches are used up.
    if (begin.Mode != TWriteMode::EpromPulse) {
        ResetLatches();
    }
}

void TSimChip14::BulkErase(bool data) {
    if (profile_.BulkErase == TBulkEraseStart::StartedByBegin) {
        chosenErase_ = data ? TChosenErase::Data : TChosenErase::Program;
        return;
    }
    StartErase(data ? TAction::EraseData : TAction::EraseProgram, profile_.BulkEraseMicroseconds);
}

void TSimChip14::StartErase(TAction action, std::uint32_t microseconds) {
    cycle_ = TCycle{};
    cycle_.Running = true;
    cycle_.Action = action;
    cycle_.Start = Now();
    cycle_.Due = Now() + microseconds;
    Require(microseconds);
    cycle_.Pc = pc_;
    const bool viaConfigSpace = InConfigSpace(pc_) && profile_.BulkEraseClearsProtection;
    const bool refused =
        (action == TAction::EraseProgram && IsCodeProtected(Cells()) && !viaConfigSpace) ||
        (action == TAction::EraseData && IsDataProtected(Cells()) && !viaConfigSpace);
    if (refused) {
        cycle_.Refused = true;
        Report(TSimViolationKind::ProtectedWrite,
               std::string(action == TAction::EraseData ? "data" : "program") +
                   " memory erase on a code-protected part; refused");
    }
}

// The cycle runs until the end command is decoded, but the makers give its time as the host's
// wait between the begin and the end command, so that wait is what is judged.
void TSimChip14::EndExternalCycle() {
    const std::uint64_t duration = Now() - cycle_.Start;
    const std::uint64_t hostWait = cycle_.HostWaitEnded.value_or(Now()) - cycle_.Start;
    cycle_.Running = false;
    if (cycle_.Mode == TWriteMode::EpromPulse) {
        FinishEpromPulse(duration, hostWait);
        return;
    }
    const std::uint64_t minimum = cycle_.Due - cycle_.Start;
    if (hostWait < minimum) {
        // Cut short, the cells do not take the new value.
        Report(TSimViolationKind::ShortPulse,
               "programming cycle ended after " + std::to_string(hostWait) +
                   " us; the part needs " + std::to_string(minimum) + " us; cells unchanged");
        return;
    }
    Commit();
}

void TSimChip14::FinishEpromPulse(std::uint64_t duration, std::uint64_t hostWait) {
    if (hostWait < kEpromPulseMicroseconds) {
        Report(TSimViolationKind::ShortPulse, "EPROM pulse of " + std::to_string(hostWait) +
                                                  " us; pulses are " +
                                                  std::to_string(kEpromPulseMicroseconds) + " us");
    }
    if (cycle_.Refused || (cycle_.Loaded & 1u) == 0) {
        return;
    }
    std::uint64_t& total = pulseTime_[cycle_.Pc];
    total += duration;
    if (total >= EpromTimeNeeded(cycle_.Pc)) {
        const std::uint16_t before = ReadCell(cycle_.Pc);
        WriteCell(cycle_.Pc, cycle_.Latches[0], TWriteMode::ProgramOnly);
        if (ReadCell(cycle_.Pc) != before) {
            changedByPulses_.insert(cycle_.Pc);
        }
    }
}

std::uint64_t TSimChip14::EpromTimeRequired(std::uint16_t address) const {
    if (Resolve(address).Kind == TCell::Config) {
        return std::uint64_t{kEpromConfigurationPulses} * kEpromPulseMicroseconds;
    }
    const std::uint32_t over =
        profile_.TwelveBit ? kEpromOverProgramming12 : kEpromOverProgramming14;
    return EpromTimeNeeded(address) * (1 + over);
}

std::vector<std::string> TSimChip14::UnderProgrammedCells() const {
    std::vector<std::string> cells;
    for (const std::uint16_t address : changedByPulses_) {
        const std::uint64_t total = pulseTime_.at(address);
        const std::uint64_t required = EpromTimeRequired(address);
        if (total < required) {
            cells.push_back("word at 0x" + HexWordText(address) + ": " + std::to_string(total) +
                            " us of programming pulses, " + std::to_string(required) +
                            " us with the over-programming");
        }
    }
    return cells;
}

void TSimChip14::Settle() {
    if (cycle_.Running && !cycle_.External && Now() >= cycle_.Due) {
        cycle_.Running = false;
        Commit();
    }
}

void TSimChip14::Commit() {
    if (cycle_.Refused) {
        return;
    }
    TSimChipState& cells = Cells();
    switch (cycle_.Action) {
        case TAction::WriteProgram: {
            const auto base = static_cast<std::uint16_t>(cycle_.Pc & ~(profile_.Latches - 1u));
            for (std::size_t i = 0; i < profile_.Latches; ++i) {
                if ((cycle_.Loaded & (1u << i)) != 0) {
                    WriteCell(static_cast<std::uint16_t>(base + i), cycle_.Latches[i], cycle_.Mode);
                }
            }
            return;
        }
        case TAction::WriteData: {
            if (!cycle_.DataLoaded || cells.Data.empty()) {
                return;
            }
            std::uint8_t& cell = cells.Data[cycle_.Pc & (cells.Data.size() - 1)];
            cell = cycle_.Mode == TWriteMode::EraseThenProgram
                       ? cycle_.DataByte
                       : static_cast<std::uint8_t>(cell & cycle_.DataByte);
            return;
        }
        default:
            CommitErase();
            return;
    }
}

void TSimChip14::CommitErase() {
    TSimChipState& cells = Cells();
    const TSimChipState erased = ErasedChip(cells.DeviceIndex);
    const bool configSpace = InConfigSpace(cycle_.Pc);
    const auto eraseConfigAndIds = [&] {
        cells.Config = erased.Config;
        cells.Ids = erased.Ids;
    };
    switch (cycle_.Action) {
        case TAction::EraseProgram:
            cells.Program = erased.Program;
            if (configSpace && profile_.BulkEraseTakesConfigInConfigSpace) {
                eraseConfigAndIds();
            }
            return;
        case TAction::EraseData:
            cells.Data = erased.Data;
            return;
        case TAction::ChipErase:
            cells.Program = erased.Program;
            cells.Data = erased.Data;
            cells.Config = erased.Config;
            if (configSpace) {
                cells.Ids = erased.Ids;
            }
            return;
        case TAction::EraseEverything:
            cells.Program = erased.Program;
            cells.Data = erased.Data;
            eraseConfigAndIds();
            return;
        default:
            return;
    }
}

void TSimChip14::WriteCell(std::uint16_t address, std::uint16_t value, TWriteMode mode) {
    TSimChipState& cells = Cells();
    const TTarget target = Resolve(address);
    std::uint16_t* cell = nullptr;
    std::uint16_t mask = 0;
    switch (target.Kind) {
        case TCell::Program:
            if (WordFails(static_cast<std::uint32_t>(target.Index))) {
                return;
            }
            cell = &cells.Program[target.Index];
            mask = BlankWord();
            break;
        case TCell::Id:
            cell = &cells.Ids[target.Index];
            mask = IdWordMask(Device());
            break;
        case TCell::Config:
            cell = &cells.Config[target.Index];
            mask = ConfigWordMask(Device(), target.Index);
            // A protected part lets its protection bits be programmed further, never undone:
            // only an erase clears them.
            if (IsCodeProtected(cells) || IsDataProtected(cells)) {
                mode = TWriteMode::ProgramOnly;
            }
            break;
        default:
            return;  // reserved words, the device ID and unimplemented addresses keep their value
    }
    const auto masked = static_cast<std::uint16_t>(value & mask);
    *cell =
        mode == TWriteMode::EraseThenProgram ? masked : static_cast<std::uint16_t>(*cell & masked);
}

}  // namespace vantrel
