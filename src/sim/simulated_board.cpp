#include "sim/simulated_board.h"

#include <stdexcept>
#include <string>

#include "hardware/programmer_presets.h"

namespace vantrel {

namespace {

const TWiring& DefaultBoardWiring() {
    return *ProgrammerPresets[kProgrammerP7407].Wiring;
}

bool IsOutputLine(std::uint8_t line) {
    return line <= kLastOutputLine;
}

}  // namespace

TSimulatedBoard::TSimulatedBoard(TVirtualClock& clock, const TWiring& wiring,
                                 std::uint16_t portBase)
    : clock_(clock), wiring_(wiring), portBase_(portBase), data_(0), control_(0) {
    for (const TPinAssignment* pin : {&wiring_.PinVdd, &wiring_.PinVpp, &wiring_.PinVpp40,
                                      &wiring_.PinMCLR, &wiring_.PinClock, &wiring_.PinDataOut}) {
        if (!IsOutputLine(pin->Line)) {
            throw std::invalid_argument(
                "a board output must be on a data or control line, not "
                "line " +
                std::to_string(pin->Line));
        }
        // The board starts with every output off, as the host leaves it after start-up.
        if (pin->Invert) {
            const TPortLine& line = PortLines[pin->Line];
            (line.RegisterOffset == kDataRegister ? data_ : control_) |= line.BitMask;
        }
    }
    if (wiring_.PinDataIn.Line < kFirstInputLine || wiring_.PinDataIn.Line >= kPortLineCount) {
        throw std::invalid_argument("the board's data-in must be a status line, not line " +
                                    std::to_string(wiring_.PinDataIn.Line));
    }
    Refresh();
}

TSimulatedBoard::TSimulatedBoard(TVirtualClock& clock)
    : TSimulatedBoard(clock, DefaultBoardWiring()) {}

TSimulatedBoard::~TSimulatedBoard() = default;

// ---- port registers ---------------------------------------------------------------------

std::uint8_t TSimulatedBoard::DlPortReadPortUchar(std::uint32_t port) {
    clock_.Advance(kPortAccessMicroseconds);
    if (port == RegisterAddress(kDataRegister)) {
        return data_;
    }
    if (port == RegisterAddress(kStatusRegister)) {
        return StatusRegister();
    }
    if (port == RegisterAddress(kControlRegister)) {
        return static_cast<std::uint8_t>((control_ & kControlImplementedBits) | kControlUnusedBits);
    }
    return kAbsentPort;  // no port at that address
}

void TSimulatedBoard::DlPortWritePortUchar(std::uint32_t port, std::uint8_t value) {
    clock_.Advance(kPortAccessMicroseconds);
    if (port == RegisterAddress(kDataRegister)) {
        data_ = value;
    } else if (port == RegisterAddress(kControlRegister)) {
        control_ = value;
    } else {
        return;  // the status register is read-only; other addresses reach nothing
    }
    Refresh();
}

std::uint32_t TSimulatedBoard::RegisterAddress(std::uint8_t offset) const {
    return static_cast<std::uint32_t>(portBase_) + offset;
}

std::uint8_t TSimulatedBoard::StatusRegister() const {
    if (faults_.Unpowered && !faults_.DataStuck) {
        return kOpenStatus;  // the board's input buffer is dead; its output floats high
    }
    const TPortLine& line = PortLines[wiring_.PinDataIn.Line];
    const bool bit = ComputeDataLine() != wiring_.PinDataIn.Invert;
    return static_cast<std::uint8_t>(bit ? kOpenStatus | line.BitMask
                                         : kOpenStatus & ~line.BitMask);
}

bool TSimulatedBoard::OutputLevel(const TPinAssignment& pin) const {
    const TPortLine& line = PortLines[pin.Line];
    const std::uint8_t reg = line.RegisterOffset == kDataRegister ? data_ : control_;
    return ((reg & line.BitMask) != 0) != pin.Invert;
}

bool TSimulatedBoard::ComputeDataLine() const {
    if (faults_.DataStuck) {
        return *faults_.DataStuck;
    }
    // The pull-up hangs on the switched Vdd; either side may pull the line low.
    return levels_.Vdd && levels_.DataOut && !(chip_ && chip_->PullsDataLow());
}

// ---- socket -----------------------------------------------------------------------------

void TSimulatedBoard::Refresh() {
    const TSocketLevels before = levels_;
    const bool powered = !faults_.Unpowered;
    levels_.Vdd = powered && OutputLevel(wiring_.PinVdd);
    levels_.Vpp = powered && OutputLevel(wiring_.PinVpp);
    levels_.Vpp40 = powered && OutputLevel(wiring_.PinVpp40);
    levels_.Mclr = powered && OutputLevel(wiring_.PinMCLR);
    levels_.Clock = powered && OutputLevel(wiring_.PinClock);
    levels_.DataOut = powered && OutputLevel(wiring_.PinDataOut);
    levels_.DataLine = ComputeDataLine();
    if (chip_) {
        // Which socket the device sits in decides which Vpp line reaches it.
        const bool uses40 = chip_->Device().UsesVpp40;
        const bool vpp = uses40 ? levels_.Vpp40 : levels_.Vpp;
        const bool vppBefore = uses40 ? before.Vpp40 : before.Vpp;
        if (levels_.Vdd != before.Vdd || vpp != vppBefore) {
            chip_->PowerChanged({levels_.Vdd, vpp, before.Clock, levels_.DataLine});
        }
        if (levels_.Clock != before.Clock) {
            // On a falling edge the chip latches the level from before any change made in the
            // same write, and the change itself is the violation.
            const bool moved = levels_.DataLine != before.DataLine;
            const bool falling = !levels_.Clock;
            const bool latched = falling && moved ? before.DataLine : levels_.DataLine;
            if (levels_.Clock) {
                ++clockPulses_;
            }
            chip_->ClockEdge(levels_.Clock, latched, falling && moved);
        } else if (levels_.DataLine != before.DataLine) {
            chip_->DataChanged(levels_.DataLine);
        }
        levels_.DataLine = ComputeDataLine();  // the chip may have started or stopped driving
    }
}

TSimChip& TSimulatedBoard::InsertChip(TSimChipState chip) {
    if (const std::string error = ChipShapeError(chip); !error.empty()) {
        throw std::invalid_argument(error);
    }
    chip_ = MakeSimChip(std::move(chip), clock_, violations_, faults_);
    const bool vpp = chip_->Device().UsesVpp40 ? levels_.Vpp40 : levels_.Vpp;
    if (levels_.Vdd || vpp) {
        chip_->PowerChanged({levels_.Vdd, vpp, levels_.Clock, levels_.DataLine});
    }
    levels_.DataLine = ComputeDataLine();
    return *chip_;
}

TSimChip& TSimulatedBoard::InsertChip(std::uint8_t deviceIndex) {
    return InsertChip(FactoryFreshChip(deviceIndex));
}

std::optional<TSimChipState> TSimulatedBoard::RemoveChip() {
    if (!chip_) {
        return std::nullopt;
    }
    TSimChipState cells = chip_->State();
    chip_.reset();
    levels_.DataLine = ComputeDataLine();
    return cells;
}

TSimChipState& TSimulatedBoard::ChipState() {
    if (!chip_) {
        throw std::logic_error("the simulated socket is empty");
    }
    return chip_->State();
}

void TSimulatedBoard::LoadSocket(TSimChipState chip, const TSimFaults& faults) {
    faults_ = faults;
    chip_.reset();
    if (!faults.NoChip) {
        if (faults.Protected) {
            TurnOnCodeProtection(chip);
        }
        InsertChip(std::move(chip));
    }
    Refresh();
}

}  // namespace vantrel
