#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>
#include <thread>

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

// The fast timing: each level once, the data only when it changes, and no read once the
// register is known.
TEST(FastClockBitTest, WritesEachLevelOnceAndTheDataOnlyWhenItChanges) {
    TPinRig rig;
    rig.Settings.Timing = TTimingProfile::Fast;
    rig.Port.Registers[kDataRegister] = 0xA0;
    rig.Port.ClearRecord();
    rig.Pins.ClockBit(true);
    rig.Pins.ClockBit(true);
    rig.Pins.ClockBit(false);
    EXPECT_THAT(rig.TraceLines(),
                ElementsAre("R 378 A0", "W 378 A2", "W 378 A3", "W 378 A1",  // first bit: 1
                            "W 378 A3", "W 378 A1",                          // 1 again
                            "W 378 A3", "W 378 A2", "W 378 A0"));            // 0
    EXPECT_THAT(ClockedBits(rig.Port, rig.Settings.Wiring), ElementsAre(1, 1, 0));
}

// Lines on two registers, the data line inverted: each register is read once, and a change of
// the port base starts from the new registers' contents.
TEST(FastClockBitTest, KeepsEachRegistersOtherBitsAndFollowsTheBase) {
    TPinRig rig;
    rig.Settings.Timing = TTimingProfile::Fast;
    rig.Settings.Wiring.PinDataOut = {9, true};  // AutoLF
    rig.Port.Registers[kDataRegister] = 0x5C;
    rig.Port.Registers[kControlRegister] = 0xC4;
    rig.Port.ClearRecord();
    rig.Pins.ClockBit(true);
    rig.Pins.ClockBit(false);
    EXPECT_THAT(rig.TraceLines(), ElementsAre("R 378 5C", "W 378 5E", "R 37A C4", "W 37A C4",
                                              "W 378 5C", "W 378 5E", "W 37A C6", "W 378 5C"));
    EXPECT_THAT(ClockedBits(rig.Port, rig.Settings.Wiring), ElementsAre(1, 0));

    rig.Bus.Attach(0x278, std::make_unique<test::TRecordingPort>(0x278, rig.Clock));
    rig.Settings.PortBase = 0x278;
    rig.ClearRecord();
    rig.Pins.SetClock(true);
    EXPECT_THAT(rig.TraceLines(), ElementsAre("R 278 00", "W 278 02"));
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

TEST(DelayMicrosecondsTest, WaitsAtLeastTheTimeAskedAndTracesIt) {
    for (const std::uint32_t microseconds : {1u, 99u, 100u, 101u, 1200u, 4321u}) {
        TPinRig rig;
        rig.Clock.Advance(777);
        rig.Pins.DelayMicroseconds(microseconds);
        const std::uint64_t waited = rig.Clock.NowMicroseconds() - 777;
        EXPECT_GE(waited, microseconds);
        EXPECT_LE(waited, microseconds + 2u);
        EXPECT_THAT(rig.TraceLines(), ElementsAre("U " + std::to_string(microseconds)));
    }
    TPinRig rig;
    rig.Pins.DelayMicroseconds(0);
    EXPECT_EQ(rig.Clock.NowMicroseconds(), 0u) << "no clock read";
}

// The real clock: a wait sleeps rather than spins, and still never ends early.
struct TRealClockPins {
    THardwareSettings Settings;
    TPortBus Bus;
    TSystemClock Clock;
    TPinLayer Pins{Settings, Bus, Clock};
};

std::uint64_t NowMicroseconds(clockid_t clock) {
    timespec now{};
    ::clock_gettime(clock, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000u +
           static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
}

TEST(DelayMsTest, OnTheRealClockUsesLittleProcessorTimeAndNeverEndsEarly) {
    constexpr std::uint32_t kWaitMs = 200;
    TRealClockPins rig;
    const std::uint64_t wallStart = NowMicroseconds(CLOCK_MONOTONIC);
    const std::uint64_t cpuStart = NowMicroseconds(CLOCK_THREAD_CPUTIME_ID);
    rig.Pins.DelayMs(kWaitMs);
    const std::uint64_t cpu = NowMicroseconds(CLOCK_THREAD_CPUTIME_ID) - cpuStart;
    const std::uint64_t wall = NowMicroseconds(CLOCK_MONOTONIC) - wallStart;
    EXPECT_GE(wall, kWaitMs * kMicrosecondsPerMs);
    EXPECT_LT(cpu, kWaitMs * kMicrosecondsPerMs / 10) << "less than a tenth of one core";
}

TEST(DelayMsTest, ALongWaitStopsSoonAfterAStopIsRequested) {
    constexpr std::uint32_t kWaitMs = 500;
    constexpr std::uint64_t kRequestAfterMs = 50;
    TRealClockPins rig;
    TStopToken stop;
    rig.Pins.SetStopToken(&stop);
    std::uint64_t requestedAt = 0;
    std::thread requester([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(kRequestAfterMs));
        requestedAt = NowMicroseconds(CLOCK_MONOTONIC);
        stop.Request();
    });
    bool stopped = false;
    try {
        rig.Pins.DelayMs(kWaitMs);
    } catch (const TOperationStopped& s) {
        stopped = s.Reason == TStopToken::kCancelled;
    }
    const std::uint64_t endedAt = NowMicroseconds(CLOCK_MONOTONIC);
    requester.join();
    EXPECT_TRUE(stopped);
    // The wait checks between sleeps of 2 ms; a loaded machine may wake it later, but nowhere
    // near the 450 ms the wait had left.
    EXPECT_LT(endedAt - requestedAt, 100 * kMicrosecondsPerMs);
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
