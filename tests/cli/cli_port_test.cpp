#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <csignal>
#include <sstream>

#include "cli/cli_port.h"
#include "hardware/port_error.h"
#include "support/test_paths.h"

namespace vantrel::cli {
namespace {

using testing::HasSubstr;

std::vector<std::string> TraceLines(const std::filesystem::path& path) {
    std::vector<std::string> lines;
    std::istringstream in(test::ReadFile(path));
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

// However the body ends, the last ten accesses switch Vpp, Vpp40 and Vdd off (the default
// wiring inverts all three: set bits).
void ExpectSwitchedOffAtTheEnd(const std::vector<std::string>& lines) {
    ASSERT_GE(lines.size(), 10u);
    for (std::size_t i = lines.size() - 10; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i].substr(0, 6), (lines.size() - i) % 2 == 0 ? "R 378 " : "W 378 ");
    }
    EXPECT_EQ(std::stoi(lines.back().substr(6), nullptr, 16) & 0x1C, 0x1C);
}

struct TRun {
    int Status;
    std::string Err;
    std::vector<std::string> Trace;
};

TRun RunBody(const TProgrammerBody& body) {
    test::TTempDir dir;
    TCliOptions options;
    options.Driver = TPortDriver::Simulated;
    options.TraceFile = (dir / "trace.txt").string();
    std::ostringstream out, err;
    THardwareSettings settings = HardwareSettingsFrom(options);
    const int status =
        RunWithProgrammer(options, {out, err}, settings, TPortScope::ConfiguredPort, body);
    return {status, err.str(), TraceLines(dir / "trace.txt")};
}

TEST(RunWithProgrammerTest, OutputsAreSwitchedOffWhenTheBodyFails) {
    const auto turnOnAndThrow = [](auto exception) {
        return [exception](TProgrammerAccess& programmer) -> int {
            programmer.Pins.SetVdd(true);
            programmer.Pins.SetVpp(true);
            throw exception;
        };
    };
    const TRun failed = RunBody(turnOnAndThrow(std::runtime_error("verify exploded")));
    EXPECT_EQ(failed.Status, kExitOperationFailed);
    EXPECT_THAT(failed.Err, HasSubstr("verify exploded"));
    ExpectSwitchedOffAtTheEnd(failed.Trace);

    const TRun portFailed = RunBody(turnOnAndThrow(TPortError("PPWDATA failed")));
    EXPECT_EQ(portFailed.Status, kExitNoProgrammer);
    ExpectSwitchedOffAtTheEnd(portFailed.Trace);
}

// Every terminating signal the program can catch - an interrupt, a termination, a hang-up, a
// quit, a reader of standard output that went away - stops at the next access and switches off.
TEST(RunWithProgrammerTest, TerminatingSignalsStopAtTheNextAccessAndSwitchOff) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE}) {
        const TRun run = RunBody([signal](TProgrammerAccess& programmer) {
            programmer.Pins.SetVdd(true);
            std::raise(signal);
            programmer.Pins.SetVpp(true);  // never reaches the port
            ADD_FAILURE() << "the body went on after signal " << signal;
            return kExitSuccess;
        });
        EXPECT_EQ(run.Status, 128 + signal);
        EXPECT_THAT(run.Err, HasSubstr("interrupted by signal " + std::to_string(signal)));
        ASSERT_EQ(run.Trace.size(), 12u + 2u + 10u);  // start-up off, Vdd on, the end
        ExpectSwitchedOffAtTheEnd(run.Trace);
        struct sigaction current {};
        sigaction(signal, nullptr, &current);
        EXPECT_EQ(current.sa_handler, SIG_DFL) << "the previous handler is back";
    }
}

// Started under nohup the operation is meant to outlive the terminal: a hang-up ignored at the
// start stays ignored, and the operation runs to its end.
TEST(RunWithProgrammerTest, HangUpIgnoredAtTheStartStaysIgnored) {
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previous {};
    sigaction(SIGHUP, &ignore, &previous);
    const TRun run = RunBody([](TProgrammerAccess& programmer) {
        programmer.Pins.SetVdd(true);
        std::raise(SIGHUP);
        programmer.Pins.SetVpp(true);
        return kExitSuccess;
    });
    struct sigaction current {};
    sigaction(SIGHUP, &previous, &current);
    EXPECT_EQ(run.Status, kExitSuccess) << run.Err;
    EXPECT_EQ(current.sa_handler, SIG_IGN);
    ExpectSwitchedOffAtTheEnd(run.Trace);
}

}  // namespace
}  // namespace vantrel::cli
