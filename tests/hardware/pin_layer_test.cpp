#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "hardware/port_error.h"
#include "support/recording_port.h"

namespace vantrel {
namespace {

using test::TPinRig;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::HasSubstr;

constexpr std::uint64_t kMicrosecondsPerMs = 1000;
constexpr std::uint64_t kClockWrapMs = std::uint64_t{1} << 32;

TEST(ClockBitTest, IsTwelveAccessesClockHighTwiceDataTwiceClockLowTwice) {
    TPinRig rig;
    rig.Pins.ClockBit(true);
    EXPECT_THAT(rig.TraceLines(),
                ElementsAre("R 378 00", "W 378 02", "R 378 02", "W 378 02",  // clock high
                            "R 378 02", "W 378 03", "R 378 03", "W 378 03",  // data 1
                            "R 378 03", "W 378 01", "R 378 01", "W 378 01"   // clock low
                            ));
}

// Clock on D1 and data on D0 share the data register with the supply lines: each change
// rewrites only its own bit of what the register holds.
TEST(ClockBitTest, LeavesTheOtherBitsOfASharedRegisterAlone) {
    for (const std::uint8_t start : {0x00, 0xFC, 0xA4, 0x5B}) {
        for (const bool bit : {false, true}) {
            TPinRig rig;
            rig.Port.Registers[kDataRegister] = start;
            rig.Port.ClearRecord();
            rig.Pins.ClockBit(bit);
            for (const auto& access : rig.Port.Accesses) {
                EXPECT_EQ(access.Value & 0xFC, start & 0xFC) << int(start) << " bit " << bit;
            }
            EXPECT_EQ(rig.Port.Registers[kDataRegister], (start & 0xFC) | (bit ? 0x01 : 0x00));
        }
    }
}

TEST(OutputSetterTest, SignalOnAControlLineReadsAndWritesOnlyTheControlRegister) {
    TPinRig rig;
    rig.Settings.Wiring.PinVdd = {10, false};  // Init
    rig.Port.Registers[kControlRegister] = 0xC9;
    rig.Pins.SetVdd(true);
    rig.Pins.SetVdd(false);
    EXPECT_THAT(rig.TraceLines(), ElementsAre("R 37A C9", "W 37A CD", "R 37A CD", "W 37A C9"));
}

struct TVppCase {
    bool VppInvert;
    bool MclrInvert;
    bool On;
    std::uint8_t Start;
    std::vector<std::string> Trace;  // Vpp read-modify-write, then MCLR's
};

class SetVppTest : public testing::TestWithParam<TVppCase> {};

// MCLR follows the Vpp bit actually written, through MCLR's own inversion.
TEST_P(SetVppTest, DrivesMclrOppositeToTheVppBitWritten) {
    const TVppCase& c = GetParam();
    TPinRig rig;
    rig.Settings.Wiring.PinVpp.Invert = c.VppInvert;
    rig.Settings.Wiring.PinMCLR.Invert = c.MclrInvert;
    rig.Port.Registers[kDataRegister] = c.Start;
    rig.Pins.SetVpp(c.On);
    EXPECT_THAT(rig.TraceLines(), ElementsAreArray(c.Trace));
}

// Vpp is D3 (0x08), MCLR D5 (0x20).
INSTANTIATE_TEST_SUITE_P(
    InversionCombinations, SetVppTest,
    testing::Values(
        TVppCase{false, false, true, 0x20, {"R 378 20", "W 378 28", "R 378 28", "W 378 08"}},
        TVppCase{true, true, true, 0x28, {"R 378 28", "W 378 20", "R 378 20", "W 378 00"}},
        TVppCase{true, true, false, 0x00, {"R 378 00", "W 378 08", "R 378 08", "W 378 28"}},
        TVppCase{true, false, true, 0x08, {"R 378 08", "W 378 00", "R 378 00", "W 378 20"}},
        TVppCase{false, true, true, 0x00, {"R 378 00", "W 378 08", "R 378 08", "W 378 28"}}));

TEST(OutputSetterTest, Vpp40AlsoDrivesMclr) {
    TPinRig rig;  // default wiring: Vpp40 on D4 and MCLR on D5, both inverted
    rig.Port.Registers[kDataRegister] = 0x30;
    rig.Pins.SetVpp40(true);
    EXPECT_THAT(rig.TraceLines(), ElementsAre("R 378 30", "W 378 20", "R 378 20", "W 378 00"));
}

TEST(OutputSetterTest, WiringNamingANonexistentLineIsRefusedBeforeAnyAccess) {
    TPinRig rig;
    rig.Settings.Wiring.PinClock.Line = 17;
    EXPECT_THAT([&] { rig.Pins.SetClock(true); },
                testing::ThrowsMessage<TPortError>(HasSubstr("port line 17")));
    rig.Settings.Wiring.PinDataIn.Line = 200;
    EXPECT_THROW((void)rig.Pins.ReadDataIn(), TPortError);
    EXPECT_TRUE(rig.Port.Accesses.empty());
}

TEST(ReadDataInTest, AppliesTheInputInversionToTheWiredStatusBit) {
    struct TCase {
        std::uint8_t Line;
        bool Invert;
        std::uint8_t Status;
        bool Expected;
    };
    for (const TCase& c :
         {TCase{15, false, 0x40, true}, TCase{15, false, 0xBF, false}, TCase{15, true, 0x00, true},
          TCase{15, true, 0x40, false}, TCase{16, false, 0x80, true}, TCase{16, true, 0x7F, true},
          TCase{12, false, 0xF7, false}}) {
        TPinRig rig;
        rig.Settings.Wiring.PinDataIn = {c.Line, c.Invert};
        rig.Port.Registers[kStatusRegister] = c.Status;
        EXPECT_EQ(rig.Pins.ReadDataIn(), c.Expected) << int(c.Line) << " " << int(c.Status);
        EXPECT_EQ(rig.TraceLines().size(), 1u);
    }
}

TEST(DelayMsTest, ZeroReturnsWithoutReadingTheClock) {
    TPinRig rig;
    rig.Pins.DelayMs(0);
    EXPECT_EQ(rig.Clock.NowMicroseconds(), 0u);
    EXPECT_THAT(rig.TraceLines(), ElementsAre("D 0"));
}

// Whatever the starting point — a millisecond boundary, just before one, or just before the
// 32-bit count wraps — the wait is never shorter than asked and at most a tick longer.
TEST(DelayMsTest, WaitsAtLeastTheTimeAskedAnywhereIncludingAcrossTheClockWrap) {
    const std::uint64_t wrap = kClockWrapMs * kMicrosecondsPerMs;
    for (const std::uint64_t start : {std::uint64_t{0}, std::uint64_t{500}, std::uint64_t{999},
                                      wrap - 3000, wrap - 1, wrap - 10 * kMicrosecondsPerMs}) {
        for (const std::uint32_t ms : {1u, 2u, 10u}) {
            TPinRig rig;
            rig.Clock.Advance(start);
            rig.Pins.DelayMs(ms);
            const std::uint64_t waited = rig.Clock.NowMicroseconds() - start;
            EXPECT_GE(waited, ms * kMicrosecondsPerMs) << start << " " << ms;
            EXPECT_LE(waited, (ms + 1) * kMicrosecondsPerMs + 2) << start << " " << ms;
        }
    }
}

TEST(StopwatchTest, MeasuresAcrossTheClockWrap) {
    TPinRig rig;
    rig.Clock.Advance((kClockWrapMs - 5) * kMicrosecondsPerMs);
    rig.Pins.StartStopwatch();
    rig.Clock.Advance(10 * kMicrosecondsPerMs);
    EXPECT_EQ(rig.Pins.StopwatchMs(), 10u);
}

}  // namespace
}  // namespace vantrel
