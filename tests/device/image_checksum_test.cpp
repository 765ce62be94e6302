// The image checksum users compare with other tools, and the 18F configuration masks it (and
// the erase check) rely on.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "device/config18_masks.h"
#include "device/device_selection.h"
#include "device/image_checksum.h"

namespace vantrel {
namespace {

struct TImage {
    explicit TImage(std::string_view name)
        : Device(DeviceTable.at(FindDeviceByName(name).value())) {
        ClearBuffers(Image, Device);
    }
    [[nodiscard]] std::uint16_t Checksum() const { return ImageChecksum(Image, Device); }

    const TPicDevice& Device;
    TDeviceImage Image;
};

// Every program word of the device and the configuration word(s) through their masks; the sum
// keeps its low 16 bits.
TEST(ImageChecksum, FourteenBitPartsSumProgramWordsAndMaskedConfiguration) {
    TImage f84a("16F84A");
    EXPECT_EQ(f84a.Checksum(), static_cast<std::uint16_t>(1025 * 0x3FFF)) << "blank: 0x3BFF";
    EXPECT_EQ(ChecksumText(f84a.Image, f84a.Device), "Checksum 0x3BFF");
    f84a.Image.ProgramBuffer[0] = 0x2805;
    f84a.Image.ProgramBuffer[0x400] = 0x1234;  // beyond the 1K words: not the chip's
    f84a.Image.DataBuffer[0] = 0x12;
    f84a.Image.IdBuffer[0] = 0x05;
    EXPECT_EQ(f84a.Checksum(), static_cast<std::uint16_t>(1023 * 0x3FFF + 0x2805 + 0x3FFF));

    TImage c84("16C84");  // five implemented configuration bits
    c84.Image.ConfigWord1 = 0x3FFF;
    EXPECT_EQ(c84.Checksum(), static_cast<std::uint16_t>(1024 * 0x3FFF + 0x001F));

    TImage f88("16F88");  // and a second configuration word of two bits
    f88.Image.ConfigWord2 = 0x3FFF;
    EXPECT_EQ(f88.Checksum(), static_cast<std::uint16_t>(4096 * 0x3FFF + 0x3FFF + 0x0003));

    TImage c508("12C508");
    EXPECT_EQ(c508.Checksum(), static_cast<std::uint16_t>(512 * 0x0FFF + 0x001F));
}

TEST(ImageChecksum, Pic18PartsSumBytesAndMaskedConfigurationBytes) {
    TImage f452("18F452");
    const unsigned masks =
        0x27 + 0x0F + 0x0F + 0x01 + 0x85 + 0x0F + 0xC0 + 0x0F + 0xE0 + 0x0F + 0x40;
    EXPECT_EQ(f452.Checksum(), static_cast<std::uint16_t>(0x8000 * 0xFF + masks));
    f452.Image.ProgramBuffer[0] = 0x1234;  // two bytes, 0x34 and 0x12
    f452.Image.Config18[0] = 0x2200;       // CONFIG1L (nothing implemented), CONFIG1H 0x22
    EXPECT_EQ(f452.Checksum(),
              static_cast<std::uint16_t>(0x7FFE * 0xFF + 0x34 + 0x12 + masks - 0x27 + 0x22));
}

// The masks against the assembler's own include files, where each configuration setting is a
// value with the bits it clears: the implemented bits are those some setting clears.
std::array<std::uint8_t, kConfig18ByteCount> MasksFromIncludeFile(const std::string& text) {
    std::map<std::string, std::uint32_t> addresses;
    const std::regex address(R"(_(CONFIG\d[LH])\s+EQU\s+H'([0-9A-F]+)')");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), address);
         it != std::sregex_iterator(); ++it) {
        addresses[(*it)[1]] = static_cast<std::uint32_t>(std::stoul((*it)[2], nullptr, 16));
    }
    std::array<std::uint8_t, kConfig18ByteCount> masks{};
    const std::regex setting(R"(_\w+_(\d[LH])\s+EQU\s+H'([0-9A-F]{2})')");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), setting);
         it != std::sregex_iterator(); ++it) {
        const auto found = addresses.find("CONFIG" + std::string((*it)[1]));
        if (found == addresses.end()) {
            continue;
        }
        const auto value = static_cast<std::uint8_t>(std::stoul((*it)[2], nullptr, 16));
        masks.at(found->second - 0x300000) |= static_cast<std::uint8_t>(~value);
    }
    return masks;
}

TEST(Config18Masks, AgreeWithTheAssemblersIncludeFiles) {
    const std::filesystem::path headers = "/usr/share/gputils/header";
    if (!std::filesystem::exists(headers)) {
        GTEST_SKIP() << "needs the gputils include files";
    }
    for (const TPicDevice& device : DeviceTable) {
        if (!IsPic18(device)) {
            EXPECT_EQ(Config18Masks(device), (std::array<std::uint8_t, kConfig18ByteCount>{}));
            continue;
        }
        std::string name = "p" + std::string(device.Name) + ".inc";
        for (char& c : name) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        std::ifstream file(headers / name);
        ASSERT_TRUE(file) << name;
        std::ostringstream text;
        text << file.rdbuf();
        EXPECT_EQ(Config18Masks(device), MasksFromIncludeFile(text.str())) << device.Name;
    }
}

}  // namespace
}  // namespace vantrel
