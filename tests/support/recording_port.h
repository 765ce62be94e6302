#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "hardware/hardware_settings.h"
#include "hardware/millisecond_clock.h"
#include "hardware/pin_layer.h"
#include "hardware/port_access.h"
#include "hardware/port_bus.h"
#include "hardware/port_trace.h"

namespace vantrel::test {

struct TPortAccessRecord {
    char Kind;  // 'R' or 'W'
    std::uint32_t Address;
    std::uint8_t Value;
    std::uint64_t Microseconds;  // virtual time of the access
};

// A port at one base that records every access. The data and control registers keep what was
// written; the status register reads what `Status` returns, so a test can put its own adapter
// behind it. Every access costs `AccessMicroseconds` of virtual time, like a real port access.
// Addresses outside the three registers are refused as the real back-ends refuse them.
class TRecordingPort final : public TPortAccess {
  public:
    TRecordingPort(std::uint16_t base, TVirtualClock& clock) : base_(base), clock_(clock) {}

    std::uint8_t DlPortReadPortUchar(std::uint32_t port) override;
    void DlPortWritePortUchar(std::uint32_t port, std::uint8_t value) override;

    // Forgets the accesses so far; the registers as they are now become the starting point.
    void ClearRecord();

    [[nodiscard]] std::uint16_t Base() const { return base_; }
    [[nodiscard]] std::size_t WriteCount() const;

    std::array<std::uint8_t, 3> Registers{};
    std::array<std::uint8_t, 3> RecordStart{};
    std::function<std::uint8_t(const TRecordingPort&)> Status;  // default: the stored byte
    std::uint64_t AccessMicroseconds = 1;
    std::vector<TPortAccessRecord> Accesses;

  private:
    std::uint16_t base_;
    TVirtualClock& clock_;
};

// One clock period as the target sees it: the data-out level on the falling edge and how long
// the clock was high.
struct TClockPeriod {
    bool Data;
    std::uint64_t HighMicroseconds;
};

// Replays the recorded writes against `wiring` (inversions removed) like a logic analyser on
// the clock and data-out lines.
[[nodiscard]] std::vector<TClockPeriod> ClockPeriods(const TRecordingPort& port,
                                                     const TWiring& wiring);
// Only the data bits of ClockPeriods, as 0/1.
[[nodiscard]] std::vector<int> ClockedBits(const TRecordingPort& port, const TWiring& wiring);

// The pin layer over a recording port at `base`, on virtual time, traced: the trace lines are
// the exact access sequence, in the form `vantrel-cli --trace` writes. Further bases can be
// attached to `Bus` (empty ones for port detection).
struct TPinRig {
    explicit TPinRig(std::uint16_t base = 0x378);
    TPinRig(const TPinRig&) = delete;
    TPinRig& operator=(const TPinRig&) = delete;

    [[nodiscard]] std::vector<std::string> TraceLines() const;
    // Forgets accesses and trace lines so far.
    void ClearRecord();
    // Sets the status line the data input is wired to, as a level on the connector.
    void SetDataInBit(bool set);

    THardwareSettings Settings;
    TVirtualClock Clock;
    TRecordingPort Port;
    TPortBus Bus;
    std::ostringstream TraceText;
    TPortTrace Trace{TraceText};
    TTracingPort Tracing{Bus, Trace};
    TPinLayer Pins{Settings, Tracing, Clock, &Trace};
};

}  // namespace vantrel::test
