#include <gtest/gtest.h>

#include "device/config_model.h"
#include "device/device_selection.h"

namespace vantrel {
namespace {

struct TModelFixture {
    explicit TModelFixture(std::string_view device) : model(state) {
        model.ChangeDevice(FindDeviceByName(device).value());
    }
    TDeviceState state;
    TConfigModel model;
};

TEST(ConfigModel, DeviceChangeShowsTheBlankWordsOfTheNewDevice) {
    struct TCase {
        std::string_view Device;
        std::string_view Oscillator;
        std::string_view Text;
    };
    for (const TCase& c : {TCase{"16F84", "RC", "Config Word = $3FFF"},
                           TCase{"16F628", "ERC", "Config Word = $3DFF"},
                           TCase{"12F675", "ERC", "Config Word = $31FF"},
                           TCase{"12C508", "EXT", "Config Word = $001F"},
                           TCase{"16F88", "ERC", "Config Words = $3FFF + $0003"}}) {
        TModelFixture f(c.Device);
        EXPECT_EQ(f.model.OscillatorList().at(f.model.OscillatorIndex()), c.Oscillator) << c.Device;
        EXPECT_EQ(f.model.ConfigText(), c.Text) << c.Device;
        EXPECT_EQ(f.state.Image.ConfigWord1, f.state.Device().ConfigMask) << c.Device;
        EXPECT_EQ(f.state.Image.ConfigWord2, f.state.Device().Config2Mask) << c.Device;
        // Active-high boxes end checked, active-low ones unchecked.
        EXPECT_TRUE(f.model.Checked(TFuseBox::WDT)) << c.Device;
        EXPECT_FALSE(f.model.Checked(TFuseBox::CodeP)) << c.Device;
    }
}

TEST(ConfigModel, BoxesAndOscillatorComputeThe16F84Word) {
    TModelFixture f("16F84");
    f.model.SetChecked(TFuseBox::WDT, false);
    f.model.SelectOscillator(1);  // XT
    EXPECT_EQ(f.state.Image.ConfigWord1, 0x3FF9);
    EXPECT_EQ(f.model.ConfigText(), "Config Word = $3FF9");
    f.model.SetChecked(TFuseBox::CodeP, true);
    EXPECT_EQ(f.state.Image.ConfigWord1, 0x0009);
    f.model.SetChecked(TFuseBox::WDT, true);
    EXPECT_EQ(f.state.Image.ConfigWord1, 0x000D);
}

TEST(ConfigModel, PowerUpTimerPolarityFollowsTheDevice) {
    TModelFixture c84("16C84");
    c84.model.SetChecked(TFuseBox::PUT, true);
    EXPECT_EQ(c84.state.Image.ConfigWord1 & 0x0008, 0x0008) << "active-high on the 16C84";
    TModelFixture f84("16F84");
    f84.model.SetChecked(TFuseBox::PUT, true);
    EXPECT_EQ(f84.state.Image.ConfigWord1 & 0x0008, 0x0000) << "active-low on the 16F84";
}

struct TOscillatorCase {
    std::string_view Device;
    int Item;
    std::uint16_t Code;
};

class OscillatorCodes : public testing::TestWithParam<TOscillatorCase> {};

TEST_P(OscillatorCodes, ItemAndCodeMapBothWays) {
    const TOscillatorCase& c = GetParam();
    const TPicDevice& device = DeviceTable[FindDeviceByName(c.Device).value()];
    EXPECT_EQ(OscillatorCode(device, c.Item), c.Code);
    EXPECT_EQ(OscillatorItem(device, c.Code), c.Item);
}

INSTANTIATE_TEST_SUITE_P(
    Sets, OscillatorCodes,
    testing::Values(TOscillatorCase{"16F84", 3, 0x03}, TOscillatorCase{"16F628", 3, 0x03},
                    TOscillatorCase{"16F628", 4, 0x10}, TOscillatorCase{"16F628", 7, 0x13},
                    TOscillatorCase{"12F675", 2, 2}, TOscillatorCase{"12F675", 3, 4},
                    TOscillatorCase{"12F675", 6, 7}, TOscillatorCase{"12C508", 2, 2},
                    TOscillatorCase{"16C505", 3, 4}, TOscillatorCase{"16C505", 6, 7}));

TEST(ConfigModel, SetFourCode3ShowsAsHs) {
    const TPicDevice& device = DeviceTable[FindDeviceByName("12F675").value()];
    EXPECT_EQ(OscillatorNames(device.OscillatorSet).at(OscillatorItem(device, 0x3003)), "HS");
}

TEST(ConfigModel, SecondWordBoxesOn16F88) {
    TModelFixture f("16F88");
    f.model.SetChecked(TFuseBox::IESO, true);
    f.model.SetChecked(TFuseBox::FCMEN, true);
    EXPECT_TRUE(f.model.ConfigText().ends_with(" + $0003")) << f.model.ConfigText();
    f.model.SetChecked(TFuseBox::IESO, false);
    f.model.SetChecked(TFuseBox::FCMEN, false);
    EXPECT_TRUE(f.model.ConfigText().ends_with(" + $0000")) << f.model.ConfigText();
}

TEST(ConfigModel, OscillatorBeyondTheNewListMovesToItsLastItem) {
    TModelFixture f("16F628");
    f.model.SelectOscillator(7);  // ERC, the eighth item
    f.model.ChangeDevice(FindDeviceByName("16F84").value());
    EXPECT_EQ(f.model.OscillatorIndex(), 3);
}

// Loaded words must survive the words-to-boxes pass unchanged on every device: a later Save or
// Write uses them.
TEST(ConfigModel, UpdateConfigKeepsTheLoadedWordsOnEveryDevice) {
    for (std::uint8_t index = 0; index < kDeviceCount; ++index) {
        TModelFixture f(DeviceTable[index].Name);
        const TPicDevice& device = f.state.Device();
        for (std::uint16_t pattern : {0x0000, 0x1555, 0x2AAA, 0x3FFF, 0x0203, 0x3DFB}) {
            const auto word1 = static_cast<std::uint16_t>(pattern & device.ConfigMask);
            for (std::uint16_t word2 : {0x0000, 0x0001, 0x0002, 0x0003}) {
                f.state.Image.ConfigWord1 = word1;
                f.state.Image.ConfigWord2 = word2;
                f.model.UpdateConfig();
                ASSERT_EQ(f.state.Image.ConfigWord1, word1) << device.Name << " " << pattern;
                ASSERT_EQ(f.state.Image.ConfigWord2, word2 & device.Config2Mask) << device.Name;
                ASSERT_EQ(f.model.ConfigText(),
                          ConfigPanelText(device, word1, word2 & device.Config2Mask));
            }
        }
    }
}

TEST(ConfigModel, PartlySetWriteFieldOn16F88IsKeptWhenSecondWordBoxesChange) {
    TModelFixture f("16F88");
    f.state.Image.ConfigWord1 = 0x3DFF;  // WRT field 0x0600 only half set
    f.state.Image.ConfigWord2 = 0x0000;  // IESO and FCMEN boxes change: a recomputation runs
    f.model.UpdateConfig();
    EXPECT_EQ(f.state.Image.ConfigWord1, 0x3DFF);
    EXPECT_EQ(f.model.ConfigText(), "Config Words = $3DFF + $0000");
}

TEST(ConfigModel, LoadedFusesSetTheBoxes) {
    TModelFixture f("16F877A");
    f.state.Image.ConfigWord1 = 0x0F79;  // code protect on, LVP off, XT
    f.model.UpdateConfig();
    EXPECT_TRUE(f.model.Checked(TFuseBox::CodeP));
    EXPECT_FALSE(f.model.Checked(TFuseBox::LVP));
    EXPECT_EQ(f.model.OscillatorList().at(f.model.OscillatorIndex()), "XT");
    // A later click recomputes the whole word from the boxes.
    f.model.SetChecked(TFuseBox::WDT, !f.model.Checked(TFuseBox::WDT));
    EXPECT_NE(f.state.Image.ConfigWord1 & 0x0004, 0x0F79 & 0x0004);
}

TEST(ConfigModel, ChangeHandlerRunsOnEveryRecomputation) {
    TModelFixture f("16F84");
    int calls = 0;
    f.model.SetChangeHandler([&] { ++calls; });
    f.model.SetChecked(TFuseBox::WDT, f.model.Checked(TFuseBox::WDT));
    EXPECT_EQ(calls, 0) << "setting a box to its own state does nothing";
    f.model.SetChecked(TFuseBox::WDT, !f.model.Checked(TFuseBox::WDT));
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace vantrel
