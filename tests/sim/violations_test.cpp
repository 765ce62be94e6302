#include <gtest/gtest.h>

#include "flash14_recipes.h"
#include "pic18_host.h"

namespace vantrel::test {
namespace {

using K = TSimViolationKind;

// Each kind of misuse, in its smallest form, and that the log names it.

TEST(Violations, DataChangingWithTheLatchingEdge) {
    TSimRig rig("16F84A");
    rig.host.EnterVddFirst();
    // Default wiring: clock on D1, data on D0. Clock high, then clock low and data high in one
    // write: the chip latches the old level and the host broke setup and hold.
    rig.board.DlPortWritePortUchar(kDefaultPortBase,
                                   rig.board.DlPortReadPortUchar(kDefaultPortBase) | 0x02);
    rig.board.DlPortWritePortUchar(
        kDefaultPortBase, (rig.board.DlPortReadPortUchar(kDefaultPortBase) & ~0x02) | 0x01);
    rig.host.Exit();
    EXPECT_EQ(rig.Count(K::DataEdge), 1u);
    EXPECT_NE(rig.Log().Describe().find("data-edge: 16F84A: PGD changed"), std::string::npos)
        << rig.Log().Describe();
}

TEST(Violations, ClocksWhileVddIsOff) {
    TSimRig rig("16F628A");
    rig.host.ClockOut(true);
    rig.host.ClockOut(false);
    EXPECT_EQ(rig.Count(K::UnpoweredClock), 4u) << "every edge counts";
    EXPECT_FALSE(rig.board.Chip()->InProgrammingMode());
}

TEST(Violations, VppBeforeVddOnPartsThatNeedVddFirst) {
    TSimRig rig("18F452");
    rig.host.EnterVppFirst();
    EXPECT_TRUE(rig.board.Chip()->InProgrammingMode());
    rig.host.Exit();
    EXPECT_EQ(rig.Count(K::PowerSequence), 1u);
    EXPECT_EQ(rig.Log().Count(), 1u) << rig.Log().Describe();
}

// Internal oscillator with MCLR off: with Vdd first the chip's own program runs before Vpp comes
// and programming mode is never reached; the power-up timer holds it off for 72 ms.
struct TEntryCase {
    std::uint16_t Config;
    bool VppFirst;
    std::uint64_t VddToVppMicroseconds;
    bool Enters;
};

class RunningProgramEntryTest : public testing::TestWithParam<TEntryCase> {};

TEST_P(RunningProgramEntryTest, DecidesWhetherProgrammingModeIsReached) {
    const TEntryCase& c = GetParam();
    TSimChipState chip = FactoryFreshChip(DeviceIndex("12F629"));
    chip.Config[0] = c.Config;
    chip.Program[0] = 0x0123;
    TSimRig rig(chip);
    if (c.VppFirst) {
        rig.host.EnterVppFirst();
    } else {
        rig.host.EnterVddFirst(c.VddToVppMicroseconds);
    }
    const std::uint16_t word = rig.host.Read(kReadProgram);
    rig.host.Exit();
    EXPECT_EQ(word == 0x0123, c.Enters);
    EXPECT_EQ(rig.Count(K::PowerSequence), c.Enters ? 0u : 1u) << rig.Log().Describe();
}

INSTANTIATE_TEST_SUITE_P(
    TwelveF629, RunningProgramEntryTest,
    testing::Values(TEntryCase{0x21D4, false, 100, false},    // INTOSC, MCLR off, PWRT off
                    TEntryCase{0x21D4, true, 0, true},        // ... Vpp first
                    TEntryCase{0x21C4, false, 100, true},     // ... PWRT on holds it in reset
                    TEntryCase{0x21C4, false, 80000, false},  // ... but not for ever
                    TEntryCase{0x21F4, false, 100, true},     // MCLR on
                    TEntryCase{0x21D7, false, 100, true}));   // RC oscillator

TEST(Violations, ClockAndDataMustBeLowAtEntryAndTheFirstClockMustWait) {
    TSimRig rig("16F877A");
    rig.host.UseVpp40(true);
    rig.host.Vdd(true);
    rig.host.Data(true);
    rig.host.Wait(100);
    rig.host.Vpp(true);
    rig.host.Exit();
    EXPECT_EQ(rig.Count(K::PowerSequence), 1u) << rig.Log().Describe();

    TSimRig hurried("16F877A");
    hurried.host.UseVpp40(true);
    hurried.host.Vdd(true);
    hurried.host.Wait(100);
    hurried.host.Vpp(true);
    hurried.host.Clock(true);  // 4 us after Vpp; the part wants 5
    hurried.host.Exit();
    EXPECT_EQ(hurried.Count(K::Timing), 1u) << hurried.Log().Describe();
}

TEST(Violations, LeavingProgrammingModeDuringACycleCutsItOff) {
    TSimRig rig("16F84A");
    rig.host.EnterVddFirst();
    rig.host.Load(kLoadProgram, 0x0000);
    rig.host.Command(kBegin);
    rig.host.Wait(2000);
    rig.host.Exit();
    rig.host.Wait(20000);
    EXPECT_EQ(rig.Chip().Program[0], 0x3FFF);
    EXPECT_EQ(rig.Count(K::ExitDuringCycle), 1u);

    TSimRig pic18("18F4550");
    TPic18Programmer programmer(pic18.host, {true, 32, 6000, 100});
    programmer.Enter();
    programmer.WriteEeprom(0, 0x12);  // completes
    pic18.host.Core(kBsfWren);
    pic18.host.Core(kBsfWr);
    programmer.Exit();
    EXPECT_EQ(pic18.Count(K::ExitDuringCycle), 1u) << pic18.Log().Describe();
}

TEST(Violations, ReadingTheEepromWhileItIsWritten) {
    TSimRig rig("18F2550");
    TPic18Programmer programmer(rig.host, {true, 32, 6000, 100});
    programmer.Enter();
    programmer.WriteEeprom(0, 0x12);
    rig.host.Core(kBsfWren);
    rig.host.Core(kBsfWr);  // writes 0x12 at 0 again, with EEDATA unchanged
    EXPECT_EQ(programmer.ReadEeprom(1), 0xFF);
    rig.host.Core(kBsfWr);
    programmer.Exit();
    EXPECT_EQ(rig.Count(K::BusyCommand), 2u) << rig.Log().Describe();
}

TEST(Violations, UnknownCoreInstructionsAndReservedCommands) {
    TSimRig rig("18F4680");
    rig.host.EnterVddFirst();
    rig.host.Core(0x0E12);  // MOVLW: known
    rig.host.Core(0x2412);  // ADDWF: outside the subset
    rig.host.Send18(0b0101, 0x0000);
    rig.host.Exit();
    EXPECT_EQ(rig.Count(K::UnknownCommand), 2u) << rig.Log().Describe();
}

TEST(ViolationLog, KeepsTheFirstEntriesAndCountsAll) {
    TSimViolationLog log;
    for (std::size_t i = 0; i < TSimViolationLog::kMaxKeptEntries + 5; ++i) {
        log.Record(K::Timing, "t", 1234567);
    }
    log.Record(K::DataEdge, "d", 1);
    EXPECT_EQ(log.Entries().size(), TSimViolationLog::kMaxKeptEntries);
    EXPECT_EQ(log.Count(), TSimViolationLog::kMaxKeptEntries + 6);
    EXPECT_EQ(log.Count(K::DataEdge), 1u);
    EXPECT_EQ(log.Describe().substr(0, 22), "1234.567 ms timing: t\n");
    EXPECT_NE(log.Describe().find("(6 more not kept)"), std::string::npos);
    log.Clear();
    EXPECT_TRUE(log.Empty());
    EXPECT_EQ(log.Describe(), "");
}

}  // namespace
}  // namespace vantrel::test
