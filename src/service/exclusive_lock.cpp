#include "service/exclusive_lock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <thread>

#include "device/hex_text.h"
#include "hexfile/text_file.h"

namespace vantrel {

namespace {

constexpr mode_t kLockFileMode = 0666;  // any user's program may take it after this one
constexpr int kTakeTries = 10;          // a holder may remove the file between open and lock
constexpr int kPidReadTries = 20;       // a new holder writes its PID just after locking
constexpr auto kPidReadPause = std::chrono::milliseconds(5);
constexpr std::uint64_t kFnvOffset = 14695981039346656037ULL;
constexpr std::uint64_t kFnvPrime = 1099511628211ULL;
constexpr const char* kRunLock = "/run/lock";

std::string ErrnoText(int error) {
    return std::strerror(error);
}

// Opens the lock file as it is now, creating it when it is not there.
int OpenLockFile(const std::filesystem::path& path) {
    for (int attempt = 0; attempt < kTakeTries; ++attempt) {
        // Without O_CREAT first: a sticky folder such as /run/lock refuses O_CREAT on another
        // user's file where protected_regular is set, but lets it be opened.
        int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
        if (fd >= 0 || errno != ENOENT) {
            return fd;
        }
        fd =
            ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, kLockFileMode);
        if (fd >= 0) {
            static_cast<void>(::fchmod(fd, kLockFileMode));  // whatever the umask
            return fd;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    errno = EAGAIN;
    return -1;
}

// True when the file at `path` is still the one `fd` has open: its last holder may have
// removed it after we opened it, and a lock on a removed file guards nothing.
bool StillThere(int fd, const std::filesystem::path& path) {
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 && ::stat(path.c_str(), &named) == 0 &&
           opened.st_dev == named.st_dev && opened.st_ino == named.st_ino;
}

bool WritePid(int fd) {
    const std::string pid = std::to_string(::getpid()) + "\n";
    return ::ftruncate(fd, 0) == 0 &&
           ::pwrite(fd, pid.data(), pid.size(), 0) == static_cast<ssize_t>(pid.size());
}

long ReadPid(int fd) {
    char text[32] = {};
    const ssize_t got = ::pread(fd, text, sizeof text - 1, 0);
    long pid = 0;
    if (got <= 0 || std::from_chars(text, text + got, pid).ec != std::errc() || pid <= 0) {
        return 0;
    }
    return pid;
}

}  // namespace

TExclusiveLock::TAttempt TExclusiveLock::Take(const std::filesystem::path& lockFile) {
    TAttempt attempt;
    for (int tries = 0; tries < kTakeTries; ++tries) {
        const int fd = OpenLockFile(lockFile);
        if (fd < 0) {
            attempt.Error =
                "cannot make the lock file " + lockFile.string() + ": " + ErrnoText(errno);
            return attempt;
        }
        struct flock whole {};
        whole.l_type = F_WRLCK;
        whole.l_whence = SEEK_SET;
        if (::fcntl(fd, F_OFD_SETLK, &whole) != 0) {
            const int error = errno;
            if (error != EAGAIN && error != EACCES) {
                ::close(fd);
                attempt.Error = "cannot lock " + lockFile.string() + ": " + ErrnoText(error);
                return attempt;
            }
            for (int read = 0; read < kPidReadTries && attempt.HolderPid == 0; ++read) {
                attempt.HolderPid = ReadPid(fd);
                if (attempt.HolderPid == 0) {
                    std::this_thread::sleep_for(kPidReadPause);
                }
            }
            ::close(fd);
            attempt.Outcome = TOutcome::InUse;
            return attempt;
        }
        if (!StillThere(fd, lockFile)) {
            ::close(fd);
            continue;
        }
        if (!WritePid(fd)) {
            const int error = errno;
            ::unlink(lockFile.c_str());
            ::close(fd);
            attempt.Error =
                "cannot write the lock file " + lockFile.string() + ": " + ErrnoText(error);
            return attempt;
        }
        attempt.Lock.reset(new TExclusiveLock(fd, lockFile));
        attempt.Outcome = TOutcome::Taken;
        return attempt;
    }
    attempt.Error = "cannot lock " + lockFile.string() + ": it keeps being replaced";
    return attempt;
}

long TExclusiveLock::HolderOf(const std::filesystem::path& lockFile) {
    const int fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) {
        return 0;
    }
    struct flock whole {};
    whole.l_type = F_WRLCK;
    whole.l_whence = SEEK_SET;
    long pid = 0;
    // Only a file someone holds names a holder; a stale one left by a killed program does not.
    if (::fcntl(fd, F_OFD_GETLK, &whole) == 0 && whole.l_type != F_UNLCK) {
        pid = ReadPid(fd);
    }
    ::close(fd);
    return pid;
}

TExclusiveLock::~TExclusiveLock() {
    // Removed while still held, so a program that opened it meanwhile finds it gone and retries.
    ::unlink(path_.c_str());
    ::close(fd_);
}

std::string InUseText(long holderPid) {
    std::string text = "in use by another program";
    if (holderPid > 0) {
        text += " (PID " + std::to_string(holderPid) + ")";
    }
    return text;
}

std::filesystem::path SystemLockDirectory() {
    if (::access(kRunLock, W_OK | X_OK) == 0) {
        return kRunLock;
    }
    std::error_code ec;
    const std::filesystem::path temporary = std::filesystem::temp_directory_path(ec);
    return ec ? std::filesystem::path("/tmp") : temporary;
}

std::filesystem::path PortLockFile(const std::filesystem::path& directory, std::uint16_t base) {
    return directory / ("vantrel-port-" + HexWordText(base) + ".lock");
}

std::filesystem::path ChipFileLockFile(const std::filesystem::path& directory,
                                       const std::filesystem::path& chipFile) {
    std::error_code ec;
    std::filesystem::path full = std::filesystem::absolute(FollowSymbolicLinks(chipFile), ec);
    if (const std::filesystem::path resolved = std::filesystem::weakly_canonical(full, ec); !ec) {
        full = resolved;
    }
    std::uint64_t hash = kFnvOffset;
    for (const char c : full.string()) {
        hash = (hash ^ static_cast<unsigned char>(c)) * kFnvPrime;
    }
    return directory / ("vantrel-chip-" + HexText(static_cast<std::uint32_t>(hash >> 32), 8) +
                        HexText(static_cast<std::uint32_t>(hash), 8) + ".lock");
}

}  // namespace vantrel
