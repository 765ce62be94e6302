#include "cli/cli_port.h"

#include <array>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <vector>

#include "cli/cli_simulator.h"
#include "hardware/direct_port.h"
#include "hardware/port_bus.h"
#include "hardware/port_error.h"
#include "hardware/port_trace.h"
#include "hardware/ppdev_port.h"

namespace vantrel::cli {

namespace {

constexpr int kExitSignalBase = 128;

// The one value a signal handler may set. It cannot live in a session object: the handler has
// no way to reach one.
volatile std::sig_atomic_t pendingSignal = 0;

extern "C" void RecordSignal(int signal) {
    pendingSignal = signal;
}

// Catches SIGINT and SIGTERM while the programmer is open, so a Ctrl-C ends the operation at the
// next port access and the outputs are switched off, and puts the previous handlers back.
class TSignalCatcher {
  public:
    TSignalCatcher() {
        pendingSignal = 0;
        struct sigaction action {};
        action.sa_handler = RecordSignal;
        sigemptyset(&action.sa_mask);
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            sigaction(kSignals[i], &action, &previous_[i]);
        }
    }
    ~TSignalCatcher() {
        for (std::size_t i = 0; i < kSignals.size(); ++i) {
            sigaction(kSignals[i], &previous_[i], nullptr);
        }
    }
    TSignalCatcher(const TSignalCatcher&) = delete;
    TSignalCatcher& operator=(const TSignalCatcher&) = delete;

  private:
    static constexpr std::array<int, 2> kSignals{SIGINT, SIGTERM};
    std::array<struct sigaction, 2> previous_{};
};

// Deliberately not a std::exception: an operation that reports its own failures by catching
// std::exception must not swallow the interrupt.
struct TInterrupted {
    int Signal;
};

// Stops the body at its next port access once a signal has come; disarmed for the final
// switching off, which must run to the end.
class TInterruptiblePort final : public TPortAccess {
  public:
    explicit TInterruptiblePort(TPortAccess& inner) : inner_(inner) {}

    std::uint8_t DlPortReadPortUchar(std::uint32_t port) override {
        Check();
        return inner_.DlPortReadPortUchar(port);
    }
    void DlPortWritePortUchar(std::uint32_t port, std::uint8_t value) override {
        Check();
        inner_.DlPortWritePortUchar(port, value);
    }
    void Disarm() { armed_ = false; }

  private:
    void Check() const {
        if (armed_ && pendingSignal != 0) {
            throw TInterrupted{pendingSignal};
        }
    }

    TPortAccess& inner_;
    bool armed_ = true;
};

// The end of every port-touching command, as the window's shutdown: Vpp, Vpp40 and Vdd off.
// Runs on every way out of the body; a failure is reported, never thrown from here.
class TOutputsOffGuard {
  public:
    TOutputsOffGuard(TPinLayer& pins, TInterruptiblePort& gate, std::ostream& err, bool& failed)
        : pins_(pins), gate_(gate), err_(err), failed_(failed) {}
    ~TOutputsOffGuard() {
        gate_.Disarm();
        try {
            pins_.SetVpp(false);
            pins_.SetVpp40(false);
            pins_.SetVdd(false);
        } catch (const std::exception& e) {
            err_ << "vantrel-cli: could not switch the programmer off: " << e.what() << "\n";
            failed_ = true;
        }
    }
    TOutputsOffGuard(const TOutputsOffGuard&) = delete;
    TOutputsOffGuard& operator=(const TOutputsOffGuard&) = delete;

