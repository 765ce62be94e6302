#include <gtest/gtest.h>

#include "device/hex_text.h"
#include "sim/sim_catalogue.h"
#include "sim/sim_chip_file.h"
#include "sim_rig.h"
#include "support/test_paths.h"

namespace vantrel::test {
namespace {

// A chip whose every memory differs from erased, within each cell's width.
TSimChipState Scribbled(std::uint8_t index) {
    TSimChipState chip = FactoryFreshChip(index);
    const TPicDevice& device = chip.Device();
    for (std::size_t i = 0; i < chip.Program.size(); i += 37) {
        chip.Program[i] = static_cast<std::uint16_t>((i * 0x0101) & device.BlankWord);
    }
    for (std::size_t i = 0; i < chip.Data.size(); i += 5) {
        chip.Data[i] = static_cast<std::uint8_t>(i);
    }
    chip.Ids[1] = 0x0012;
    if (SimRevisionMask(index) != 0) {
        chip.Revision = 0x0E;  // a file keeps the revision of a part that reports one
    }
    chip.Config.back() = static_cast<std::uint16_t>(chip.Config.back() & 0x0F0F);
    TurnOnCodeProtection(chip);
    return chip;
}

class ChipFileRoundTripTest : public testing::TestWithParam<std::uint8_t> {};

TEST_P(ChipFileRoundTripTest, KeepsEveryMemoryOfEveryDevice) {
    for (const TSimChipState& chip : {FactoryFreshChip(GetParam()), Scribbled(GetParam())}) {
        const std::string text = FormatSimChipFile(chip);
        const TSimChipFileResult parsed = ParseSimChipFile(text);
        ASSERT_TRUE(parsed.Chip.has_value()) << parsed.Error << "\n" << text;
        EXPECT_EQ(*parsed.Chip, chip);
        EXPECT_EQ(FormatSimChipFile(*parsed.Chip), text);
    }
}

INSTANTIATE_TEST_SUITE_P(DeviceTable, ChipFileRoundTripTest, testing::Range<std::uint8_t>(0, 50),
                         [](const auto& info) {
                             return std::string(DeviceTable[info.param].Name);
                         });

TEST(ChipFile, WritesAReadableFileThatLeavesErasedRowsOut) {
    TSimChipState chip = FactoryFreshChip(DeviceIndex("12F629"));
    chip.Program[1] = 0x0000;
    chip.Data[0] = 0x01;
    const std::string calibration = HexWordText(*FactoryCalibrationWord(chip.DeviceIndex));
    EXPECT_EQ(FormatSimChipFile(chip),
              "# Vantrel simulated chip (format: docs/sim-chip-format.md)\n"
              "# calibration word 03FF = " +
                  calibration +
                  "\n"
                  "# code protection: off; data protection: off\n"
                  "vantrel-sim-chip 1\n"
                  "device 12F629\n"
                  "revision 3\n"
                  "config 21FF\n"
                  "ids 3FFF 3FFF 3FFF 3FFF\n"
                  "program 0000: 3FFF 0000 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF\n"
                  "program 03F8: 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF " +
                  calibration +
                  "\n"
                  "data 0000: 01 FF FF FF FF FF FF FF FF FF FF FF FF FF FF FF\n"
                  "end\n");
}

TEST(ChipFile, HandWrittenFilesMayBeTerseAndUseCrLf) {
    const TSimChipFileResult parsed = ParseSimChipFile(
        "vantrel-sim-chip 1\r\n\r\n  # a comment\r\ndevice 16F84A\r\n"
        "program 3FE: 1 2\r\ndata 3F: a\r\nend\r\n");
    ASSERT_TRUE(parsed.Chip) << parsed.Error;
    EXPECT_EQ(parsed.Chip->Program[0x3FE], 0x0001);
    EXPECT_EQ(parsed.Chip->Program[0x3FF], 0x0002);
    EXPECT_EQ(parsed.Chip->Data[0x3F], 0x0A);
    EXPECT_EQ(parsed.Chip->Config[0], 0x3FFF) << "what is not given is erased";
}

TEST(ChipFile, TheDocumentedExampleIsWhatTheProgramWrites) {
    const std::string doc = ReadFile(SourceDir() / "docs" / "sim-chip-format.md");
    const std::size_t start = doc.find("```\n") + 4;
    const std::string example = doc.substr(start, doc.find("```", start) - start);
    const TSimChipFileResult parsed = ParseSimChipFile(example);
    ASSERT_TRUE(parsed.Chip) << parsed.Error;
    EXPECT_EQ(FormatSimChipFile(*parsed.Chip), example);
}

struct TMalformedCase {
    std::string_view Name;
    std::string Text;
    std::string Error;
};

class MalformedChipFileTest : public testing::TestWithParam<TMalformedCase> {};

TEST_P(MalformedChipFileTest, IsRefusedWithTheLineAndTheReason) {
    const TSimChipFileResult parsed = ParseSimChipFile(GetParam().Text);
    EXPECT_FALSE(parsed.Chip.has_value());
    EXPECT_EQ(parsed.Error, GetParam().Error);
}

const std::string kHead = "vantrel-sim-chip 1\ndevice 16F84A\n";

INSTANTIATE_TEST_SUITE_P(
    Files, MalformedChipFileTest,
    testing::Values(
        TMalformedCase{"Empty", "", "empty file: not a simulated chip"},
        TMalformedCase{
            "HexFile", ":020000040000FA\n",
            "line 1: not a simulated chip file: it must start with 'vantrel-sim-chip 1'"},
        TMalformedCase{"Version", "vantrel-sim-chip 2\n",
                       "line 1: unsupported simulated chip file version (this program reads "
                       "version 1)"},
        TMalformedCase{"UnknownDevice", "vantrel-sim-chip 1\ndevice 16F999\nend\n",
                       "line 2: unknown device '16F999'"},
        TMalformedCase{"NoDevice", "vantrel-sim-chip 1\nconfig 3FFF\n",
                       "line 2: 'config' before the 'device' line"},
        TMalformedCase{"SecondDevice", kHead + "device 16F84\n", "line 3: a second 'device' line"},
        TMalformedCase{"Truncated", kHead + "program 0000: 1234\n",
                       "the file stops before its 'end' line (cut short?)"},
        TMalformedCase{"AfterEnd", kHead + "end\nprogram 0000: 1234\n",
                       "line 4: nothing may follow 'end'"},
        TMalformedCase{"UnknownKeyword", kHead + "eeprom 0000: 12\n",
                       "line 3: unknown keyword 'eeprom'"},
        TMalformedCase{"ConfigCount", kHead + "config 3FFF 3FFF\n",
                       "line 3: 'config' needs 1 values for the 16F84A, not 2"},
        TMalformedCase{"WideWord", kHead + "program 0000: 4000\n",
                       "line 3: 4000 sets bits outside the cell's mask 3FFF"},
        TMalformedCase{"WideByte", kHead + "data 0000: 100\n",
                       "line 3: 100 sets bits outside the cell's mask 00FF"},
        TMalformedCase{"NotHex", kHead + "ids 3FFF 3FFF 3FFF 3FFZ\n",
                       "line 3: '3FFZ' is not a hexadecimal number"},
        TMalformedCase{"TooLong", kHead + "program 0000: 00003FFF\n",
                       "line 3: '00003FFF' is not a hexadecimal number"},
        TMalformedCase{"PastTheEnd", kHead + "program 03FF: 1 2\n",
                       "line 3: program 03FF with 2 values runs past the 1024 cells of the "
                       "16F84A"},
        TMalformedCase{"NoColon", kHead + "data 0000 12\n",
                       "line 3: 'data' needs 'ADDRESS: VALUE...'"},
        TMalformedCase{"EndWithArgument", kHead + "end now\n",
                       "line 3: 'end' takes nothing after it"},
        TMalformedCase{"RevisionWiderThanTheId",
                       "vantrel-sim-chip 1\ndevice 16F877A\nrevision 10\nend\n",
                       "line 3: 10 sets bits outside the cell's mask 000F"},
        TMalformedCase{"RevisionOfAPartWithoutId",
                       "vantrel-sim-chip 1\ndevice 16F84\nrevision 1\nend\n",
                       "line 3: the 16F84 has no device ID to carry a revision"},
        TMalformedCase{"RevisionBeforeTheDevice", "vantrel-sim-chip 1\nrevision 1\n",
                       "line 2: 'revision' before the 'device' line"}),
    [](const auto& info) { return std::string(info.param.Name); });

}  // namespace
}  // namespace vantrel::test
