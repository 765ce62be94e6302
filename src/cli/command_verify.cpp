#include "cli/cli_chip_operation.h"
#include "cli/cli_image.h"

namespace vantrel::cli {

int RunVerifyCommand(const TCliOptions& options, TCliStreams streams) {
    const auto session = ChipSession(options, streams.Err);
    const auto path = RequireFileArgument(options, streams.Err);
    if (!session || !path) {
        return kExitBadInput;
    }
    if (!LoadHexFile(*path, session->Device, session->Config, streams.Err)) {
        return kExitBadInput;
    }
    return RunChipOperation(options, streams, *session, streams.Out, [](TProgrammer& programmer) {
        programmer.VerifyPIC();
        return programmer.OperationOk ? kExitSuccess : kExitOperationFailed;
    });
}

}  // namespace vantrel::cli