  private:
    TPinLayer& pins_;
    TInterruptiblePort& gate_;
    std::ostream& err_;
    bool& failed_;
};

// The start of every port-touching command, as the window's start-up.
void SwitchOutputsOff(TPinLayer& pins) {
    pins.SetVpp(false);
    pins.SetVpp40(false);
    pins.SetMCLR(false);
    pins.SetVdd(false);
}

// The back-end of --driver behind a bus of the bases the command may reach. Members are
// destroyed in reverse: the ports release before the system interfaces they use go.
struct TBackEnd {
    TLinuxPpdevSystem PpdevSystem;
    TSystemDirectIo DirectIo;
    TSystemClock SystemClock;
    std::unique_ptr<TSimulatedProgrammer> Simulator;
    TPortBus Bus;
    TMillisecondClock* Clock = &SystemClock;
};

std::vector<std::uint16_t> BasesOf(TPortScope scope, std::uint16_t portBase) {
    if (scope == TPortScope::ConfiguredPort) {
        return {portBase};
    }
    return {PortAddresses.begin(), PortAddresses.begin() + kNoPortIndex};
}

bool OpenSimulated(const TCliOptions& options, const std::vector<std::uint16_t>& bases,
                   TBackEnd& backEnd, std::ostream& err) {
    backEnd.Simulator = OpenSimulatedProgrammer(options, options.PortBase, err);
    if (!backEnd.Simulator) {
        return false;
    }
    backEnd.Clock = &backEnd.Simulator->Clock();
    for (const std::uint16_t base : bases) {
        if (base == options.PortBase) {
            backEnd.Bus.Attach(base, backEnd.Simulator->Port());
        } else {
            backEnd.Bus.AttachEmpty(base);
        }
    }
    return true;
}

// A base that cannot be opened stays on the bus as an empty address, so detection finds no
// programmer there; the messages are shown only when no base could be opened at all.
bool OpenReal(const TCliOptions& options, const std::vector<std::uint16_t>& bases,
              TBackEnd& backEnd, std::ostream& err) {
    std::vector<std::string> errors;
    bool any = false;
    for (const std::uint16_t base : bases) {
        TOpenedPort opened = options.Driver == TPortDriver::Direct
                                 ? TDirectPort::Open(base, backEnd.DirectIo)
                                 : TPpdevPort::Open(base, backEnd.PpdevSystem);
        if (opened.Port) {
            backEnd.Bus.Attach(base, std::move(opened.Port));
            any = true;
        } else {
            backEnd.Bus.AttachEmpty(base);
            errors.push_back(std::move(opened.Error));
        }
    }
    if (!any) {
        for (const std::string& error : errors) {
            err << "vantrel-cli: " << error << "\n";
        }
    }
    return any;
}

bool OpenBackEnd(const TCliOptions& options, TPortScope scope, TBackEnd& backEnd,
                 std::ostream& err) {
    const std::vector<std::uint16_t> bases = BasesOf(scope, options.PortBase);
    return options.Driver == TPortDriver::Simulated ? OpenSimulated(options, bases, backEnd, err)
                                                    : OpenReal(options, bases, backEnd, err);
}

int RunGuarded(TPinLayer& pins, TProgrammerAccess& access, const TProgrammerBody& body,
               std::ostream& err) {
    try {
        SwitchOutputsOff(pins);
        return body(access);
    } catch (const TInterrupted& interrupted) {
        err << "vantrel-cli: interrupted by signal " << interrupted.Signal
            << "; switching the programmer off\n";
        return kExitSignalBase + interrupted.Signal;
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

}  // namespace

THardwareSettings HardwareSettingsFrom(const TCliOptions& options) {
    THardwareSettings settings;
    settings.PortBase = options.PortBase;
    settings.ProgrammerType = options.ProgrammerType;
    settings.VppDelay = options.VppDelay;
    settings.ProgDelay = options.ProgDelay;
    for (const TProgrammerPreset& preset : ProgrammerPresets) {
        if (preset.ProgrammerType == options.ProgrammerType && preset.Wiring) {
            settings.Wiring = *preset.Wiring;
        }
    }
    return settings;
}

int RunWithProgrammer(const TCliOptions& options, TCliStreams streams, TPortScope scope,
                      const TProgrammerBody& body) {
    std::ofstream traceFile;
    std::optional<TPortTrace> trace;
    if (options.TraceFile) {
        traceFile.open(*options.TraceFile, std::ios::out | std::ios::trunc | std::ios::binary);
        if (!traceFile) {
            streams.Err << "vantrel-cli: cannot create the trace file " << *options.TraceFile
                        << ": " << std::strerror(errno) << "\n";
            return kExitBadInput;
        }
        trace.emplace(traceFile);
    }
    TBackEnd backEnd;
    if (!OpenBackEnd(options, scope, backEnd, streams.Err)) {
        return kExitNoProgrammer;
    }
    THardwareSettings settings = HardwareSettingsFrom(options);
    TInterruptiblePort gate(backEnd.Bus);
    std::optional<TTracingPort> tracing;
    if (trace) {
        tracing.emplace(gate, *trace);
    }
    TPortAccess& port = tracing ? static_cast<TPortAccess&>(*tracing) : gate;
    TPinLayer pins(settings, port, *backEnd.Clock, trace ? &*trace : nullptr);
    TProgrammerAccess access{settings, pins};

    int status = kExitSuccess;
    bool switchOffFailed = false;
    {
        const TSignalCatcher signals;
        {
            const TOutputsOffGuard guard(pins, gate, streams.Err, switchOffFailed);
            status = RunGuarded(pins, access, body, streams.Err);
        }
        if (pendingSignal != 0 && status < kExitSignalBase) {
            status = kExitSignalBase + pendingSignal;  // came during the switching off
        }
    }
    if (switchOffFailed) {
        FailIfSucceeded(status, kExitNoProgrammer);
    }
    if (backEnd.Simulator && !backEnd.Simulator->Finish(streams.Err)) {
        FailIfSucceeded(status, kExitOperationFailed);
    }
    if (traceFile.is_open() && (traceFile.close(), traceFile.fail())) {
        streams.Err << "vantrel-cli: writing the trace file " << *options.TraceFile << " failed\n";
        FailIfSucceeded(status, kExitOperationFailed);
    }
    return status;
}

}  // namespace vantrel::cli
