#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hex_test_support.h"
#include "hexfile/text_file.h"

namespace vantrel {
namespace {

using test::Load;
using test::Record;
using test::StateFor;

enum class TRegion { Program, Data, Id, Config1, Config2, Config18 };

std::uint16_t& Cell(TDeviceImage& image, TRegion region, std::size_t index) {
    switch (region) {
        case TRegion::Program:
            return image.ProgramBuffer.at(index);
        case TRegion::Data:
            return image.DataBuffer.at(index);
        case TRegion::Id:
            return image.IdBuffer.at(index);
        case TRegion::Config1:
            return image.ConfigWord1;
        case TRegion::Config2:
            return image.ConfigWord2;
        case TRegion::Config18:
            break;
    }
    return image.Config18.at(index);
}

struct TCell {
    TRegion Region;
    std::size_t Index;
    std::uint16_t Value;
};

// A file for one device and the image cells it must set or leave blank. Everything not listed
// is checked against a cleared image with the listed cells applied. Values outside every region
// of the device are counted (words of a 12/14-bit part, bytes of an 18F part) with the file's
// byte address of the first.
struct TPlacementCase {
    std::string Title;
    std::string_view Device;
    std::vector<std::string> Lines;
    std::vector<TCell> Cells;
    bool ConfigFound = false;
    std::size_t Outside = 0;
    std::uint32_t FirstOutside = 0;
};

std::ostream& operator<<(std::ostream& out, const TPlacementCase& c) {
    return out << c.Title;
}

const std::string kSeg18Config = ":020000040030CA";
const std::string kSeg18Id = ":020000040020DA";
const std::string kSeg18Data = ":0200000400F00A";

const std::vector<TPlacementCase> kPlacementCases{
    {"ProgramWordsAreLittleEndian",
     "16F84",
     {":100000000428FF3FFF3FFF3FFF3FFF3FFF3FFF3F12"},
     {{TRegion::Program, 0, 0x2804}}},
    {"ConfigurationWordSetsConfigFound",
     "16F84",
     {":02400E00F13F80"},
     {{TRegion::Config1, 0, 0x3FF1}},
     true},
    {"LowerCaseDigits", "16F84", {":02400e00f13f80"}, {{TRegion::Config1, 0, 0x3FF1}}, true},
    {"ConfigurationWordMaskedWithConfigMask",
     "16C84",
     {Record(0x400E, 0, {0xF1, 0x3F})},
     {{TRegion::Config1, 0, 0x0011}},
     true},
    {"SecondConfigurationWordOf16F88",
     "16F88",
     {":04400E00FF3F03006D"},
     {{TRegion::Config1, 0, 0x3FFF}, {TRegion::Config2, 0, 0x0003}},
     true},
    {"EepromWordsFillDataFromWord2100",
     "16F84",
     {Record(0x4200, 0, {0x12, 0x00, 0x34, 0x00})},
     {{TRegion::Data, 0, 0x12}, {TRegion::Data, 1, 0x34}}},
    // Not configuration either: the value is left out and counted, and does not stand for a
    // configuration word the file never set.
    {"EepromBeyondTheDeviceIsLeftOut",
     "16F84",
     {Record(0x4280, 0, {0x55, 0x00})},
     {},
     false,
     1,
     0x4280},
    {"SecondConfigurationWordOfAOneWordPartIsLeftOut",
     "16F84",
     {Record(0x4010, 0, {0x03, 0x00})},
     {},
     false,
     1,
     0x4010},
    {"EepromBeyondThe16F88DoesNotOverwriteItsSecondConfigurationWord",
     "16F88",
     {Record(0x4400, 0, {0x00, 0x00, 0x00, 0x00})},
     {},
     false,
     2,
     0x4400},
    {"ProgramOfABiggerPartCountsEachWordOnce",
     "16F627A",
     {Record(0x07FE, 0, {0x01, 0x02, 0x03, 0x04, 0x05, 0x06})},
     {{TRegion::Program, 0x3FF, 0x0201}},
     false,
     2,
     0x0800},
    {"IdWords",
     "16F84",
     {":084000000100020003000400AE"},
     {{TRegion::Id, 0, 1}, {TRegion::Id, 1, 2}, {TRegion::Id, 2, 3}, {TRegion::Id, 3, 4}}},
    {"ProgramBeyondTheDeviceIsDropped",
     "16F83",
     {Record(0x0400, 0, {0x01, 0x00})},
     {},
     false,
     1,
     0x0400},
    {"Pic18ConfigurationBytes",
     "18F452",
     {kSeg18Config,
      Record(0x0000, 0,
             {0x00, 0x22, 0x0F, 0x0E, 0x00, 0x01, 0x81, 0x00, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F, 0x40})},
     {{TRegion::Config18, 0, 0x2200},
      {TRegion::Config18, 1, 0x0E0F},
      {TRegion::Config18, 2, 0x0100},
      {TRegion::Config18, 3, 0x0081},
      {TRegion::Config18, 4, 0xC00F},
      {TRegion::Config18, 5, 0xE00F},
      {TRegion::Config18, 6, 0x400F}},
     true},
    {"Pic18IdBytes",
     "18F452",
     {kSeg18Id, Record(0x0000, 0, {1, 2, 3, 4, 5, 6, 7, 8})},
     {{TRegion::Id, 0, 1},
      {TRegion::Id, 1, 2},
      {TRegion::Id, 2, 3},
      {TRegion::Id, 3, 4},
      {TRegion::Id, 4, 5},
      {TRegion::Id, 5, 6},
      {TRegion::Id, 6, 7},
      {TRegion::Id, 7, 8}}},
    {"Pic18EepromOneBytePerAddress",
     "18F452",
     {kSeg18Data, Record(0x0000, 0, {0xB0, 0xB1, 0xB2})},
     {{TRegion::Data, 0, 0xB0}, {TRegion::Data, 1, 0xB1}, {TRegion::Data, 2, 0xB2}}},
    {"Pic18EepromBeyondTheDeviceIsDropped",
     "18F452",
     {kSeg18Data, Record(0x0100, 0, {0x11})},
     {},
     false,
     1,
     0xF00100},
    {"Pic18DataInAnUnknownSegmentIsDropped",
     "18F452",
     {":020000040010EA", Record(0x0000, 0, {0x11, 0x22})},
     {},
     false,
     2,
     0x100000},
    {"Pic18IdBytesBeyondTheEighthAreDropped",
     "18F452",
     {kSeg18Id, Record(0x0008, 0, {0x11})},
     {},
     false,
     1,
     0x200008},
    // The C compiler sdcc writes the 18F452 configuration one byte per address: CONFIG1H,
    // CONFIG2L, CONFIG2H, then CONFIG4L on its own.
    {"SdccConfigurationAtOddAddresses",
     "18F452",
     {kSeg18Config, ":03000100220C0EC0", ":010006008178"},
     {{TRegion::Config18, 0, 0x22FF},
      {TRegion::Config18, 1, 0x0E0C},
      {TRegion::Config18, 3, 0xFF81}},
     true},
    {"Pic18EepromRunAtOddOffsetAndOfOddLength",
     "18F452",
     {kSeg18Data, ":03001100A55A3CB1"},
     {{TRegion::Data, 0x11, 0xA5}, {TRegion::Data, 0x12, 0x5A}, {TRegion::Data, 0x13, 0x3C}}},
    {"OddLengthProgramRecordKeepsItsLastByte",
     "16F84",
     {Record(0x0000, 0, {0x04, 0x28, 0x05})},
     {{TRegion::Program, 0, 0x2804}, {TRegion::Program, 1, 0x3F05}}},
    {"OddAddressProgramRecordIsNotShifted",
     "16F84",
     {Record(0x0001, 0, {0x28, 0x05, 0x28})},
     {{TRegion::Program, 0, 0x28FF}, {TRegion::Program, 1, 0x2805}}},
    // sdcc writes 14-bit EEPROM as RETLW words; the opcode in the high byte is not data.
    {"RetlwEepromWordsStoreTheirLowByte",
     "16F877A",
     {Record(0x4200, 0, {0x12, 0x34, 0x56, 0x34})},
     {{TRegion::Data, 0, 0x12}, {TRegion::Data, 1, 0x56}}},
    {"ProgramWordsAreCutToTheCoreWidth14",
     "16F84",
     {Record(0x0000, 0, {0x04, 0xE8})},
     {{TRegion::Program, 0, 0x2804}}},
    {"ProgramWordsAreCutToTheCoreWidth12",
     "12C508",
     {Record(0x0000, 0, {0x25, 0xF0})},
     {{TRegion::Program, 0, 0x0025}}},
    {"TwelveBitConfigurationIdsAndCalibration",
     "12C508",
     {Record(0x03FE, 0, {0x25, 0x0C}), Record(0x0400, 0, {0x0A, 0, 0x05, 0, 0x0C, 0, 0x03, 0}),
      Record(0x1FFE, 0, {0xEE, 0x0F})},
     {{TRegion::Program, 0x1FF, 0x0C25},
      {TRegion::Id, 0, 0x0A},
      {TRegion::Id, 1, 0x05},
      {TRegion::Id, 2, 0x0C},
      {TRegion::Id, 3, 0x03},
      {TRegion::Config1, 0, 0x000E}},
     true},
    {"ExtendedSegmentAddressIsSixteenTimesItsValue",
     "16F877A",
     {Record(0x0000, 2, {0x01, 0x00}), Record(0x0000, 0, {0x34, 0x12})},
     {{TRegion::Program, 0x800, 0x1234}}},
    {"StartAddressRecordsLeaveTheResetVectorAlone",
     "16F84",
     {Record(0x0000, 3, {0x12, 0x34, 0x00, 0x00}), Record(0x0000, 5, {0x00, 0x00, 0x01, 0x02})},
     {}},
    {"ShortExtendedAddressRecordKeepsTheSegment",
     "18F452",
     {kSeg18Data, Record(0x0000, 4, {0x00}), Record(0x0000, 0, {0x42})},
     {{TRegion::Data, 0, 0x42}}},
    // A record running over the end of a 64 KB segment goes on into the next one; it never
    // wraps round onto the reset vector.
    {"RecordCrossingTheSegmentEndDoesNotWrap",
     "18F4680",
     {Record(0xFFF8, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15})},
     {{TRegion::Program, 0x7FFC, 0x0100},
      {TRegion::Program, 0x7FFD, 0x0302},
      {TRegion::Program, 0x7FFE, 0x0504},
      {TRegion::Program, 0x7FFF, 0x0706}},
     false,
     8,
     0x10000},
    {"RecordCrossingTheTopOfTheAddressSpaceIsDropped",
     "18F452",
     {":02000004FFFFFC", Record(0xFFF8, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15})},
     {},
     false,
     8,
     0xFFFFFFF8},
};

