#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <deque>

#include "device/device_selection.h"
#include "hardware/serial_protocol.h"
#include "hardware/serial_protocol18.h"
#include "support/recording_port.h"

namespace vantrel {
namespace {

using test::ClockedBits;
using test::ClockPeriods;
using test::TPinRig;
using testing::Each;
using testing::ElementsAre;
using testing::ElementsAreArray;

const TPicDevice& Device(std::string_view name) {
    return DeviceTable.at(FindDeviceByName(name).value());
}

std::vector<int> Repeat(int bit, std::size_t count) {
    return std::vector<int>(count, bit);
}

std::vector<int> Concat(std::initializer_list<std::vector<int>> parts) {
    std::vector<int> all;
    for (const auto& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

// The target drives the data-in line with `word`, least significant bit first, one bit per
// sample.
void DriveDataIn(TPinRig& rig, std::uint32_t word) {
    auto bits = std::make_shared<std::deque<bool>>();
    for (int bit = 0; bit < 32; ++bit) {
        bits->push_back(((word >> bit) & 1u) != 0);
    }
    rig.Port.Status = [bits](const test::TRecordingPort&) -> std::uint8_t {
        const bool bit = !bits->empty() && bits->front();
        if (!bits->empty()) {
            bits->pop_front();
        }
        return bit ? 0x40 : 0x00;
    };
}

// Every sample of the data-in line comes after a falling clock edge.
void ExpectSamplesAfterFallingEdge(const TPinRig& rig) {
    bool clockHigh = false;
    for (const auto& access : rig.Port.Accesses) {
        if (access.Kind == 'W' && access.Address == 0x378) {
            clockHigh = (access.Value & 0x02) != 0;
        }
        if (access.Kind == 'R' && access.Address == 0x379) {
            EXPECT_FALSE(clockHigh);
        }
    }
}

TEST(SendCommandTest, SendsTheLowSixBitsLeastSignificantFirst) {
    TPinRig rig;
    SendCommand(rig.Pins, 6);
    EXPECT_THAT(ClockedBits(rig.Port, rig.Settings.Wiring), ElementsAre(0, 1, 1, 0, 0, 0));
    rig.ClearRecord();
    SendCommand(rig.Pins, 0xE1);  // upper bits are not sent
    EXPECT_THAT(ClockedBits(rig.Port, rig.Settings.Wiring), ElementsAre(1, 0, 0, 0, 0, 1));
}

TEST(LoadDataTest, FramesFourteenBitsBetweenStartAndStopAndIgnoresTheTopTwo) {
    const std::vector<int> allOnes = Concat({{0}, Repeat(1, 14), {0}});
    for (const std::uint16_t word : {0x3FFF, 0xFFFF}) {
        TPinRig rig;
        LoadData(rig.Pins, word);
        EXPECT_THAT(ClockedBits(rig.Port, rig.Settings.Wiring), ElementsAreArray(allOnes));
    }
    TPinRig rig;
    LoadData(rig.Pins, 0x2005);
    EXPECT_THAT(ClockedBits(rig.Port, rig.Settings.Wiring),
                ElementsAre(0, 1, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0));
}

// Stuck high, both readers return every bit their frame carries; stuck low, none.
TEST(ReadFrameTest, StuckDataLineGivesAllOnesOrZero) {
    const std::vector<std::pair<std::uint16_t (*)(TPinLayer&), std::uint16_t>> readers{
        {ReadData, 0x3FFF}, {TableReadWord, 0xFFFF}};
    for (const auto& [read, allOnes] : readers) {
        for (const bool high : {true, false}) {
            TPinRig rig;
            rig.SetDataInBit(high);
            EXPECT_EQ(read(rig.Pins), high ? allOnes : 0) << allOnes << " " << high;
        }
    }
}

TEST(ReadDataTest, AssemblesTheWordLeastSignificantBitFirstFromSamplesAfterFallingEdges) {
    TPinRig rig;
    DriveDataIn(rig, 0x2A5C);
    EXPECT_EQ(ReadData(rig.Pins), 0x2A5C);
    ExpectSamplesAfterFallingEdge(rig);
    // 16 clocks, all with the data line released for the target.
    EXPECT_THAT(ClockedBits(rig.Port, rig.Settings.Wiring), ElementsAreArray(Repeat(1, 16)));
}

TEST(SetProgramModeTest, EntryIsVddThenVppAndExitTheReverseWithClockAndDataLow) {
    TPinRig rig;  // default wiring; Vdd, Vpp, MCLR inverted: off is a set bit
    rig.Port.Registers[kDataRegister] = 0x3F;
    SetProgramMode(rig.Pins, Device("16F84A"), true);
    EXPECT_THAT(rig.TraceLines(), ElementsAre("R 378 3F", "W 378 3D",  // clock low
                                              "R 378 3D", "W 378 3C",  // data low
                                              "R 378 3C", "W 378 38",  // Vdd on
                                              "D 10",                  //
                                              "R 378 38", "W 378 30",  // Vpp on
                                              "R 378 30", "W 378 10",  // MCLR follows
                                              "D 10"));
    rig.ClearRecord();
    SetProgramMode(rig.Pins, Device("16F84A"), false);
    EXPECT_THAT(rig.TraceLines(),
                ElementsAre("R 378 10", "W 378 10", "R 378 10", "W 378 10",  // clock, data low
                            "R 378 10", "W 378 18", "R 378 18", "W 378 38",  // Vpp, MCLR off
                            "D 10",                                          //
                            "R 378 38", "W 378 3C",                          // Vdd off
                            "D 10"));
}

TEST(SetProgramModeTest, FortyPinPartsSwitchVpp40AndNeverTouchTheVppLine) {
    for (const std::uint8_t start : {0x00, 0x3F}) {
        TPinRig rig;
        rig.Port.Registers[kDataRegister] = start;
        SetProgramMode(rig.Pins, Device("16F877"), true);
        EXPECT_EQ(rig.Port.Registers[kDataRegister] & 0x14, 0x00);  // Vdd and Vpp40 on
        SetProgramMode(rig.Pins, Device("16F877"), false);
        EXPECT_EQ(rig.Port.Registers[kDataRegister] & 0x14, 0x14);
        for (const auto& access : rig.Port.Accesses) {
            EXPECT_EQ(access.Value & 0x08, start & 0x08);  // Vpp on D3
        }
    }
    // From all off: Vdd (D2) comes on before Vpp40 (D4), and goes off after it.
    TPinRig rig;
    rig.Port.Registers[kDataRegister] = 0x3F;
    SetProgramMode(rig.Pins, Device("16F877"), true);
    SetProgramMode(rig.Pins, Device("16F877"), false);
    std::vector<std::string> changes;
    std::uint8_t previous = 0x3F;
    for (const auto& access : rig.Port.Accesses) {
        if (access.Kind == 'W') {
            if ((access.Value ^ previous) & 0x04) {
                changes.push_back(access.Value & 0x04 ? "Vdd off" : "Vdd on");
            }
            if ((access.Value ^ previous) & 0x10) {
                changes.push_back(access.Value & 0x10 ? "Vpp40 off" : "Vpp40 on");
            }
            previous = access.Value;
        }
    }
    EXPECT_THAT(changes, ElementsAre("Vdd on", "Vpp40 on", "Vpp40 off", "Vdd off"));
}

TEST(SetProgramModeTest, NoSettleTimeReadsNoClock) {
    TPinRig rig;
    rig.Settings.VppDelay = 0;
    SetProgramMode(rig.Pins, Device("16F84A"), true);
    SetProgramMode(rig.Pins, Device("16F84A"), false);
    // Only the port accesses themselves took time.
    EXPECT_EQ(rig.Clock.NowMicroseconds(), rig.Port.Accesses.size());
}

struct TFrame18 {
    int Command;
    std::uint16_t Payload;
    bool operator==(const TFrame18&) const = default;
};

std::vector<TFrame18> Frames18(const std::vector<int>& bits) {
    std::vector<TFrame18> frames;
    for (std::size_t start = 0; start + 20 <= bits.size(); start += 20) {
        TFrame18 frame{0, 0};
        for (int bit = 0; bit < 4; ++bit) {
            frame.Command |= bits[start + bit] << bit;
        }
        for (int bit = 0; bit < 16; ++bit) {
            frame.Payload =
                static_cast<std::uint16_t>(frame.Payload | bits[start + 4 + bit] << bit);
        }
        frames.push_back(frame);
    }
    EXPECT_EQ(bits.size() % 20, 0u);
    return frames;
}

TEST(SendCommand18Test, SendsFourCommandBitsThenSixteenPayloadBits) {
    TPinRig rig;
    SendCommand18(rig.Pins, 13, 0x1234);
    EXPECT_THAT(ClockedBits(rig.Port, rig.Settings.Wiring),
                ElementsAre(1, 0, 1, 1, 0, 0, 1, 0, 1, 1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0));
}

TEST(SetTablePointerTest, LoadsUpperHighLowThroughCoreInstructions) {
    TPinRig rig;
    SetTablePointer(rig.Pins, 0x3C0004);
    EXPECT_THAT(Frames18(ClockedBits(rig.Port, rig.Settings.Wiring)),
                ElementsAre(TFrame18{0, 0x0E3C}, TFrame18{0, 0x6EF8}, TFrame18{0, 0x0E00},
                            TFrame18{0, 0x6EF7}, TFrame18{0, 0x0E04}, TFrame18{0, 0x6EF6}));
}

TEST(TableReadTest, LowByteComesFirst) {
    TPinRig rig;
    DriveDataIn(rig, 0xA53C);  // low byte 0x3C first
    EXPECT_EQ(TableReadWord(rig.Pins), 0xA53C);
    ExpectSamplesAfterFallingEdge(rig);
}

// Table read idles with the data line low, shift-out-TABLAT with it high; both release it for
// the eight data clocks.
TEST(TableReadTest, ByteFramesIdleAtTheirCommandsLevel) {
    TPinRig rig;
    (void)TableReadWord(rig.Pins);
    const std::vector<int> readFrame = Concat({{1, 0, 0, 1}, Repeat(0, 8), Repeat(1, 8)});
    EXPECT_THAT(ClockedBits(rig.Port, rig.Settings.Wiring),
                ElementsAreArray(Concat({readFrame, readFrame})));
    rig.ClearRecord();
    DriveDataIn(rig, 0x96);
    EXPECT_EQ(ShiftOutTablat(rig.Pins), 0x96);
    EXPECT_THAT(ClockedBits(rig.Port, rig.Settings.Wiring),
                ElementsAreArray(Concat({{0, 1, 0, 0}, Repeat(1, 16)})));
}

TEST(LoadEepromByte18Test, NewerPartsGetOneMoreNop) {
    const std::vector<TFrame18> common{{0, 0x9EA6}, {0, 0x9CA6}, {0, 0x0E34},
                                       {0, 0x6EA9}, {0, 0x0E12}, {0, 0x6EAA},
                                       {0, 0x80A6}, {0, 0x50A8}, {0, 0x6EF5}};
    TPinRig rig;
    LoadEepromByte18(rig.Pins, Device("18F452"), 0x1234);
    EXPECT_THAT(Frames18(ClockedBits(rig.Port, rig.Settings.Wiring)), ElementsAreArray(common));
    rig.ClearRecord();
    LoadEepromByte18(rig.Pins, Device("18F4550"), 0x1234);
    std::vector<TFrame18> withNop = common;
    withNop.push_back({0, 0x0000});
    EXPECT_THAT(Frames18(ClockedBits(rig.Port, rig.Settings.Wiring)), ElementsAreArray(withNop));
}

TEST(ProgramNopTest, HoldsTheFourthClockHighForTheProgrammingTime) {
    TPinRig rig;
    ProgramNop(rig.Pins, 2);
    const std::vector<test::TClockPeriod> periods = ClockPeriods(rig.Port, rig.Settings.Wiring);
    ASSERT_EQ(periods.size(), 20u);
    EXPECT_GE(periods[3].HighMicroseconds, 2000u);
    for (std::size_t i = 0; i < periods.size(); ++i) {
        EXPECT_FALSE(periods[i].Data) << i;
        if (i != 3) {
            EXPECT_LT(periods[i].HighMicroseconds, 10u) << i;
        }
    }
    EXPECT_THAT(rig.TraceLines(), testing::Contains("D 2"));
}

// The chip discharges its programming voltage while the clock is low after the pulse; the
// payload clocks must not start before that.
TEST(ProgramNopTest, KeepsTheClockLowForTheDischargeTimeAfterThePulse) {
    TPinRig rig;
    ProgramNop(rig.Pins, 1);
    std::vector<std::uint64_t> falls;
    std::vector<std::uint64_t> rises;
    bool clock = false;
    for (const auto& access : rig.Port.Accesses) {
        if (access.Kind == 'W' && access.Address == 0x378) {
            const bool now = (access.Value & 0x02) != 0;
            if (now != clock) {
                (now ? rises : falls).push_back(access.Microseconds);
            }
            clock = now;
        }
    }
    ASSERT_GE(falls.size(), 5u);
    ASSERT_GE(rises.size(), 5u);
    EXPECT_GE(rises[4] - falls[3], 1000u * kDischargeMs);
}

}  // namespace
}  // namespace vantrel
