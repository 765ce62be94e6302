#pragma once

// The plain-text form in which a simulated chip is kept between runs (docs/sim-chip-format.md
// says the same for users). Example:
//
//     # Vantrel simulated chip
//     # calibration word 03FF = 3438
//     # code protection: off; data protection: off
//     vantrel-sim-chip 1
//     device 12F629
//     revision 3
//     config 21FF
//     ids 3FFF 3FFF 3FFF 3FFF
//     program 0000: 2805 0000 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF
//     program 03F8: 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3FFF 3438
//     data 0000: 01 02 03 FF FF FF FF FF FF FF FF FF FF FF FF FF
//     end
//
// - Lines starting with '#' and blank lines are ignored; the comments the writer puts first
//   (calibration word, protection) are for readers only.
// - "vantrel-sim-chip 1" comes first: the format and its version.
// - "device NAME" names the part as the device list spells it. Every memory starts erased
//   (program words at the device's blank word, data bytes FF, IDs and configuration all ones in
//   their implemented bits); the lines after it set what differs.
// - "revision N" gives the silicon revision the chip reports in its device ID (parts with an
//   ID only; the default revision when absent).
// - "config" lists the configuration cells: word 1 (and word 2 where the part has two) of a
//   12/14-bit part, masked to its implemented bits, or the 14 configuration bytes
//   0x300000..0x30000D of an 18F part. Code protection and the 12F629 family's band-gap bits
//   live here, exactly as on the chip.
// - "ids" lists the ID locations: four words, or eight bytes on 18F parts.
// - "program ADDR: W..." sets program words from word address ADDR on (18F word n holds the
//   bytes at 2n, low, and 2n + 1, high). The calibration word is a program word like any other.
//   "data ADDR: B..." sets data EEPROM bytes. The writer emits rows of 8 words or 16 bytes and
//   leaves out rows that are still erased.
// - "end" closes the file, so a truncated file is caught.
// All numbers are hexadecimal, without prefix. A malformed file is refused as a whole, with the
// line and the reason.

#include <optional>
#include <string>
#include <string_view>

#include "sim/sim_chip_state.h"

namespace vantrel {

inline constexpr std::string_view kSimChipFileMagic = "vantrel-sim-chip";
inline constexpr int kSimChipFileVersion = 1;

[[nodiscard]] std::string FormatSimChipFile(const TSimChipState& chip);

struct TSimChipFileResult {
    std::optional<TSimChipState> Chip;
    std::string Error;  // "line N: reason" when Chip is empty
};

[[nodiscard]] TSimChipFileResult ParseSimChipFile(std::string_view text);

}  // namespace vantrel
