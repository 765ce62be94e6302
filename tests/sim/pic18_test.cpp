#include <gtest/gtest.h>

#include <numeric>

#include "pic18_host.h"
#include "sim_rig.h"

namespace vantrel::test {
namespace {

struct TPic18Case {
    std::string_view Device;
    std::uint16_t Id;  // revision clear
    std::uint16_t EepromBytes;
    TPic18Recipe Recipe;
};

std::ostream& operator<<(std::ostream& out, const TPic18Case& c) {
    return out << c.Device;
}

constexpr TPic18Recipe kOlder{false, 8, 11000, 5};
constexpr TPic18Recipe kLater32{true, 32, 6000, 100};
constexpr TPic18Recipe kLater64{true, 64, 6000, 100};

const std::vector<TPic18Case> kPic18Cases{
    {"18F242", 0x0480, 256, kOlder},     {"18F248", 0x0800, 256, kOlder},
    {"18F252", 0x0400, 256, kOlder},     {"18F258", 0x0840, 256, kOlder},
    {"18F442", 0x04A0, 256, kOlder},     {"18F448", 0x0820, 256, kOlder},
    {"18F452", 0x0420, 256, kOlder},     {"18F458", 0x0860, 256, kOlder},
    {"18F2550", 0x1240, 256, kLater32},  {"18F4550", 0x1200, 256, kLater32},
    {"18F4680", 0x0E80, 1024, kLater64},
};

std::vector<std::uint8_t> Bytes(std::size_t count, std::uint8_t seed) {
    std::vector<std::uint8_t> bytes(count);
    for (std::size_t i = 0; i < count; ++i) {
        bytes[i] = static_cast<std::uint8_t>(seed + i * 7);
    }
    return bytes;
}

class Pic18FamilyTest : public testing::TestWithParam<TPic18Case> {
  protected:
    Pic18FamilyTest() : rig_(GetParam().Device), programmer_(rig_.host, GetParam().Recipe) {}

    std::uint32_t CodeBytes() { return rig_.Chip().Device().ProgramSize * 2u; }

