#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "device/hex_text.h"
#include "probe_rig.h"

namespace vantrel {

// The 18F bulk erase is private to the programmer: the Erase operation wraps it.
struct TEraseAll18Access {
    static void EraseAll18(TProgrammer& programmer) { programmer.EraseAll18(); }
};

namespace {

using test::TablePointerTokens;
using test::Tail;
using test::TBoardRig;
using test::Tokens;
using test::TProbeRig;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;

const std::string kProgramNop = "I 0000 D 2@3H D 1@4L";
const std::string kConfigurationNop = "I 0000 D 1@3H D 1@4L";

std::vector<std::string> SelectCodeMemory() {
    return Tokens(
        {{"I 8EA6", "I 8CA6"}, TablePointerTokens(0x3C0006), {"C12 0000", "I 8EA6", "I 9CA6"}});
}

TEST(ProgramChip18Test, WritesWholeBlocksUpToTheLastNonBlankWord) {
    TProbeRig rig("18F452");
    for (std::uint16_t i = 0; i < 6; ++i) {
        rig.Image().ProgramBuffer[i] = static_cast<std::uint16_t>(0x1000 + i);
    }
    rig.Programmer.ProgramChip18(false);

    const auto expected = Tokens({{"on"},
                                  SelectCodeMemory(),
                                  {"I 94A6"},
                                  TablePointerTokens(0),
                                  {"C13 1000", "C13 1001", "C13 1002", "C15 1003", kProgramNop},
                                  {"I 94A6"},
                                  TablePointerTokens(8),
                                  {"C13 1004", "C13 1005", "C13 FFFF", "C15 FFFF", kProgramNop},
                                  {"off"}});
    EXPECT_THAT(rig.Transcript(), ElementsAreArray(expected));
    EXPECT_EQ(rig.Programmer.WordsWritten, 8);
    EXPECT_THAT(rig.Ui.Statuses, ElementsAre("Writing Program memory..."));
}

// One data EEPROM byte as the older parts (unlock through EECON2) and the newer ones (a NOP
// before TABLAT is shifted out) want it, with one completion poll.
std::vector<std::string> EepromByteWrite(bool older, const std::string& address,
                                         const std::string& value) {
    std::vector<std::string> tokens{"I 0E" + address, "I 6EA9", "I 0E00", "I 6EAA",
                                    "I 0E" + value,   "I 6EA8", "I 84A6"};
    if (older) {
        tokens.insert(tokens.end(), {"I 0E55", "I 6EA7", "I 0EAA", "I 6EA7"});
    }
    tokens.insert(tokens.end(), {"I 82A6", "I 50A6", "I 6EF5"});
    if (!older) {
        tokens.emplace_back("I 0000");
    }
    tokens.insert(tokens.end(), {"D 5", "TABLAT", "I 94A6"});
    return tokens;
}

TEST(ProgramChip18Test, WritesDataEepromByteByByteInEachGroupsOwnWay) {
    for (const auto& [device, older] : {std::pair{"18F452", true}, std::pair{"18F4550", false}}) {
        TProbeRig rig(device);
        rig.Image().DataBuffer[0] = 0x12;
        rig.Image().DataBuffer[1] = 0x34;
        rig.Programmer.ProgramChip18(true);
        const auto expected = Tokens({{"on", "I 9EA6", "I 9CA6"},
                                      EepromByteWrite(older, "00", "12"),
                                      EepromByteWrite(older, "01", "34"),
                                      {"off"}});
        EXPECT_THAT(rig.Transcript(), ElementsAreArray(expected)) << device;
        EXPECT_EQ(rig.Programmer.WordsWritten, 2) << device;
        EXPECT_THAT(rig.Ui.Statuses, ElementsAre("Writing EEPROM data memory...")) << device;
    }
}

// The chip holds WR in EECON1 while it writes a byte. RD means nothing here, and a line that
// reads high for ever (no chip) must not keep the programming voltage on for ever either.
TEST(ProgramChip18Test, EepromPollWaitsForWrAndGivesUpAfterFiftyMilliseconds) {
    struct TCase {
        const char* What;
        std::function<std::uint8_t(std::size_t)> Eecon1;
        std::size_t Polls;
    };
    const TCase cases[] = {
        {"WR set for two polls", [](std::size_t n) { return n < 2 ? 0x06 : 0x04; }, 3},
        {"RD set, WR clear", [](std::size_t) { return 0x05; }, 1},
        {"data line stuck high", [](std::size_t) { return 0xFF; }, 10},
    };
    for (const TCase& c : cases) {
        for (const char* device : {"18F252", "18F2550"}) {
            TProbeRig rig(device);
            rig.Image().DataBuffer[0] = 0x00;
            rig.Probe.Eecon1 = c.Eecon1;
            rig.Programmer.ProgramChip18(true);
            EXPECT_EQ(rig.Count("TABLAT"), c.Polls) << c.What << " " << device;
            EXPECT_EQ(rig.Count("D 5"), c.Polls) << c.What << " " << device;
            EXPECT_THAT(Tail(rig.Transcript(), 2), ElementsAre("I 94A6", "off")) << c.What;
        }
    }
}

TEST(Verify18Test, ReportsWordIndexesAfterLeaving) {
    TProbeRig rig("18F242");
    rig.Probe.Byte = [](std::uint32_t address) {
        return address == 0x0010 ? std::uint8_t{0x00} : std::uint8_t{0xFF};
    };
    rig.Programmer.Verify18(false);
    EXPECT_THAT(rig.Ui.Messages, ElementsAre("Program Verify Error at Program address 0x008"));
    EXPECT_EQ(rig.Ui.ShownWhilePowered, 0);
    EXPECT_FALSE(rig.Programmer.OperationOk);
    EXPECT_EQ(rig.Count("TBLRD"), 18u);
    EXPECT_THAT(rig.Ui.Statuses, ElementsAre("Verifying program data..."));
}

TEST(Verify18Test, DataMismatchStopsThePassInBothGroups) {
    for (const auto& [device, nops] : {std::pair{"18F458", 0u}, std::pair{"18F4680", 0x22u}}) {
        TProbeRig rig(device);
        rig.Probe.EepromByte = [](std::uint32_t address) {
            return address == 0x21 ? std::uint8_t{0x7F} : std::uint8_t{0xFF};
        };
        if (std::string(device) == "18F458") {
            rig.Programmer.Verify18(true);
        } else {
            rig.Programmer.Verify18A(true);
        }
        EXPECT_THAT(rig.Ui.Messages, ElementsAre("Data Verify Error at Data address 0x021"));
        EXPECT_EQ(rig.Ui.ShownWhilePowered, 0);
        EXPECT_FALSE(rig.Programmer.OperationOk);
        EXPECT_EQ(rig.Count("TABLAT"), 0x22u) << device;
        EXPECT_EQ(rig.Count("I 0000"), nops) << device;
    }
}

TEST(ReadData18Test, ReadsEveryByteWithTheGroupsEepromRead) {
    for (const auto& [device, nops] : {std::pair{"18F248", 0u}, std::pair{"18F2550", 256u}}) {
        TProbeRig rig(device);
        rig.Probe.EepromByte = [](std::uint32_t address) {
            return static_cast<std::uint8_t>(address ^ 0x5A);
        };
        if (nops == 0) {
            rig.Programmer.ReadData18();
        } else {
            rig.Programmer.ReadData18A();
        }
        EXPECT_EQ(rig.Image().DataBuffer[0], 0x5A) << device;
        EXPECT_EQ(rig.Image().DataBuffer[0xFF], 0xA5) << device;
        EXPECT_EQ(rig.Count("TABLAT"), 256u) << device;
        EXPECT_EQ(rig.Count("I 0000"), nops) << device;
        EXPECT_THAT(rig.Ui.Statuses,
                    ElementsAre("Reading EEPROM data...", "Target PIC read into buffer"));
    }
}

TEST(ProgramConfig18Test, WritesIdsThenEveryConfigurationWordTwiceWriteProtectionLast) {
    TProbeRig rig("18F4680");
    for (std::uint16_t i = 0; i < 8; ++i) {
        rig.Image().IdBuffer[i] = static_cast<std::uint16_t>(i + 1);
    }
    for (std::uint16_t n = 0; n < 7; ++n) {
        rig.Image().Config18[n] = static_cast<std::uint16_t>(0x0F00 + n * 0x11);
    }
    rig.Programmer.ProgramConfig18();

    std::vector<std::string> expected =
        Tokens({{"on"},
                SelectCodeMemory(),
                {"I 94A6"},
                TablePointerTokens(0x200000),
                {"C13 0201", "C13 0403", "C13 0605", "C15 0807", kProgramNop, "off", "D 10", "on",
                 "I 8EA6", "I 8CA6", "I EF00", "I F800"},
                TablePointerTokens(0x300000)});
    // CONFIG6H, which can write-protect the configuration, goes last.
    for (const std::uint16_t n : {0, 1, 2, 3, 4, 6, 5}) {
        if (n == 6 || n == 5) {
            const auto pointer = TablePointerTokens(0x300000u + 2u * n);
            expected.insert(expected.end(), pointer.begin(), pointer.end());
        }
        const std::string write = "C15 " + HexWordText(0x0F00 + n * 0x11);
        expected.insert(expected.end(),
                        {write, kConfigurationNop, "I 2AF6", write, kConfigurationNop, "I 2AF6"});
    }
    expected.emplace_back("off");
    EXPECT_THAT(rig.Transcript(), ElementsAreArray(expected));
    EXPECT_EQ(rig.Programmer.WordsWritten, 8);
    EXPECT_THAT(rig.Ui.Statuses, ElementsAre("Writing configuration memory..."));
}

TEST(ProgramConfig18Test, BlankIdsAreWrittenToo) {
    TProbeRig rig("18F252");
    rig.Programmer.ProgramConfig18();
    EXPECT_EQ(rig.Count("C13 7F7F"), 3u);
    EXPECT_EQ(rig.Count("C15 7F7F"), 1u);
    EXPECT_EQ(rig.Programmer.WordsWritten, 8);
}

// IDs at 0x200000, configuration bytes at 0x300000, as a map of the bytes that are not blank.
std::function<std::uint8_t(std::uint32_t)> ConfigurationBytes(
    std::map<std::uint32_t, std::uint8_t> bytes) {
    return [bytes](std::uint32_t address) {
        const auto found = bytes.find(address);
        return found == bytes.end() ? std::uint8_t{0xFF} : found->second;
    };
}

TEST(VerifyConfig18Test, ChecksEveryIdByteAndConfigurationWord) {
    for (const char* device : {"18F442", "18F4550"}) {
        TProbeRig rig(device);
        rig.Image().IdBuffer.fill(0xFF);
        rig.Image().Config18.fill(0xFFFF);
        rig.Image().Config18[2] = 0x0E0F;
        rig.Probe.Byte = ConfigurationBytes({{0x200005, 0x00}, {0x300004, 0x0F}, {0x300005, 0x0F}});
        if (std::string(device) == "18F442") {
            rig.Programmer.VerifyConfig18();
        } else {
            rig.Programmer.VerifyConfig18A();
        }
        EXPECT_THAT(rig.Ui.Messages, ElementsAre("Config ID Verify Error, line 5",
                                                 "Config Fuse Verify Error, line 3"))
            << device;
        EXPECT_FALSE(rig.Programmer.OperationOk);
        EXPECT_EQ(rig.Count("TBLRD"), 8u + 14u);
        EXPECT_THAT(rig.Ui.Statuses, ElementsAre("Verifying Config Fuses..."));
    }
}

// The chip starts the erase on the fourth clock of the command after the NOP and needs the
// erase time there, before the command's payload and before the voltage goes.
TEST(EraseAll18Test, SendsTheGroupsKeyAndHoldsAfterTheFourthClock) {
    const std::string kHeldNop = "I 0000 D 10@4L D 1@4L";
    const auto older =
        Tokens({{"on"}, TablePointerTokens(0x3C0004), {"C12 0080", "I 0000", kHeldNop, "off"}});
    const auto newer = Tokens({{"on"},
                               TablePointerTokens(0x3C0005),
                               {"C12 3F3F"},
                               TablePointerTokens(0x3C0004),
                               {"C12 8F8F", "I 0000", kHeldNop, "off"}});
    for (const auto& [device, expected] :
         {std::pair{"18F242", older}, std::pair{"18F458", older}, std::pair{"18F4680", newer},
          std::pair{"18F2550", newer}}) {
        TProbeRig rig(device);
        TEraseAll18Access::EraseAll18(rig.Programmer);
        EXPECT_THAT(rig.Transcript(), ElementsAreArray(expected)) << device;
        EXPECT_THAT(rig.Ui.Messages, IsEmpty());
    }
}

// ---- against the simulated chips ------------------------------------------------------------

#define EXPECT_NO_VIOLATIONS(rig) \
    EXPECT_TRUE((rig).Violations().Empty()) << (rig).Violations().Describe()

constexpr const char* kPic18Devices[] = {"18F242",  "18F248",  "18F252", "18F258",
                                         "18F442",  "18F448",  "18F452", "18F458",
                                         "18F2550", "18F4550", "18F4680"};

// Each group through its own names; both share one body, but the operation calls them apart.
struct TPic18Routines {
    TProgrammer& Programmer;
    bool Newer;

