// Every operation on every device against the simulated programmer board: the chip's cells are
// what the image says, Verify and Read agree with them, Erase leaves a blank chip, and no
// simulated chip saw a protocol or timing violation. Then the faults of a bench: no chip, a
// stuck data line, a word that will not program, a chip that is not blank, code protection.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

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

TEST(EndToEndFaultTest, NoChipInTheSocketFailsTheWrite) {
    for (const std::string_view name : kFaultDevices) {
        TBench bench(Index(name));
        bench.Board.LoadSocket(FactoryFreshChip(Index(name)), Faults(&TSimFaults::NoChip));
        FillTestImage(bench);
        bench.Programmer.WritePIC(true);
        EXPECT_FALSE(bench.Programmer.OperationOk) << name;
        // An EPROM part goes on to its verify pass, which reports the same address again.
        ASSERT_FALSE(bench.Ui.Messages.empty()) << name;
        EXPECT_THAT(bench.Ui.Messages[0],
                    testing::MatchesRegex("Program Verify (failed|Error) at Program address "
                                          "0x000.*"))
            << name;
        EXPECT_THAT(bench.Ui.Statuses.back(), StartsWith("VERIFY FAILED! - Elapsed time = "));
        EXPECT_TRUE(bench.PoweredDown()) << name;
    }
}

TEST(EndToEndFaultTest, StuckDataLineFailsTheWriteAndTheVerify) {
    for (const bool high : {false, true}) {
        TBench bench(Index("16F877"));
        bench.Board.Faults().DataStuck = high;
        FillTestImage(bench);
        bench.Programmer.WritePIC(true);
        EXPECT_FALSE(bench.Programmer.OperationOk);
        EXPECT_THAT(bench.Ui.Messages,
                    ElementsAre("Program Verify failed at Program address 0x000, Programming "
                                "Aborted!"));
        bench.Programmer.VerifyPIC();
        EXPECT_EQ(bench.Ui.Statuses.back(), "Verify FAILED!");
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
// clears the protection, and then succeeds. A protected EPROM part fails its blank check.
TEST(EndToEndFaultTest, CodeProtection) {
    for (const std::string_view name : {"16F84A", "16F877", "16F877A", "16F628A", "12F675", "16F88",
                                        "16F77", "18F452", "18F2550"}) {
        TBench bench(Index(name));
        bench.Board.LoadSocket(FactoryFreshChip(Index(name)), Faults(&TSimFaults::Protected));
        FillTestImage(bench);
        bench.Programmer.VerifyPIC();
        EXPECT_EQ(bench.Ui.Statuses.back(), "Verify FAILED!") << name;
        EXPECT_FALSE(bench.Programmer.OperationOk) << name;

        bench.Ui = {};
        bench.Programmer.WritePIC(true);
        EXPECT_TRUE(bench.Programmer.OperationOk)
            << name << testing::PrintToString(bench.Ui.Messages);
        EXPECT_FALSE(IsCodeProtected(bench.Chip())) << name;
        EXPECT_TRUE(bench.Board.Violations().Empty()) << Describe(bench);
        EXPECT_TRUE(bench.PoweredDown()) << name;
    }
    TBench otp(Index("12C508"));
    otp.Board.LoadSocket(FactoryFreshChip(Index("12C508")), Faults(&TSimFaults::Protected));
    FillTestImage(otp);
    otp.Programmer.WritePIC(true);
    EXPECT_THAT(otp.Ui.Messages, ElementsAre("Config fuses not Blank\r\nProgramming Aborted!"));
    EXPECT_TRUE(otp.PoweredDown());
}

}  // namespace
}  // namespace vantrel
