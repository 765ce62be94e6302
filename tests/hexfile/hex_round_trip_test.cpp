// Saving an image and opening the file again must give the image back: a user who opens, saves
// and programs must get the chip they had. The only changes allowed are those the format cannot
// carry: configuration bits outside the device's masks, ID entries cut to bytes (an all-erased
// ID set comes back as 0x7F), and erased-looking 0x7F bytes at the end of the EEPROM data.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "hex_test_support.h"
#include "hexfile/hex_writer.h"

namespace vantrel {
namespace {

using test::Load;
using test::Record;
using test::StateFor;

// The image as a save and reload may legitimately change it.
TDeviceImage AsReloaded(TDeviceImage image, const TPicDevice& device) {
    image.ConfigWord1 &= device.ConfigMask;
    image.ConfigWord2 &= device.Config2Mask;
    if (!IdHasData(image, device)) {
        for (std::size_t i = 0; i < IdEntryCount(device); ++i) {
            image.IdBuffer[i] = kBlankIdValue;
        }
    }
    for (std::size_t end = image.DataBuffer.size();
         end > 0 && IsErasedByte(image.DataBuffer[end - 1]); --end) {
        image.DataBuffer[end - 1] = kBlankDataByte;
    }
    return image;
}

TDeviceImage SaveAndReload(TDeviceImage image, std::string_view device) {
    const TDeviceState state = StateFor(device);
    const std::vector<std::string> lines = BufferToHex(image, state.Device());
    const test::TLoaded loaded = Load(device, lines);
    EXPECT_TRUE(loaded.Result.Ok) << loaded.Result.Error;
    EXPECT_TRUE(loaded.Result.ConfigFound) << "the writer always writes the configuration";
    return loaded.State.Image;
}

// A random image of what a file or a chip read can put in the image: values already cut to
// each memory's width, runs of data with blank gaps of every length, odd starts and ends.
TDeviceImage RandomImage(std::string_view name, unsigned seed, int blankPercent) {
    TDeviceState state = StateFor(name);
    const TPicDevice& device = state.Device();
    TDeviceImage& image = state.Image;
    std::mt19937 random(seed);
    auto chance = [&](int percent) { return static_cast<int>(random() % 100) < percent; };
    for (std::size_t i = 0; i < device.ProgramSize; ++i) {
        if (!chance(blankPercent)) {
            image.ProgramBuffer[i] = static_cast<std::uint16_t>(random() & device.BlankWord);
        }
    }
    for (std::size_t i = 0; i < device.EepromSize; ++i) {
        if (!chance(blankPercent)) {
            image.DataBuffer[i] = static_cast<std::uint16_t>(random() & 0xFF);
        }
    }
    for (std::size_t i = 0; i < IdEntryCount(device); ++i) {
        image.IdBuffer[i] =
            static_cast<std::uint16_t>(random() & (IsPic18(device) ? 0xFF : 0x3FFF));
    }
    if (IsPic18(device)) {
        for (std::uint16_t& word : image.Config18) {
            word = static_cast<std::uint16_t>(random());
        }
    } else {
        image.ConfigWord1 = static_cast<std::uint16_t>(random() & device.ConfigMask);
        image.ConfigWord2 = static_cast<std::uint16_t>(random() & device.Config2Mask);
    }
    return image;
}

struct TRoundTripCase {
    std::string_view Device;
    int BlankPercent;
};

std::ostream& operator<<(std::ostream& out, const TRoundTripCase& c) {
    return out << c.Device << " with " << c.BlankPercent << "% blank";
}

class HexRoundTrip : public testing::TestWithParam<TRoundTripCase> {};

TEST_P(HexRoundTrip, SavedImageReloadsUnchanged) {
    const TRoundTripCase& c = GetParam();
    const TPicDevice& device = StateFor(c.Device).Device();
    for (unsigned seed = 1; seed <= 3; ++seed) {
        const TDeviceImage image = RandomImage(c.Device, seed, c.BlankPercent);
        EXPECT_EQ(test::ImageDifference(SaveAndReload(image, c.Device), AsReloaded(image, device)),
                  "")
            << "seed " << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(Devices, HexRoundTrip,
                         testing::Values(TRoundTripCase{"12C508", 30}, TRoundTripCase{"16C505", 90},
                                         TRoundTripCase{"16F84", 30}, TRoundTripCase{"16F877A", 60},
                                         TRoundTripCase{"16F88", 30}, TRoundTripCase{"12F675", 95},
                                         TRoundTripCase{"16F73", 50}, TRoundTripCase{"18F452", 30},
                                         TRoundTripCase{"18F2550", 97},
                                         TRoundTripCase{"18F4680", 0},
                                         TRoundTripCase{"18F4680", 50}));

TEST(HexRoundTrip, ListedChangesAreTheOnlyOnes) {
    TDeviceImage image = StateFor("16F84").Image;
    image.ConfigWord1 = 0xFFF1;
    image.IdBuffer = {0x0123, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F};
    image.DataBuffer[0] = 0x10;
    image.DataBuffer[1] = 0x7F;
    image.DataBuffer[2] = 0x7F;
    const TDeviceImage reloaded = SaveAndReload(image, "16F84");
    EXPECT_EQ(reloaded.ConfigWord1, 0x3FF1);
    EXPECT_EQ(reloaded.IdBuffer[0], 0x23);
    EXPECT_EQ(reloaded.DataBuffer[0], 0x10);
    EXPECT_EQ(reloaded.DataBuffer[1], 0xFF);
}

// Files other tools write, in the forms the reader had to learn, reload unchanged once saved.
TEST(HexRoundTrip, FilesOfOtherToolsSurviveOpenAndSave) {
    struct TFile {
        std::string_view Device;
        std::vector<std::string> Lines;
    };
    const std::vector<TFile> files{
        {"18F452", {":020000040030CA", ":03000100220C0EC0", ":010006008178", ":00000001FF"}},
        {"18F452",
         {":0200000400F00A", ":0900000056616E7472656C001209", ":03001100A55A3CB1", ":00000001FF"}},
        {"16F877A",
         {Record(0x4200, 0, {0x12, 0x34, 0x56, 0x34, 0x00, 0x34}), ":02400E00723FFF",
          ":00000001FF"}},
        {"16F84",
         {Record(0x0000, 3, {0x00, 0x00, 0x12, 0x34}), Record(0x0001, 0, {0x28, 0x05, 0x28}),
          Record(0x0000, 5, {0x00, 0x00, 0x00, 0x02}), ":00000001FF"}},
    };
    for (const TFile& file : files) {
        const test::TLoaded first = Load(file.Device, file.Lines);
        ASSERT_TRUE(first.Result.Ok) << first.Result.Error;
        EXPECT_EQ(test::ImageDifference(SaveAndReload(first.State.Image, file.Device),
                                        AsReloaded(first.State.Image, first.State.Device())),
                  "")
            << file.Lines.at(1);
    }
}

}  // namespace
}  // namespace vantrel
