#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/cli_chip_operation.h"
#include "cli/cli_programming_ui.h"
#include "support/test_paths.h"

// The chip commands against the simulated programmer: a fresh chip of the -d device in the
// socket, or the one kept in --sim-chip FILE from an earlier run.

namespace vantrel {
namespace {

using test::RunCli;
using testing::EndsWith;
using testing::HasSubstr;
using testing::MatchesRegex;
using testing::StartsWith;

constexpr std::string_view kDriver = "--driver=simulated";

std::string Sample() {
    return (test::SourceDir() / "samples" / "blink-16f84a.hex").string();
}

// vantrel-cli with the simulated driver, the device and the kept chip. Every run that reaches
// the programmer first says it is simulated; that line is checked here and taken off, so the
// tests see only the operation's own messages.
test::TProcessResult RunOnChip(const std::filesystem::path& chip, std::string_view device,
                               std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), {std::string(kDriver), "--sim-chip", chip.string(), "-d",
                                         std::string(device)});
    test::TProcessResult result = RunCli(arguments);
    const std::string notice = std::string(cli::kSimulatedProgrammerNotice) + "\n";
    if (result.Err.rfind(notice, 0) == 0) {
        result.Err.erase(0, notice.size());
    } else if (result.ExitStatus != 2) {
        ADD_FAILURE() << "no notice of the simulated programmer: " << result.Err;
    }
    return result;
}

TEST(ChipCommandsCliTest, WriteVerifyAndReadAgreeAcrossRuns) {
    test::TTempDir dir;
    const auto chip = dir / "chip.txt";
    const auto written = RunOnChip(chip, "16F84A", {"write", Sample()});
    EXPECT_EQ(written.ExitStatus, 0) << written.Err;
    EXPECT_EQ(written.Err, "") << "no message, no violation";
    // 17 program words (the gap at 1..4 is skipped) and the 8 bytes of the EEPROM text.
    EXPECT_THAT(written.Out, MatchesRegex("16F84A revision 3 answers\n"
                                          "Writing Program memory...\n"
                                          "Writing EEPROM data memory...\n"
                                          "Verifying program data...\n"
                                          "Verifying EEPROM data...\n"
                                          "Blowing Fuses to \\$3FF1\n"
                                          "25 program words written in [0-9]+ secs.\n"
                                          "Checksum 0x[0-9A-F]{4}\n"));

    const auto verified = RunOnChip(chip, "16F84A", {"verify", Sample()});
    EXPECT_EQ(verified.ExitStatus, 0) << verified.Err;
    EXPECT_THAT(verified.Out, EndsWith("Verifying Config Fuses...\nVerify Successful!\n"));

    const auto read = RunOnChip(chip, "16F84A", {"read"});
    EXPECT_EQ(read.ExitStatus, 0) << read.Err;
    const auto rehexed = RunCli({"-d", "16F84A", "rehex", Sample()});
    EXPECT_EQ(read.Out, rehexed.Out) << "the chip holds the file";
    EXPECT_THAT(read.Err, EndsWith("Target PIC read into buffer\n"));

    const auto file = dir / "read.hex";
    const auto toFile = RunOnChip(chip, "16F84A", {"read", "-o", file.string()});
    EXPECT_EQ(toFile.ExitStatus, 0) << toFile.Err;
    EXPECT_EQ(test::ReadFile(file), rehexed.Out);
    EXPECT_THAT(toFile.Out, StartsWith("16F84A revision 3 answers\nReading program data...\n"));
}

TEST(ChipCommandsCliTest, FailedWritesAndVerifiesExitOneWithTheMessage) {
    test::TTempDir dir;
    const auto noChip =
        RunOnChip(dir / "chip.txt", "16F84A", {"--sim-fault", "no-chip", "write", Sample()});
    EXPECT_EQ(noChip.ExitStatus, 1);
    EXPECT_EQ(noChip.Out, "Write ABORTED!\n");
    EXPECT_EQ(noChip.Err,
              "No chip answers (device ID 0x3FFF): check that the chip sits in the socket and the "
              "programmer has power\n");

    const auto badWord =
        RunOnChip(dir / "chip.txt", "16F877A", {"--sim-fault", "word-fails=7", "write", Sample()});
    EXPECT_EQ(badWord.ExitStatus, 1);
    EXPECT_EQ(badWord.Err, "Program Verify Error at Program address 0x007\n");

    const auto fresh = RunOnChip(dir / "fresh.txt", "16F84A", {"verify", Sample()});
    EXPECT_EQ(fresh.ExitStatus, 1);
    EXPECT_THAT(fresh.Out, EndsWith("Verify FAILED!\n"));
    EXPECT_EQ(fresh.Err, "Program Verify Error at Program address 0x000\n");
}

