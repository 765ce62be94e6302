#include <ostream>

#include "cli/cli_chip_operation.h"
#include "cli/cli_image.h"

namespace vantrel::cli {

int RunEraseCommand(const TCliOptions& options, TCliStreams streams) {
    if (!options.Arguments.empty()) {
        streams.Err << "vantrel-cli: 'erase' takes no arguments\n";
        return kExitBadInput;
    }
    const auto session = ChipSession(options, streams.Err);
    if (!session) {
        return kExitBadInput;
    }
    const TPicDevice& device = session->Device.Device();
    if (IsEprom(device)) {
        streams.Err << "vantrel-cli: the " << device.Name
                    << " is one-time programmable; it cannot be erased\n";
        return kExitBadInput;
    }
    return RunChipOperation(options, streams, *session, streams.Out, TChipOperation::Erase);
}

}  // namespace vantrel::cli
