#include "support/recording_port.h"

#include "hardware/port_lines.h"
#include "hardware/port_registers.h"

namespace vantrel::test {

std::uint8_t TRecordingPort::DlPortReadPortUchar(std::uint32_t port) {
    const std::uint8_t offset = RegisterOffsetOf(base_, port);
    clock_.Advance(AccessMicroseconds);
    const std::uint8_t value =
        offset == kStatusRegister && Status ? Status(*this) : Registers[offset];
    Accesses.push_back({'R', port, value, clock_.NowMicroseconds()});
    return value;
}

void TRecordingPort::DlPortWritePortUchar(std::uint32_t port, std::uint8_t value) {
    const std::uint8_t offset = RegisterOffsetOf(base_, port);
    clock_.Advance(AccessMicroseconds);
    Registers[offset] = value;
    Accesses.push_back({'W', port, value, clock_.NowMicroseconds()});
}

void TRecordingPort::ClearRecord() {
    Accesses.clear();
    RecordStart = Registers;
}

std::size_t TRecordingPort::WriteCount() const {
    std::size_t count = 0;
    for (const TPortAccessRecord& access : Accesses) {
        count += access.Kind == 'W' ? 1 : 0;
    }
    return count;
}

namespace {

bool Level(const std::array<std::uint8_t, 3>& registers, const TPinAssignment& pin) {
    const TPortLine& line = PortLines.at(pin.Line);
    return ((registers[line.RegisterOffset] & line.BitMask) != 0) != pin.Invert;
}

}  // namespace

std::vector<TClockPeriod> ClockPeriods(const TRecordingPort& port, const TWiring& wiring) {
    std::vector<TClockPeriod> periods;
    std::array<std::uint8_t, 3> registers = port.RecordStart;
    bool clock = Level(registers, wiring.PinClock);
    std::uint64_t rise = 0;
    for (const TPortAccessRecord& access : port.Accesses) {
        if (access.Kind != 'W') {
            continue;
        }
        registers[access.Address - port.Base()] = access.Value;
        const bool now = Level(registers, wiring.PinClock);
        if (now && !clock) {
            rise = access.Microseconds;
        } else if (!now && clock) {
            periods.push_back({Level(registers, wiring.PinDataOut), access.Microseconds - rise});
        }
        clock = now;
    }
    return periods;
}

std::vector<int> ClockedBits(const TRecordingPort& port, const TWiring& wiring) {
    std::vector<int> bits;
    for (const TClockPeriod& period : ClockPeriods(port, wiring)) {
        bits.push_back(period.Data ? 1 : 0);
    }
    return bits;
}

TPinRig::TPinRig(std::uint16_t base) : Port(base, Clock) {
    Settings.PortBase = base;
    Bus.Attach(base, Port);
}

std::vector<std::string> TPinRig::TraceLines() const {
    std::vector<std::string> lines;
    std::istringstream in(TraceText.str());
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

void TPinRig::ClearRecord() {
    Port.ClearRecord();
    TraceText.str({});
}

void TPinRig::SetDataInBit(bool set) {
    const TPortLine& line = PortLines.at(Settings.Wiring.PinDataIn.Line);
    std::uint8_t& reg = Port.Registers[line.RegisterOffset];
    reg = static_cast<std::uint8_t>(set ? reg | line.BitMask : reg & ~line.BitMask);
}

}  // namespace vantrel::test
