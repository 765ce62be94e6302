#include <gtest/gtest.h>

#include "flash14_recipes.h"

namespace vantrel::test {
namespace {

// The EPROM algorithms of the chip notes: 100 us pulses (0x08, wait, 0x0E) with a read-back
// after each, up to 8 (12-bit) or 25 (14-bit), then 11 x N or 3 x N more.
struct TEpromRecipe {
    std::string_view Device;
    bool TwelveBit;
    int MaxPulses;
    int OverFactor;
};

std::ostream& operator<<(std::ostream& out, const TEpromRecipe& recipe) {
    return out << recipe.Device;
}

const std::vector<TEpromRecipe> kEpromRecipes{
    {"12C508", true, 8, 11},   {"12C509", true, 8, 11},  {"16C505", true, 8, 11},
    {"12C671", false, 25, 3},  {"12C672", false, 25, 3}, {"16C621A", false, 25, 3},
    {"16C622A", false, 25, 3}, {"16C745", false, 25, 3}, {"16C765", false, 25, 3},
};

constexpr std::uint32_t kPulse = 100;

class EpromHost {
  public:
    EpromHost(TSimRig& rig, const TEpromRecipe& recipe) : rig_(rig), recipe_(recipe) {}

    // A program word as the part defines it: 12 of the frame's 14 bits on the 12-bit parts.
    std::uint16_t ReadWord() {
        return rig_.host.Read(kReadProgram) & (recipe_.TwelveBit ? 0x0FFF : 0x3FFF);
    }

    void Pulse(std::uint32_t microseconds = kPulse) {
        rig_.host.Command(kBegin);
        rig_.host.Wait(microseconds);
        rig_.host.Command(kEnd0E);
    }

    // Programs the word at the counter; returns the pulses it took to verify, 0 if it never did.
    int ProgramWord(std::uint16_t word, int overFactor) {
        rig_.host.Load(kLoadProgram, word);
        for (int pulses = 1; pulses <= recipe_.MaxPulses; ++pulses) {
            Pulse();
            if (ReadWord() == word) {
                for (int i = 0; i < overFactor * pulses; ++i) {
                    Pulse();
                }
                return pulses;
            }
        }
        return 0;
    }

    // From entry to program address 0 (12-bit parts start on the configuration word).
    void EnterAtProgramZero() {
        rig_.host.EnterVddFirst();
        if (recipe_.TwelveBit) {
            rig_.host.Increment();
        }
    }

