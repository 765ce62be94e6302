#pragma once

#include <cstdint>
#include <string_view>

namespace vantrel {

// The configuration bits behind one fuse check box. A Mask of 0 means the device lacks the fuse.
// An inverted fuse is active-low: its bits are 0 when the box is checked.
struct TFuseBits {
    std::uint16_t Mask = 0;
    bool Inverted = false;
};

// Everything the program knows about one microcontroller type.
struct TPicDevice {
    std::string_view Name;            // without the "PIC" prefix, e.g. "16F84"
    std::uint16_t ProgramSize = 0;    // words (16-bit words on 18F parts)
    std::uint16_t EepromSize = 0;     // bytes; 0 = no data EEPROM
    std::uint32_t EepromAddress = 0;  // in the HEX reader's word address space
    TFuseBits WdtFuse;
    TFuseBits PutFuse;
    TFuseBits MclrFuse;
    TFuseBits BorFuse;
    TFuseBits LvpFuse;
    TFuseBits CpdFuse;
    TFuseBits WrtFuse;
    TFuseBits CpFuse;
    TFuseBits DebugFuse;
    TFuseBits Bg0Fuse;
    TFuseBits Bg1Fuse;
    TFuseBits CcpmxFuse;
    TFuseBits IesoFuse;               // configuration word 2
    TFuseBits FcmenFuse;              // configuration word 2
    std::uint16_t ConfigMask = 0;     // implemented bits of word 1, also its blank value
    std::uint16_t Config2Mask = 0;    // implemented bits of word 2; 0 = single configuration word
    bool UsesVpp40 = false;           // programmed in the 40-pin socket
    std::uint16_t Algorithm = 0;      // 1..10
    std::uint16_t OscillatorSet = 0;  // 1..5
    std::uint32_t IdAddress = 0;
    std::uint16_t Fosc2Mask = 0;  // third oscillator-select bit; 0 = only the two low bits
    std::uint32_t ConfigAddress = 0;
    std::uint16_t CalibrationAddress = 0;  // 0x0000 or 0xFFFF = no calibration word
    std::uint16_t BlankWord = 0;           // erased program word, also the word-width mask
    std::string_view IncludeFile;
    std::uint16_t RegisterSet = 0;  // disassembler register-name set; 5 = 14-bit EPROM core
    std::int16_t WriteBlock = 1;    // program words per programming cycle
};

// Programming algorithm numbers that other layers test by name.
inline constexpr std::uint16_t kAlgorithmEeprom = 1;
inline constexpr std::uint16_t kAlgorithmEprom = 2;
inline constexpr std::uint16_t kAlgorithmEpromOther = 3;  // tested alongside 2; no device uses it
inline constexpr std::uint16_t kAlgorithmBlock877A = 4;
inline constexpr std::uint16_t kAlgorithmBlock7x = 5;
inline constexpr std::uint16_t kAlgorithmBlock88 = 6;
inline constexpr std::uint16_t kAlgorithmFlash628A = 7;
inline constexpr std::uint16_t kAlgorithm18F = 8;
inline constexpr std::uint16_t kAlgorithmCalibrated = 9;
inline constexpr std::uint16_t kAlgorithm18FNew = 10;

inline constexpr std::uint16_t kRegisterSetEpromCore14 = 5;

[[nodiscard]] constexpr bool IsPic18(const TPicDevice& device) {
    return device.Algorithm == kAlgorithm18F || device.Algorithm == kAlgorithm18FNew;
}

// One-time-programmable (or window-erased) parts: blank checked, never bulk erased.
[[nodiscard]] constexpr bool IsEprom(const TPicDevice& device) {
    return device.Algorithm == kAlgorithmEprom || device.Algorithm == kAlgorithmEpromOther;
}

[[nodiscard]] constexpr bool HasCalibrationWord(const TPicDevice& device) {
    return device.CalibrationAddress != 0x0000 && device.CalibrationAddress != 0xFFFF;
}

}  // namespace vantrel
