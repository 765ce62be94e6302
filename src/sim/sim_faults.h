#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace vantrel {

// Faults the simulated programmer can be given, to see a host cope with what goes wrong on a
// bench. The board reads the live ones (power, data line, failing word) on every access;
// no-chip and protected describe how the socket is filled and act when a chip goes in.
struct TSimFaults {
    bool NoChip = false;                       // the socket is empty
    bool Unpowered = false;                    // the board has no supply: nothing reaches the chip
    std::optional<bool> DataStuck;             // the data line stuck at this level
    std::optional<std::uint32_t> FailingWord;  // this program word address never programs
    bool Protected = false;                    // the chip's code protection is on

    bool operator==(const TSimFaults&) const = default;
};

// The fault names as the command line takes them.
inline constexpr std::string_view kSimFaultNames =
    "no-chip, unpowered, data-stuck-high, data-stuck-low, word-fails=ADDR, protected";

// Adds the fault `name` (e.g. "word-fails=1F0", the address in hexadecimal: a program word
// address, on 18F parts the word at byte address 2 x ADDR) to `faults`. Returns an error
// text, empty when the name was understood.
[[nodiscard]] std::string AddSimFault(std::string_view name, TSimFaults& faults);

}  // namespace vantrel
