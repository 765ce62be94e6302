#include "service/programmer_connection.h"

#include <filesystem>
#include <optional>
#include <ostream>

#include "hardware/direct_port.h"
#include "hardware/millisecond_clock.h"
#include "hardware/port_bus.h"
#include "hardware/port_trace.h"
#include "hardware/ppdev_port.h"
#include "hardware/programmer_presets.h"
#include "hexfile/text_file.h"
#include "sim/sim_chip_file.h"
#include "sim/simulated_board.h"

namespace vantrel {

namespace {

constexpr std::string_view kDefaultSimBoard = "p16pro40-7407";

std::vector<std::uint16_t> BasesOf(TPortScope scope, std::uint16_t portBase) {
    if (scope == TPortScope::ConfiguredPort) {
        return {portBase};
    }
    return {PortAddresses.begin(), PortAddresses.begin() + kNoPortIndex};
}

// The board's wiring: the preset the settings name, or the one matching the default wiring.
const TProgrammerPreset* SimulatedBoardPreset(const TSimulatorSettings& simulator) {
    const std::string_view name =
        simulator.Board.empty() ? kDefaultSimBoard : std::string_view(simulator.Board);
    const TProgrammerPreset* preset = FindPresetByCommandName(name);
    return preset != nullptr && preset->Wiring ? preset : nullptr;
}

// The chip kept in `path`; nothing, with the reason, when the file cannot be read or is
// malformed.
std::optional<TSimChipState> LoadKeptChip(const std::string& path,
                                          std::vector<std::string>& errors) {
    std::string text;
    if (const TFileResult read = ReadTextFile(path, text); !read.Ok) {
        errors.push_back(read.Error);
        return std::nullopt;
    }
    TSimChipFileResult parsed = ParseSimChipFile(text);
    if (!parsed.Chip) {
        errors.push_back(path + ": " + parsed.Error);
        return std::nullopt;
    }
    return std::move(parsed.Chip);
}

}  // namespace

struct TProgrammerConnection::TImpl {
    explicit TImpl(THardwareSettings& hardware) : Settings(hardware) {}

    THardwareSettings& Settings;
    // The system interfaces outlive the ports that use them: members go in reverse order.
    TLinuxPpdevSystem PpdevSystem;
    TSystemDirectIo DirectIo;
    TSystemClock SystemClock;
    TVirtualClock VirtualClock;
    std::unique_ptr<TSimulatedBoard> Board;
    bool ChipKeptInFile = false;
    TPortBus Bus;
    std::optional<TPortTrace> Trace;
    std::optional<TTracingPort> TracingPort;
    std::optional<TPinLayer> Pins;
    bool Closed = false;

