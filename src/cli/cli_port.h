#pragma once

#include <functional>

#include "cli/cli_commands.h"
#include "hardware/hardware_settings.h"
#include "hardware/pin_layer.h"
#include "hardware/stop_token.h"
#include "programming/operation_result.h"
#include "service/programmer_connection.h"

namespace vantrel::cli {

// The programmer settings of the run: the settings file's (the defaults without one), with what
// the command line gives in their place - the driver and its simulator options, the preset and
// its wiring (custom keeps the wiring as it is), the port of --port, the delays.
[[nodiscard]] THardwareSettings HardwareSettingsFrom(const TCliOptions& options);

// What a command works with while the programmer is open.
struct TProgrammerAccess {
    TProgrammerConnection& Connection;
    TPinLayer& Pins;
    // Set by SIGINT, SIGTERM, SIGHUP, SIGQUIT and SIGPIPE while the programmer is open.
    const TStopToken& Stop;
};

using TProgrammerBody = std::function<int(TProgrammerAccess&)>;

// Opens the trace and the programmer on the back-end `settings` name (the simulated socket holds
// a chip of the -d device, or is empty without one), runs `body` with every port access
// stoppable by a signal, and closes the programmer - which switches Vpp, Vpp40 and Vdd off -
// however the body ends: normally, by an exception, or by a terminating signal (SIGINT, SIGTERM,
// SIGHUP, SIGQUIT, SIGPIPE). Nothing else touches the port. Returns the body's exit status, or
// kExitNoProgrammer when the port cannot be opened or fails, kExitBadInput when the trace file
// cannot be created, 128 + the signal when interrupted.
[[nodiscard]] int RunWithProgrammer(const TCliOptions& options, TCliStreams streams,
                                    THardwareSettings& settings, TPortScope scope,
                                    const TProgrammerBody& body);

// The exit status of a chip operation's outcome.
[[nodiscard]] int ExitStatusOf(const TOperationResult& result);

}  // namespace vantrel::cli
