#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "device/pic_device.h"

namespace vantrel {

inline constexpr std::size_t kDeviceCount = 50;

namespace device_table_detail {

// The fourteen fuses of one device, in the order of TPicDevice's fuse fields.
struct TFuseSet {
    TFuseBits Wdt, Put, Mclr, Bor, Lvp, Cpd, Wrt, Cp, Debug, Bg0, Bg1, Ccpmx, Ieso, Fcmen;
};

constexpr TFuseBits On(std::uint16_t mask) {
    return {mask, false};
}
constexpr TFuseBits Inv(std::uint16_t mask) {
    return {mask, true};
}
constexpr TFuseBits None{};

// Devices with identical fuse masks share one set.
constexpr TFuseSet kFuses16C84{On(0x0004),  On(0x0008), None, None, None, None, None,
                               Inv(0x0010), None,       None, None, None, None, None};
constexpr TFuseSet kFuses16F84{On(0x0004),  Inv(0x0008), None, None, None, None, None,
                               Inv(0x3FF0), None,        None, None, None, None, None};
constexpr TFuseSet kFuses16F877{On(0x0004),  Inv(0x0008), None,        On(0x0040),  On(0x0080),
                                Inv(0x0100), On(0x0200),  Inv(0x3030), Inv(0x0800), None,
                                None,        None,        None,        None};
constexpr TFuseSet kFuses16F628{On(0x0004),  Inv(0x0008), On(0x0020),  On(0x0040), On(0x0080),
                                Inv(0x0100), None,        Inv(0x3C00), None,       None,
                                None,        None,        None,        None};
constexpr TFuseSet kFuses12C508{On(0x0004),  None, On(0x0010), None, None, None, None,
                                Inv(0x0008), None, None,       None, None, None, None};
constexpr TFuseSet kFuses12C671{On(0x0008),  Inv(0x0010), On(0x0080), None, None, None, None,
                                Inv(0x3F60), None,        None,       None, None, None, None};
constexpr TFuseSet kFuses16C621A{On(0x0004),  Inv(0x0008), None, On(0x0040), None, None, None,
                                 Inv(0x3F30), None,        None, None,       None, None, None};
// Also carried by the 18F rows, where the fuse boxes are hidden and have no effect.
constexpr TFuseSet kFuses16C745{On(0x0004),  Inv(0x0008), None, None, None, None, None,
                                Inv(0x3F30), None,        None, None, None, None, None};
constexpr TFuseSet kFuses16C505{On(0x0008),  None, On(0x0020), None, None, None, None,
                                Inv(0x0FD0), None, None,       None, None, None, None};
constexpr TFuseSet kFuses12F675{On(0x0008),  Inv(0x0010), On(0x0020),  On(0x0040), None,
                                Inv(0x0100), None,        Inv(0x0080), None,       On(0x1000),
                                On(0x2000),  None,        None,        None};
constexpr TFuseSet kFuses16F77{On(0x0004),  Inv(0x0008), None, On(0x0040), None, None, None,
                               Inv(0x0010), None,        None, None,       None, None, None};
constexpr TFuseSet kFuses16F877A{On(0x0004),  Inv(0x0008), None,        On(0x0040),  On(0x0080),
                                 Inv(0x0100), On(0x0600),  Inv(0x2000), Inv(0x0800), None,
                                 None,        None,        None,        None};
constexpr TFuseSet kFuses16F819{On(0x0004),  Inv(0x0008), On(0x0020),  On(0x0040),  On(0x0080),
                                Inv(0x0100), On(0x0600),  Inv(0x2000), Inv(0x0800), None,
                                None,        On(0x1000),  None,        None};
constexpr TFuseSet kFuses16F628A{On(0x0004),  Inv(0x0008), On(0x0020),  On(0x0040), On(0x0080),
                                 Inv(0x0100), None,        Inv(0x2000), None,       None,
                                 None,        None,        None,        None};
constexpr TFuseSet kFuses16F88{On(0x0004),  Inv(0x0008), On(0x0020),  On(0x0040),  On(0x0080),
                               Inv(0x0100), On(0x0600),  Inv(0x2000), Inv(0x0800), None,
                               None,        On(0x1000),  On(0x0002),  On(0x0001)};

// Memory sizes and HEX addresses of one device.
struct TMemoryRow {
    std::uint16_t ProgramSize, EepromSize;
    std::uint32_t EepromAddress, IdAddress, ConfigAddress;
    std::uint16_t ConfigMask, Config2Mask, BlankWord, CalibrationAddress;
};

// Algorithm, oscillator and programming parameters of one device.
struct TParameterRow {
    std::uint16_t Algorithm, OscillatorSet, Fosc2Mask;
    bool UsesVpp40;
    std::int16_t WriteBlock;
    std::uint16_t RegisterSet;
    std::string_view IncludeFile;
};

constexpr TPicDevice Device(std::string_view name, const TMemoryRow& m, const TParameterRow& p,
                            const TFuseSet& f) {
    return TPicDevice{name,
                      m.ProgramSize,
                      m.EepromSize,
                      m.EepromAddress,
                      f.Wdt,
                      f.Put,
                      f.Mclr,
                      f.Bor,
                      f.Lvp,
                      f.Cpd,
                      f.Wrt,
                      f.Cp,
                      f.Debug,
                      f.Bg0,
                      f.Bg1,
                      f.Ccpmx,
                      f.Ieso,
                      f.Fcmen,
                      m.ConfigMask,
                      m.Config2Mask,
                      p.UsesVpp40,
                      p.Algorithm,
                      p.OscillatorSet,
                      m.IdAddress,
                      p.Fosc2Mask,
                      m.ConfigAddress,
                      m.CalibrationAddress,
                      m.BlankWord,
                      p.IncludeFile,
                      p.RegisterSet,
                      p.WriteBlock};
}

// 14-bit parts: IDs at word 0x2000, configuration at 0x2007, data EEPROM at 0x2100.
constexpr TMemoryRow Mid(std::uint16_t program, std::uint16_t eeprom, std::uint16_t configMask,
                         std::uint16_t calibration = 0x0000, std::uint16_t config2Mask = 0) {
    return {program, eeprom, 0x2100, 0x2000, 0x2007, configMask, config2Mask, 0x3FFF, calibration};
}
// 14-bit EPROM parts have no data EEPROM.
constexpr TMemoryRow MidEprom(std::uint16_t program, std::uint16_t configMask,
                              std::uint16_t calibration) {
    return {program, 0, 0xFFFF, 0x2000, 0x2007, configMask, 0, 0x3FFF, calibration};
}
// 12-bit parts: configuration word at 0x0FFF, IDs right after program memory.
constexpr TMemoryRow Base12(std::uint16_t program, std::uint16_t configMask,
                            std::uint16_t calibration) {
    return {program, 0, 0xFFFF, program, 0x0FFF, configMask, 0, 0x0FFF, calibration};
}
// 18F parts: byte addresses of the 18F HEX layout.
constexpr TMemoryRow Pic18(std::uint16_t program) {
    return {program, 0x0100, 0xF00000, 0x200000, 0x300000, 0x3F3F, 0, 0xFFFF, 0xFFFF};
}

}  // namespace device_table_detail

// The 50 supported devices. The index is what the settings store as "Processor", so the order
// is fixed; the user sees the devices sorted by name instead (see device_selection.h).
inline constexpr std::array<TPicDevice, kDeviceCount> DeviceTable = [] {
    using namespace device_table_detail;
    // clang-format off
    return std::array<TPicDevice, kDeviceCount>{
        Device("16C84",   Mid(0x0400, 0x0040, 0x001F), {1, 1, 0x0000, false, 1, 1, "P16C84.inc"},   kFuses16C84),
        Device("16F83",   Mid(0x0200, 0x0040, 0x3FFF), {1, 1, 0x0000, false, 1, 1, "P16F83.inc"},   kFuses16F84),
        Device("16F84",   Mid(0x0400, 0x0040, 0x3FFF), {1, 1, 0x0000, false, 1, 1, "P16F84.inc"},   kFuses16F84),
        Device("16F84A",  Mid(0x0400, 0x0040, 0x3FFF), {1, 1, 0x0000, false, 1, 1, "P16F84A.inc"},  kFuses16F84),
        Device("16F873",  Mid(0x1000, 0x0080, 0x3BFF), {1, 1, 0x0000, true,  1, 3, "P16F873.inc"},  kFuses16F877),
        Device("16F874",  Mid(0x1000, 0x0080, 0x3BFF), {1, 1, 0x0000, true,  1, 3, "P16F874.inc"},  kFuses16F877),
        Device("16F876",  Mid(0x2000, 0x0100, 0x3BFF), {1, 1, 0x0000, true,  1, 3, "P16F876.inc"},  kFuses16F877),
        Device("16F877",  Mid(0x2000, 0x0100, 0x3BFF), {1, 1, 0x0000, true,  1, 3, "P16F877.inc"},  kFuses16F877),
        Device("16F627",  Mid(0x0400, 0x0080, 0x3DFF), {1, 2, 0x0010, false, 1, 4, "P16F627.inc"},  kFuses16F628),
        Device("16F628",  Mid(0x0800, 0x0080, 0x3DFF), {1, 2, 0x0010, false, 1, 4, "P16F628.inc"},  kFuses16F628),
        Device("12C508",  Base12(0x0200, 0x001F, 0x01FF), {2, 3, 0x0000, false, 1, 2, "P12C508.inc"},  kFuses12C508),
        Device("12C509",  Base12(0x0400, 0x001F, 0x03FF), {2, 3, 0x0000, false, 1, 2, "P12C509.inc"},  kFuses12C508),
        Device("12C671",  MidEprom(0x0400, 0x3FFF, 0x03FF), {2, 4, 0x0004, false, 1, 5, "P12C671.inc"},  kFuses12C671),
        Device("12C672",  MidEprom(0x0800, 0x3FFF, 0x07FF), {2, 4, 0x0004, false, 1, 5, "P12C672.inc"},  kFuses12C671),
        Device("16C621A", MidEprom(0x0400, 0x3F7F, 0xFFFF), {2, 1, 0x0000, false, 1, 5, "P16C621A.inc"}, kFuses16C621A),
        Device("16C622A", MidEprom(0x0800, 0x3F7F, 0xFFFF), {2, 1, 0x0000, false, 1, 5, "P16C622A.inc"}, kFuses16C621A),
        Device("16C745",  MidEprom(0x2000, 0x3F3F, 0xFFFF), {2, 5, 0x0000, true,  1, 5, "P16C745.inc"},  kFuses16C745),
        Device("16C505",  Base12(0x0400, 0x0FFF, 0x03FF), {2, 4, 0x0004, false, 1, 7, "P16C505.inc"},  kFuses16C505),
        Device("12F629",  Mid(0x0400, 0x0080, 0x31FF, 0x03FF), {9, 4, 0x0004, false, 1, 6, "P12F629.inc"}, kFuses12F675),
        Device("12F675",  Mid(0x0400, 0x0080, 0x31FF, 0x03FF), {9, 4, 0x0004, false, 1, 6, "P12F675.inc"}, kFuses12F675),
        Device("16F872",  Mid(0x0800, 0x0040, 0x3BFF), {1, 1, 0x0000, true,  1, 3, "P16F872.inc"},  kFuses16F877),
        Device("16F73",   Mid(0x1000, 0x0000, 0x005F), {5, 1, 0x0000, true,  2, 3, "P16F73.inc"},   kFuses16F77),
        Device("16F74",   Mid(0x1000, 0x0000, 0x005F), {5, 1, 0x0000, true,  2, 3, "P16F74.inc"},   kFuses16F77),
        Device("16F76",   Mid(0x2000, 0x0000, 0x005F), {5, 1, 0x0000, true,  2, 3, "P16F76.inc"},   kFuses16F77),
        Device("16F77",   Mid(0x2000, 0x0000, 0x005F), {5, 1, 0x0000, true,  2, 3, "P16F77.inc"},   kFuses16F77),
        Device("16F873A", Mid(0x1000, 0x0080, 0x2FCF), {4, 1, 0x0000, true,  8, 3, "P16F873A.inc"}, kFuses16F877A),
        Device("16F874A", Mid(0x1000, 0x0080, 0x2FCF), {4, 1, 0x0000, true,  8, 3, "P16F874A.inc"}, kFuses16F877A),
        Device("16F876A", Mid(0x2000, 0x0100, 0x2FCF), {4, 1, 0x0000, true,  8, 3, "P16F876A.inc"}, kFuses16F877A),
        Device("16F877A", Mid(0x2000, 0x0100, 0x2FCF), {4, 1, 0x0000, true,  8, 3, "P16F877A.inc"}, kFuses16F877A),
        Device("16F818",  Mid(0x0400, 0x0080, 0x3FFF), {6, 2, 0x0010, false, 4, 3, "P16F818.inc"},  kFuses16F819),
        Device("16F819",  Mid(0x0800, 0x0100, 0x3FFF), {6, 2, 0x0010, false, 4, 3, "P16F819.inc"},  kFuses16F819),
        Device("16F648A", Mid(0x1000, 0x0100, 0x21FF), {7, 2, 0x0010, false, 1, 3, "P16F648A.inc"}, kFuses16F628A),
        Device("16F628A", Mid(0x0800, 0x0080, 0x21FF), {7, 2, 0x0010, false, 1, 3, "P16F628A.inc"}, kFuses16F628A),
        Device("16F627A", Mid(0x0400, 0x0080, 0x21FF), {7, 2, 0x0010, false, 1, 3, "P16F627A.inc"}, kFuses16F628A),
        Device("16F630",  Mid(0x0400, 0x0080, 0x31FF, 0x03FF), {9, 4, 0x0004, false, 1, 6, "P16F630.inc"}, kFuses12F675),
        Device("16F676",  Mid(0x0400, 0x0080, 0x31FF, 0x03FF), {9, 4, 0x0004, false, 1, 6, "P16F676.inc"}, kFuses12F675),
        Device("16C765",  MidEprom(0x2000, 0x3F3F, 0xFFFF), {2, 5, 0x0000, true,  1, 5, "P16C765.inc"},  kFuses16C745),
        Device("18F242",  Pic18(0x2000), {8, 5, 0x0000, true, 4, 0, "P18F242.inc"},  kFuses16C745),
        Device("18F248",  Pic18(0x2000), {8, 5, 0x0000, true, 4, 0, "P18F248.inc"},  kFuses16C745),
        Device("18F252",  Pic18(0x4000), {8, 5, 0x0000, true, 4, 0, "P18F252.inc"},  kFuses16C745),
        Device("18F258",  Pic18(0x4000), {8, 5, 0x0000, true, 4, 0, "P18F258.inc"},  kFuses16C745),
        Device("18F442",  Pic18(0x2000), {8, 5, 0x0000, true, 4, 0, "P18F442.inc"},  kFuses16C745),
        Device("18F448",  Pic18(0x2000), {8, 5, 0x0000, true, 4, 0, "P18F448.inc"},  kFuses16C745),
        Device("18F452",  Pic18(0x4000), {8, 5, 0x0000, true, 4, 0, "P18F452.inc"},  kFuses16C745),
        Device("18F458",  Pic18(0x4000), {8, 5, 0x0000, true, 4, 0, "P18F458.inc"},  kFuses16C745),
        Device("18F4680", Pic18(0x8000), {10, 5, 0x0000, true, 4, 0, "P18F4680.inc"}, kFuses16C745),
        Device("18F4550", Pic18(0x4000), {10, 5, 0x0000, true, 4, 0, "P18F4550.inc"}, kFuses16C745),
        Device("18F2550", Pic18(0x4000), {10, 5, 0x0000, true, 4, 0, "P18F2550.inc"}, kFuses16C745),
        Device("16F88",   Mid(0x1000, 0x0100, 0x3FFF, 0x0000, 0x0003), {6, 2, 0x0010, false, 4, 3, "P16F88.inc"}, kFuses16F88),
        Device("16F87",   Mid(0x1000, 0x0100, 0x3FFF, 0x0000, 0x0003), {6, 2, 0x0010, false, 4, 3, "P16F87.inc"}, kFuses16F88),
    };
    // clang-format on
}();

// Index of "16F84A": the device selected when the settings hold none.
inline constexpr std::uint8_t kDefaultDeviceIndex = 3;

}  // namespace vantrel
