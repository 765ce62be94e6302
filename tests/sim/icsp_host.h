#pragma once

// A bit-level programming host written straight from the chip makers' programming documents
// (as our chip notes restate them), not from the program's own routines, so the
// simulated chips are checked against an independent reading of the protocol. Header-only: the
// benchmark uses it too.

#include <cstdint>
#include <vector>

#include "hardware/millisecond_clock.h"
#include "hardware/pin_assignment.h"
#include "hardware/port_access.h"
#include "hardware/port_lines.h"
#include "hardware/programmer_presets.h"

namespace vantrel::test {

class TIcspHost {
  public:
    TIcspHost(TPortAccess& port, TVirtualClock& clock,
              const TWiring& wiring = *ProgrammerPresets[kProgrammerP7407].Wiring,
              std::uint16_t portBase = kDefaultPortBase)
        : port_(port), clock_(clock), wiring_(wiring), base_(portBase) {}

    // The 40-pin socket's Vpp line is switched instead of the 18-pin one.
    void UseVpp40(bool use) { useVpp40_ = use; }

    // ---- lines ----
    void Set(const TPinAssignment& pin, bool level) {
        const TPortLine& line = PortLines[pin.Line];
        const std::uint32_t address = base_ + line.RegisterOffset;
        const std::uint8_t value = port_.DlPortReadPortUchar(address);
        const bool bit = level != pin.Invert;
        port_.DlPortWritePortUchar(
            address, static_cast<std::uint8_t>(bit ? value | line.BitMask : value & ~line.BitMask));
    }
    void Vdd(bool on) { Set(wiring_.PinVdd, on); }
    void Vpp(bool on) {
        Set(useVpp40_ ? wiring_.PinVpp40 : wiring_.PinVpp, on);
        Set(wiring_.PinMCLR, on);  // release the reset pull while the programming voltage is on
    }
    void Clock(bool high) { Set(wiring_.PinClock, high); }
    void Data(bool high) { Set(wiring_.PinDataOut, high); }
    [[nodiscard]] bool DataIn() {
        const TPortLine& line = PortLines[wiring_.PinDataIn.Line];
        const bool bit =
            (port_.DlPortReadPortUchar(base_ + line.RegisterOffset) & line.BitMask) != 0;
        return bit != wiring_.PinDataIn.Invert;
    }
    void Wait(std::uint64_t microseconds) { clock_.Advance(microseconds); }
    void WaitMs(std::uint64_t milliseconds) { Wait(milliseconds * 1000); }

    // ---- programming mode ----
    // PGC and PGD low, Vdd, a settle time, then Vpp; then the hold before the first clock.
    void EnterVddFirst(std::uint64_t settleMicroseconds = 100) {
        Clock(false);
        Data(false);
        Vdd(true);
        Wait(settleMicroseconds);
        Vpp(true);
        Wait(kEntryHold);
    }
    // Vpp on MCLR while Vdd is still off, then Vdd.
    void EnterVppFirst() {
        Clock(false);
        Data(false);
        Vpp(true);
        Wait(kEntryHold);
        Vdd(true);
        Wait(kEntryHold);
    }
    void Exit() {
        Clock(false);
        Data(false);
        Vpp(false);
        Wait(kEntryHold);
        Vdd(false);
        Wait(kEntryHold);
    }

