#include "cli/cli_commands.h"
#include "cli/cli_image.h"
#include "hexfile/hex_writer.h"
#include "hexfile/text_file.h"

namespace vantrel::cli {

int RunRehexCommand(const TCliOptions& options, TCliStreams streams) {
    const auto input = RequireDeviceAndFile(options, streams.Err);
    if (!input) {
        return kExitBadInput;
    }
    TDeviceState state;
    TConfigModel config(state);
    if (!LoadFileForDevice(*input, state, config, streams.Err)) {
        return kExitBadInput;
    }
    const std::string text = JoinLines(BufferToHex(state.Image, state.Device()));
    return WriteResult(options, text, streams) ? kExitSuccess : kExitBadInput;
}

}  // namespace vantrel::cli
