#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <sstream>

#include "support/test_paths.h"

namespace vantrel {
namespace {

using test::RunCli;
using testing::HasSubstr;

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

TEST(DetectCliTest, SimulatedBoardIsFoundWithItsWiringAndNotWithAnother) {
    for (const std::string preset : {"custom", "p16pro40-7407"}) {
        const auto result = RunCli({"--driver", "simulated", "--preset", preset, "detect"});
        EXPECT_EQ(result.ExitStatus, 0) << preset << result.Err;
        EXPECT_EQ(result.Out, "Port : $378\n");
        EXPECT_EQ(result.Err, "");
    }
    const auto result = RunCli({"--driver=simulated", "--preset=p16pro40-7406", "detect"});
    EXPECT_EQ(result.ExitStatus, 3);
    EXPECT_EQ(result.Out, "Port : None\n");
}

// The record holds the outputs switched off, the test of the first address, and the outputs
// switched off again — one line per access or delay, and nothing else.
TEST(DetectCliTest, TraceRecordsEveryAccessAndDelayInOrder) {
    test::TTempDir dir;
    const auto result =
        RunCli({"--driver", "simulated", "--trace", (dir / "trace.txt").string(), "detect"});
    ASSERT_EQ(result.ExitStatus, 0) << result.Err;
    const std::vector<std::string> lines = Lines(test::ReadFile(dir / "trace.txt"));
    const std::regex format("(R|W) [0-9A-F]{3} [0-9A-F]{2}|D (0|[1-9][0-9]*)");
    std::string skeleton;
    for (const std::string& line : lines) {
        EXPECT_TRUE(std::regex_match(line, format)) << line;
        skeleton += line[0] == 'D' ? line : line.substr(0, 5);
        skeleton += ' ';
    }
    const std::string readWrite = "R 378 W 378 ";
    std::string switchOn;  // start-up switching off: Vpp+MCLR, Vpp40+MCLR, MCLR, Vdd
    for (int i = 0; i < 6; ++i) {
        switchOn += readWrite;
    }
    const std::string test = readWrite + readWrite + readWrite + readWrite +  // Vpp, Vdd, data
                             "D 10 R 379 " + readWrite + "D 10 R 379 " + readWrite;
    std::string end;  // Vpp+MCLR, Vpp40+MCLR, Vdd
    for (int i = 0; i < 5; ++i) {
        end += readWrite;
    }
    EXPECT_EQ(skeleton, switchOn + test + end);
    ASSERT_FALSE(lines.empty());
    // Default wiring inverts Vdd (D2), Vpp (D3), Vpp40 (D4): their bits set means off.
    const int last = std::stoi(lines.back().substr(6), nullptr, 16);
    EXPECT_EQ(last & 0x1C, 0x1C) << lines.back();
}

TEST(DetectCliTest, UnavailableParallelPortDriverSaysWhatToDo) {
    if (std::filesystem::exists("/dev/parport0")) {
        GTEST_SKIP() << "this machine has a parallel port";
    }
    const auto result = RunCli({"detect"});
    EXPECT_EQ(result.ExitStatus, 3);
    EXPECT_EQ(result.Out, "");
    EXPECT_THAT(result.Err, HasSubstr("modprobe parport_pc"));
}

TEST(DetectCliTest, BadOptionsAreRefusedBeforeThePortIsTouched) {
    test::TTempDir dir;
    const std::string trace = (dir / "trace.txt").string();
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--driver", "parport", "detect"}, "unknown driver 'parport'"},
        {{"--port", "0x3F8", "detect"}, "unknown port '0x3F8'"},
        {{"--port", "378", "detect"}, "unknown port '378'"},
        {{"--preset", "p16pro40", "detect"}, "unknown preset 'p16pro40'"},
        {{"--driver", "simulated", "-d", "16X99", "detect"}, "unknown device '16X99'"},
        {{"--driver", "simulated", "detect", "extra"}, "takes no arguments"},
        {{"--driver", "simulated", "--trace", trace, "detect", "extra"}, "takes no arguments"},
    };
    for (const auto& [arguments, message] : cases) {
        const auto result = RunCli(arguments);
        EXPECT_EQ(result.ExitStatus, 2) << message;
        EXPECT_THAT(result.Err, HasSubstr(message));
        EXPECT_EQ(result.Out, "");
    }
    EXPECT_FALSE(std::filesystem::exists(trace));
    const auto result =
        RunCli({"--driver", "simulated", "--trace", (dir / "no/such/dir").string(), "detect"});
    EXPECT_EQ(result.ExitStatus, 2);
    EXPECT_THAT(result.Err, HasSubstr("cannot create the trace file"));
}

}  // namespace
}  // namespace vantrel
