#include "device/device_id.h"

#include <array>
#include <string_view>

#include "device/device_table.h"

namespace vantrel {

namespace {

struct TDeviceIdRow {
    std::string_view Name;
    TDeviceIdFacts Facts;
};

// The 16F87xA, 16F818/819 and 16F87/88 keep the revision in 4 bits, every other part in 5.
constexpr std::uint8_t kRevision5 = 5;
constexpr std::uint8_t kRevision4 = 4;

constexpr std::array<TDeviceIdRow, 38> kDeviceIds{{
    {"16F84A", {0x0560, kRevision5}},  {"16F627", {0x07A0, kRevision5}},
    {"16F628", {0x07C0, kRevision5}},  {"16F872", {0x08E0, kRevision5}},
    {"16F873", {0x0960, kRevision5}},  {"16F874", {0x0920, kRevision5}},
    {"16F876", {0x09E0, kRevision5}},  {"16F877", {0x09A0, kRevision5}},
    {"16F73", {0x0600, kRevision5}},   {"16F74", {0x0620, kRevision5}},
    {"16F76", {0x0640, kRevision5}},   {"16F77", {0x0660, kRevision5}},
    {"16F873A", {0x0E40, kRevision4}}, {"16F874A", {0x0E60, kRevision4}},
    {"16F876A", {0x0E00, kRevision4}}, {"16F877A", {0x0E20, kRevision4}},
    {"16F818", {0x04C0, kRevision4}},  {"16F819", {0x04E0, kRevision4}},
    {"16F87", {0x0720, kRevision4}},   {"16F88", {0x0760, kRevision4}},
    {"16F627A", {0x1040, kRevision5}}, {"16F628A", {0x1060, kRevision5}},
    {"16F648A", {0x1100, kRevision5}}, {"12F629", {0x0F80, kRevision5}},
    {"12F675", {0x0FC0, kRevision5}},  {"16F630", {0x10C0, kRevision5}},
    {"16F676", {0x10E0, kRevision5}},  {"18F242", {0x0480, kRevision5}},
    {"18F248", {0x0800, kRevision5}},  {"18F252", {0x0400, kRevision5}},
    {"18F258", {0x0840, kRevision5}},  {"18F442", {0x04A0, kRevision5}},
    {"18F448", {0x0820, kRevision5}},  {"18F452", {0x0420, kRevision5}},
    {"18F458", {0x0860, kRevision5}},  {"18F2550", {0x1240, kRevision5}},
    {"18F4550", {0x1200, kRevision5}}, {"18F4680", {0x0E80, kRevision5}},
}};

// Every row names a device of the table once, and no two devices of one interface share an ID:
// a mistake here would name the wrong chip, so it is a build error.
// The table index of the device named `name`; kDeviceCount when there is none.
constexpr std::size_t TableIndex(std::string_view name) {
    for (std::size_t i = 0; i < DeviceTable.size(); ++i) {
        if (DeviceTable[i].Name == name) {
            return i;
        }
    }
    return kDeviceCount;
}

constexpr bool RowsAreSound() {
    for (std::size_t i = 0; i < kDeviceIds.size(); ++i) {
        const TDeviceIdRow& row = kDeviceIds[i];
        const std::size_t index = TableIndex(row.Name);
        if (index == kDeviceCount || (row.Facts.Id & RevisionMask(row.Facts)) != 0) {
            return false;
        }
        for (std::size_t j = i + 1; j < kDeviceIds.size(); ++j) {
            const TDeviceIdRow& other = kDeviceIds[j];
            const std::size_t otherIndex = TableIndex(other.Name);
            const bool sameInterface =
                otherIndex != kDeviceCount &&
                IsPic18(DeviceTable[index]) == IsPic18(DeviceTable[otherIndex]);
            if (other.Name == row.Name || (sameInterface && other.Facts.Id == row.Facts.Id)) {
                return false;
            }
        }
    }
    return true;
}
static_assert(RowsAreSound());

constexpr std::uint16_t kIdWordMask14 = 0x3FFF;
constexpr std::uint16_t kIdWordMask18 = 0xFFFF;

}  // namespace

std::optional<TDeviceIdFacts> DeviceIdFacts(const TPicDevice& device) {
    for (const TDeviceIdRow& row : kDeviceIds) {
        if (row.Name == device.Name) {
            return row.Facts;
        }
    }
    return std::nullopt;
}

bool TChipIdentity::Answered() const {
    const std::uint16_t allOnes = Pic18 ? kIdWordMask18 : kIdWordMask14;
    return Word != 0 && Word != allOnes;
}

std::uint16_t TChipIdentity::Id() const {
    if (!DeviceIndex) {
        return Word;
    }
    const TDeviceIdFacts facts = DeviceIdFacts(DeviceTable.at(*DeviceIndex)).value();
    return static_cast<std::uint16_t>(Word & ~RevisionMask(facts));
}

std::uint16_t TChipIdentity::Revision() const {
    if (!DeviceIndex) {
        return 0;
    }
    const TDeviceIdFacts facts = DeviceIdFacts(DeviceTable.at(*DeviceIndex)).value();
    return static_cast<std::uint16_t>(Word & RevisionMask(facts));
}

TChipIdentity IdentifyIdWord(std::uint16_t word, bool pic18) {
    TChipIdentity identity{word, pic18, std::nullopt};
    if (!identity.Answered()) {
        return identity;
    }
    for (std::size_t i = 0; i < DeviceTable.size(); ++i) {
        const TPicDevice& device = DeviceTable[i];
        const auto facts = DeviceIdFacts(device);
        if (facts && IsPic18(device) == pic18 && (word & ~RevisionMask(*facts)) == facts->Id) {
            identity.DeviceIndex = static_cast<std::uint8_t>(i);
            break;
        }
    }
    return identity;
}

std::string DeviceWithArticle(const TPicDevice& device) {
    // Read aloud, "18F452" begins with a vowel sound ("eighteen").
    const bool vowelSound = device.Name.starts_with("18") || device.Name.starts_with("8");
    return (vowelSound ? "an " : "a ") + std::string(device.Name);
}

}  // namespace vantrel
