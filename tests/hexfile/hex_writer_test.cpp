#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "hex_test_support.h"
#include "hexfile/hex_writer.h"

namespace vantrel {
namespace {

using test::Record;
using test::StateFor;

const std::string kEnd = ":00000001FF";
const std::string kBlankConfig14 = Record(0x400E, 0, {0xFF, 0x3F});

// An image built by `Fill` on a cleared image of `Device`, and the exact text it must give.
struct TWriterCase {
    std::string Title;
    std::string_view Device;
    std::function<void(TDeviceImage&)> Fill;
    std::vector<std::string> Lines;
};

std::ostream& operator<<(std::ostream& out, const TWriterCase& c) {
    return out << c.Title;
}

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
    return {values.begin(), values.end()};
}

const std::vector<TWriterCase> kWriterCases{
    {"OneProgramWordAndConfiguration",
     "16F84",
     [](TDeviceImage& image) {
         image.ProgramBuffer[0] = 0x2804;
         image.ConfigWord1 = 0x3FF1;
     },
     {":020000000428D2", ":02400E00F13F80", kEnd}},
    {"TwoConfigurationWords",
     "16F88",
     [](TDeviceImage& image) { image.ConfigWord2 = 0x0003; },
     {":04400E00FF3F03006D", kEnd}},
    {"RunsHoldAtMostEightWordsAndStartUnaligned",
     "16F84",
     [](TDeviceImage& image) {
         for (std::uint16_t word = 3; word < 13; ++word) {
             image.ProgramBuffer[word] = word;
         }
     },
     {Record(0x0006, 0, Bytes({3, 0, 4, 0, 5, 0, 6, 0, 7, 0, 8, 0, 9, 0, 10, 0})),
      Record(0x0016, 0, Bytes({11, 0, 12, 0})), kBlankConfig14, kEnd}},
    {"BlankWordSplitsARunAndTrailingBlanksAreLeftOut",
     "16F84",
     [](TDeviceImage& image) {
         image.ProgramBuffer[0] = 0x0001;
         image.ProgramBuffer[1] = 0x0002;
         image.ProgramBuffer[3] = 0x0000;
     },
     {Record(0x0000, 0, Bytes({1, 0, 2, 0})), Record(0x0006, 0, Bytes({0, 0})), kBlankConfig14,
      kEnd}},
    {"ProgramBeyondTheDeviceIsNotWritten",
     "16F83",
     [](TDeviceImage& image) { image.ProgramBuffer[0x200] = 0x0000; },
     {kBlankConfig14, kEnd}},
    {"OneEepromByte",
     "16F84",
     [](TDeviceImage& image) { image.DataBuffer[0] = 0x12; },
     {":024200001200AA", kBlankConfig14, kEnd}},
    {"EepromRunsSplitOnErasedBytesButKeepInner7F",
     "16F84",
     [](TDeviceImage& image) {
         const std::uint16_t data[] = {0x01, 0x7F, 0x02, 0xFF, 0x03, 0x7F, 0x7F};
         std::copy(std::begin(data), std::end(data), image.DataBuffer.begin());
         for (std::size_t i = 8; i < 18; ++i) {
             image.DataBuffer[i] = static_cast<std::uint16_t>(i);
         }
     },
     {Record(0x4200, 0, Bytes({0x01, 0, 0x7F, 0, 0x02, 0})),
      Record(0x4208, 0, Bytes({0x03, 0, 0x7F, 0, 0x7F, 0})),
      Record(0x4210, 0, Bytes({8, 0, 9, 0, 10, 0, 11, 0, 12, 0, 13, 0, 14, 0, 15, 0})),
      Record(0x4220, 0, Bytes({16, 0, 17, 0})), kBlankConfig14, kEnd}},
    {"IdWordsAreCutToBytes",
     "16F84",
     [](TDeviceImage& image) { image.IdBuffer = {0x0101, 2, 3, 0x3F04, 9, 9, 9, 9}; },
     {":084000000100020003000400AE", kBlankConfig14, kEnd}},
    {"ErasedIdsAreNotWritten",
     "16F84",
     [](TDeviceImage& image) { image.IdBuffer = {0x7F, 0xFF, 0x017F, 0x7F, 9, 9, 9, 9}; },
     {kBlankConfig14, kEnd}},
    {"TwelveBitDevice",
     "12C508",
     [](TDeviceImage& image) {
         image.ProgramBuffer[0] = 0x0025;
         image.ProgramBuffer[0x1FF] = 0x0C25;
         image.IdBuffer = {0x0A, 0x05, 0x0C, 0x03, 0x7F, 0x7F, 0x7F, 0x7F};
         image.ConfigWord1 = 0x000E;
     },
     {":020000002500D9", ":0203FE00250CCC", ":080400000A0005000C000300D6", ":021FFE000E00D3",
      kEnd}},
    {"EighteenFRegionsInOrder",
     "18F452",
     [](TDeviceImage& image) {
         image.ProgramBuffer[0] = 0xEF05;
         image.ProgramBuffer[1] = 0xF000;
         image.DataBuffer[0] = 0x56;
         image.DataBuffer[0x11] = 0xA5;
         image.DataBuffer[0x12] = 0x5A;
         image.DataBuffer[0x13] = 0x3C;
         image.IdBuffer = {1, 2, 3, 4, 5, 6, 7, 0x0108};
         image.Config18 = {0x22FF, 0x0E0C, 0x01FF, 0xFF81, 0xC00F, 0xE00F, 0x400F};
     },
     {":0400000005EF00F018", ":0200000400F00A", ":0100000056A9", ":03001100A55A3CB1",
      ":020000040020DA", ":080000000102030405060708D4", ":020000040030CA",
      Record(0x0000, 0,
             Bytes({0xFF, 0x22, 0x0C, 0x0E, 0xFF, 0x01, 0x81, 0xFF, 0x0F, 0xC0, 0x0F, 0xE0, 0x0F,
                    0x40})),
      kEnd}},
    {"BlankEighteenFImageWritesOnlyItsConfiguration",
     "18F4680",
     [](TDeviceImage&) {},
     {":020000040030CA", Record(0x0000, 0, std::vector<std::uint8_t>(14, 0xFF)), kEnd}},
};

class HexWriterOutput : public testing::TestWithParam<TWriterCase> {};

TEST_P(HexWriterOutput, IsExactlyTheExpectedRecords) {
    const TWriterCase& c = GetParam();
    TDeviceState state = StateFor(c.Device);
    c.Fill(state.Image);
    EXPECT_EQ(BufferToHex(state.Image, state.Device()), c.Lines);
}

INSTANTIATE_TEST_SUITE_P(Images, HexWriterOutput, testing::ValuesIn(kWriterCases),
                         [](const auto& info) { return info.param.Title; });

TEST(HexWriter, WritingCutsTheUsedIdEntriesInTheImage) {
    TDeviceState state = StateFor("16F84");
    state.Image.IdBuffer = {0x0101, 0x3F02, 0x7F, 0x7F, 0x1234, 0x7F, 0x7F, 0x7F};
    (void)BufferToHex(state.Image, state.Device());
    EXPECT_EQ(state.Image.IdBuffer[0], 0x01);
    EXPECT_EQ(state.Image.IdBuffer[1], 0x02);
    EXPECT_EQ(state.Image.IdBuffer[4], 0x1234) << "entries the device does not use are left";
}

TEST(HexWriter, FourteenBitEepromRecordsUseTheLow16BitsOfTheByteAddress) {
    TDeviceState state = StateFor("16F877A");
    state.Image.DataBuffer[0xFE] = 0x41;
    EXPECT_EQ(FormatHexRecord(state.Image, state.Device(), THexRegion::Data, 0xFE, 2),
              Record(0x43FC, 0, Bytes({0x41, 0, 0xFF, 0})));
}

}  // namespace
}  // namespace vantrel
