#include "hardware/millisecond_clock.h"

#include <ctime>

namespace vantrel {

std::uint32_t TSystemClock::timeGetTime() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    const auto milliseconds = static_cast<std::uint64_t>(now.tv_sec) * 1000u +
                              static_cast<std::uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<std::uint32_t>(milliseconds);  // wraps like the 32-bit system count
}

}  // namespace vantrel
