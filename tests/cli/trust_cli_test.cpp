// Situations where an earlier version lost data or reported success for an operation that did
// nothing, run through vantrel-cli on the simulated programmer. Each case asserts the exit
// status, the message, and that every file the user owns is byte for byte as it was - or, for
// the files the case names, what the operation must have made of it.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <sstream>

#include "cli/cli_programming_ui.h"
#include "device/device_selection.h"
#include "device/hex_text.h"
#include "sim/sim_chip_file.h"
#include "support/test_paths.h"

namespace vantrel {
namespace {

using testing::HasSubstr;
using testing::MatchesRegex;

namespace fs = std::filesystem;

// One Intel HEX record with its checksum.
std::string HexRecord(std::uint32_t address, std::uint8_t type,
                      const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> bytes{static_cast<std::uint8_t>(data.size()),
                                    static_cast<std::uint8_t>(address >> 8),
                                    static_cast<std::uint8_t>(address), type};
    bytes.insert(bytes.end(), data.begin(), data.end());
    unsigned sum = 0;
    std::string line = ":";
    for (const std::uint8_t byte : bytes) {
        line += HexByteText(byte);
        sum += byte;
    }
    return line + HexByteText((0x100 - (sum & 0xFF)) & 0xFF) + "\n";
}

const std::string kEndRecord = ":00000001FF\n";

// A kept chip of `device`, as a file of the simulated programmer.
std::string ChipFile(std::string_view device, std::uint8_t revision = kDefaultSimRevision,
                     bool codeProtected = false) {
    TSimChipState chip = FactoryFreshChip(FindDeviceByName(device).value());
    chip.Revision = revision;
    if (codeProtected) {
        TurnOnCodeProtection(chip);
    }
    return FormatSimChipFile(chip);
}

std::string Sample() {
    return test::ReadFile(test::SourceDir() / "samples" / "blink-16f84a.hex");
}

// The files of one case, in a directory of their own.
struct TFiles {
    test::TTempDir Dir;
    [[nodiscard]] std::string Path(const std::string& name) const { return (Dir / name).string(); }
    void Write(const std::string& name, const std::string& text) const {
        test::WriteFile(Dir / name, text);
    }
};

using TCheck = std::function<void(const TFiles&, const test::TProcessResult&)>;

struct TTrustCase {
    TTrustCase(std::string_view name, std::function<void(const TFiles&)> setup,
               std::vector<std::string> arguments, int exitStatus, std::string_view message,
               std::vector<std::string> changes = {}, TCheck check = {})
        : Name(name),
          Setup(std::move(setup)),
          Arguments(std::move(arguments)),
          ExitStatus(exitStatus),
          Message(message),
          Changes(std::move(changes)),
          Check(std::move(check)) {}

