#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantrel {

// What a host did wrong to a simulated chip. A real chip reports none of these: it just
// misbehaves later, which is exactly what makes them worth recording.
enum class TSimViolationKind : std::uint8_t {
    BusyCommand,      // a command or read while a programming or erase cycle was running
    DataEdge,         // data changed together with the clock edge the chip latches on
    UnpoweredClock,   // a clock edge on the chip's pin while its Vdd was off
    PowerSequence,    // Vpp before Vdd where the part forbids it, or a failed mode entry
    ShortPulse,       // an externally timed programming pulse shorter than the part needs
    ProtectedWrite,   // a write or erase the code protection refuses
    ExitDuringCycle,  // programming mode left while a cycle was still running
    Timing,           // another minimum time broken (hold after entry, gaps, discharge)
    UnknownCommand,   // a command or core instruction the part does not decode
    Sequence,         // a step given where the part does not take it (wrong address, wrong
                      // EECON1 selection, more words than the latches hold, PGD not held low)
};

inline constexpr std::size_t kSimViolationKindCount = 10;

[[nodiscard]] std::string_view SimViolationKindName(TSimViolationKind kind);

struct TSimViolation {
    TSimViolationKind Kind;
    std::string Text;
    std::uint64_t TimeMicroseconds;  // virtual time when the chip saw it
};

// Every violation a simulated chip noticed, in order. A host gone wrong can produce one per
// clock edge, so only the first entries keep their text; the counts stay exact.
class TSimViolationLog {
  public:
    static constexpr std::size_t kMaxKeptEntries = 1000;

    void Record(TSimViolationKind kind, std::string text, std::uint64_t timeMicroseconds);
    void Clear();

    [[nodiscard]] const std::vector<TSimViolation>& Entries() const { return entries_; }
    [[nodiscard]] std::size_t Count() const { return total_; }
    [[nodiscard]] std::size_t Count(TSimViolationKind kind) const {
        return counts_[static_cast<std::size_t>(kind)];
    }
    [[nodiscard]] bool Empty() const { return total_ == 0; }

    // One line per kept entry ("12.345 ms busy-command: ..."), for test failures and the CLI.
    [[nodiscard]] std::string Describe() const;

  private:
    std::vector<TSimViolation> entries_;
    std::array<std::size_t, kSimViolationKindCount> counts_{};
    std::size_t total_ = 0;
};

}  // namespace vantrel
