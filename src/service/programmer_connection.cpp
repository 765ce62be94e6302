#include "service/programmer_connection.h"

#include <algorithm>
#include <filesystem>
#include <optional>
#include <ostream>

#include "device/hex_text.h"
#include "hardware/direct_port.h"
#include "hardware/millisecond_clock.h"
#include "hardware/port_bus.h"
#include "hardware/port_trace.h"
#include "hardware/ppdev_port.h"
#include "hardware/programmer_presets.h"
#include "hexfile/text_file.h"
#include "service/exclusive_lock.h"
#include "sim/sim_chip_file.h"
#include "sim/simulated_board.h"

namespace vantrel {

namespace {

constexpr std::string_view kDefaultSimBoard = "p16pro40-7407";

std::vector<std::uint16_t> BasesOf(TPortScope scope, std::uint16_t portBase) {
    if (scope == TPortScope::ConfiguredPort) {
        return {portBase};
    }
    std::vector<std::uint16_t> bases(PortAddresses.begin(), PortAddresses.begin() + kNoPortIndex);
    // A port elsewhere (an add-in card's, stored in the settings) is reached too: detection
    // tries only the three, but the chip commands use the port the settings name.
    if (portBase != 0 && std::find(bases.begin(), bases.end(), portBase) == bases.end()) {
        bases.push_back(portBase);
    }
    return bases;
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
    TImpl(THardwareSettings& hardware, const TConnectionOptions& options)
        : Settings(hardware),
          LockDirectory(options.LockDirectory.empty() ? SystemLockDirectory()
                                                      : options.LockDirectory),
          Ppdev(options.PpdevSystem != nullptr ? *options.PpdevSystem : PpdevSystem),
          Direct(options.DirectIo != nullptr ? *options.DirectIo : DirectIo) {}

    THardwareSettings& Settings;
    std::filesystem::path LockDirectory;
    // The system interfaces and the locks outlive the ports that use them: members go in
    // reverse order.
    TLinuxPpdevSystem PpdevSystem;
    TSystemDirectIo DirectIo;
    TPpdevSystem& Ppdev;
    TDirectIo& Direct;
    std::vector<std::unique_ptr<TExclusiveLock>> Locks;
    TSystemClock SystemClock;
    TVirtualClock VirtualClock;
    std::unique_ptr<TSimulatedBoard> Board;
    bool ChipKeptInFile = false;
    TPortBus Bus;
    std::optional<TPortTrace> Trace;
    std::optional<TTracingPort> TracingPort;
    std::optional<TPinLayer> Pins;
    bool Closed = false;

    [[nodiscard]] TConnectionFailure OpenSimulated(const std::vector<std::uint16_t>& bases,
                                                   const TConnectionOptions& options,
                                                   std::vector<std::string>& errors);
    [[nodiscard]] bool OpenReal(const std::vector<std::uint16_t>& bases,
                                std::vector<std::string>& errors);
    [[nodiscard]] TOpenedPort OpenPort(std::uint16_t base);
    [[nodiscard]] bool LockChipFile(std::vector<std::string>& errors);
};

// The port at `base`, claimed and locked for this program alone.
TOpenedPort TProgrammerConnection::TImpl::OpenPort(std::uint16_t base) {
    const std::filesystem::path lockFile = PortLockFile(LockDirectory, base);
    const std::string port = "the port at 0x" + HexWordText(base);
    // Opened first, so a machine without the port never touches the lock folder; nothing is
    // written to the port before it is locked.
    TOpenedPort opened = Settings.Driver == TPortDriver::Direct ? TDirectPort::Open(base, Direct)
                                                                : TPpdevPort::Open(base, Ppdev);
    if (!opened.Port) {
        if (const long holder = opened.InUse ? TExclusiveLock::HolderOf(lockFile) : 0) {
            opened.Error = port + " is " + InUseText(holder);
        }
        return opened;
    }
    TExclusiveLock::TAttempt lock = TExclusiveLock::Take(lockFile);
    if (lock.Outcome != TExclusiveLock::TOutcome::Taken) {
        const bool inUse = lock.Outcome == TExclusiveLock::TOutcome::InUse;
        return {nullptr, inUse ? port + " is " + InUseText(lock.HolderPid) : lock.Error, inUse};
    }
    Locks.push_back(std::move(lock.Lock));
    return opened;
}

// The simulated chip file is the chip: two programs writing it at once would lose one's work.
bool TProgrammerConnection::TImpl::LockChipFile(std::vector<std::string>& errors) {
    const std::string& chipFile = Settings.Simulator.ChipFile;
    TExclusiveLock::TAttempt lock = TExclusiveLock::Take(ChipFileLockFile(LockDirectory, chipFile));
    if (lock.Outcome == TExclusiveLock::TOutcome::Taken) {
        Locks.push_back(std::move(lock.Lock));
        return true;
    }
    errors.push_back(lock.Outcome == TExclusiveLock::TOutcome::InUse
                         ? "the simulated chip file " + chipFile + " is " +
                               InUseText(lock.HolderPid)
                         : lock.Error);
    return false;
}

// An unknown board or fault, or a chip file that cannot be read or is corrupt, is the user's
// input at fault (BadInput); a chip file another program holds leaves no programmer to use.
TConnectionFailure TProgrammerConnection::TImpl::OpenSimulated(
    const std::vector<std::uint16_t>& bases, const TConnectionOptions& options,
    std::vector<std::string>& errors) {
    const TSimulatorSettings& simulator = Settings.Simulator;
    const TProgrammerPreset* preset = SimulatedBoardPreset(simulator);
    if (preset == nullptr) {
        errors.push_back("unknown simulated board '" + simulator.Board + "'");
        return TConnectionFailure::BadInput;
    }
    TSimFaults faults;
    for (const std::string& name : simulator.Faults) {
        if (std::string error = AddSimFault(name, faults); !error.empty()) {
            errors.push_back(std::move(error));
            return TConnectionFailure::BadInput;
        }
    }
    if (!simulator.ChipFile.empty() && !LockChipFile(errors)) {
        return TConnectionFailure::NoProgrammer;
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
            return TConnectionFailure::BadInput;
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
    return TConnectionFailure::None;
}

bool TProgrammerConnection::TImpl::OpenReal(const std::vector<std::uint16_t>& bases,
                                            std::vector<std::string>& errors) {
    std::vector<std::string> failures;
    bool any = false;
    for (const std::uint16_t base : bases) {
        TOpenedPort opened = OpenPort(base);
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
    auto impl = std::make_unique<TImpl>(settings, options);
    TOpened result;
    const std::vector<std::uint16_t> bases = BasesOf(options.Scope, settings.PortBase);
    if (settings.Driver == TPortDriver::Simulated) {
        result.Failure = impl->OpenSimulated(bases, options, result.Errors);
        if (result.Failure != TConnectionFailure::None) {
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
