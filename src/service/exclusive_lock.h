#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace vantrel {

// A claim that one program at a time holds on something two programs must not share: the
// programmer's port, a simulated chip file. It is a lock on a small file in a lock folder,
// taken without waiting, that the holder writes its process ID into; the system drops it when
// the holder ends, however it ends, so a crashed program leaves nothing that blocks the next.
// The lock belongs to the open file, not to the process: a second claim from the same program
// is refused as well.
class TExclusiveLock {
  public:
    enum class TOutcome {
        Taken,
        InUse,   // another program holds it; HolderPid says which when it could be read
        Failed,  // the lock file could not be made or locked; Error says why
    };

    struct TAttempt {
        std::unique_ptr<TExclusiveLock> Lock;  // set when Taken
        TOutcome Outcome = TOutcome::Failed;
        long HolderPid = 0;  // 0 when unknown
        std::string Error;
    };

    // Takes the lock kept in `lockFile`, creating the file when needed.
    [[nodiscard]] static TAttempt Take(const std::filesystem::path& lockFile);

    // The process ID written in `lockFile` by the program that holds it; 0 when there is none.
    [[nodiscard]] static long HolderOf(const std::filesystem::path& lockFile);

    // Removes the lock file, then lets go of the lock.
    ~TExclusiveLock();
    TExclusiveLock(const TExclusiveLock&) = delete;
    TExclusiveLock& operator=(const TExclusiveLock&) = delete;

  private:
    TExclusiveLock(int fd, std::filesystem::path path) : fd_(fd), path_(std::move(path)) {}

    int fd_;
    std::filesystem::path path_;
};

// "in use by another program (PID 1234)", or without the PID when it is not known.
[[nodiscard]] std::string InUseText(long holderPid);

// Where the locks are kept: /run/lock, the system's folder for them, where it can be written;
// the temporary folder otherwise.
[[nodiscard]] std::filesystem::path SystemLockDirectory();

// The lock file of the port at `base`, whichever back-end reaches it: direct I/O and ppdev on
// the same port exclude each other.
[[nodiscard]] std::filesystem::path PortLockFile(const std::filesystem::path& directory,
                                                 std::uint16_t base);

// The lock file of a simulated chip file, named after the file's full path with its symbolic
// links resolved (also a link to a chip file not made yet), so two names of one file share one
// lock; the chip file itself is replaced on
// every save and cannot carry the lock.
[[nodiscard]] std::filesystem::path ChipFileLockFile(const std::filesystem::path& directory,
                                                     const std::filesystem::path& chipFile);

}  // namespace vantrel
