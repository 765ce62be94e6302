#include <gtest/gtest.h>

#include "flash14_recipes.h"
#include "sim/sim_chip14.h"

namespace vantrel::test {
namespace {

std::vector<std::uint16_t> Pattern(std::size_t count, std::uint16_t seed) {
    std::vector<std::uint16_t> words;
    for (std::size_t i = 0; i < count; ++i) {
        words.push_back(static_cast<std::uint16_t>((seed + i * 0x0357) & 0x3FFF));
    }
    return words;
}

class FlashFamilyTest : public testing::TestWithParam<TFlashRecipe> {};

TEST_P(FlashFamilyTest, ErasesProgramsAndReadsBackEveryMemory) {
    const TFlashRecipe& recipe = GetParam();
    TSimRig rig(recipe.Device);
    TFlashProgrammer programmer(rig, recipe);
    const std::uint8_t index = DeviceIndex(recipe.Device);
    const TPicDevice& device = DeviceTable[index];
    const TSimChipState erased = ErasedChip(index);

    programmer.EraseChip();
    ASSERT_EQ(rig.Chip(), erased) << "erase must leave every memory blank";

    // A head that ends inside a block, and the very last words of program memory.
    const std::vector<std::uint16_t> head = Pattern(19, 0x1234);
    const std::vector<std::uint16_t> tail = Pattern(8, 0x0042);
    programmer.WriteProgram(head);
    programmer.WriteProgram(tail, device.ProgramSize - 8u);
    const std::vector<std::uint8_t> data{0x00, 0x5A, 0xA5, 0x01, 0x80, 0x7F, 0xFE, 0x33};
    if (device.EepromSize != 0) {
        programmer.WriteData(data);
    }
    const std::vector<std::uint16_t> ids{0x0001, 0x0203, 0x0405, 0x3FF0};
    const auto config = static_cast<std::uint16_t>(device.ConfigMask & ~device.WdtFuse.Mask);
    programmer.WriteIdsAndConfig(ids, config);

    EXPECT_EQ(programmer.ReadProgram(head.size()), head);
    EXPECT_EQ(programmer.ReadProgram(tail.size(), device.ProgramSize - 8u), tail);
    if (device.EepromSize != 0) {
        EXPECT_EQ(programmer.ReadData(data.size()), data);
    }
    const std::vector<std::uint16_t> area = programmer.ReadConfigArea();
    EXPECT_EQ(std::vector<std::uint16_t>(area.begin(), area.begin() + 4), ids);
    EXPECT_EQ(area[7], config);

    TSimChipState expected = erased;
    std::copy(head.begin(), head.end(), expected.Program.begin());
    std::copy(tail.begin(), tail.end(), expected.Program.end() - 8);
    if (device.EepromSize != 0) {
        std::copy(data.begin(), data.end(), expected.Data.begin());
    }
    expected.Ids = ids;
    expected.Config[0] = config;
    EXPECT_EQ(rig.Chip(), expected);
    EXPECT_NO_VIOLATIONS(rig);
}

TEST_P(FlashFamilyTest, ProtectedChipReadsZerosRefusesWritesAndErasesClean) {
    const TFlashRecipe& recipe = GetParam();
    TSimChipState chip = FactoryFreshChip(DeviceIndex(recipe.Device));
    chip.Program[0] = 0x2805;
    if (!chip.Data.empty()) {
        chip.Data[0] = 0x42;
    }
    TurnOnCodeProtection(chip);
    const std::uint16_t protectedConfig = chip.Config[0];
    TSimRig rig(chip);
    TFlashProgrammer programmer(rig, recipe);

    EXPECT_EQ(programmer.ReadProgram(1), std::vector<std::uint16_t>{0});
    EXPECT_EQ(programmer.ReadConfigArea()[7], protectedConfig) << "configuration stays readable";
    programmer.WriteProgram({0x0000});
    EXPECT_EQ(rig.Count(TSimViolationKind::ProtectedWrite), 1u);
    EXPECT_EQ(rig.Chip().Program[0], 0x2805);

    rig.board.Violations().Clear();
    programmer.EraseChip();
    EXPECT_EQ(rig.Chip(), ErasedChip(chip.DeviceIndex)) << "the family's erase clears protection";
    EXPECT_NO_VIOLATIONS(rig);
}

TEST_P(FlashFamilyTest, ReadingBeforeTheCycleEndsGetsTheOldWordAndIsLogged) {
    const TFlashRecipe& recipe = GetParam();
    TSimRig rig(recipe.Device);
    TFlashProgrammer programmer(rig, recipe);
    programmer.Enter();
    rig.host.Load(kLoadProgram, 0x0000);
    rig.host.Command(recipe.Program.Begin);
    if (recipe.Program.End != 0) {
        rig.host.Wait(recipe.Program.WaitMicroseconds);
    }
    EXPECT_EQ(rig.host.Read(kReadProgram), rig.Chip().Device().BlankWord);
    EXPECT_EQ(rig.Count(TSimViolationKind::BusyCommand), 1u);
    rig.host.Wait(recipe.Program.WaitMicroseconds);
    if (recipe.Program.End != 0) {
        rig.host.Command(recipe.Program.End);
    }
    EXPECT_EQ(rig.host.Read(kReadProgram), 0x0000);
    programmer.Exit();
    EXPECT_EQ(rig.Log().Count(), 1u) << rig.Log().Describe();
}

INSTANTIATE_TEST_SUITE_P(EveryFlashDevice, FlashFamilyTest, testing::ValuesIn(FlashRecipes()),
                         [](const auto& info) { return std::string(info.param.Device); });

// ---- addressing ----------------------------------------------------------------------------

TEST(Flash14Addressing, CounterAliasesProgramMemoryAndDataUsesItsLowBits) {
    TSimChipState chip = FactoryFreshChip(DeviceIndex("16F84A"));
    chip.Program[0] = 0x0111;
    chip.Data[1] = 0x22;
    TSimRig rig(chip);
    rig.host.EnterVddFirst();
    rig.host.Increment(0x400);
    EXPECT_EQ(rig.host.Read(kReadProgram), 0x0111) << "0x400 aliases word 0 on a 1K part";
    rig.host.Increment(0x41);
    // Bits 8..13 of a data read are not defined: the host masks them.
    EXPECT_EQ(rig.host.Read(kReadData) & 0xFF, 0x22) << "data EEPROM is addressed by the low bits";
    rig.host.Load(kLoadConfig, 0x3FFF);
    rig.host.Increment(0x2000);
    EXPECT_EQ(rig.host.Read(kReadProgram), 0x3FFF) << "counter stays in the configuration area";
    EXPECT_EQ(dynamic_cast<TSimChip14&>(*rig.board.Chip()).AddressCounter(), 0x2000);
    rig.host.Exit();
    rig.host.EnterVddFirst();
    EXPECT_EQ(rig.host.Read(kReadProgram), 0x0111) << "re-entry starts at address 0";
    EXPECT_NO_VIOLATIONS(rig);
}

struct TDeviceIdCase {
    std::string_view Device;
    std::uint16_t Id;  // revision clear
    std::uint16_t RevisionMask;
};

class DeviceIdTest : public testing::TestWithParam<TDeviceIdCase> {};

TEST_P(DeviceIdTest, ReadsAtAddress2006WithARevision) {
    TSimRig rig(GetParam().Device);
    TFlashProgrammer programmer(rig, RecipeFor(GetParam().Device));
    const std::uint16_t word = programmer.ReadConfigArea()[6];
    EXPECT_EQ(word & ~GetParam().RevisionMask, GetParam().Id);
    EXPECT_NE(word & GetParam().RevisionMask, 0) << "real chips carry a revision";
}

INSTANTIATE_TEST_SUITE_P(
    ChipNotes, DeviceIdTest,
    testing::Values(TDeviceIdCase{"16F84A", 0x0560, 0x1F}, TDeviceIdCase{"16F628", 0x07C0, 0x1F},
                    TDeviceIdCase{"16F872", 0x08E0, 0x1F}, TDeviceIdCase{"16F877", 0x09A0, 0x1F},
                    TDeviceIdCase{"16F876A", 0x0E00, 0x0F}, TDeviceIdCase{"16F77", 0x0660, 0x1F},
                    TDeviceIdCase{"16F819", 0x04E0, 0x0F}, TDeviceIdCase{"16F87", 0x0720, 0x0F},
                    TDeviceIdCase{"16F648A", 0x1100, 0x1F}, TDeviceIdCase{"12F675", 0x0FC0, 0x1F},
                    TDeviceIdCase{"16F676", 0x10E0, 0x1F}));

TEST(Flash14Addressing, PartsWithoutDeviceIdAndReservedWords) {
    TSimRig early("16F84");
    EXPECT_EQ(TFlashProgrammer(early, RecipeFor("16F84")).ReadConfigArea()[6], 0x3FFF);
    TSimRig f872("16F872");
    const std::vector<std::uint16_t> area =
        TFlashProgrammer(f872, RecipeFor("16F872")).ReadConfigArea();
    EXPECT_EQ(area[4], 0x0000);
    EXPECT_EQ(area[5], 0x3F11);
}

TEST(Flash14Addressing, SixteenF88HasASecondConfigurationWord) {
    TSimRig rig("16F88");
    TFlashProgrammer programmer(rig, RecipeFor("16F88"));
    programmer.Enter();
    rig.host.Load(kLoadConfig, 0x3FFF);
    rig.host.Increment(8);
    rig.host.Load(kLoadProgram, 0x3FFE);
    programmer.RunCycle({kBegin, 2000, kEnd17});
    EXPECT_EQ(rig.host.Read(kReadProgram), 0x0002) << "word 2 keeps only its implemented bits";
    programmer.Exit();
    EXPECT_EQ(rig.Chip().Config, (std::vector<std::uint16_t>{0x3FFF, 0x0002}));
    EXPECT_NO_VIOLATIONS(rig);
}

// ---- command decoding ----------------------------------------------------------------------

TEST(Flash14Commands, EarlyEeprompartsIgnoreTheUpperCommandBits) {
    TSimRig rig("16F84");
    rig.host.EnterVddFirst();
    rig.host.Load(0x10, 0x0123);          // 0x10 reads as Load Configuration
    rig.host.Command(kBeginProgramOnly);  // no 0x18 on the 16F84: it is 0x08
    rig.host.Wait(20000);
    EXPECT_EQ(rig.host.Read(0x14), 0x0123) << "0x14 is Read Data";
    rig.host.Exit();
    EXPECT_EQ(rig.Chip().Ids[0], 0x0123);
    EXPECT_NO_VIOLATIONS(rig);
}

TEST(Flash14Commands, LaterPartsDecodeAllSixBitsAndLackSomeCodes) {
    TSimRig rig("16F628A");
    TFlashProgrammer programmer(rig, RecipeFor("16F628A"));
    programmer.Enter();
    rig.host.Load(0x10, 0x0123);
    rig.host.Command(kBeginProgramOnly);
    rig.host.Command(kChipErase);
    EXPECT_EQ(rig.host.Read(kReadProgram), 0x3FFF);
    programmer.Exit();
    // 0x10 is unknown, so its frame clocks are read as commands too: only count the first three.
    EXPECT_GE(rig.Count(TSimViolationKind::UnknownCommand), 3u);
    EXPECT_EQ(rig.Chip(), FactoryFreshChip(DeviceIndex("16F628A")));

    TSimRig seventy("16F77");
    seventy.host.UseVpp40(true);
    seventy.host.EnterVddFirst();
    seventy.host.Load(kLoadData, 0x12);
    seventy.host.Exit();
    EXPECT_GE(seventy.Count(TSimViolationKind::UnknownCommand), 1u) << "no data memory commands";
}

TEST(Flash14Commands, DataCommandWithoutItsFrameAbsorbsTheNextClocks) {
    TSimRig rig("16F84A");
    rig.host.EnterVddFirst();
    rig.host.Command(kLoadProgram);
    rig.host.Increment(2);   // 12 clocks become part of the frame
    rig.host.Command(0x00);  // ... and these 4 finish it
    EXPECT_EQ(dynamic_cast<TSimChip14&>(*rig.board.Chip()).AddressCounter(), 0);
    rig.host.Exit();
    EXPECT_NO_VIOLATIONS(rig);
}

TEST(Flash14Commands, UnfinishedFrameIsLostWhenProgrammingModeEnds) {
    TSimRig rig("16F84A");
    rig.host.EnterVddFirst();
    rig.host.Command(kLoadProgram);
    rig.host.ClockOut(false);
    rig.host.ClockOut(true);
    rig.host.Exit();
    rig.host.EnterVddFirst();
    EXPECT_EQ(rig.host.Read(kReadProgram), 0x3FFF);
    rig.host.Exit();
    EXPECT_NO_VIOLATIONS(rig);
}

// ---- cells ---------------------------------------------------------------------------------

TEST(Flash14Cells, ProgramOnlyClearsBitsAndEraseThenProgramReplaces) {
    TSimChipState chip = FactoryFreshChip(DeviceIndex("16F84A"));
    chip.Program[0] = 0x0F0F;
    chip.Program[1] = 0x0F0F;
    TSimRig rig(chip);
    rig.host.EnterVddFirst();
    rig.host.Load(kLoadProgram, 0x33CC);
    rig.host.Command(kBeginProgramOnly);
    rig.host.Wait(10000);
    rig.host.Increment();
    rig.host.Load(kLoadProgram, 0x33CC);
    rig.host.Command(kBegin);
    rig.host.Wait(10000);
    rig.host.Exit();
    EXPECT_EQ(rig.Chip().Program[0], 0x0F0F & 0x33CC);
    EXPECT_EQ(rig.Chip().Program[1], 0x33CC);
    EXPECT_NO_VIOLATIONS(rig);
}

TEST(Flash14Cells, BlockIsChosenAtTheBeginCommandAndUnloadedLatchesKeepTheirCells) {
    TSimChipState chip = FactoryFreshChip(DeviceIndex("16F877A"));
    std::fill(chip.Program.begin(), chip.Program.begin() + 16, 0x0FFF);
    TSimRig rig(chip);
    rig.host.UseVpp40(true);
    rig.host.EnterVddFirst();
    rig.host.Increment(2);
    rig.host.Load(kLoadProgram, 0x0123);  // latch 2
    rig.host.Increment(9);                // counter now at 11: block 8..15
    rig.host.Command(kBeginProgramOnly);
    rig.host.Wait(1000);
    rig.host.Command(kEnd17);
    rig.host.Exit();
    for (std::size_t i = 0; i < 16; ++i) {
        EXPECT_EQ(rig.Chip().Program[i], i == 10 ? 0x0123 : 0x0FFF) << "word " << i;
    }
    EXPECT_NO_VIOLATIONS(rig);
}

TEST(Flash14Cells, ExternallyTimedCycleCutShortLeavesTheCell) {
    TSimRig rig("16F88");
    rig.host.EnterVddFirst();
    rig.host.Load(kLoadProgram, 0x0000);
    rig.host.Command(kBeginProgramOnly);
    rig.host.Wait(300);
    rig.host.Command(kEnd17);
    rig.host.Exit();
    EXPECT_EQ(rig.Chip().Program[0], 0x3FFF);
    EXPECT_EQ(rig.Count(TSimViolationKind::ShortPulse), 1u);
}

TEST(Flash14Cells, SixteenF628AProgramMemoryNeedsAnEraseButDataDoesNot) {
    TSimChipState chip = FactoryFreshChip(DeviceIndex("16F628A"));
    chip.Program[0] = 0x0000;
    chip.Data[0] = 0x00;
    TSimRig rig(chip);
    TFlashProgrammer programmer(rig, RecipeFor("16F628A"));
    programmer.WriteProgram({0x3FFF});
    programmer.WriteData({0xFF});
    EXPECT_EQ(rig.Chip().Program[0], 0x0000);
    EXPECT_EQ(rig.Chip().Data[0], 0xFF);
}

// ---- erase scope ---------------------------------------------------------------------------

TEST(Flash14Erase, BulkEraseInProgramSpaceKeepsConfigurationAndIds) {
    TSimChipState chip = FactoryFreshChip(DeviceIndex("16F628A"));
    chip.Program[5] = 0x1111;
    chip.Ids[0] = 0x0001;
    chip.Config[0] = 0x2100;
    TSimRig rig(chip);
    TFlashProgrammer programmer(rig, RecipeFor("16F628A"));
    programmer.Enter();
    rig.host.Command(kBulkEraseProgram);
    rig.host.Wait(7000);
    programmer.Exit();
    EXPECT_EQ(rig.Chip().Program[5], 0x3FFF);
    EXPECT_EQ(rig.Chip().Ids[0], 0x0001);
    EXPECT_EQ(rig.Chip().Config[0], 0x2100);
    EXPECT_NO_VIOLATIONS(rig);
}

TEST(Flash14Erase, TwelveF629ConfigSpaceEraseWipesCalibrationAndBandGap) {
    const std::uint8_t index = DeviceIndex("12F629");
    TSimRig rig("12F629");
    TFlashProgrammer programmer(rig, RecipeFor("12F629"));
    const std::uint16_t calibration = programmer.ReadProgram(1, 0x3FF)[0];
    const std::uint16_t config = programmer.ReadConfigArea()[7];
    EXPECT_EQ(calibration, FactoryCalibrationWord(index).value());
    EXPECT_EQ(calibration & 0xFF00, 0x3400) << "a RETLW";
    EXPECT_EQ(config & kBandGapMask, kFactoryBandGap);

    programmer.EraseChip();
    EXPECT_EQ(rig.Chip().Program[0x3FF], 0x3FFF);
    EXPECT_EQ(rig.Chip().Config[0] & kBandGapMask, kBandGapMask);

    programmer.WriteProgram({calibration}, 0x3FF);
    programmer.WriteIdsAndConfig(
        {0x3FFF, 0x3FFF, 0x3FFF, 0x3FFF},
        static_cast<std::uint16_t>((0x31FF & ~kBandGapMask) | (config & kBandGapMask)));
    EXPECT_EQ(rig.Chip(), FactoryFreshChip(index)) << "restored as the factory left it";
    EXPECT_NO_VIOLATIONS(rig);
}

TEST(Flash14Erase, ChipEraseLeavesIdsUnlessTheCounterIsInTheConfigurationArea) {
    TSimChipState chip = FactoryFreshChip(DeviceIndex("16F818"));
    chip.Ids[1] = 0x0005;
    chip.Data[3] = 0x00;
    TSimRig rig(chip);
    rig.host.EnterVddFirst();
    rig.host.Command(kChipErase);
    rig.host.Wait(10000);
    rig.host.Exit();
    EXPECT_EQ(rig.Chip().Ids[1], 0x0005);
    EXPECT_EQ(rig.Chip().Data[3], 0xFF);
    EXPECT_NO_VIOLATIONS(rig);
}

TEST(Flash14Erase, SixteenF627BulkEraseIsRefusedOnAProtectedPart) {
    TSimChipState chip = FactoryFreshChip(DeviceIndex("16F627"));
    chip.Program[0] = 0x0000;
    TurnOnCodeProtection(chip);
    TSimRig rig(chip);
    TFlashProgrammer programmer(rig, RecipeFor("16F627"));
    programmer.Enter();
    rig.host.Load(kLoadConfig, 0x3FFF);
    rig.host.Command(kBulkEraseProgram);
    rig.host.Wait(6000);
    programmer.Exit();
    EXPECT_EQ(rig.Chip().Program[0], 0x0000);
    EXPECT_TRUE(IsCodeProtected(rig.Chip()));
    EXPECT_EQ(rig.Count(TSimViolationKind::ProtectedWrite), 1u);
}

TEST(Flash14Erase, SetupPairInProgramSpaceErasesTheArrayOfTheLastLoad) {
    TSimChipState chip = FactoryFreshChip(DeviceIndex("16F877"));
    chip.Program[0] = 0x0000;
    chip.Data[0] = 0x00;
    chip.Ids[0] = 0x0000;
    TSimRig rig(chip);
    rig.host.UseVpp40(true);
    rig.host.EnterVddFirst();
    rig.host.Load(kLoadData, 0xFF);
    for (const std::uint8_t code : {kSetup1, kSetup2, kBegin}) {
        rig.host.Command(code);
    }
    rig.host.Wait(10000);
    rig.host.Command(kSetup1);
    rig.host.Command(kSetup2);
    rig.host.Load(kLoadProgram, 0x0001);  // disarmed: an ordinary write again
    rig.host.Command(kBegin);
    rig.host.Wait(10000);
    rig.host.Exit();
    EXPECT_EQ(rig.Chip().Data[0], 0xFF);
    EXPECT_EQ(rig.Chip().Program[0], 0x0001);
    EXPECT_EQ(rig.Chip().Ids[0], 0x0000);
    EXPECT_NO_VIOLATIONS(rig);
}

}  // namespace
}  // namespace vantrel::test