// The fast timing writes the same chip with the chips' own times: the same messages, the waits
// traced in microseconds, and a later standard verify agrees.
TEST(ChipCommandsCliTest, FastTimingWritesWhatTheStandardVerifies) {
    test::TTempDir dir;
    const auto chip = dir / "chip.txt";
    const auto trace = dir / "trace.txt";
    const auto fast = RunOnChip(chip, "16F84A",
                                {"--timing", "fast", "--trace", trace.string(), "write", Sample()});
    EXPECT_EQ(fast.ExitStatus, 0) << fast.Err;
    EXPECT_EQ(fast.Err, "");
    EXPECT_THAT(fast.Out, HasSubstr("Verifying EEPROM data...\nBlowing Fuses to $3FF1\n"
                                    "25 program words written in "));
    const std::string lines = test::ReadFile(trace);
    EXPECT_THAT(lines, HasSubstr("\nU 9600\n")) << "an 8 ms erase-and-write cycle and a fifth";
    EXPECT_NE(lines.find("R 378 "), std::string::npos);
    EXPECT_EQ(lines.find("R 378 "), lines.rfind("R 378 ")) << "the data register is read once";
    EXPECT_EQ(RunOnChip(chip, "16F84A", {"--timing=standard", "verify", Sample()}).ExitStatus, 0);

    const auto unknown = RunCli({std::string(kDriver), "--timing", "slow", "-d", "16F84A", "read"});
    EXPECT_EQ(unknown.ExitStatus, 2);
    EXPECT_THAT(unknown.Err, HasSubstr("unknown timing 'slow' (standard or fast)"));
}

// What the simulated chip logged would have gone unnoticed on a real one, and failed later: the
// command fails although every word read back. No settle time lets the first clock come
// before the chip is ready.
TEST(ChipCommandsCliTest, AViolationTheSimulatedChipLogsFailsTheCommand) {
    test::TTempDir dir;
    const auto hurried =
        RunOnChip(dir / "chip.txt", "16F84A", {"--vpp-delay", "0", "write", Sample()});
    EXPECT_EQ(hurried.ExitStatus, 1);
    EXPECT_THAT(hurried.Out, HasSubstr(" program words written in "));
    EXPECT_THAT(hurried.Err, StartsWith("vantrel-cli: the simulated chip saw "));
    EXPECT_THAT(hurried.Err, HasSubstr("timing: 16F84A: first clock "));
}

TEST(ChipCommandsCliTest, EraseAsksAndOnlyYesErases) {
    test::TTempDir dir;
    const auto chip = dir / "chip.txt";
    ASSERT_EQ(RunOnChip(chip, "16F877", {"write", Sample()}).ExitStatus, 0);

    const auto declined = RunOnChip(chip, "16F877", {"erase"});
    EXPECT_EQ(declined.ExitStatus, 1);
    EXPECT_EQ(declined.Out, "Erase ABORTED!\n");
    EXPECT_EQ(declined.Err, "This will erase the PIC, are you sure? no (--yes answers Yes)\n");
    EXPECT_EQ(RunOnChip(chip, "16F877", {"verify", Sample()}).ExitStatus, 0) << "untouched";

    const auto confirmed = RunOnChip(chip, "16F877", {"--yes", "erase"});
    EXPECT_EQ(confirmed.ExitStatus, 0) << confirmed.Err;
    EXPECT_EQ(confirmed.Out,
              "16F877 revision 3 answers\nErasing target PIC...\nChecking program data...\n"
              "Target PIC Erased!\n");
    EXPECT_EQ(RunOnChip(chip, "16F877", {"verify", Sample()}).ExitStatus, 1) << "erased";
}

