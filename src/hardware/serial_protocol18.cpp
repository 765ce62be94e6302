#include "hardware/serial_protocol18.h"

#include "hardware/serial_protocol.h"

namespace vantrel {

namespace {

constexpr int kCommand18Bits = 4;
constexpr int kPayloadBits = 16;
constexpr int kIdleClocks = 8;
constexpr int kByteBits = 8;

void CoreInstruction(TPinLayer& pins, std::uint16_t instruction) {
    SendCommand18(pins, kCommand18CoreInstruction, instruction);
}

std::uint16_t Movlw(std::uint32_t literal) {
    return static_cast<std::uint16_t>(kInstructionMovlw | (literal & 0xFFu));
}

// The command, 8 idle clocks while the chip fetches, then 8 clocks on which it drives the data
// line. Shift-out-TABLAT idles with the line high, table read with it low.
std::uint8_t ReadByteFrame(TPinLayer& pins, std::uint8_t command) {
    SendBits(pins, command, kCommand18Bits);
    const bool idleLevel = command == kCommand18ShiftOutTablat;
    for (int clock = 0; clock < kIdleClocks; ++clock) {
        pins.ClockBit(idleLevel);
    }
    return static_cast<std::uint8_t>(ReceiveBits(pins, kByteBits));
}

}  // namespace

void SendCommand18(TPinLayer& pins, std::uint8_t command, std::uint16_t payload) {
    SendBits(pins, command, kCommand18Bits);
    SendBits(pins, payload, kPayloadBits);
}

void SetTablePointer(TPinLayer& pins, std::uint32_t address) {
    CoreInstruction(pins, Movlw(address >> 16));
    CoreInstruction(pins, kInstructionMovwfTblptru);
    CoreInstruction(pins, Movlw(address >> 8));
    CoreInstruction(pins, kInstructionMovwfTblptrh);
    CoreInstruction(pins, Movlw(address));
    CoreInstruction(pins, kInstructionMovwfTblptrl);
}

std::uint16_t TableReadWord(TPinLayer& pins) {
    const std::uint8_t low = ReadByteFrame(pins, kCommand18TableReadPostIncrement);
    const std::uint8_t high = ReadByteFrame(pins, kCommand18TableReadPostIncrement);
    return static_cast<std::uint16_t>(low | (high << 8));
}

std::uint8_t ShiftOutTablat(TPinLayer& pins) {
    return ReadByteFrame(pins, kCommand18ShiftOutTablat);
}

void LoadEepromByte18(TPinLayer& pins, const TPicDevice& device, std::uint16_t address) {
    CoreInstruction(pins, kInstructionBcfEepgd);
    CoreInstruction(pins, kInstructionBcfCfgs);
    CoreInstruction(pins, Movlw(address));
    CoreInstruction(pins, kInstructionMovwfEeadr);
    CoreInstruction(pins, Movlw(address >> 8));
    CoreInstruction(pins, kInstructionMovwfEeadrh);
    CoreInstruction(pins, kInstructionBsfRd);
    CoreInstruction(pins, kInstructionMovfEedataW);
    CoreInstruction(pins, kInstructionMovwfTablat);
    if (device.Algorithm == kAlgorithm18FNew) {
        CoreInstruction(pins, kInstructionNop);
    }
}

void ProgramNop(TPinLayer& pins, TWaitTime hold, TWaitTime discharge) {
    constexpr int kClocksBeforeHold = 3;
    for (int clock = 0; clock < kClocksBeforeHold; ++clock) {
        pins.ClockBit(false);
    }
    pins.SetDataOut(false);
    pins.SetClock(true);
    pins.Wait(hold);
    pins.SetClock(false);
    pins.Wait(discharge);
    SendBits(pins, kInstructionNop, kPayloadBits);
}

void ProgramNop(TPinLayer& pins, std::uint32_t holdMs) {
    ProgramNop(pins, TWaitTime::Milliseconds(holdMs), TWaitTime::Milliseconds(kDischargeMs));
}

}  // namespace vantrel
