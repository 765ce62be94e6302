#pragma once

#include <cstdint>

namespace vantrel {

// A 32-bit millisecond count that wraps about every 49.7 days.
class TMillisecondClock {
  public:
    virtual ~TMillisecondClock() = default;
    virtual std::uint32_t timeGetTime() = 0;
};

// The machine's monotonic clock.
class TSystemClock final : public TMillisecondClock {
  public:
    std::uint32_t timeGetTime() override;
};

// Virtual time for the simulated board and for tests, so nothing waits in real time. Time moves
// only when something spends it: every clock read costs `readCostMicroseconds`, and the simulated
// board advances it for each port access.
class TVirtualClock final : public TMillisecondClock {
  public:
    static constexpr std::uint64_t kDefaultReadCostMicroseconds = 1;

    explicit TVirtualClock(std::uint64_t startMicroseconds = 0,
                           std::uint64_t readCostMicroseconds = kDefaultReadCostMicroseconds)
        : now_(startMicroseconds), readCost_(readCostMicroseconds) {}

    std::uint32_t timeGetTime() override {
        now_ += readCost_;
        return static_cast<std::uint32_t>(now_ / 1000);
    }

    void Advance(std::uint64_t microseconds) { now_ += microseconds; }
    [[nodiscard]] std::uint64_t NowMicroseconds() const { return now_; }

  private:
    std::uint64_t now_;
    std::uint64_t readCost_;
};

}  // namespace vantrel
