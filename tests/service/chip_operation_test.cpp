// A chip operation as both programs start it, judged by the simulated chip: what it holds after
// the operation, how the outcome is reported, that the delays the user sets are the ones the
// chip sees, and that a stop leaves the programmer off.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

#include "device/device_selection.h"
#include "programming/programming_rig.h"
#include "service/chip_operation.h"
#include "sim/sim_chip_file.h"
#include "sim/simulated_board.h"
#include "support/test_paths.h"

namespace vantrel::test {
namespace {

using testing::HasSubstr;
using testing::StartsWith;

struct TSimulatedRun {
    explicit TSimulatedRun(std::string_view device, std::ostream* trace = nullptr,
                           std::string chipFile = {}) {
        Session.Config.ChangeDevice(ParseDeviceName(device).value());
        Session.Hardware.Driver = TPortDriver::Simulated;
        Session.Hardware.Simulator.ChipFile = std::move(chipFile);
        TConnectionOptions options;
        options.SimulatedDevice = Session.Device.CurrentDevice;
        options.Trace = trace;
        auto opened = TProgrammerConnection::Open(Session.Hardware, options);
        Connection = std::move(opened.Connection);
    }

    TOperationResult Run(TChipOperation operation) {
        return RunChipOperation(*Connection, operation, Session, Ui, Stop);
    }

    [[nodiscard]] TSimulatedBoard& Board() { return *Connection->Board(); }
    [[nodiscard]] bool PoweredDown() {
        const TSocketLevels levels = Board().Socket();
        return !levels.Vdd && !levels.Vpp && !levels.Vpp40;
    }

