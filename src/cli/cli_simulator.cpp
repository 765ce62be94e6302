#include "cli/cli_simulator.h"

#include <array>

#include "hardware/port_lines.h"
#include "hardware/port_registers.h"

// A powered board with an empty socket, wired as the P16PRO40 programmer with 7407 buffers:
// while Vdd is on, the data-in line reads back what the host drives on data-out. Enough for
// port detection; the full board with chips lives in src/sim.

namespace vantrel::cli {

namespace {

constexpr std::uint8_t kVddBit = 0x04;      // D2, on when low
constexpr std::uint8_t kDataOutBit = 0x01;  // D0
constexpr std::uint8_t kDataInBit = 0x40;   // ACK
constexpr std::uint8_t kIdleStatus = 0x38;  // Error, SEL, PE pulled up; Busy low
constexpr std::uint64_t kAccessMicroseconds = 1;

class TEchoingBoardPort final : public TPortAccess {
  public:
    TEchoingBoardPort(std::uint16_t base, TVirtualClock& clock) : base_(base), clock_(clock) {}

    std::uint8_t DlPortReadPortUchar(std::uint32_t port) override {
        const std::uint8_t offset = Access(port);
        return offset == kStatusRegister ? Status() : registers_[offset];
    }

    void DlPortWritePortUchar(std::uint32_t port, std::uint8_t value) override {
        registers_[Access(port)] = value;
    }

  private:
    std::uint8_t Access(std::uint32_t port) {
        const std::uint8_t offset = RegisterOffsetOf(base_, port);
        clock_.Advance(kAccessMicroseconds);
        return offset;
    }

    // Unpowered, the status line floats high through the port's pull-up.
    std::uint8_t Status() const {
        const std::uint8_t data = registers_[kDataRegister];
        const bool powered = (data & kVddBit) == 0;
        const bool line = powered ? (data & kDataOutBit) != 0 : true;
        return static_cast<std::uint8_t>(kIdleStatus | (line ? kDataInBit : 0));
    }

    std::uint16_t base_;
    TVirtualClock& clock_;
    std::array<std::uint8_t, kPortRegisterCount> registers_{};
};

class TEchoingProgrammer final : public TSimulatedProgrammer {
  public:
    explicit TEchoingProgrammer(std::uint16_t base) : port_(base, clock_) {}

    TPortAccess& Port() override { return port_; }
    TVirtualClock& Clock() override { return clock_; }
    bool Finish(std::ostream&) override { return true; }

  private:
    TVirtualClock clock_;
    TEchoingBoardPort port_;
};

}  // namespace

std::unique_ptr<TSimulatedProgrammer> OpenSimulatedProgrammer(const TCliOptions&,
                                                              std::uint16_t portBase,
                                                              std::ostream&) {
    return std::make_unique<TEchoingProgrammer>(portBase);
}

}  // namespace vantrel::cli
