#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace vantrel {

// What says that a file on disk was rewritten: its modification time to the nanosecond, its
// size, and the file itself (device and inode), since editors and our own saves replace a file
// by renaming a new one over it, which can keep both the time (within a coarse clock) and the
// size.
struct TFileStamp {
    std::int64_t ModifiedSeconds = 0;
    std::int64_t ModifiedNanoseconds = 0;
    std::int64_t Size = 0;
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;

    friend bool operator==(const TFileStamp&, const TFileStamp&) = default;
};

// The stamp of the file at `path` (symbolic links followed); nothing when there is no such file
// or it cannot be examined.
[[nodiscard]] std::optional<TFileStamp> StampOf(const std::string& path);

}  // namespace vantrel