    TSimRig rig_;
    TPic18Programmer programmer_;
};

TEST_P(Pic18FamilyTest, ErasesProgramsAndReadsBackEveryMemory) {
    const TPic18Case& c = GetParam();
    TSimChipState dirty = FactoryFreshChip(DeviceIndex(c.Device));
    std::fill(dirty.Program.begin(), dirty.Program.end(), 0x1234);
    dirty.Data.assign(dirty.Data.size(), 0x00);
    dirty.Ids.assign(8, 0x00);
    rig_.Insert(dirty);

    programmer_.Enter();
    programmer_.ChipErase();
    programmer_.Exit();
    ASSERT_EQ(rig_.Chip(), ErasedChip(DeviceIndex(c.Device)));

    const std::size_t buffer = c.Recipe.BufferBytes;
    const std::vector<std::uint8_t> head = Bytes(3 * buffer, 0x11);
    const std::vector<std::uint8_t> tail = Bytes(buffer, 0x80);
    const std::vector<std::uint8_t> ids = Bytes(8, 0x31);
    programmer_.Enter();
    programmer_.WriteRows(0, head);
    programmer_.WriteRows(CodeBytes() - static_cast<std::uint32_t>(buffer), tail);
    programmer_.WriteRows(0x200000, ids);
    programmer_.WriteEeprom(0x0000, 0x5A);
    programmer_.WriteEeprom(static_cast<std::uint16_t>(c.EepromBytes - 1), 0xA5);
    programmer_.WriteConfigByte(2, 0xF1);  // CONFIG2L
    programmer_.WriteConfigByte(3, 0xFE);  // CONFIG2H
    EXPECT_GT(programmer_.LastPolls(), 1) << "WR stays set while the write runs";
    programmer_.Exit();

    programmer_.Enter();
    EXPECT_EQ(programmer_.ReadBytes(0, head.size()), head);
    EXPECT_EQ(programmer_.ReadBytes(CodeBytes() - static_cast<std::uint32_t>(buffer), buffer),
              tail);
    EXPECT_EQ(programmer_.ReadBytes(CodeBytes(), 2), (std::vector<std::uint8_t>{0, 0}))
        << "unimplemented memory reads 0";
    EXPECT_EQ(programmer_.ReadBytes(0x200000, 8), ids);
    EXPECT_EQ(programmer_.ReadEeprom(0x0000), 0x5A);
    EXPECT_EQ(programmer_.ReadEeprom(static_cast<std::uint16_t>(c.EepromBytes - 1)), 0xA5);
    const std::vector<std::uint8_t> config = programmer_.ReadBytes(0x300000, 14);
    EXPECT_EQ(config[2], 0xF1);
    EXPECT_EQ(config[3], 0xFE);
    const std::vector<std::uint8_t> id = programmer_.ReadBytes(0x3FFFFE, 2);
    EXPECT_EQ((id[0] | (id[1] << 8)) & ~0x1F, c.Id);
    programmer_.Exit();

    TSimChipState& chip = rig_.Chip();
    EXPECT_EQ(chip.Program[0], head[0] | (head[1] << 8));
    EXPECT_EQ(chip.Data.size(), c.EepromBytes);
    EXPECT_EQ(chip.Data[c.EepromBytes - 1], 0xA5);
    EXPECT_EQ(Config18Word(chip, 1), 0xFEF1);
    EXPECT_NO_VIOLATIONS(rig_);
}

TEST_P(Pic18FamilyTest, ProtectionHidesCodeRefusesWritesAndOnlyTheChipEraseClearsIt) {
    TSimChipState chip = FactoryFreshChip(DeviceIndex(GetParam().Device));
    chip.Program[0] = 0x1234;
    TurnOnCodeProtection(chip);
    rig_.Insert(chip);
    programmer_.Enter();
    EXPECT_EQ(programmer_.ReadBytes(0, 2), (std::vector<std::uint8_t>{0, 0}));
    programmer_.WriteRows(0, std::vector<std::uint8_t>(GetParam().Recipe.BufferBytes, 0x00));
    programmer_.WriteConfigByte(8, 0xFF);  // a protection byte cannot be undone by writing it
    programmer_.Exit();
    EXPECT_EQ(rig_.Chip().Program[0], 0x1234);
    EXPECT_TRUE(IsCodeProtected(rig_.Chip()));
    EXPECT_EQ(rig_.Count(TSimViolationKind::ProtectedWrite), 1u) << rig_.Log().Describe();

    rig_.board.Violations().Clear();
    programmer_.Enter();
    programmer_.ChipErase();
    programmer_.Exit();
    EXPECT_EQ(rig_.Chip(), ErasedChip(DeviceIndex(GetParam().Device)));
    EXPECT_NO_VIOLATIONS(rig_);
}

TEST_P(Pic18FamilyTest, HeldClockTooShortWritesNothingAndNoDischargeTimeIsLogged) {
    programmer_.Enter();
    programmer_.Host().SetTablePointer(0);
    programmer_.Host().Send18(kTableWriteStart, 0x0000);
    programmer_.Host().ProgramNop(300, 0);
    programmer_.Exit();
    EXPECT_EQ(rig_.Chip().Program[0], 0xFFFF);
    EXPECT_EQ(rig_.Count(TSimViolationKind::ShortPulse), 1u);
    EXPECT_EQ(rig_.Count(TSimViolationKind::Timing), 1u) << rig_.Log().Describe();
}

INSTANTIATE_TEST_SUITE_P(EveryPic18Device, Pic18FamilyTest, testing::ValuesIn(kPic18Cases),
                         [](const auto& info) { return std::string(info.param.Device); });

// ---- later parts -----------------------------------------------------------------------------

TEST(Pic18Later, EraseKeysAreDecodedBitByBit) {
    TSimChipState chip = FactoryFreshChip(DeviceIndex("18F4680"));
    std::fill(chip.Program.begin(), chip.Program.end(), 0x0000);
    chip.Data.assign(chip.Data.size(), 0x00);
    chip.Ids.assign(8, 0x00);
    chip.Config.assign(14, 0x00);
    TSimRig rig(chip);
    TIcspHost& host = rig.host;
    const auto erase = [&](std::uint16_t key) {
        host.EnterVddFirst();
        host.SetTablePointer(0x3C0005);
        host.Send18(kTableWrite, static_cast<std::uint16_t>((key >> 8) * 0x0101));
        host.SetTablePointer(0x3C0004);
        host.Send18(kTableWrite, static_cast<std::uint16_t>((key & 0xFF) * 0x0101));
        host.EraseNop(6000);
        host.Exit();
    };
    erase(0x0084);  // data EEPROM only
    EXPECT_EQ(rig.Chip().Data[0x3FF], 0xFF);
    EXPECT_EQ(rig.Chip().Program[0], 0x0000);
    erase(0x0280);  // code block 1: 0x4000..0x7FFF on a 64 KB part
    EXPECT_EQ(rig.Chip().Program[0x3FFF / 2], 0x0000);
    EXPECT_EQ(rig.Chip().Program[0x4000 / 2], 0xFFFF);
    EXPECT_EQ(rig.Chip().Program[0x7FFE / 2], 0xFFFF);
    EXPECT_EQ(rig.Chip().Program[0x8000 / 2], 0x0000);
    erase(0x0081);  // boot block
    EXPECT_EQ(rig.Chip().Program[0x07FE / 2], 0xFFFF);
    EXPECT_EQ(rig.Chip().Program[0x0800 / 2], 0x0000);
    erase(0x0082);  // configuration alone keeps the protection bytes
    EXPECT_EQ(rig.Chip().Config[0], 0xFF);
    EXPECT_EQ(rig.Chip().Config[kConfig5LIndex], 0x00);
    EXPECT_EQ(rig.Chip().Ids[0], 0x00);
    EXPECT_NO_VIOLATIONS(rig);
}

TEST(Pic18Later, WriteBufferCoversTheRowOfTheTablePointer) {
    TSimRig rig("18F2550");
    TIcspHost& host = rig.host;
    host.EnterVddFirst();
    host.Core(kBsfEepgd);  // table writes go to flash
    host.SetTablePointer(0x0040);
    host.Send18(kTableWritePostIncrement2, 0x1111);
    host.Send18(0b1110, 0x2222);  // write, start programming, +2
    host.ProgramNop(1000, 100);
    host.SetTablePointer(0x0060);  // the next row: a buffer loaded for 0x60..
    host.Send18(kTableWritePostIncrement2, 0x3333);
    host.SetTablePointer(0x0082);  // ... is written where the pointer is at the start
    host.Send18(kTableWriteStart, 0xFF44);
    host.ProgramNop(1000, 100);
    host.Exit();
    const TSimChipState& chip = rig.Chip();
    EXPECT_EQ(chip.Program[0x20], 0x1111);
    EXPECT_EQ(chip.Program[0x21], 0x2222);
    EXPECT_EQ(chip.Program[0x30], 0xFFFF);
    EXPECT_EQ(chip.Program[0x40], 0x3333);
    EXPECT_EQ(chip.Program[0x41], 0xFF44);
    EXPECT_NO_VIOLATIONS(rig);
}

TEST(Pic18Later, TableReadVariantsMoveThePointerAsTheirNamesSay) {
    TSimChipState chip = FactoryFreshChip(DeviceIndex("18F4550"));
    chip.Program[0] = 0x2211;
    chip.Program[1] = 0x4433;
    TSimRig rig(chip);
    TIcspHost& host = rig.host;
    host.EnterVddFirst();
    host.SetTablePointer(1);
    EXPECT_EQ(host.ReadByte18(0b1000), 0x22);         // TBLRD*
    EXPECT_EQ(host.ReadByte18(0b1011), 0x11 + 0x22);  // TBLRD+* reads 2
    host.Exit();
    host.EnterVddFirst();
    host.SetTablePointer(2);
    EXPECT_EQ(host.ReadByte18(0b1010), 0x33);  // TBLRD*-
    EXPECT_EQ(host.ReadByte18(0b1000), 0x22);
    host.Core(0x2AF6);  // INCF TBLPTRL
    EXPECT_EQ(host.ReadByte18(0b1000), 0x33);
    host.Exit();
    EXPECT_NO_VIOLATIONS(rig);
}

// ---- older parts -----------------------------------------------------------------------------

TEST(Pic18Older, MultiPanelWritesEveryLoadedPanelAtOnce) {
    TSimRig rig("18F452");
    TIcspHost& host = rig.host;
    host.EnterVddFirst();
    host.Core(kBsfEepgd);
    host.Core(kBsfCfgs);
    host.SetTablePointer(0x3C0006);
    host.Send18(kTableWrite, 0x4040);
    host.Core(kBcfCfgs);
    for (std::uint32_t panel = 0; panel < 4; ++panel) {
        host.SetTablePointer(panel * 0x2000 + 0x10);
        for (int i = 0; i < 4; ++i) {
            const auto word = static_cast<std::uint16_t>(0x1000 * (panel + 1) + i);
            host.Send18(panel == 3 && i == 3 ? kTableWriteStart : kTableWritePostIncrement2, word);
        }
    }
    host.ProgramNop(1000, 10);
    host.Exit();
    for (std::uint32_t panel = 0; panel < 4; ++panel) {
        for (std::uint32_t i = 0; i < 4; ++i) {
            EXPECT_EQ(rig.Chip().Program[(panel * 0x2000 + 0x10) / 2 + i],
                      0x1000 * (panel + 1) + i);
        }
    }
    EXPECT_NO_VIOLATIONS(rig);
}

TEST(Pic18Older, DataEepromWriteNeedsTheUnlockSequence) {
    TSimRig rig("18F458");
    TIcspHost& host = rig.host;
    host.EnterVddFirst();
    host.Core(kBcfEepgd);
    host.Core(kBcfCfgs);
    host.Core(Movlw(0x07));
    host.Core(kMovwfEeadr);
    host.Core(Movlw(0x00));
    host.Core(kMovwfEeadrh);
    host.Core(Movlw(0x42));
    host.Core(kMovwfEedata);
    host.Core(kBsfWren);
    host.Core(kBsfWr);  // no 0x55/0xAA: the part ignores it
    host.Wait(5000);
    host.Core(Movlw(0x55));
    host.Core(kMovwfEecon2);
    host.Core(kNop);
    host.Core(Movlw(0xAA));
    host.Core(kMovwfEecon2);
    host.Core(kBsfWr);
    host.Wait(5000);
    host.Exit();
    EXPECT_EQ(rig.Chip().Data[7], 0x42);
    EXPECT_NO_VIOLATIONS(rig);

    TSimRig broken("18F458");
    broken.host.EnterVddFirst();
    broken.host.Core(kBcfEepgd);
    broken.host.Core(kBcfCfgs);
    broken.host.Core(Movlw(0x00));
    broken.host.Core(kMovwfEedata);
    broken.host.Core(kBsfWren);
    broken.host.Core(Movlw(0x55));
    broken.host.Core(kMovwfEecon2);
    broken.host.Core(kBsfCfgs);  // breaks the sequence
    broken.host.Core(kBcfCfgs);
    broken.host.Core(Movlw(0xAA));
    broken.host.Core(kMovwfEecon2);
    broken.host.Core(kBsfWr);
    broken.host.Wait(5000);
    broken.host.Exit();
    EXPECT_EQ(broken.Chip().Data[0], 0xFF);
}

TEST(Pic18Older, ConfigurationWritesStopOnceWrtcIsProgrammed) {
    TSimRig rig("18F252");
    TPic18Programmer programmer(rig.host, kOlder);
    programmer.Enter();
    programmer.WriteConfigByte(kConfig6HIndex, 0xDF);  // WRTC on
    programmer.WriteConfigByte(0, 0x00);
    programmer.Exit();
    EXPECT_EQ(rig.Chip().Config[kConfig6HIndex], 0xDF);
    EXPECT_EQ(rig.Chip().Config[0], 0xFF);
    EXPECT_EQ(rig.Count(TSimViolationKind::ProtectedWrite), 1u);
}

}  // namespace
}  // namespace vantrel::test
