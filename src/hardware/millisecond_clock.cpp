#include "hardware/millisecond_clock.h"

#include <ctime>

namespace vantrel {

namespace {

constexpr std::uint64_t kNanosecondsPerMicrosecond = 1000;
constexpr std::uint64_t kMicrosecondsPerSecond = 1000000;

std::uint64_t MonotonicMicroseconds() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * kMicrosecondsPerSecond +
           static_cast<std::uint64_t>(now.tv_nsec) / kNanosecondsPerMicrosecond;
}

}  // namespace

std::uint32_t TSystemClock::timeGetTime() {
    return static_cast<std::uint32_t>(MonotonicMicroseconds() /
                                      1000);  // wraps like the system count
}

std::uint64_t TSystemClock::Microseconds() {
    return MonotonicMicroseconds();
}

// A signal (Ctrl-C in the command line) ends the sleep early; the wait around it then sees the
// stop at once.
void TSystemClock::Sleep(std::uint32_t microseconds) {
    timespec duration{};
    duration.tv_sec = static_cast<time_t>(microseconds / kMicrosecondsPerSecond);
    duration.tv_nsec =
        static_cast<long>((microseconds % kMicrosecondsPerSecond) * kNanosecondsPerMicrosecond);
    ::clock_nanosleep(CLOCK_MONOTONIC, 0, &duration, nullptr);
}

}  // namespace vantrel
