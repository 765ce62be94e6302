// The device table is the one place every chip fact comes from, and a wrong digit in it programs
// a chip wrongly. These tests hold the table against a second transcription of the device data,
// written separately from the table itself, row by row and field by field.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "device/device_selection.h"
#include "device/device_table.h"
#include "device/hex_text.h"

namespace vantrel {
namespace {

// Memories and addresses, in table order.
struct TMemoryRow {
    std::string_view Name;
    std::uint16_t ProgramSize;
    std::uint16_t EepromSize;
    std::uint32_t EepromAddress;
    std::uint32_t IdAddress;
    std::uint32_t ConfigAddress;
    std::uint16_t ConfigMask;
    std::uint16_t Config2Mask;
    std::uint16_t BlankWord;
    std::uint16_t CalibrationAddress;
};

// clang-format off
constexpr std::array<TMemoryRow, 50> kMemories{{
    {"16C84",   0x0400, 0x0040, 0x2100,   0x2000,   0x2007,   0x001F, 0x0000, 0x3FFF, 0x0000},
    {"16F83",   0x0200, 0x0040, 0x2100,   0x2000,   0x2007,   0x3FFF, 0x0000, 0x3FFF, 0x0000},
    {"16F84",   0x0400, 0x0040, 0x2100,   0x2000,   0x2007,   0x3FFF, 0x0000, 0x3FFF, 0x0000},
    {"16F84A",  0x0400, 0x0040, 0x2100,   0x2000,   0x2007,   0x3FFF, 0x0000, 0x3FFF, 0x0000},
    {"16F873",  0x1000, 0x0080, 0x2100,   0x2000,   0x2007,   0x3BFF, 0x0000, 0x3FFF, 0x0000},
    {"16F874",  0x1000, 0x0080, 0x2100,   0x2000,   0x2007,   0x3BFF, 0x0000, 0x3FFF, 0x0000},
    {"16F876",  0x2000, 0x0100, 0x2100,   0x2000,   0x2007,   0x3BFF, 0x0000, 0x3FFF, 0x0000},
    {"16F877",  0x2000, 0x0100, 0x2100,   0x2000,   0x2007,   0x3BFF, 0x0000, 0x3FFF, 0x0000},
    {"16F627",  0x0400, 0x0080, 0x2100,   0x2000,   0x2007,   0x3DFF, 0x0000, 0x3FFF, 0x0000},
    {"16F628",  0x0800, 0x0080, 0x2100,   0x2000,   0x2007,   0x3DFF, 0x0000, 0x3FFF, 0x0000},
    // The 12C508/509 ID words follow program memory, outside it, so they survive save and load.
    {"12C508",  0x0200, 0x0000, 0xFFFF,   0x0200,   0x0FFF,   0x001F, 0x0000, 0x0FFF, 0x01FF},
    {"12C509",  0x0400, 0x0000, 0xFFFF,   0x0400,   0x0FFF,   0x001F, 0x0000, 0x0FFF, 0x03FF},
    {"12C671",  0x0400, 0x0000, 0xFFFF,   0x2000,   0x2007,   0x3FFF, 0x0000, 0x3FFF, 0x03FF},
    {"12C672",  0x0800, 0x0000, 0xFFFF,   0x2000,   0x2007,   0x3FFF, 0x0000, 0x3FFF, 0x07FF},
    {"16C621A", 0x0400, 0x0000, 0xFFFF,   0x2000,   0x2007,   0x3F7F, 0x0000, 0x3FFF, 0xFFFF},
    {"16C622A", 0x0800, 0x0000, 0xFFFF,   0x2000,   0x2007,   0x3F7F, 0x0000, 0x3FFF, 0xFFFF},
    {"16C745",  0x2000, 0x0000, 0xFFFF,   0x2000,   0x2007,   0x3F3F, 0x0000, 0x3FFF, 0xFFFF},
    {"16C505",  0x0400, 0x0000, 0xFFFF,   0x0400,   0x0FFF,   0x0FFF, 0x0000, 0x0FFF, 0x03FF},
    {"12F629",  0x0400, 0x0080, 0x2100,   0x2000,   0x2007,   0x31FF, 0x0000, 0x3FFF, 0x03FF},
    {"12F675",  0x0400, 0x0080, 0x2100,   0x2000,   0x2007,   0x31FF, 0x0000, 0x3FFF, 0x03FF},
    {"16F872",  0x0800, 0x0040, 0x2100,   0x2000,   0x2007,   0x3BFF, 0x0000, 0x3FFF, 0x0000},
    {"16F73",   0x1000, 0x0000, 0x2100,   0x2000,   0x2007,   0x005F, 0x0000, 0x3FFF, 0x0000},
    {"16F74",   0x1000, 0x0000, 0x2100,   0x2000,   0x2007,   0x005F, 0x0000, 0x3FFF, 0x0000},
    {"16F76",   0x2000, 0x0000, 0x2100,   0x2000,   0x2007,   0x005F, 0x0000, 0x3FFF, 0x0000},
    {"16F77",   0x2000, 0x0000, 0x2100,   0x2000,   0x2007,   0x005F, 0x0000, 0x3FFF, 0x0000},
    {"16F873A", 0x1000, 0x0080, 0x2100,   0x2000,   0x2007,   0x2FCF, 0x0000, 0x3FFF, 0x0000},
    {"16F874A", 0x1000, 0x0080, 0x2100,   0x2000,   0x2007,   0x2FCF, 0x0000, 0x3FFF, 0x0000},
    {"16F876A", 0x2000, 0x0100, 0x2100,   0x2000,   0x2007,   0x2FCF, 0x0000, 0x3FFF, 0x0000},
    {"16F877A", 0x2000, 0x0100, 0x2100,   0x2000,   0x2007,   0x2FCF, 0x0000, 0x3FFF, 0x0000},
    {"16F818",  0x0400, 0x0080, 0x2100,   0x2000,   0x2007,   0x3FFF, 0x0000, 0x3FFF, 0x0000},
    {"16F819",  0x0800, 0x0100, 0x2100,   0x2000,   0x2007,   0x3FFF, 0x0000, 0x3FFF, 0x0000},
    {"16F648A", 0x1000, 0x0100, 0x2100,   0x2000,   0x2007,   0x21FF, 0x0000, 0x3FFF, 0x0000},
    {"16F628A", 0x0800, 0x0080, 0x2100,   0x2000,   0x2007,   0x21FF, 0x0000, 0x3FFF, 0x0000},
    {"16F627A", 0x0400, 0x0080, 0x2100,   0x2000,   0x2007,   0x21FF, 0x0000, 0x3FFF, 0x0000},
    {"16F630",  0x0400, 0x0080, 0x2100,   0x2000,   0x2007,   0x31FF, 0x0000, 0x3FFF, 0x03FF},
    {"16F676",  0x0400, 0x0080, 0x2100,   0x2000,   0x2007,   0x31FF, 0x0000, 0x3FFF, 0x03FF},
    {"16C765",  0x2000, 0x0000, 0xFFFF,   0x2000,   0x2007,   0x3F3F, 0x0000, 0x3FFF, 0xFFFF},
    {"18F242",  0x2000, 0x0100, 0xF00000, 0x200000, 0x300000, 0x3F3F, 0x0000, 0xFFFF, 0xFFFF},
    {"18F248",  0x2000, 0x0100, 0xF00000, 0x200000, 0x300000, 0x3F3F, 0x0000, 0xFFFF, 0xFFFF},
    {"18F252",  0x4000, 0x0100, 0xF00000, 0x200000, 0x300000, 0x3F3F, 0x0000, 0xFFFF, 0xFFFF},
    {"18F258",  0x4000, 0x0100, 0xF00000, 0x200000, 0x300000, 0x3F3F, 0x0000, 0xFFFF, 0xFFFF},
    {"18F442",  0x2000, 0x0100, 0xF00000, 0x200000, 0x300000, 0x3F3F, 0x0000, 0xFFFF, 0xFFFF},
    {"18F448",  0x2000, 0x0100, 0xF00000, 0x200000, 0x300000, 0x3F3F, 0x0000, 0xFFFF, 0xFFFF},
    {"18F452",  0x4000, 0x0100, 0xF00000, 0x200000, 0x300000, 0x3F3F, 0x0000, 0xFFFF, 0xFFFF},
    {"18F458",  0x4000, 0x0100, 0xF00000, 0x200000, 0x300000, 0x3F3F, 0x0000, 0xFFFF, 0xFFFF},
    {"18F4680", 0x8000, 0x0100, 0xF00000, 0x200000, 0x300000, 0x3F3F, 0x0000, 0xFFFF, 0xFFFF},
    {"18F4550", 0x4000, 0x0100, 0xF00000, 0x200000, 0x300000, 0x3F3F, 0x0000, 0xFFFF, 0xFFFF},
    {"18F2550", 0x4000, 0x0100, 0xF00000, 0x200000, 0x300000, 0x3F3F, 0x0000, 0xFFFF, 0xFFFF},
    {"16F88",   0x1000, 0x0100, 0x2100,   0x2000,   0x2007,   0x3FFF, 0x0003, 0x3FFF, 0x0000},
    {"16F87",   0x1000, 0x0100, 0x2100,   0x2000,   0x2007,   0x3FFF, 0x0003, 0x3FFF, 0x0000},
}};
// clang-format on

// Algorithm, oscillator and programming parameters, in table order.
struct TParameterRow {
    std::string_view Name;
    std::uint16_t Algorithm;
    std::uint16_t OscillatorSet;
    std::uint16_t Fosc2Mask;
    bool UsesVpp40;
    std::int16_t WriteBlock;
    std::uint16_t RegisterSet;
    std::string_view IncludeFile;
};

// clang-format off
constexpr std::array<TParameterRow, 50> kParameters{{
    {"16C84",    1, 1, 0x0000, false, 1, 1, "P16C84.inc"},
    {"16F83",    1, 1, 0x0000, false, 1, 1, "P16F83.inc"},
    {"16F84",    1, 1, 0x0000, false, 1, 1, "P16F84.inc"},
    {"16F84A",   1, 1, 0x0000, false, 1, 1, "P16F84A.inc"},
    {"16F873",   1, 1, 0x0000, true,  1, 3, "P16F873.inc"},
    {"16F874",   1, 1, 0x0000, true,  1, 3, "P16F874.inc"},
    {"16F876",   1, 1, 0x0000, true,  1, 3, "P16F876.inc"},
    {"16F877",   1, 1, 0x0000, true,  1, 3, "P16F877.inc"},
    {"16F627",   1, 2, 0x0010, false, 1, 4, "P16F627.inc"},
    {"16F628",   1, 2, 0x0010, false, 1, 4, "P16F628.inc"},
    {"12C508",   2, 3, 0x0000, false, 1, 2, "P12C508.inc"},
    {"12C509",   2, 3, 0x0000, false, 1, 2, "P12C509.inc"},
    {"12C671",   2, 4, 0x0004, false, 1, 5, "P12C671.inc"},
    {"12C672",   2, 4, 0x0004, false, 1, 5, "P12C672.inc"},
    {"16C621A",  2, 1, 0x0000, false, 1, 5, "P16C621A.inc"},
    {"16C622A",  2, 1, 0x0000, false, 1, 5, "P16C622A.inc"},
    {"16C745",   2, 5, 0x0000, true,  1, 5, "P16C745.inc"},
    {"16C505",   2, 4, 0x0004, false, 1, 7, "P16C505.inc"},
    {"12F629",   9, 4, 0x0004, false, 1, 6, "P12F629.inc"},
    {"12F675",   9, 4, 0x0004, false, 1, 6, "P12F675.inc"},
    {"16F872",   1, 1, 0x0000, true,  1, 3, "P16F872.inc"},
    {"16F73",    5, 1, 0x0000, true,  2, 3, "P16F73.inc"},
    {"16F74",    5, 1, 0x0000, true,  2, 3, "P16F74.inc"},
    {"16F76",    5, 1, 0x0000, true,  2, 3, "P16F76.inc"},
    {"16F77",    5, 1, 0x0000, true,  2, 3, "P16F77.inc"},
    {"16F873A",  4, 1, 0x0000, true,  8, 3, "P16F873A.inc"},
    {"16F874A",  4, 1, 0x0000, true,  8, 3, "P16F874A.inc"},
    {"16F876A",  4, 1, 0x0000, true,  8, 3, "P16F876A.inc"},
    {"16F877A",  4, 1, 0x0000, true,  8, 3, "P16F877A.inc"},
    {"16F818",   6, 2, 0x0010, false, 4, 3, "P16F818.inc"},
    {"16F819",   6, 2, 0x0010, false, 4, 3, "P16F819.inc"},
    {"16F648A",  7, 2, 0x0010, false, 1, 3, "P16F648A.inc"},
    {"16F628A",  7, 2, 0x0010, false, 1, 3, "P16F628A.inc"},
    {"16F627A",  7, 2, 0x0010, false, 1, 3, "P16F627A.inc"},
    {"16F630",   9, 4, 0x0004, false, 1, 6, "P16F630.inc"},
    {"16F676",   9, 4, 0x0004, false, 1, 6, "P16F676.inc"},
    {"16C765",   2, 5, 0x0000, true,  1, 5, "P16C765.inc"},
    {"18F242",   8, 5, 0x0000, true,  4, 0, "P18F242.inc"},
    {"18F248",   8, 5, 0x0000, true,  4, 0, "P18F248.inc"},
    {"18F252",   8, 5, 0x0000, true,  4, 0, "P18F252.inc"},
    {"18F258",   8, 5, 0x0000, true,  4, 0, "P18F258.inc"},
    {"18F442",   8, 5, 0x0000, true,  4, 0, "P18F442.inc"},
    {"18F448",   8, 5, 0x0000, true,  4, 0, "P18F448.inc"},
    {"18F452",   8, 5, 0x0000, true,  4, 0, "P18F452.inc"},
    {"18F458",   8, 5, 0x0000, true,  4, 0, "P18F458.inc"},
    {"18F4680", 10, 5, 0x0000, true,  4, 0, "P18F4680.inc"},
    {"18F4550", 10, 5, 0x0000, true,  4, 0, "P18F4550.inc"},
    {"18F2550", 10, 5, 0x0000, true,  4, 0, "P18F2550.inc"},
    {"16F88",    6, 2, 0x0010, false, 4, 3, "P16F88.inc"},
    {"16F87",    6, 2, 0x0010, false, 4, 3, "P16F87.inc"},
}};
// clang-format on

// The fourteen fuses in record order. An absent fuse is {0, false}.
struct TFuses {
    TFuseBits Wdt, Put, Mclr, Bor, Lvp, Cpd, Wrt, Cp, Debug, Bg0, Bg1, Ccpmx, Ieso, Fcmen;
};

constexpr TFuseBits kNone{0x0000, false};
constexpr TFuseBits High(std::uint16_t mask) {
    return {mask, false};
}
constexpr TFuseBits Low(std::uint16_t mask) {
    return {mask, true};
}

// Devices sharing one set of fuse masks.
struct TFuseGroup {
    std::array<std::string_view, 13> Devices;  // unused slots empty
    TFuses Fuses;
};

// clang-format off
const std::array<TFuseGroup, 15> kFuseGroups{{
    //                  Wdt           Put           Mclr          Bor           Lvp           Cpd          Wrt           Cp            Debug        Bg0           Bg1           Ccpmx         Ieso          Fcmen
    {{"16C84"},
     {High(0x0004), High(0x0008), kNone,        kNone,        kNone,        kNone,       kNone,        Low(0x0010),  kNone,       kNone,        kNone,        kNone,        kNone,        kNone}},
    {{"16F83", "16F84", "16F84A"},
     {High(0x0004), Low(0x0008),  kNone,        kNone,        kNone,        kNone,       kNone,        Low(0x3FF0),  kNone,       kNone,        kNone,        kNone,        kNone,        kNone}},
    {{"16F873", "16F874", "16F876", "16F877", "16F872"},
     {High(0x0004), Low(0x0008),  kNone,        High(0x0040), High(0x0080), Low(0x0100), High(0x0200), Low(0x3030),  Low(0x0800), kNone,        kNone,        kNone,        kNone,        kNone}},
    {{"16F627", "16F628"},
     {High(0x0004), Low(0x0008),  High(0x0020), High(0x0040), High(0x0080), Low(0x0100), kNone,        Low(0x3C00),  kNone,       kNone,        kNone,        kNone,        kNone,        kNone}},
    {{"12C508", "12C509"},
     {High(0x0004), kNone,        High(0x0010), kNone,        kNone,        kNone,       kNone,        Low(0x0008),  kNone,       kNone,        kNone,        kNone,        kNone,        kNone}},
    {{"12C671", "12C672"},
     {High(0x0008), Low(0x0010),  High(0x0080), kNone,        kNone,        kNone,       kNone,        Low(0x3F60),  kNone,       kNone,        kNone,        kNone,        kNone,        kNone}},
    {{"16C621A", "16C622A"},
     {High(0x0004), Low(0x0008),  kNone,        High(0x0040), kNone,        kNone,       kNone,        Low(0x3F30),  kNone,       kNone,        kNone,        kNone,        kNone,        kNone}},
    {{"16C745", "16C765", "18F242", "18F248", "18F252", "18F258", "18F442", "18F448", "18F452",
      "18F458", "18F4680", "18F4550", "18F2550"},
     {High(0x0004), Low(0x0008),  kNone,        kNone,        kNone,        kNone,       kNone,        Low(0x3F30),  kNone,       kNone,        kNone,        kNone,        kNone,        kNone}},
    {{"16C505"},
     {High(0x0008), kNone,        High(0x0020), kNone,        kNone,        kNone,       kNone,        Low(0x0FD0),  kNone,       kNone,        kNone,        kNone,        kNone,        kNone}},
    {{"12F629", "12F675", "16F630", "16F676"},
     {High(0x0008), Low(0x0010),  High(0x0020), High(0x0040), kNone,        Low(0x0100), kNone,        Low(0x0080),  kNone,       High(0x1000), High(0x2000), kNone,        kNone,        kNone}},
    {{"16F73", "16F74", "16F76", "16F77"},
     {High(0x0004), Low(0x0008),  kNone,        High(0x0040), kNone,        kNone,       kNone,        Low(0x0010),  kNone,       kNone,        kNone,        kNone,        kNone,        kNone}},
    {{"16F873A", "16F874A", "16F876A", "16F877A"},
     {High(0x0004), Low(0x0008),  kNone,        High(0x0040), High(0x0080), Low(0x0100), High(0x0600), Low(0x2000),  Low(0x0800), kNone,        kNone,        kNone,        kNone,        kNone}},
    {{"16F818", "16F819"},
     {High(0x0004), Low(0x0008),  High(0x0020), High(0x0040), High(0x0080), Low(0x0100), High(0x0600), Low(0x2000),  Low(0x0800), kNone,        kNone,        High(0x1000), kNone,        kNone}},
    {{"16F648A", "16F628A", "16F627A"},
     {High(0x0004), Low(0x0008),  High(0x0020), High(0x0040), High(0x0080), Low(0x0100), kNone,        Low(0x2000),  kNone,       kNone,        kNone,        kNone,        kNone,        kNone}},
    {{"16F88", "16F87"},
     {High(0x0004), Low(0x0008),  High(0x0020), High(0x0040), High(0x0080), Low(0x0100), High(0x0600), Low(0x2000),  Low(0x0800), kNone,        kNone,        High(0x1000), High(0x0002), High(0x0001)}},
}};
// clang-format on

const TFuses* FusesOf(std::string_view name) {
    for (const TFuseGroup& group : kFuseGroups) {
        if (std::find(group.Devices.begin(), group.Devices.end(), name) != group.Devices.end()) {
            return &group.Fuses;
        }
    }
    return nullptr;
}

std::string FuseText(const TFuseBits& fuse) {
    return "0x" + HexWordText(fuse.Mask) + (fuse.Inverted ? " inverted" : "");
}

void ExpectFuse(const char* field, const TFuseBits& actual, const TFuseBits& expected) {
    EXPECT_EQ(FuseText(actual), FuseText(expected)) << field;
}

TEST(DeviceTable, HoldsFiftyDevicesWithUniqueNames) {
    ASSERT_EQ(DeviceTable.size(), 50u);
    for (std::size_t i = 0; i < DeviceTable.size(); ++i) {
        for (std::size_t j = i + 1; j < DeviceTable.size(); ++j) {
            EXPECT_NE(DeviceTable[i].Name, DeviceTable[j].Name);
        }
        EXPECT_LE(DeviceTable[i].Name.size(), 11u);
        EXPECT_LE(DeviceTable[i].IncludeFile.size(), 13u);
    }
}

TEST(DeviceTable, EveryGroupedDeviceIsInTheTableOnce) {
    std::size_t grouped = 0;
    for (const TFuseGroup& group : kFuseGroups) {
        for (std::string_view name : group.Devices) {
            if (!name.empty()) {
                ++grouped;
                EXPECT_TRUE(FindDeviceByName(name).has_value()) << name;
            }
        }
    }
    EXPECT_EQ(grouped, 50u);
}

TEST(DeviceTable, MemoriesAndAddressesMatchTheDeviceData) {
    for (std::size_t i = 0; i < kMemories.size(); ++i) {
        const TMemoryRow& row = kMemories[i];
        const TPicDevice& device = DeviceTable.at(i);
        SCOPED_TRACE(testing::Message() << "index " << i << " " << row.Name);
        EXPECT_EQ(device.Name, row.Name);
        EXPECT_EQ(device.ProgramSize, row.ProgramSize);
        EXPECT_EQ(device.EepromSize, row.EepromSize);
        EXPECT_EQ(device.EepromAddress, row.EepromAddress);
        EXPECT_EQ(device.IdAddress, row.IdAddress);
        EXPECT_EQ(device.ConfigAddress, row.ConfigAddress);
        EXPECT_EQ(device.ConfigMask, row.ConfigMask);
        EXPECT_EQ(device.Config2Mask, row.Config2Mask);
        EXPECT_EQ(device.BlankWord, row.BlankWord);
        EXPECT_EQ(device.CalibrationAddress, row.CalibrationAddress);
    }
}

TEST(DeviceTable, ParametersMatchTheDeviceData) {
    for (std::size_t i = 0; i < kParameters.size(); ++i) {
        const TParameterRow& row = kParameters[i];
        const TPicDevice& device = DeviceTable.at(i);
        SCOPED_TRACE(testing::Message() << "index " << i << " " << row.Name);
        EXPECT_EQ(device.Name, row.Name);
        EXPECT_EQ(device.Algorithm, row.Algorithm);
        EXPECT_EQ(device.OscillatorSet, row.OscillatorSet);
        EXPECT_EQ(device.Fosc2Mask, row.Fosc2Mask);
        EXPECT_EQ(device.UsesVpp40, row.UsesVpp40);
        EXPECT_EQ(device.WriteBlock, row.WriteBlock);
        EXPECT_EQ(device.RegisterSet, row.RegisterSet);
        EXPECT_EQ(device.IncludeFile, row.IncludeFile);
    }
}

TEST(DeviceTable, FusesMatchTheDeviceData) {
    for (const TPicDevice& device : DeviceTable) {
        SCOPED_TRACE(device.Name);
        const TFuses* fuses = FusesOf(device.Name);
        ASSERT_NE(fuses, nullptr);
        ExpectFuse("WdtFuse", device.WdtFuse, fuses->Wdt);
        ExpectFuse("PutFuse", device.PutFuse, fuses->Put);
        ExpectFuse("MclrFuse", device.MclrFuse, fuses->Mclr);
        ExpectFuse("BorFuse", device.BorFuse, fuses->Bor);
        ExpectFuse("LvpFuse", device.LvpFuse, fuses->Lvp);
        ExpectFuse("CpdFuse", device.CpdFuse, fuses->Cpd);
        ExpectFuse("WrtFuse", device.WrtFuse, fuses->Wrt);
        ExpectFuse("CpFuse", device.CpFuse, fuses->Cp);
        ExpectFuse("DebugFuse", device.DebugFuse, fuses->Debug);
        ExpectFuse("Bg0Fuse", device.Bg0Fuse, fuses->Bg0);
        ExpectFuse("Bg1Fuse", device.Bg1Fuse, fuses->Bg1);
        ExpectFuse("CcpmxFuse", device.CcpmxFuse, fuses->Ccpmx);
        ExpectFuse("IesoFuse", device.IesoFuse, fuses->Ieso);
        ExpectFuse("FcmenFuse", device.FcmenFuse, fuses->Fcmen);
    }
}

// Checks that hold across rows, so a row copied from its neighbour is caught even where both
// transcriptions could share a slip.
TEST(DeviceTable, RowsAreConsistentWithTheirFamily) {
    for (const TPicDevice& device : DeviceTable) {
        SCOPED_TRACE(device.Name);
        if (IsPic18(device)) {
            EXPECT_EQ(device.BlankWord, 0xFFFF);
        } else if (device.ConfigAddress == 0x0FFF) {
            EXPECT_EQ(device.BlankWord, 0x0FFF) << "12-bit core";
            EXPECT_GE(device.IdAddress, device.ProgramSize) << "ID words must lie outside program";
        } else {
            EXPECT_EQ(device.BlankWord, 0x3FFF) << "14-bit core";
        }
        EXPECT_EQ(device.Config2Mask != 0, device.Name == "16F87" || device.Name == "16F88");
        EXPECT_EQ(device.IesoFuse.Mask != 0, device.Config2Mask != 0);
        EXPECT_EQ(device.IncludeFile, "P" + std::string(device.Name) + ".inc");
        if (HasCalibrationWord(device)) {
            EXPECT_EQ(device.CalibrationAddress, device.ProgramSize - 1) << "the last word";
        }
    }
}

// The list the user picks from, sorted by name; its order differs from the table's.
constexpr std::array<std::string_view, 50> kComboItems{
    "PIC12C508",  "PIC12C509",  "PIC12C671",  "PIC12C672",  "PIC12F629", "PIC12F675",  "PIC16C505",
    "PIC16C621A", "PIC16C622A", "PIC16C745",  "PIC16C765",  "PIC16C84",  "PIC16F627",  "PIC16F627A",
    "PIC16F628",  "PIC16F628A", "PIC16F630",  "PIC16F648A", "PIC16F676", "PIC16F73",   "PIC16F74",
    "PIC16F76",   "PIC16F77",   "PIC16F818",  "PIC16F819",  "PIC16F83",  "PIC16F84",   "PIC16F84A",
    "PIC16F87",   "PIC16F872",  "PIC16F873",  "PIC16F873A", "PIC16F874", "PIC16F874A", "PIC16F876",
    "PIC16F876A", "PIC16F877",  "PIC16F877A", "PIC16F88",   "PIC18F242", "PIC18F248",  "PIC18F252",
    "PIC18F2550", "PIC18F258",  "PIC18F442",  "PIC18F448",  "PIC18F452", "PIC18F4550", "PIC18F458",
    "PIC18F4680"};

TEST(DeviceSelection, ComboListIsTheSortedListOfAllDevices) {
    ASSERT_EQ(ProcessorTypeItems.size(), kComboItems.size());
    for (std::size_t i = 0; i < kComboItems.size(); ++i) {
        EXPECT_EQ(ProcessorTypeItems[i], kComboItems[i]) << "position " << i;
    }
    EXPECT_TRUE(std::is_sorted(ProcessorTypeItems.begin(), ProcessorTypeItems.end()));
}

TEST(DeviceSelection, ComboPositionAndTableIndexMeetOnlyThroughTheName) {
    for (std::size_t index = 0; index < DeviceTable.size(); ++index) {
        const int position = DeviceComboIndex(static_cast<std::uint8_t>(index));
        ASSERT_GE(position, 0) << DeviceTable[index].Name;
        EXPECT_EQ(ProcessorTypeItems.at(static_cast<std::size_t>(position)),
                  "PIC" + std::string(DeviceTable[index].Name));
    }
    EXPECT_EQ(DeviceComboIndex(47), 42) << "18F2550";

    std::uint8_t current = 0;
    ASSERT_TRUE(SelectDeviceByName(current, kComboItems[42].substr(3)));
    EXPECT_EQ(current, 47);
}

TEST(DeviceSelection, NamesAreComparedWholeAndCaseSensitively) {
    EXPECT_EQ(FindDeviceByName("16F84"), std::optional<std::uint8_t>(2)) << "not 16F84A";
    EXPECT_EQ(FindDeviceByName("16F84A"), std::optional<std::uint8_t>(3));
    EXPECT_EQ(FindDeviceByName("16F8"), std::nullopt);
    EXPECT_EQ(FindDeviceByName("16f84"), std::nullopt);
    EXPECT_EQ(FindDeviceByName("PIC16F84"), std::nullopt) << "the caller strips the prefix";
    EXPECT_EQ(FindDeviceByName(""), std::nullopt);

    std::uint8_t current = 9;
    EXPECT_TRUE(SelectDeviceByName(current, "16F84"));
    EXPECT_EQ(current, 2);
    EXPECT_FALSE(SelectDeviceByName(current, "16F999"));
    EXPECT_EQ(current, 2) << "an unknown name leaves the selection alone";
}

}  // namespace
}  // namespace vantrel
