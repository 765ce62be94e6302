#include "disasm/include_symbols.h"

#include <algorithm>

namespace vantrel {

std::optional<std::uint16_t> IncludeSymbolValue(std::string_view includeFile,
                                                std::string_view name) {
    const auto file = std::find_if(
        IncludeFileSymbols.begin(), IncludeFileSymbols.end(),
        [&](const TIncludeFileSymbols& entry) { return entry.IncludeFile == includeFile; });
    if (file == IncludeFileSymbols.end()) {
        return std::nullopt;
    }
    const auto symbol = std::lower_bound(
        file->Symbols.begin(), file->Symbols.end(), name,
        [](const TIncludeSymbol& entry, std::string_view key) { return entry.Name < key; });
    if (symbol == file->Symbols.end() || symbol->Name != name) {
        return std::nullopt;
    }
    return symbol->Value;
}

}  // namespace vantrel
