#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace vantrel {

// The values the devices' assembler include files give the register and bit names the
// disassembler may print. The table is generated from the include files themselves
// (scripts/gen_include_symbols.py) and compiled in, so nothing is read at run time.
struct TIncludeSymbol {
    std::string_view Name;
    std::uint16_t Value = 0;
};

struct TIncludeFileSymbols {
    std::string_view IncludeFile;             // as the device table names it, "P16F84.inc"
    std::span<const TIncludeSymbol> Symbols;  // sorted by name
};

extern const std::span<const TIncludeFileSymbols> IncludeFileSymbols;
// Every name the generator looked for, sorted; a name missing here was never checked.
extern const std::span<const std::string_view> IncludeCheckedNames;

// The value `includeFile` gives `name`; none when the file does not define it (or is unknown).
[[nodiscard]] std::optional<std::uint16_t> IncludeSymbolValue(std::string_view includeFile,
                                                              std::string_view name);

}  // namespace vantrel
