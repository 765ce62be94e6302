#pragma once

#include <cstdint>
#include <iosfwd>

#include "hardware/port_access.h"

namespace vantrel {

// A record of what the program did to the port, for anyone checking a board with a meter or a
// logic analyser: one line per port access or delay, in call order —
//   "W 378 04"  a write (address as at least three upper-case hex digits, value as two)
//   "R 379 78"  a read and the value it returned
//   "D 10"      a DelayMs call with its argument in decimal
//   "U 1200"    a DelayMicroseconds call (the fast timing's waits) with its argument in decimal
// and nothing else.
class TPortTrace {
  public:
    explicit TPortTrace(std::ostream& out) : out_(out) {}

    void Read(std::uint32_t address, std::uint8_t value);
    void Write(std::uint32_t address, std::uint8_t value);
    void Delay(std::uint32_t ms);
    void DelayMicroseconds(std::uint32_t microseconds);

  private:
    void Access(char kind, std::uint32_t address, std::uint8_t value);
    void Wait(char kind, std::uint32_t amount);

    std::ostream& out_;
};

// Passes every access on to `inner` and records it in the trace.
class TTracingPort final : public TPortAccess {
  public:
    TTracingPort(TPortAccess& inner, TPortTrace& trace) : inner_(inner), trace_(trace) {}

    std::uint8_t DlPortReadPortUchar(std::uint32_t port) override;
    void DlPortWritePortUchar(std::uint32_t port, std::uint8_t value) override;

  private:
    TPortAccess& inner_;
    TPortTrace& trace_;
};

}  // namespace vantrel