    // ---- 12/14-bit serial protocol: data changes while PGC is high, latched on the fall ----
    void ClockOut(bool bit) {
        Clock(true);
        Data(bit);
        Clock(false);
    }
    // The chip drives from the rising edge; sample while PGC is high.
    [[nodiscard]] bool ClockIn() {
        Clock(true);
        const bool bit = DataIn();
        Clock(false);
        return bit;
    }
    void Command(std::uint8_t code) {
        for (int i = 0; i < 6; ++i) {
            ClockOut(((code >> i) & 1) != 0);
        }
        Data(false);
    }
    void SendFrame(std::uint16_t word) {
        ClockOut(false);  // start bit
        for (int i = 0; i < 14; ++i) {
            ClockOut(((word >> i) & 1) != 0);
        }
        ClockOut(false);  // stop bit
        Data(false);
    }
    [[nodiscard]] std::uint16_t ReadFrame() {
        Data(true);  // release the line
        std::uint16_t word = 0;
        (void)ClockIn();  // start bit
        for (int i = 0; i < 14; ++i) {
            if (ClockIn()) {
                word = static_cast<std::uint16_t>(word | (1u << i));
            }
        }
        (void)ClockIn();  // stop bit
        Data(false);
        return word;
    }
    void Load(std::uint8_t command, std::uint16_t word) {
        Command(command);
        SendFrame(word);
    }
    [[nodiscard]] std::uint16_t Read(std::uint8_t command) {
        Command(command);
        return ReadFrame();
    }
    void Increment(int times = 1) {
        for (int i = 0; i < times; ++i) {
            Command(kIncrementAddress);
        }
    }

    // ---- 18F serial protocol ----
    void Send18(std::uint8_t command, std::uint16_t operand) {
        for (int i = 0; i < 4; ++i) {
            ClockOut(((command >> i) & 1) != 0);
        }
        for (int i = 0; i < 16; ++i) {
            ClockOut(((operand >> i) & 1) != 0);
        }
        Data(false);
    }
    void Core(std::uint16_t instruction) { Send18(0b0000, instruction); }
    // A read command: 8 ignored operand clocks, then the byte on the last 8.
    [[nodiscard]] std::uint8_t ReadByte18(std::uint8_t command) {
        for (int i = 0; i < 4; ++i) {
            ClockOut(((command >> i) & 1) != 0);
        }
        for (int i = 0; i < 8; ++i) {
            ClockOut(false);
        }
        Data(true);
        std::uint8_t value = 0;
        for (int i = 0; i < 8; ++i) {
            if (ClockIn()) {
                value = static_cast<std::uint8_t>(value | (1u << i));
            }
        }
        Data(false);
        return value;
    }
    void SetTablePointer(std::uint32_t address) {
        Core(static_cast<std::uint16_t>(0x0E00 | ((address >> 16) & 0xFF)));
        Core(0x6EF8);
        Core(static_cast<std::uint16_t>(0x0E00 | ((address >> 8) & 0xFF)));
        Core(0x6EF7);
        Core(static_cast<std::uint16_t>(0x0E00 | (address & 0xFF)));
        Core(0x6EF6);
    }
    [[nodiscard]] std::uint8_t TableReadPostIncrement() { return ReadByte18(0b1001); }
    [[nodiscard]] std::uint8_t ShiftOutTablat() { return ReadByte18(0b0010); }
    // The NOP after a start-programming write: the fourth clock held high for P9, then low for
    // P10, then the 16 operand clocks.
    void ProgramNop(std::uint64_t holdMicroseconds = 1000, std::uint64_t lowMicroseconds = 100) {
        for (int i = 0; i < 3; ++i) {
            ClockOut(false);
        }
        Data(false);
        Clock(true);
        Wait(holdMicroseconds);
        Clock(false);
        Wait(lowMicroseconds);
        for (int i = 0; i < 16; ++i) {
            ClockOut(false);
        }
    }
    // The bulk erase after its keys: a NOP, then a command whose fourth clock starts the erase,
    // PGD held low for P11 + P10, then its operand.
    void EraseNop(std::uint64_t waitMicroseconds) {
        Core(0x0000);
        for (int i = 0; i < 4; ++i) {
            ClockOut(false);
        }
        Wait(waitMicroseconds);
        for (int i = 0; i < 16; ++i) {
            ClockOut(false);
        }
    }

    static constexpr std::uint8_t kIncrementAddress = 0x06;
    static constexpr std::uint64_t kEntryHold = 100;

  private:
    TPortAccess& port_;
    TVirtualClock& clock_;
    TWiring wiring_;
    std::uint32_t base_;
    bool useVpp40_ = false;
};

}  // namespace vantrel::test
