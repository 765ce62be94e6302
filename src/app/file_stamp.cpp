#include "app/file_stamp.h"

#include <sys/stat.h>

namespace vantrel {

std::optional<TFileStamp> StampOf(const std::string& path) {
    if (path.empty()) {
        return std::nullopt;
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return std::nullopt;
    }
    TFileStamp stamp;
    stamp.ModifiedSeconds = static_cast<std::int64_t>(status.st_mtim.tv_sec);
    stamp.ModifiedNanoseconds = static_cast<std::int64_t>(status.st_mtim.tv_nsec);
    stamp.Size = static_cast<std::int64_t>(status.st_size);
    stamp.Device = static_cast<std::uint64_t>(status.st_dev);
    stamp.Inode = static_cast<std::uint64_t>(status.st_ino);
    return stamp;
}

}  // namespace vantrel
