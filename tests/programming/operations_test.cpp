#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <span>
#include <stdexcept>

#include "programming/operation_texts.h"
#include "programming/programming_rig.h"

namespace vantrel {
namespace {

using test::kRigProgDelay;
using test::TProgrammerRig;
using test::TProtocolScript;
using testing::Contains;
using testing::ElementsAre;
using testing::HasSubstr;
using testing::IsEmpty;
using testing::Not;
using testing::StartsWith;

// What the chip answers, read after read, in the order the operation reads.
class TChipAnswers {
  public:
    TChipAnswers& Words(std::span<const std::uint16_t> words) {
        answers_.insert(answers_.end(), words.begin(), words.end());
        return *this;
    }
    TChipAnswers& Word(std::uint16_t word, std::size_t times = 1) {
        answers_.insert(answers_.end(), times, word);
        return *this;
    }
    void Install(TProgrammerRig& rig) const {
        rig.Answer([answers = answers_](std::size_t k) {
            return k < answers.size() ? answers[k] : std::uint16_t{0x3FFF};
        });
    }

  private:
    std::vector<std::uint16_t> answers_;
};

template <std::size_t Size>
std::span<const std::uint16_t> First(const std::array<std::uint16_t, Size>& buffer,
                                     std::size_t count) {
    return std::span(buffer).first(count);
}

TEST(WritePICTest, AnEmptyImageErasesAndWritesOnlyTheConfigurationWord) {
    TProgrammerRig rig("16F84A");
    TChipAnswers().Word(rig.Image().ConfigWord1).Install(rig);
    rig.Programmer.WritePIC(true);

    TProtocolScript expected;
    expected.ReadDeviceId();
    expected.On().Cmd(16).L(0x3FFF).Inc(7).Cmd(1).Cmd(7).Cmd(8).D(kRigProgDelay).Cmd(1).Cmd(7);
    expected.Off().On().Cmd(2).L(0x3FFF).Cmd(1).Cmd(7).Cmd(8).D(kRigProgDelay).Cmd(1).Cmd(7);
    expected.Off();
    expected.On().Cmd(3).L(0x3FFF).Cmd(1).Cmd(7).Cmd(8).D(kRigProgDelay).Cmd(1).Cmd(7).Off();
    expected.On().Cmd(0).L(0x3FFF).Inc(4).Inc(3);
    expected.Cmd(2).L(0x3FFF).Cmd(8).D(kRigProgDelay).Read(4).Off();
    EXPECT_EQ(rig.Difference(expected), "");
    EXPECT_THAT(rig.Ui.Statuses, ElementsAre(rig.AnswersStatus(), "Blowing Fuses to $3FFF",
                                             "0 program words written in 0 secs."));
    EXPECT_THAT(rig.Ui.Events.front(), "started Write");
    EXPECT_THAT(rig.Ui.Events.back(), "ended Write");
    EXPECT_TRUE(rig.Programmer.OperationOk);
}

// Data bytes of only 0x7F and 0xFF count as empty: the data memory is neither written nor
// verified. The count includes every word loaded.
TEST(WritePICTest, EepromPartWritesAndVerifiesOnlyTheMemoriesWithData) {
    TProgrammerRig rig("16F84A");
    rig.Image().ProgramBuffer[0] = 0x2805;
    rig.Image().ProgramBuffer[1] = 0x0008;
    rig.Image().DataBuffer[0] = 0x7F;
    rig.Image().ConfigWord1 = 0x3FF1;
    TChipAnswers()
        .Words(First(rig.Image().ProgramBuffer, 2))
        .Words(First(rig.Image().ProgramBuffer, 1024))
        .Word(0x3FF1)
        .Install(rig);
    rig.Programmer.WritePIC(true);
    EXPECT_THAT(rig.Ui.Statuses, ElementsAre(rig.AnswersStatus(), "Writing Program memory...",
                                             "Verifying program data...", "Blowing Fuses to $3FF1",
                                             "2 program words written in 0 secs."));
    EXPECT_THAT(rig.Ui.Messages, IsEmpty());
}

TEST(WritePICTest, FlashPartCountsWholeBlocksAndDataAndVerifiesProgramBeforeWritingData) {
    TProgrammerRig rig("16F877A");
    rig.Image().ProgramBuffer[0] = 0x2805;
    rig.Image().DataBuffer[0] = 0x42;
    const std::uint16_t config = rig.Image().ConfigWord1;
    TChipAnswers()
        .Words(First(rig.Image().ProgramBuffer, 8192))
        .Words(First(rig.Image().DataBuffer, 256))
        .Word(config)
        .Install(rig);
    rig.Programmer.WritePIC(true);
    EXPECT_THAT(
        rig.Ui.Statuses,
        ElementsAre(rig.AnswersStatus(), "Writing Program memory...", "Verifying program data...",
                    "Writing EEPROM data memory...", "Verifying EEPROM data...",
                    "Blowing Fuses to $2FCF", StartsWith("9 program words written in ")));
    EXPECT_TRUE(rig.Programmer.OperationOk);
}

TEST(WritePICTest, ProgramVerifyFailureOfAFlashPartSkipsDataAndConfiguration) {
    TProgrammerRig rig("16F877A");
    rig.Image().ProgramBuffer[0] = 0x2805;
    rig.Image().DataBuffer[0] = 0x42;
    TChipAnswers().Word(0x3FFF).Install(rig);
    rig.Programmer.WritePIC(true);
    EXPECT_THAT(rig.Ui.Statuses, ElementsAre(rig.AnswersStatus(), "Writing Program memory...",
                                             "Verifying program data...",
                                             "VERIFY FAILED! - Elapsed time = 0 secs."));
    EXPECT_THAT(rig.Ui.Messages, ElementsAre("Program Verify Error at Program address 0x000"));
    EXPECT_FALSE(rig.Programmer.OperationOk);
    EXPECT_FALSE(test::AnySupplyOn(rig.Pins));
}

// Whole seconds, truncated: 1999 ms is 1 second, 2000 ms 2. Programming mode is left with no
// settle time, so nothing reads the clock between the failure message and the report. The
// stopwatch starts once the chip has answered.
TEST(WritePICTest, ElapsedTimeIsReportedInWholeSecondsTruncated) {
    for (const std::uint32_t elapsed : {1999u, 2000u}) {
        TProgrammerRig rig("16F877A");
        rig.Pins.Settings.VppDelay = 0;
        rig.Image().ProgramBuffer[0] = 0x2805;
        TChipAnswers().Word(0x3FFF).Install(rig);
        std::uint64_t startedAt = 0;
        rig.Ui.OnStatus = [&](std::string_view text) {
            if (text == rig.AnswersStatus()) {
                startedAt = rig.Pins.Clock.NowMicroseconds();
            }
        };
        rig.Ui.OnMessage = [&](std::string_view) {
            // The stopwatch read 1 us after the start hook; the report reads it 1 us from now.
            const std::uint64_t startMs = (startedAt + 1) / 1000;
            const std::uint64_t target = (startMs + elapsed) * 1000 + 500;
            rig.Pins.Clock.Advance(target - rig.Pins.Clock.NowMicroseconds() - 1);
        };
        rig.Programmer.WritePIC(true);
        EXPECT_EQ(rig.Ui.Statuses.back(),
                  "VERIFY FAILED! - Elapsed time = " + std::to_string(elapsed / 1000) + " secs.");
    }
}

struct TCalibratedWrite {
    explicit TCalibratedWrite(bool changeCal) : rig("12F675") {
        rig.Session.Options.ChangeCal = changeCal;
        rig.Image().ConfigWord1 = 0x31C4;
    }
    TProgrammerRig rig;
};

// The chip's calibration word is read before the erase and written back with the image.
TEST(WritePICTest, CalibratedPartSavesTheChipsWordBeforeTheEraseUnlessChangeCal) {
    TCalibratedWrite keep(false);
    std::array<std::uint16_t, 32768> chip{};
    chip.fill(0x3FFF);
    chip[0x3FF] = 0x3480;
    TChipAnswers()
        .Words(First(chip, 0x400))
        .Word(0x01FF)  // band-gap bits 00
        .Words(First(chip, 0x400))
        .Words(First(chip, 0x400))
        .Word(0x01C4)
        .Install(keep.rig);
    keep.rig.Programmer.WritePIC(true);
    EXPECT_THAT(keep.rig.Ui.Statuses,
                ElementsAre(keep.rig.AnswersStatus(), "Checking calibration data...",
                            "Calibration word 0x3480 saved", "Writing Program memory...",
                            "Verifying program data...", "Blowing Fuses to $01C4",
                            "Calibration word 0x3480 written back",
                            StartsWith("1 program words written in ")));
    EXPECT_EQ(keep.rig.Image().ProgramBuffer[0x3FF], 0x3480);
    EXPECT_TRUE(keep.rig.Programmer.OperationOk);
    EXPECT_FALSE(keep.rig.Session.Options.ChangeCal);

    TCalibratedWrite change(true);
    TChipAnswers().Word(0x31C4).Install(change.rig);
    change.rig.Programmer.WritePIC(true);
    EXPECT_THAT(change.rig.Ui.Statuses,
                ElementsAre(change.rig.AnswersStatus(), "Blowing Fuses to $31C4",
                            "Calibration word 0x3FFF from the file written",
                            "0 program words written in 0 secs."));
    EXPECT_FALSE(change.rig.Session.Options.ChangeCal) << "a one-shot choice";
}

TEST(VerifyPICTest, CalibratedPartComparesEveryRegionInOrder) {
    TProgrammerRig rig("12F629");
    rig.Image().ProgramBuffer[0x3FF] = 0x3480;
    rig.Image().DataBuffer[5] = 0x99;
    rig.Image().IdBuffer[2] = 0x05;
    rig.Image().ConfigWord1 = 0x01C4;
    TChipAnswers answers;
    answers.Words(First(rig.Image().ProgramBuffer, 0x400))
        .Words(First(rig.Image().DataBuffer, 128));
    answers.Word(0x7F, 2).Word(0x05).Word(0x7F).Word(0x01C4).Install(rig);
    rig.Programmer.VerifyPIC();
    EXPECT_THAT(rig.Ui.Statuses, ElementsAre(rig.AnswersStatus(), "Verifying program data...",
                                             "Verifying EEPROM data...",
                                             "Verifying Config Fuses...", "Verify Successful!"));
    TProtocolScript expected;
    expected.ReadDeviceId().On();
    for (int i = 0; i < 0x400; ++i) {
        expected.Read(4).Inc();
    }
    expected.Off().On();
    for (int i = 0; i < 128; ++i) {
        expected.Read(5).Inc();
    }
    expected.Off().On().Cmd(0).L(0x3FFF);
    for (int i = 0; i < 4; ++i) {
        expected.Read(4).Inc();
    }
    expected.Inc(3).Read(4).Off();
    EXPECT_EQ(rig.Difference(expected), "");
}

TEST(VerifyPICTest, StopsAfterTheFirstFailingPass) {
    TProgrammerRig rig("16F84A");
    rig.Image().DataBuffer[0] = 0x12;
    TChipAnswers().Words(First(rig.Image().ProgramBuffer, 1024)).Word(0x13).Install(rig);
    rig.Session.Options.ChangeCal = true;
    rig.Programmer.VerifyPIC();
    EXPECT_THAT(rig.Ui.Statuses, ElementsAre(rig.AnswersStatus(), "Verifying program data...",
                                             "Verifying EEPROM data...", "Verify FAILED!"));
    EXPECT_THAT(rig.Ui.Messages, ElementsAre("Data Verify Error at Data address 0x000"));
    EXPECT_FALSE(rig.Programmer.OperationOk);
    EXPECT_FALSE(rig.Session.Options.ChangeCal);
}

TEST(ReadPICTest, ClearsTheImageReadsEveryRegionAndShowsTheFuses) {
    TProgrammerRig rig("16F84A");
    rig.Image().ProgramBuffer[0x500] = 0x1234;  // beyond the device: cleared by the read
    rig.Image().IdBuffer[6] = 0x12;
    rig.Session.Options.ChangeCal = true;
    std::array<std::uint16_t, 32768> chip{};
    chip.fill(0x3FFF);
    chip[7] = 0x0123;
    TChipAnswers()
        .Words(First(chip, 1024))
        .Word(0x3FFF, 63)
        .Word(0x3F44)
        .Word(0x3F81)
        .Word(0x7F, 3)
        .Word(0x3FF1)  // oscillator XT, watchdog off
        .Install(rig);
    rig.Programmer.ReadPIC();
    EXPECT_EQ(rig.Image().ProgramBuffer[7], 0x0123);
    EXPECT_EQ(rig.Image().ProgramBuffer[0x500], 0x3FFF);
    EXPECT_EQ(rig.Image().DataBuffer[63], 0x44);
    EXPECT_EQ(rig.Image().IdBuffer[0], 0x01);
    EXPECT_EQ(rig.Image().IdBuffer[6], 0x7F);
    EXPECT_EQ(rig.Image().ConfigWord1, 0x3FF1);
    EXPECT_EQ(rig.Session.Config.OscillatorList().at(rig.Session.Config.OscillatorIndex()), "XT");
    EXPECT_FALSE(rig.Session.Config.Checked(TFuseBox::WDT));
    EXPECT_FALSE(rig.Session.Options.ChangeCal);
    EXPECT_THAT(rig.Ui.Events, ElementsAre("started Read", rig.AnswersStatus(),
                                           "Reading program data...", "Target PIC read into buffer",
                                           "Reading EEPROM data...", "Target PIC read into buffer",
                                           "buffer changed", "chip read", "ended Read"));
}

TEST(ReadPICTest, PartWithoutDataMemoryReadsNone) {
    TProgrammerRig rig("16F73");
    rig.Programmer.ReadPIC();
    EXPECT_THAT(rig.Ui.Statuses, Not(Contains("Reading EEPROM data...")));
}

// Whatever ends an operation, the programming voltages and the supply are off afterwards and
// the user interface hears that it ended.
TEST(OperationScopeTest, AFailureHalfWaySwitchesTheProgrammerOff) {
    TProgrammerRig rig("16F84A");
    rig.Ui.OnStatus = [&](std::string_view text) {
        if (text == "Reading program data...") {
            ASSERT_TRUE(test::AnySupplyOn(rig.Pins));
            throw std::runtime_error("port gone");
        }
    };
    EXPECT_THROW(rig.Programmer.ReadPIC(), std::runtime_error);
    EXPECT_FALSE(test::AnySupplyOn(rig.Pins));
    EXPECT_EQ(rig.Ui.Events.back(), "ended Read");
}

TEST(ErasePICTest, AnsweredNoChangesNothing) {
    TProgrammerRig rig("16F877");
    rig.Image().ProgramBuffer[3] = 0x1234;
    const TDeviceImage before = rig.Image();
    rig.Ui.DefaultAnswer = false;
    EXPECT_TRUE(rig.Programmer.ErasePIC());
    EXPECT_THAT(rig.Ui.Questions, ElementsAre("This will erase the PIC, are you sure?"));
    EXPECT_THAT(rig.Ui.Statuses, ElementsAre("Erase ABORTED!"));
    EXPECT_EQ(rig.Difference(TProtocolScript()), "");
    EXPECT_TRUE(rig.Image() == before);
    EXPECT_FALSE(rig.Programmer.OperationOk) << "declined: nothing was erased";
}

// With "Auto-Verify" on, the erase is checked by reading back program memory, data EEPROM and
// the configuration word, each through its own programming-mode period.
TEST(ErasePICTest, AnsweredYesClearsTheImageErasesTheChipAndChecksItIsBlank) {
    TProgrammerRig rig("16F628A");
    rig.Image().ProgramBuffer[3] = 0x1234;
    rig.Session.Options.BlankCheck = false;
    EXPECT_TRUE(rig.Programmer.ErasePIC());
    EXPECT_THAT(rig.Ui.Statuses, ElementsAre(rig.AnswersStatus(), "Erasing target PIC...",
                                             "Checking program data...", "Target PIC Erased!"));
    EXPECT_EQ(rig.Image().ProgramBuffer[3], 0x3FFF);
    EXPECT_TRUE(rig.Session.Options.BlankCheck);
    TProtocolScript expected;
    expected.ReadDeviceId().D(500);
    expected.On().Cmd(0).L(0x3FFF).Cmd(9).D(50).Off().On().Cmd(11).D(50).Off();
    expected.On();
    for (int i = 0; i < 0x800; ++i) {
        expected.Read(4).Inc();
    }
    expected.Off().On();
    for (int i = 0; i < 0x80; ++i) {
        expected.Read(5).Inc();
    }
    expected.Off().On().Cmd(0).L(0x3FFF).Inc(7).Read(4).Off();
    EXPECT_EQ(rig.Difference(expected), "");
    EXPECT_TRUE(rig.Programmer.OperationOk);
}

// An erase that leaves a word behind - no chip, a chip that is protected against it - is a
// failure at the first such word, wherever it is.
TEST(ErasePICTest, AChipThatIsNotBlankAfterwardsFailsTheErase) {
    struct TCase {
        std::size_t Read;  // the k-th read after the device ID, which comes back not erased
        std::string_view Message;
    };
    for (const TCase& c : {TCase{5, "Erase failed at 0x0005: the chip is not blank"},
                           TCase{0x800 + 2, "Erase failed at 0x2102: the chip is not blank"},
                           TCase{0x800 + 0x80, "Erase failed at 0x2007: the chip is not blank"}}) {
        TProgrammerRig rig("16F628A");
        rig.Answer([&](std::size_t k) { return k == c.Read ? std::uint16_t{0x0000} : 0x3FFF; });
        EXPECT_TRUE(rig.Programmer.ErasePIC());
        EXPECT_THAT(rig.Ui.Messages, ElementsAre(c.Message));
        EXPECT_EQ(rig.Ui.Statuses.back(), "Erase FAILED!");
        EXPECT_FALSE(rig.Programmer.OperationOk);
        EXPECT_FALSE(test::AnySupplyOn(rig.Pins));
    }
    TProgrammerRig unchecked("16F628A");
    unchecked.Session.Options.AutoVerify = false;
    unchecked.Answer([](std::size_t) { return std::uint16_t{0x0000}; });
    EXPECT_TRUE(unchecked.Programmer.ErasePIC());
    EXPECT_EQ(unchecked.Ui.Statuses.back(), "Target PIC Erased!") << "not checked without it";
}

TEST(ErasePICTest, ACancelledNewKeepsTheImageAndStillErases) {
    TProgrammerRig rig("16F628A");
    rig.Image().ProgramBuffer[3] = 0x1234;
    rig.Ui.NewImageAnswer = false;
    EXPECT_TRUE(rig.Programmer.ErasePIC());
    EXPECT_EQ(rig.Image().ProgramBuffer[3], 0x1234);
    EXPECT_EQ(rig.Ui.Statuses.back(), "Target PIC Erased!");
}

// The window disables Erase for these parts; the operation refuses them too, before it asks
// or touches the port.
TEST(ErasePICTest, OneTimeProgrammablePartsAreRefused) {
    for (const std::string_view device : {"12C508", "16C765"}) {
        TProgrammerRig rig(device);
        EXPECT_FALSE(rig.Programmer.ErasePIC()) << device;
        EXPECT_THAT(rig.Ui.Events, IsEmpty());
        EXPECT_THAT(rig.Pins.Port.Accesses, IsEmpty());
    }
}

// After the erase the calibration word and configuration word are written back; if that
// fails, the failure is what the user must see, not "Target PIC Erased!".
TEST(ErasePICTest, CalibratedPartWritesItsCalibrationBackAndReportsAFailure) {
    for (const bool good : {true, false}) {
        TProgrammerRig rig("16F676");
        std::array<std::uint16_t, 32768> chip{};
        chip.fill(0x3FFF);
        chip[0x3FF] = 0x3480;
        TChipAnswers answers;
        answers.Words(First(chip, 0x400)).Word(0x11FF);  // OscCheck
        if (good) {
            // ProgramChip's read-back, Verify, the configuration check.
            answers.Words(First(chip, 0x400)).Words(First(chip, 0x400)).Word(0x11FF);
        } else {
            answers.Word(0x3FFF, 0x400);  // the erased word does not take the calibration
        }
        answers.Install(rig);
        EXPECT_TRUE(rig.Programmer.ErasePIC());
        EXPECT_EQ(rig.Image().ProgramBuffer[0x3FF], 0x3480);
        EXPECT_EQ(rig.Image().ConfigWord1, 0x11FF);
        EXPECT_EQ(rig.Programmer.OperationOk, good);
        EXPECT_EQ(rig.Ui.Statuses.back(),
                  good ? "Target PIC Erased!" : "VERIFY FAILED! - Elapsed time = 0 secs.");
        // One operation as the user interface sees it: the write-back is part of the Erase.
        EXPECT_EQ(rig.Ui.Events.front(), "started Erase");
        EXPECT_EQ(rig.Ui.Events.back(), "ended Erase");
        EXPECT_THAT(rig.Ui.Events, Not(Contains(HasSubstr("Write"))));
    }
}

// What a user types for a calibration value: hexadecimal, with or without 0x and blanks, and
// only a RETLW; everything else is asked again.
TEST(CalibrationValueTest, TakesOnlyARetlwInHexadecimal) {
    EXPECT_EQ(ParseCalibrationValue("3480"), std::optional<std::uint16_t>(0x3480));
    EXPECT_EQ(ParseCalibrationValue(" 0x34ff\t"), std::optional<std::uint16_t>(0x34FF));
    EXPECT_EQ(ParseCalibrationValue("0X3400"), std::optional<std::uint16_t>(0x3400));
    for (const char* refused : {"", "  ", "0x", "3500", "33FF", "0x0000", "12G4", "+3480", "-3480",
                                "3480h", "0x3480 1", "134800", "0x100003480"}) {
        EXPECT_EQ(ParseCalibrationValue(refused), std::nullopt) << refused;
    }
}

}  // namespace
}  // namespace vantrel
