// The device ID check on the simulated board, for every device that has an ID: the chosen
// device's chip passes with its revision shown, an empty socket and a chip of another device
// are refused before anything is written, and the user may go on with the other device's chip.
// The simulated chips take their IDs from the simulator's own notes, so a slip in either table
// shows here.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "device/device_id.h"
#include "device/device_selection.h"
#include "device/hex_text.h"
#include "probe_rig.h"
#include "programming/chip_identity.h"
#include "programming/programmer.h"
#include "sim/sim_catalogue.h"
#include "sim/simulated_board.h"

namespace vantrel {
namespace {

using testing::ElementsAre;
using testing::HasSubstr;

// The revision the chips carry here: not the simulator's default, and it fits four bits.
constexpr std::uint8_t kRevision = 7;

// The chosen device's programmer and board, with the chip of `chipDevice` in the socket.
struct TBoard : test::TBoardRig {
    TBoard(std::uint8_t device, std::uint8_t chipDevice) : TBoardRig(DeviceTable.at(device).Name) {
        TSimChipState chip = FactoryFreshChip(chipDevice);
        chip.Revision = kRevision;
        Board.InsertChip(std::move(chip));
    }
};

// Another device whose chip sits in the same socket and speaks the same protocol, so it
// answers the check with its own ID rather than not at all.
std::uint8_t SameSocketPartner(std::uint8_t index) {
    const TPicDevice& device = DeviceTable.at(index);
    for (std::size_t i = 0; i < DeviceTable.size(); ++i) {
        const TPicDevice& other = DeviceTable[i];
        if (i != index && DeviceIdFacts(other) && IsPic18(other) == IsPic18(device) &&
            other.UsesVpp40 == device.UsesVpp40) {
            return static_cast<std::uint8_t>(i);
        }
    }
    ADD_FAILURE() << "no partner for " << device.Name;
    return index;
}

std::uint8_t Index(std::string_view name) {
    return FindDeviceByName(name).value();
}

std::string IdText(std::uint16_t id) {
    return "0x" + HexWordText(id);
}

class DeviceIdCheckTest : public testing::TestWithParam<std::uint8_t> {
  protected:
    [[nodiscard]] const TPicDevice& Device() const { return DeviceTable.at(GetParam()); }
};

TEST_P(DeviceIdCheckTest, TheChosenDevicesChipPassesWithItsRevisionShown) {
    TBoard bench(GetParam(), GetParam());
    bench.Programmer.ReadPIC();
    EXPECT_EQ(bench.Ui.Statuses.front(),
              std::string(Device().Name) + " revision " + std::to_string(kRevision) + " answers");
    EXPECT_TRUE(bench.Programmer.OperationOk);
    EXPECT_THAT(bench.Ui.Messages, testing::IsEmpty());
    ASSERT_TRUE(bench.Programmer.Identity.has_value());
    EXPECT_EQ(bench.Programmer.Identity->DeviceIndex, GetParam());
    EXPECT_EQ(bench.Programmer.Identity->Revision(), kRevision);
    EXPECT_THAT(bench.Ui.Questions, testing::IsEmpty());
    EXPECT_TRUE(bench.Board.Violations().Empty()) << bench.Board.Violations().Describe();
}

TEST_P(DeviceIdCheckTest, AnEmptySocketIsRefusedBeforeAnythingIsWritten) {
    TBoard bench(GetParam(), GetParam());
    bench.Board.LoadSocket(bench.Chip(), [] {
        TSimFaults faults;
        faults.NoChip = true;
        return faults;
    }());
    bench.Image().ProgramBuffer[0] = 0x0000;
    bench.Session.Options.ChangeCal = true;
    bench.Programmer.WritePIC(true);
    EXPECT_FALSE(bench.Session.Options.ChangeCal) << "a one-shot choice, used up";
    const std::string allOnes = IsPic18(Device()) ? "0xFFFF" : "0x3FFF";
    EXPECT_THAT(bench.Ui.Messages, ElementsAre("No chip answers (device ID " + allOnes +
                                               "): check that the chip sits in the socket and "
                                               "the programmer has power"));
    EXPECT_THAT(bench.Ui.Statuses, ElementsAre("Write ABORTED!"));
    EXPECT_FALSE(bench.Programmer.OperationOk);
    EXPECT_FALSE(bench.Programmer.Declined);
    EXPECT_EQ(bench.Programmer.WordsWritten, 0);
    const TSocketLevels socket = bench.Board.Socket();
    EXPECT_FALSE(socket.Vdd || socket.Vpp || socket.Vpp40);
}

TEST_P(DeviceIdCheckTest, AnotherDevicesChipIsLeftAloneUnlessTheUserGoesOn) {
    const std::uint8_t partner = SameSocketPartner(GetParam());
    const TPicDevice& other = DeviceTable.at(partner);
    TBoard bench(GetParam(), partner);
    const TSimChipState before = bench.Chip();
    bench.Image().ProgramBuffer[0] = 0x0000;
    bench.Ui.Answers = {false};
    bench.Programmer.WritePIC(true);
    const std::string found = "Found " + DeviceWithArticle(other) + " (device ID " +
                              IdText(SimDeviceFacts(partner).DeviceId) + ", revision " +
                              std::to_string(kRevision) + "), expected " +
                              DeviceWithArticle(Device());
    EXPECT_THAT(bench.Ui.Questions, ElementsAre(found + "\r\nDo you still wish to go on?"));
    EXPECT_THAT(bench.Ui.Statuses, ElementsAre("Write ABORTED!"));
    EXPECT_EQ(bench.Programmer.Refusal, found);
    EXPECT_TRUE(bench.Programmer.Declined);
    EXPECT_TRUE(bench.Chip() == before) << "nothing written";

    bench.Ui.Statuses.clear();
    bench.Ui.Answers = {true};
    bench.Programmer.ReadPIC();
    EXPECT_EQ(bench.Ui.Statuses.front(),
              std::string(other.Name) + " revision " + std::to_string(kRevision) + " answers");
    EXPECT_TRUE(bench.Programmer.Refusal.empty());
    EXPECT_TRUE(bench.Board.Violations().Empty()) << bench.Board.Violations().Describe();
}

std::vector<std::uint8_t> DevicesWithAnId() {
    std::vector<std::uint8_t> indexes;
    for (std::size_t i = 0; i < DeviceTable.size(); ++i) {
        if (DeviceIdFacts(DeviceTable[i])) {
            indexes.push_back(static_cast<std::uint8_t>(i));
        }
    }
    return indexes;
}

INSTANTIATE_TEST_SUITE_P(EveryDeviceWithAnId, DeviceIdCheckTest,
                         testing::ValuesIn(DevicesWithAnId()),
                         [](const testing::TestParamInfo<std::uint8_t>& info) {
                             return "PIC" + std::string(DeviceTable.at(info.param).Name);
                         });

// The parts the simulator knows to have an ID are the ones the check reads, no more, no less;
// the others are not checked at all.
TEST(DeviceIdCheck, OnlyPartsWithAnIdAreChecked) {
    for (std::size_t i = 0; i < DeviceTable.size(); ++i) {
        const bool simulatedId = SimDeviceFacts(static_cast<std::uint8_t>(i)).DeviceId != 0;
        EXPECT_EQ(DeviceIdFacts(DeviceTable[i]).has_value(), simulatedId) << DeviceTable[i].Name;
    }
    test::TBoardRig bench("16F84");
    bench.Programmer.VerifyPIC();
    EXPECT_FALSE(bench.Programmer.Identity.has_value());
    EXPECT_EQ(bench.Ui.Statuses.front(), "Verifying program data...");
}

// The revision takes the low bits the part has for it; a bit above them is part of the ID,
// and an ID nobody has is named as unknown.
TEST(DeviceIdCheck, RevisionBitsAndUnknownIds) {
    const TChipIdentity a877 = IdentifyIdWord(0x0E2F, false);
    ASSERT_TRUE(a877.DeviceIndex.has_value());
    EXPECT_EQ(DeviceTable.at(*a877.DeviceIndex).Name, "16F877A");
    EXPECT_EQ(a877.Revision(), 15);
    EXPECT_FALSE(IdentifyIdWord(0x0E30, false).DeviceIndex) << "bit 4 is no revision bit";
    const TChipIdentity a628 = IdentifyIdWord(0x107F, false);
    ASSERT_TRUE(a628.DeviceIndex.has_value());
    EXPECT_EQ(DeviceTable.at(*a628.DeviceIndex).Name, "16F628A");
    EXPECT_EQ(a628.Revision(), 31);
    EXPECT_EQ(a628.Id(), 0x1060);
    EXPECT_FALSE(IdentifyIdWord(0x0420, false).DeviceIndex) << "an 18F ID read the 14-bit way";

    const TChipIdentity unknown = IdentifyIdWord(0x1234, false);
    EXPECT_TRUE(unknown.Answered());
    EXPECT_EQ(OtherDeviceText(unknown, DeviceTable.at(Index("16F877A"))),
              "Found a chip with the unknown device ID 0x1234, expected a 16F877A");
    for (const std::uint16_t word : {0x0000, 0x3FFF}) {
        EXPECT_FALSE(IdentifyIdWord(word, false).Answered()) << word;
    }
    EXPECT_TRUE(IdentifyIdWord(0x3FFF, true).Answered()) << "16 bits wide on 18F parts";
    EXPECT_FALSE(IdentifyIdWord(0xFFFF, true).Answered());
}

}  // namespace
}  // namespace vantrel
