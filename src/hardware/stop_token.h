#pragma once

#include <atomic>

namespace vantrel {

// A request to stop a chip operation at its next port access: Cancel in the window, a signal in
// the command line. Setting it is a single lock-free store, so a signal handler may do it.
class TStopToken {
  public:
    // The reason the window's Cancel gives; signals give their own number.
    static constexpr int kCancelled = -1;

    void Request(int reason = kCancelled) { reason_.store(reason, std::memory_order_relaxed); }
    void Reset() { reason_.store(kNone, std::memory_order_relaxed); }
    [[nodiscard]] bool Requested() const {
        return reason_.load(std::memory_order_relaxed) != kNone;
    }
    // kCancelled or the signal number; meaningful only while Requested().
    [[nodiscard]] int Reason() const { return reason_.load(std::memory_order_relaxed); }

  private:
    static constexpr int kNone = 0;
    std::atomic<int> reason_{kNone};
    static_assert(std::atomic<int>::is_always_lock_free, "a signal handler sets the token");
};

// Thrown at the port access that found a stop requested. Deliberately not a std::exception: a
// routine that reports its own failures by catching std::exception must not swallow the stop.
struct TOperationStopped {
    int Reason;
};

}  // namespace vantrel
