#include <iomanip>
#include <ostream>

#include "cli/cli_commands.h"
#include "device/device_table.h"

namespace vantrel::cli {

int RunDevicesCommand(const TCliOptions& options, TCliStreams streams) {
    if (!options.Arguments.empty()) {
        streams.Err << "vantrel-cli: 'devices' takes no arguments\n";
        return kExitBadInput;
    }
    for (const TPicDevice& device : DeviceTable) {
        streams.Out << std::left << std::setw(9) << device.Name << std::right << std::setw(6)
                    << device.ProgramSize << " words " << std::setw(4) << device.EepromSize
                    << " EEPROM bytes  algorithm " << device.Algorithm << "\n";
    }
    return kExitSuccess;
}

}  // namespace vantrel::cli
