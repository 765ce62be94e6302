#pragma once

#include <cstdint>

namespace vantrel {

// A 32-bit millisecond count that wraps about every 49.7 days, read from a clock that also
// gives microseconds and lets a wait give the processor away.
class TMillisecondClock {
  public:
    virtual ~TMillisecondClock() = default;
    // Microseconds() / 1000, cut to 32 bits: both readings come from one clock.
    virtual std::uint32_t timeGetTime() = 0;
    // The same clock in microseconds; 64 bits, so it does not wrap.
    virtual std::uint64_t Microseconds() = 0;
    // Gives the processor away for about `microseconds`: a signal may end it sooner and the
    // scheduler later, so a wait reads the clock again afterwards.
    virtual void Sleep(std::uint32_t microseconds) = 0;
};

// The machine's monotonic clock.
class TSystemClock final : public TMillisecondClock {
  public:
    std::uint32_t timeGetTime() override;
    std::uint64_t Microseconds() override;
    void Sleep(std::uint32_t microseconds) override;
};

// Virtual time for the simulated board and for tests, so nothing waits in real time. Time moves
// only when something spends it: every clock read costs `readCostMicroseconds`, a sleep moves it
// on by the time slept, and the simulated board advances it for each port access.
class TVirtualClock final : public TMillisecondClock {
  public:
    static constexpr std::uint64_t kDefaultReadCostMicroseconds = 1;

    explicit TVirtualClock(std::uint64_t startMicroseconds = 0,
                           std::uint64_t readCostMicroseconds = kDefaultReadCostMicroseconds)
        : now_(startMicroseconds), readCost_(readCostMicroseconds) {}

    std::uint32_t timeGetTime() override {
        return static_cast<std::uint32_t>(Microseconds() / 1000);
    }
    std::uint64_t Microseconds() override {
        now_ += readCost_;
        return now_;
    }
    void Sleep(std::uint32_t microseconds) override { now_ += microseconds; }

    void Advance(std::uint64_t microseconds) { now_ += microseconds; }
    [[nodiscard]] std::uint64_t NowMicroseconds() const { return now_; }

  private:
    std::uint64_t now_;
    std::uint64_t readCost_;
};

}  // namespace vantrel
