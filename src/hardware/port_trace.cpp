#include "hardware/port_trace.h"

#include <cstdio>
#include <ostream>

namespace vantrel {

// Formatted by hand: a write of a large chip traces millions of accesses.
void TPortTrace::Access(char kind, std::uint32_t address, std::uint8_t value) {
    char line[32];
    const int length = std::snprintf(line, sizeof line, "%c %03X %02X\n", kind,
                                     static_cast<unsigned>(address), static_cast<unsigned>(value));
    out_.write(line, length);
}

void TPortTrace::Read(std::uint32_t address, std::uint8_t value) {
    Access('R', address, value);
}

void TPortTrace::Write(std::uint32_t address, std::uint8_t value) {
    Access('W', address, value);
}

void TPortTrace::Delay(std::uint32_t ms) {
    Wait('D', ms);
}

void TPortTrace::DelayMicroseconds(std::uint32_t microseconds) {
    Wait('U', microseconds);
}

void TPortTrace::Wait(char kind, std::uint32_t amount) {
    char line[24];
    const int length =
        std::snprintf(line, sizeof line, "%c %u\n", kind, static_cast<unsigned>(amount));
    out_.write(line, length);
}

std::uint8_t TTracingPort::DlPortReadPortUchar(std::uint32_t port) {
    const std::uint8_t value = inner_.DlPortReadPortUchar(port);
    trace_.Read(port, value);
    return value;
}

void TTracingPort::DlPortWritePortUchar(std::uint32_t port, std::uint8_t value) {
    inner_.DlPortWritePortUchar(port, value);
    trace_.Write(port, value);
}

}  // namespace vantrel
