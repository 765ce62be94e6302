#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantrel {

// Literals in the source are always hexadecimal, upper-case, with a fixed number of digits.

// "0x0A": the low byte of `value`.
[[nodiscard]] std::string FormatByte(std::uint32_t value);
// "0x2100": the low 16 bits of `value`.
[[nodiscard]] std::string FormatWord(std::uint32_t value);
// "05": the low byte of `value` without a prefix.
[[nodiscard]] std::string HexByte(std::uint32_t value);

// The text followed by spaces, cut to exactly `width` characters.
[[nodiscard]] std::string PadField(std::string_view text, std::size_t width);

// Removes trailing spaces while the line is at least 2 characters long, so a line of spaces
// becomes a single space.
[[nodiscard]] std::string TrimTrailingSpaces(std::string line);

}  // namespace vantrel
