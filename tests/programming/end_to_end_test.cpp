// Every operation on every device against the simulated programmer board: the chip's cells are
// what the image says, Verify and Read agree with them, Erase leaves a blank chip, and no
// simulated chip saw a protocol or timing violation. Then the faults of a bench: no chip, a
// stuck data line, a word that will not program, a chip that is not blank, code protection.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "device/device_id.h"
#include "programming/simulated_bench.h"

namespace vantrel {
namespace {

using test::AllDevices;
using test::Describe;
using test::ExpectedChip;
using test::ExpectSameCells;
using test::Faults;
using test::FillTestImage;
using test::Index;
using test::TBench;
using test::TRecordingUi;
using testing::ElementsAre;
using testing::IsEmpty;
using testing::StartsWith;

class EndToEndTest : public testing::TestWithParam<std::uint8_t> {};

TEST_P(EndToEndTest, WriteVerifyReadAndEraseAgreeWithTheChip) {
    TBench bench(GetParam());
    test::ExpectEveryOperationAgreesWithTheChip(bench);
}

INSTANTIATE_TEST_SUITE_P(EveryDevice, EndToEndTest, testing::ValuesIn(AllDevices()),
                         [](const testing::TestParamInfo<std::uint8_t>& info) {
                             return "PIC" + std::string(DeviceTable.at(info.param).Name);
                         });

// One device of each write routine, for the faults.
const std::vector<std::string_view> kFaultDevices{"16F84A", "16F877A", "16F628A", "12F675", "16F88",
                                                  "18F452", "18F4550", "12C509",  "16C622A"};

// A part with a device ID finds the empty socket before it writes; the others learn it from
// the first read-back.
TEST(EndToEndFaultTest, NoChipInTheSocketFailsTheWrite) {
    for (const std::string_view name : kFaultDevices) {
        TBench bench(Index(name));
        bench.Board.LoadSocket(FactoryFreshChip(Index(name)), Faults(&TSimFaults::NoChip));
        FillTestImage(bench);
        bench.Programmer.WritePIC(true);
        EXPECT_FALSE(bench.Programmer.OperationOk) << name;
        ASSERT_FALSE(bench.Ui.Messages.empty()) << name;
        if (DeviceIdFacts(bench.Device())) {
            const std::string allOnes = IsPic18(bench.Device()) ? "0xFFFF" : "0x3FFF";
            EXPECT_THAT(bench.Ui.Messages,
                        ElementsAre("No chip answers (device ID " + allOnes +
                                    "): check that the chip sits in the socket and the "
                                    "programmer has power"))
                << name;
            EXPECT_EQ(bench.Ui.Statuses.back(), "Write ABORTED!");
        } else {
            // An EPROM part goes on to its verify pass, which reports the same address again.
            EXPECT_THAT(bench.Ui.Messages[0],
                        testing::MatchesRegex("Program Verify (failed|Error) at Program address "
                                              "0x000.*"))
                << name;
            EXPECT_THAT(bench.Ui.Statuses.back(), StartsWith("VERIFY FAILED! - Elapsed time = "));
        }
        EXPECT_TRUE(bench.PoweredDown()) << name;
    }
}

// A data line stuck either way reads as a device ID of all ones or all zeros: no chip answers.
TEST(EndToEndFaultTest, StuckDataLineFailsTheWriteAndTheVerifyBeforeTheyStart) {
    for (const bool high : {false, true}) {
        TBench bench(Index("16F877"));
        bench.Board.Faults().DataStuck = high;
        FillTestImage(bench);
        const TSimChipState before = bench.Chip();
        bench.Programmer.WritePIC(true);
        EXPECT_FALSE(bench.Programmer.OperationOk);
        const std::string message = std::string("No chip answers (device ID ") +
                                    (high ? "0x3FFF" : "0x0000") +
                                    "): check that the chip sits in the socket and the "
                                    "programmer has power";
        EXPECT_THAT(bench.Ui.Messages, ElementsAre(message));
        EXPECT_TRUE(bench.Chip() == before) << "nothing was erased";
        bench.Programmer.VerifyPIC();
        EXPECT_EQ(bench.Ui.Statuses.back(), "Verify ABORTED!");
        EXPECT_FALSE(bench.Programmer.OperationOk);
        EXPECT_TRUE(bench.PoweredDown());
    }
}

TEST(EndToEndFaultTest, AWordThatWillNotProgramIsReportedAtItsAddress) {
    struct TCase {
        std::string_view Device;
        std::string_view Message;
    };
    for (const TCase& c : {
             TCase{"16F84A",
                   "Program Verify failed at Program address 0x005, Programming Aborted!"},
             TCase{"16F877A", "Program Verify Error at Program address 0x005"},
             TCase{"18F452", "Program Verify Error at Program address 0x005"},
             TCase{"12C671",
                   "Program Verify failed at Program address 0x005, Programming Aborted!"},
         }) {
        TBench bench(Index(c.Device));
        bench.Board.Faults().FailingWord = 5;
        FillTestImage(bench);
        bench.Programmer.WritePIC(true);
        EXPECT_FALSE(bench.Programmer.OperationOk) << c.Device;
        EXPECT_THAT(bench.Ui.Messages, testing::Contains(std::string(c.Message))) << c.Device;
        EXPECT_THAT(bench.Ui.Statuses.back(), StartsWith("VERIFY FAILED! - Elapsed time = "));
        EXPECT_TRUE(bench.PoweredDown()) << c.Device;
    }
}

// The blank check stops the Write before anything is written; the operation itself did not
// fail, as the window reports it.
TEST(EndToEndFaultTest, ANonBlankEpromChipIsLeftUntouched) {
    TBench bench(Index("12C509"));
    TSimChipState used = FactoryFreshChip(Index("12C509"));
    used.Program[0x100] = 0x0000;
    bench.Board.LoadSocket(used, {});
    FillTestImage(bench);
    bench.Programmer.WritePIC(true);
    EXPECT_THAT(bench.Ui.Messages,
                ElementsAre("Program memory not Blank\r\nFailed at address $0100\r\n"
                            "Programming Aborted!"));
    EXPECT_TRUE(bench.Programmer.OperationOk);
    EXPECT_TRUE(bench.Programmer.BlankCheckStopped);
    EXPECT_EQ(bench.Ui.Statuses.back(), "0 program words written in 0 secs.");
    EXPECT_TRUE(bench.Chip() == used);
    EXPECT_TRUE(bench.PoweredDown());
}

// A protected chip reads back nothing useful: Verify fails. A Write erases it first, which
// clears the protection, and then succeeds - on the calibrated parts only with a calibration
// value from the user, since the chip's own reads as 0. A protected EPROM part fails its blank
// check.
TEST(EndToEndFaultTest, CodeProtection) {
    for (const std::string_view name : {"16F84A", "16F877", "16F877A", "16F628A", "12F675", "16F88",
                                        "16F77", "18F452", "18F2550"}) {
        TBench bench(Index(name));
        bench.Board.LoadSocket(FactoryFreshChip(Index(name)), Faults(&TSimFaults::Protected));
        FillTestImage(bench);
        const std::optional<std::uint16_t> calibration = FactoryCalibrationWord(Index(name));
        bench.Programmer.VerifyPIC();
        EXPECT_EQ(bench.Ui.Statuses.back(), "Verify FAILED!") << name;
        EXPECT_FALSE(bench.Programmer.OperationOk) << name;

        bench.Ui = {};
        bench.Ui.CalibrationAnswer = calibration;
        bench.Programmer.WritePIC(true);
        EXPECT_TRUE(bench.Programmer.OperationOk)
            << name << testing::PrintToString(bench.Ui.Messages);
        EXPECT_FALSE(IsCodeProtected(bench.Chip())) << name;
        EXPECT_EQ(CalibrationWord(bench.Chip()), calibration) << name;
        EXPECT_TRUE(bench.Board.Violations().Empty()) << Describe(bench);
        EXPECT_TRUE(bench.PoweredDown()) << name;
    }
    TBench otp(Index("12C508"));
    otp.Ui.Answers = {true};  // the calibration question of a blank-looking chip
    otp.Board.LoadSocket(FactoryFreshChip(Index("12C508")), Faults(&TSimFaults::Protected));
    FillTestImage(otp);
    otp.Programmer.WritePIC(true);
    EXPECT_THAT(otp.Ui.Messages, ElementsAre("Config fuses not Blank\r\nProgramming Aborted!"));
    EXPECT_TRUE(otp.PoweredDown());
}

// A protected 12F629-family chip reads its calibration word as 0. Erasing it would lose the
// factory calibration for good, so without a value from the user nothing is erased; a value
// that is no RETLW is refused the same way; a good one is written back and said so.
TEST(EndToEndFaultTest, AProtectedCalibratedChipIsErasedOnlyWithAGoodCalibrationValue) {
    for (const std::string_view name : {"12F629", "12F675", "16F630", "16F676"}) {
        for (const TChipOperation operation : {TChipOperation::Write, TChipOperation::Erase}) {
            TBench bench(Index(name));
            bench.Board.LoadSocket(FactoryFreshChip(Index(name)), Faults(&TSimFaults::Protected));
            const TSimChipState protectedChip = bench.Chip();
            FillTestImage(bench);
            const auto run = [&] {
                if (operation == TChipOperation::Write) {
                    bench.Programmer.WritePIC(true);
                } else {
                    static_cast<void>(bench.Programmer.ErasePIC());
                }
            };
            const std::string aborted =
                operation == TChipOperation::Write ? "Write ABORTED!" : "Erase ABORTED!";
            run();
            EXPECT_FALSE(bench.Programmer.OperationOk) << name;
            EXPECT_TRUE(bench.Programmer.Declined) << name;
            EXPECT_THAT(bench.Ui.Questions,
                        testing::Contains(
                            testing::HasSubstr("The calibration word saved from 0x03FF is 0x0000")))
                << name;
            EXPECT_EQ(bench.Ui.Statuses.back(), aborted) << name;
            EXPECT_TRUE(bench.Chip() == protectedChip) << name << ": nothing was erased";

            bench.Ui = {};
            bench.Ui.CalibrationAnswer = 0x1234;
            run();
            EXPECT_THAT(bench.Ui.Messages,
                        ElementsAre("0x1234 is not a calibration value: it must be a RETLW "
                                    "instruction (0x34NN). Nothing was erased"))
                << name;
            EXPECT_TRUE(bench.Chip() == protectedChip) << name << ": nothing was erased";

            bench.Ui = {};
            bench.Ui.CalibrationAnswer = 0x3456;
            run();
            EXPECT_TRUE(bench.Programmer.OperationOk) << name;
            EXPECT_EQ(CalibrationWord(bench.Chip()), 0x3456) << name;
            EXPECT_THAT(bench.Ui.Statuses, testing::Contains("Calibration word 0x3456 given"));
            EXPECT_THAT(bench.Ui.Statuses,
                        testing::Contains("Calibration word 0x3456 written back"));
            EXPECT_TRUE(bench.Board.Violations().Empty()) << Describe(bench);
        }
    }
}

}  // namespace
}  // namespace vantrel
