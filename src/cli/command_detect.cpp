#include <ostream>

#include "cli/cli_commands.h"
#include "cli/cli_image.h"
#include "cli/cli_port.h"
#include "device/device_state.h"
#include "hardware/port_detection.h"
#include "programming/chip_identity.h"

namespace vantrel::cli {

namespace {

// The port panel's text is the command's output; the buttons it would enable follow from the
// exit status.
class TStreamPortStatus final : public TPortStatusView {
  public:
    explicit TStreamPortStatus(std::ostream& out) : out_(out) {}
    void ShowPortName(std::string_view text) override { out_ << text << "\n"; }
    void EnableOperations(const TOperationButtons&) override {}

  private:
    std::ostream& out_;
};

// With -d, whether that device's chip answers in the socket: "16F877A revision 7 answers". Parts
// without a device ID cannot tell; the port alone decides for them.
int CheckChipOfDevice(TPinLayer& pins, std::uint8_t deviceIndex, TCliStreams streams) {
    const TPicDevice& device = DeviceTable.at(deviceIndex);
    if (!DeviceIdFacts(device)) {
        return kExitSuccess;
    }
    const TChipIdentity identity = ReadChipIdentity(pins, device);
    if (!identity.Answered()) {
        streams.Err << "vantrel-cli: " << NoChipText(identity) << "\n";
        return kExitOperationFailed;
    }
    if (identity.DeviceIndex != deviceIndex) {
        streams.Err << "vantrel-cli: " << OtherDeviceText(identity, device) << "\n";
        return kExitOperationFailed;
    }
    streams.Out << ChipAnswersText(identity) << "\n";
    return kExitSuccess;
}

}  // namespace

int RunDetectCommand(const TCliOptions& options, TCliStreams streams) {
    if (!options.Arguments.empty()) {
        streams.Err << "vantrel-cli: 'detect' takes no arguments\n";
        return kExitBadInput;
    }
    // The device decides which Vpp line the test switches off; without -d, the default one.
    TDeviceState state;
    if (!options.DeviceName.empty()) {
        const auto device = RequireDevice(options, streams.Err);
        if (!device) {
            return kExitBadInput;
        }
        state.CurrentDevice = *device;
    }
    THardwareSettings settings = HardwareSettingsFrom(options);
    return RunWithProgrammer(
        options, streams, settings, TPortScope::Candidates, [&](TProgrammerAccess& programmer) {
            TStreamPortStatus view(streams.Out);
            if (!FindPort(programmer.Pins, state.Device(), view)) {
                return static_cast<int>(kExitNoProgrammer);
            }
            return options.DeviceName.empty()
                       ? static_cast<int>(kExitSuccess)
                       : CheckChipOfDevice(programmer.Pins, state.CurrentDevice, streams);
        });
}

}  // namespace vantrel::cli
