#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "device/pic_device.h"

namespace vantrel {

// What the maker burns into a chip to say what it is: a device ID word with the part's ID in
// the upper bits and the silicon revision in the low ones - at 0x2006 on the 14-bit parts, in
// DEVID2:DEVID1 (0x3FFFFF:0x3FFFFE) on the 18F parts. The oldest EEPROM parts (16C84, 16F83,
// 16F84) and the EPROM parts have none.
struct TDeviceIdFacts {
    std::uint16_t Id = 0;           // revision bits clear
    std::uint8_t RevisionBits = 0;  // how many low bits hold the revision
};

// The device's ID; nothing when the part has none.
[[nodiscard]] std::optional<TDeviceIdFacts> DeviceIdFacts(const TPicDevice& device);

// The bits of the device ID word that hold the revision.
[[nodiscard]] constexpr std::uint16_t RevisionMask(const TDeviceIdFacts& facts) {
    return static_cast<std::uint16_t>((1u << facts.RevisionBits) - 1u);
}

// A device ID word as a chip answered it, and what it names.
struct TChipIdentity {
    std::uint16_t Word = 0;  // as read: ID and revision
    bool Pic18 = false;      // read through the 18F interface (16 bits) rather than the 14-bit one
    std::optional<std::uint8_t> DeviceIndex;  // the supported device with that ID

    // False when the word reads all ones or all zeros: nothing drives the data line.
    [[nodiscard]] bool Answered() const;
    // The word with the named device's revision bits cleared; the whole word when the ID is
    // unknown, since nobody can say which bits are the revision then.
    [[nodiscard]] std::uint16_t Id() const;
    // The named device's revision; 0 when the ID is unknown.
    [[nodiscard]] std::uint16_t Revision() const;
};

// What a word read from the device ID location says: the supported device (of the 18F parts
// when `pic18`, of the 12/14-bit parts otherwise) whose ID it carries, if any.
[[nodiscard]] TChipIdentity IdentifyIdWord(std::uint16_t word, bool pic18);

// "a 16F877A", "an 18F452": the device's name as a sentence names one chip of it.
[[nodiscard]] std::string DeviceWithArticle(const TPicDevice& device);

}  // namespace vantrel