  private:
    TSimRig& rig_;
    const TEpromRecipe& recipe_;
};

class EpromFamilyTest : public testing::TestWithParam<TEpromRecipe> {};

TEST_P(EpromFamilyTest, FactoryChipShowsItsLayoutAndCalibrationWord) {
    const TEpromRecipe& recipe = GetParam();
    TSimRig rig(recipe.Device);
    const TPicDevice& device = rig.Chip().Device();
    EpromHost eprom(rig, recipe);
    rig.host.EnterVddFirst();
    if (recipe.TwelveBit) {
        EXPECT_EQ(eprom.ReadWord(), device.ConfigMask) << "entry is on the config word";
        rig.host.Increment();
    }
    rig.host.Increment(device.ProgramSize - 1);
    const std::uint16_t last = eprom.ReadWord();
    if (HasCalibrationWord(device)) {
        EXPECT_EQ(device.CalibrationAddress, device.ProgramSize - 1u);
        EXPECT_EQ(last & 0xFF00, recipe.TwelveBit ? 0x0C00 : 0x3400) << "MOVLW / RETLW k";
        EXPECT_EQ(last, FactoryCalibrationWord(DeviceIndex(recipe.Device)).value());
    } else {
        EXPECT_EQ(last, device.BlankWord);
    }
    if (recipe.TwelveBit) {
        rig.host.Increment();  // the IDs follow program memory
        EXPECT_EQ(eprom.ReadWord(), 0x0FFF);
    } else {
        rig.host.Load(kLoadConfig, 0x3FFF);
        rig.host.Increment(7);
        EXPECT_EQ(eprom.ReadWord(), device.ConfigMask);
    }
    rig.host.Exit();
    EXPECT_NO_VIOLATIONS(rig);
}

TEST_P(EpromFamilyTest, WordsProgramByRepeatedPulsesAndNeverComeBack) {
    const TEpromRecipe& recipe = GetParam();
    TSimRig rig(recipe.Device);
    EpromHost eprom(rig, recipe);
    eprom.EnterAtProgramZero();
    const std::vector<std::uint16_t> words{0x0A5A, 0x0123, 0x0000};
    std::vector<int> pulses;
    for (const std::uint16_t word : words) {
        pulses.push_back(eprom.ProgramWord(word, recipe.OverFactor));
        rig.host.Increment();
    }
    rig.host.Exit();
    EXPECT_EQ(pulses, (std::vector<int>{1, 2, 3})) << "cells differ in how many pulses they need";
    EXPECT_TRUE(std::equal(words.begin(), words.end(), rig.Chip().Program.begin()));

    // Ones cannot come back, and nothing erases.
    eprom.EnterAtProgramZero();
    EXPECT_EQ(eprom.ProgramWord(0x0FFF, recipe.OverFactor), 0);
    rig.host.Command(kBulkEraseProgram);
    rig.host.Exit();
    EXPECT_EQ(rig.Chip().Program[0], 0x0A5A);
    EXPECT_EQ(rig.Count(TSimViolationKind::UnknownCommand), 1u) << rig.Log().Describe();
    EXPECT_EQ(rig.Log().Count(), 1u);
}

TEST_P(EpromFamilyTest, IdsAndConfigurationProgramWhereTheLayoutPutsThem) {
    const TEpromRecipe& recipe = GetParam();
    TSimRig rig(recipe.Device);
    EpromHost eprom(rig, recipe);
    const TPicDevice& device = rig.Chip().Device();
    const auto config = static_cast<std::uint16_t>(device.ConfigMask & ~device.WdtFuse.Mask);
    rig.host.EnterVddFirst();
    if (recipe.TwelveBit) {
        rig.host.Load(kLoadProgram, config);
        for (int i = 0; i < 100; ++i) {
            eprom.Pulse();
        }
        rig.host.Increment(device.ProgramSize + 2);  // 0xFFF wraps to 0, then past program memory
    } else {
        rig.host.Load(kLoadConfig, 0x0011);
        EXPECT_GT(eprom.ProgramWord(0x0011, recipe.OverFactor), 0);
        rig.host.Increment(7);
        rig.host.Load(kLoadProgram, config);
        for (int i = 0; i < 100; ++i) {
            eprom.Pulse();
        }
        rig.host.Load(kLoadConfig, 0x3FFF);
        rig.host.Increment();
    }
    EXPECT_GT(eprom.ProgramWord(0x0022, recipe.OverFactor), 0);  // the second ID word
    rig.host.Exit();
    EXPECT_EQ(rig.Chip().Config[0], config);
    EXPECT_EQ(rig.Chip().Ids[1], 0x0022);
    EXPECT_NO_VIOLATIONS(rig);
}

INSTANTIATE_TEST_SUITE_P(EveryEpromDevice, EpromFamilyTest, testing::ValuesIn(kEpromRecipes),
                         [](const auto& info) { return std::string(info.param.Device); });

TEST(EpromRules, ShortPulsesAreLoggedAndTwelveBitPartsWantVddFirst) {
    const TEpromRecipe& recipe = kEpromRecipes[0];
    TSimRig rig(recipe.Device);
    EpromHost eprom(rig, recipe);
    rig.host.EnterVppFirst();
    rig.host.Increment();
    rig.host.Load(kLoadProgram, 0x0000);
    eprom.Pulse(40);
    eprom.Pulse(40);
    eprom.Pulse(40);
    rig.host.Exit();
    EXPECT_EQ(rig.Count(TSimViolationKind::PowerSequence), 1u);
    EXPECT_EQ(rig.Count(TSimViolationKind::ShortPulse), 3u);
    EXPECT_EQ(rig.Chip().Program[0], 0x0000) << "short pulses still add up";
}

TEST(EpromRules, ProtectedPartRefusesProgramWords) {
    TSimChipState chip = FactoryFreshChip(DeviceIndex("12C671"));
    chip.Program[0] = 0x0AAA;
    TurnOnCodeProtection(chip);
    TSimRig rig(chip);
    EpromHost eprom(rig, kEpromRecipes[3]);
    eprom.EnterAtProgramZero();
    EXPECT_EQ(rig.host.Read(kReadProgram), 0x0000);
    EXPECT_EQ(eprom.ProgramWord(0x0000, 3), 1) << "it reads zeros anyway";
    rig.host.Exit();
    EXPECT_EQ(rig.Chip().Program[0], 0x0AAA);
    EXPECT_GE(rig.Count(TSimViolationKind::ProtectedWrite), 1u);
}

}  // namespace
}  // namespace vantrel::test
