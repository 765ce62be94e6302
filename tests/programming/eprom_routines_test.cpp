#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>

#include "device/hex_text.h"
#include "probe_rig.h"

namespace vantrel {
namespace {

using test::Head;
using test::Tail;
using test::TBoardRig;
using test::TProbeRig;
using testing::ElementsAre;
using testing::ElementsAreArray;
using testing::IsEmpty;

constexpr std::uint16_t kBlank12 = 0x0FFF;
constexpr std::uint16_t kBlank14 = 0x3FFF;

// A chip that holds what the buffer holds: every word took its pulse.
void ChipTakesEveryWord(TProbeRig& rig) {
    rig.Probe.Word = [&rig](std::uint32_t address) -> std::uint16_t {
        return address < rig.Device().ProgramSize ? rig.Image().ProgramBuffer[address]
                                                  : rig.Device().BlankWord;
    };
}

TEST(EpromProgramChipTest, PulsesOnlyNonBlankWordsButReadsEveryWordBack) {
    TProbeRig rig("12C508");
    rig.Image().ProgramBuffer[0] = 0x0A01;
    rig.Image().ProgramBuffer[2] = 0x0C55;
    ChipTakesEveryWord(rig);
    rig.Programmer.EpromProgramChip(false);

    // The 12-bit part starts on its configuration word: one read and one increment reach 0.
    EXPECT_THAT(Head(rig.Transcript(), 27),
                ElementsAre("on", "Cmd 4", "R", "Cmd 6",                                         //
                            "Cmd 2", "L 0A01", "Cmd 8", "D 2", "Cmd 14", "Cmd 4", "R", "Cmd 6",  //
                            "Cmd 4", "R", "Cmd 6",                                               //
                            "Cmd 2", "L 0C55", "Cmd 8", "D 2", "Cmd 14", "Cmd 4", "R", "Cmd 6",  //
                            "Cmd 4", "R", "Cmd 6", "Cmd 4"));
    EXPECT_EQ(rig.Transcript().back(), "off");
    EXPECT_EQ(rig.Count("Cmd 6"), 1u + 0x200u);  // the whole memory, no trimming
    EXPECT_EQ(rig.Count("Cmd 8"), 2u);
    EXPECT_EQ(rig.Programmer.WordsWritten, 2);
    EXPECT_TRUE(rig.Programmer.OperationOk);
    EXPECT_THAT(rig.Ui.Messages, IsEmpty());
    EXPECT_THAT(rig.Ui.Statuses, ElementsAre("Writing Program memory..."));
}

TEST(EpromProgramChipTest, WithoutAutoVerifyReadsNothingButTheTwelveBitStep) {
    for (const auto& [device, reads] : {std::pair{"16C621A", 0u}, std::pair{"12C509", 1u}}) {
        TProbeRig rig(device);
        rig.Session.Options.AutoVerify = false;
        rig.Image().ProgramBuffer[7] = 0x0123;
        rig.Programmer.EpromProgramChip(false);
        EXPECT_EQ(rig.Count("Cmd 4"), reads) << device;
        EXPECT_EQ(rig.Count("R"), reads) << device;
        EXPECT_EQ(rig.Count("Cmd 8"), 1u) << device;
    }
}

TEST(EpromProgramChipTest, StopsAtAWordThatWillNotProgramAndLeavesBeforeTheMessage) {
    TProbeRig rig("16C622A");
    for (std::size_t i = 0; i < 0x30; ++i) {
        rig.Image().ProgramBuffer[i] = static_cast<std::uint16_t>(0x0100 + i);
    }
    ChipTakesEveryWord(rig);
    auto took = rig.Probe.Word;
    rig.Probe.Word = [took](std::uint32_t address) {
        return address == 0x1A ? kBlank14 : took(address);
    };
    rig.Programmer.EpromProgramChip(false);

    EXPECT_THAT(
        rig.Ui.Messages,
        ElementsAre("Program Verify failed at Program address 0x01A, Programming Aborted!"));
    EXPECT_EQ(rig.Ui.ShownWhilePowered, 0);
    EXPECT_FALSE(rig.Programmer.OperationOk);
    EXPECT_THAT(Tail(rig.Transcript(), 4), ElementsAre("Cmd 14", "Cmd 4", "R", "off"));
    EXPECT_EQ(rig.Count("Cmd 8"), 0x1Bu);
    EXPECT_EQ(rig.Programmer.WordsWritten, 0x1B);
}

// A factory calibration word the file does not set is the chip's business: a good chip must
// neither fail the write's read-back nor the verify there. A value the file does set is
// compared like any other word.
TEST(CalibrationWordTest, IsComparedOnlyWhenTheFileSetsIt) {
    struct TCase {
        const char* Device;
        std::uint16_t Calibration;
        std::uint16_t Factory;
    };
    for (const TCase& c : {TCase{"12C508", 0x1FF, 0x0C52}, TCase{"12C672", 0x7FF, 0x3480}}) {
        for (const bool fileSetsIt : {false, true}) {
            for (const bool verifyPass : {false, true}) {
                TProbeRig rig(c.Device);
                rig.Image().ProgramBuffer[0] = 0x0025;
                if (fileSetsIt) {
                    rig.Image().ProgramBuffer[c.Calibration] = 0x0C10;
                }
                ChipTakesEveryWord(rig);
                auto took = rig.Probe.Word;
                rig.Probe.Word = [took, c](std::uint32_t address) {
                    return address == c.Calibration ? c.Factory : took(address);
                };
                if (verifyPass) {
                    rig.Programmer.EpromVerify(false);
                } else {
                    rig.Programmer.EpromProgramChip(false);
                }
                const std::string where = std::string(c.Device) +
                                          (fileSetsIt ? " file value" : " no file value") +
                                          (verifyPass ? " verify" : " write");
                EXPECT_EQ(rig.Programmer.OperationOk, !fileSetsIt) << where;
                EXPECT_EQ(rig.Ui.Messages.size(), fileSetsIt ? 1u : 0u) << where;
                if (fileSetsIt) {
                    EXPECT_THAT(rig.Ui.Messages[0],
                                testing::HasSubstr(MessageAddress(c.Calibration)))
                        << where;
                }
            }
        }
    }
}

TEST(EpromVerifyTest, ReportsTheFirstDifferenceAfterLeaving) {
    TProbeRig rig("16C622A");
    rig.Probe.Word = [](std::uint32_t address) {
        return address >= 0x1F3 && address < 0x800 ? std::uint16_t{0x0000} : kBlank14;
    };
    rig.Programmer.EpromVerify(false);
    EXPECT_THAT(rig.Ui.Messages, ElementsAre("Program Verify Error at Program address 0x1F3"));
    EXPECT_EQ(rig.Ui.ShownWhilePowered, 0);
    EXPECT_FALSE(rig.Programmer.OperationOk);
    EXPECT_EQ(rig.Count("R"), 0x1F4u);
    EXPECT_THAT(rig.Ui.Statuses, ElementsAre("Verifying program data..."));
}

TEST(EpromVerifyTest, TwelveBitPartStepsOverItsConfigurationWord) {
    TProbeRig rig("12C509");
    rig.Image().ProgramBuffer[0] = 0x0A05;
    rig.Image().ProgramBuffer[0x3FE] = 0x0123;
    ChipTakesEveryWord(rig);
    auto took = rig.Probe.Word;
    rig.Probe.Word = [took](std::uint32_t address) {
        return address == 0xFFF ? std::uint16_t{0x0000} : took(address);
    };
    rig.Programmer.EpromVerify(false);
    EXPECT_TRUE(rig.Programmer.OperationOk);
    EXPECT_THAT(rig.Ui.Messages, IsEmpty());
    EXPECT_THAT(Head(rig.Transcript(), 7),
                ElementsAre("on", "Cmd 4", "R", "Cmd 6", "Cmd 4", "R", "Cmd 6"));
    EXPECT_EQ(rig.Count("R"), 1u + 0x400u);
}

TEST(EpromVerifyTest, DataPassOfAPartWithoutEepromOnlySetsTheStatus) {
    TProbeRig rig("12C671");
    rig.Programmer.EpromVerify(true);
    EXPECT_THAT(rig.Transcript(), IsEmpty());
    EXPECT_THAT(rig.Ui.Statuses, ElementsAre("Verifying EEPROM data..."));
    EXPECT_TRUE(rig.Programmer.OperationOk);
}

TEST(EpromReadTest, FillsConfigurationProgramAndIdsFromTheirAddresses) {
    struct TCase {
        const char* Device;
        std::uint32_t IdBase;
        std::uint32_t ConfigAddress;
    };
    for (const TCase& c : {TCase{"12C508", 0x200, 0xFFF}, TCase{"12C671", 0x2000, 0x2007}}) {
        TProbeRig rig(c.Device);
        // Distinct values everywhere, wider than the memory so the masks show.
        rig.Probe.Word = [](std::uint32_t address) {
            return static_cast<std::uint16_t>((address * 0x135u + 0x2A80u) & 0x3FFF);
        };
        rig.Programmer.EpromRead(false);

        const TPicDevice& device = rig.Device();
        TDeviceImage expected;
        ClearBuffers(expected, device);
        for (std::uint32_t a = 0; a < device.ProgramSize; ++a) {
            expected.ProgramBuffer[a] = rig.Probe.Word(a) & device.BlankWord;
        }
        for (std::uint32_t i = 0; i < 4; ++i) {
            expected.IdBuffer[i] = rig.Probe.Word(c.IdBase + i) & 0x7F;
        }
        // The configuration word as wide as the part's words: a 12-bit part leaves the frame's
        // upper two bits undefined.
        expected.ConfigWord1 = rig.Probe.Word(c.ConfigAddress) & device.BlankWord;
        EXPECT_TRUE(rig.Image() == expected) << c.Device;
        EXPECT_THAT(Head(rig.Transcript(), 2), ElementsAre("on", "D 10")) << c.Device;
        EXPECT_EQ(rig.Transcript().back(), "off") << c.Device;
        EXPECT_THAT(rig.Ui.Statuses,
                    ElementsAre("Reading program data...", "Target PIC read into buffer"));
    }
}

struct TIdScript {
    std::array<std::uint16_t, 4> Buffer;
    std::array<std::uint16_t, 4> Chip;  // what the chip reads back
};

// Chip contents for the configuration routines: IDs as scripted, the configuration word
// as in the buffer unless `config` says otherwise.
void ChipHoldsConfiguration(TProbeRig& rig, const TIdScript& ids, std::uint32_t idBase,
                            std::uint32_t configAddress, std::optional<std::uint16_t> config) {
    for (std::size_t i = 0; i < 4; ++i) {
        rig.Image().IdBuffer[i] = ids.Buffer[i];
    }
    const std::uint16_t word = config.value_or(rig.Image().ConfigWord1);
    rig.Probe.Word = [ids, idBase, configAddress, word, &rig](std::uint32_t address) {
        if (address >= idBase && address < idBase + 4) {
            return ids.Chip[address - idBase];
        }
        return address == configAddress ? word : rig.Device().BlankWord;
    };
}

TEST(EpromProgramConfigTest, FourteenBitPartPulsesIdsAndConfigurationForTenMilliseconds) {
    TProbeRig rig("12C671");
    rig.Image().ConfigWord1 = 0x3F84;
    // An ID from 0x80 up is kept as its low 7 bits by the chip and must still verify.
    ChipHoldsConfiguration(rig, {{0x01, 0x85, 0x03, 0xFF}, {0x01, 0x3F85, 0x03, 0x3FFF}}, 0x2000,
                           0x2007, std::nullopt);
    rig.Programmer.EpromProgramConfig();

    std::vector<std::string> expected{"on", "Cmd 0", "L 3FFF"};
    for (const char* id : {"L 0001", "L 0085", "L 0003", "L 00FF"}) {
        expected.insert(expected.end(),
                        {"Cmd 2", id, "Cmd 8", "D 10", "Cmd 14", "Cmd 4", "R", "Cmd 6"});
    }
    for (int i = 0; i < 3; ++i) {
        expected.insert(expected.end(), {"Cmd 4", "R", "Cmd 6"});
    }
    expected.insert(expected.end(),
                    {"Cmd 2", "L 3F84", "Cmd 8", "D 10", "Cmd 14", "Cmd 4", "R", "off"});
    EXPECT_THAT(rig.Transcript(), ElementsAreArray(expected));
    EXPECT_THAT(rig.Ui.Messages, IsEmpty());
    EXPECT_TRUE(rig.Programmer.OperationOk);
}

// IDs that are all erased are not pulsed; the steps over them still are.
TEST(EpromProgramConfigTest, WithoutIdsOnlyTheConfigurationWordIsPulsed) {
    for (const auto& [device, increments] :
         {std::pair{"16C621A", 4u + 3u}, std::pair{"16C505", 1u}}) {
        TProbeRig rig(device);
        rig.Image().IdBuffer = {0x7F, 0xFF, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F, 0x7F};
        rig.Programmer.EpromProgramConfig();
        EXPECT_EQ(rig.Count("Cmd 2"), 1u) << device;
        EXPECT_EQ(rig.Count("Cmd 8"), 1u) << device;
        EXPECT_EQ(rig.Count("Cmd 6"), increments) << device;
        EXPECT_EQ(rig.Transcript().back(), "off") << device;
    }
}

TEST(EpromProgramConfigTest, FailuresAreReportedAndTheRestIsStillWritten) {
    TProbeRig rig("12C671");
    rig.Image().ConfigWord1 = 0x3F84;
    ChipHoldsConfiguration(rig, {{0x01, 0x02, 0x03, 0x04}, {0x01, 0x02, 0x3FFF, 0x04}}, 0x2000,
                           0x2007, 0x3FFF);
    rig.Programmer.EpromProgramConfig();
    EXPECT_THAT(rig.Ui.Messages,
                ElementsAre("ID[2] Settings Verify Error", "Config Fuses Verify Error"));
    // The pass goes on after a failure, so its messages come while the chip is powered.
    EXPECT_EQ(rig.Ui.ShownWhilePowered, 2);
    EXPECT_FALSE(rig.Programmer.OperationOk);
    EXPECT_EQ(rig.Count("Cmd 8"), 5u);
    EXPECT_EQ(rig.Transcript().back(), "off");
}

TEST(EpromProgramConfigTest, TwelveBitPartWritesTheConfigurationFirstAndIdsAfterProgramMemory) {
    TProbeRig rig("12C508");
    rig.Image().ConfigWord1 = 0x000A;
    ChipHoldsConfiguration(rig, {{0x01, 0x92, 0x03, 0x04}, {0x01, 0x0F92, 0x03, 0x0F00}}, 0x200,
                           0xFFF, std::nullopt);
    rig.Programmer.EpromProgramConfig();

    EXPECT_THAT(Head(rig.Transcript(), 10), ElementsAre("on", "Cmd 2", "L 000A", "Cmd 8", "D 10",
                                                        "Cmd 14", "Cmd 4", "R", "Cmd 6", "Cmd 4"));
    EXPECT_EQ(rig.Count("D 2"), 4u);
    EXPECT_EQ(rig.Count("R"), 1u + 0x200u + 4u);
    // Only ID 3 really differs; ID 1 is 0x92 and reads back as its low 7 bits.
    EXPECT_THAT(rig.Ui.Messages, ElementsAre("ID Settings Verify Error"));
    EXPECT_FALSE(rig.Programmer.OperationOk);
}

TEST(EpromVerifyConfigTest, FourteenBitPartChecksEveryIdThenTheConfigurationWord) {
    TProbeRig rig("16C622A");
    rig.Image().ConfigWord1 = 0x3F30;
    ChipHoldsConfiguration(rig, {{0x81, 0x02, 0x03, 0x04}, {0x01, 0x12, 0x03, 0x14}}, 0x2000,
                           0x2007, 0x3F31);
    rig.Programmer.EpromVerifyConfig();
    EXPECT_THAT(rig.Ui.Messages,
                ElementsAre("Config ID Verify Error, line 1", "Config ID Verify Error, line 3",
                            "Config Fuses Verify Error"));
    EXPECT_FALSE(rig.Programmer.OperationOk);
    EXPECT_THAT(rig.Ui.Statuses, ElementsAre("Verifying Config Fuses..."));
    EXPECT_EQ(rig.Count("R"), 5u);
}

TEST(EpromVerifyConfigTest, TwelveBitPartChecksTheConfigurationWordThenIdsAfterProgramMemory) {
    TProbeRig rig("12C509");
    rig.Image().ConfigWord1 = 0x0013;
    ChipHoldsConfiguration(rig, {{0xC1, 0x02, 0x03, 0x04}, {0x41, 0x02, 0x33, 0x04}}, 0x400, 0xFFF,
                           std::nullopt);
    rig.Programmer.EpromVerifyConfig();
    EXPECT_THAT(rig.Ui.Messages, ElementsAre("ID Settings Verify Error"));
    EXPECT_FALSE(rig.Programmer.OperationOk);
    EXPECT_EQ(rig.Count("R"), 1u + 0x400u + 4u);
}

constexpr const char* kNotBlankAt0100 =
    "Program memory not Blank\r\nFailed at address $0100\r\nProgramming Aborted!";
constexpr const char* kNotBlankAt03FF =
    "Program memory not Blank\r\nFailed at address $03FF\r\nProgramming Aborted!";
constexpr const char* kConfigNotBlank = "Config fuses not Blank\r\nProgramming Aborted!";
constexpr const char* kIdsNotBlank = "ID settings not Blank\r\nProgramming Aborted!";

TEST(BlankCheckTest, StopsAtTheFirstWrittenLocationAndLeavesBeforeTheMessage) {
    struct TCase {
        const char* Device;
        std::uint32_t Address;
        std::uint16_t Word;
        const char* Message;
        std::size_t Reads;  // up to and including the failing one
    };
    const TCase cases[] = {
        {"12C509", 0x100, 0x0000, kNotBlankAt0100, 1 + 0x101},
        {"16C621A", 0x3FF, 0x3400, kNotBlankAt03FF, 0x400},  // no calibration word there
        {"12C508", 0xFFF, 0x0FEF, kConfigNotBlank, 1},
        {"12C671", 0x2007, 0x3F7F, kConfigNotBlank, 0x400 + 4 + 1},
        {"12C508", 0x201, 0x0F00, kIdsNotBlank, 1 + 0x200 + 2},
        {"16C622A", 0x2003, 0x3F7E, kIdsNotBlank, 0x800 + 4},
    };
    for (const TCase& c : cases) {
        TProbeRig rig(c.Device);
        rig.Probe.Word = [c, &rig](std::uint32_t address) {
            return address == c.Address ? c.Word : rig.Device().BlankWord;
        };
        EXPECT_FALSE(rig.Programmer.BlankCheck()) << c.Message;
        EXPECT_THAT(rig.Ui.Messages, ElementsAre(c.Message));
        EXPECT_EQ(rig.Ui.ShownWhilePowered, 0) << c.Message;
        EXPECT_EQ(rig.Count("R"), c.Reads) << c.Message;
        EXPECT_EQ(rig.Transcript().back(), "off") << c.Message;
        EXPECT_THAT(rig.Ui.Questions, IsEmpty());
        EXPECT_TRUE(rig.Programmer.OperationOk) << c.Message;
        EXPECT_THAT(rig.Ui.Statuses, ElementsAre("Checking program data..."));
    }
}

constexpr const char* kChipValueNoFileValue =
    "WARNING! - Osc Calibration not Blank\r\nSet to $0C52\r\nNo value set in loaded file "
    "(OTP?)\r\nChip value will be transferred\r\nDo you still wish to program?";
constexpr const char* kChipValueAndFileValue =
    "WARNING! - Osc Calibration not Blank\r\nSet to $0C52\r\nValue is set in loaded "
    "file!\r\nDo you still wish to program?\r\nValue from file will be replaced!";
constexpr const char* kNoValueAnywhere =
    "WARNING! - Osc Calibration is Blank\r\nNo value set in loaded file\r\nDo you still wish to "
    "program?";

TEST(BlankCheckTest, CalibrationQuestionsAndEachAnswer) {
    struct TCase {
        const char* Device;
        std::uint16_t Chip;  // the chip's calibration word
        std::uint16_t File;  // the buffer's
        std::optional<bool> Answer;
        const char* Question;
        bool Result;
        std::uint16_t BufferAfter;
    };
    constexpr std::uint16_t kFileValue = 0x0C10;
    const TCase cases[] = {
        {"12C508", 0x0C52, kBlank12, true, kChipValueNoFileValue, true, 0x0C52},
        {"12C508", 0x0C52, kBlank12, false, kChipValueNoFileValue, false, kBlank12},
        {"12C508", 0x0C52, kFileValue, true, kChipValueAndFileValue, true, 0x0C52},
        {"12C508", 0x0C52, kFileValue, false, kChipValueAndFileValue, false, kFileValue},
        {"12C508", kBlank12, kBlank12, true, kNoValueAnywhere, true, kBlank12},
        {"12C508", kBlank12, kBlank12, false, kNoValueAnywhere, false, kBlank12},
        {"12C508", kBlank12, kFileValue, std::nullopt, nullptr, true, kFileValue},
        {"16C621A", kBlank14, kBlank14, std::nullopt, nullptr, true, kBlank14},
    };
    for (const TCase& c : cases) {
        TProbeRig rig(c.Device);
        const std::uint16_t calibration =
            rig.Device().CalibrationAddress == 0xFFFF ? 0x3FF : rig.Device().CalibrationAddress;
        rig.Image().ProgramBuffer[calibration] = c.File;
        rig.Probe.Word = [c, calibration, &rig](std::uint32_t address) {
            return address == calibration ? c.Chip : rig.Device().BlankWord;
        };
        if (c.Answer) {
            rig.Ui.Answers.push_back(*c.Answer);
        }
        const std::string where = std::string(c.Device) + " chip " + HexWordText(c.Chip) +
                                  " file " + HexWordText(c.File) +
                                  (c.Answer ? (*c.Answer ? " Yes" : " No") : "");
        EXPECT_EQ(rig.Programmer.BlankCheck(), c.Result) << where;
        if (c.Question != nullptr) {
            EXPECT_THAT(rig.Ui.Questions, ElementsAre(c.Question)) << where;
        } else {
            EXPECT_THAT(rig.Ui.Questions, IsEmpty()) << where;
        }
        EXPECT_EQ(rig.Image().ProgramBuffer[calibration], c.BufferAfter) << where;
        const bool taken = c.BufferAfter != c.File;
        EXPECT_EQ(rig.Ui.BufferChanges, taken ? 1 : 0) << where;
        EXPECT_EQ(rig.Ui.ShownWhilePowered, 0) << where;
        EXPECT_EQ(rig.Ui.Statuses.back(),
                  c.Result ? "Blank Check Performed" : "Checking program data...")
            << where;
        EXPECT_THAT(rig.Ui.Messages, IsEmpty()) << where;
    }
}

TEST(BlankCheckTest, ATakenChipValueIsProgrammedAgainWithItsOwnValue) {
    TProbeRig rig("12C508");
    rig.Image().ProgramBuffer[0] = 0x0A00;
    rig.Probe.Word = [](std::uint32_t address) {
        return address == 0x1FF ? std::uint16_t{0x0C52} : kBlank12;
    };
    rig.Ui.Answers.push_back(true);
    ASSERT_TRUE(rig.Programmer.BlankCheck());
    rig.Probe.Transcript.clear();
    rig.Probe.Word = [&rig](std::uint32_t address) {
        return address < 0x200 ? rig.Image().ProgramBuffer[address] : kBlank12;
    };
    rig.Programmer.EpromProgramChip(false);
    EXPECT_EQ(rig.Count("L 0C52"), 1u);
    EXPECT_EQ(rig.Programmer.WordsWritten, 2);
    EXPECT_TRUE(rig.Programmer.OperationOk);
}

// ---- against the simulated chips ------------------------------------------------------------

#define EXPECT_NO_VIOLATIONS(rig) \
    EXPECT_TRUE((rig).Violations().Empty()) << (rig).Violations().Describe()

constexpr const char* kEpromDevices[] = {"12C508",  "12C509", "12C671", "12C672", "16C621A",
                                         "16C622A", "16C745", "16C765", "16C505"};

// Program words with gaps, up to the end of memory (the calibration word excepted), IDs and a
// configuration word with the watchdog off.
void FillEpromImage(TBoardRig& rig) {
    const TPicDevice& device = rig.Device();
    TDeviceImage& image = rig.Image();
    const std::uint16_t last = device.ProgramSize - 1;
    for (const std::uint16_t address :
         {std::uint16_t{0}, std::uint16_t{1}, std::uint16_t{0x21}, std::uint16_t(last - 1), last}) {
        if (address != device.CalibrationAddress) {
            image.ProgramBuffer[address] =
                static_cast<std::uint16_t>((0x0A5A + address * 0x111u) & device.BlankWord);
        }
    }
    image.IdBuffer = {0x01, 0x23, 0x45, 0x67, 0x7F, 0x7F, 0x7F, 0x7F};
    image.ConfigWord1 = static_cast<std::uint16_t>(device.ConfigMask & ~device.WdtFuse.Mask);
}

class EpromOnChipTest : public testing::TestWithParam<const char*> {};

TEST_P(EpromOnChipTest, BlankCheckWriteVerifyAndReadBackKeepTheCalibrationWord) {
    TBoardRig rig(GetParam());
    const TPicDevice& device = rig.Device();
    const TSimChipState fresh = rig.Chip();
    FillEpromImage(rig);
    if (HasCalibrationWord(device)) {
        rig.Ui.Answers.push_back(true);  // take the chip's calibration value
    }
    ASSERT_TRUE(rig.Programmer.BlankCheck()) << testing::PrintToString(rig.Ui.Messages);
    rig.Programmer.EpromProgramChip(false);
    rig.Programmer.EpromVerify(false);
    rig.Programmer.EpromProgramConfig();
    rig.Programmer.EpromVerifyConfig();
    EXPECT_TRUE(rig.Programmer.OperationOk);
    EXPECT_THAT(rig.Ui.Messages, IsEmpty());
    EXPECT_NO_VIOLATIONS(rig);

    const TDeviceImage written = rig.Image();
    const TSimChipState& chip = rig.Chip();
    for (std::size_t a = 0; a < device.ProgramSize; ++a) {
        ASSERT_EQ(chip.Program[a], written.ProgramBuffer[a]) << "address " << HexWordText(a);
    }
    if (HasCalibrationWord(device)) {
        EXPECT_EQ(chip.Program[device.CalibrationAddress],
                  fresh.Program[device.CalibrationAddress]);
    }
    EXPECT_THAT(chip.Ids, ElementsAre(0x01, 0x23, 0x45, 0x67));
    EXPECT_EQ(chip.Config[0], written.ConfigWord1);

    ClearBuffers(rig.Image(), device);
    rig.Programmer.EpromRead(false);
    EXPECT_TRUE(rig.Image() == written);
    EXPECT_NO_VIOLATIONS(rig);
}

INSTANTIATE_TEST_SUITE_P(EveryEpromPart, EpromOnChipTest, testing::ValuesIn(kEpromDevices),
                         [](const auto& info) { return std::string(info.param); });

// With "Blank Chk" off the calibration word never reaches the buffer; a good chip must still
// take the program and pass its verify.
TEST(EpromOnChipTest, WithoutBlankCheckTheFactoryCalibrationWordIsLeftAlone) {
    for (const char* name : kEpromDevices) {
        TBoardRig rig(name);
        if (!HasCalibrationWord(rig.Device())) {
            continue;
        }
        const std::uint16_t calibration = rig.Device().CalibrationAddress;
        const std::uint16_t factory = rig.Chip().Program[calibration];
        FillEpromImage(rig);
        rig.Programmer.EpromProgramChip(false);
        rig.Programmer.EpromVerify(false);
        EXPECT_TRUE(rig.Programmer.OperationOk) << name;
        EXPECT_THAT(rig.Ui.Messages, IsEmpty()) << name;
        EXPECT_EQ(rig.Chip().Program[calibration], factory) << name;
        EXPECT_NO_VIOLATIONS(rig);
    }
}

TEST(EpromOnChipTest, BlankCheckRefusesAWrittenChipUntouched) {
    for (const char* name : {"12C509", "16C622A"}) {
        TBoardRig rig(name);
        rig.Chip().Program[0x10] = 0x0000;
        const TSimChipState before = rig.Chip();
        EXPECT_FALSE(rig.Programmer.BlankCheck()) << name;
        EXPECT_THAT(rig.Ui.Messages, ElementsAre("Program memory not Blank\r\nFailed at address "
                                                 "$0010\r\nProgramming Aborted!"));
        EXPECT_TRUE(rig.Chip() == before) << name;
        EXPECT_NO_VIOLATIONS(rig);
    }
}

}  // namespace
}  // namespace vantrel
