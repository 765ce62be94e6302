#pragma once

#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "hardware/hardware_settings.h"
#include "hardware/pin_layer.h"

namespace vantrel {

class TSimulatedBoard;
class TPpdevSystem;
class TDirectIo;

// Which ports a connection opens.
enum class TPortScope {
    Candidates,      // every candidate address, which port detection tries in turn, and
                     // PortBase when it is none of them
    ConfiguredPort,  // only the one at PortBase: enough for the chip operations
};

struct TConnectionOptions {
    TPortScope Scope = TPortScope::ConfiguredPort;
    // Records every port access and delay, when given (see TPortTrace).
    std::ostream* Trace = nullptr;
    // The device of a factory-fresh chip in the simulated socket when the settings' chip file
    // keeps none. A kept chip is used as it is, whatever its device: a wrong chip in the socket
    // is for the chip operations' device ID check to find, as on a real programmer. Nothing and
    // no kept chip: an empty socket, where the board alone answers port detection.
    std::optional<std::uint8_t> SimulatedDevice;
    // Where the locks on ports and chip files are kept; empty: the system's (SystemLockDirectory).
    std::filesystem::path LockDirectory;
    // What the real back-ends talk to; null: the machine's own kernel and I/O instructions.
    // Tests put fakes here.
    TPpdevSystem* PpdevSystem = nullptr;
    TDirectIo* DirectIo = nullptr;
};

// Why a connection could not be opened.
enum class TConnectionFailure {
    None,
    NoProgrammer,  // no port could be opened: no device node, no permission, no driver
    BadInput,      // the simulator's settings are unusable (unknown board or fault, a chip file
                   // that cannot be read or is corrupt)
};

// The programmer as one program run holds it: the port back-end the settings name (ppdev,
// direct or the simulated board), behind a bus of the addresses it may reach, with the pin
// layer over the settings. It holds the programmer for itself while it is open: each port is
// claimed exclusively (ppdev's exclusive claim) and locked, whichever back-end reaches it, and a
// simulated chip file is locked, so a second program is refused with "in use by another program
// (PID n)" rather than mixing its accesses or its chip in. The settings stay the caller's: the
// hardware settings window and port detection change them while the connection is open, and every
// routine reads the delays from them. Closing - or destroying - the connection switches Vpp, Vpp40
// and Vdd off, as the end of the program does.
class TProgrammerConnection {
  public:
    struct TOpened {
        std::unique_ptr<TProgrammerConnection> Connection;  // null when opening failed
        TConnectionFailure Failure = TConnectionFailure::None;
        std::vector<std::string> Errors;  // why, with what to do about it, one text each
    };

    // Opens the back-end of `settings.Driver` and switches every output off, as the window's
    // start-up does. A base that cannot be opened stays on the bus as an empty address, so port
    // detection finds no programmer there; opening fails only when no base could be opened.
    [[nodiscard]] static TOpened Open(THardwareSettings& settings,
                                      const TConnectionOptions& options);

    ~TProgrammerConnection();
    TProgrammerConnection(const TProgrammerConnection&) = delete;
    TProgrammerConnection& operator=(const TProgrammerConnection&) = delete;

    [[nodiscard]] TPinLayer& Pins();
    [[nodiscard]] bool Simulated() const;
    // The simulated board; null on a real port.
    [[nodiscard]] TSimulatedBoard* Board();

    // The simulated socket follows the chosen device when its chip is fresh each run: a chip
    // of another device is replaced by a fresh one. A chip kept in a file stays as it is, as a
    // real chip would. Nothing happens on a real port or with an empty socket.
    void FollowDevice(std::uint8_t deviceIndex);

    // What the simulated chip saw since the last call that a real chip would not accept, as
    // lines; empty when nothing (or on a real port).
    [[nodiscard]] std::string TakeViolations();

    // Saves the simulated chip into the settings' chip file, when there is one; an error text,
    // empty when kept (or when there is nothing to keep).
    [[nodiscard]] std::string KeepSimulatedChip();

    // What closing found, one text each; empty texts when all went well.
    struct TCloseReport {
        std::string SwitchOffFailure;  // the port failed while the outputs were switched off
        std::string Violations;        // as TakeViolations
        std::string KeepFailure;       // as KeepSimulatedChip
    };

    // The end of the run: Vpp, Vpp40 and Vdd off, the simulated chip kept. Nothing touches the
    // port afterwards; closing again reports nothing.
    [[nodiscard]] TCloseReport Close();

  private:
    struct TImpl;
    explicit TProgrammerConnection(std::unique_ptr<TImpl> impl);

    std::unique_ptr<TImpl> impl_;
};

}  // namespace vantrel
