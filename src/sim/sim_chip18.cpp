#include "sim/sim_chip18.h"

#include <algorithm>

#include "device/hex_text.h"

namespace vantrel {

namespace {

constexpr int kCommandClocks = 4;
constexpr int kFrameClocks = 20;
constexpr int kFirstOutputClock = 13;  // the byte comes out on the last eight clocks

constexpr std::uint8_t kCoreInstruction = 0b0000;
constexpr std::uint8_t kShiftOutTablat = 0b0010;
constexpr std::uint8_t kTableRead = 0b1000;
constexpr std::uint8_t kTableReadPostIncrement = 0b1001;
constexpr std::uint8_t kTableReadPostDecrement = 0b1010;
constexpr std::uint8_t kTableReadPreIncrement = 0b1011;
constexpr std::uint8_t kTableWrite = 0b1100;
constexpr std::uint8_t kTableWritePostIncrement2 = 0b1101;
constexpr std::uint8_t kTableWrite1110 = 0b1110;
constexpr std::uint8_t kTableWriteStartProgramming = 0b1111;

constexpr std::uint32_t kTablePointerMask = 0x3FFFFF;
constexpr std::uint32_t kIdBase = 0x200000;
constexpr std::uint32_t kIdBytes = 8;
constexpr std::uint32_t kConfigBase = 0x300000;
constexpr std::uint32_t kEraseKeyLowAddress = 0x3C0004;
constexpr std::uint32_t kEraseKeyHighAddress = 0x3C0005;
constexpr std::uint32_t kPanelControlAddress = 0x3C0006;
constexpr std::uint32_t kDeviceId1Address = 0x3FFFFE;
constexpr std::uint32_t kDeviceId2Address = 0x3FFFFF;
constexpr std::uint32_t kPanelBytes = 0x2000;
constexpr std::size_t kPanelBufferBytes = 8;
constexpr std::uint32_t kBootBlockBytes = 0x800;  // recalled for the 2550/4680 parts
constexpr std::uint32_t kCodeBlocksNew = 4;
constexpr std::uint8_t kMultiPanelBit = 0x40;

// Low bytes of the special function registers in the access bank.
constexpr std::uint8_t kTblptru = 0xF8;
constexpr std::uint8_t kTblptrh = 0xF7;
constexpr std::uint8_t kTblptrl = 0xF6;
constexpr std::uint8_t kTablat = 0xF5;
constexpr std::uint8_t kEeadrh = 0xAA;
constexpr std::uint8_t kEeadr = 0xA9;
constexpr std::uint8_t kEedata = 0xA8;
constexpr std::uint8_t kEecon2 = 0xA7;
constexpr std::uint8_t kEecon1 = 0xA6;

// EECON1 bits.
constexpr int kRd = 0;
constexpr int kWr = 1;
constexpr std::uint8_t kWrenMask = 0x04;
constexpr std::uint8_t kCfgsMask = 0x40;
constexpr std::uint8_t kEepgdMask = 0x80;

constexpr std::uint8_t kUnlock1 = 0x55;
constexpr std::uint8_t kUnlock2 = 0xAA;
constexpr int kUnlocked = 2;

// Key bits of 3C0004 on the keyed-erase parts; 3C0005 selects code blocks 0..5.
constexpr std::uint8_t kEraseEnable = 0x80;
constexpr std::uint8_t kEraseBoot = 0x01;
constexpr std::uint8_t kEraseConfig = 0x02;
constexpr std::uint8_t kEraseEeprom = 0x04;
constexpr std::uint8_t kEraseIds = 0x08;  // inferred: the chip-erase key 0x8F sets it too
constexpr std::uint8_t kEraseNonCode = kEraseBoot | kEraseConfig | kEraseEeprom;
constexpr std::uint8_t kChipEraseKeyOld = 0x80;
constexpr int kCodeBlockKeys = 6;

// Opcode patterns of the core instructions programmers send.
constexpr std::uint8_t kMovlw = 0x0E;
constexpr std::uint8_t kMovwf = 0x6E;
constexpr std::uint8_t kClrf = 0x6A;
constexpr std::uint8_t kMovfW = 0x50;
constexpr std::uint8_t kIncfF = 0x2A;
constexpr std::uint8_t kGoto = 0xEF;
constexpr std::uint8_t kBitOpcodeMask = 0xF1;  // BSF/BCF with the access bank
constexpr std::uint8_t kBsf = 0x80;
constexpr std::uint8_t kBcf = 0x90;
constexpr std::uint8_t kSecondWord = 0xF0;

std::uint8_t ByteByParity(std::uint32_t address, std::uint16_t operand) {
    // Single-byte targets take the operand's low byte at even and its high byte at odd
    // addresses, which is why hosts send the byte twice.
    return static_cast<std::uint8_t>((address & 1) != 0 ? operand >> 8 : operand);
}

}  // namespace

TSimChip18::TSimChip18(TSimChipState cells, TVirtualClock& clock, TSimViolationLog& log,
                       const TSimFaults& faults)
    : TSimChip(std::move(cells), clock, log, faults),
      profile_(Family18Profile(Family())),
      bufferBytes_(SimDeviceFacts(Cells().DeviceIndex).WriteBufferBytes) {
    ResetBuffers();
}

std::uint32_t TSimChip18::CodeBytes() const {
    return static_cast<std::uint32_t>(ProgramBytes18(Device()));
}

std::uint16_t TSimChip18::EepromAddress() const {
    const std::size_t size = Cells().Data.size();
    return static_cast<std::uint16_t>(((eeadrh_ << 8) | eeadr_) & (size - 1));
}

bool TSimChip18::Busy() const {
    return eraseRunning_ || eepromWriting_ || pulseRunning_;
}

// ---- programming mode -------------------------------------------------------------------

void TSimChip18::EnterProgramming() {
    clocks_ = 0;
    command_ = 0;
    operand_ = 0;
    shiftingOut_ = false;
    keyWrittenThisFrame_ = false;
    tblptr_ = 0;
    tablat_ = 0;
    wreg_ = 0;
    eecon1_ = 0;
    eeadr_ = 0;
    eeadrh_ = 0;
    eedata_ = 0;
    unlockStage_ = 0;
    eraseKeyLow_ = 0;
    eraseKeyHigh_ = 0;
    multiPanel_ = false;
    ResetBuffers();
    programPending_ = false;
    configPending_ = false;
    misdirected_ = false;
    pulseRunning_ = false;
    dischargeCheck_ = false;
    eraseState_ = TEraseState::None;
    eraseHold_ = false;
}

void TSimChip18::LeaveProgramming() {
    if (pulseRunning_ || eraseRunning_ || eepromWriting_) {
        Report(TSimViolationKind::ExitDuringCycle, std::string("programming mode left during ") +
                                                       (pulseRunning_   ? "a programming pulse"
                                                        : eraseRunning_ ? "a bulk erase"
                                                                        : "a data EEPROM write") +
                                                       "; cut off, cells left as they were");
    }
    pulseRunning_ = false;
    eraseRunning_ = false;
    eepromWriting_ = false;
    programPending_ = false;
    clocks_ = 0;
    command_ = 0;
    operand_ = 0;
    shiftingOut_ = false;
}

void TSimChip18::Settle() {
    if (eraseRunning_ && Now() >= eraseDue_) {
        eraseRunning_ = false;
        CommitErase();
        dischargeCheck_ = true;
        dischargeFrom_ = eraseDue_;
    }
    if (eepromWriting_ && Now() >= eepromDue_) {
        eepromWriting_ = false;
        Cells().Data[eepromAddress_] = eepromValue_;  // erase-before-write is automatic
    }
}

// ---- frames -----------------------------------------------------------------------------

void TSimChip18::DataLineChanged(bool line) {
    if (eraseHold_ && line && !eraseDataReported_) {
        eraseDataReported_ = true;
        Report(TSimViolationKind::Sequence,
               "PGD rose during the bulk erase; the part needs it held low for P11 + P10");
    }
}

void TSimChip18::ClockRose(bool) {
    if (eraseRunning_) {
        return;  // serial execution is frozen until the erase ends; the clock may toggle
    }
    eraseHold_ = false;
    if (dischargeCheck_) {
        dischargeCheck_ = false;
        const std::uint64_t low = Now() - dischargeFrom_;
        if (low < profile_.DischargeMicroseconds) {
            Report(TSimViolationKind::Timing,
                   "PGC rose " + std::to_string(low) +
                       " us after a programming pulse or erase; the part needs " +
                       std::to_string(profile_.DischargeMicroseconds) +
                       " us with PGC low to discharge");
        }
    }
    const int clock = clocks_ + 1;
    if (clock == 1) {
        ReleaseData();  // a byte shifted out is held until the next frame starts
    }
    if (clock == kCommandClocks && programPending_) {
        StartPulse();
    }
    if (shiftingOut_ && clock >= kFirstOutputClock) {
        DriveData(((outByte_ >> (clock - kFirstOutputClock)) & 1) != 0);
    }
}

void TSimChip18::ClockFell(bool line) {
    if (eraseRunning_) {
        // The clock may toggle, but the bits it clocks are lost, and with them the frame.
        if (!eraseClockReported_) {
            eraseClockReported_ = true;
            Report(TSimViolationKind::BusyCommand,
                   "clocked during the bulk erase; serial execution is frozen for P11, so the "
                   "bits are lost");
        }
        return;
    }
    if (pulseRunning_) {
        FinishPulse();
    }
    const std::uint32_t bit = line ? 1u : 0u;
    if (clocks_ < kCommandClocks) {
        command_ = static_cast<std::uint8_t>(command_ | (bit << clocks_));
    } else {
        operand_ = static_cast<std::uint16_t>(operand_ | (bit << (clocks_ - kCommandClocks)));
    }
    ++clocks_;
    if (clocks_ == kCommandClocks) {
        DecodeCommand();
    } else if (clocks_ == kFrameClocks) {
        ExecuteFrame();
        EndFrame();
    }
}

void TSimChip18::DecodeCommand() {
    switch (command_) {
        case kShiftOutTablat:
            shiftingOut_ = true;
            outByte_ = tablat_;
            break;
        case kTableRead:
        case kTableReadPostIncrement:
        case kTableReadPostDecrement:
        case kTableReadPreIncrement:
            TableRead();
            shiftingOut_ = true;
            outByte_ = tablat_;
            break;
        case kCoreInstruction:
        case kTableWrite:
        case kTableWritePostIncrement2:
        case kTableWrite1110:
        case kTableWriteStartProgramming:
            break;
        default:
            Report(TSimViolationKind::UnknownCommand,
                   "4-bit command 0x" + HexText(command_, 1) +
                       " is reserved; its 16 operand clocks do nothing");
            break;
    }
    if (eraseState_ == TEraseState::Armed) {
        // The erase starts on the fourth clock of the command after the NOP and freezes the
        // interface for P11.
        eraseState_ = TEraseState::None;
        eraseRunning_ = true;
        eraseDue_ = Now() + profile_.BulkEraseMicroseconds;
        eraseHold_ = true;
        eraseDataReported_ = false;
        eraseClockReported_ = false;
        Require(profile_.BulkEraseMicroseconds + profile_.DischargeMicroseconds);
    }
}

void TSimChip18::ExecuteFrame() {
    switch (command_) {
        case kCoreInstruction:
            ExecuteCore(operand_);
            return;
        case kTableWrite:
            TableWrite(false);
            return;
        case kTableWritePostIncrement2:
            TableWrite(false);
            tblptr_ = (tblptr_ + 2) & kTablePointerMask;
            return;
        case kTableWrite1110:
            // The makers' documents disagree by generation: the later parts start
            // programming and step +2, the older list the code as a post-decrement (uncertain).
            TableWrite(profile_.Opcode1110StartsProgramming);
            tblptr_ = (profile_.Opcode1110StartsProgramming ? tblptr_ + 2 : tblptr_ - 2) &
                      kTablePointerMask;
            return;
        case kTableWriteStartProgramming:
            TableWrite(true);
            return;
        default:
            return;
    }
}

void TSimChip18::EndFrame() {
    clocks_ = 0;
    command_ = 0;
    operand_ = 0;
    shiftingOut_ = false;
    if (eraseState_ == TEraseState::KeyWritten && !keyWrittenThisFrame_) {
        eraseState_ = TEraseState::Armed;
    }
    keyWrittenThisFrame_ = false;
}

// ---- core instructions ------------------------------------------------------------------

std::string TSimChip18::InstructionText(std::uint16_t instruction) const {
    return "core instruction 0x" + HexWordText(instruction);
}

void TSimChip18::ExecuteCore(std::uint16_t instruction) {
    const auto opcode = static_cast<std::uint8_t>(instruction >> 8);
    const auto file = static_cast<std::uint8_t>(instruction);
    bool keepsUnlock = false;  // the EECON2 sequence only survives MOVLW, MOVWF EECON2 and NOP
    if (instruction == 0) {
        keepsUnlock = true;
    } else if (opcode == kMovlw) {
        wreg_ = file;
        keepsUnlock = true;
    } else if (opcode == kMovwf) {
        keepsUnlock = file == kEecon2;
        WriteRegister(file, wreg_);
    } else if (opcode == kClrf) {
        WriteRegister(file, 0);
    } else if (opcode == kMovfW) {
        wreg_ = ReadRegister(file);
    } else if ((opcode & kBitOpcodeMask) == kBsf || (opcode & kBitOpcodeMask) == kBcf) {
        const bool set = (opcode & kBitOpcodeMask) == kBsf;
        const int bit = (opcode >> 1) & 7;
        if (file == kEecon1) {
            SetEecon1Bit(bit, set);
        } else {
            const auto mask = static_cast<std::uint8_t>(1u << bit);
            const std::uint8_t value = ReadRegister(file);
            WriteRegister(file, static_cast<std::uint8_t>(set ? value | mask : value & ~mask));
        }
    } else if (opcode == kIncfF) {
        // INCF TBLPTRL steps the low byte only, as the instruction does.
        WriteRegister(file, static_cast<std::uint8_t>(ReadRegister(file) + 1));
    } else if (opcode == kGoto || (opcode & kSecondWord) == kSecondWord) {
        // GOTO 0x100000 (EF00, F800) is sent before configuration writes on the older parts;
        // the program counter plays no part in serial programming, so it changes nothing.
    } else {
        Report(TSimViolationKind::UnknownCommand,
               InstructionText(instruction) + " is outside the subset programmers use; ignored");
    }
    if (!keepsUnlock) {
        unlockStage_ = 0;
    }
}

void TSimChip18::WriteRegister(std::uint8_t file, std::uint8_t value) {
    switch (file) {
        case kTblptru:
            tblptr_ = (tblptr_ & 0x00FFFF) | ((value & 0x3Fu) << 16);
            return;
        case kTblptrh:
            tblptr_ = (tblptr_ & 0x3F00FF) | (static_cast<std::uint32_t>(value) << 8);
            return;
        case kTblptrl:
            tblptr_ = (tblptr_ & 0x3FFF00) | value;
            return;
        case kTablat:
            tablat_ = value;
            return;
        case kEecon1:
            for (int bit = 0; bit < 8; ++bit) {
                const bool set = ((value >> bit) & 1) != 0;
                if ((bit != kRd && bit != kWr) || set) {
                    SetEecon1Bit(bit, set);  // RD and WR can be set by a write, never cleared
                }
            }
            return;
        case kEecon2:
            unlockStage_ = value == kUnlock1                        ? 1
                           : value == kUnlock2 && unlockStage_ == 1 ? kUnlocked
                                                                    : 0;
            return;
        case kEedata:
            eedata_ = value;
            return;
        case kEeadr:
            eeadr_ = value;
            return;
        case kEeadrh:
            eeadrh_ = value;
            return;
        default:
            return;  // registers the programming sequences do not use are not modelled
    }
}

std::uint8_t TSimChip18::ReadRegister(std::uint8_t file) const {
    switch (file) {
        case kTblptru:
            return static_cast<std::uint8_t>(tblptr_ >> 16);
        case kTblptrh:
            return static_cast<std::uint8_t>(tblptr_ >> 8);
        case kTblptrl:
            return static_cast<std::uint8_t>(tblptr_);
        case kTablat:
            return tablat_;
        case kEecon1:
            return static_cast<std::uint8_t>(eecon1_ | (eepromWriting_ ? 1u << kWr : 0u));
        case kEedata:
            return eedata_;
        case kEeadr:
            return eeadr_;
        case kEeadrh:
            return eeadrh_;
        default:
            return 0;
    }
}

void TSimChip18::SetEecon1Bit(int bit, bool set) {
    const bool eepromSelected = (eecon1_ & (kEepgdMask | kCfgsMask)) == 0;
    if (bit == kRd) {
        if (!set || !eepromSelected) {
            return;  // program memory reads go through the table pointer instead
        }
        if (eepromWriting_) {
            Report(TSimViolationKind::BusyCommand,
                   "data EEPROM read while a write is running; the old byte is read");
        }
        eedata_ = IsDataProtected(Cells()) ? 0 : Cells().Data[EepromAddress()];
        return;  // RD clears itself at once
    }
    if (bit == kWr) {
        if (set) {
            StartEepromWrite();
        }
        return;  // WR clears itself when the write ends
    }
    const auto mask = static_cast<std::uint8_t>(1u << bit);
    eecon1_ = static_cast<std::uint8_t>(set ? eecon1_ | mask : eecon1_ & ~mask);
}

void TSimChip18::StartEepromWrite() {
    if ((eecon1_ & (kEepgdMask | kCfgsMask)) != 0) {
        Report(TSimViolationKind::UnknownCommand,
               "WR with EEPGD or CFGS set starts a self-write of program or configuration "
               "memory, which programmers do through table writes; ignored");
        return;
    }
    // Like the real part, WR does nothing without WREN, or without the EECON2 unlock on the
    // parts that need it.
    if ((eecon1_ & kWrenMask) == 0 || (profile_.EepromNeedsUnlock && unlockStage_ != kUnlocked)) {
        return;
    }
    if (eepromWriting_) {
        Report(TSimViolationKind::BusyCommand,
               "WR set while a data EEPROM write is running; ignored");
        return;
    }
    if (IsDataProtected(Cells())) {
        Report(TSimViolationKind::ProtectedWrite,
               "data EEPROM write on a data-protected part; nothing is written");
        return;
    }
    eepromWriting_ = true;
    eepromDue_ = Now() + profile_.EepromWriteMicroseconds;
    Require(profile_.EepromWriteMicroseconds);
    eepromAddress_ = EepromAddress();
    eepromValue_ = eedata_;
}

// ---- table reads and writes -------------------------------------------------------------

std::uint8_t TSimChip18::ReadMemory(std::uint32_t address) const {
    const TSimChipState& cells = Cells();
    if (address < CodeBytes()) {
        return IsCodeProtected(cells) ? 0 : ProgramByte18(cells, address);
    }
    if (address >= kIdBase && address < kIdBase + kIdBytes) {
        return static_cast<std::uint8_t>(cells.Ids[address - kIdBase]);
    }
    if (address >= kConfigBase && address < kConfigBase + kConfig18Bytes) {
        return static_cast<std::uint8_t>(cells.Config[address - kConfigBase]);
    }
    const std::uint16_t id = SimDeviceIdWord(cells);
    if (address == kDeviceId1Address) {
        return static_cast<std::uint8_t>(id);
    }
    if (address == kDeviceId2Address) {
        return static_cast<std::uint8_t>(id >> 8);
    }
    return 0;  // unimplemented memory reads 0
}

void TSimChip18::TableRead() {
    switch (command_) {
        case kTableRead:
            tablat_ = ReadMemory(tblptr_);
            return;
        case kTableReadPostIncrement:
            tablat_ = ReadMemory(tblptr_);
            tblptr_ = (tblptr_ + 1) & kTablePointerMask;
            return;
        case kTableReadPostDecrement:
            tablat_ = ReadMemory(tblptr_);
            tblptr_ = (tblptr_ - 1) & kTablePointerMask;
            return;
        default:
            tblptr_ = (tblptr_ + 1) & kTablePointerMask;
            tablat_ = ReadMemory(tblptr_);
            return;
    }
}

bool TSimChip18::SelectionFits(std::uint32_t address) {
    const bool config = address >= kConfigBase && address < kConfigBase + kConfig18Bytes;
    const std::uint8_t wanted = config ? kEepgdMask | kCfgsMask : kEepgdMask;
    const std::uint8_t selection = eecon1_ & (kEepgdMask | kCfgsMask);
    if (selection == wanted) {
        return true;
    }
    Report(
        TSimViolationKind::Sequence,
        "table write to 0x" + HexText(address, 6) +
            " with EECON1 EEPGD=" + std::to_string((selection & kEepgdMask) != 0) +
            " CFGS=" + std::to_string((selection & kCfgsMask) != 0) + "; " +
            (config ? "configuration bytes need both set" : "flash needs EEPGD set, CFGS clear") +
            "; nothing is programmed");
    return false;
}

void TSimChip18::TableWrite(bool startProgramming) {
    const std::uint32_t address = tblptr_;
    if (address >= kEraseKeyLowAddress && address <= kPanelControlAddress) {
        WriteKeyRegister(address, ByteByParity(address, operand_));
        return;
    }
    const bool implemented = address < CodeBytes() ||
                             (address >= kIdBase && address < kIdBase + kIdBytes) ||
                             (address >= kConfigBase && address < kConfigBase + kConfig18Bytes);
    if (implemented && !SelectionFits(address)) {
        // The programming still starts and takes its time; it goes elsewhere.
        if (startProgramming) {
            programPending_ = true;
            configPending_ = false;
            misdirected_ = true;
        }
        return;
    }
    if (address >= kConfigBase && address < kConfigBase + kConfig18Bytes) {
        // Configuration bytes are written one at a time, by start programming only.
        if (startProgramming) {
            programPending_ = true;
            configPending_ = true;
            misdirected_ = false;
            configIndex_ = address - kConfigBase;
            configValue_ = ByteByParity(address, operand_);
        }
        return;
    }
    if (address >= CodeBytes() && (address < kIdBase || address >= kIdBase + kIdBytes)) {
        return;  // nothing is implemented there
    }
    BufferWord(address, operand_);
    if (startProgramming) {
        programPending_ = true;
        configPending_ = false;
        misdirected_ = false;
        programRow_ = address & ~static_cast<std::uint32_t>(bufferBytes_ - 1);
    }
}

void TSimChip18::BufferWord(std::uint32_t address, std::uint16_t word) {
    std::size_t panel = 0;
    if (multiPanel_ && address < CodeBytes()) {
        panel = std::min<std::size_t>(address / kPanelBytes, buffers_.size() - 1);
    }
    TWriteBuffer& buffer = buffers_[panel];
    const std::size_t size = buffer.Bytes.size();
    const std::size_t index = (address & ~1u) & (size - 1);
    if (buffer.Written[index]) {
        // A row written in larger pieces than the buffer holds wraps round onto itself.
        Report(TSimViolationKind::Sequence,
               "holding register " + std::to_string(index) + " loaded again (at 0x" +
                   HexText(address, 6) + ") before programming: the write buffer holds " +
                   std::to_string(size) + " bytes, so the bytes loaded before are lost");
    }
    buffer.Written[index] = true;
    buffer.Written[index + 1] = true;
    buffer.Bytes[index] = static_cast<std::uint8_t>(word);
    buffer.Bytes[index + 1] = static_cast<std::uint8_t>(word >> 8);
    buffer.Row = address & ~static_cast<std::uint32_t>(size - 1);
    buffer.Loaded = true;
}

void TSimChip18::ResetBuffers() {
    // The holding registers read 0xFF after reset and after every write, and a 0xFF byte
    // programs nothing, so a partly filled buffer is harmless.
    const bool panels = multiPanel_ && profile_.MultiPanel;
    const std::size_t count = panels ? std::max<std::size_t>(1, CodeBytes() / kPanelBytes) : 1;
    const std::size_t size = panels ? kPanelBufferBytes : bufferBytes_;
    buffers_.assign(count, TWriteBuffer{std::vector<std::uint8_t>(size, 0xFF),
                                        std::vector<bool>(size, false), 0, false});
}

void TSimChip18::WriteKeyRegister(std::uint32_t address, std::uint8_t value) {
    if (address == kEraseKeyHighAddress) {
        eraseKeyHigh_ = value;
        return;
    }
    if (address == kEraseKeyLowAddress) {
        eraseKeyLow_ = value;
        const bool valid =
            profile_.KeyedBlockErase ? (value & kEraseEnable) != 0 : value == kChipEraseKeyOld;
        if (valid) {
            eraseState_ = TEraseState::KeyWritten;
            keyWrittenThisFrame_ = true;
        }
        return;
    }
    if (profile_.MultiPanel) {
        multiPanel_ = (value & kMultiPanelBit) != 0;
        ResetBuffers();
    }
}

// ---- programming and erase --------------------------------------------------------------

void TSimChip18::StartPulse() {
    pulseRunning_ = true;
    pulseStart_ = Now();
}

void TSimChip18::FinishPulse() {
    const std::uint64_t held = Now() - pulseStart_;
    pulseRunning_ = false;
    programPending_ = false;
    dischargeCheck_ = true;
    dischargeFrom_ = Now();
    Require(profile_.ProgramPulseMicroseconds + profile_.DischargeMicroseconds);
    if (held < profile_.ProgramPulseMicroseconds) {
        Report(TSimViolationKind::ShortPulse,
               "fourth clock of the programming NOP held " + std::to_string(held) +
                   " us; the part needs " + std::to_string(profile_.ProgramPulseMicroseconds) +
                   " us; cells unchanged");
        configPending_ = false;
        misdirected_ = false;
        ResetBuffers();
        return;
    }
    CommitProgramming();
}

void TSimChip18::CommitProgramming() {
    if (misdirected_) {
        misdirected_ = false;
        ResetBuffers();
        return;
    }
    if (configPending_) {
        configPending_ = false;
        WriteConfigByte(configIndex_, configValue_);
        return;
    }
    if (multiPanel_) {
        // One start programming writes every panel's buffer, each where it was loaded.
        for (TWriteBuffer& buffer : buffers_) {
            if (buffer.Loaded) {
                CommitBuffer(buffer, buffer.Row);
            }
        }
    } else {
        // The row containing the table pointer is written, whatever row the buffer was
        // loaded for.
        CommitBuffer(buffers_[0], programRow_);
    }
    ResetBuffers();
}

void TSimChip18::CommitBuffer(TWriteBuffer& buffer, std::uint32_t row) {
    TSimChipState& cells = Cells();
    if (row < CodeBytes() && IsCodeProtected(cells)) {
        Report(TSimViolationKind::ProtectedWrite,
               "program memory write at 0x" + HexText(row, 6) +
                   " on a code-protected part; nothing is written");
        return;
    }
    for (std::size_t i = 0; i < buffer.Bytes.size(); ++i) {
        const std::uint32_t address = row + static_cast<std::uint32_t>(i);
        const std::uint8_t value = buffer.Bytes[i];
        if (address < CodeBytes()) {
            if (!WordFails(address / 2)) {
                // Flash programming only clears bits; the row must have been erased.
                SetProgramByte18(cells, address,
                                 static_cast<std::uint8_t>(ProgramByte18(cells, address) & value));
            }
        } else if (address >= kIdBase && address < kIdBase + kIdBytes) {
            cells.Ids[address - kIdBase] &= value;
        }
    }
}

void TSimChip18::WriteConfigByte(std::size_t index, std::uint8_t value) {
    TSimChipState& cells = Cells();
    constexpr std::uint8_t kWrtcMask = 0x20;
    if ((cells.Config[kConfig6HIndex] & kWrtcMask) == 0) {
        Report(TSimViolationKind::ProtectedWrite,
               "configuration byte 0x" + HexText(kConfigBase + index, 6) +
                   " written while WRTC protects the configuration; nothing is written");
        return;
    }
    // A configuration byte is erased and written as one; the protection bytes (CONFIG5L..7H)
    // can only be programmed further, since only a bulk erase may clear them (taken as the
    // part's behaviour; the notes say only that a bulk erase clears the CP bits).
    std::uint16_t& cell = cells.Config[index];
    cell = index >= kConfig5LIndex ? static_cast<std::uint16_t>(cell & value) : value;
}

void TSimChip18::EraseCodeRange(std::uint32_t from, std::uint32_t to) {
    TSimChipState& cells = Cells();
    to = std::min(to, CodeBytes());
    for (std::uint32_t address = from; address < to; address += 2) {
        cells.Program[address / 2] = 0xFFFF;
    }
}

void TSimChip18::CommitErase() {
    TSimChipState& cells = Cells();
    const TSimChipState erased = ErasedChip(cells.DeviceIndex);
    if (!profile_.KeyedBlockErase) {
        cells = erased;  // the one key of the older parts erases the whole chip
        return;
    }
    // The keys are decoded bit by bit. Block bounds (a 2 KB boot block, then four equal code
    // blocks) are recalled from the data sheets rather than taken from the notes.
    const std::uint32_t blockBytes = CodeBytes() / kCodeBlocksNew;
    if ((eraseKeyLow_ & kEraseBoot) != 0) {
        EraseCodeRange(0, kBootBlockBytes);
    }
    for (int block = 0; block < kCodeBlockKeys; ++block) {
        if ((eraseKeyHigh_ & (1u << block)) != 0) {
            const std::uint32_t from = std::max(kBootBlockBytes, block * blockBytes);
            EraseCodeRange(from, (block + 1) * blockBytes);
        }
    }
    if ((eraseKeyLow_ & kEraseEeprom) != 0) {
        cells.Data = erased.Data;
    }
    if ((eraseKeyLow_ & kEraseIds) != 0) {
        cells.Ids = erased.Ids;
    }
    if ((eraseKeyLow_ & kEraseConfig) != 0) {
        // Protection bits go only with everything they protect.
        const std::uint8_t blocks = CodeBlockMask18(cells.DeviceIndex);
        const bool everything =
            (eraseKeyHigh_ & blocks) == blocks && (eraseKeyLow_ & kEraseNonCode) == kEraseNonCode;
        const std::size_t last = everything ? kConfig18Bytes : kConfig5LIndex;
        std::fill(cells.Config.begin(), cells.Config.begin() + static_cast<long>(last), 0xFF);
    }
}

}  // namespace vantrel
