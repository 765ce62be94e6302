#include "sim/sim_violation.h"

#include <cstdio>

namespace vantrel {

std::string_view SimViolationKindName(TSimViolationKind kind) {
    switch (kind) {
        case TSimViolationKind::BusyCommand:
            return "busy-command";
        case TSimViolationKind::DataEdge:
            return "data-edge";
        case TSimViolationKind::UnpoweredClock:
            return "unpowered-clock";
        case TSimViolationKind::PowerSequence:
            return "power-sequence";
        case TSimViolationKind::ShortPulse:
            return "short-pulse";
        case TSimViolationKind::ProtectedWrite:
            return "protected-write";
        case TSimViolationKind::ExitDuringCycle:
            return "exit-during-cycle";
        case TSimViolationKind::Timing:
            return "timing";
        case TSimViolationKind::UnknownCommand:
            return "unknown-command";
        case TSimViolationKind::Sequence:
            return "sequence";
    }
    return "unknown";
}

void TSimViolationLog::Record(TSimViolationKind kind, std::string text,
                              std::uint64_t timeMicroseconds) {
    ++counts_[static_cast<std::size_t>(kind)];
    ++total_;
    if (entries_.size() < kMaxKeptEntries) {
        entries_.push_back({kind, std::move(text), timeMicroseconds});
    }
}

void TSimViolationLog::Clear() {
    entries_.clear();
    counts_.fill(0);
    total_ = 0;
}

std::string TSimViolationLog::Describe() const {
    std::string text;
    for (const TSimViolation& entry : entries_) {
        char time[32];
        std::snprintf(time, sizeof time, "%llu.%03llu ms ",
                      static_cast<unsigned long long>(entry.TimeMicroseconds / 1000),
                      static_cast<unsigned long long>(entry.TimeMicroseconds % 1000));
        text += time;
        text += SimViolationKindName(entry.Kind);
        text += ": ";
        text += entry.Text;
        text += '\n';
    }
    if (total_ > entries_.size()) {
        text += "(" + std::to_string(total_ - entries_.size()) + " more not kept)\n";
    }
    return text;
}

}  // namespace vantrel