    TVantrelSession Session;
    TRecordingUi Ui;
    TStopToken Stop;
    std::unique_ptr<TProgrammerConnection> Connection;
};

void PutProgram(TVantrelSession& session, std::initializer_list<std::uint16_t> words) {
    std::size_t address = 0;
    for (const std::uint16_t word : words) {
        session.Device.Image.ProgramBuffer[address++] = word;
    }
}

TEST(RunChipOperation, WriteVerifyReadAndEraseReportTheirOutcomes) {
    TSimulatedRun run("16F84A");
    ASSERT_NE(run.Connection, nullptr);
    PutProgram(run.Session, {0x3001, 0x0086, 0x2802});
    const TOperationResult written = run.Run(TChipOperation::Write);
    EXPECT_EQ(written.Outcome, TOperationOutcome::Succeeded) << written.Failure;
    EXPECT_EQ(written.WordsWritten, 3);
    EXPECT_EQ(run.Board().ChipState().Program[2], 0x2802);
    EXPECT_EQ(run.Run(TChipOperation::Verify).Outcome, TOperationOutcome::Succeeded);

    run.Session.Device.Image.ProgramBuffer[1] = 0x0087;
    const TOperationResult differs = run.Run(TChipOperation::Verify);
    EXPECT_EQ(differs.Outcome, TOperationOutcome::Failed);
    EXPECT_TRUE(differs.FailureShown);
    EXPECT_EQ(differs.Failure, "Program Verify Error at Program address 0x001");

    EXPECT_EQ(run.Run(TChipOperation::Read).Outcome, TOperationOutcome::Succeeded);
    EXPECT_EQ(run.Session.Device.Image.ProgramBuffer[1], 0x0086) << "the chip's word";

    run.Ui.Answers = {false};
    EXPECT_EQ(run.Run(TChipOperation::Erase).Outcome, TOperationOutcome::Declined);
    EXPECT_EQ(run.Board().ChipState().Program[0], 0x3001) << "an erase answered No";
    run.Ui.Answers = {true};
    EXPECT_EQ(run.Run(TChipOperation::Erase).Outcome, TOperationOutcome::Succeeded);
    EXPECT_EQ(run.Board().ChipState().Program[0], 0x3FFF);
    EXPECT_TRUE(run.Board().Violations().Empty()) << run.Board().Violations().Describe();
    EXPECT_TRUE(run.PoweredDown());
}

TEST(RunChipOperation, AnEpromPartIsNotErased) {
    TSimulatedRun run("12C509");
    const TOperationResult result = run.Run(TChipOperation::Erase);
    EXPECT_EQ(result.Outcome, TOperationOutcome::Failed);
    EXPECT_FALSE(result.FailureShown);
    EXPECT_EQ(result.Failure, "the 12C509 is one-time programmable; it cannot be erased");
}

// The user's delays live in the session's hardware settings and nowhere else: the chip sees
// the settle time and the programming wait that were set there.
TEST(RunChipOperation, TheDelaysTheUserSetsReachTheChip) {
    std::ostringstream trace;
    TSimulatedRun run("16F628", &trace);
    PutProgram(run.Session, {0x3001, 0x0086});
    run.Session.Hardware.VppDelay = 3;
    run.Session.Hardware.ProgDelay = 9;
    // 9 ms is shorter than the 16F628's erase-and-write cycle: the chip says so.
    EXPECT_EQ(run.Run(TChipOperation::Write).Outcome, TOperationOutcome::Failed);
    EXPECT_THAT(trace.str(), HasSubstr("\nD 9\n"));
    EXPECT_THAT(trace.str(), HasSubstr("\nD 3\n"));
    EXPECT_THAT(trace.str(), Not(HasSubstr("\nD 10\n")));
    EXPECT_FALSE(run.Board().Violations().Empty()) << "a 9 ms cycle is cut short";

    run.Board().Violations().Clear();
    run.Session.Hardware.ProgDelay = 15;
    EXPECT_EQ(run.Run(TChipOperation::Write).Outcome, TOperationOutcome::Succeeded);
    EXPECT_TRUE(run.Board().Violations().Empty()) << run.Board().Violations().Describe();
}

TEST(RunChipOperation, AStopEndsTheOperationAtTheNextAccessWithThePowerOff) {
    TSimulatedRun run("16F877");
    ASSERT_NE(run.Connection, nullptr);
    for (std::size_t i = 0; i < 0x400; ++i) {
        run.Session.Device.Image.ProgramBuffer[i] = static_cast<std::uint16_t>(i);
    }
    run.Ui.OnStatus = [&](std::string_view text) {
        if (text == "Writing Program memory...") {
            run.Stop.Request();
        }
    };
    const TOperationResult result = run.Run(TChipOperation::Write);
    EXPECT_EQ(result.Outcome, TOperationOutcome::Cancelled);
    EXPECT_EQ(result.StopReason, TStopToken::kCancelled);
    EXPECT_TRUE(run.PoweredDown());
    EXPECT_EQ(run.Board().ChipState().Program[5], 0x3FFF) << "nothing written after the stop";
    EXPECT_EQ(run.Ui.Events.back(), "ended Write") << "the window hears the end";

    run.Stop.Reset();
    run.Ui.OnStatus = nullptr;
    EXPECT_EQ(run.Run(TChipOperation::Write).Outcome, TOperationOutcome::Succeeded)
        << "the programmer works again once the stop is taken back";
    EXPECT_THAT(run.Ui.Statuses.back(), StartsWith("1024 program words written in "));
}

// The result names the chip that answered; a chip the operation refused is its failure, which
// the user has seen already (in the question or the message box).
TEST(RunChipOperation, TheResultNamesTheChipAndWhyItWasRefused) {
    TTempDir dir;
    const std::uint8_t f876a = ParseDeviceName("16F876A").value();
    WriteFile(dir / "chip.txt", FormatSimChipFile(FactoryFreshChip(f876a)));
    TSimulatedRun run("16F877A", nullptr, (dir / "chip.txt").string());
    ASSERT_NE(run.Connection, nullptr);

    run.Ui.DefaultAnswer = false;
    const TOperationResult refused = run.Run(TChipOperation::Write);
    EXPECT_EQ(refused.Outcome, TOperationOutcome::Declined);
    EXPECT_EQ(refused.Failure,
              "Found a 16F876A (device ID 0x0E00, revision 3), expected a 16F877A");
    EXPECT_TRUE(refused.FailureShown);
    ASSERT_TRUE(refused.Identity.has_value());
    EXPECT_EQ(refused.Identity->DeviceIndex, f876a);
    EXPECT_EQ(refused.Identity->Revision(), kDefaultSimRevision);

    run.Ui.DefaultAnswer = true;
    const TOperationResult forced = run.Run(TChipOperation::Read);
    EXPECT_EQ(forced.Outcome, TOperationOutcome::Succeeded) << forced.Failure;
    EXPECT_EQ(forced.Failure, "");

    run.Board().LoadSocket(FactoryFreshChip(f876a), [] {
        TSimFaults faults;
        faults.NoChip = true;
        return faults;
    }());
    const TOperationResult empty = run.Run(TChipOperation::Verify);
    EXPECT_EQ(empty.Outcome, TOperationOutcome::Failed);
    EXPECT_THAT(empty.Failure, StartsWith("No chip answers (device ID 0x3FFF)"));
    EXPECT_TRUE(empty.FailureShown);
    ASSERT_TRUE(empty.Identity.has_value());
    EXPECT_FALSE(empty.Identity->Answered());
    EXPECT_TRUE(run.PoweredDown());
}

// A part without a device ID that reads as nothing but zeros has given no image: the Read
// fails rather than handing zeros on as the chip's contents.
TEST(RunChipOperation, AReadOfOnlyZerosFailsForAPartWithoutId) {
    TSimulatedRun run("16F84");
    TSimChipState chip = FactoryFreshChip(ParseDeviceName("16F84").value());
    TurnOnCodeProtection(chip);
    run.Board().LoadSocket(chip, {});
    const TOperationResult read = run.Run(TChipOperation::Read);
    EXPECT_EQ(read.Outcome, TOperationOutcome::Failed);
    EXPECT_EQ(read.Failure, "The chip reads as all zeros: it may be code-protected or missing");
    EXPECT_FALSE(read.Identity.has_value());
}

}  // namespace
}  // namespace vantrel::test
