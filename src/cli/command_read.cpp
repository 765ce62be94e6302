#include <ostream>

#include "cli/cli_chip_operation.h"
#include "cli/cli_image.h"
#include "hexfile/hex_writer.h"
#include "hexfile/text_file.h"

namespace vantrel::cli {

int RunReadCommand(const TCliOptions& options, TCliStreams streams) {
    if (!options.Arguments.empty()) {
        streams.Err << "vantrel-cli: 'read' takes no arguments; name the output with -o OUT\n";
        return kExitBadInput;
    }
    const auto session = ChipSession(options, streams.Err);
    if (!session) {
        return kExitBadInput;
    }
    // Without -o the image goes to standard output, so the status texts go to the other stream.
    std::ostream& status = options.OutputFile ? streams.Out : streams.Err;
    bool readComplete = false;
    const int exitStatus =
        RunChipOperation(options, streams, *session, status, TChipOperation::Read, &readComplete);
    if (!readComplete) {
        return exitStatus;
    }
    // Written only once the programmer is off and the read is complete - and then always: what
    // was read is the user's even when the simulated chip could not be kept afterwards.
    const std::string text =
        JoinLines(BufferToHex(session->Device.Image, session->Device.Device()));
    if (!WriteResult(options, text, streams) && exitStatus == kExitSuccess) {
        return kExitBadInput;
    }
    return exitStatus;
}

}  // namespace vantrel::cli
