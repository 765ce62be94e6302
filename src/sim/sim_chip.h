#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hardware/millisecond_clock.h"
#include "sim/sim_catalogue.h"
#include "sim/sim_chip_state.h"
#include "sim/sim_faults.h"
#include "sim/sim_violation.h"

namespace vantrel {

// The levels on the chip's programming pins, as the board's socket applies them.
struct TChipPins {
    bool Vdd = false;
    bool Vpp = false;  // MCLR/Vpp at the programming voltage
    bool Clock = false;
    bool Data = false;  // the data line as the chip sees it
};

// One simulated PIC in the socket: a state machine driven by the edges on its pins, on the
// board's virtual time. The family models below decode the serial protocol as the makers'
// programming documents describe it; this base handles what all of them share: power,
// programming-mode entry and exit, clocks on an unpowered chip and data that moves with the
// latching edge.
class TSimChip {
  public:
    TSimChip(TSimChipState cells, TVirtualClock& clock, TSimViolationLog& log,
             const TSimFaults& faults);
    virtual ~TSimChip() = default;
    TSimChip(const TSimChip&) = delete;
    TSimChip& operator=(const TSimChip&) = delete;

    [[nodiscard]] const TPicDevice& Device() const { return cells_.Device(); }
    [[nodiscard]] TChipFamily Family() const { return SimDeviceFacts(cells_.DeviceIndex).Family; }

    // The cells, after completing any internally timed cycle whose time is up. Tests may
    // change them to preset a chip's contents.
    [[nodiscard]] TSimChipState& State();

    [[nodiscard]] bool InProgrammingMode() const { return programming_; }
    // True while a programming or erase cycle has not yet finished.
    [[nodiscard]] bool CycleRunning();

    // Pin events from the board, at the clock's present time.
    void PowerChanged(const TChipPins& pins);
    // `line` is the data level the chip latches (on a falling edge, the level before any change
    // made in the same instant); `dataMovedWithEdge` says the host changed data together with
    // this edge.
    void ClockEdge(bool rising, bool line, bool dataMovedWithEdge);
    // The data line changed while the clock stayed where it was.
    void DataChanged(bool line);

    // The least time the facts make the host wait for what it asked of this chip so far: every
    // programming and erase cycle at its minimum, the holds around them and after each entry
    // into programming mode. A host can be no faster than this plus the clocks it sends.
    [[nodiscard]] std::uint64_t RequiredWaitMicroseconds() const { return requiredWait_; }

    // Cells that read back right but were not given the programming time the facts ask for
    // (the EPROM over-programming): a real part may lose them within its data retention time.
    // One text per cell, empty when there are none.
    [[nodiscard]] virtual std::vector<std::string> UnderProgrammedCells() const { return {}; }

    // The chip's output on the open data line: true while it drives a 0.
    [[nodiscard]] bool PullsDataLow() const { return pullsLow_; }

  protected:
    virtual void EnterProgramming() = 0;  // reset the serial interface
    virtual void LeaveProgramming() = 0;  // abort what runs, drop any unfinished frame
    virtual void ClockRose(bool line) = 0;
    virtual void ClockFell(bool line) = 0;
    virtual void Settle() = 0;  // finish a cycle whose time is up
    [[nodiscard]] virtual bool Busy() const = 0;
    virtual void DataLineChanged(bool /*line*/) {}

    // Adds to RequiredWaitMicroseconds.
    void Require(std::uint64_t microseconds) { requiredWait_ += microseconds; }

    void Report(TSimViolationKind kind, std::string text);
    [[nodiscard]] std::uint64_t Now() const { return clock_.NowMicroseconds(); }
    void DriveData(bool high) { pullsLow_ = !high; }
    void ReleaseData() { pullsLow_ = false; }
    [[nodiscard]] TSimChipState& Cells() { return cells_; }
    [[nodiscard]] const TSimChipState& Cells() const { return cells_; }
    // True when the injected fault keeps this program word from programming.
    [[nodiscard]] bool WordFails(std::uint32_t wordAddress) const {
        return faults_.FailingWord && *faults_.FailingWord == wordAddress;
    }

  private:
    [[nodiscard]] bool UserProgramRunning() const;
    void Enter(const TChipPins& pins);

    TSimChipState cells_;
    TVirtualClock& clock_;
    TSimViolationLog& log_;
    const TSimFaults& faults_;
    TEntryRule entryRule_;
    std::uint32_t entryHoldMicroseconds_;
    TChipPins pins_;
    std::uint64_t vddRoseAt_ = 0;
    std::uint64_t enteredAt_ = 0;
    bool programming_ = false;
    bool entryRefused_ = false;
    bool pullsLow_ = false;
    std::uint64_t requiredWait_ = 0;
};

// A chip of the right family for the device of `cells`.
[[nodiscard]] std::unique_ptr<TSimChip> MakeSimChip(TSimChipState cells, TVirtualClock& clock,
                                                    TSimViolationLog& log,
                                                    const TSimFaults& faults);

}  // namespace vantrel