// The calibrated parts write their calibration word back after the erase; when that fails the
// failure is reported, not "Target PIC Erased!".
TEST(ChipCommandsCliTest, EraseWhoseCalibrationWriteBackFailsExitsOne) {
    test::TTempDir dir;
    const auto good = RunOnChip(dir / "good.txt", "12F675", {"--yes", "erase"});
    EXPECT_EQ(good.ExitStatus, 0) << good.Err;
    EXPECT_THAT(good.Out, EndsWith("Target PIC Erased!\n"));

    const auto bad =
        RunOnChip(dir / "bad.txt", "12F675", {"--sim-fault", "word-fails=3FF", "--yes", "erase"});
    EXPECT_EQ(bad.ExitStatus, 1);
    EXPECT_THAT(bad.Out, MatchesRegex("(.|\n)*VERIFY FAILED! - Elapsed time = [0-9]+ secs.\n"));
    EXPECT_THAT(bad.Err, HasSubstr("Program Verify failed at Program address 0x3FF"));
}

// A blank check that stops the Write leaves the operation "ok" as the window reports it, but
// nothing was written: for a script that is a failure.
TEST(ChipCommandsCliTest, EpromWriteThatStopsAtTheBlankCheckExitsOne) {
    test::TTempDir dir;
    const auto chip = dir / "otp.txt";
    const auto image = dir / "otp.hex";
    test::WriteFile(image, ":02000000250ACF\n:021FFE00EA0FE8\n:00000001FF\n");

    const auto declined = RunOnChip(chip, "12C508", {"write", image.string()});
    EXPECT_EQ(declined.ExitStatus, 1);
    EXPECT_EQ(declined.Out, "Checking program data...\n0 program words written in 0 secs.\n");
    EXPECT_THAT(declined.Err, StartsWith("WARNING! - Osc Calibration not Blank\nSet to $0C"));
    EXPECT_THAT(declined.Err, EndsWith("Do you still wish to program? no (--yes answers Yes)\n"));

    const auto accepted = RunOnChip(chip, "12C508", {"--yes", "write", image.string()});
    EXPECT_EQ(accepted.ExitStatus, 0) << accepted.Err;
    EXPECT_THAT(accepted.Out, HasSubstr("Blank Check Performed\nWriting Program memory...\n"));

    // Written once, the chip is no longer blank: its fuses, checked first, say so.
    const auto again = RunOnChip(chip, "12C508", {"--yes", "write", image.string()});
    EXPECT_EQ(again.ExitStatus, 1);
    EXPECT_EQ(again.Err, "Config fuses not Blank\nProgramming Aborted!\n");
}

TEST(ChipCommandsCliTest, BadUsageAndBadInputExitTwoWithoutTouchingThePort) {
    test::TTempDir dir;
    const auto trace = (dir / "trace.txt").string();
    const auto bad = (dir / "bad.hex");
    test::WriteFile(bad, ":10000000ZZ\n");
    struct TCase {
        std::vector<std::string> Arguments;
        std::string_view Message;
    };
    const std::vector<TCase> cases{
        {{"-d", "12C508", "--yes", "erase"}, "one-time programmable; it cannot be erased"},
        {{"write", Sample()}, "needs a device"},
        {{"-d", "16F99", "write", Sample()}, "unknown device"},
        {{"-d", "16F84A", "write"}, "needs exactly one FILE argument"},
        {{"-d", "16F84A", "write", (dir / "missing.hex").string()}, "missing.hex"},
        {{"-d", "16F84A", "write", bad.string()}, "bad.hex"},
        {{"-d", "16F84A", "--vpp-delay", "21", "write", Sample()}, "from 0 to 20"},
        {{"-d", "16F84A", "--prog-delay=4", "write", Sample()}, "from 5 to 20"},
        {{"-d", "16F84A", "--prog-delay", "1x", "write", Sample()}, "not '1x'"},
        {{"-d", "16F84A", "read", "extra"}, "takes no arguments"},
    };
    for (const TCase& c : cases) {
        std::vector<std::string> arguments{std::string(kDriver), "--trace", trace};
        arguments.insert(arguments.end(), c.Arguments.begin(), c.Arguments.end());
        const auto result = RunCli(arguments);
        EXPECT_EQ(result.ExitStatus, 2) << c.Message;
        EXPECT_THAT(result.Err, HasSubstr(c.Message));
        EXPECT_FALSE(std::filesystem::exists(trace)) << c.Message << ": the port was opened";
    }
}

