#include "disasm/listing_text.h"

#include "device/hex_text.h"

namespace vantrel {

namespace {
constexpr std::string_view kHexPrefix = "0x";
}  // namespace

std::string FormatByte(std::uint32_t value) {
    return std::string(kHexPrefix) + HexByte(value);
}

std::string FormatWord(std::uint32_t value) {
    return std::string(kHexPrefix) + HexWordText(value & 0xFFFF);
}

std::string HexByte(std::uint32_t value) {
    return HexByteText(value & 0xFF);
}

std::string PadField(std::string_view text, std::size_t width) {
    std::string field(text.substr(0, width));
    field.resize(width, ' ');
    return field;
}

std::string TrimTrailingSpaces(std::string line) {
    while (line.size() >= 2 && line.back() == ' ') {
        line.pop_back();
    }
    return line;
}

}  // namespace vantrel
