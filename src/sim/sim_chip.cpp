#include "sim/sim_chip.h"

#include "sim/sim_chip14.h"
#include "sim/sim_chip18.h"

namespace vantrel {

namespace {

// Oscillator selections 100 and 101 (FOSC2:FOSC0) are the internal oscillator on every part
// that has the Vpp-first rule.
constexpr std::uint16_t kFoscLowBits = 0x0003;
constexpr std::uint16_t kInternalOscillatorIo = 4;
constexpr std::uint16_t kInternalOscillatorClockOut = 5;

TEntryRule EntryRuleOf(TChipFamily family) {
    return IsPic18Family(family) ? TEntryRule::VddFirst : Family14Profile(family).Entry;
}

std::uint32_t EntryHoldOf(TChipFamily family) {
    return IsPic18Family(family) ? Family18Profile(family).EntryHoldMicroseconds
                                 : kEntryHoldMicroseconds14;
}

}  // namespace

TSimChip::TSimChip(TSimChipState cells, TVirtualClock& clock, TSimViolationLog& log,
                   const TSimFaults& faults)
    : cells_(std::move(cells)),
      clock_(clock),
      log_(log),
      faults_(faults),
      entryRule_(EntryRuleOf(Family())),
      entryHoldMicroseconds_(EntryHoldOf(Family())) {}

TSimChipState& TSimChip::State() {
    Settle();
    return cells_;
}

bool TSimChip::CycleRunning() {
    Settle();
    return Busy();
}

void TSimChip::Report(TSimViolationKind kind, std::string text) {
    log_.Record(kind, std::string(cells_.Device().Name) + ": " + text, Now());
}

bool TSimChip::UserProgramRunning() const {
    const TPicDevice& device = Device();
    const std::uint16_t config = cells_.Config.at(0);
    std::uint16_t fosc = config & kFoscLowBits;
    if (device.Fosc2Mask != 0 && (config & device.Fosc2Mask) != 0) {
        fosc |= 4;
    }
    const bool internalOscillator =
        fosc == kInternalOscillatorIo || fosc == kInternalOscillatorClockOut;
    const bool mclrOff = device.MclrFuse.Mask != 0 && (config & device.MclrFuse.Mask) == 0;
    const TFuseBits& put = device.PutFuse;
    const bool powerUpTimerOn = put.Mask != 0 && ((config & put.Mask) == 0) == put.Inverted;
    const std::uint64_t startsAfter =
        powerUpTimerOn ? kPowerUpTimerMicroseconds : kUserCodeStartMicroseconds;
    return internalOscillator && mclrOff && Now() - vddRoseAt_ > startsAfter;
}

void TSimChip::PowerChanged(const TChipPins& pins) {
    Settle();
    if (pins.Vdd && !pins_.Vdd) {
        vddRoseAt_ = Now();
    }
    const bool vppRose = pins.Vpp && !pins_.Vpp;
    if (pins_.Vdd && !pins.Vdd && pins.Vpp) {
        // With MCLR still at the programming voltage the part is not held in reset while its
        // supply collapses; leaving programming mode takes Vpp down first.
        Report(TSimViolationKind::PowerSequence,
               "Vdd switched off while Vpp is still on; Vpp (MCLR) must go low first");
    }
    if (vppRose && !pins.Vdd && entryRule_ == TEntryRule::VddFirst) {
        Report(TSimViolationKind::PowerSequence,
               "Vpp raised while Vdd is off; this part needs Vdd first");
    }
    if (!pins.Vpp || !pins.Vdd) {
        entryRefused_ = false;
    }
    if (vppRose && pins_.Vdd && pins.Vdd &&
        entryRule_ == TEntryRule::VppFirstForInternalOscillator && UserProgramRunning()) {
        // Its own program already drives the pins; a real part may never see programming mode.
        entryRefused_ = true;
        Report(TSimViolationKind::PowerSequence,
               "Vdd came before Vpp while the configuration runs the chip's own program at once "
               "(internal oscillator, MCLR off): programming mode not entered; this part needs "
               "Vpp first");
    }
    const bool wanted = pins.Vdd && pins.Vpp && !entryRefused_;
    if (wanted && !programming_) {
        Enter(pins);
    } else if (!wanted && programming_) {
        LeaveProgramming();
        programming_ = false;
        ReleaseData();
    }
    pins_ = pins;
}

void TSimChip::Enter(const TChipPins& pins) {
    if (pins.Clock || pins.Data) {
        Report(TSimViolationKind::PowerSequence,
               "PGC and PGD must be low when programming mode is entered");
    }
    programming_ = true;
    enteredAt_ = Now();
    Require(entryHoldMicroseconds_);
    ReleaseData();
    EnterProgramming();
}

void TSimChip::ClockEdge(bool rising, bool line, bool dataMovedWithEdge) {
    Settle();
    pins_.Clock = rising;
    pins_.Data = line;
    if (!pins_.Vdd) {
        Report(TSimViolationKind::UnpoweredClock,
               rising ? "PGC rose while Vdd is off" : "PGC fell while Vdd is off");
        return;
    }
    if (!programming_) {
        return;
    }
    if (rising) {
        if (Now() - enteredAt_ < entryHoldMicroseconds_) {
            Report(TSimViolationKind::Timing,
                   "first clock " + std::to_string(Now() - enteredAt_) +
                       " us after programming mode was entered; the part needs " +
                       std::to_string(entryHoldMicroseconds_) + " us");
        }
        ClockRose(line);
        return;
    }
    if (dataMovedWithEdge) {
        Report(TSimViolationKind::DataEdge,
               "PGD changed together with the falling PGC edge the chip latches on");
    }
    ClockFell(line);
}

void TSimChip::DataChanged(bool line) {
    Settle();
    pins_.Data = line;
    if (programming_) {
        DataLineChanged(line);
    }
}

std::unique_ptr<TSimChip> MakeSimChip(TSimChipState cells, TVirtualClock& clock,
                                      TSimViolationLog& log, const TSimFaults& faults) {
    const TChipFamily family = SimDeviceFacts(cells.DeviceIndex).Family;
    if (IsPic18Family(family)) {
        return std::make_unique<TSimChip18>(std::move(cells), clock, log, faults);
    }
    return std::make_unique<TSimChip14>(std::move(cells), clock, log, faults);
}

}  // namespace vantrel