class HexReaderPlacement : public testing::TestWithParam<TPlacementCase> {};

TEST_P(HexReaderPlacement, StoresEachByteWhereItBelongs) {
    const TPlacementCase& c = GetParam();
    const test::TLoaded loaded = Load(c.Device, c.Lines);
    ASSERT_TRUE(loaded.Result.Ok) << loaded.Result.Error;
    EXPECT_EQ(loaded.Result.ConfigFound, c.ConfigFound);
    EXPECT_EQ(loaded.Result.OutsideValues, c.Outside);
    EXPECT_EQ(loaded.Result.FirstOutside, c.FirstOutside);

    TDeviceState expected = StateFor(c.Device);
    TDeviceImage actual = loaded.State.Image;
    for (const TCell& cell : c.Cells) {
        EXPECT_EQ(Cell(actual, cell.Region, cell.Index), cell.Value)
            << "region " << static_cast<int>(cell.Region) << " index " << cell.Index;
        Cell(expected.Image, cell.Region, cell.Index) = cell.Value;
    }
    EXPECT_EQ(test::ImageDifference(loaded.State.Image, expected.Image), "")
        << "something else changed as well";
}

INSTANTIATE_TEST_SUITE_P(Files, HexReaderPlacement, testing::ValuesIn(kPlacementCases),
                         [](const auto& info) { return info.param.Title; });

