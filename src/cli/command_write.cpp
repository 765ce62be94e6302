#include <ostream>

#include "cli/cli_chip_operation.h"
#include "device/image_checksum.h"

namespace vantrel::cli {

// A Write that stopped at the blank check reports no verify failure, as the window shows it; for
// a script the chip was not written, which is a failure.
int RunWriteCommand(const TCliOptions& options, TCliStreams streams) {
    const auto session = ChipSessionWithFile(options, streams.Err);
    if (!session) {
        return kExitBadInput;
    }
    const int status =
        RunChipOperation(options, streams, *session, streams.Out, TChipOperation::Write);
    if (status == kExitSuccess) {
        // The image as written, calibration word included, for comparing with other tools.
        streams.Out << ChecksumText(session->Device.Image, session->Device.Device()) << "\n";
    }
    return status;
}

}  // namespace vantrel::cli
