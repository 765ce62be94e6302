#pragma once

// The simulated programmer bench the end-to-end tests share: the programmer's own routines
// against the simulated board and chip, with an image that touches every region.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "device/device_table.h"
#include "hardware/pin_layer.h"
#include "programming/fast_timing.h"
#include "programming/programmer.h"
#include "programming/programming_rig.h"
#include "sim/sim_chip_state.h"
#include "sim/simulated_board.h"

namespace vantrel::test {

// A clock read costs this much virtual time, so the waits of a large chip spin a few thousand
// times rather than millions; every wait still lasts at least what it asks for. The fast
// timing's waits are a few microseconds over the chips' times, so its clock reads cost what a
// port access does.
inline constexpr std::uint64_t kClockReadMicroseconds = 50;
inline constexpr std::uint64_t kFastClockReadMicroseconds = 1;

inline constexpr std::uint16_t kOscillatorXt = 0x0001;
inline constexpr std::uint8_t kSlowPartProgDelay = 15;

// The programmer, its board and one chip in the socket, with the program's default settings
// and the timing asked for. The fast timing's times may be replaced, to show that the chips
// notice a time cut short.
struct TBench {
    explicit TBench(std::uint8_t deviceIndex, TTimingProfile timing = TTimingProfile::Standard,
                    const TFastTimings& fastTimings = DefaultFastTimings())
        : Clock(0, timing == TTimingProfile::Fast ? kFastClockReadMicroseconds
                                                  : kClockReadMicroseconds),
          Programmer(Session, Pins, Ui, fastTimings) {
        Settings.Timing = timing;
        // The 16F627/628 need 13 ms for an erase and write cycle: the user sets "Prog Delay"
        // above the default of 10 ms for them.
        const std::string_view name = DeviceTable.at(deviceIndex).Name;
        if (name == "16F627" || name == "16F628") {
            Settings.ProgDelay = kSlowPartProgDelay;
        }
        Session.Config.ChangeDevice(deviceIndex);
        Session.Hardware = Settings;
        Board.InsertChip(deviceIndex);
    }
    TBench(const TBench&) = delete;
    TBench& operator=(const TBench&) = delete;

    [[nodiscard]] const TPicDevice& Device() const { return Session.Device.Device(); }
    [[nodiscard]] TDeviceImage& Image() { return Session.Device.Image; }
    [[nodiscard]] TSimChipState& Chip() { return Board.ChipState(); }

    // A second programmer session on the same board, as a later run of the program would be.
    void NewSession() {
        const std::uint8_t index = Session.Device.CurrentDevice;
        Session.Config.ChangeDevice(index);
        Session.Options = {};
        Ui = {};
    }

    [[nodiscard]] bool PoweredDown() const {
        const TSocketLevels levels = Board.Socket();
        return !levels.Vdd && !levels.Vpp && !levels.Vpp40;
    }

