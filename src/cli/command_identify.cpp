#include <ostream>

#include "cli/cli_chip_operation.h"
#include "cli/cli_commands.h"
#include "cli/cli_port.h"
#include "programming/chip_identity.h"

namespace vantrel::cli {

// For a user who does not know what is in the socket: no device is chosen, the chip's device ID
// names it. With the simulated programmer, -d puts a fresh chip of that device into the socket
// when no --sim-chip file keeps one.
int RunIdentifyCommand(const TCliOptions& options, TCliStreams streams) {
    if (!options.Arguments.empty()) {
        streams.Err << "vantrel-cli: 'identify' takes no arguments\n";
        return kExitBadInput;
    }
    THardwareSettings settings = HardwareSettingsFrom(options);
    return RunWithProgrammer(
        options, streams, settings, TPortScope::ConfiguredPort, [&](TProgrammerAccess& access) {
            if (access.Connection.Simulated()) {
                streams.Err << kSimulatedProgrammerNotice << "\n";
            }
            // The tries that speak the other kind's protocol to the chip are expected to puzzle
            // a simulated one; only what the naming read itself did counts.
            const TChipIdentity identity = FindChipIdentity(
                access.Pins, [&] { static_cast<void>(access.Connection.TakeViolations()); });
            if (!identity.DeviceIndex) {
                streams.Err << "vantrel-cli: " << IdentityText(identity)
                            << "\nvantrel-cli: parts without a device ID (16C84, 16F83, 16F84 "
                               "and the EPROM parts) cannot be named this way\n";
                return static_cast<int>(kExitOperationFailed);
            }
            streams.Out << ChipAnswersText(identity) << "\n";
            return static_cast<int>(kExitSuccess);
        });
}

}  // namespace vantrel::cli
