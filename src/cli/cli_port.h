#pragma once

#include <functional>

#include "cli/cli_commands.h"
#include "hardware/hardware_settings.h"
#include "hardware/pin_layer.h"

namespace vantrel::cli {

// Which ports a command opens.
enum class TPortScope {
    Candidates,      // every candidate address: port detection tries them in turn
    ConfiguredPort,  // only the one of --port: the chip operations
};

// The settings the command line gives: the preset's wiring (custom keeps the default wiring),
// the port of --port, default delays.
[[nodiscard]] THardwareSettings HardwareSettingsFrom(const TCliOptions& options);

// What a command works with while the programmer is open.
struct TProgrammerAccess {
    THardwareSettings& Settings;
    TPinLayer& Pins;
};

using TProgrammerBody = std::function<int(TProgrammerAccess&)>;

// Opens the trace and the back-end of --driver, switches the programmer's outputs off as the
// window's start-up does, runs `body`, and switches Vpp, Vpp40 and Vdd off again however the
// body ends: normally, by an exception, or by SIGINT/SIGTERM. Nothing else touches the port.
// Returns the body's exit status, or kExitNoProgrammer when the port cannot be opened or fails,
// kExitBadInput when the trace file cannot be created, 128 + the signal when interrupted.
[[nodiscard]] int RunWithProgrammer(const TCliOptions& options, TCliStreams streams,
                                    TPortScope scope, const TProgrammerBody& body);

}  // namespace vantrel::cli
