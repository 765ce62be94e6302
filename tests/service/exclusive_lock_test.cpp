// One program at a time on a programmer: the lock itself between processes, and the claims the
// programmer connection takes on real ports (behind fake kernels) and on simulated chip files.

#include <linux/ppdev.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <map>

#include "device/device_selection.h"
#include "hardware/direct_port.h"
#include "hardware/ppdev_port.h"
#include "service/exclusive_lock.h"
#include "service/programmer_connection.h"
#include "support/test_paths.h"

namespace vantrel::test {
namespace {

namespace fs = std::filesystem;
using testing::HasSubstr;

const std::string kOurPid = std::to_string(::getpid());

// A child process that takes the lock, says so, and holds it until it is killed.
class TOtherProgram {
  public:
    explicit TOtherProgram(const fs::path& lockFile) {
        int ready[2];
        EXPECT_EQ(::pipe(ready), 0);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::close(ready[0]);
            const auto taken = TExclusiveLock::Take(lockFile);
            const char outcome = taken.Outcome == TExclusiveLock::TOutcome::Taken ? 'y' : 'n';
            static_cast<void>(::write(ready[1], &outcome, 1));
            ::pause();
            ::_exit(0);
        }
        ::close(ready[1]);
        char outcome = 0;
        EXPECT_EQ(::read(ready[0], &outcome, 1), 1);
        EXPECT_EQ(outcome, 'y');
        ::close(ready[0]);
    }
    // Killed, as a crash would end it: the lock file stays behind.
    ~TOtherProgram() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
    }
    TOtherProgram(const TOtherProgram&) = delete;
    TOtherProgram& operator=(const TOtherProgram&) = delete;

    [[nodiscard]] pid_t Pid() const { return pid_; }

  private:
    pid_t pid_ = -1;
};

TEST(ExclusiveLock, SecondTakerIsToldWhoHoldsItAndGetsItOnceItIsFree) {
    TTempDir dir;
    const fs::path file = dir / "port.lock";
    {
        const TOtherProgram other(file);
        const auto refused = TExclusiveLock::Take(file);
        EXPECT_EQ(refused.Outcome, TExclusiveLock::TOutcome::InUse);
        EXPECT_EQ(refused.HolderPid, other.Pid());
        EXPECT_EQ(TExclusiveLock::HolderOf(file), other.Pid());
        EXPECT_EQ(InUseText(refused.HolderPid),
                  "in use by another program (PID " + std::to_string(other.Pid()) + ")");
    }
    ASSERT_TRUE(fs::exists(file)) << "a killed holder leaves its file";
    EXPECT_EQ(TExclusiveLock::HolderOf(file), 0) << "a file nobody holds names nobody";
    auto taken = TExclusiveLock::Take(file);
    ASSERT_EQ(taken.Outcome, TExclusiveLock::TOutcome::Taken) << taken.Error;
    EXPECT_EQ(ReadFile(file), kOurPid + "\n");
    taken.Lock.reset();
    EXPECT_FALSE(fs::exists(file)) << "the holder removes its file";
}

TEST(ExclusiveLock, TheSameProgramCannotTakeItTwice) {
    TTempDir dir;
    auto first = TExclusiveLock::Take(dir / "chip.lock");
    ASSERT_EQ(first.Outcome, TExclusiveLock::TOutcome::Taken);
    const auto second = TExclusiveLock::Take(dir / "chip.lock");
    EXPECT_EQ(second.Outcome, TExclusiveLock::TOutcome::InUse);
    EXPECT_EQ(second.HolderPid, ::getpid());

    const auto nowhere = TExclusiveLock::Take(dir / "none" / "chip.lock");
    EXPECT_EQ(nowhere.Outcome, TExclusiveLock::TOutcome::Failed);
    EXPECT_THAT(nowhere.Error, HasSubstr("cannot make the lock file"));
}

TEST(ExclusiveLock, NamesOfOneChipFileShareOneLock) {
    TTempDir dir;
    WriteFile(dir / "chip.txt", "");
    fs::create_symlink("chip.txt", dir / "link.txt");
    const fs::path lockDir = dir / "locks";
    EXPECT_EQ(ChipFileLockFile(lockDir, dir / "chip.txt"),
              ChipFileLockFile(lockDir, dir / "link.txt"));
    EXPECT_EQ(ChipFileLockFile(lockDir, dir / "new.txt"),
              ChipFileLockFile(lockDir, dir / "." / "new.txt"));
    EXPECT_NE(ChipFileLockFile(lockDir, dir / "chip.txt"),
              ChipFileLockFile(lockDir, dir / "new.txt"));
    EXPECT_EQ(PortLockFile(lockDir, 0x378), lockDir / "vantrel-port-0378.lock");
}

// A parallel port behind ppdev whose exclusive claim another program or driver may hold.
class TBusyKernel final : public TPpdevSystem {
  public:
    int Open(const std::string&) override { return kFd; }
    void Close(int) override {}
    int Ioctl(int, unsigned long request, unsigned char*) override {
        if (request == PPWDATA || request == PPWCONTROL) {
            ++Writes;
        }
        return request == PPCLAIM ? ClaimError : 0;
    }
    std::optional<std::string> ReadFile(const std::string& path) override {
        if (path == "/proc/sys/dev/parport/parport0/base-addr") {
            return "888\t1912\n";
        }
        return std::nullopt;
    }
    static constexpr int kFd = 9;
    int ClaimError = 0;
    int Writes = 0;
};

