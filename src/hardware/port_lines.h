#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// Registers of a parallel port, as offsets from its base address.
inline constexpr std::uint8_t kDataRegister = 0;
inline constexpr std::uint8_t kStatusRegister = 1;
inline constexpr std::uint8_t kControlRegister = 2;

// One line of the port connector and the register bit that carries it.
struct TPortLine {
    std::string_view Name;        // descriptive only
    std::uint8_t RegisterOffset;  // kDataRegister, kStatusRegister or kControlRegister
    std::uint8_t BitMask;         // exactly one bit
    std::uint8_t ConnectorPin;    // descriptive only
};

inline constexpr std::size_t kPortLineCount = 17;

// Outputs use lines 0..11 (data and control register), the input 12..16 (status register). No
// fixed inversion is applied for the lines the port hardware inverts (STB, AutoLF, SelIn, Busy):
// every inversion is the signal's own Invert flag.
inline constexpr std::array<TPortLine, kPortLineCount> PortLines{{
    {"D0", kDataRegister, 0x01, 2},
    {"D1", kDataRegister, 0x02, 3},
    {"D2", kDataRegister, 0x04, 4},
    {"D3", kDataRegister, 0x08, 5},
    {"D4", kDataRegister, 0x10, 6},
    {"D5", kDataRegister, 0x20, 7},
    {"D6", kDataRegister, 0x40, 8},
    {"D7", kDataRegister, 0x80, 9},
    {"STB", kControlRegister, 0x01, 1},
    {"AutoLF", kControlRegister, 0x02, 14},
    {"Init", kControlRegister, 0x04, 16},
    {"SelIn", kControlRegister, 0x08, 17},
    {"Error", kStatusRegister, 0x08, 15},
    {"SEL", kStatusRegister, 0x10, 13},
    {"PE", kStatusRegister, 0x20, 12},
    {"ACK", kStatusRegister, 0x40, 10},
    {"Busy", kStatusRegister, 0x80, 11},
}};

// Line indexes the presets use.
inline constexpr std::uint8_t kLineD0 = 0;
inline constexpr std::uint8_t kLineD1 = 1;
inline constexpr std::uint8_t kLineD2 = 2;
inline constexpr std::uint8_t kLineD3 = 3;
inline constexpr std::uint8_t kLineD4 = 4;
inline constexpr std::uint8_t kLineD5 = 5;
inline constexpr std::uint8_t kLineAck = 15;
inline constexpr std::uint8_t kLastOutputLine = 11;
inline constexpr std::uint8_t kFirstInputLine = 12;

// Candidate port base addresses, in the order port detection tries them; the 0 after them
// stands for no port.
inline constexpr std::array<std::uint16_t, 4> PortAddresses{0x378, 0x278, 0x3BC, 0};
inline constexpr std::uint16_t kDefaultPortBase = 0x378;
inline constexpr std::size_t kNoPortIndex = 3;

// A candidate port address as a command line gives it: "0x378", "0x278" or "0x3BC", in any
// letter case; nothing for any other text.
[[nodiscard]] std::optional<std::uint16_t> ParseCandidatePort(std::string_view text);

// Why a command line's port was refused, with the addresses it could have named.
[[nodiscard]] std::string UnknownPortText(std::string_view text);

}  // namespace vantrel
