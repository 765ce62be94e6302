#include "cli/cli_port.h"

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <ostream>

#include "cli/cli_image.h"
#include "hardware/port_error.h"

namespace vantrel::cli {

namespace {

constexpr int kExitSignalBase = 128;

// The token a signal handler sets. It cannot live in a session object: the handler has no way
// to reach one, so this one pointer is the program's only mutable global.
std::atomic<TStopToken*> signalledToken{nullptr};
static_assert(std::atomic<TStopToken*>::is_always_lock_free, "a signal handler reads it");

extern "C" void RequestStop(int signal) {
    if (TStopToken* token = signalledToken.load()) {
        token->Request(signal);
    }
}

// Catches every terminating signal the program can catch while the programmer is open - an
// interrupt, a termination, a hang-up of the terminal, a quit, a reader of standard output that
// went away - so the operation ends at the next port access and the outputs are switched off;
// puts the previous handlers back afterwards. A hang-up, interrupt or quit that was ignored when
// the program started (nohup, a background job of a script) stays ignored: whoever started it
// that way meant the operation to survive them.
class TSignalCatcher {
  public:
    explicit TSignalCatcher(TStopToken& token) {
        signalledToken.store(&token);
        struct sigaction action {};
        action.sa_handler = RequestStop;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            sigaction(kSignals[i], nullptr, &previous_[i]);
            if (previous_[i].sa_handler == SIG_IGN && KeptIgnored(kSignals[i])) {
                continue;
            }
            sigaction(kSignals[i], &action, nullptr);
            installed_[i] = true;
        }
    }
    ~TSignalCatcher() {
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            if (installed_[i]) {
                sigaction(kSignals[i], &previous_[i], nullptr);
            }
        }
        signalledToken.store(nullptr);
    }
    TSignalCatcher(const TSignalCatcher&) = delete;
    TSignalCatcher& operator=(const TSignalCatcher&) = delete;

  private:
    static constexpr std::array<int, 5> kSignals{SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE};
    static bool KeptIgnored(int signal) {
        return signal == SIGHUP || signal == SIGINT || signal == SIGQUIT;
    }
    std::array<struct sigaction, kSignals.size()> previous_{};
    std::array<bool, kSignals.size()> installed_{};
};

int RunGuarded(TProgrammerAccess& access, const TProgrammerBody& body, std::ostream& err) {
    try {
        const TStopScope armed(access.Pins, access.Stop);
        return body(access);
    } catch (const TOperationStopped& stopped) {
        err << "vantrel-cli: interrupted by signal " << stopped.Reason
            << "; switching the programmer off\n";
        return kExitSignalBase + stopped.Reason;
    } catch (const TPortError& e) {
        err << "vantrel-cli: " << e.what() << "\n";
        return kExitNoProgrammer;
    } catch (const std::exception& e) {
        err << "vantrel-cli: " << e.what() << "\n";
        return kExitOperationFailed;
    }
}

// A failure after the body is reported, and turns success into failure, never the other way.
void FailIfSucceeded(int& status, int failure) {
    if (status == kExitSuccess) {
        status = failure;
    }
}

// The chip in the simulated socket when no chip file keeps one: a fresh one of the -d device,
// or none (the board alone answers port detection). A kept chip is in the socket whatever -d
// says, as a wrong chip may be in a real one.
bool SimulatedDevice(const TCliOptions& options, const THardwareSettings& settings,
                     std::optional<std::uint8_t>& device, std::ostream& err) {
    if (settings.Driver != TPortDriver::Simulated || options.DeviceName.empty()) {
        return true;
    }
    device = RequireDevice(options, err);
    return device.has_value();
}

// Reports what closing the programmer found, and turns success into the failure it means.
void ReportClose(const TProgrammerConnection::TCloseReport& report, std::ostream& err,
                 int& status) {
    if (!report.SwitchOffFailure.empty()) {
        err << "vantrel-cli: " << report.SwitchOffFailure << "\n";
        FailIfSucceeded(status, kExitNoProgrammer);
    }
    // A real chip would have taken what the simulated one logged and failed later, perhaps
    // in the field: the operation did not succeed.
    if (!report.Violations.empty()) {
        err << "vantrel-cli: " << report.Violations;
        FailIfSucceeded(status, kExitOperationFailed);
    }
    if (!report.KeepFailure.empty()) {
        err << "vantrel-cli: " << report.KeepFailure << "\n";
        FailIfSucceeded(status, kExitOperationFailed);
    }
}

}  // namespace

