#pragma once

#include <array>
#include <cstdint>

#include "hardware/hardware_settings.h"
#include "hardware/millisecond_clock.h"
#include "hardware/port_access.h"
#include "hardware/stop_token.h"

namespace vantrel {

class TPortTrace;

// A wait as a routine asks for it: whole milliseconds, as the standard timing counts them, or
// microseconds, for the chip times of the fast timing.
struct TWaitTime {
    std::uint32_t Amount = 0;
    bool InMicroseconds = false;

    [[nodiscard]] static constexpr TWaitTime Milliseconds(std::uint32_t ms) { return {ms, false}; }
    [[nodiscard]] static constexpr TWaitTime Microseconds(std::uint32_t us) { return {us, true}; }
};

// The programmer's signals on the port: each setter drives one output through its wiring, with
// the inversion applied here and nowhere else. In the standard timing every change is a
// read-modify-write of the live register, and the read before each write is part of the bit
// timing. The fast timing writes from the value the register was last seen to hold (read or
// written through this layer, the only writer of the port), so a change is one write.
class TPinLayer {
  public:
    // `trace`, when given, also receives every DelayMs call (the port accesses reach it through
    // a TTracingPort), so one record keeps the order of both.
    TPinLayer(THardwareSettings& settings, TPortAccess& port, TMillisecondClock& clock,
              TPortTrace* trace = nullptr)
        : settings_(settings), port_(port), clock_(clock), trace_(trace) {}

    [[nodiscard]] THardwareSettings& Settings() { return settings_; }
    [[nodiscard]] const THardwareSettings& Settings() const { return settings_; }

    // While a token is set, every port access and every wait first checks it and throws
    // TOperationStopped once a stop has been requested. Null: nothing stops the accesses.
    void SetStopToken(const TStopToken* token) { stop_ = token; }

    // The only callers of the port-access calls.
    [[nodiscard]] std::uint8_t PortRead(std::uint16_t address);
    void PortWrite(std::uint16_t address, std::uint8_t value);

    void SetVdd(bool on);
    // Both Vpp setters then drive MCLR to the opposite of the bit they wrote.
    void SetVpp(bool on);
    void SetVpp40(bool on);
    void SetMCLR(bool level);
    void SetClock(bool level);
    void SetDataOut(bool level);
    [[nodiscard]] bool ReadDataIn();

    // One bit period: clock high, data, clock low; the target takes the data on the falling
    // edge. Standard timing: each level written twice, exactly 12 port accesses. Fast timing:
    // each level once and the data only when it changes, 2 or 3 writes: the chips need 100 ns of
    // setup and hold around the falling edge and a microsecond between a command and its data,
    // and a port access takes about a microsecond.
    void ClockBit(bool bit);

    // Waits at least `ms` milliseconds; 0 returns without reading the clock. The millisecond
    // count may tick just after the wait starts, so the wait runs to the (ms + 1)-th tick: never
    // shorter than asked, at most a millisecond longer.
    void DelayMs(std::uint32_t ms);
    // Waits at least `microseconds`; 0 returns without reading the clock.
    void DelayMicroseconds(std::uint32_t microseconds);
    // DelayMs or DelayMicroseconds, as `wait` says.
    void Wait(TWaitTime wait);

    // The programming voltages and the supply off: Vpp, Vpp40, Vdd, in that order. The end of
    // every operation and of the program. A requested stop does not interrupt it.
    void SwitchSuppliesOff();
    // Every output that can power or run the target off: Vpp, Vpp40, MCLR, Vdd, in that order.
    // The start of the program. A requested stop does not interrupt it.
    void SwitchOutputsOff();

    void StartStopwatch();
    [[nodiscard]] std::uint32_t StopwatchMs();

  private:
    // Drives one output and returns the register bit written (the level after inversion).
    bool SetOutput(const TPinAssignment& pin, bool level);
    [[nodiscard]] bool Fast() const { return settings_.Timing == TTimingProfile::Fast; }

    // The data and control registers as last read or written, by address. Kept in both timings
    // and used only by the fast one.
    struct TRegisterCopy {
        std::uint16_t Address = 0;
        std::uint8_t Value = 0;
        bool Valid = false;
    };
    [[nodiscard]] TRegisterCopy* CopyOf(std::uint16_t address);
    void Remember(std::uint16_t address, std::uint8_t value);
    // True when the output is known to be at `level` already.
    [[nodiscard]] bool OutputIs(const TPinAssignment& pin, bool level);
    void ThrowIfStopped() const;
    // Sleeps through the bulk of the wait and spins on the clock only for its last fraction, so
    // a wait neither keeps a processor busy nor ends early; a requested stop ends it within a
    // sleep slice.
    void WaitUntil(std::uint64_t endMicroseconds);

    // Lets the switching off run to its end while a stop is pending.
    class TUnstoppable {
      public:
        explicit TUnstoppable(TPinLayer& pins) : pins_(pins), saved_(pins.stop_) {
            pins_.stop_ = nullptr;
        }
        ~TUnstoppable() { pins_.stop_ = saved_; }
        TUnstoppable(const TUnstoppable&) = delete;
        TUnstoppable& operator=(const TUnstoppable&) = delete;

      private:
        TPinLayer& pins_;
        const TStopToken* saved_;
    };

    THardwareSettings& settings_;
    TPortAccess& port_;
    TMillisecondClock& clock_;
    TPortTrace* trace_;
    const TStopToken* stop_ = nullptr;

    friend class TStopScope;
    std::uint32_t stopwatchStart_ = 0;
    std::array<TRegisterCopy, 2> copies_{};  // data register, control register
};

// Arms the pin layer with a stop token for a scope - an operation, a command's work - and puts
// back what was armed before when it ends, however it ends.
class TStopScope {
  public:
    TStopScope(TPinLayer& pins, const TStopToken& stop) : pins_(pins), saved_(pins.stop_) {
        pins_.SetStopToken(&stop);
    }
    ~TStopScope() { pins_.SetStopToken(saved_); }
    TStopScope(const TStopScope&) = delete;
    TStopScope& operator=(const TStopScope&) = delete;

  private:
    TPinLayer& pins_;
    const TStopToken* saved_;
};

}  // namespace vantrel
