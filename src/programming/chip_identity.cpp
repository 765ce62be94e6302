#include "programming/chip_identity.h"

#include <array>
#include <optional>

#include "device/device_table.h"
#include "device/hex_text.h"
#include "hardware/serial_protocol.h"
#include "hardware/serial_protocol18.h"

namespace vantrel {

namespace {

// Load Configuration puts the counter on 0x2000; the device ID sits six words further.
constexpr int kIncrementsToDeviceId = 6;
constexpr std::uint32_t kDeviceIdAddress18 = 0x3FFFFE;

std::uint16_t ReadIdWord14(TPinLayer& pins) {
    SendCommand(pins, kCommandLoadConfiguration);
    LoadData(pins, kLoadConfigurationData);
    for (int i = 0; i < kIncrementsToDeviceId; ++i) {
        SendCommand(pins, kCommandIncrementAddress);
    }
    SendCommand(pins, kCommandReadDataProgram);
    return static_cast<std::uint16_t>(ReadData(pins) & kDataFrameMask);
}

std::uint16_t ReadIdWord18(TPinLayer& pins) {
    SetTablePointer(pins, kDeviceIdAddress18);
    return TableReadWord(pins);  // DEVID1 in the low byte, DEVID2 in the high one
}

// A device whose programming-mode entry the search borrows: which programming voltage line and
// which protocol. Only those two matter for reading the ID.
const TPicDevice& EntryDevice(bool pic18, bool uses40) {
    for (const TPicDevice& device : DeviceTable) {
        if (IsPic18(device) == pic18 && device.UsesVpp40 == uses40 && DeviceIdFacts(device)) {
            return device;
        }
    }
    return DeviceTable.front();  // unreachable: the table has parts of each kind
}

std::string IdText(std::uint16_t id) {
    return "0x" + HexWordText(id);
}

}  // namespace

TChipIdentity ReadChipIdentity(TPinLayer& pins, const TPicDevice& device) {
    const bool pic18 = IsPic18(device);
    SetProgramMode(pins, device, true);
    const std::uint16_t word = pic18 ? ReadIdWord18(pins) : ReadIdWord14(pins);
    SetProgramMode(pins, device, false);
    return IdentifyIdWord(word, pic18);
}

TChipIdentity FindChipIdentity(TPinLayer& pins, const std::function<void()>& afterMiss) {
    struct TEntry {
        bool Pic18;
        bool Uses40;
    };
    constexpr std::array<TEntry, 3> kEntries{{{false, false}, {false, true}, {true, true}}};
    std::optional<TChipIdentity> firstAnswer;
    TChipIdentity last;
    for (const TEntry& entry : kEntries) {
        last = ReadChipIdentity(pins, EntryDevice(entry.Pic18, entry.Uses40));
        if (last.DeviceIndex) {
            return last;
        }
        if (afterMiss) {
            afterMiss();
        }
        if (last.Answered() && !firstAnswer) {
            firstAnswer = last;
        }
    }
    return firstAnswer.value_or(last);
}

std::string ChipAnswersText(const TChipIdentity& identity) {
    return std::string(DeviceTable.at(identity.DeviceIndex.value()).Name) + " revision " +
           std::to_string(identity.Revision()) + " answers";
}

std::string NoChipText(const TChipIdentity& identity) {
    return "No chip answers (device ID " + IdText(identity.Word) +
           "): check that the chip sits in the socket and the programmer has power";
}

std::string OtherDeviceText(const TChipIdentity& identity, const TPicDevice& expected) {
    const std::string found = identity.DeviceIndex
                                  ? DeviceWithArticle(DeviceTable.at(*identity.DeviceIndex)) +
                                        " (device ID " + IdText(identity.Id()) + ", revision " +
                                        std::to_string(identity.Revision()) + ")"
                                  : "a chip with the unknown device ID " + IdText(identity.Word);
    return "Found " + found + ", expected " + DeviceWithArticle(expected);
}

std::string IdentityText(const TChipIdentity& identity) {
    if (!identity.Answered()) {
        return NoChipText(identity);
    }
    if (!identity.DeviceIndex) {
        return "A chip with the unknown device ID " + IdText(identity.Word) + " answers";
    }
    return ChipAnswersText(identity);
}

}  // namespace vantrel