// An empty file, a text file, a file with only an end record: nothing was read, which the
// operations must tell from a file that sets the image to blank on purpose.
TEST(HexReaderDataRecords, CountsOnlyRecordsThatCarryData) {
    const std::vector<std::pair<std::vector<std::string>, std::size_t>> cases{
        {{}, 0},
        {{"Hello, this is a letter.", "", ":not hex either"}, 0},
        {{":00000001FF"}, 0},
        {{":020000040000FA", ":0000000000"}, 0},
        {{":02400E00F13F80"}, 1},
        {{":0400000004280528A3", ":02400E00F13F80", ":00000001FF", ":02400E00F13F80"}, 2},
    };
    for (const auto& [lines, records] : cases) {
        const test::TLoaded loaded = Load("16F84", lines);
        EXPECT_EQ(loaded.Result.DataRecords, records) << testing::PrintToString(lines);
    }
}

// Only bytes that reach a region of the device count as set: a file whose data all lies beyond
// the device sets nothing, however many records it has, and must never be written into a chip.
TEST(HexReaderDataRecords, CountsTheBytesPlacedInTheDevice) {
    const std::vector<std::pair<std::vector<std::string>, std::size_t>> cases{
        {{":00000001FF"}, 0},
        {{":02080000550C95"}, 0},                     // word 0x400, past the 16F84's 1K
        {{":0400000004280528A3"}, 4},                 // two program words
        {{":02080000550C95", ":02400E00F13F80"}, 2},  // one outside, the configuration in
        {{":020000040000FA", ":02420000FF0FAE"}, 2},  // data EEPROM at 0x2100
    };
    for (const auto& [lines, placed] : cases) {
        const test::TLoaded loaded = Load("16F84", lines);
        EXPECT_EQ(loaded.Result.PlacedBytes, placed) << testing::PrintToString(lines);
    }
}

