// Every operation on every device against the simulated programmer board: the chip's cells are
// what the image says, Verify and Read agree with them, Erase leaves a blank chip, and no
// simulated chip saw a protocol or timing violation. Then the faults of a bench: no chip, a
// stuck data line, a word that will not program, a chip that is not blank, code protection.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "device/device_id.h"
#include "device/device_table.h"
#include "hardware/pin_layer.h"
#include "programming/programmer.h"
#include "programming/programming_rig.h"
#include "sim/sim_chip_state.h"
#include "sim/simulated_board.h"

namespace vantrel {
namespace {

using test::TRecordingUi;
using testing::ElementsAre;
using testing::IsEmpty;
using testing::StartsWith;

// A clock read costs this much virtual time, so the waits of a large chip spin a few thousand
// times rather than millions; every wait still lasts at least what it asks for.
constexpr std::uint64_t kClockReadMicroseconds = 50;

constexpr std::uint16_t kOscillatorXt = 0x0001;
constexpr std::uint8_t kSlowPartProgDelay = 15;

// The programmer, its board and one chip in the socket, with the program's default settings.
struct TBench {
    explicit TBench(std::uint8_t deviceIndex) {
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

    TVirtualClock Clock{0, kClockReadMicroseconds};
    TSimulatedBoard Board{Clock};
    THardwareSettings Settings;
    TPinLayer Pins{Settings, Board, Clock};
    TVantrelSession Session;
    TRecordingUi Ui;
    TProgrammer Programmer{Session, Pins, Ui};
};

std::string Describe(TBench& bench) {
    return std::string(bench.Device().Name) + ": " + bench.Board.Violations().Describe();
}

// A configuration word that programs nothing dangerous: no code or data protection, no write
// protection, an external oscillator (so a part with MCLR off still enters programming mode),
// and the watchdog off where it sits.
std::uint16_t SafeConfigWord(const TPicDevice& device) {
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
void FillTestImage(TBench& bench) {
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
TSimChipState ExpectedChip(const TBench& bench, const TDeviceImage& image) {
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

void ExpectSameCells(const TSimChipState& actual, const TSimChipState& expected) {
    EXPECT_EQ(actual.Program, expected.Program);
    EXPECT_EQ(actual.Data, expected.Data);
    EXPECT_EQ(actual.Ids, expected.Ids);
    EXPECT_EQ(actual.Config, expected.Config);
}

TSimFaults Faults(bool TSimFaults::*fault) {
    TSimFaults faults;
    faults.*fault = true;
    return faults;
}

class EndToEndTest : public testing::TestWithParam<std::uint8_t> {};

TEST_P(EndToEndTest, WriteVerifyReadAndEraseAgreeWithTheChip) {
    TBench bench(GetParam());
    const TPicDevice& device = bench.Device();
    SCOPED_TRACE(std::string(device.Name));
    FillTestImage(bench);

    bench.Programmer.WritePIC(true);
    ASSERT_TRUE(bench.Board.Violations().Empty()) << Describe(bench);
    ASSERT_TRUE(bench.Programmer.OperationOk) << testing::PrintToString(bench.Ui.Messages);
    EXPECT_THAT(bench.Ui.Messages, IsEmpty());
    EXPECT_THAT(bench.Ui.Statuses.back(), testing::HasSubstr(" program words written in "));
    EXPECT_TRUE(bench.PoweredDown());
    const TDeviceImage written = bench.Image();
    ExpectSameCells(bench.Chip(), ExpectedChip(bench, written));
    if (const auto calibration = FactoryCalibrationWord(GetParam())) {
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
    ExpectSameCells(bench.Chip(), FactoryFreshChip(GetParam()));
    EXPECT_TRUE(bench.PoweredDown());
}

std::vector<std::uint8_t> AllDevices() {
    std::vector<std::uint8_t> indexes(kDeviceCount);
    for (std::size_t i = 0; i < kDeviceCount; ++i) {
        indexes[i] = static_cast<std::uint8_t>(i);
    }
    return indexes;
}

INSTANTIATE_TEST_SUITE_P(EveryDevice, EndToEndTest, testing::ValuesIn(AllDevices()),
                         [](const testing::TestParamInfo<std::uint8_t>& info) {
                             return "PIC" + std::string(DeviceTable.at(info.param).Name);
                         });

std::uint8_t Index(std::string_view name) {
    for (std::size_t i = 0; i < kDeviceCount; ++i) {
        if (DeviceTable[i].Name == name) {
            return static_cast<std::uint8_t>(i);
        }
    }
    throw std::invalid_argument(std::string(name));
}

// One device of each write routine, for the faults.
const std::vector<std::string_view> kFaultDevices{"16F84A", "16F877A", "16F628A", "12F675", "16F88",
                                                  "18F452", "18F4550", "12C509",  "16C622A"};

// A part with a device ID finds the empty socket before it writes; the others learn it from
// the first read-back.
TEST(EndToEndFaultTest, NoChipInTheSocketFailsTheWrite) {
    for (const std::string_view name : kFaultDevices) {
        TBench bench(Index(name));
        bench.Board.LoadSocket(FactoryFreshChip(Index(name)), Faults(&TSimFaults::NoChip));
        FillTestImage(bench);
        bench.Programmer.WritePIC(true);
        EXPECT_FALSE(bench.Programmer.OperationOk) << name;
        ASSERT_FALSE(bench.Ui.Messages.empty()) << name;
        if (DeviceIdFacts(bench.Device())) {
            const std::string allOnes = IsPic18(bench.Device()) ? "0xFFFF" : "0x3FFF";
            EXPECT_THAT(bench.Ui.Messages,
                        ElementsAre("No chip answers (device ID " + allOnes +
                                    "): check that the chip sits in the socket and the "
                                    "programmer has power"))
                << name;
            EXPECT_EQ(bench.Ui.Statuses.back(), "Write ABORTED!");
        } else {
            // An EPROM part goes on to its verify pass, which reports the same address again.
            EXPECT_THAT(bench.Ui.Messages[0],
                        testing::MatchesRegex("Program Verify (failed|Error) at Program address "
                                              "0x000.*"))
                << name;
            EXPECT_THAT(bench.Ui.Statuses.back(), StartsWith("VERIFY FAILED! - Elapsed time = "));
        }
        EXPECT_TRUE(bench.PoweredDown()) << name;
    }
}

// A data line stuck either way reads as a device ID of all ones or all zeros: no chip answers.
TEST(EndToEndFaultTest, StuckDataLineFailsTheWriteAndTheVerifyBeforeTheyStart) {
    for (const bool high : {false, true}) {
        TBench bench(Index("16F877"));
        bench.Board.Faults().DataStuck = high;
        FillTestImage(bench);
        const TSimChipState before = bench.Chip();
        bench.Programmer.WritePIC(true);
        EXPECT_FALSE(bench.Programmer.OperationOk);
        const std::string message = std::string("No chip answers (device ID ") +
                                    (high ? "0x3FFF" : "0x0000") +
                                    "): check that the chip sits in the socket and the "
                                    "programmer has power";
        EXPECT_THAT(bench.Ui.Messages, ElementsAre(message));
        EXPECT_TRUE(bench.Chip() == before) << "nothing was erased";
        bench.Programmer.VerifyPIC();
        EXPECT_EQ(bench.Ui.Statuses.back(), "Verify ABORTED!");
        EXPECT_FALSE(bench.Programmer.OperationOk);
        EXPECT_TRUE(bench.PoweredDown());
    }
}

TEST(EndToEndFaultTest, AWordThatWillNotProgramIsReportedAtItsAddress) {
    struct TCase {
        std::string_view Device;
        std::string_view Message;
    };
    for (const TCase& c : {
             TCase{"16F84A",
                   "Program Verify failed at Program address 0x005, Programming Aborted!"},
             TCase{"16F877A", "Program Verify Error at Program address 0x005"},
             TCase{"18F452", "Program Verify Error at Program address 0x005"},
             TCase{"12C671",
                   "Program Verify failed at Program address 0x005, Programming Aborted!"},
         }) {
        TBench bench(Index(c.Device));
        bench.Board.Faults().FailingWord = 5;
        FillTestImage(bench);
        bench.Programmer.WritePIC(true);
        EXPECT_FALSE(bench.Programmer.OperationOk) << c.Device;
        EXPECT_THAT(bench.Ui.Messages, testing::Contains(std::string(c.Message))) << c.Device;
        EXPECT_THAT(bench.Ui.Statuses.back(), StartsWith("VERIFY FAILED! - Elapsed time = "));
        EXPECT_TRUE(bench.PoweredDown()) << c.Device;
    }
}

// The blank check stops the Write before anything is written; the operation itself did not
// fail, as the window reports it.
TEST(EndToEndFaultTest, ANonBlankEpromChipIsLeftUntouched) {
    TBench bench(Index("12C509"));
    TSimChipState used = FactoryFreshChip(Index("12C509"));
    used.Program[0x100] = 0x0000;
    bench.Board.LoadSocket(used, {});
    FillTestImage(bench);
    bench.Programmer.WritePIC(true);
    EXPECT_THAT(bench.Ui.Messages,
                ElementsAre("Program memory not Blank\r\nFailed at address $0100\r\n"
                            "Programming Aborted!"));
    EXPECT_TRUE(bench.Programmer.OperationOk);
    EXPECT_TRUE(bench.Programmer.BlankCheckStopped);
    EXPECT_EQ(bench.Ui.Statuses.back(), "0 program words written in 0 secs.");
    EXPECT_TRUE(bench.Chip() == used);
    EXPECT_TRUE(bench.PoweredDown());
}

// A protected chip reads back nothing useful: Verify fails. A Write erases it first, which
// clears the protection, and then succeeds - on the calibrated parts only with a calibration
// value from the user, since the chip's own reads as 0. A protected EPROM part fails its blank
// check.
TEST(EndToEndFaultTest, CodeProtection) {
    for (const std::string_view name : {"16F84A", "16F877", "16F877A", "16F628A", "12F675", "16F88",
                                        "16F77", "18F452", "18F2550"}) {
        TBench bench(Index(name));
        bench.Board.LoadSocket(FactoryFreshChip(Index(name)), Faults(&TSimFaults::Protected));
        FillTestImage(bench);
        const std::optional<std::uint16_t> calibration = FactoryCalibrationWord(Index(name));
        bench.Programmer.VerifyPIC();
        EXPECT_EQ(bench.Ui.Statuses.back(), "Verify FAILED!") << name;
        EXPECT_FALSE(bench.Programmer.OperationOk) << name;

        bench.Ui = {};
        bench.Ui.CalibrationAnswer = calibration;
        bench.Programmer.WritePIC(true);
        EXPECT_TRUE(bench.Programmer.OperationOk)
            << name << testing::PrintToString(bench.Ui.Messages);
        EXPECT_FALSE(IsCodeProtected(bench.Chip())) << name;
        EXPECT_EQ(CalibrationWord(bench.Chip()), calibration) << name;
        EXPECT_TRUE(bench.Board.Violations().Empty()) << Describe(bench);
        EXPECT_TRUE(bench.PoweredDown()) << name;
    }
    TBench otp(Index("12C508"));
    otp.Ui.Answers = {true};  // the calibration question of a blank-looking chip
    otp.Board.LoadSocket(FactoryFreshChip(Index("12C508")), Faults(&TSimFaults::Protected));
    FillTestImage(otp);
    otp.Programmer.WritePIC(true);
    EXPECT_THAT(otp.Ui.Messages, ElementsAre("Config fuses not Blank\r\nProgramming Aborted!"));
    EXPECT_TRUE(otp.PoweredDown());
}

// A protected 12F629-family chip reads its calibration word as 0. Erasing it would lose the
// factory calibration for good, so without a value from the user nothing is erased; a value
// that is no RETLW is refused the same way; a good one is written back and said so.
TEST(EndToEndFaultTest, AProtectedCalibratedChipIsErasedOnlyWithAGoodCalibrationValue) {
    for (const std::string_view name : {"12F629", "12F675", "16F630", "16F676"}) {
        for (const TChipOperation operation : {TChipOperation::Write, TChipOperation::Erase}) {
            TBench bench(Index(name));
            bench.Board.LoadSocket(FactoryFreshChip(Index(name)), Faults(&TSimFaults::Protected));
            const TSimChipState protectedChip = bench.Chip();
            FillTestImage(bench);
            const auto run = [&] {
                if (operation == TChipOperation::Write) {
                    bench.Programmer.WritePIC(true);
                } else {
                    static_cast<void>(bench.Programmer.ErasePIC());
                }
            };
            const std::string aborted =
                operation == TChipOperation::Write ? "Write ABORTED!" : "Erase ABORTED!";
            run();
            EXPECT_FALSE(bench.Programmer.OperationOk) << name;
            EXPECT_TRUE(bench.Programmer.Declined) << name;
            EXPECT_THAT(bench.Ui.Questions,
                        testing::Contains(
                            testing::HasSubstr("The calibration word saved from 0x03FF is 0x0000")))
                << name;
            EXPECT_EQ(bench.Ui.Statuses.back(), aborted) << name;
            EXPECT_TRUE(bench.Chip() == protectedChip) << name << ": nothing was erased";

            bench.Ui = {};
            bench.Ui.CalibrationAnswer = 0x1234;
            run();
            EXPECT_THAT(bench.Ui.Messages,
                        ElementsAre("0x1234 is not a calibration value: it must be a RETLW "
                                    "instruction (0x34NN). Nothing was erased"))
                << name;
            EXPECT_TRUE(bench.Chip() == protectedChip) << name << ": nothing was erased";

            bench.Ui = {};
            bench.Ui.CalibrationAnswer = 0x3456;
            run();
            EXPECT_TRUE(bench.Programmer.OperationOk) << name;
            EXPECT_EQ(CalibrationWord(bench.Chip()), 0x3456) << name;
            EXPECT_THAT(bench.Ui.Statuses, testing::Contains("Calibration word 0x3456 given"));
            EXPECT_THAT(bench.Ui.Statuses,
                        testing::Contains("Calibration word 0x3456 written back"));
            EXPECT_TRUE(bench.Board.Violations().Empty()) << Describe(bench);
        }
    }
}

}  // namespace
}  // namespace vantrel
