#include <gtest/gtest.h>

#include "flash14_recipes.h"
#include "hardware/programmer_presets.h"
#include "pic18_host.h"
#include "sim/sim_catalogue.h"

namespace vantrel::test {
namespace {

constexpr std::uint16_t kBase = kDefaultPortBase;

// Port detection as the board is meant to answer it: with Vdd on, the level driven on data-out
// comes back on data-in.
bool AnswersDetection(TPortAccess& port, TVirtualClock& clock, const TWiring& wiring,
                      std::uint16_t base = kBase) {
    TIcspHost host(port, clock, wiring, base);
    host.Vpp(false);
    host.Vdd(true);
    host.Data(true);
    host.WaitMs(10);
    const bool high = host.DataIn();
    host.Data(false);
    host.WaitMs(10);
    const bool low = host.DataIn();
    host.Vdd(false);
    return high && !low;
}

TEST(SimulatedBoard, RegistersBehaveLikeAParallelPort) {
    TVirtualClock clock;
    TSimulatedBoard board(clock);
    EXPECT_EQ(board.DlPortReadPortUchar(kBase), 0x3C) << "outputs start off (inverted lines high)";
    board.DlPortWritePortUchar(kBase, 0xA5);
    EXPECT_EQ(board.DlPortReadPortUchar(kBase), 0xA5);
    board.DlPortWritePortUchar(kBase + 2, 0x05);
    EXPECT_EQ(board.DlPortReadPortUchar(kBase + 2), 0xC5);
    board.DlPortWritePortUchar(kBase + 1, 0x00);  // read-only
    EXPECT_EQ(board.DlPortReadPortUchar(kBase + 1) & ~0x40, 0x3F) << "unwired status bits";
    for (const std::uint32_t other : {0x278u, 0x3BCu, 0x379u + 2, 0u, 0xFFFFFFFFu}) {
        board.DlPortWritePortUchar(other, 0x00);
        EXPECT_EQ(board.DlPortReadPortUchar(other), 0xFF) << std::hex << other;
    }
    EXPECT_EQ(board.DlPortReadPortUchar(kBase), 0xA5) << "other addresses reach nothing";
    EXPECT_EQ(clock.NowMicroseconds(), 18u) << "one microsecond per access";
}

TEST(SimulatedBoard, DataInFollowsDataOutOnlyWhilePowered) {
    TVirtualClock clock;
    TSimulatedBoard board(clock);
    TIcspHost host(board, clock);
    host.Data(true);
    EXPECT_FALSE(host.DataIn()) << "no pull-up without Vdd";
    host.Vdd(true);
    EXPECT_TRUE(host.DataIn());
    host.Data(false);
    EXPECT_FALSE(host.DataIn());
    EXPECT_TRUE(AnswersDetection(board, clock, board.Wiring()));
    EXPECT_FALSE(AnswersDetection(board, clock, board.Wiring(), 0x278)) << "wrong base address";
}

struct TPresetPair {
    std::uint8_t Board;
    std::uint8_t Host;
    bool Found;
};

class PresetWiringTest : public testing::TestWithParam<TPresetPair> {};

TEST_P(PresetWiringTest, HostFindsTheBoardOnlyWithAMatchingWiring) {
    const TWiring& boardWiring = *ProgrammerPresets[GetParam().Board].Wiring;
    const TWiring& hostWiring = *ProgrammerPresets[GetParam().Host].Wiring;
    TVirtualClock clock;
    TSimulatedBoard board(clock, boardWiring);
    board.InsertChip(DeviceIndex("16F84A"));
    EXPECT_EQ(AnswersDetection(board, clock, hostWiring), GetParam().Found);
    if (GetParam().Found) {
        // Only with the whole wiring right does the chip answer: its device ID.
        TIcspHost host(board, clock, hostWiring);
        host.EnterVddFirst();
        host.Load(kLoadConfig, 0x3FFF);
        host.Increment(6);
        const bool answers = (host.Read(kReadProgram) & ~0x1F) == 0x0560;
        host.Exit();
        EXPECT_EQ(answers, boardWiring == hostWiring);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Presets, PresetWiringTest,
    testing::Values(TPresetPair{kProgrammerP7407, kProgrammerP7407, true},
                    TPresetPair{kProgrammerP7407, kProgrammerCardlet, true},  // same wiring
                    TPresetPair{kProgrammerP7406, kProgrammerP7406, true},
                    TPresetPair{kProgrammerRsr, kProgrammerRsr, true},
                    TPresetPair{kProgrammerFerrow, kProgrammerFerrow, true},
                    TPresetPair{kProgrammerP7407, kProgrammerP7406, false},
                    TPresetPair{kProgrammerP7406, kProgrammerP7407, false},
                    TPresetPair{kProgrammerP7407, kProgrammerRsr, false},
                    TPresetPair{kProgrammerRsr, kProgrammerP7407, false},
                    // Vdd and both data lines wired alike: detection cannot tell them apart.
                    TPresetPair{kProgrammerRsr, kProgrammerP7406, true},
                    TPresetPair{kProgrammerFerrow, kProgrammerP7407, false}),
    [](const auto& info) {
        return "board" + std::to_string(info.param.Board) + "_host" +
               std::to_string(info.param.Host);
    });

TEST(SimulatedBoard, TheDevicesSocketDecidesWhichVppReachesIt) {
    TSimRig forty("16F877");  // 40-pin socket
    forty.host.UseVpp40(false);
    forty.host.EnterVddFirst();
    EXPECT_FALSE(forty.board.Chip()->InProgrammingMode());
    forty.host.UseVpp40(true);
    forty.host.Vpp(true);
    EXPECT_TRUE(forty.board.Chip()->InProgrammingMode());
    EXPECT_TRUE(forty.board.Socket().Vpp40);
    EXPECT_TRUE(forty.board.Socket().Mclr) << "reset released while Vpp is on";
}

TEST(SimulatedBoard, RejectsABoardWiringThatCannotExist) {
    TVirtualClock clock;
    TWiring wiring;
    wiring.PinDataIn.Line = kLineD0;
    EXPECT_THROW(TSimulatedBoard(clock, wiring), std::invalid_argument);
    TSimulatedBoard board(clock);
    TSimChipState wrong = FactoryFreshChip(DeviceIndex("16F84A"));
    wrong.Program.pop_back();
    EXPECT_THROW(board.InsertChip(wrong), std::invalid_argument);
    EXPECT_THROW((void)board.ChipState(), std::logic_error);
}

// Every device of the table goes into the socket with its own sizes and answers with its
// identity: device ID, calibration word and configuration as the chip notes give them.
class EveryDeviceTest : public testing::TestWithParam<std::uint8_t> {};

TEST_P(EveryDeviceTest, SitsInTheSocketWithItsSizesAndIdentity) {
    const std::uint8_t index = GetParam();
    const TPicDevice& device = DeviceTable[index];
    const TSimChipState chip = FactoryFreshChip(index);
    EXPECT_EQ(ChipShapeError(chip), "");
    EXPECT_EQ(chip.Program.size(), device.ProgramSize);
    EXPECT_EQ(chip.Data.size(), device.Name == "18F4680" ? 1024u : device.EepromSize);
    EXPECT_EQ(chip.Ids.size(), IsPic18(device) ? 8u : 4u);
    EXPECT_EQ(CalibrationWord(chip).has_value(), HasCalibrationWord(device));
    const std::uint16_t deviceId = SimDeviceIdWord(chip);
    TSimRig rig(chip);
    if (IsPic18(device)) {
        TPic18Programmer programmer(rig.host, {});
        programmer.Enter();
        const std::vector<std::uint8_t> id = programmer.ReadBytes(0x3FFFFE, 2);
        EXPECT_EQ(id[0] | (id[1] << 8), deviceId);
        EXPECT_EQ(programmer.ReadBytes(0x300000, 14), std::vector<std::uint8_t>(14, 0xFF));
        programmer.Exit();
    } else if (device.BlankWord == 0x0FFF) {
        rig.host.EnterVddFirst();
        // A 12-bit word: the frame's two upper bits are not defined.
        EXPECT_EQ(rig.host.Read(kReadProgram) & device.BlankWord, device.ConfigMask);
        rig.host.Exit();
    } else {
        rig.host.EnterVddFirst();
        rig.host.Load(kLoadConfig, 0x3FFF);
        rig.host.Increment(6);
        EXPECT_EQ(rig.host.Read(kReadProgram), deviceId != 0 ? deviceId : 0x3FFF);
        rig.host.Increment();
        EXPECT_EQ(rig.host.Read(kReadProgram), chip.Config[0]);
        rig.host.Exit();
    }
    EXPECT_NO_VIOLATIONS(rig);
}

INSTANTIATE_TEST_SUITE_P(DeviceTable, EveryDeviceTest, testing::Range<std::uint8_t>(0, 50),
                         [](const auto& info) {
                             return std::string(DeviceTable[info.param].Name);
                         });

}  // namespace
}  // namespace vantrel::test