// Lines the reader must pass over without reading outside them: each is followed by a valid
// record, which must still load as if the bad line were not there.
struct TSkippedLineCase {
    std::string Title;
    std::string Line;
};

std::ostream& operator<<(std::ostream& out, const TSkippedLineCase& c) {
    return out << c.Title;
}

const std::vector<TSkippedLineCase> kSkippedLines{
    {"Empty", ""},
    {"NoStartMark", "020002000428D0"},
    {"LeadingSpace", " :020002000428D0"},
    {"StartMarkOnly", ":"},
    {"OneDigit", ":0"},
    {"LengthOnly", ":00"},
    {"FourHeaderBytesWithoutChecksum", ":00000000"},
    {"LengthRunsPastTheLine", ":01000000FF"},
    {"LongLengthShortData", ":10000000" + std::string("0428") + "C4"},
    {"ExtendedAddressWithoutItsData", ":02000004FA"},
    {"MaximumLengthNoData", ":FF000000" + std::string("01")},
    {"BadChecksum", ":020002000428D1"},
    {"BadChecksumEndOfFile", ":00000001FE"},
    {"TooLongForTheLineLimit", Record(0x0000, 0, std::vector<std::uint8_t>(0x7F, 0x11))},
};

class HexReaderSkippedLine : public testing::TestWithParam<TSkippedLineCase> {};

TEST_P(HexReaderSkippedLine, IsPassedOverSilently) {
    const std::string valid = ":020000000528D1";
    const test::TLoaded loaded = Load("16F84", {GetParam().Line, valid, ":02400E00F13F80"});
    ASSERT_TRUE(loaded.Result.Ok) << loaded.Result.Error;
    const test::TLoaded reference = Load("16F84", {valid, ":02400E00F13F80"});
    EXPECT_EQ(test::ImageDifference(loaded.State.Image, reference.State.Image), "");
    EXPECT_EQ(loaded.State.Image.ProgramBuffer[0], 0x2805);
}

INSTANTIATE_TEST_SUITE_P(Lines, HexReaderSkippedLine, testing::ValuesIn(kSkippedLines),
                         [](const auto& info) { return info.param.Title; });

TEST(HexReader, NonHexDigitStopsTheLoadAndKeepsEarlierLines) {
    const test::TLoaded loaded = Load(
        "16F84",
        {":020000000528D1", ":02400E00F13F80", ":G1000000000000", Record(0x0002, 0, {0xFF, 0x0F})},
        true);
    EXPECT_FALSE(loaded.Result.Ok);
    EXPECT_EQ(loaded.Result.Error, "'$G1' is not a valid integer value");
    EXPECT_EQ(loaded.State.Image.ProgramBuffer[0], 0x2805) << "earlier lines stay";
    EXPECT_EQ(loaded.State.Image.ConfigWord1, 0x3FF1);
    EXPECT_EQ(loaded.State.Image.ProgramBuffer[1], 0x3FFF) << "later lines are not read";
    EXPECT_TRUE(loaded.Messages.empty()) << "the load ended with the error, not the warning";
}

TEST(HexReader, NonHexDigitAnywhereInTheRecordIsReportedAsItsPair) {
    for (const auto& [line, pair] : std::vector<std::pair<std::string, std::string>>{
             {":02000000052XD1", "2X"}, {":0200000005 8D1", " 8"}, {":02000000052800Z1", "Z1"}}) {
        const test::TLoaded loaded = Load("16F84", {line});
        EXPECT_FALSE(loaded.Result.Ok) << line;
        EXPECT_EQ(loaded.Result.Error, "'$" + pair + "' is not a valid integer value") << line;
    }
    // A single character left over after the pairs is not read at all.
    const test::TLoaded trailing = Load("16F84", {":020000000528D1G"});
    EXPECT_TRUE(trailing.Result.Ok);
    EXPECT_EQ(trailing.State.Image.ProgramBuffer[0], 0x2805);
}

