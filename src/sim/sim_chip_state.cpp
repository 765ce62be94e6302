#include "sim/sim_chip_state.h"

#include <algorithm>
#include <bit>
#include <string>
#include <string_view>

#include "sim/sim_catalogue.h"

namespace vantrel {

namespace {

constexpr std::uint16_t kWord14 = 0x3FFF;
constexpr std::uint16_t kWord12 = 0x0FFF;
constexpr std::uint16_t kByte = 0x00FF;
constexpr std::size_t kIdWords = 4;
constexpr std::size_t kIdBytes18 = 8;
constexpr std::uint16_t kRetlw = 0x3400;
constexpr std::uint16_t kMovlw12 = 0x0C00;
constexpr std::uint8_t kCpbBit = 0x40;
constexpr std::uint8_t kCpdBit = 0x80;
constexpr std::size_t kPanelBytesOld18 = 0x2000;
constexpr std::size_t kBlocksNew18 = 4;

bool IsTwelveBit(const TPicDevice& device) {
    return device.BlankWord == kWord12;
}

bool FuseActive(std::uint16_t config, const TFuseBits& fuse) {
    // Every protection fuse of the table is active-low: a programmed (0) bit turns it on.
    return fuse.Mask != 0 && (config & fuse.Mask) != fuse.Mask;
}

}  // namespace

std::uint16_t ProgramWordMask(const TPicDevice& device) {
    return device.BlankWord;
}

std::uint16_t IdWordMask(const TPicDevice& device) {
    if (IsPic18(device)) {
        return kByte;
    }
    return IsTwelveBit(device) ? kWord12 : kWord14;
}

std::uint16_t ConfigWordMask(const TPicDevice& device, std::size_t index) {
    if (IsPic18(device)) {
        return kByte;
    }
    return index == 0 ? device.ConfigMask : device.Config2Mask;
}

std::size_t IdCount(const TPicDevice& device) {
    return IsPic18(device) ? kIdBytes18 : kIdWords;
}

std::size_t ConfigCount(const TPicDevice& device) {
    if (IsPic18(device)) {
        return kConfig18Bytes;
    }
    return device.Config2Mask != 0 ? 2 : 1;
}

std::size_t ProgramBytes18(const TPicDevice& device) {
    return static_cast<std::size_t>(device.ProgramSize) * 2;
}

std::string ChipShapeError(const TSimChipState& chip) {
    if (chip.DeviceIndex >= kDeviceCount) {
        return "device index " + std::to_string(chip.DeviceIndex) + " is not in the device table";
    }
    const TPicDevice& device = chip.Device();
    const auto sizeError = [&](std::string_view what, std::size_t have, std::size_t want) {
        return std::string(device.Name) + " has " + std::to_string(want) + " " + std::string(what) +
               ", not " + std::to_string(have);
    };
    if (chip.Program.size() != device.ProgramSize) {
        return sizeError("program words", chip.Program.size(), device.ProgramSize);
    }
    if (chip.Data.size() != SimDeviceFacts(chip.DeviceIndex).EepromBytes) {
        return sizeError("data EEPROM bytes", chip.Data.size(),
                         SimDeviceFacts(chip.DeviceIndex).EepromBytes);
    }
    if (chip.Ids.size() != IdCount(device)) {
        return sizeError("ID locations", chip.Ids.size(), IdCount(device));
    }
    if (chip.Config.size() != ConfigCount(device)) {
        return sizeError("configuration cells", chip.Config.size(), ConfigCount(device));
    }
    const auto tooWide = [](const auto& cells, std::uint16_t mask) {
        return std::any_of(cells.begin(), cells.end(),
                           [mask](std::uint16_t value) { return (value & ~mask) != 0; });
    };
    if (tooWide(chip.Program, ProgramWordMask(device))) {
        return "a program word is wider than the " + std::string(device.Name) + "'s words";
    }
    if (tooWide(chip.Ids, IdWordMask(device))) {
        return "an ID location is wider than the " + std::string(device.Name) + "'s";
    }
    for (std::size_t i = 0; i < chip.Config.size(); ++i) {
        if ((chip.Config[i] & ~ConfigWordMask(device, i)) != 0) {
            return "configuration cell " + std::to_string(i + 1) + " sets bits the " +
                   std::string(device.Name) + " does not have";
        }
    }
    const std::uint16_t revisionMask = SimRevisionMask(chip.DeviceIndex);
    if (revisionMask != 0 && (chip.Revision & ~revisionMask) != 0) {
        return "revision " + std::to_string(chip.Revision) + " does not fit the " +
               std::to_string(std::popcount(revisionMask)) + " revision bits of the " +
               std::string(device.Name) + "'s device ID";
    }
    return {};
}

TSimChipState ErasedChip(std::uint8_t deviceIndex) {
    TSimChipState chip;
    chip.DeviceIndex = deviceIndex;
    const TPicDevice& device = chip.Device();
    chip.Program.assign(device.ProgramSize, device.BlankWord);
    chip.Data.assign(SimDeviceFacts(deviceIndex).EepromBytes, 0xFF);
    chip.Ids.assign(IdCount(device), IdWordMask(device));
    for (std::size_t i = 0; i < ConfigCount(device); ++i) {
        chip.Config.push_back(ConfigWordMask(device, i));
    }
    return chip;
}

std::optional<std::uint16_t> FactoryCalibrationWord(std::uint8_t deviceIndex) {
    const TPicDevice& device = DeviceTable.at(deviceIndex);
    if (!HasCalibrationWord(device)) {
        return std::nullopt;
    }
    // A value that differs from device to device, with the two low bits clear as the 12F629
    // family leaves them, so a host that restores a fixed value is caught.
    const auto k = static_cast<std::uint16_t>(0x30 + 4 * (deviceIndex % 16));
    return static_cast<std::uint16_t>((IsTwelveBit(device) ? kMovlw12 : kRetlw) | k);
}

TSimChipState FactoryFreshChip(std::uint8_t deviceIndex) {
    TSimChipState chip = ErasedChip(deviceIndex);
    const TPicDevice& device = chip.Device();
    if (const auto calibration = FactoryCalibrationWord(deviceIndex)) {
        chip.Program.at(device.CalibrationAddress) = *calibration;
    }
    if (SimDeviceFacts(deviceIndex).Family == TChipFamily::Flash12F629) {
        chip.Config[0] =
            static_cast<std::uint16_t>((chip.Config[0] & ~kBandGapMask) | kFactoryBandGap);
    }
    return chip;
}

std::optional<std::uint16_t> CalibrationWord(const TSimChipState& chip) {
    const TPicDevice& device = chip.Device();
    if (!HasCalibrationWord(device) || device.CalibrationAddress >= chip.Program.size()) {
        return std::nullopt;
    }
    return chip.Program[device.CalibrationAddress];
}

std::uint8_t CodeBlockMask18(std::uint8_t deviceIndex) {
    const std::size_t blocks = SimDeviceFacts(deviceIndex).Family == TChipFamily::Pic18Old
                                   ? ProgramBytes18(DeviceTable.at(deviceIndex)) / kPanelBytesOld18
                                   : kBlocksNew18;
    return static_cast<std::uint8_t>((1u << std::min<std::size_t>(blocks, 4)) - 1);
}

std::uint16_t SimDeviceIdWord(const TSimChipState& chip) {
    const std::uint16_t id = SimDeviceFacts(chip.DeviceIndex).DeviceId;
    if (id == kNoDeviceId) {
        return 0;
    }
    return static_cast<std::uint16_t>(id | (chip.Revision & SimRevisionMask(chip.DeviceIndex)));
}

bool IsCodeProtected(const TSimChipState& chip) {
    const TPicDevice& device = chip.Device();
    if (IsPic18(device)) {
        const std::uint8_t blocks = CodeBlockMask18(chip.DeviceIndex);
        return (chip.Config[kConfig5LIndex] & blocks) != blocks ||
               (chip.Config[kConfig5HIndex] & kCpbBit) == 0;
    }
    return FuseActive(chip.Config[0], device.CpFuse);
}

bool IsDataProtected(const TSimChipState& chip) {
    const TPicDevice& device = chip.Device();
    if (IsPic18(device)) {
        return (chip.Config[kConfig5HIndex] & kCpdBit) == 0;
    }
    return FuseActive(chip.Config[0], device.CpdFuse);
}

void TurnOnCodeProtection(TSimChipState& chip) {
    const TPicDevice& device = chip.Device();
    if (IsPic18(device)) {
        chip.Config[kConfig5LIndex] &=
            static_cast<std::uint16_t>(~CodeBlockMask18(chip.DeviceIndex));
        chip.Config[kConfig5HIndex] &= static_cast<std::uint16_t>(~kCpbBit);
        return;
    }
    chip.Config[0] &= static_cast<std::uint16_t>(~device.CpFuse.Mask);
}

std::uint16_t Config18Word(const TSimChipState& chip, std::size_t n) {
    return static_cast<std::uint16_t>(chip.Config.at(2 * n) | (chip.Config.at(2 * n + 1) << 8));
}

std::uint8_t ProgramByte18(const TSimChipState& chip, std::uint32_t address) {
    const std::uint16_t word = chip.Program.at(address / 2);
    return static_cast<std::uint8_t>((address & 1) != 0 ? word >> 8 : word);
}

void SetProgramByte18(TSimChipState& chip, std::uint32_t address, std::uint8_t value) {
    std::uint16_t& word = chip.Program.at(address / 2);
    word = (address & 1) != 0 ? static_cast<std::uint16_t>((word & 0x00FF) | (value << 8))
                              : static_cast<std::uint16_t>((word & 0xFF00) | value);
}

}  // namespace vantrel
