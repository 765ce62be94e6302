#include "cli/cli_chip_operation.h"

#include <unistd.h>

#include <iostream>

#include "cli/cli_image.h"
#include "cli/cli_output.h"
#include "cli/cli_port.h"
#include "cli/cli_programming_ui.h"
#include "hardware/port_detection.h"
#include "service/chip_operation.h"

namespace vantrel::cli {

namespace {

TCliUiSettings UiSettings(const TCliOptions& options, TCliStreams streams,
                          const std::ostream& status) {
    TCliUiSettings settings;
    settings.AssumeYes = options.AssumeYes;
    settings.Interactive = IsTerminal(streams.Err) && isatty(STDIN_FILENO) != 0;
    settings.ProgressOnStatus = IsTerminal(status);
    return settings;
}

std::unique_ptr<TVantrelSession> NewSession(const TCliOptions& options) {
    auto session = std::make_unique<TVantrelSession>();
    session->Options.AutoVerify = !options.NoVerify;
    session->Options.BlankCheck = !options.NoBlankCheck;
    session->Options.ChangeCal = options.ChangeCal;
    session->Hardware = HardwareSettingsFrom(options);
    return session;
}

// What the operation's own messages did not say already.
void ReportUnshownFailure(const TOperationResult& result, std::ostream& err) {
    if (result.Outcome == TOperationOutcome::Cancelled) {
        err << "vantrel-cli: interrupted by signal " << result.StopReason
            << "; switching the programmer off\n";
    } else if (!result.FailureShown && !result.Failure.empty()) {
        err << "vantrel-cli: " << result.Failure << "\n";
    }
}

}  // namespace

std::unique_ptr<TVantrelSession> ChipSession(const TCliOptions& options, std::ostream& err) {
    const auto device = RequireDevice(options, err);
    if (!device) {
        return nullptr;
    }
    auto session = NewSession(options);
    session->Config.ChangeDevice(*device);
    return session;
}

std::unique_ptr<TVantrelSession> ChipSessionWithFile(const TCliOptions& options,
                                                     std::ostream& err) {
    const auto input = RequireDeviceAndFile(options, err);
    if (!input) {
        return nullptr;
    }
    auto session = NewSession(options);
    const auto loaded = LoadFileForDevice(*input, session->Device, session->Config, err);
    if (!loaded) {
        return nullptr;
    }
    // A file with nothing in it would erase the chip and program blanks; values the image could
    // not hold would be missing from the chip while the operation reports success.
    if (loaded->DataRecords == 0) {
        err << "vantrel-cli: " << NoHexDataText(input->Path) << "\n";
        return nullptr;
    }
    if (loaded->OutsideValues != 0 && !options.IgnoreOutside) {
        err << "vantrel-cli: " << input->Path << ": "
            << OutsideValuesText(*loaded, session->Device.Device()) << "; --ignore-outside "
            << (options.Command == "verify" ? "verifies" : "writes") << " the rest anyway\n";
        return nullptr;
    }
    return session;
}

int RunChipOperation(const TCliOptions& options, TCliStreams streams, TVantrelSession& session,
                     std::ostream& status, TChipOperation operation, bool* succeeded) {
    return RunWithProgrammer(
        options, streams, session.Hardware, TPortScope::ConfiguredPort,
        [&](TProgrammerAccess& access) {
            const std::uint16_t port = session.Hardware.PortBase;
            if (options.CheckPort && !TestPort(access.Pins, session.Device.Device(), port)) {
                streams.Err << "vantrel-cli: no programmer answers on port "
                            << PortAddressText(port, false) << "\n";
                return static_cast<int>(kExitNoProgrammer);
            }
            if (access.Connection.Simulated()) {
                // Said plainly, so nobody takes the result for a programmed chip.
                streams.Err << kSimulatedProgrammerNotice << "\n";
            }
            TCliProgrammingUi ui(status, streams.Err, std::cin,
                                 UiSettings(options, streams, status),
                                 {options.ForceDevice, options.Calibration});
            const TOperationResult result =
                vantrel::RunChipOperation(access.Connection, operation, session, ui, access.Stop);
            ReportUnshownFailure(result, streams.Err);
            if (succeeded != nullptr) {
                *succeeded = result.Outcome == TOperationOutcome::Succeeded;
            }
            return ExitStatusOf(result);
        });
}

}  // namespace vantrel::cli
