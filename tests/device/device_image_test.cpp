#include <gtest/gtest.h>

#include "device/device_image.h"
#include "device/device_selection.h"
#include "device/device_state.h"

namespace vantrel {
namespace {

TDeviceState StateFor(std::string_view name) {
    TDeviceState state;
    state.CurrentDevice = FindDeviceByName(name).value();
    ClearBuffers(state.Image, state.Device());
    return state;
}

struct TBlankCase {
    std::string_view Device;
    std::uint16_t ProgramWord;
    std::uint16_t Config1;
    std::uint16_t Config2;
};

class ClearBuffersTest : public testing::TestWithParam<TBlankCase> {};

TEST_P(ClearBuffersTest, FillsEveryRegionWithTheDevicesBlankValues) {
    const TBlankCase& c = GetParam();
    TDeviceState state;
    state.CurrentDevice = FindDeviceByName(c.Device).value();
    state.Image.ProgramBuffer.fill(0x1234);
    state.Image.DataBuffer.fill(0x12);
    state.Image.IdBuffer.fill(0x12);
    state.Image.Config18.fill(0x1234);
    ClearBuffers(state.Image, state.Device());
    for (std::uint16_t word : state.Image.ProgramBuffer)
        ASSERT_EQ(word, c.ProgramWord);
    for (std::uint16_t value : state.Image.DataBuffer)
        ASSERT_EQ(value, 0x00FF);
    for (std::uint16_t value : state.Image.IdBuffer)
        ASSERT_EQ(value, 0x007F);
    for (std::uint16_t value : state.Image.Config18)
        ASSERT_EQ(value, 0xFFFF);
    EXPECT_EQ(state.Image.ConfigWord1, c.Config1);
    EXPECT_EQ(state.Image.ConfigWord2, c.Config2);
    EXPECT_FALSE(ProgramHasData(state.Image, state.Device()));
    EXPECT_FALSE(DataHasData(state.Image));
    EXPECT_FALSE(IdHasData(state.Image, state.Device()));
}

INSTANTIATE_TEST_SUITE_P(Devices, ClearBuffersTest,
                         testing::Values(TBlankCase{"16F84", 0x3FFF, 0x3FFF, 0x0000},
                                         TBlankCase{"12C508", 0x0FFF, 0x001F, 0x0000},
                                         TBlankCase{"18F452", 0xFFFF, 0x3F3F, 0x0000},
                                         TBlankCase{"16F88", 0x3FFF, 0x3FFF, 0x0003}));

TEST(BlankTests, DataAndIdTreatBoth0xFFAnd0x7FAsErased) {
    TDeviceState state = StateFor("16F84");
    state.Image.DataBuffer[3] = 0x7F;
    state.Image.DataBuffer[9] = 0xFF;
    EXPECT_FALSE(DataHasData(state.Image));
    state.Image.DataBuffer[255] = 0x00;
    EXPECT_TRUE(DataHasData(state.Image));

    state.Image.IdBuffer = {0x7F, 0xFF, 0x017F, 0x7F, 0x12, 0x12, 0x12, 0x12};
    EXPECT_FALSE(IdHasData(state.Image, state.Device())) << "only entries 0..3 count";
    EXPECT_EQ(state.Image.IdBuffer[2], 0x007F) << "the test cuts entries to 8 bits in place";
    EXPECT_EQ(state.Image.IdBuffer[4], 0x12) << "unused entries are not cut";
}

TEST(BlankTests, Pic18IdsUseAllEightEntries) {
    TDeviceState state = StateFor("18F452");
    state.Image.IdBuffer[7] = 0x0112;
    EXPECT_TRUE(IdHasData(state.Image, state.Device()));
    EXPECT_EQ(state.Image.IdBuffer[7], 0x12);
}

TEST(BlankTests, ProgramTestCoversTheWholeRegionNotOnlyTheDevicesSize) {
    TDeviceState state = StateFor("16F83");
    state.Image.ProgramBuffer[0x7FFF] = 0x0000;
    EXPECT_TRUE(ProgramHasData(state.Image, state.Device()));
}

}  // namespace
}  // namespace vantrel
