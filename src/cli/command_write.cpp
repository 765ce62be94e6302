#include "cli/cli_chip_operation.h"

namespace vantrel::cli {

// A Write that stopped at the blank check reports no verify failure, as the window shows it; for
// a script the chip was not written, which is a failure.
int RunWriteCommand(const TCliOptions& options, TCliStreams streams) {
    const auto session = ChipSessionWithFile(options, streams.Err);
    if (!session) {
        return kExitBadInput;
    }
    return RunChipOperation(options, streams, *session, streams.Out, TChipOperation::Write);
}

}  // namespace vantrel::cli