    std::string_view Name;
    std::function<void(const TFiles&)> Setup;
    // Arguments after "--driver=simulated"; "@NAME" stands for the path of file NAME.
    std::vector<std::string> Arguments;
    int ExitStatus;
    std::string_view Message;  // on standard error, or on standard output when it succeeds
    // Files the operation may change or create: every other file must stay as it was, and no
    // other file may appear.
    std::vector<std::string> Changes;
    // Checked after the run, when given.
    TCheck Check;
};

std::ostream& operator<<(std::ostream& out, const TTrustCase& c) {
    return out << c.Name;
}

std::map<std::string, std::string> Snapshot(const TFiles& files) {
    std::map<std::string, std::string> contents;
    for (const auto& entry : fs::directory_iterator(files.Dir.Path())) {
        contents[entry.path().filename().string()] = test::ReadFile(entry.path());
    }
    return contents;
}

class TrustCliTest : public testing::TestWithParam<TTrustCase> {};

TEST_P(TrustCliTest, ExitsWithTheMessageAndKeepsTheUsersFiles) {
    const TTrustCase& c = GetParam();
    TFiles files;
    if (c.Setup) {
        c.Setup(files);
    }
    const std::map<std::string, std::string> before = Snapshot(files);
    std::vector<std::string> arguments{"--driver=simulated"};
    for (const std::string& argument : c.Arguments) {
        arguments.push_back(argument.starts_with('@') ? files.Path(argument.substr(1)) : argument);
    }
    const test::TProcessResult result = test::RunCli(arguments);

    EXPECT_EQ(result.ExitStatus, c.ExitStatus) << result.Out << result.Err;
    EXPECT_THAT(c.ExitStatus == 0 ? result.Out : result.Err, HasSubstr(std::string(c.Message)))
        << "out: " << result.Out << "\nerr: " << result.Err;
    const std::map<std::string, std::string> after = Snapshot(files);
    for (const auto& [name, text] : after) {
        const bool mayChange = std::ranges::find(c.Changes, name) != c.Changes.end();
        if (!mayChange) {
            ASSERT_TRUE(before.contains(name)) << name << " appeared";
            EXPECT_EQ(text, before.at(name)) << name << " changed";
        }
    }
    for (const auto& [name, text] : before) {
        EXPECT_TRUE(after.contains(name)) << name << " disappeared";
    }
    if (c.Check) {
        c.Check(files, result);
    }
}

const std::string kNoChip14 =
    "No chip answers (device ID 0x3FFF): check that the chip sits in the socket and the "
    "programmer has power";

void KeptChip876A(const TFiles& files) {
    files.Write("chip.txt", ChipFile("16F876A", 7));
    files.Write("in.hex", Sample());
}

void ProtectedChip675(const TFiles& files) {
    files.Write("chip.txt", ChipFile("12F675", kDefaultSimRevision, true));
    files.Write("in.hex", Sample());
}

// A 16F628A program with one word past the 16F627A's 1K words.
void Program628A(const TFiles& files) {
    files.Write("in.hex", HexRecord(0x0000, 0, {0x05, 0x28}) +
                              HexRecord(0x0800, 0, {0xFF, 0x30, 0x08, 0x00}) + kEndRecord);
}

const std::vector<TTrustCase> kCases{
    // The chip is identified before it is touched.
    {"NoChipWrite",
     [](const TFiles& f) { f.Write("in.hex", Sample()); },
     {"-d", "16F877A", "--sim-fault", "no-chip", "write", "@in.hex"},
     1,
     kNoChip14},
    {"NoChipVerify",
     [](const TFiles& f) { f.Write("in.hex", Sample()); },
     {"-d", "16F628A", "--sim-fault", "no-chip", "verify", "@in.hex"},
     1,
     kNoChip14},
    {"NoChipReadWritesNoOutput",
     nullptr,
     {"-d", "18F452", "--sim-fault", "no-chip", "read", "-o", "@out.hex"},
     1,
     "No chip answers (device ID 0xFFFF)"},
    {"NoChipErase",
     nullptr,
     {"-d", "16F84A", "--sim-fault", "no-chip", "--yes", "erase"},
     1,
     kNoChip14},
    {"NoChipKeptChipStaysInItsFile",
     KeptChip876A,
     {"-d", "16F876A", "--sim-chip", "@chip.txt", "--sim-fault", "no-chip", "write", "@in.hex"},
     1,
     kNoChip14},
    {"StuckLowDataLineIsNoChip",
     [](const TFiles& f) { f.Write("in.hex", Sample()); },
     {"-d", "16F877", "--sim-fault", "data-stuck-low", "write", "@in.hex"},
     1,
     "No chip answers (device ID 0x0000)"},
    {"OtherDeviceWriteIsRefused",
     KeptChip876A,
     {"-d", "16F877A", "--sim-chip", "@chip.txt", "write", "@in.hex"},
     1,
     "Found a 16F876A (device ID 0x0E00, revision 7), expected a 16F877A\nDo you still wish to "
     "go on? no (--force-device answers Yes)"},
    {"OtherDeviceIsNotForcedByYes",
     KeptChip876A,
     {"-d", "16F877A", "--sim-chip", "@chip.txt", "--yes", "--yes", "erase"},
     1,
     "Found a 16F876A (device ID 0x0E00, revision 7), expected a 16F877A"},
    {"OtherDeviceReadWritesNoOutput",
     KeptChip876A,
     {"-d", "16F877A", "--sim-chip", "@chip.txt", "read", "-o", "@out.hex"},
     1,
     "expected a 16F877A"},
    {"OtherDeviceGoesOnWithForceDevice",
     KeptChip876A,
     {"-d", "16F877A", "--sim-chip", "@chip.txt", "--force-device", "read", "-o", "@out.hex"},
     0,
     "16F876A revision 7 answers\nReading program data...",
     {"out.hex", "chip.txt"}},
    {"OtherDevice18F",
     [](const TFiles& f) { f.Write("chip.txt", ChipFile("18F4550", 2)); },
     {"-d", "18F2550", "--sim-chip", "@chip.txt", "read", "-o", "@out.hex"},
     1,
     "Found an 18F4550 (device ID 0x1200, revision 2), expected an 18F2550"},
    {"DetectNamesTheChipOfTheDevice",
     KeptChip876A,
     {"-d", "16F876A", "--sim-chip", "@chip.txt", "detect"},
     0,
     "Port : $378\n16F876A revision 7 answers\n",
     {"chip.txt"}},
    {"DetectFindsAnotherDevice",
     KeptChip876A,
     {"-d", "16F877A", "--sim-chip", "@chip.txt", "detect"},
     1,
     "Found a 16F876A (device ID 0x0E00, revision 7), expected a 16F877A"},
    {"IdentifyNamesAKeptChipWithoutDevice",
     KeptChip876A,
     {"--sim-chip", "@chip.txt", "identify"},
     0,
     "16F876A revision 7 answers\n",
     {"chip.txt"}},
    {"IdentifyAn18FChip",
     [](const TFiles& f) { f.Write("chip.txt", ChipFile("18F4680", 9)); },
     {"--sim-chip", "@chip.txt", "identify"},
     0,
     "18F4680 revision 9 answers\n",
     {"chip.txt"},
     [](const TFiles&, const test::TProcessResult& r) {
         EXPECT_THAT(r.Err, testing::Not(HasSubstr("violation"))) << r.Err;
     }},
    {"IdentifyAnEmptySocket", nullptr, {"identify"}, 1, "No chip answers (device ID 0xFFFF)"},
    {"IdentifyAPartWithoutId",
     [](const TFiles& f) { f.Write("chip.txt", ChipFile("16F84")); },
     {"--sim-chip", "@chip.txt", "identify"},
     1,
     "No chip answers"},
    // The factory calibration word survives a protected chip.
    {"ProtectedCalibratedChipIsNotErased",
     ProtectedChip675,
     {"-d", "12F675", "--sim-chip", "@chip.txt", "write", "@in.hex"},
     1,
     "The calibration word saved from 0x03FF is 0x0000, which is not a RETLW instruction "
     "(0x34NN)"},
    {"ProtectedCalibratedChipEraseIsRefused",
     ProtectedChip675,
     {"-d", "12F675", "--sim-chip", "@chip.txt", "--yes", "erase"},
     1,
     "or cancel to leave the chip as it is. none (--cal 0x34NN gives one)"},
    {"ProtectedCalibratedChipWithCal",
     ProtectedChip675,
     {"-d", "12F675", "--sim-chip", "@chip.txt", "--cal", "0x3456", "write", "@in.hex"},
     0,
     "Calibration word 0x3456 given\n",
     {"chip.txt"},
     [](const TFiles& f, const test::TProcessResult& r) {
         EXPECT_THAT(r.Out, HasSubstr("Calibration word 0x3456 written back\n"));
         EXPECT_THAT(test::ReadFile(f.Dir / "chip.txt"),
                     HasSubstr("# calibration word 03FF = 3456"));
     }},
    {"CalibratedWriteShowsTheSavedWord",
     [](const TFiles& f) {
         f.Write("chip.txt", ChipFile("16F630"));
         f.Write("in.hex", Sample());
     },
     {"-d", "16F630", "--sim-chip", "@chip.txt", "write", "@in.hex"},
     0,
     "Calibration word 0x3",
     {"chip.txt"},
     [](const TFiles&, const test::TProcessResult& r) {
         EXPECT_THAT(r.Out,
                     MatchesRegex("(.|\n)*Calibration word (0x34[0-9A-F]{2}) saved\n(.|\n)*"
                                  "Calibration word (0x34[0-9A-F]{2}) written back\n(.|\n)*"));
     }},
    {"CalOutsideRetlwIsBadInput",
     ProtectedChip675,
     {"-d", "12F675", "--sim-chip", "@chip.txt", "--cal", "0x1234", "write", "@in.hex"},
     2,
     "--cal needs a calibration word 0x3400..0x34FF (RETLW k), not '0x1234'"},
    // Data outside the device.
    {"OutsideDataIsNotWritten",
     Program628A,
     {"-d", "16F627A", "--sim-chip", "@chip.txt", "write", "@in.hex"},
     2,
     "2 values outside the 16F627A's memory were ignored (first at 0x0800); --ignore-outside "
     "writes the rest anyway"},
    {"OutsideDataIsNotVerified",
     Program628A,
     {"-d", "16F627A", "verify", "@in.hex"},
     2,
     "--ignore-outside verifies the rest anyway"},
    {"OutsideDataIsWrittenWhenTheUserSaysSo",
     Program628A,
     {"-d", "16F627A", "--sim-chip", "@chip.txt", "--ignore-outside", "write", "@in.hex"},
     0,
     "1 program words written in",
     {"chip.txt"}},
    {"InfoReportsOutsideData",
     Program628A,
     {"-d", "16F627A", "info", "@in.hex"},
     0,
     "Left out:      2 values outside the 16F627A's memory were ignored (first at 0x0800)\n"},
    {"Pic18EepromBeyondWhatTheProgramHolds",
     [](const TFiles& f) {
         f.Write("in.hex", ":0200000400F00A\n" + HexRecord(0x0100, 0, {0x11}) + kEndRecord);
     },
     {"-d", "18F4680", "write", "@in.hex"},
     2,
     "1 value outside the 18F4680's memory was ignored (first at 0xF00100)"},
    // No data at all.
    {"EmptyFileIsNotWritten",
     [](const TFiles& f) { f.Write("in.hex", ""); },
     {"-d", "16F84A", "--sim-chip", "@chip.txt", "write", "@in.hex"},
     2,
     "no Intel HEX data in "},
    {"TextFileIsNotVerified",
     [](const TFiles& f) { f.Write("in.hex", "Dear Sir,\nplease find the program attached.\n"); },
     {"-d", "16F84A", "verify", "@in.hex"},
     2,
     "no Intel HEX data in "},
    {"EndRecordOnlyIsNotWritten",
     [](const TFiles& f) {
         f.Write("chip.txt", ChipFile("16F84A"));
         f.Write("in.hex", kEndRecord);
     },
     {"-d", "16F84A", "--sim-chip", "@chip.txt", "write", "@in.hex"},
     2,
     "no Intel HEX data in "},
    // Erase and Read that did nothing.
    {"EraseThatLeavesTheChipNotBlank",
     nullptr,
     {"-d", "16F84", "--sim-fault", "data-stuck-low", "--yes", "erase"},
     1,
     "Erase failed at 0x0000: the chip is not blank"},
    {"ReadOfAPartWithoutIdThatGivesOnlyZeros",
     [](const TFiles& f) { f.Write("chip.txt", ChipFile("16F84", kDefaultSimRevision, true)); },
     {"-d", "16F84", "--sim-chip", "@chip.txt", "read", "-o", "@out.hex"},
     1,
     "The chip reads as all zeros: it may be code-protected or missing",
     {"chip.txt"}},
    {"ReadWithAStuckLowDataLine",
     nullptr,
     {"-d", "12C509", "--sim-fault", "data-stuck-low", "read"},
     1,
     "The chip reads as all zeros"},
    // The checksum the user compares with other tools.
    {"InfoShowsTheChecksum",
     [](const TFiles& f) { f.Write("in.hex", Sample()); },
     {"-d", "16F84A", "info", "@in.hex"},
     0,
     "Checksum:      0x"},
};

INSTANTIATE_TEST_SUITE_P(Situations, TrustCliTest, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.Name); });

