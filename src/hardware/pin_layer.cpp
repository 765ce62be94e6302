#include "hardware/pin_layer.h"

#include <algorithm>
#include <string>

#include "hardware/port_error.h"
#include "hardware/port_lines.h"
#include "hardware/port_trace.h"

namespace vantrel {

namespace {

constexpr std::uint64_t kMicrosecondsPerMs = 1000;
// A wait sleeps in slices of at most this, checking for a stop between them, and spins only
// through its last kSpinMicroseconds, where waking up late would cost more than spinning.
constexpr std::uint64_t kSleepSliceMicroseconds = 2000;
constexpr std::uint64_t kSpinMicroseconds = 100;

// The row of a wired line. A wiring read from a damaged settings file may name a line that
// does not exist; that must stop the operation, not index past the table.
const TPortLine& LineOf(const TPinAssignment& pin) {
    if (pin.Line >= PortLines.size()) {
        throw TPortError("the wiring names port line " + std::to_string(pin.Line) +
                         ", but the port has only lines 0.." +
                         std::to_string(PortLines.size() - 1) +
                         ": choose the lines again in the hardware settings");
    }
    return PortLines[pin.Line];
}

}  // namespace

void TPinLayer::ThrowIfStopped() const {
    if (stop_ != nullptr && stop_->Requested()) {
        throw TOperationStopped{stop_->Reason()};
    }
}

std::uint8_t TPinLayer::PortRead(std::uint16_t address) {
    ThrowIfStopped();
    const std::uint8_t value = port_.DlPortReadPortUchar(address);
    Remember(address, value);
    return value;
}

void TPinLayer::PortWrite(std::uint16_t address, std::uint8_t value) {
    ThrowIfStopped();
    port_.DlPortWritePortUchar(address, value);
    Remember(address, value);
}

// The copy is looked up by the full address, so a change of PortBase leaves nothing stale in
// use: the registers of the new base are read first.
TPinLayer::TRegisterCopy* TPinLayer::CopyOf(std::uint16_t address) {
    const auto offset = static_cast<std::uint16_t>(address - settings_.PortBase);
    if (offset == kDataRegister) {
        return &copies_[0];
    }
    if (offset == kControlRegister) {
        return &copies_[1];
    }
    return nullptr;
}

void TPinLayer::Remember(std::uint16_t address, std::uint8_t value) {
    if (TRegisterCopy* copy = CopyOf(address)) {
        *copy = {address, value, true};
    }
}

bool TPinLayer::OutputIs(const TPinAssignment& pin, bool level) {
    const TPortLine& line = LineOf(pin);
    const auto address = static_cast<std::uint16_t>(settings_.PortBase + line.RegisterOffset);
    const TRegisterCopy* copy = CopyOf(address);
    return copy != nullptr && copy->Valid && copy->Address == address &&
           ((copy->Value & line.BitMask) != 0) == (level != pin.Invert);
}

bool TPinLayer::SetOutput(const TPinAssignment& pin, bool level) {
    const TPortLine& line = LineOf(pin);
    const auto address = static_cast<std::uint16_t>(settings_.PortBase + line.RegisterOffset);
    const TRegisterCopy* copy = CopyOf(address);
    const bool known = Fast() && copy != nullptr && copy->Valid && copy->Address == address;
    const std::uint8_t current = known ? copy->Value : PortRead(address);
    const bool bit = level != pin.Invert;
    PortWrite(address, bit ? static_cast<std::uint8_t>(current | line.BitMask)
                           : static_cast<std::uint8_t>(current & ~line.BitMask));
    return bit;
}

void TPinLayer::SetVdd(bool on) {
    SetOutput(settings_.Wiring.PinVdd, on);
}

// MCLR follows the bit written, not the requested level: an adapter that needs MCLR released
// while its Vpp transistor conducts is wired so that both inversions cancel.
void TPinLayer::SetVpp(bool on) {
    SetMCLR(!SetOutput(settings_.Wiring.PinVpp, on));
}

void TPinLayer::SetVpp40(bool on) {
    SetMCLR(!SetOutput(settings_.Wiring.PinVpp40, on));
}

void TPinLayer::SetMCLR(bool level) {
    SetOutput(settings_.Wiring.PinMCLR, level);
}

void TPinLayer::SetClock(bool level) {
    SetOutput(settings_.Wiring.PinClock, level);
}

void TPinLayer::SetDataOut(bool level) {
    SetOutput(settings_.Wiring.PinDataOut, level);
}

bool TPinLayer::ReadDataIn() {
    const TPinAssignment& pin = settings_.Wiring.PinDataIn;
    const TPortLine& line = LineOf(pin);
    std::uint8_t value =
        PortRead(static_cast<std::uint16_t>(settings_.PortBase + line.RegisterOffset));
    if (pin.Invert) {
        value ^= line.BitMask;
    }
    return (value & line.BitMask) != 0;
}

void TPinLayer::ClockBit(bool bit) {
    if (Fast()) {
        SetClock(true);
        if (!OutputIs(settings_.Wiring.PinDataOut, bit)) {
            SetDataOut(bit);
        }
        SetClock(false);
        return;
    }
    SetClock(true);
    SetClock(true);
    SetDataOut(bit);
    SetDataOut(bit);
    SetClock(false);
    SetClock(false);
}

void TPinLayer::WaitUntil(std::uint64_t endMicroseconds) {
    for (;;) {
        ThrowIfStopped();  // a half-second wait must not hold up a Cancel
        const std::uint64_t now = clock_.Microseconds();
        if (now >= endMicroseconds) {
            return;
        }
        const std::uint64_t left = endMicroseconds - now;
        if (left > kSpinMicroseconds) {
            clock_.Sleep(static_cast<std::uint32_t>(
                std::min(left - kSpinMicroseconds, kSleepSliceMicroseconds)));
        }
    }
}

// The millisecond count is the microsecond clock divided by 1000, so the (ms + 1)-th tick after
// the start is a microsecond deadline, and the 64-bit microseconds cannot wrap where the 32-bit
// count does.
void TPinLayer::DelayMs(std::uint32_t ms) {
    if (trace_ != nullptr) {
        trace_->Delay(ms);
    }
    if (ms == 0) {
        return;
    }
    const std::uint64_t startTick = clock_.Microseconds() / kMicrosecondsPerMs;
    WaitUntil((startTick + ms + 1) * kMicrosecondsPerMs);
}

void TPinLayer::DelayMicroseconds(std::uint32_t microseconds) {
    if (trace_ != nullptr) {
        trace_->DelayMicroseconds(microseconds);
    }
    if (microseconds == 0) {
        return;
    }
    WaitUntil(clock_.Microseconds() + microseconds);
}

void TPinLayer::Wait(TWaitTime wait) {
    if (wait.InMicroseconds) {
        DelayMicroseconds(wait.Amount);
    } else {
        DelayMs(wait.Amount);
    }
}

void TPinLayer::SwitchSuppliesOff() {
    const TUnstoppable unstoppable(*this);
    SetVpp(false);
    SetVpp40(false);
    SetVdd(false);
}

void TPinLayer::SwitchOutputsOff() {
    const TUnstoppable unstoppable(*this);
    SetVpp(false);
    SetVpp40(false);
    SetMCLR(false);
    SetVdd(false);
}

void TPinLayer::StartStopwatch() {
    stopwatchStart_ = clock_.timeGetTime();
}

std::uint32_t TPinLayer::StopwatchMs() {
    return clock_.timeGetTime() - stopwatchStart_;
}

}  // namespace vantrel