    [[nodiscard]] bool OpenSimulated(const std::vector<std::uint16_t>& bases,
                                     const TConnectionOptions& options,
                                     std::vector<std::string>& errors);
    [[nodiscard]] bool OpenReal(const std::vector<std::uint16_t>& bases,
                                std::vector<std::string>& errors);
};

bool TProgrammerConnection::TImpl::OpenSimulated(const std::vector<std::uint16_t>& bases,
                                                 const TConnectionOptions& options,
                                                 std::vector<std::string>& errors) {
    const TSimulatorSettings& simulator = Settings.Simulator;
    const TProgrammerPreset* preset = SimulatedBoardPreset(simulator);
    if (preset == nullptr) {
        errors.push_back("unknown simulated board '" + simulator.Board + "'");
        return false;
    }
    TSimFaults faults;
    for (const std::string& name : simulator.Faults) {
        if (std::string error = AddSimFault(name, faults); !error.empty()) {
            errors.push_back(std::move(error));
            return false;
        }
    }
    TSimChipState chip;
    std::error_code missing;
    const bool keptFileExists =
        !simulator.ChipFile.empty() && std::filesystem::exists(simulator.ChipFile, missing);
    if (faults.NoChip) {
        // An empty socket: the kept chip, if any, stays in its file untouched.
    } else if (keptFileExists) {
        auto kept = LoadKeptChip(simulator.ChipFile, errors);
        if (!kept) {
            return false;
        }
        chip = std::move(*kept);
    } else if (options.SimulatedDevice) {
        chip = FactoryFreshChip(*options.SimulatedDevice);
    } else {
        faults.NoChip = true;  // no chip kept and none chosen
    }
    ChipKeptInFile = !faults.NoChip && !simulator.ChipFile.empty();
    const std::uint16_t boardBase = Settings.PortBase;
    Board = std::make_unique<TSimulatedBoard>(VirtualClock, *preset->Wiring, boardBase);
    Board->LoadSocket(std::move(chip), faults);
    for (const std::uint16_t base : bases) {
        if (base == boardBase) {
            Bus.Attach(base, *Board);
        } else {
            Bus.AttachEmpty(base);
        }
    }
    return true;
}

bool TProgrammerConnection::TImpl::OpenReal(const std::vector<std::uint16_t>& bases,
                                            std::vector<std::string>& errors) {
    std::vector<std::string> failures;
    bool any = false;
    for (const std::uint16_t base : bases) {
        TOpenedPort opened = Settings.Driver == TPortDriver::Direct
                                 ? TDirectPort::Open(base, DirectIo)
                                 : TPpdevPort::Open(base, PpdevSystem);
        if (opened.Port) {
            Bus.Attach(base, std::move(opened.Port));
            any = true;
        } else {
            Bus.AttachEmpty(base);
            failures.push_back(std::move(opened.Error));
        }
    }
    if (!any) {
        errors.insert(errors.end(), failures.begin(), failures.end());
    }
    return any;
}

TProgrammerConnection::TOpened TProgrammerConnection::Open(THardwareSettings& settings,
                                                           const TConnectionOptions& options) {
    auto impl = std::make_unique<TImpl>(settings);
    TOpened result;
    const std::vector<std::uint16_t> bases = BasesOf(options.Scope, settings.PortBase);
    if (settings.Driver == TPortDriver::Simulated) {
        if (!impl->OpenSimulated(bases, options, result.Errors)) {
            // An unusable simulator setting is a bad setting, but it leaves the program without
            // a programmer all the same.
            result.Failure = TConnectionFailure::NoProgrammer;
            return result;
        }
    } else if (!impl->OpenReal(bases, result.Errors)) {
        result.Failure = TConnectionFailure::NoProgrammer;
        return result;
    }
    TPortAccess* port = &impl->Bus;
    if (options.Trace != nullptr) {
        impl->Trace.emplace(*options.Trace);
        impl->TracingPort.emplace(impl->Bus, *impl->Trace);
        port = &*impl->TracingPort;
    }
    TMillisecondClock& clock =
        impl->Board ? static_cast<TMillisecondClock&>(impl->VirtualClock) : impl->SystemClock;
    impl->Pins.emplace(settings, *port, clock, impl->Trace ? &*impl->Trace : nullptr);
    result.Connection.reset(new TProgrammerConnection(std::move(impl)));
    result.Connection->Pins().SwitchOutputsOff();
    return result;
}

TProgrammerConnection::TProgrammerConnection(std::unique_ptr<TImpl> impl)
    : impl_(std::move(impl)) {}

TProgrammerConnection::~TProgrammerConnection() {
    if (!impl_->Closed) {
        static_cast<void>(Close());
    }
}

TPinLayer& TProgrammerConnection::Pins() {
    return *impl_->Pins;
}

bool TProgrammerConnection::Simulated() const {
    return impl_->Board != nullptr;
}

TSimulatedBoard* TProgrammerConnection::Board() {
    return impl_->Board.get();
}

void TProgrammerConnection::FollowDevice(std::uint8_t deviceIndex) {
    TSimulatedBoard* board = impl_->Board.get();
    if (board == nullptr || impl_->ChipKeptInFile || board->Chip() == nullptr ||
        board->ChipState().DeviceIndex == deviceIndex) {
        return;
    }
    board->LoadSocket(FactoryFreshChip(deviceIndex), board->Faults());
}

std::string TProgrammerConnection::TakeViolations() {
    TSimulatedBoard* board = impl_->Board.get();
    if (board == nullptr || board->Violations().Empty()) {
        return {};
    }
    TSimViolationLog& log = board->Violations();
    // A real chip would not say what went wrong on its pins; the simulator can, and a user
    // trying out a wiring or a timing wants to know.
    std::string text = "the simulated chip saw " + std::to_string(log.Count()) +
                       " protocol or timing violation" + (log.Count() == 1 ? "" : "s") + ":\n" +
                       log.Describe();
    log.Clear();
    return text;
}

std::string TProgrammerConnection::KeepSimulatedChip() {
    TSimulatedBoard* board = impl_->Board.get();
    if (board == nullptr || !impl_->ChipKeptInFile || board->Chip() == nullptr) {
        return {};
    }
    const TFileResult written = WriteTextFileAtomically(impl_->Settings.Simulator.ChipFile,
                                                        FormatSimChipFile(board->ChipState()));
    return written.Ok ? std::string() : "the simulated chip was not kept: " + written.Error;
}

TProgrammerConnection::TCloseReport TProgrammerConnection::Close() {
    TCloseReport report;
    if (impl_->Closed) {
        return report;
    }
    impl_->Closed = true;
    try {
        Pins().SwitchSuppliesOff();
    } catch (const std::exception& e) {
        report.SwitchOffFailure = std::string("could not switch the programmer off: ") + e.what();
    }
    report.Violations = TakeViolations();
    report.KeepFailure = KeepSimulatedChip();
    return report;
}

}  // namespace vantrel