// The write summary and info agree on the image's checksum, and a blank 16F84A image has the
// sum of 1025 blank words.
TEST(TrustCliChecksum, WriteSummaryAndInfoShowTheSameChecksum) {
    TFiles files;
    files.Write("in.hex", Sample());
    const auto info = test::RunCli({"-d", "16F84A", "info", files.Path("in.hex")});
    const auto written =
        test::RunCli({"--driver=simulated", "-d", "16F84A", "write", files.Path("in.hex")});
    ASSERT_EQ(written.ExitStatus, 0) << written.Err;
    const std::size_t at = info.Out.find("Checksum:      0x");
    ASSERT_NE(at, std::string::npos) << info.Out;
    const std::string value = info.Out.substr(at + 15, 6);
    EXPECT_THAT(written.Out, testing::EndsWith("Checksum " + value + "\n"));

    files.Write("blank.hex", HexRecord(0x400E, 0, {0xFF, 0x3F}) + kEndRecord);
    const auto blank = test::RunCli({"-d", "16F84A", "info", files.Path("blank.hex")});
    EXPECT_THAT(blank.Out, HasSubstr("Checksum:      0x3BFF\n"));
}

// The terminal user interface's answers to the questions that guard the chip.
TEST(TrustCliUi, OnlyTheUsersOwnOptionsAnswerTheChipQuestions) {
    std::ostringstream status, err;
    std::istringstream in("y\n");
    const cli::TCliUiSettings anything{
        .AssumeYes = true, .Interactive = true, .ProgressOnStatus = false};
    cli::TCliProgrammingUi cautious(status, err, in, anything);
    EXPECT_FALSE(cautious.AskOtherDevice("Found a 16F876A")) << "neither --yes nor a terminal";
    EXPECT_EQ(cautious.AskCalibrationWord("Enter it"), std::nullopt);
    EXPECT_EQ(err.str(),
              "Found a 16F876A no (--force-device answers Yes)\n"
              "Enter it none (--cal 0x34NN gives one)\n");

    std::ostringstream forcedErr;
    cli::TCliProgrammingUi forced(status, forcedErr, in, {}, {true, 0x3456});
    EXPECT_TRUE(forced.AskOtherDevice("Found a 16F876A"));
    EXPECT_EQ(forced.AskCalibrationWord("Enter it"), 0x3456);
    EXPECT_EQ(forcedErr.str(), "Found a 16F876A yes (--force-device)\nEnter it 0x3456 (--cal)\n");
}

}  // namespace
}  // namespace vantrel
