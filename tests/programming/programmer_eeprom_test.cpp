#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <span>

#include "programming/programming_rig.h"

namespace vantrel {
namespace {

using test::AnswerReads;
using test::kRigProgDelay;
using test::TProgrammerRig;
using test::TProtocolScript;
using testing::ElementsAre;
using testing::IsEmpty;

constexpr std::uint16_t kBlank = 0x3FFF;

// A chip that reads back what the image holds: read k returns entry k of `entries`.
void AnswerWith(TProgrammerRig& rig, std::span<const std::uint16_t> entries) {
    AnswerReads(rig.Pins, [entries](std::size_t k) {
        return k < entries.size() ? entries[k] : std::uint16_t{0x3FFF};
    });
}

// A blank word is not loaded, only read back: a load command without its data frame would
// swallow the read, and the chip's word would never be checked.
TEST(ProgramChipTest, WritesUpToTheLastWordAndOnlyReadsBackBlankWords) {
    TProgrammerRig rig("16F84A");
    auto& program = rig.Image().ProgramBuffer;
    for (std::uint16_t address = 0; address <= 6; ++address) {
        program[address] = static_cast<std::uint16_t>(0x1000 + address);
    }
    program[5] = kBlank;
    AnswerWith(rig, program);
    rig.Programmer.ProgramChip(false);

    TProtocolScript expected;
    expected.On();
    for (std::uint16_t address = 0; address <= 6; ++address) {
        if (address != 5) {
            expected.Cmd(2).L(program[address]).Cmd(8).D(kRigProgDelay);
        }
        expected.Read(4).Inc();
    }
    expected.Off();
    EXPECT_EQ(rig.Difference(expected), "");
    EXPECT_EQ(rig.Programmer.WordsWritten, 6);
    EXPECT_TRUE(rig.Programmer.OperationOk);
    EXPECT_THAT(rig.Ui.Statuses, ElementsAre("Writing Program memory..."));
}

// The last non-blank word of a 1024-word part at 0x0FF: addresses 0..0x0FF only.
TEST(ProgramChipTest, NothingAfterTheLastNonBlankWordIsVisited) {
    TProgrammerRig eeprom("16F84A");
    eeprom.Image().ProgramBuffer[0x0FF] = 0x0123;
    AnswerWith(eeprom, eeprom.Image().ProgramBuffer);
    eeprom.Programmer.ProgramChip(false);
    TProtocolScript perWord;
    perWord.On();
    for (int address = 0; address < 0x0FF; ++address) {
        perWord.Read(4).Inc();
    }
    perWord.Cmd(2).L(0x0123).Cmd(8).D(kRigProgDelay).Read(4).Inc().Off();
    EXPECT_EQ(eeprom.Difference(perWord), "");

    TProgrammerRig flash("16F876A");
    flash.Image().ProgramBuffer[0x0FF] = 0x0123;
    flash.Programmer.FLASHProgramChip(false);
    TProtocolScript blocks;
    blocks.On();
    for (std::uint16_t first = 0; first < 0x100; first += 8) {
        blocks.Cmd(2).L(flash.Image().ProgramBuffer[first]);
        for (int k = 1; k < 8; ++k) {
            blocks.Inc().Cmd(2).L(flash.Image().ProgramBuffer[first + k]).D(1);
        }
        blocks.Cmd(24).D(2).Cmd(23).Inc();
    }
    blocks.Off();
    EXPECT_EQ(flash.Difference(blocks), "");
    EXPECT_EQ(flash.Programmer.WordsWritten, 0x100);
}

TEST(ProgramChipTest, WithoutAutoVerifyEveryWordIsStillReadButNotCompared) {
    TProgrammerRig rig("16F84A");
    rig.Session.Options.AutoVerify = false;
    rig.Image().ProgramBuffer[0] = 0x0AAA;
    rig.Image().ProgramBuffer[1] = 0x0555;
    AnswerReads(rig.Pins, [](std::size_t) { return std::uint16_t{0}; });  // a chip that fails
    rig.Programmer.ProgramChip(false);
    TProtocolScript expected;
    expected.On()
        .Cmd(2)
        .L(0x0AAA)
        .Cmd(8)
        .D(kRigProgDelay)
        .Read(4)
        .Inc()
        .Cmd(2)
        .L(0x0555)
        .Cmd(8)
        .D(kRigProgDelay)
        .Read(4)
        .Inc()
        .Off();
    EXPECT_EQ(rig.Difference(expected), "");
    EXPECT_THAT(rig.Ui.Messages, IsEmpty());
    EXPECT_TRUE(rig.Programmer.OperationOk);
}

// The message box can wait for minutes: programming mode is left before it is shown, and the
// rest of the memory is not written.
TEST(ProgramChipTest, ReadBackFailureLeavesProgrammingModeThenNamesTheAddress) {
    struct TCase {
        bool Data;
        std::size_t Address;
        std::string_view Text;
    };
    for (const TCase& c :
         {TCase{false, 0x1A,
                "Program Verify failed at Program address 0x01A, Programming Aborted!"},
          TCase{true, 0x3, "Data Verify failed at Data address 0x003, Programming Aborted!"}}) {
        TProgrammerRig rig("16F84A");
        const std::span<std::uint16_t> buffer =
            c.Data ? std::span<std::uint16_t>(rig.Image().DataBuffer) : rig.Image().ProgramBuffer;
        for (std::size_t i = 0; i <= c.Address + 4; ++i) {
            buffer[i] = c.Data ? 0x42 : 0x2000;
        }
        AnswerReads(rig.Pins, [&](std::size_t k) {
            return static_cast<std::uint16_t>(k == c.Address ? 0x0001 : buffer[k]);
        });
        bool supplyOnAtMessage = true;
        rig.Ui.OnMessage = [&](std::string_view) {
            supplyOnAtMessage = test::AnySupplyOn(rig.Pins);
        };
        rig.Programmer.ProgramChip(c.Data);
        EXPECT_THAT(rig.Ui.Messages, ElementsAre(c.Text));
        EXPECT_FALSE(supplyOnAtMessage);
        EXPECT_FALSE(rig.Programmer.OperationOk);
        EXPECT_EQ(rig.Programmer.WordsWritten, c.Address + 1);
        EXPECT_THAT(rig.Ui.Statuses, ElementsAre(c.Data ? "Writing EEPROM data memory..."
                                                        : "Writing Program memory..."));
    }
}

TEST(FLASHProgramChipTest, CompletesTheLastBlockAndUsesTheFamilysProgrammingCommands) {
    struct TCase {
        std::string_view Device;
        int Begin;
        int End;
    };
    for (const TCase& c :
         {TCase{"16F877A", 24, 23}, TCase{"16F77", 8, 14}, TCase{"16F88", 24, 23}}) {
        TProgrammerRig rig(c.Device);
        const auto block = static_cast<std::size_t>(rig.Device().WriteBlock);
        auto& program = rig.Image().ProgramBuffer;
        const std::size_t count = block + 2;  // one full block and two words of the next
        for (std::size_t i = 0; i < count; ++i) {
            program[i] = static_cast<std::uint16_t>(0x0100 + i);
        }
        program[1] = kBlank;  // blank words inside the range are written like any other
        rig.Programmer.FLASHProgramChip(false);

        TProtocolScript expected;
        expected.On();
        for (std::size_t first = 0; first < count; first += block) {
            expected.Cmd(2).L(program[first]);
            for (std::size_t k = 1; k < block; ++k) {
                expected.Inc().Cmd(2).L(program[first + k]).D(1);
            }
            expected.Cmd(c.Begin).D(2).Cmd(c.End).Inc();
        }
        expected.Off();
        EXPECT_EQ(rig.Difference(expected), "") << c.Device;
        EXPECT_EQ(rig.Programmer.WordsWritten, 2 * block) << c.Device;
    }
}

TEST(FLASHProgramChipTest, DataMemoryIsWrittenByteByByteWithoutReadBack) {
    TProgrammerRig rig("16F877A");
    rig.Image().DataBuffer[0] = 0x12;
    rig.Image().DataBuffer[1] = 0x7F;
    rig.Programmer.FLASHProgramChip(true);
    TProtocolScript expected;
    expected.On();
    for (const std::uint16_t byte : {0x12, 0x7F}) {
        expected.Cmd(3).L(byte).Cmd(24).D(2).Cmd(23).Inc();
    }
    expected.Off();
    EXPECT_EQ(rig.Difference(expected), "");
    EXPECT_EQ(rig.Programmer.WordsWritten, 2);
    EXPECT_THAT(rig.Ui.Statuses, ElementsAre("Writing EEPROM data memory..."));
}

TEST(VerifyTest, StopsAtTheFirstMismatchAfterLeavingProgrammingMode) {
    TProgrammerRig rig("16F84A");
    auto& program = rig.Image().ProgramBuffer;
    AnswerReads(rig.Pins, [&](std::size_t k) {
        return static_cast<std::uint16_t>(k == 0x1F3 ? 0x1234 : program[k]);
    });
    bool supplyOnAtMessage = true;
    rig.Ui.OnMessage = [&](std::string_view) { supplyOnAtMessage = test::AnySupplyOn(rig.Pins); };
    rig.Programmer.Verify(false);

    TProtocolScript expected;
    expected.On();
    for (int address = 0; address < 0x1F3; ++address) {
        expected.Read(4).Inc();
    }
    expected.Read(4).Off();
    EXPECT_EQ(rig.Difference(expected), "");
    EXPECT_THAT(rig.Ui.Messages, ElementsAre("Program Verify Error at Program address 0x1F3"));
    EXPECT_FALSE(supplyOnAtMessage);
    EXPECT_FALSE(rig.Programmer.OperationOk);
    EXPECT_THAT(rig.Ui.Statuses, ElementsAre("Verifying program data..."));
}

TEST(VerifyTest, DataOfADeviceWithoutEepromOnlyShowsTheStatus) {
    TProgrammerRig rig("16F73");
    rig.Pins.ClearRecord();
    rig.Programmer.Verify(true);
    EXPECT_THAT(rig.Pins.Port.Accesses, IsEmpty());
    EXPECT_THAT(rig.Ui.Statuses, ElementsAre("Verifying EEPROM data..."));
    EXPECT_TRUE(rig.Programmer.OperationOk);
}

TEST(VerifyTest, DataMismatchNamesTheDataAddress) {
    TProgrammerRig rig("16F84A");
    rig.Image().DataBuffer[0x21] = 0x55;
    AnswerReads(rig.Pins, [](std::size_t) { return std::uint16_t{0x3FFF}; });  // masked to 0xFF
    rig.Programmer.Verify(true);
    EXPECT_THAT(rig.Ui.Messages, ElementsAre("Data Verify Error at Data address 0x021"));
}

// A file without a calibration value leaves the chip's factory word alone; it must not fail
// a good chip. A file that sets one is compared like any other word.
TEST(VerifyTest, CalibrationWordIsComparedOnlyWhenTheImageSetsOne) {
    for (const std::uint16_t imageWord : {kBlank, std::uint16_t{0x3480}, std::uint16_t{0x3470}}) {
        TProgrammerRig rig("12F675");
        rig.Image().ProgramBuffer[0x3FF] = imageWord;
        AnswerReads(rig.Pins, [](std::size_t k) {
            return static_cast<std::uint16_t>(k == 0x3FF ? 0x3480 : 0x3FFF);
        });
        rig.Programmer.Verify(false);
        if (imageWord == 0x3470) {
            EXPECT_THAT(rig.Ui.Messages,
                        ElementsAre("Program Verify Error at Program address 0x3FF"));
        } else {
            EXPECT_THAT(rig.Ui.Messages, IsEmpty()) << imageWord;
        }
    }
    // Parts without a calibration word compare their last word as usual.
    TProgrammerRig rig("16F84A");
    AnswerReads(rig.Pins, [](std::size_t k) {
        return static_cast<std::uint16_t>(k == 0x3FF ? 0x3480 : 0x3FFF);
    });
    rig.Programmer.Verify(false);
    EXPECT_THAT(rig.Ui.Messages, ElementsAre("Program Verify Error at Program address 0x3FF"));
}

TEST(ReadTest, FillsTheDevicesEntriesThroughTheMemorysWidth) {
    for (const bool data : {false, true}) {
        TProgrammerRig rig("16F84A");
        rig.Image().ProgramBuffer.fill(0x1111);
        rig.Image().DataBuffer.fill(0x1111);
        AnswerReads(rig.Pins, [](std::size_t k) { return static_cast<std::uint16_t>(0x3F00 + k); });
        data ? rig.Programmer.FLASHRead(true) : rig.Programmer.Read(false);
        const std::span<std::uint16_t> buffer =
            data ? std::span<std::uint16_t>(rig.Image().DataBuffer) : rig.Image().ProgramBuffer;
        const std::size_t size = data ? 64 : 1024;
        EXPECT_EQ(buffer[0], data ? 0x00 : 0x3F00);
        EXPECT_EQ(buffer[size - 1], (0x3F00 + size - 1) & (data ? 0xFF : 0x3FFF));
        EXPECT_EQ(buffer[size], 0x1111) << "entries beyond the device are left alone";
        EXPECT_THAT(rig.Ui.Statuses,
                    ElementsAre(data ? "Reading EEPROM data..." : "Reading program data...",
                                "Target PIC read into buffer"));
        TProtocolScript expected;
        expected.On();
        for (std::size_t i = 0; i < size; ++i) {
            expected.Read(data ? 5 : 4).Inc();
        }
        expected.Off();
        EXPECT_EQ(rig.Difference(expected), "");
    }
}

}  // namespace
}  // namespace vantrel
