#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "device/device_selection.h"
#include "hardware/port_detection.h"
#include "support/recording_port.h"

namespace vantrel {
namespace {

using test::TPinRig;
using test::TRecordingPort;
using testing::ElementsAre;

const TPicDevice& Device(std::string_view name) {
    return DeviceTable.at(FindDeviceByName(name).value());
}

constexpr std::uint8_t kIdleStatus = 0x38;

bool WiredLevel(std::uint8_t data, const TPinAssignment& pin) {
    return ((data & PortLines.at(pin.Line).BitMask) != 0) != pin.Invert;
}

// A programmer board with its own wiring: while powered, its data-in line returns the level on
// its data-out line; unpowered, the line floats high. `stuck` pins the line instead.
enum class TStuck { No, High, Low };

void PlugInBoard(TRecordingPort& port, const TWiring& board, TStuck stuck = TStuck::No) {
    port.Status = [board, stuck](const TRecordingPort& self) -> std::uint8_t {
        const std::uint8_t data = self.Registers[kDataRegister];
        bool line = !WiredLevel(data, board.PinVdd) || WiredLevel(data, board.PinDataOut);
        if (stuck != TStuck::No) {
            line = stuck == TStuck::High;
        }
        const std::uint8_t mask = PortLines.at(board.PinDataIn.Line).BitMask;
        return static_cast<std::uint8_t>(kIdleStatus | (line != board.PinDataIn.Invert ? mask : 0));
    };
}

struct TRecordingView final : TPortStatusView {
    void ShowPortName(std::string_view text) override { Texts.emplace_back(text); }
    void EnableOperations(const TOperationButtons& buttons) override { Buttons = buttons; }
    std::vector<std::string> Texts;
    std::optional<TOperationButtons> Buttons;
};

constexpr TOperationButtons kAllEnabled{true, true, true, true};

// A rig with a board at `boardBase` and nothing at the other candidate addresses.
struct TDetectionRig : TPinRig {
    explicit TDetectionRig(std::uint16_t boardBase, const TWiring& board = {},
                           TStuck stuck = TStuck::No)
        : TPinRig(boardBase) {
        PlugInBoard(Port, board, stuck);
        for (std::size_t i = 0; i < kNoPortIndex; ++i) {
            if (PortAddresses[i] != boardBase) {
                Bus.AttachEmpty(PortAddresses[i]);
            }
        }
        Settings.PortBase = kDefaultPortBase;
    }
    std::optional<std::uint16_t> Find(std::string_view device = "16F84A") {
        return FindPort(Pins, Device(device), View);
    }
    TRecordingView View;
};

TEST(FindPortTest, BoardOnTheSecondAddressIsFoundAfterTheFirstFails) {
    for (const bool pellam : {false, true}) {
        TDetectionRig rig(0x278);
        rig.Settings.PellamOn = pellam;
        EXPECT_EQ(rig.Find(), 0x278);
        EXPECT_EQ(rig.Settings.PortBase, 0x278);
        EXPECT_THAT(rig.View.Texts, ElementsAre(pellam ? "Port : 278H" : "Port : $278"));
        EXPECT_EQ(rig.View.Buttons, kAllEnabled);
        const std::vector<std::string> trace = rig.TraceLines();
        EXPECT_EQ(trace.front(), "R 378 FF");  // the first candidate is tried first
        for (const std::string& line : trace) {
            EXPECT_EQ(line.find(" 3B"), std::string::npos) << "0x3BC is never tried: " << line;
        }
    }
}

TEST(FindPortTest, NoBoardShowsNoneDisablesEverythingAndLeavesTheLastAddress) {
    TDetectionRig rig(0x378);
    rig.Port.Status = [](const TRecordingPort&) -> std::uint8_t { return 0xFF; };
    EXPECT_EQ(rig.Find(), std::nullopt);
    EXPECT_EQ(rig.Settings.PortBase, 0x3BC);
    EXPECT_THAT(rig.View.Texts, ElementsAre("Port : None"));
    EXPECT_EQ(rig.View.Buttons, TOperationButtons{});
}

TEST(FindPortTest, OneTimeProgrammablePartsKeepEraseDisabled) {
    TDetectionRig rig(0x3BC);
    EXPECT_EQ(rig.Find("12C508"), 0x3BC);
    EXPECT_THAT(rig.View.Texts, ElementsAre("Port : $3BC"));
    EXPECT_EQ(rig.View.Buttons, (TOperationButtons{true, true, true, false}));
}

TEST(FindPortTest, StuckDataLineFailsTheTest) {
    for (const TStuck stuck : {TStuck::High, TStuck::Low}) {
        TDetectionRig rig(0x378, {}, stuck);
        EXPECT_EQ(rig.Find(), std::nullopt);
    }
}

// Each board is found when the wiring matches it, inversions included, and the P16PRO40 with
// 7406 buffers (everything inverted the other way) is not found with the default wiring.
TEST(FindPortTest, MatchingPresetWiringFindsEachBoard) {
    for (const TProgrammerPreset& preset : ProgrammerPresets) {
        const TWiring board = preset.Wiring.value_or(TWiring{});
        TDetectionRig rig(0x378, board);
        rig.Settings.Wiring = board;
        EXPECT_EQ(rig.Find(), 0x378) << preset.CommandName;
    }
    TDetectionRig mismatched(0x378, ProgrammerPresets[kProgrammerP7406].Wiring.value());
    EXPECT_EQ(mismatched.Find(), std::nullopt);
}

TEST(FindPortTest, NoSettleTimeReadsNoClock) {
    TDetectionRig rig(0x378);
    rig.Settings.VppDelay = 0;
    EXPECT_EQ(rig.Find(), 0x378);
    EXPECT_EQ(rig.Clock.NowMicroseconds(), rig.Port.Accesses.size());
}

TEST(TestPortTest, DrivesHighThenLowAndLeavesVddOffWithoutTouchingTheClock) {
    TDetectionRig rig(0x378);
    rig.Port.Registers[kDataRegister] = 0x3E;  // all off, clock high
    EXPECT_TRUE(TestPort(rig.Pins, Device("16F84A"), 0x378));
    EXPECT_THAT(rig.TraceLines(),
                ElementsAre("R 378 3E", "W 378 3E", "R 378 3E", "W 378 3E",  // Vpp, MCLR off
                            "R 378 3E", "W 378 3A",                          // Vdd on
                            "R 378 3A", "W 378 3B",                          // data high
                            "D 10", "R 379 78",                              //
                            "R 378 3B", "W 378 3A",                          // data low
                            "D 10", "R 379 38",                              //
                            "R 378 3A", "W 378 3E"));                        // Vdd off
}

// The test switches off the programming voltage the device uses and leaves the other alone.
TEST(TestPortTest, SwitchesOffOnlyTheDevicesVppLine) {
    for (const auto& [device, untouched] :
         {std::pair<std::string_view, std::uint8_t>{"16F84A", 0x10}, {"16F877", 0x08}}) {
        TDetectionRig rig(0x378);
        rig.Port.Registers[kDataRegister] = 0x00;  // both Vpp lines on
        (void)TestPort(rig.Pins, Device(device), 0x378);
        EXPECT_EQ(rig.Port.Registers[kDataRegister] & 0x18, 0x18 & ~untouched) << device;
    }
}

TEST(TestPortTest, AddressZeroTouchesNothing) {
    TDetectionRig rig(0x378);
    EXPECT_FALSE(TestPort(rig.Pins, Device("16F84A"), 0));
    EXPECT_TRUE(rig.TraceLines().empty());
    EXPECT_EQ(rig.Settings.PortBase, 0x378);
}

}  // namespace
}  // namespace vantrel
