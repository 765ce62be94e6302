#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <sstream>

#include "cli/cli_chip_operation.h"
#include "cli/cli_commands.h"
#include "device/device_selection.h"
#include "sim/sim_chip_file.h"
#include "support/test_paths.h"

// vantrel-cli and the window's settings file: the device, the programmer's wiring, port, driver
// and delays come from it when the command line does not give them, on the simulated programmer.

namespace vantrel {
namespace {

using test::RunCli;
using testing::HasSubstr;
using testing::Not;

std::string Sample() {
    return (test::SourceDir() / "samples" / "blink-16f84a.hex").string();
}

// The settings the window leaves after programming a 16F628A in a simulated P16PRO40 with 7406
// on port 0x278, with the longer programming delay the 16F628 family wants.
std::string WindowSettings(const std::filesystem::path& chip,
                           std::string_view driver = "simulated") {
    const int device = ParseDeviceName("16F628A").value();
    return "[Defaults]\nProcessor=" + std::to_string(device) +
           "\nOsc=1\n\n[Settings1]\nPortAdr=632\nPortIndex=1\n"
           "VppOn=3\nVpp40On=4\nMCLROn=5\nVddOn=2\nClkHi=1\nOutHi=0\nDataIn=15\n"
           "VddInv=0\nVppInv=0\nVpp40Inv=0\nMCLRInv=0\nOutInv=1\nClkInv=1\nInInv=1\n"
           "ProgType=2\nDelayTime=15\nVPPTime=5\nPortDriver=" +
           std::string(driver) + "\nSimChip=\"" + chip.string() + "\"\n";
}

std::string ChipDevice(const std::filesystem::path& chip) {
    const TSimChipFileResult parsed = ParseSimChipFile(test::ReadFile(chip));
    return parsed.Chip ? std::string(parsed.Chip->Device().Name) : parsed.Error;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

bool HasLineStartingWith(const std::vector<std::string>& lines, std::string_view start) {
    return std::any_of(lines.begin(), lines.end(),
                       [&](const std::string& line) { return line.starts_with(start); });
}

// The simulated board is wired as the preset of the settings, as the real one would be.
constexpr std::string_view kBoard = "--sim-board=p16pro40-7406";

TEST(SettingsCliTest, DeviceWiringPortDriverAndDelaysComeFromTheSettingsFile) {
    const test::TTempDir dir;
    const auto chip = dir / "chip; kept, here.txt";
    const auto settings = dir / "Vantrel18F.ini";
    test::WriteFile(settings, WindowSettings(chip));
    const auto trace = dir / "trace.txt";

    const auto written = RunCli({"--settings", settings.string(), std::string(kBoard), "--trace",
                                 trace.string(), "write", Sample()});
    EXPECT_EQ(written.ExitStatus, 0) << written.Err;
    EXPECT_EQ(written.Err, std::string(cli::kSimulatedProgrammerNotice) + "\n");
    EXPECT_EQ(ChipDevice(chip), "16F628A");
    const std::vector<std::string> lines = Lines(test::ReadFile(trace));
    EXPECT_TRUE(HasLineStartingWith(lines, "W 278 "));
    EXPECT_FALSE(HasLineStartingWith(lines, "W 378 "));
    EXPECT_THAT(lines, testing::Contains("D 15")) << "the programming delay";
    EXPECT_THAT(lines, testing::Contains("D 5")) << "the Vpp delay";

    const auto verified =
        RunCli({"--settings", settings.string(), std::string(kBoard), "verify", Sample()});
    EXPECT_EQ(verified.ExitStatus, 0) << verified.Err;
    EXPECT_THAT(verified.Out, HasSubstr("Verify Successful!"));
}

TEST(SettingsCliTest, OptionsOnTheCommandLineWinAndTheFileIsNeverWritten) {
    const test::TTempDir dir;
    const auto chip = dir / "chip.txt";
    const auto settings = dir / "Vantrel18F.ini";
    const std::string text = WindowSettings(chip, "ppdev");
    test::WriteFile(settings, text);
    const std::string settingsOption = "--settings=" + settings.string();

    // Another driver, device, chip, port and delays for this run only.
    const auto other = dir / "other.txt";
    const auto trace = dir / "trace.txt";
    const auto written =
        RunCli({settingsOption, "--driver", "simulated", std::string(kBoard), "-d", "16F84A",
                "--sim-chip", other.string(), "--port", "0x3BC", "--prog-delay", "20",
                "--vpp-delay", "1", "--trace", trace.string(), "write", Sample()});
    EXPECT_EQ(written.ExitStatus, 0) << written.Err;
    EXPECT_THAT(written.Err, HasSubstr("simulated programmer"));
    EXPECT_EQ(ChipDevice(other), "16F84A");
    EXPECT_FALSE(std::filesystem::exists(chip));
    const std::vector<std::string> lines = Lines(test::ReadFile(trace));
    EXPECT_TRUE(HasLineStartingWith(lines, "W 3BC "));
    EXPECT_THAT(lines, testing::Contains("D 20"));
    EXPECT_THAT(lines, Not(testing::Contains("D 5")));

    // A preset from the command line sets its own wiring, which this board is not wired as.
    const auto wrongWiring = RunCli({settingsOption, "--driver", "simulated", std::string(kBoard),
                                     "-d", "16F84A", "--sim-chip", other.string(), "--port",
                                     "0x3BC", "--preset", "p16pro40-7407", "verify", Sample()});
    EXPECT_EQ(wrongWiring.ExitStatus, 1) << wrongWiring.Err;

    EXPECT_EQ(test::ReadFile(settings), text);
}

// Sets an environment variable for one test and puts the old value back.
class TScopedEnvironment {
  public:
    TScopedEnvironment(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) {
            old_ = old;
        }
        ::setenv(name, value.c_str(), 1);
    }
    ~TScopedEnvironment() {
        if (old_) {
            ::setenv(name_, old_->c_str(), 1);
        } else {
            ::unsetenv(name_);
        }
    }
    TScopedEnvironment(const TScopedEnvironment&) = delete;
    TScopedEnvironment& operator=(const TScopedEnvironment&) = delete;

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(SettingsCliTest, TheWindowsFileIsReadByDefaultAndNeededByNoOne) {
    const test::TTempDir dir;
    const TScopedEnvironment config("XDG_CONFIG_HOME", dir.Path().string());

    // A first run: no file, and no device is assumed.
    const auto firstRun = RunCli({"info", Sample()});
    EXPECT_EQ(firstRun.ExitStatus, 2);
    EXPECT_THAT(firstRun.Err, HasSubstr("'info' needs a device: -d NAME"));

    std::filesystem::create_directories(dir / "vantrel");
    test::WriteFile(dir / "vantrel/Vantrel18F.ini", WindowSettings(dir / "chip.txt"));
    const auto fromWindow = RunCli({"info", Sample()});
    EXPECT_EQ(fromWindow.ExitStatus, 0) << fromWindow.Err;
    EXPECT_THAT(fromWindow.Out, HasSubstr("16F628A"));

    const auto noSettings = RunCli({"--no-settings", "info", Sample()});
    EXPECT_EQ(noSettings.ExitStatus, 2);
    EXPECT_THAT(noSettings.Err, HasSubstr("needs a device"));
}

TEST(SettingsCliTest, BadSettingsFilesAreReportedAndInvalidValuesWarnedOf) {
    const test::TTempDir dir;
    struct TCase {
        std::vector<std::string> Arguments;
        std::string Message;
    };
    const std::vector<TCase> refused{
        {{"--settings", (dir / "missing.ini").string(), "devices"},
         "vantrel-cli: the settings file " + (dir / "missing.ini").string() + " does not exist"},
        {{"--settings", dir.Path().string(), "devices"},
         "vantrel-cli: cannot read the settings file: '" + dir.Path().string() +
             "' is a directory"},
        {{"--settings", "x.ini", "--no-settings", "devices"},
         "--settings and --no-settings exclude each other"},
    };
    for (const TCase& c : refused) {
        const auto result = RunCli(c.Arguments);
        EXPECT_EQ(result.ExitStatus, 2) << c.Message;
        EXPECT_THAT(result.Err, HasSubstr(c.Message));
        EXPECT_EQ(result.Out, "");
    }

    const auto settings = dir / "odd.ini";
    test::WriteFile(settings, "[Defaults]\nProcessor=77\n[Settings1]\nDelayTime=3\n");
    const auto warned = RunCli({"--settings", settings.string(), "-d", "16F84A", "info", Sample()});
    EXPECT_EQ(warned.ExitStatus, 0) << warned.Err;
    EXPECT_EQ(warned.Err,
              "vantrel-cli: warning: The settings file held invalid values for "
              "\"Processor\" (3 used), \"DelayTime\" (5 used) (" +
                  settings.string() + ")\n");
}

TEST(SettingsCliTest, HelpSaysWhereTheSettingsComeFromAndThatTheyAreNeverWritten) {
    std::ostringstream out, err;
    ASSERT_EQ(cli::RunCli({"--help"}, {out, err}), cli::kExitSuccess);
    for (const char* text : {"--settings FILE", "--no-settings", "~/.config/vantrel/Vantrel18F.ini",
                             "the options\nabove win", "never\nwrites it"}) {
        EXPECT_THAT(out.str(), HasSubstr(text));
    }
}

}  // namespace
}  // namespace vantrel
