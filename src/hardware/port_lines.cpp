#include "hardware/port_lines.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <span>

namespace vantrel {

std::optional<std::uint16_t> ParseCandidatePort(std::string_view text) {
    constexpr std::string_view kHexPrefix = "0x";
    if (text.size() <= kHexPrefix.size() || text[0] != '0' ||
        std::tolower(static_cast<unsigned char>(text[1])) != 'x') {
        return std::nullopt;
    }
    std::uint16_t address = 0;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(text.data() + kHexPrefix.size(), last, address, 16);
    if (error != std::errc() || end != last) {
        return std::nullopt;
    }
    const auto candidates = std::span(PortAddresses).first(kNoPortIndex);
    if (std::find(candidates.begin(), candidates.end(), address) == candidates.end()) {
        return std::nullopt;
    }
    return address;
}

std::string UnknownPortText(std::string_view text) {
    return "unknown port '" + std::string(text) + "' (0x378, 0x278 or 0x3BC)";
}

}  // namespace vantrel
