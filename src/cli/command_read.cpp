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
    const int status_code =
        RunChipOperation(options, streams, *session, status, TChipOperation::Read);
    if (status_code != kExitSuccess) {
        return status_code;
    }
    // Written only once the programmer is off and the read is complete.
    const std::string text =
        JoinLines(BufferToHex(session->Device.Image, session->Device.Device()));
    return WriteResult(options, text, streams) ? kExitSuccess : kExitBadInput;
}

}  // namespace vantrel::cli
