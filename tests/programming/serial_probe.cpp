#include "serial_probe.h"

#include "device/hex_text.h"
#include "hardware/port_lines.h"
#include "hardware/serial_protocol.h"
#include "hardware/serial_protocol18.h"

namespace vantrel::test {

namespace {

constexpr int kCommandBits14 = 6;
constexpr int kFrameBits14 = 16;
constexpr int kCommandBits18 = 4;
constexpr int kFrameBits18 = 20;
// The 14-bit chip drives data bit n after the falling edge of frame clock n + 2 (the start
// clock comes first); the 18F chip drives bit n after payload clock n + 9 (8 idle clocks).
constexpr int kFirstDataEdge14 = 2;
constexpr int kFirstDataEdge18 = 9;

bool Bit(std::uint32_t value, int bit) {
    return ((value >> bit) & 1u) != 0;
}

}  // namespace

// Until the routines drive them, the supply outputs are off, as the window leaves them.
TSerialProbe::TSerialProbe(TFamily family, std::uint16_t base, const TWiring& wiring)
    : family_(family), base_(base), wiring_(wiring) {
    for (const TPinAssignment* pin : {&wiring_.PinVdd, &wiring_.PinVpp, &wiring_.PinVpp40}) {
        const TPortLine& line = PortLines.at(pin->Line);
        if (pin->Invert) {
            registers_[line.RegisterOffset] |= line.BitMask;
        }
    }
}

TSerialProbe::TFamily TSerialProbe::FamilyOf(const TPicDevice& device) {
    if (IsPic18(device)) {
        return TFamily::Pic18;
    }
    return device.BlankWord < 0x2000 ? TFamily::Pic12 : TFamily::Pic14;
}

bool TSerialProbe::Level(const TPinAssignment& pin) const {
    const TPortLine& line = PortLines.at(pin.Line);
    return ((registers_[line.RegisterOffset] & line.BitMask) != 0) != pin.Invert;
}

bool TSerialProbe::ProgrammingVoltage() const {
    return Level(wiring_.PinVpp) || Level(wiring_.PinVpp40);
}

bool TSerialProbe::Powered() const {
    return ProgrammingVoltage() || Level(wiring_.PinVdd);
}

std::uint8_t TSerialProbe::DlPortReadPortUchar(std::uint32_t port) {
    const std::uint32_t offset = port - base_;
    std::uint8_t value = registers_[offset];
    const TPortLine& line = PortLines.at(wiring_.PinDataIn.Line);
    if (line.RegisterOffset == offset) {
        const bool bit = dataIn_ != wiring_.PinDataIn.Invert;
        value = static_cast<std::uint8_t>(bit ? value | line.BitMask : value & ~line.BitMask);
    }
    return value;
}

void TSerialProbe::DlPortWritePortUchar(std::uint32_t port, std::uint8_t value) {
    registers_[port - base_] = value;
    const bool voltage = ProgrammingVoltage();
    if (voltage != voltage_) {
        voltage_ = voltage;
        if (bits_ != 0 || frameLength_ != 0) {
            Transcript.push_back("(" + std::to_string(bits_) + " clocks lost)");
        }
        bits_ = 0;
        value_ = 0;
        frameLength_ = 0;
        reading_ = false;
        suffix_.clear();
        address_ = family_ == TFamily::Pic12 ? 0xFFF : 0;
        Transcript.emplace_back(voltage ? "on" : "off");
    }
    const bool clock = Level(wiring_.PinClock);
    if (clock_ && !clock && voltage_) {
        FallingEdge(Level(wiring_.PinDataOut));
    }
    clock_ = clock;
}

void TSerialProbe::Delay(std::uint32_t ms) {
    if (ms == 0) {
        return;
    }
    if (bits_ != 0 || clock_) {
        suffix_ += " D " + std::to_string(ms) + "@" + std::to_string(bits_) + (clock_ ? "H" : "L");
    } else {
        Transcript.push_back("D " + std::to_string(ms));
    }
}

void TSerialProbe::FallingEdge(bool data) {
    dataIn_ = true;  // released unless the chip drives it
    value_ |= (data ? 1u : 0u) << bits_;
    ++bits_;
    if (family_ == TFamily::Pic18) {
        Bit18(data);
    } else {
        Bit14(data);
    }
}

void TSerialProbe::FinishFrame(std::string token) {
    Transcript.push_back(std::move(token) + suffix_);
    suffix_.clear();
    bits_ = 0;
    value_ = 0;
}

std::uint16_t TSerialProbe::ReadWord(std::uint8_t command) const {
    if (command == kCommandReadDataData) {
        return EepromByte ? EepromByte(address_) : 0xFF;
    }
    if (Word) {
        return Word(address_);
    }
    return family_ == TFamily::Pic12 ? 0x0FFF : 0x3FFF;
}

void TSerialProbe::Bit14(bool) {
    if (frameLength_ == 0) {
        if (bits_ < kCommandBits14) {
            return;
        }
        const auto command = static_cast<std::uint8_t>(value_);
        switch (command) {
            case kCommandLoadConfiguration:
            case kCommandLoadConfigurationForClear:
                address_ = 0x2000;
                frameLength_ = kFrameBits14;
                break;
            case kCommandLoadDataProgram:
            case kCommandLoadDataData:
                frameLength_ = kFrameBits14;
                break;
            case kCommandReadDataProgram:
            case kCommandReadDataData:
                frameLength_ = kFrameBits14;
                reading_ = true;
                readValue_ = ReadWord(command);
                break;
            case kCommandIncrementAddress:
                address_ = family_ == TFamily::Pic12 ? (address_ + 1) & 0xFFF : address_ + 1;
                break;
            default:
                break;
        }
        FinishFrame("Cmd " + std::to_string(command));
        return;
    }
    if (reading_) {
        const int bit = bits_ - kFirstDataEdge14;
        if (bit >= 0 && bit < 14) {
            dataIn_ = Bit(readValue_, bit);
        }
    }
    if (bits_ < frameLength_) {
        return;
    }
    const std::string token = reading_ ? "R" : "L " + HexWordText((value_ >> 1) & 0x3FFF);
    frameLength_ = 0;
    reading_ = false;
    FinishFrame(token);
}

void TSerialProbe::Bit18(bool) {
    if (bits_ == kCommandBits18) {
        command_ = static_cast<std::uint8_t>(value_ & 0xF);
        if (command_ == kCommand18TableReadPostIncrement) {
            readValue_ = Byte ? Byte(tablePointer_) : 0xFF;
            ++tablePointer_;
            reading_ = true;
        } else if (command_ == kCommand18ShiftOutTablat) {
            readValue_ = tablat_;
            reading_ = true;
        }
    }
    if (reading_) {
        const int bit = bits_ - kCommandBits18 - kFirstDataEdge18;
        if (bit >= 0 && bit < 8) {
            dataIn_ = Bit(readValue_, bit);
        }
    }
    if (bits_ < kFrameBits18) {
        return;
    }
    const auto payload = static_cast<std::uint16_t>(value_ >> kCommandBits18);
    std::string token;
    switch (command_) {
        case kCommand18CoreInstruction:
            token = "I " + HexWordText(payload);
            Execute18(payload);
            break;
        case kCommand18TableReadPostIncrement:
            token = "TBLRD";
            break;
        case kCommand18ShiftOutTablat:
            token = "TABLAT";
            break;
        default:
            token = "C" + std::to_string(command_) + " " + HexWordText(payload);
            if (command_ == kCommand18TableWritePostIncrement2) {
                tablePointer_ += 2;
            }
            break;
    }
    reading_ = false;
    FinishFrame(token);
}

void TSerialProbe::Execute18(std::uint16_t instruction) {
    if ((instruction & 0xFF00) == kInstructionMovlw) {
        w_ = static_cast<std::uint8_t>(instruction);
        return;
    }
    switch (instruction) {
        case kInstructionMovwfTblptru:
            tablePointer_ = (tablePointer_ & 0x00FFFFu) | (std::uint32_t{w_} << 16);
            break;
        case kInstructionMovwfTblptrh:
            tablePointer_ = (tablePointer_ & 0xFF00FFu) | (std::uint32_t{w_} << 8);
            break;
        case kInstructionMovwfTblptrl:
            tablePointer_ = (tablePointer_ & 0xFFFF00u) | w_;
            break;
        case kInstructionIncfTblptrl:
            tablePointer_ = (tablePointer_ & 0xFFFF00u) | ((tablePointer_ + 1) & 0xFFu);
            break;
        case kInstructionMovwfEeadr:
            eepromAddress_ = static_cast<std::uint16_t>((eepromAddress_ & 0xFF00u) | w_);
            break;
        case kInstructionMovwfEeadrh:
            eepromAddress_ = static_cast<std::uint16_t>((eepromAddress_ & 0x00FFu) | (w_ << 8));
            break;
        case kInstructionBsfRd:
            eepromData_ = EepromByte ? EepromByte(eepromAddress_) : 0xFF;
            break;
        case kInstructionMovfEedataW:
            w_ = eepromData_;
            break;
        case kInstructionMovfEecon1W:
            w_ = Eecon1 ? Eecon1(eecon1Reads_) : 0;
            ++eecon1Reads_;
            break;
        case kInstructionMovwfTablat:
            tablat_ = w_;
            break;
        default:
            break;
    }
}

TDelaySink::int_type TDelaySink::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return traits_type::not_eof(c);
    }
    if (traits_type::to_char_type(c) == '\n') {
        if (line_.starts_with("D ")) {
            probe_.Delay(static_cast<std::uint32_t>(std::stoul(line_.substr(2))));
        }
        line_.clear();
    } else {
        line_ += traits_type::to_char_type(c);
    }
    return c;
}

}  // namespace vantrel::test
