#include <gtest/gtest.h>

#include <sstream>

#include "../sim/icsp_host.h"
#include "cli/cli_commands.h"
#include "cli/cli_simulator.h"
#include "sim/sim_chip_file.h"
#include "support/test_paths.h"

namespace vantrel::test {
namespace {

using cli::OpenSimulatedProgrammer;
using cli::ParseCommandLine;
using cli::TCliOptions;

TCliOptions Options(const std::vector<std::string>& arguments) {
    const cli::TParseResult parsed = ParseCommandLine(arguments);
    EXPECT_EQ(parsed.Error, "");
    return parsed.Options;
}

TEST(SimulatorOptions, AreParsedIntoTheOptions) {
    const TCliOptions options =
        Options({"-d", "16F84A", "--sim-chip", "chip.txt", "--sim-fault", "protected",
                 "--sim-fault=word-fails=1F", "--sim-board", "ferrow", "detect"});
    EXPECT_EQ(options.SimChipFile, "chip.txt");
    EXPECT_EQ(options.SimFaults, (std::vector<std::string>{"protected", "word-fails=1F"}));
    EXPECT_EQ(options.SimBoard, "ferrow");
    EXPECT_EQ(options.Command, "detect");
}

TEST(SimulatorOptions, RefuseWhatCannotBeSimulated) {
    for (const auto& [arguments, error] :
         std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{"--sim-fault", "melted"}, "unknown simulator fault 'melted'"},
             {{"--sim-fault", "data-stuck-high", "--sim-fault", "data-stuck-low"},
              "cannot be stuck both high and low"},
             {{"--sim-fault", "word-fails=xyz"}, "word-fails needs a hexadecimal"},
             {{"--sim-board", "custom"}, "unknown board 'custom' for --sim-board"},
             {{"--sim-chip"}, "needs a value (FILE)"}}) {
        const cli::TParseResult parsed = ParseCommandLine(arguments);
        EXPECT_NE(parsed.Error.find(error), std::string::npos) << parsed.Error;
    }
}

TEST(SimulatorOptions, AreDocumentedInTheHelp) {
    std::ostringstream out, err;
    ASSERT_EQ(cli::RunCli({"--help"}, {out, err}), cli::kExitSuccess);
    for (const char* text : {"--sim-chip FILE", "--sim-fault NAME", "--sim-board PRESET",
                             "word-fails=ADDR", "data-stuck-high", "p16pro40-7407 (default)"}) {
        EXPECT_NE(out.str().find(text), std::string::npos) << text;
    }
    for (std::istringstream lines(out.str()); !lines.eof();) {
        std::string line;
        std::getline(lines, line);
        EXPECT_LE(line.size(), 100u) << line;
    }
}

// Writes a word into a 16F84A through the board: Load Data, Begin Programming, wait.
void WriteFirstWord(cli::TSimulatedProgrammer& programmer, std::uint16_t word) {
    TIcspHost host(programmer.Port(), programmer.Clock());
    host.EnterVddFirst();
    host.Load(0x02, word);
    host.Command(0x08);
    host.WaitMs(10);
    host.Exit();
}

std::uint16_t ReadFirstWord(cli::TSimulatedProgrammer& programmer) {
    TIcspHost host(programmer.Port(), programmer.Clock());
    host.EnterVddFirst();
    const std::uint16_t word = host.Read(0x04);
    host.Exit();
    return word;
}

TEST(OpenSimulatedProgrammer, KeepsTheChipBetweenRuns) {
    TTempDir dir;
    const std::string file = (dir / "chip.txt").string();
    std::ostringstream err;
    {
        auto first =
            OpenSimulatedProgrammer(Options({"-d", "16F84A", "--sim-chip", file}), 0x378, err);
        ASSERT_NE(first, nullptr) << err.str();
        EXPECT_EQ(ReadFirstWord(*first), 0x3FFF) << "a fresh chip when the file is missing";
        WriteFirstWord(*first, 0x2805);
        ASSERT_TRUE(first->Finish(err)) << err.str();
    }
    const TSimChipFileResult kept = ParseSimChipFile(ReadFile(dir / "chip.txt"));
    ASSERT_TRUE(kept.Chip) << kept.Error;
    EXPECT_EQ(kept.Chip->Program[0], 0x2805);

    auto second =
        OpenSimulatedProgrammer(Options({"-d", "PIC16F84A", "--sim-chip", file}), 0x378, err);
    ASSERT_NE(second, nullptr) << err.str();
    EXPECT_EQ(ReadFirstWord(*second), 0x2805);
    EXPECT_EQ(err.str(), "");
}

