#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "programming/programming_rig.h"

namespace vantrel {
namespace {

using test::AnswerReads;
using test::kRigProgDelay;
using test::TProgrammerRig;
using test::TProtocolScript;
using testing::ElementsAre;
using testing::IsEmpty;

constexpr std::uint16_t kLoadConfigData = 0x3FFF;

// Reads answered from a list; after its end, erased words.
void AnswerInOrder(TProgrammerRig& rig, std::vector<std::uint16_t> words) {
    AnswerReads(rig.Pins, [words = std::move(words)](std::size_t k) {
        return k < words.size() ? words[k] : std::uint16_t{0x3FFF};
    });
}

TEST(ProgramConfigTest, ErasedIdsAreSkippedButTheCounterStillReachesTheConfigurationWord) {
    for (const std::uint16_t erased : {0x7F, 0xFF}) {
        TProgrammerRig rig("16F84A");
        rig.Image().IdBuffer.fill(erased);
        rig.Image().ConfigWord1 = 0x3FF1;
        AnswerInOrder(rig, {0x3FF1});
        rig.Programmer.ProgramConfig();
        TProtocolScript expected;
        expected.On().Cmd(0).L(kLoadConfigData).Inc(4).Inc(3);
        expected.Cmd(2).L(0x3FF1).Cmd(8).D(kRigProgDelay).Read(4).Off();
        EXPECT_EQ(rig.Difference(expected), "") << erased;
        EXPECT_THAT(rig.Ui.Messages, IsEmpty());
    }
}

// An ID of 0x1234 is cut to the byte 0x34 by the ID test; it is written and verified as such.
TEST(ProgramConfigTest, IdsAreCutToBytesThenWrittenAndVerifiedEach) {
    TProgrammerRig rig("16F628");
    rig.Image().IdBuffer = {0x1234, 0x01, 0x02, 0x03, 0x7F, 0x7F, 0x7F, 0x7F};
    rig.Image().ConfigWord1 = 0x3D10;
    AnswerInOrder(rig, {0x34, 0x01, 0x3F02, 0x03, 0x3D10});
    rig.Programmer.ProgramConfig();
    TProtocolScript expected;
    expected.On().Cmd(0).L(kLoadConfigData);
    for (const std::uint16_t id : {0x34, 0x01, 0x02, 0x03}) {
        expected.Cmd(2).L(id).Cmd(8).D(kRigProgDelay).Read(4).Inc();
    }
    expected.Inc(3).Cmd(2).L(0x3D10).Cmd(8).D(kRigProgDelay).Read(4).Off();
    EXPECT_EQ(rig.Difference(expected), "");
    EXPECT_EQ(rig.Image().IdBuffer[0], 0x34);
    EXPECT_THAT(rig.Ui.Messages, IsEmpty()) << "upper chip bits are outside the 7-bit ID";
    EXPECT_TRUE(rig.Programmer.OperationOk);
}

TEST(ProgramConfigTest, FailuresAreReportedAndTheRestIsStillWritten) {
    TProgrammerRig rig("16F84A");
    rig.Image().IdBuffer = {0x11, 0x22, 0x33, 0x44, 0x7F, 0x7F, 0x7F, 0x7F};
    rig.Image().ConfigWord1 = 0x3FF1;
    AnswerInOrder(rig, {0x11, 0x00, 0x33, 0x00, 0x3FF2});
    rig.Programmer.ProgramConfig();
    EXPECT_THAT(rig.Ui.Messages,
                ElementsAre("ID[1] Settings Verify Error", "ID[3] Settings Verify Error",
                            "Config Fuses Verify Error"));
    EXPECT_FALSE(rig.Programmer.OperationOk);
}

// IDs from 0x80 up are accepted by the ID grid; the chip holds them and reads them back
// through the 7-bit mask, which must not count as a failure on either side.
TEST(IdVerifyTest, IdsFromEightyUpPassWhereverTheyAreChecked) {
    struct TCase {
        std::string_view Device;
        void (*Run)(TProgrammer&);
    };
    const std::vector<TCase> cases{
        {"16F84A", [](TProgrammer& p) { p.ProgramConfig(); }},
        {"16F628A", [](TProgrammer& p) { p.ProgramFLASHConfig(); }},
        {"16F877A", [](TProgrammer& p) { p.VerifyConfig(); }},
    };
    for (const TCase& c : cases) {
        TProgrammerRig rig(c.Device);
        rig.Image().IdBuffer = {0x80, 0xC5, 0xFE, 0x12, 0x7F, 0x7F, 0x7F, 0x7F};
        const std::uint16_t config = rig.Image().ConfigWord1;
        AnswerInOrder(rig, {0x80, 0xC5, 0xFE, 0x12, config});
        c.Run(rig.Programmer);
        EXPECT_THAT(rig.Ui.Messages, IsEmpty()) << c.Device;
        EXPECT_TRUE(rig.Programmer.OperationOk) << c.Device;
    }
}

// In the configuration area a cycle writes only the word at the counter: each ID needs its own.
TEST(ProgramFLASHConfigTest, SixteenF877AWritesEveryIdInACycleOfItsOwnUnverified) {
    TProgrammerRig rig("16F877A");
    rig.Image().IdBuffer = {0x7F, 0x7F, 0x7F, 0x05, 0x7F, 0x7F, 0x7F, 0x7F};
    rig.Image().ConfigWord1 = 0x2F4A;
    AnswerInOrder(rig, {0x2F4A});
    rig.Programmer.ProgramFLASHConfig();
    TProtocolScript expected;
    expected.On().Cmd(0).L(kLoadConfigData);
    for (const std::uint16_t id : {0x7F, 0x7F, 0x7F}) {
        expected.Cmd(2).L(id).Cmd(8).D(kRigProgDelay).Inc();
    }
    expected.Cmd(2).L(0x05).Cmd(8).D(kRigProgDelay).Inc(4);
    expected.Cmd(2).L(0x2F4A).Cmd(8).D(kRigProgDelay).Read(4).Off();
    EXPECT_EQ(rig.Difference(expected), "");
    EXPECT_THAT(rig.Ui.Messages, IsEmpty());
}

TEST(ProgramFLASHConfigTest, SixteenF7xWritesIdsInPairsWithAFixedTwoMilliseconds) {
    TProgrammerRig rig("16F74");
    rig.Session.Options.AutoVerify = false;
    rig.Image().IdBuffer = {0x01, 0x02, 0x03, 0x04, 0x7F, 0x7F, 0x7F, 0x7F};
    rig.Image().ConfigWord1 = 0x0042;
    rig.Programmer.ProgramFLASHConfig();
    TProtocolScript expected;
    expected.On().Cmd(0).L(kLoadConfigData);
    expected.Cmd(2).L(0x01).Inc().Cmd(2).L(0x02).Cmd(8).D(2).Cmd(14).Inc();
    expected.Cmd(2).L(0x03).Inc().Cmd(2).L(0x04).Cmd(8).D(2).Cmd(14).Inc();
    expected.Inc(3).Cmd(2).L(0x0042).Cmd(8).D(2).Cmd(14).Off();
    EXPECT_EQ(rig.Difference(expected), "");
}

// The check of the first word reads at 0x2007 before the second word is written at 0x2008.
TEST(ProgramFLASHConfigTest, SixteenF88ChecksTheFirstWordThenWritesTheSecond) {
    TProgrammerRig rig("16F88");
    rig.Image().ConfigWord1 = 0x3F38;
    rig.Image().ConfigWord2 = 0x0002;
    AnswerInOrder(rig, {0x3F38});
    rig.Programmer.ProgramFLASHConfig();
    TProtocolScript expected;
    expected.On().Cmd(0).L(kLoadConfigData).Cmd(8).D(kRigProgDelay).Cmd(23);
    for (int i = 0; i < 4; ++i) {
        expected.Cmd(2).L(0x7F).Cmd(24).D(kRigProgDelay).Cmd(23).Inc();
    }
    expected.Inc(3).Cmd(2).L(0x3F38).Cmd(24).D(kRigProgDelay).Cmd(23).Read(4);
    expected.Inc().Cmd(2).L(0x0002).Cmd(24).D(kRigProgDelay).Cmd(23).Off();
    EXPECT_EQ(rig.Difference(expected), "");
    EXPECT_THAT(rig.Ui.Messages, IsEmpty());
}

TEST(VerifyConfigTest, EveryIdIsCheckedThenTheConfigurationWord) {
    TProgrammerRig rig("16F84A");
    rig.Image().IdBuffer = {0x11, 0x22, 0x33, 0x44, 0x7F, 0x7F, 0x7F, 0x7F};
    rig.Image().ConfigWord1 = 0x3FF1;
    AnswerInOrder(rig, {0x11, 0x21, 0x33, 0x45, 0x3FF1});
    rig.Programmer.VerifyConfig();
    EXPECT_THAT(rig.Ui.Messages,
                ElementsAre("Config ID Verify Error, line 1", "Config ID Verify Error, line 3"));
    EXPECT_FALSE(rig.Programmer.OperationOk);
    EXPECT_THAT(rig.Ui.Statuses, ElementsAre("Verifying Config Fuses..."));
    TProtocolScript expected;
    expected.On().Cmd(0).L(kLoadConfigData);
    for (int i = 0; i < 4; ++i) {
        expected.Read(4).Inc();
    }
    expected.Inc(3).Read(4).Off();
    EXPECT_EQ(rig.Difference(expected), "");
}

// The second configuration word of the 16F87/88 decides as much as the first.
TEST(VerifyConfigTest, SecondConfigurationWordIsCompared) {
    for (const std::uint16_t chipWord2 : {0x0002, 0x0001, 0x3FFE}) {
        TProgrammerRig rig("16F88");
        rig.Image().ConfigWord1 = 0x3F38;
        rig.Image().ConfigWord2 = 0x0002;
        AnswerInOrder(rig, {0x7F, 0x7F, 0x7F, 0x7F, 0x3F38, chipWord2});
        rig.Programmer.VerifyConfig();
        const bool same = (chipWord2 & 0x0003) == 0x0002;
        EXPECT_EQ(rig.Programmer.OperationOk, same) << chipWord2;
        if (!same) {
            EXPECT_THAT(rig.Ui.Messages, ElementsAre("Config Fuses Verify Error"));
        }
        TProtocolScript expected;
        expected.On().Cmd(0).L(kLoadConfigData);
        for (int i = 0; i < 4; ++i) {
            expected.Read(4).Inc();
        }
        expected.Inc(3).Read(4).Inc().Read(4).Off();
        EXPECT_EQ(rig.Difference(expected), "");
    }
}

// Band-gap bits set at the factory stay on the chip; an image that leaves both erased sets no
// value for them, so they are not compared. An image that sets them is compared in full.
TEST(VerifyConfigTest, BandGapBitsOfTheCalibratedPartsAreComparedOnlyWhenTheImageSetsThem) {
    struct TCase {
        std::uint16_t Image;
        std::uint16_t Chip;
        bool Ok;
    };
    for (const TCase& c :
         {TCase{0x31D4, 0x11D4, true}, TCase{0x31D4, 0x01D4, true}, TCase{0x31D4, 0x31D5, false},
          TCase{0x11D4, 0x01D4, false}, TCase{0x11D4, 0x11D4, true}}) {
        TProgrammerRig rig("12F675");
        rig.Image().ConfigWord1 = c.Image;
        AnswerInOrder(rig, {0x7F, 0x7F, 0x7F, 0x7F, c.Chip});
        rig.Programmer.VerifyConfig();
        EXPECT_EQ(rig.Programmer.OperationOk, c.Ok) << std::hex << c.Image << " " << c.Chip;
    }
    // Other parts compare every implemented bit.
    TProgrammerRig rig("16F628A");
    rig.Image().ConfigWord1 = 0x21FF;
    AnswerInOrder(rig, {0x7F, 0x7F, 0x7F, 0x7F, 0x01FF});
    rig.Programmer.VerifyConfig();
    EXPECT_FALSE(rig.Programmer.OperationOk);
}

TEST(ReadConfigTest, ReadsIdsThroughTheMaskAndTheWordsTheDeviceHas) {
    TProgrammerRig single("16F84A");
    single.Image().ConfigWord2 = 0x1234;
    AnswerInOrder(single, {0x3F81, 0x02, 0x03, 0x04, 0x3FF1});
    single.Programmer.ReadConfig();
    EXPECT_THAT(std::vector<std::uint16_t>(single.Image().IdBuffer.begin(),
                                           single.Image().IdBuffer.begin() + 4),
                ElementsAre(0x01, 0x02, 0x03, 0x04));
    EXPECT_EQ(single.Image().ConfigWord1, 0x3FF1);
    EXPECT_EQ(single.Image().ConfigWord2, 0x1234) << "a one-word part leaves word 2 alone";
    TProtocolScript one;
    one.On().Cmd(0).L(kLoadConfigData);
    for (int i = 0; i < 4; ++i) {
        one.Read(4).Inc();
    }
    one.Inc(3).Read(4).Off();
    EXPECT_EQ(single.Difference(one), "");

    TProgrammerRig two("16F88");
    AnswerInOrder(two, {0x7F, 0x7F, 0x7F, 0x7F, 0x3F38, 0x3FFE});
    two.Programmer.ReadConfig();
    EXPECT_EQ(two.Image().ConfigWord1, 0x3F38);
    EXPECT_EQ(two.Image().ConfigWord2, 0x0002);
}

TEST(EraseAllTest, EachFamilyGetsItsOwnSequence) {
    // The second period's load command has its frame, so the chip erases with the counter in
    // the configuration area and the IDs go too.
    const auto chipErase = [](TProtocolScript& s) {
        s.On().Cmd(31).D(50).Off().On().Cmd(0).L(kLoadConfigData).Cmd(31).D(50).Off();
    };
    struct TCase {
        std::string_view Device;
        std::function<void(TProtocolScript&)> Expected;
    };
    const std::vector<TCase> cases{
        {"16F84A",
         [](TProtocolScript& s) {
             s.On().Cmd(16).L(kLoadConfigData).Inc(7).Cmd(1).Cmd(7).Cmd(8).D(kRigProgDelay);
             s.Cmd(1).Cmd(7).Off();
             // Program memory with the same pair as data memory: no part of the family
             // lacks it, and no begin command meets a running cycle.
             s.On().Cmd(2).L(kLoadConfigData).Cmd(1).Cmd(7).Cmd(8).D(kRigProgDelay);
             s.Cmd(1).Cmd(7).Off();
             s.On().Cmd(3).L(kLoadConfigData).Cmd(1).Cmd(7).Cmd(8).D(kRigProgDelay);
             s.Cmd(1).Cmd(7).Off();
         }},
        {"16F877A", chipErase},
        {"16F77", [](TProtocolScript& s) { s.On().Cmd(0).L(kLoadConfigData).Cmd(9).D(50).Off(); }},
        {"16F819",
         [&](TProtocolScript& s) {
             chipErase(s);
             s.On().Cmd(0).L(kLoadConfigData).Cmd(8).D(kRigProgDelay).Cmd(23).Off();
         }},
        {"16F648A",
         [](TProtocolScript& s) {
             s.On().Cmd(0).L(kLoadConfigData).Cmd(9).D(50).Off().On().Cmd(11).D(50).Off();
         }},
        {"16F630",
         [](TProtocolScript& s) {
             s.On().Cmd(0).L(kLoadConfigData).D(10).Cmd(9).D(10).Cmd(11).D(10).Off();
         }},
        {"12C509", [](TProtocolScript&) {}},  // one-time programmable: nothing is sent
    };
    for (const TCase& c : cases) {
        TProgrammerRig rig(c.Device);
        rig.Programmer.EraseAll();
        TProtocolScript expected;
        c.Expected(expected);
        EXPECT_EQ(rig.Difference(expected), "") << c.Device;
        EXPECT_THAT(rig.Ui.Statuses, IsEmpty()) << c.Device;
    }
}

// The calibration word sits in the last program word and the band-gap bits in the
// configuration word: OscCheck reads through the whole memory to reach the first.
struct TOscFixture {
    TOscFixture(std::uint16_t chipCalibration, std::uint16_t chipConfig) : rig("12F675") {
        AnswerReads(rig.Pins, [=](std::size_t k) {
            if (k < 0x3FF) {
                return std::uint16_t{0x3FFF};
            }
            return k == 0x3FF ? chipCalibration : chipConfig;
        });
    }
    TProgrammerRig rig;
};

TEST(OscCheckTest, SavesTheChipsCalibrationWordAndBandGapBits) {
    TOscFixture f(0x3480, 0x11FF);
    f.rig.Programmer.OscCheck();
    EXPECT_EQ(f.rig.Image().ProgramBuffer[0x3FF], 0x3480);
    EXPECT_TRUE(f.rig.Session.Config.Checked(TFuseBox::BG0));
    EXPECT_FALSE(f.rig.Session.Config.Checked(TFuseBox::BG1));
    EXPECT_EQ(f.rig.Image().ConfigWord1, 0x11FF);
    EXPECT_THAT(f.rig.Ui.Statuses, ElementsAre("Checking calibration data..."));
    EXPECT_THAT(f.rig.Ui.Events, testing::Contains("buffer changed"));
    TProtocolScript expected;
    expected.On();
    for (int address = 0; address < 0x400; ++address) {
        expected.Read(4).Inc();
    }
    expected.Cmd(0).L(kLoadConfigData).Inc(7).Read(4).Off();
    EXPECT_EQ(f.rig.Difference(expected), "");
}

TEST(OscCheckTest, AnErasedChipWordWithNothingSavedStoresZero) {
    TOscFixture f(0x3FFF, 0x31FF);
    f.rig.Programmer.OscCheck();
    EXPECT_EQ(f.rig.Image().ProgramBuffer[0x3FF], 0x0000);
}

// A Write that failed after the erase leaves the chip without its word, but the image still
// holds what was saved before; a second Write must keep that value and the band-gap boxes.
TEST(OscCheckTest, AnErasedChipWordKeepsTheValueTheImageAlreadyHolds) {
    TOscFixture f(0x3FFF, 0x31FF);
    f.rig.Image().ProgramBuffer[0x3FF] = 0x3480;
    f.rig.Session.Config.SetChecked(TFuseBox::BG1, false);
    const std::uint16_t word1 = f.rig.Image().ConfigWord1;
    f.rig.Programmer.OscCheck();
    EXPECT_EQ(f.rig.Image().ProgramBuffer[0x3FF], 0x3480);
    EXPECT_FALSE(f.rig.Session.Config.Checked(TFuseBox::BG1));
    EXPECT_EQ(f.rig.Image().ConfigWord1, word1);
}

// Only the band-gap bits change: the oscillator code 011 of a file cannot be shown by the
// oscillator group (it would come back as 010, "HS") and must reach the chip as it is.
TEST(OscCheckTest, OnlyTheBandGapBitsOfTheConfigurationWordChange) {
    TOscFixture f(0x3480, 0x01FF);
    f.rig.Image().ConfigWord1 = 0x31C3;
    f.rig.Session.Config.UpdateConfig();
    f.rig.Programmer.OscCheck();
    EXPECT_EQ(f.rig.Image().ConfigWord1, 0x01C3);
    EXPECT_FALSE(f.rig.Session.Config.Checked(TFuseBox::BG0));
    EXPECT_FALSE(f.rig.Session.Config.Checked(TFuseBox::BG1));
    EXPECT_EQ(f.rig.Session.Config.ConfigText(), "Config Word = $01C3");
}

}  // namespace
}  // namespace vantrel
