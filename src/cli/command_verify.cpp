#include "cli/cli_chip_operation.h"

namespace vantrel::cli {

int RunVerifyCommand(const TCliOptions& options, TCliStreams streams) {
    const auto session = ChipSessionWithFile(options, streams.Err);
    if (!session) {
        return kExitBadInput;
    }
    return RunChipOperation(options, streams, *session, streams.Out, TChipOperation::Verify);
}

}  // namespace vantrel::cli
