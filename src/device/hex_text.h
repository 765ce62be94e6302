#pragma once

#include <cstdint>
#include <string>

namespace vantrel {

// Upper-case hexadecimal text of `value` with at least `digits` digits; a wider value keeps all
// of its digits.
[[nodiscard]] std::string HexText(std::uint32_t value, int digits);

// A byte as two digits, a word as four.
[[nodiscard]] inline std::string HexByteText(std::uint32_t value) {
    return HexText(value, 2);
}
[[nodiscard]] inline std::string HexWordText(std::uint32_t value) {
    return HexText(value, 4);
}

}  // namespace vantrel
