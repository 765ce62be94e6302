#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "hardware/millisecond_clock.h"
#include "hardware/pin_assignment.h"
#include "hardware/port_access.h"
#include "hardware/port_lines.h"
#include "sim/sim_chip.h"
#include "sim/sim_faults.h"
#include "sim/sim_violation.h"

namespace vantrel {

// The levels the board puts on the socket (after its buffers and inversions), and the data
// line as it stands.
struct TSocketLevels {
    bool Vdd = false;
    bool Vpp = false;    // the 18-pin socket's programming voltage
    bool Vpp40 = false;  // the 40-pin socket's
    bool Mclr = false;   // true: reset released
    bool Clock = false;
    bool DataOut = false;  // what the board drives onto the data line
    bool DataLine = false;
};

// A simulated parallel-port programmer board with a socket, behind the three registers of one
// port base address. Its wiring is its own, fixed when it is made (one of the programmer
// presets); a host configured with another wiring fails against it as it would against the
// real board. Every register access costs kPortAccessMicroseconds of the shared virtual clock.
//
// The data line is open: the board's buffer and the chip can each pull it low, and a pull-up
// powered from the switched Vdd makes it high otherwise. With Vdd on and nothing pulling low it
// follows data-out, which is what port detection looks for. Vpp switched on dominates the MCLR
// reset pull, so the MCLR line matters only while Vpp is off.
class TSimulatedBoard final : public TPortAccess {
  public:
    static constexpr std::uint64_t kPortAccessMicroseconds = 1;
    // Status bits with nothing wired read as pins left open on a PC port: pulled high, Busy
    // inverted by the port to 0; bits 0..2 read 1.
    static constexpr std::uint8_t kOpenStatus = 0x7F;
    // Control bits 6 and 7 do not exist and read 1; the others read back what was written.
    static constexpr std::uint8_t kControlUnusedBits = 0xC0;
    static constexpr std::uint8_t kControlImplementedBits = 0x3F;
    static constexpr std::uint8_t kAbsentPort = 0xFF;

    // A board wired as `wiring`. Data-in must be a status line (12..16).
    TSimulatedBoard(TVirtualClock& clock, const TWiring& wiring,
                    std::uint16_t portBase = kDefaultPortBase);
    // A board wired like the "P16PRO40 Programmer with 7407", which matches the program's
    // default wiring.
    explicit TSimulatedBoard(TVirtualClock& clock);
    ~TSimulatedBoard() override;

    std::uint8_t DlPortReadPortUchar(std::uint32_t port) override;
    void DlPortWritePortUchar(std::uint32_t port, std::uint8_t value) override;

    // Puts a chip into the socket (replacing any there) and returns it.
    TSimChip& InsertChip(TSimChipState chip);
    // A chip fresh from the factory for DeviceTable[deviceIndex].
    TSimChip& InsertChip(std::uint8_t deviceIndex);
    // Takes the chip out; its cells, or nothing if the socket was empty.
    std::optional<TSimChipState> RemoveChip();

    [[nodiscard]] TSimChip* Chip() { return chip_.get(); }
    // The cells of the chip in the socket; throws std::logic_error when it is empty.
    [[nodiscard]] TSimChipState& ChipState();

    [[nodiscard]] TSimViolationLog& Violations() { return violations_; }
    // The live faults; no-chip and protected act through LoadSocket.
    [[nodiscard]] TSimFaults& Faults() { return faults_; }
    [[nodiscard]] TSocketLevels Socket() const { return levels_; }
    [[nodiscard]] const TWiring& Wiring() const { return wiring_; }
    [[nodiscard]] std::uint16_t PortBase() const { return portBase_; }
    [[nodiscard]] TVirtualClock& Clock() { return clock_; }
    // Rising clock edges that reached a chip in the socket.
    [[nodiscard]] std::uint64_t ClockPulses() const { return clockPulses_; }

    // Fills the socket as `faults` says: empty for no-chip, otherwise `chip` (with its code
    // protection switched on for protected), and makes `faults` the board's live faults.
    void LoadSocket(TSimChipState chip, const TSimFaults& faults);

  private:
    [[nodiscard]] std::uint32_t RegisterAddress(std::uint8_t offset) const;
    [[nodiscard]] bool OutputLevel(const TPinAssignment& pin) const;
    [[nodiscard]] bool ComputeDataLine() const;
    [[nodiscard]] std::uint8_t StatusRegister() const;
    void Refresh();

    TVirtualClock& clock_;
    TWiring wiring_;
    std::uint16_t portBase_;
    std::uint8_t data_;
    std::uint8_t control_;
    TSocketLevels levels_;
    TSimFaults faults_;
    TSimViolationLog violations_;
    std::unique_ptr<TSimChip> chip_;
    std::uint64_t clockPulses_ = 0;
};

}  // namespace vantrel
