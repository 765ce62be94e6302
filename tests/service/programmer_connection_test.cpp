// The programmer as both programs open it, here on the simulated board: the chip it keeps
// between runs, what it refuses, the socket that follows the device, and what closing reports.

#include <gtest/gtest.h>

#include <filesystem>

#include "../sim/icsp_host.h"
#include "device/device_selection.h"
#include "hardware/programmer_presets.h"
#include "service/programmer_connection.h"
#include "sim/sim_chip_file.h"
#include "sim/simulated_board.h"
#include "support/test_paths.h"

namespace vantrel::test {
namespace {

const std::uint8_t k16F84A = ParseDeviceName("16F84A").value();
const std::uint8_t k16F628A = ParseDeviceName("16F628A").value();

THardwareSettings Simulated(std::string chipFile = {}, std::vector<std::string> faults = {}) {
    THardwareSettings settings;
    settings.Driver = TPortDriver::Simulated;
    settings.Simulator.ChipFile = std::move(chipFile);
    settings.Simulator.Faults = std::move(faults);
    return settings;
}

std::unique_ptr<TProgrammerConnection> Open(THardwareSettings& settings,
                                            std::optional<std::uint8_t> device,
                                            std::vector<std::string>* errors = nullptr) {
    TConnectionOptions options;
    options.SimulatedDevice = device;
    TProgrammerConnection::TOpened opened = TProgrammerConnection::Open(settings, options);
    if (errors != nullptr) {
        *errors = opened.Errors;
    } else {
        EXPECT_TRUE(opened.Errors.empty()) << opened.Errors.front();
    }
    return std::move(opened.Connection);
}

TIcspHost Host(TProgrammerConnection& connection) {
    return TIcspHost(*connection.Board(), connection.Board()->Clock());
}

// Writes a word into a 16F84A through the board: Load Data, Begin Programming, wait.
void WriteFirstWord(TProgrammerConnection& connection, std::uint16_t word) {
    TIcspHost host = Host(connection);
    host.EnterVddFirst();
    host.Load(0x02, word);
    host.Command(0x08);
    host.WaitMs(10);
    host.Exit();
}

std::uint16_t ReadFirstWord(TProgrammerConnection& connection) {
    TIcspHost host = Host(connection);
    host.EnterVddFirst();
    const std::uint16_t word = host.Read(0x04);
    host.Exit();
    return word;
}

TEST(ProgrammerConnection, KeepsTheSimulatedChipBetweenRuns) {
    TTempDir dir;
    THardwareSettings settings = Simulated((dir / "chip.txt").string());
    {
        auto first = Open(settings, k16F84A);
        ASSERT_NE(first, nullptr);
        EXPECT_TRUE(first->Simulated());
        EXPECT_EQ(ReadFirstWord(*first), 0x3FFF) << "a fresh chip when the file is missing";
        WriteFirstWord(*first, 0x2805);
        const auto report = first->Close();
        EXPECT_EQ(report.KeepFailure, "");
        EXPECT_EQ(report.Violations, "");
    }
    const TSimChipFileResult kept = ParseSimChipFile(ReadFile(dir / "chip.txt"));
    ASSERT_TRUE(kept.Chip) << kept.Error;
    EXPECT_EQ(kept.Chip->Program[0], 0x2805);

    auto second = Open(settings, k16F84A);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(ReadFirstWord(*second), 0x2805);
}

// A kept chip goes into the socket whatever device was chosen, as a wrong chip sits in a real
// socket: the operations' device ID check is what finds it. With no device chosen the kept chip
// is there all the same.
TEST(ProgrammerConnection, AKeptChipOfAnotherDeviceGoesIntoTheSocketAsItIs) {
    TTempDir dir;
    WriteFile(dir / "f84a.txt", FormatSimChipFile(FactoryFreshChip(k16F84A)));
    for (const std::optional<std::uint8_t> chosen :
         {std::optional(k16F628A), std::optional<std::uint8_t>()}) {
        THardwareSettings other = Simulated((dir / "f84a.txt").string());
        auto connection = Open(other, chosen);
        ASSERT_NE(connection, nullptr);
        EXPECT_EQ(connection->Board()->ChipState().DeviceIndex, k16F84A);
    }
}

TEST(ProgrammerConnection, RefusesAMalformedChipFileOrAnUnknownFault) {
    TTempDir dir;
    const std::string badText = "vantrel-sim-chip 1\ndevice 16F84A\nprogram 0000: 12345\nend\n";
    WriteFile(dir / "bad.txt", badText);
    const std::string bad = (dir / "bad.txt").string();
    std::vector<std::string> errors;

    THardwareSettings malformed = Simulated(bad);
    EXPECT_EQ(Open(malformed, k16F84A, &errors), nullptr);
    EXPECT_EQ(errors,
              std::vector<std::string>{bad + ": line 3: '12345' is not a hexadecimal number"});
    EXPECT_EQ(ReadFile(dir / "bad.txt"), badText) << "a refused file is left alone";

    THardwareSettings melted = Simulated({}, {"melted"});
    EXPECT_EQ(Open(melted, k16F84A, &errors), nullptr);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("unknown simulator fault 'melted'"), std::string::npos);
}

TEST(ProgrammerConnection, EmptySocketKeepsNoFileAndTheBoardHasItsOwnWiring) {
    TTempDir dir;
    const std::string file = (dir / "chip.txt").string();
    THardwareSettings settings = Simulated(file, {"no-chip"});
    settings.Simulator.Board = "p16pro40-7406";
    settings.PortBase = 0x278;
    auto connection = Open(settings, k16F84A);
    ASSERT_NE(connection, nullptr);
    // Detection at 0x278 finds the board only with the 7406 board's own wiring.
    const auto detects = [&](std::uint8_t preset) {
        TIcspHost host(*connection->Board(), connection->Board()->Clock(),
                       *ProgrammerPresets[preset].Wiring, 0x278);
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
    const auto report = connection->Close();
    EXPECT_EQ(report.KeepFailure, "");
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST(ProgrammerConnection, CloseReportsViolationsAndAFileThatCannotBeWritten) {
    TTempDir dir;
    THardwareSettings settings =
        Simulated((dir / "missing-dir" / "chip.txt").string(), {"protected"});
    auto connection = Open(settings, k16F84A);
    ASSERT_NE(connection, nullptr);
    EXPECT_EQ(ReadFirstWord(*connection), 0x0000) << "protected";
    WriteFirstWord(*connection, 0x0000);
    const auto report = connection->Close();
    EXPECT_NE(report.Violations.find("the simulated chip saw 1 protocol or timing violation:\n"),
              std::string::npos)
        << report.Violations;
    EXPECT_NE(report.Violations.find("protected-write"), std::string::npos);
    EXPECT_NE(report.KeepFailure.find("the simulated chip was not kept: "), std::string::npos)
        << report.KeepFailure;
    EXPECT_EQ(connection->Close().KeepFailure, "") << "closing twice reports nothing more";
}

TEST(ProgrammerConnection, AFreshSocketFollowsTheDeviceAKeptOneDoesNot) {
    THardwareSettings fresh = Simulated();
    auto connection = Open(fresh, k16F84A);
    ASSERT_NE(connection, nullptr);
    connection->FollowDevice(k16F628A);
    EXPECT_EQ(connection->Board()->ChipState().DeviceIndex, k16F628A);

    TTempDir dir;
    THardwareSettings kept = Simulated((dir / "chip.txt").string());
    auto keptConnection = Open(kept, k16F84A);
    ASSERT_NE(keptConnection, nullptr);
    keptConnection->FollowDevice(k16F628A);
    EXPECT_EQ(keptConnection->Board()->ChipState().DeviceIndex, k16F84A)
        << "a kept chip stays in the socket, as a real one would";
}

TEST(ProgrammerConnection, ARealPortThatCannotBeOpenedSaysWhy) {
    // No parallel port on a build machine: ppdev names the device node it could not open.
    THardwareSettings settings;
    settings.PortBase = 0x3BC;
    std::vector<std::string> errors;
    TConnectionOptions options;
    const auto opened = TProgrammerConnection::Open(settings, options);
    if (opened.Connection) {
        GTEST_SKIP() << "this machine has a parallel port at 0x3BC";
    }
    EXPECT_EQ(opened.Failure, TConnectionFailure::NoProgrammer);
    ASSERT_FALSE(opened.Errors.empty());
}

}  // namespace
}  // namespace vantrel::test
