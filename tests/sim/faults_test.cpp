#include <gtest/gtest.h>

#include "flash14_recipes.h"
#include "pic18_host.h"

namespace vantrel::test {
namespace {

struct TFaultNameCase {
    std::vector<std::string> Names;
    std::string Error;  // a part of the message; empty when all are accepted
    TSimFaults Expected;
};

class SimFaultNameTest : public testing::TestWithParam<TFaultNameCase> {};

TEST_P(SimFaultNameTest, ParsesOrExplains) {
    TSimFaults faults;
    std::string error;
    for (const std::string& name : GetParam().Names) {
        if (error = AddSimFault(name, faults); !error.empty()) {
            break;
        }
    }
    if (GetParam().Error.empty()) {
        EXPECT_EQ(error, "");
        EXPECT_EQ(faults, GetParam().Expected);
    } else {
        EXPECT_NE(error.find(GetParam().Error), std::string::npos) << error;
    }
}

TSimFaults With(void (*set)(TSimFaults&)) {
    TSimFaults faults;
    set(faults);
    return faults;
}

INSTANTIATE_TEST_SUITE_P(
    Names, SimFaultNameTest,
    testing::Values(
        TFaultNameCase{{"no-chip", "protected"}, "", With([](TSimFaults& f) {
                           f.NoChip = f.Protected = true;
                       })},
        TFaultNameCase{{"unpowered"}, "", With([](TSimFaults& f) { f.Unpowered = true; })},
        TFaultNameCase{{"data-stuck-low", "data-stuck-low"}, "", With([](TSimFaults& f) {
                           f.DataStuck = false;
                       })},
        TFaultNameCase{{"word-fails=1f0"}, "", With([](TSimFaults& f) { f.FailingWord = 0x1F0; })},
        TFaultNameCase{
            {"word-fails=0x7FFF"}, "", With([](TSimFaults& f) { f.FailingWord = 0x7FFF; })},
        TFaultNameCase{{"data-stuck-high", "data-stuck-low"}, "both high and low", {}},
        TFaultNameCase{{"word-fails=1", "word-fails=2"}, "only one word-fails", {}},
        TFaultNameCase{{"word-fails="}, "hexadecimal", {}},
        TFaultNameCase{{"word-fails=12G"}, "hexadecimal", {}},
        TFaultNameCase{{"word-fails=10000"}, "up to FFFF", {}},
        TFaultNameCase{{"stuck"}, "unknown simulator fault 'stuck' (one of no-chip", {}}));

TEST(SimFaults, EmptySocketAnswersDetectionButReadsOnlyWhatTheHostDrives) {
    TVirtualClock clock;
    TSimulatedBoard board(clock);
    TSimFaults faults;
    faults.NoChip = true;
    board.LoadSocket(FactoryFreshChip(DeviceIndex("16F84A")), faults);
    EXPECT_EQ(board.Chip(), nullptr);
    TIcspHost host(board, clock);
    host.EnterVddFirst();
    EXPECT_EQ(host.Read(kReadProgram), 0x3FFF);
    host.Exit();
    EXPECT_TRUE(board.Violations().Empty());
}

struct TDataFaultCase {
    std::string_view Name;
    std::uint16_t Read;  // what a program word reads as
};

class DataLineFaultTest : public testing::TestWithParam<TDataFaultCase> {};

TEST_P(DataLineFaultTest, DataInNoLongerFollowsDataOut) {
    TSimRig rig("16F84A");
    TSimFaults faults;
    ASSERT_EQ(AddSimFault(GetParam().Name, faults), "");
    rig.board.LoadSocket(FactoryFreshChip(DeviceIndex("16F84A")), faults);
    rig.host.Vdd(true);
    rig.host.Data(true);
    const bool high = rig.host.DataIn();
    rig.host.Data(false);
    const bool low = rig.host.DataIn();
    EXPECT_FALSE(high && !low) << "detection must fail";
    rig.host.Vdd(false);
    TFlashProgrammer programmer(rig, RecipeFor("16F84A"));
    programmer.WriteProgram({0x1234});
    EXPECT_EQ(programmer.ReadProgram(1)[0], GetParam().Read);
}

INSTANTIATE_TEST_SUITE_P(Faults, DataLineFaultTest,
                         testing::Values(TDataFaultCase{"data-stuck-high", 0x3FFF},
                                         TDataFaultCase{"data-stuck-low", 0x0000},
                                         TDataFaultCase{"unpowered", 0x3FFF}),
                         [](const auto& info) {
                             std::string name(info.param.Name);
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST(SimFaults, UnpoweredBoardLeavesTheChipUntouched) {
    TSimRig rig("16F84A");
    TSimFaults faults;
    faults.Unpowered = true;
    rig.board.LoadSocket(FactoryFreshChip(DeviceIndex("16F84A")), faults);
    TFlashProgrammer(rig, RecipeFor("16F84A")).WriteProgram({0x0000});
    EXPECT_EQ(rig.Chip().Program[0], 0x3FFF);
    EXPECT_FALSE(rig.board.Socket().Vdd);
    EXPECT_TRUE(rig.Log().Empty()) << "nothing reached the chip";
}

TEST(SimFaults, FailingWordNeverProgramsButErases) {
    TSimRig rig("16F877A");
    rig.board.Faults().FailingWord = 0x0002;
    TFlashProgrammer programmer(rig, RecipeFor("16F877A"));
    programmer.WriteProgram({0x0001, 0x0002, 0x0003, 0x0004});
    EXPECT_EQ(programmer.ReadProgram(4),
              (std::vector<std::uint16_t>{0x0001, 0x0002, 0x3FFF, 0x0004}));

    TSimChipState chip = FactoryFreshChip(DeviceIndex("18F452"));
    chip.Program[1] = 0x0000;
    TSimRig pic18(chip);
    pic18.board.Faults().FailingWord = 1;
    TPic18Programmer p18(pic18.host, {false, 8, 11000, 5});
    p18.Enter();
    p18.ChipErase();
    p18.WriteRows(0, {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88});
    p18.Exit();
    EXPECT_EQ(pic18.Chip().Program[0], 0x2211);
    EXPECT_EQ(pic18.Chip().Program[1], 0xFFFF) << "the word at byte address 2";
    EXPECT_EQ(pic18.Chip().Program[2], 0x6655);
    EXPECT_NO_VIOLATIONS(pic18);
}

TEST(SimFaults, ProtectedSocketAndNonBlankContents) {
    TVirtualClock clock;
    TSimulatedBoard board(clock);
    TSimFaults faults;
    faults.Protected = true;
    TSimChipState chip = FactoryFreshChip(DeviceIndex("16F628A"));
    chip.Program[0] = 0x2805;
    chip.Data[0] = 0x12;
    board.LoadSocket(chip, faults);
    EXPECT_TRUE(IsCodeProtected(board.ChipState()));
    EXPECT_FALSE(IsDataProtected(board.ChipState()));
    EXPECT_EQ(board.ChipState().Program[0], 0x2805);
    EXPECT_EQ(board.ChipState().Config[0], 0x21FF & ~0x2000);
}

}  // namespace
}  // namespace vantrel::test