TEST(ChipCommandsCliTest, NoProgrammerExitsThree) {
    // The board is wired otherwise than the preset says: the port test finds nothing.
    const auto wrongWiring = RunCli({std::string(kDriver), "--preset", "p16pro40-7406",
                                     "--check-port", "-d", "16F84A", "verify", Sample()});
    EXPECT_EQ(wrongWiring.ExitStatus, 3);
    EXPECT_EQ(wrongWiring.Out, "");
    EXPECT_THAT(wrongWiring.Err, HasSubstr("no programmer answers on port $378"));

    const auto found =
        RunCli({std::string(kDriver), "--check-port", "-d", "16F84A", "--yes", "erase"});
    EXPECT_EQ(found.ExitStatus, 0) << found.Err;

    if (!std::filesystem::exists("/dev/parport0")) {
        const auto noPort = RunCli({"-d", "16F84A", "write", Sample()});
        EXPECT_EQ(noPort.ExitStatus, 3);
    }
}

TEST(ChipCommandsCliTest, ProgrammerIsSwitchedOffAfterAFailedWrite) {
    test::TTempDir dir;
    const auto trace = dir / "trace.txt";
    const auto result = RunCli({std::string(kDriver), "--sim-fault", "data-stuck-low", "--trace",
                                trace.string(), "-d", "16F877", "write", Sample()});
    EXPECT_EQ(result.ExitStatus, 1);
    std::istringstream lines(test::ReadFile(trace));
    std::string line, last;
    while (std::getline(lines, line)) {
        if (line[0] == 'W') {
            last = line;
        }
    }
    // The default wiring inverts Vdd (D2), Vpp (D3) and Vpp40 (D4): set bits are off.
    ASSERT_FALSE(last.empty());
    EXPECT_EQ(std::stoi(last.substr(6), nullptr, 16) & 0x1C, 0x1C) << last;
}

// The terminal user interface, driven directly.
TEST(CliProgrammingUiTest, QuestionsAreAnsweredByTheOptionOrTheTerminal) {
    struct TCase {
        cli::TCliUiSettings Settings;
        std::string Input;
        bool Answer;
        std::string_view Shown;
    };
    const std::vector<TCase> cases{
        {{true, false, false}, "", true, "Erase it? yes (--yes)\n"},
        {{false, false, false}, "y\n", false, "Erase it? no (--yes answers Yes)\n"},
        {{false, true, false}, " yes\n", true, "Erase it? [y/N] "},
        {{false, true, false}, "\n", false, "Erase it? [y/N] "},
        {{false, true, false}, "", false, "Erase it? [y/N] "},
    };
    for (const TCase& c : cases) {
        std::ostringstream status, err;
        std::istringstream in(c.Input);
        cli::TCliProgrammingUi ui(status, err, in, c.Settings);
        EXPECT_EQ(ui.AskYesNo("Erase it?"), c.Answer) << c.Input;
        EXPECT_EQ(err.str(), c.Shown);
    }
    std::ostringstream status, err;
    std::istringstream in;
    cli::TCliProgrammingUi ui(status, err, in, {true, false, false});
    static_cast<void>(ui.AskYesNo("WARNING! - Osc Calibration is Blank\r\nNo value set"));
    EXPECT_EQ(err.str(), "WARNING! - Osc Calibration is Blank\nNo value set yes (--yes)\n");
}

TEST(CliProgrammingUiTest, ProgressBarIsDrawnOnATerminalAndWipedBeforeTheNextText) {
    std::ostringstream status, err;
    std::istringstream in;
    cli::TCliProgrammingUi terminal(status, err, in, {false, false, true});
    terminal.SetStatus("Writing Program memory...");
    terminal.Progress(1, 4);
    terminal.Progress(1, 4);  // same percentage: not drawn again
    terminal.Progress(4, 4);
    terminal.ShowMessage("Config Fuses Verify Error");
    const std::string bar25 = "\r[" + std::string(10, '#') + std::string(30, '.') + "] 25%";
    const std::string bar100 = "\r[" + std::string(40, '#') + "] 100%";
    const std::string wipe = "\r" + std::string(48, ' ') + "\r";
    EXPECT_EQ(status.str(), "Writing Program memory...\n" + bar25 + bar100 + wipe);
    EXPECT_EQ(err.str(), "Config Fuses Verify Error\n");

    std::ostringstream plain;
    cli::TCliProgrammingUi script(plain, err, in, {false, false, false});
    script.Progress(1, 4);
    script.SetStatus("Verify Successful!");
    EXPECT_EQ(plain.str(), "Verify Successful!\n");
}

}  // namespace
}  // namespace vantrel