TEST(OpenSimulatedProgrammer, RefusesAChipFileOfAnotherDeviceOrAMalformedOne) {
    TTempDir dir;
    WriteFile(dir / "f84a.txt", FormatSimChipFile(FactoryFreshChip(3)));
    WriteFile(dir / "bad.txt", "vantrel-sim-chip 1\ndevice 16F84A\nprogram 0000: 12345\nend\n");
    const std::string f84a = (dir / "f84a.txt").string();
    const std::string bad = (dir / "bad.txt").string();
    std::ostringstream err;
    EXPECT_EQ(OpenSimulatedProgrammer(Options({"-d", "16F628A", "--sim-chip", f84a}), 0x378, err),
              nullptr);
    EXPECT_EQ(err.str(), "vantrel-cli: " + f84a +
                             " keeps a 16F84A chip, not the 16F628A chosen with -d 16F628A\n");
    err.str("");
    EXPECT_EQ(OpenSimulatedProgrammer(Options({"-d", "16F84A", "--sim-chip", bad}), 0x378, err),
              nullptr);
    EXPECT_EQ(err.str(), "vantrel-cli: " + bad + ": line 3: '12345' is not a hexadecimal number\n");
    EXPECT_EQ(ReadFile(dir / "bad.txt"),
              "vantrel-sim-chip 1\ndevice 16F84A\nprogram 0000: 12345\nend\n")
        << "a refused file is left alone";
    err.str("");
    EXPECT_EQ(OpenSimulatedProgrammer(Options({"--sim-chip", f84a, "detect"}), 0x378, err),
              nullptr)
        << "a kept chip is matched against -d";
    EXPECT_NE(err.str().find("needs a device"), std::string::npos) << err.str();
}

TEST(OpenSimulatedProgrammer, WithoutADeviceTheBoardHasAnEmptySocket) {
    std::ostringstream err;
    const auto programmer = OpenSimulatedProgrammer(Options({"detect"}), 0x378, err);
    ASSERT_NE(programmer, nullptr) << err.str();
    EXPECT_EQ(err.str(), "");
}

TEST(OpenSimulatedProgrammer, EmptySocketKeepsNoFileAndTheBoardHasItsOwnWiring) {
    TTempDir dir;
    const std::string file = (dir / "chip.txt").string();
    std::ostringstream err;
    auto programmer =
        OpenSimulatedProgrammer(Options({"-d", "16F84A", "--sim-chip", file, "--sim-fault",
                                         "no-chip", "--sim-board", "p16pro40-7406"}),
                                0x278, err);
    ASSERT_NE(programmer, nullptr) << err.str();
    // Detection at 0x278 finds the board only with the 7406 board's own wiring.
    const auto detects = [&](std::uint8_t preset) {
        TIcspHost host(programmer->Port(), programmer->Clock(), *ProgrammerPresets[preset].Wiring,
                       0x278);
        host.Vdd(true);
        host.Data(true);
        const bool high = host.DataIn();
        host.Data(false);
        const bool low = host.DataIn();
        host.Vdd(false);
        return high && !low;
    };
    EXPECT_FALSE(detects(kProgrammerP7407));
    EXPECT_TRUE(detects(kProgrammerP7406));
    EXPECT_TRUE(programmer->Finish(err));
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(err.str(), "");
}

TEST(OpenSimulatedProgrammer, FinishReportsViolationsAndAFileThatCannotBeWritten) {
    TTempDir dir;
    std::ostringstream err;
    const std::string file = (dir / "missing-dir" / "chip.txt").string();
    auto programmer = OpenSimulatedProgrammer(
        Options({"-d", "16F84A", "--sim-chip", file, "--sim-fault", "protected"}), 0x378, err);
    ASSERT_NE(programmer, nullptr) << err.str();
    EXPECT_EQ(ReadFirstWord(*programmer), 0x0000) << "protected";
    WriteFirstWord(*programmer, 0x0000);
    EXPECT_FALSE(programmer->Finish(err));
    EXPECT_NE(err.str().find("the simulated chip saw 1 protocol or timing violation:\n"),
              std::string::npos)
        << err.str();
    EXPECT_NE(err.str().find("protected-write"), std::string::npos) << err.str();
    EXPECT_NE(err.str().find("vantrel-cli: the simulated chip was not kept: "), std::string::npos)
        << err.str();
}

}  // namespace
}  // namespace vantrel::test
