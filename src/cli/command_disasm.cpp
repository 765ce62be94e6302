#include "cli/cli_commands.h"
#include "cli/cli_image.h"
#include "disasm/source_generator.h"
#include "hexfile/text_file.h"

namespace vantrel::cli {

int RunDisasmCommand(const TCliOptions& options, TCliStreams streams) {
    const auto input = RequireDeviceAndFile(options, streams.Err);
    if (!input) {
        return kExitBadInput;
    }
    // Refused before the file is read, as the window refuses before it does anything.
    if (const auto refusal = DisassemblerRefusal(DeviceTable.at(input->DeviceIndex))) {
        TStreamMessageBox(streams.Err).ShowMessage(*refusal);
        return kExitBadInput;
    }
    TDeviceState state;
    TConfigModel config(state);
    if (!LoadFileForDevice(*input, state, config, streams.Err)) {
        return kExitBadInput;
    }
    TDisassembler disassembler;
    const std::vector<std::string>& lines =
        GenerateSource(disassembler, state.Image, state.Device());
    return WriteResult(options, JoinLines(lines), streams) ? kExitSuccess : kExitBadInput;
}

}  // namespace vantrel::cli
