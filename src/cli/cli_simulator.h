#pragma once
#include <iosfwd>
#include <memory>
#include "cli/cli_options.h"
#include "hardware/millisecond_clock.h"
#include "hardware/port_access.h"
namespace vantrel::cli {
// The simulated programmer board with a chip in its socket, as a port back-end on virtual time.
class TSimulatedProgrammer {
public:
    virtual ~TSimulatedProgrammer() = default;
    virtual TPortAccess& Port() = 0;
    virtual TVirtualClock& Clock() = 0;
    // Keeps the chip for the next run when --sim-chip was given; false with a message on err.
    [[nodiscard]] virtual bool Finish(std::ostream& err) = 0;
};
// nullptr, with a clear message on err, when the simulator options are unusable.
[[nodiscard]] std::unique_ptr<TSimulatedProgrammer> OpenSimulatedProgrammer(const TCliOptions& options, std::uint16_t portBase, std::ostream& err);
}