TEST(HexReader, OnlyTheFirst255CharactersOfALineCount) {
    // The record, then zero bytes (which keep the checksum) up to character 255, then a pair
    // that is not hexadecimal: it lies beyond the cut and is never read.
    std::string line = ":020000000528D1";
    line.append(255 - line.size(), '0');
    ASSERT_EQ(line.size(), 255u);
    line += "ZZ";
    const test::TLoaded loaded = Load("16F84", {line});
    EXPECT_TRUE(loaded.Result.Ok) << loaded.Result.Error;
    EXPECT_EQ(loaded.State.Image.ProgramBuffer[0], 0x2805);
}

TEST(HexReader, EndOfFileRecordEndsTheLoad) {
    const test::TLoaded loaded =
        Load("16F84", {":020000000528D1", ":00000001FF", ":02400E00F13F80", ":G1"}, true);
    EXPECT_TRUE(loaded.Result.Ok);
    EXPECT_EQ(loaded.State.Image.ProgramBuffer[0], 0x2805);
    EXPECT_EQ(loaded.State.Image.ConfigWord1, 0x3FFF);
    EXPECT_FALSE(loaded.Result.ConfigFound);
}

TEST(HexReader, FileWithoutConfigurationWarnsWithItsName) {
    const test::TLoaded loaded = Load("16F84", {":020000000528D1"}, true, "/tmp/blink.hex");
    EXPECT_FALSE(loaded.Result.ConfigFound);
    ASSERT_EQ(loaded.Messages.size(), 1u);
    EXPECT_EQ(loaded.Messages[0], "WARNING - Fuses not set in loaded file!\r/tmp/blink.hex");
    EXPECT_EQ(loaded.State.Image.ConfigWord1, 0x3FFF) << "the word keeps its blank value";

    EXPECT_TRUE(Load("16F84", {":020000000528D1"}, false).Messages.empty())
        << "no warning while Auto Prog is checked";
    EXPECT_TRUE(Load("16F84", {":02400E00F13F80"}, true).Messages.empty());
    EXPECT_TRUE(Load("18F452", {kSeg18Config, ":010006008178"}, true).Messages.empty());
}

TEST(HexReader, EmptyFileLeavesTheImageCleared) {
    const test::TLoaded loaded = Load("18F452", {}, true);
    EXPECT_TRUE(loaded.Result.Ok);
    EXPECT_EQ(test::ImageDifference(loaded.State.Image, StateFor("18F452").Image), "");
    EXPECT_EQ(loaded.Messages.size(), 1u);
}

TEST(HexReader, CrLfLinesLoadLikeLfLines) {
    const std::string text =
        ":020000000528D1\r\n:02400E00F13F80\r\n:084000000100020003000400AE\r\n:00000001FF\r\n";
    const std::vector<std::string> lines = SplitLines(text);
    ASSERT_EQ(lines.size(), 4u);
    const test::TLoaded loaded = Load("16F84", lines);
    EXPECT_TRUE(loaded.Result.Ok) << loaded.Result.Error;
    EXPECT_EQ(loaded.State.Image.ProgramBuffer[0], 0x2805);
    EXPECT_EQ(loaded.State.Image.ConfigWord1, 0x3FF1);
    EXPECT_EQ(loaded.State.Image.IdBuffer[3], 4);
}

TEST(HexReader, ByteOrderMarkBeforeTheFirstRecordDoesNotHideIt) {
    const test::TLoaded loaded =
        Load("16F84", SplitLines("\xEF\xBB\xBF:020000000528D1\n:02400E00F13F80\n:00000001FF\n"));
    EXPECT_TRUE(loaded.Result.Ok) << loaded.Result.Error;
    EXPECT_EQ(loaded.State.Image.ProgramBuffer[0], 0x2805);
}

TEST(HexReader, ExtendedAddressRecordsMoveBetweenTheEighteenFSegments) {
    const test::TLoaded loaded =
        Load("18F452", {kSeg18Data, Record(0x0000, 0, {0x11}), ":020000040000FA",
                        Record(0x0000, 0, {0x22, 0x33}), kSeg18Id, Record(0x0007, 0, {0x44})});
    EXPECT_EQ(loaded.State.Image.DataBuffer[0], 0x11);
    EXPECT_EQ(loaded.State.Image.ProgramBuffer[0], 0x3322);
    EXPECT_EQ(loaded.State.Image.IdBuffer[7], 0x44);
}

}  // namespace
}  // namespace vantrel
