#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "device/device_table.h"

namespace vantrel {

// 18F configuration bytes 0x300000..0x30000D.
inline constexpr std::size_t kConfig18Bytes = 14;
inline constexpr std::size_t kConfig5LIndex = 8;   // CP0..CP3
inline constexpr std::size_t kConfig5HIndex = 9;   // CPB (bit 6), CPD (bit 7)
inline constexpr std::size_t kConfig6HIndex = 11;  // WRTC (bit 5)

// The silicon revision a chip comes with unless a test or a kept chip file says otherwise.
inline constexpr std::uint8_t kDefaultSimRevision = 3;

// Everything stored in one simulated chip: what a file keeps between runs and what tests
// inspect or preset. Cells hold what the silicon holds; code protection is the configuration
// bits that say so, and the calibration word is a program word, exactly as on the chip.
struct TSimChipState {
    std::uint8_t DeviceIndex = kDefaultDeviceIndex;  // into DeviceTable
    // Program words; on 18F parts word i holds byte 2i (low) and 2i + 1 (high).
    std::vector<std::uint16_t> Program;
    std::vector<std::uint8_t> Data;  // data EEPROM bytes
    // ID locations: four 12- or 14-bit words, or eight bytes on 18F parts.
    std::vector<std::uint16_t> Ids;
    // Configuration: word 1 (and word 2 on parts with two) masked to the implemented bits, or
    // the 14 configuration bytes of an 18F part.
    std::vector<std::uint16_t> Config;
    // The silicon revision in the low bits of the device ID word; parts without an ID ignore it.
    std::uint8_t Revision = kDefaultSimRevision;

    [[nodiscard]] const TPicDevice& Device() const { return DeviceTable.at(DeviceIndex); }
    bool operator==(const TSimChipState&) const = default;
};

// Why `chip` cannot be a chip of its device (a memory of the wrong size, a value wider than its
// cell, a revision wider than the device ID has room for, an unknown device); empty when it can.
[[nodiscard]] std::string ChipShapeError(const TSimChipState& chip);

// Every cell erased: program words at the device's blank word, data 0xFF, IDs and
// configuration all ones in their implemented bits.
[[nodiscard]] TSimChipState ErasedChip(std::uint8_t deviceIndex);

// As the chip leaves the factory: erased, with its oscillator calibration word and, on the
// 12F629 family, its band-gap calibration bits.
[[nodiscard]] TSimChipState FactoryFreshChip(std::uint8_t deviceIndex);

// The calibration word the factory puts into the device's chip (RETLW k, or MOVLW k on 12-bit
// parts); nothing when the device has none.
[[nodiscard]] std::optional<std::uint16_t> FactoryCalibrationWord(std::uint8_t deviceIndex);

// The band-gap bits (configuration bits 13:12) a fresh 12F629-family chip carries.
inline constexpr std::uint16_t kBandGapMask = 0x3000;
inline constexpr std::uint16_t kFactoryBandGap = 0x2000;

// The chip's calibration word as it stands now; nothing when the device has none.
[[nodiscard]] std::optional<std::uint16_t> CalibrationWord(const TSimChipState& chip);

// Width masks of one cell of each memory.
[[nodiscard]] std::uint16_t ProgramWordMask(const TPicDevice& device);
[[nodiscard]] std::uint16_t IdWordMask(const TPicDevice& device);
[[nodiscard]] std::uint16_t ConfigWordMask(const TPicDevice& device, std::size_t index);
[[nodiscard]] std::size_t IdCount(const TPicDevice& device);
[[nodiscard]] std::size_t ConfigCount(const TPicDevice& device);
[[nodiscard]] std::size_t ProgramBytes18(const TPicDevice& device);

// The device ID word as the chip answers it: its device's ID with its revision in the low bits;
// 0 for parts without an ID.
[[nodiscard]] std::uint16_t SimDeviceIdWord(const TSimChipState& chip);

[[nodiscard]] bool IsCodeProtected(const TSimChipState& chip);
[[nodiscard]] bool IsDataProtected(const TSimChipState& chip);

// Switches code protection of program memory on, as a programmer writing the protection bits
// would: every CP bit of the device programmed.
void TurnOnCodeProtection(TSimChipState& chip);

// 18F: the configuration bytes 2n and 2n + 1 as one word (low byte first), the layout the
// device image keeps them in.
[[nodiscard]] std::uint16_t Config18Word(const TSimChipState& chip, std::size_t n);

// 18F: one byte of program memory.
[[nodiscard]] std::uint8_t ProgramByte18(const TSimChipState& chip, std::uint32_t address);
void SetProgramByte18(TSimChipState& chip, std::uint32_t address, std::uint8_t value);

// 18F code blocks protected by CONFIG5L: one bit per block the part has.
[[nodiscard]] std::uint8_t CodeBlockMask18(std::uint8_t deviceIndex);

}  // namespace vantrel
