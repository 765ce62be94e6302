#include "cli/cli_chip_operation.h"

#include <unistd.h>

#include <iostream>

#include "cli/cli_image.h"
#include "cli/cli_port.h"
#include "cli/cli_programming_ui.h"
#include "hardware/port_detection.h"

namespace vantrel::cli {

namespace {

// Only the program's own standard streams can be a terminal; streams of a test never are.
bool IsTerminal(const std::ostream& stream) {
    if (&stream == &std::cout) {
        return isatty(STDOUT_FILENO) != 0;
    }
    if (&stream == &std::cerr) {
        return isatty(STDERR_FILENO) != 0;
    }
    return false;
}

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
    return session;
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
    if (!LoadFileForDevice(*input, session->Device, session->Config, err)) {
        return nullptr;
    }
    return session;
}

int RunChipOperation(const TCliOptions& options, TCliStreams streams, TVantrelSession& session,
                     std::ostream& status, const TChipOperationBody& body) {
    return RunWithProgrammer(
        options, streams, TPortScope::ConfiguredPort, [&](TProgrammerAccess& access) {
            if (options.CheckPort &&
                !TestPort(access.Pins, session.Device.Device(), options.PortBase)) {
                streams.Err << "vantrel-cli: no programmer answers on port "
                            << PortAddressText(options.PortBase, false) << "\n";
                return static_cast<int>(kExitNoProgrammer);
            }
            session.Hardware = access.Settings;
            if (options.Driver == TPortDriver::Simulated) {
                // Said plainly, so nobody takes the result for a programmed chip.
                streams.Err << kSimulatedProgrammerNotice << "\n";
            }
            TCliProgrammingUi ui(status, streams.Err, std::cin,
                                 UiSettings(options, streams, status));
            TProgrammer programmer(session, access.Pins, ui);
            return body(programmer);
        });
}

}  // namespace vantrel::cli