class TPermittedDirectIo final : public TDirectIo {
  public:
    int Ioperm(std::uint16_t, std::uint16_t, bool) override { return 0; }
    std::uint8_t In(std::uint16_t) override { return 0; }
    void Out(std::uint16_t, std::uint8_t) override { ++Writes; }
    int Writes = 0;
};

TProgrammerConnection::TOpened OpenReal(TPortDriver driver, const fs::path& lockDir,
                                        TPpdevSystem& kernel, TDirectIo& io) {
    static THardwareSettings settings;
    settings.Driver = driver;
    TConnectionOptions options;
    options.LockDirectory = lockDir;
    options.PpdevSystem = &kernel;
    options.DirectIo = &io;
    return TProgrammerConnection::Open(settings, options);
}

TEST(ProgrammerConnectionClaims, ASecondProgramOnThePortIsRefusedBeforeItWritesToIt) {
    TTempDir dir;
    TBusyKernel kernel;
    TPermittedDirectIo io;
    for (const TPortDriver driver : {TPortDriver::Direct, TPortDriver::Ppdev}) {
        const TOtherProgram other(PortLockFile(dir.Path(), 0x378));
        const auto refused = OpenReal(driver, dir.Path(), kernel, io);
        EXPECT_EQ(refused.Connection, nullptr);
        EXPECT_EQ(refused.Failure, TConnectionFailure::NoProgrammer);
        EXPECT_THAT(refused.Errors, testing::ElementsAre("the port at 0x0378 is in use by "
                                                         "another program (PID " +
                                                         std::to_string(other.Pid()) + ")"));
    }
    EXPECT_EQ(kernel.Writes + io.Writes, 0) << "nothing reached the port";

    // Once the other program is gone, the port is ours - and locked against the next one.
    const auto opened = OpenReal(TPortDriver::Direct, dir.Path(), kernel, io);
    ASSERT_NE(opened.Connection, nullptr) << opened.Errors.front();
    EXPECT_EQ(TExclusiveLock::HolderOf(PortLockFile(dir.Path(), 0x378)), ::getpid());
}

TEST(ProgrammerConnectionClaims, AnExclusiveClaimRefusedByTheKernelNamesTheHolderWhenItIsOurs) {
    TTempDir dir;
    TBusyKernel kernel;
    TPermittedDirectIo io;
    kernel.ClaimError = ENXIO;  // what ppdev answers while another has the port registered
    const auto unknown = OpenReal(TPortDriver::Ppdev, dir.Path(), kernel, io);
    ASSERT_EQ(unknown.Errors.size(), 1u);
    EXPECT_THAT(unknown.Errors[0], HasSubstr("another program or driver holds the port"));
    EXPECT_THAT(unknown.Errors[0], HasSubstr("modprobe -r lp"));

    const TOtherProgram other(PortLockFile(dir.Path(), 0x378));
    const auto known = OpenReal(TPortDriver::Ppdev, dir.Path(), kernel, io);
    EXPECT_THAT(known.Errors,
                testing::ElementsAre("the port at 0x0378 is in use by another program (PID " +
                                     std::to_string(other.Pid()) + ")"));
}

TEST(ProgrammerConnectionClaims, AKeptChipIsOneProgramsAtATime) {
    TTempDir dir;
    const std::uint8_t device = ParseDeviceName("16F84A").value();
    fs::create_symlink("chip.txt", dir / "link.txt");
    THardwareSettings first;
    first.Driver = TPortDriver::Simulated;
    first.Simulator.ChipFile = (dir / "chip.txt").string();
    THardwareSettings second = first;
    second.Simulator.ChipFile = (dir / "link.txt").string();
    TConnectionOptions options;
    options.SimulatedDevice = device;
    options.LockDirectory = dir / ".";

    auto opened = TProgrammerConnection::Open(first, options);
    ASSERT_NE(opened.Connection, nullptr);
    const auto refused = TProgrammerConnection::Open(second, options);
    EXPECT_EQ(refused.Connection, nullptr);
    EXPECT_EQ(refused.Failure, TConnectionFailure::NoProgrammer);
    EXPECT_THAT(refused.Errors,
                testing::ElementsAre("the simulated chip file " + second.Simulator.ChipFile +
                                     " is in use by another program (PID " + kOurPid + ")"));

    opened.Connection.reset();  // closing keeps the chip and lets go of it
    EXPECT_TRUE(fs::exists(dir / "chip.txt"));
    EXPECT_NE(TProgrammerConnection::Open(second, options).Connection, nullptr);
}

TEST(ProgrammerConnectionClaims, ACorruptChipFileIsBadInput) {
    TTempDir dir;
    WriteFile(dir / "chip.txt", "vantrel-sim-chip 1\ndevice 16F84A\n");
    THardwareSettings settings;
    settings.Driver = TPortDriver::Simulated;
    settings.Simulator.ChipFile = (dir / "chip.txt").string();
    TConnectionOptions options;
    options.SimulatedDevice = ParseDeviceName("16F84A").value();
    options.LockDirectory = dir.Path();
    const auto refused = TProgrammerConnection::Open(settings, options);
    EXPECT_EQ(refused.Connection, nullptr);
    EXPECT_EQ(refused.Failure, TConnectionFailure::BadInput);
    EXPECT_EQ(ReadFile(dir / "chip.txt"), "vantrel-sim-chip 1\ndevice 16F84A\n");
    EXPECT_FALSE(fs::exists(ChipFileLockFile(dir.Path(), dir / "chip.txt")));
}

}  // namespace
}  // namespace vantrel::test
