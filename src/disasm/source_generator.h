#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "device/device_image.h"
#include "device/pic_device.h"
#include "disasm/disassembly_state.h"

namespace vantrel {

// What the user is told instead of a listing for an 18F part ("\r" separates the lines).
inline constexpr std::string_view kDisassemblerUnavailable =
    "Disassembler function\rnot currently available\ron 18F series PIC's";

// The refusal text for devices the disassembler does not handle (the 18F parts).
[[nodiscard]] std::optional<std::string_view> DisassemblerRefusal(const TPicDevice& device);

// Empties the rows and the source lines and resets labels, variables, bank and page.
void ResetDisassembler(TDisassembler& disassembler);

// Turns the image into assembler source that reassembles into the same image: resets the
// disassembler, lays out the program, ID and data-EEPROM sections, then writes SourceLines
// and returns them. Like the ID test, it cuts the ID entries of the image to 8 bits. An 18F
// device (see DisassemblerRefusal) gets no lines.
const std::vector<std::string>& GenerateSource(TDisassembler& disassembler, TDeviceImage& image,
                                               const TPicDevice& device);

}  // namespace vantrel