THardwareSettings HardwareSettingsFrom(const TCliOptions& options) {
    THardwareSettings settings = options.Stored;
    settings.Driver = options.Driver.value_or(settings.Driver);
    settings.Simulator.ChipFile = options.SimChipFile.value_or(settings.Simulator.ChipFile);
    settings.Simulator.Board = options.SimBoard;
    settings.Simulator.Faults = options.SimFaults;
    settings.PortBase = options.PortBase.value_or(settings.PortBase);
    settings.VppDelay = options.VppDelay.value_or(settings.VppDelay);
    settings.ProgDelay = options.ProgDelay.value_or(settings.ProgDelay);
    settings.Timing = options.Timing.value_or(settings.Timing);
    if (options.ProgrammerType) {
        // A preset sets the whole wiring; custom keeps the wiring as it is.
        settings.ProgrammerType = *options.ProgrammerType;
        for (const TProgrammerPreset& preset : ProgrammerPresets) {
            if (preset.ProgrammerType == settings.ProgrammerType && preset.Wiring) {
                settings.Wiring = *preset.Wiring;
            }
        }
    }
    return settings;
}

int RunWithProgrammer(const TCliOptions& options, TCliStreams streams, THardwareSettings& settings,
                      TPortScope scope, const TProgrammerBody& body) {
    std::optional<std::uint8_t> device;
    if (!SimulatedDevice(options, settings, device, streams.Err)) {
        return kExitBadInput;
    }
    std::ofstream traceFile;
    if (options.TraceFile) {
        traceFile.open(*options.TraceFile, std::ios::out | std::ios::trunc | std::ios::binary);
        if (!traceFile) {
            streams.Err << "vantrel-cli: cannot create the trace file " << *options.TraceFile
                        << ": " << std::strerror(errno) << "\n";
            return kExitBadInput;
        }
    }
    TConnectionOptions connectionOptions;
    connectionOptions.Scope = scope;
    connectionOptions.Trace = traceFile.is_open() ? &traceFile : nullptr;
    connectionOptions.SimulatedDevice = device;
    TProgrammerConnection::TOpened opened =
        TProgrammerConnection::Open(settings, connectionOptions);
    if (!opened.Connection) {
        for (const std::string& error : opened.Errors) {
            streams.Err << "vantrel-cli: " << error << "\n";
        }
        // A chip file that cannot be read or is corrupt is bad input; the rest means there is
        // no programmer to use.
        return opened.Failure == TConnectionFailure::BadInput ? kExitBadInput : kExitNoProgrammer;
    }
    TProgrammerConnection& connection = *opened.Connection;
    TStopToken stop;
    int status = kExitSuccess;
    {
        const TSignalCatcher signals(stop);
        TProgrammerAccess access{connection, connection.Pins(), stop};
        status = RunGuarded(access, body, streams.Err);
        ReportClose(connection.Close(), streams.Err, status);
        if (stop.Requested() && status < kExitSignalBase) {
            status = kExitSignalBase + stop.Reason();  // came during the switching off
        }
    }
    if (traceFile.is_open() && (traceFile.close(), traceFile.fail())) {
        streams.Err << "vantrel-cli: writing the trace file " << *options.TraceFile << " failed\n";
        FailIfSucceeded(status, kExitOperationFailed);
    }
    return status;
}

int ExitStatusOf(const TOperationResult& result) {
    switch (result.Outcome) {
        case TOperationOutcome::Succeeded:
            return kExitSuccess;
        case TOperationOutcome::Failed:
        case TOperationOutcome::Declined:
            return kExitOperationFailed;
        case TOperationOutcome::Cancelled:
            return kExitSignalBase + result.StopReason;
        case TOperationOutcome::NoProgrammer:
            return kExitNoProgrammer;
    }
    return kExitOperationFailed;
}

}  // namespace vantrel::cli
