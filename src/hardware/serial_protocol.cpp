#include "hardware/serial_protocol.h"

namespace vantrel {

namespace {

constexpr int kCommandBits = 6;
constexpr int kDataBits = 14;

void SetProgrammingVoltage(TPinLayer& pins, const TPicDevice& device, bool on) {
    if (device.UsesVpp40) {
        pins.SetVpp40(on);
    } else {
        pins.SetVpp(on);
    }
}

}  // namespace

void SendBits(TPinLayer& pins, std::uint32_t value, int count) {
    for (int bit = 0; bit < count; ++bit) {
        pins.ClockBit(((value >> bit) & 1u) != 0);
    }
}

std::uint32_t ReceiveBits(TPinLayer& pins, int count) {
    std::uint32_t value = 0;
    for (int bit = 0; bit < count; ++bit) {
        pins.ClockBit(true);
        if (pins.ReadDataIn()) {
            value |= 1u << bit;
        }
    }
    return value;
}

void SetProgramMode(TPinLayer& pins, const TPicDevice& device, bool on) {
    const std::uint16_t settle = pins.Settings().VppDelay;
    pins.SetClock(false);
    pins.SetDataOut(false);
    if (on) {
        pins.SetVdd(true);
        pins.DelayMs(settle);
        SetProgrammingVoltage(pins, device, true);
    } else {
        SetProgrammingVoltage(pins, device, false);
        pins.DelayMs(settle);
        pins.SetVdd(false);
    }
    pins.DelayMs(settle);
}

void SendCommand(TPinLayer& pins, std::uint8_t command) {
    SendBits(pins, command, kCommandBits);
}

void LoadData(TPinLayer& pins, std::uint16_t word) {
    pins.ClockBit(false);
    SendBits(pins, word, kDataBits);
    pins.ClockBit(false);
}

// Start and stop clocks also leave the data line released.
std::uint16_t ReadData(TPinLayer& pins) {
    pins.ClockBit(true);
    const auto word = static_cast<std::uint16_t>(ReceiveBits(pins, kDataBits));
    pins.ClockBit(true);
    return word;
}

}  // namespace vantrel