    void Write(bool data) {
        Newer ? Programmer.ProgramChip18A(data) : Programmer.ProgramChip18(data);
    }
    void Verify(bool data) { Newer ? Programmer.Verify18A(data) : Programmer.Verify18(data); }
    void VerifyConfig() { Newer ? Programmer.VerifyConfig18A() : Programmer.VerifyConfig18(); }
    void Read() {
        if (Newer) {
            Programmer.Read18A();
            Programmer.ReadData18A();
        } else {
            Programmer.Read18();
            Programmer.ReadData18();
        }
        Programmer.ReadConfig18();
    }
};

// Program words with gaps up to the last word of memory, data bytes, IDs and a configuration
// with the watchdog off.
void FillPic18Image(TDeviceImage& image, const TPicDevice& device) {
    for (std::uint32_t word :
         {0u, 1u, 2u, 9u, 0x100u, device.ProgramSize - 3u, device.ProgramSize - 1u}) {
        image.ProgramBuffer[word] = static_cast<std::uint16_t>(0xA000 + word * 0x0101u);
    }
    image.DataBuffer[0] = 0x00;
    image.DataBuffer[0x10] = 0x5A;
    image.DataBuffer[0xFF] = 0xA5;
    for (std::uint16_t i = 0; i < 8; ++i) {
        image.IdBuffer[i] = static_cast<std::uint16_t>(0x31 + 7 * i);
    }
    image.Config18[1] = 0xFEFF;  // CONFIG2H: WDTEN off
}

class Pic18OnChipTest : public testing::TestWithParam<const char*> {};

TEST_P(Pic18OnChipTest, EraseWriteVerifyAndReadBack) {
    TBoardRig rig(GetParam());
    const TPicDevice& device = rig.Device();
    TPic18Routines routines{rig.Programmer, device.Algorithm == kAlgorithm18FNew};
    // A used chip, code protection and all: only a chip erase that takes the IDs and the
    // configuration too leaves it blank.
    TSimChipState& used = rig.Chip();
    std::fill(used.Program.begin(), used.Program.end(), 0x1234);
    std::fill(used.Data.begin(), used.Data.end(), 0x00);
    std::fill(used.Ids.begin(), used.Ids.end(), 0x00);
    std::fill(used.Config.begin(), used.Config.end(), 0x00);
    TEraseAll18Access::EraseAll18(rig.Programmer);
    ASSERT_TRUE(rig.Chip() == ErasedChip(rig.Session.Device.CurrentDevice));
    EXPECT_NO_VIOLATIONS(rig);

    FillPic18Image(rig.Image(), device);
    routines.Write(false);
    routines.Write(true);
    routines.Verify(false);
    routines.Verify(true);
    rig.Programmer.ProgramConfig18();
    routines.VerifyConfig();
    EXPECT_TRUE(rig.Programmer.OperationOk);
    EXPECT_THAT(rig.Ui.Messages, IsEmpty());
    EXPECT_NO_VIOLATIONS(rig);
    // Whole blocks up to the last word, the data up to its last byte, the eight ID bytes.
    EXPECT_EQ(rig.Programmer.WordsWritten, device.ProgramSize + 0x100 + 8);

    const TDeviceImage written = rig.Image();
    const TSimChipState& chip = rig.Chip();
    for (std::size_t i = 0; i < device.ProgramSize; ++i) {
        ASSERT_EQ(chip.Program[i], written.ProgramBuffer[i]) << "word " << i;
    }
    for (std::size_t i = 0; i < device.EepromSize; ++i) {
        ASSERT_EQ(chip.Data[i], written.DataBuffer[i]) << "byte " << i;
    }
    for (std::size_t i = 0; i < 8; ++i) {
        EXPECT_EQ(chip.Ids[i], written.IdBuffer[i]) << "ID " << i;
    }
    for (std::size_t n = 0; n < kConfig18Words; ++n) {
        EXPECT_EQ(Config18Word(chip, n), written.Config18[n]) << "configuration word " << n;
    }

    ClearBuffers(rig.Image(), device);
    routines.Read();
    EXPECT_TRUE(rig.Image() == written);
    EXPECT_NO_VIOLATIONS(rig);
}

INSTANTIATE_TEST_SUITE_P(Every18FPart, Pic18OnChipTest, testing::ValuesIn(kPic18Devices),
                         [](const auto& info) { return std::string(info.param); });

// A file that write-protects the configuration (WRTC clear in CONFIG6H) still gets every
// other configuration byte into the chip.
TEST(Pic18OnChipTest, ConfigurationWriteProtectionIsWrittenLast) {
    for (const char* name : {"18F452", "18F4680"}) {
        TBoardRig rig(name);
        rig.Image().Config18[5] = 0xDFFF;  // CONFIG6H: WRTC on
        rig.Image().Config18[6] = 0xBFFE;  // CONFIG7: table reads of block 0 and boot protected
        rig.Programmer.ProgramConfig18();
        rig.Programmer.VerifyConfig18();
        EXPECT_TRUE(rig.Programmer.OperationOk) << name;
        EXPECT_THAT(rig.Ui.Messages, IsEmpty()) << name;
        EXPECT_EQ(Config18Word(rig.Chip(), 6), 0xBFFE) << name;
        EXPECT_NO_VIOLATIONS(rig);
    }
}

// No chip answers, or one that never clears WR: every byte gives up after 50 ms and the verify
// reports the first.
TEST(Pic18OnChipTest, EepromWriteWithTheDataLineStuckHighEnds) {
    for (const char* name : {"18F452", "18F4550"}) {
        TBoardRig rig(name);
        rig.Board.Faults().DataStuck = true;
        rig.Image().DataBuffer[0] = 0x12;
        rig.Image().DataBuffer[1] = 0x34;
        const std::uint64_t start = rig.Clock.NowMicroseconds();
        rig.Programmer.ProgramChip18(true);
        EXPECT_LT(rig.Clock.NowMicroseconds() - start, 200'000u) << name;
        EXPECT_EQ(rig.Programmer.WordsWritten, 2) << name;
        rig.Programmer.Verify18(true);
        EXPECT_THAT(rig.Ui.Messages, ElementsAre("Data Verify Error at Data address 0x000"));
        EXPECT_FALSE(rig.Programmer.OperationOk);
        EXPECT_EQ(rig.Ui.ShownWhilePowered, 0);
    }
}

}  // namespace
}  // namespace vantrel