    TVirtualClock Clock;
    TSimulatedBoard Board{Clock};
    THardwareSettings Settings;
    TPinLayer Pins{Settings, Board, Clock};
    TVantrelSession Session;
    TRecordingUi Ui;
    TProgrammer Programmer;
};

inline std::string Describe(TBench& bench) {
    return std::string(bench.Device().Name) + ": " + bench.Board.Violations().Describe();
}

// A configuration word that programs nothing dangerous: no code or data protection, no write
// protection, an external oscillator (so a part with MCLR off still enters programming mode),
// and the watchdog off where it sits.
inline std::uint16_t SafeConfigWord(const TPicDevice& device) {
    auto word = static_cast<std::uint16_t>(device.ConfigMask & ~(0x0003u | device.Fosc2Mask));
    word |= kOscillatorXt;
    if (!device.WdtFuse.Inverted) {
        word = static_cast<std::uint16_t>(word & ~device.WdtFuse.Mask);
    }
    return static_cast<std::uint16_t>(word & device.ConfigMask);
}

// An image that touches every region the device has: program words at the start, in the middle
// and near the end with gaps between, data EEPROM with a gap, IDs, configuration. The
// calibration word is left to the chip.
inline void FillTestImage(TBench& bench) {
    const TPicDevice& device = bench.Device();
    TDeviceImage& image = bench.Image();
    const auto word = [&](std::size_t i) {
        return static_cast<std::uint16_t>((0x1234 + 0x0101 * i) & device.BlankWord & 0x7FFE);
    };
    const std::size_t size = device.ProgramSize;
    for (std::size_t i = 0; i < 9; ++i) {
        image.ProgramBuffer[i] = word(i);
    }
    for (std::size_t i = size / 2; i < size / 2 + 5; ++i) {
        image.ProgramBuffer[i] = word(i);
    }
    image.ProgramBuffer[size - 2] = word(size);
    for (std::size_t i = 0; i < device.EepromSize; i += 3) {
        if (i != 9) {
            image.DataBuffer[i] = static_cast<std::uint16_t>((0x11 * i + 1) & 0xFF);
        }
    }
    if (IsPic18(device)) {
        for (std::size_t i = 0; i < 8; ++i) {
            image.IdBuffer[i] = static_cast<std::uint16_t>(0xA1 + i);
        }
        image.Config18[1] = 0xFEFF;  // CONFIG2H: watchdog off
    } else {
        image.IdBuffer[0] = 0x12;
        image.IdBuffer[1] = 0x34;
        image.IdBuffer[2] = 0x56;
        image.IdBuffer[3] = 0x78 & 0x7F;
        image.ConfigWord1 = SafeConfigWord(device);
        image.ConfigWord2 = device.Config2Mask & 0x0002;
        bench.Session.Config.UpdateConfig();
    }
}

// What the chip must hold after writing `image` into a fresh chip.
inline TSimChipState ExpectedChip(const TBench& bench, const TDeviceImage& image) {
    const TPicDevice& device = bench.Device();
    TSimChipState chip = FactoryFreshChip(bench.Session.Device.CurrentDevice);
    for (std::size_t i = 0; i < device.ProgramSize; ++i) {
        if (!HasCalibrationWord(device) || i != device.CalibrationAddress) {
            chip.Program[i] = image.ProgramBuffer[i];
        }
    }
    for (std::size_t i = 0; i < device.EepromSize; ++i) {
        chip.Data[i] = static_cast<std::uint8_t>(image.DataBuffer[i]);
    }
    for (std::size_t i = 0; i < chip.Ids.size(); ++i) {
        chip.Ids[i] = image.IdBuffer[i];
    }
    if (IsPic18(device)) {
        for (std::size_t n = 0; n < kConfig18Words; ++n) {
            chip.Config[2 * n] = image.Config18[n] & 0xFF;
            chip.Config[2 * n + 1] = image.Config18[n] >> 8;
        }
    } else {
        // The band-gap bits stay the chip's own.
        const auto bandGap = static_cast<std::uint16_t>(device.Bg0Fuse.Mask | device.Bg1Fuse.Mask);
        chip.Config[0] =
            static_cast<std::uint16_t>((image.ConfigWord1 & ~bandGap) | (chip.Config[0] & bandGap));
        if (chip.Config.size() > 1) {
            chip.Config[1] = image.ConfigWord2;
        }
    }
    return chip;
}

inline void ExpectSameCells(const TSimChipState& actual, const TSimChipState& expected) {
    EXPECT_EQ(actual.Program, expected.Program);
    EXPECT_EQ(actual.Data, expected.Data);
    EXPECT_EQ(actual.Ids, expected.Ids);
    EXPECT_EQ(actual.Config, expected.Config);
}

inline TSimFaults Faults(bool TSimFaults::*fault) {
    TSimFaults faults;
    faults.*fault = true;
    return faults;
}

// Write, Verify, Read and Erase of the bench's device: the chip holds what was written, Verify
// and Read agree with it, Erase leaves it blank, and the chip saw no violation.
inline void ExpectEveryOperationAgreesWithTheChip(TBench& bench) {
    const std::uint8_t index = bench.Session.Device.CurrentDevice;
    const TPicDevice& device = bench.Device();
    SCOPED_TRACE(std::string(device.Name));
    FillTestImage(bench);

    bench.Programmer.WritePIC(true);
    ASSERT_TRUE(bench.Board.Violations().Empty()) << Describe(bench);
    ASSERT_TRUE(bench.Programmer.OperationOk) << testing::PrintToString(bench.Ui.Messages);
    EXPECT_THAT(bench.Ui.Messages, testing::IsEmpty());
    EXPECT_THAT(bench.Ui.Statuses.back(), testing::HasSubstr(" program words written in "));
    EXPECT_TRUE(bench.PoweredDown());
    const TDeviceImage written = bench.Image();
    ExpectSameCells(bench.Chip(), ExpectedChip(bench, written));
    if (const auto calibration = FactoryCalibrationWord(index)) {
        EXPECT_EQ(written.ProgramBuffer[device.CalibrationAddress], *calibration)
            << "the chip's calibration word came into the image and went back";
    }

    bench.Programmer.VerifyPIC();
    EXPECT_TRUE(bench.Board.Violations().Empty()) << Describe(bench);
    EXPECT_EQ(bench.Ui.Statuses.back(), "Verify Successful!");
    EXPECT_TRUE(bench.PoweredDown());

    bench.NewSession();
    bench.Programmer.ReadPIC();
    EXPECT_TRUE(bench.Board.Violations().Empty()) << Describe(bench);
    EXPECT_TRUE(bench.Image() == written) << "Read gives back what was written";
    EXPECT_TRUE(bench.PoweredDown());

    if (IsEprom(device)) {
        EXPECT_FALSE(bench.Programmer.ErasePIC());
        return;
    }
    bench.NewSession();
    ASSERT_TRUE(bench.Programmer.ErasePIC());
    EXPECT_TRUE(bench.Board.Violations().Empty()) << Describe(bench);
    EXPECT_EQ(bench.Ui.Statuses.back(), "Target PIC Erased!");
    ExpectSameCells(bench.Chip(), FactoryFreshChip(index));
    EXPECT_TRUE(bench.PoweredDown());
}

inline std::vector<std::uint8_t> AllDevices() {
    std::vector<std::uint8_t> indexes(kDeviceCount);
    for (std::size_t i = 0; i < kDeviceCount; ++i) {
        indexes[i] = static_cast<std::uint8_t>(i);
    }
    return indexes;
}

inline std::uint8_t Index(std::string_view name) {
    for (std::size_t i = 0; i < kDeviceCount; ++i) {
        if (DeviceTable[i].Name == name) {
            return static_cast<std::uint8_t>(i);
        }
    }
    throw std::invalid_argument(std::string(name));
}

}  // namespace vantrel::test
