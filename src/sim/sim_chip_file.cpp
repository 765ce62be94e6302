#include "sim/sim_chip_file.h"

#include <algorithm>
#include <charconv>
#include <sstream>
#include <vector>

#include "device/device_selection.h"
#include "device/hex_text.h"
#include "sim/sim_catalogue.h"

namespace vantrel {

namespace {

constexpr std::size_t kWordsPerRow = 8;
constexpr std::size_t kBytesPerRow = 16;
constexpr std::size_t kMaxHexDigits = 4;
constexpr std::uint16_t kByteMask = 0xFF;

std::vector<std::string_view> Tokens(std::string_view line) {
    std::vector<std::string_view> tokens;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) {
            ++pos;
        }
        const std::size_t start = pos;
        while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t') {
            ++pos;
        }
        if (pos > start) {
            tokens.push_back(line.substr(start, pos - start));
        }
    }
    return tokens;
}

template <typename Cells>
void WriteRows(std::ostringstream& out, std::string_view keyword, const Cells& cells,
               std::size_t perRow, std::uint16_t blank, int digits) {
    for (std::size_t row = 0; row < cells.size(); row += perRow) {
        const std::size_t end = std::min(row + perRow, cells.size());
        if (std::all_of(cells.begin() + static_cast<long>(row),
                        cells.begin() + static_cast<long>(end),
                        [blank](auto value) { return value == blank; })) {
            continue;
        }
        out << keyword << ' ' << HexWordText(static_cast<std::uint32_t>(row)) << ':';
        for (std::size_t i = row; i < end; ++i) {
            out << ' ' << HexText(cells[i], digits);
        }
        out << '\n';
    }
}

// Reads the file line by line into a chip, stopping at the first fault.
class TChipFileParser {
  public:
    TSimChipFileResult Parse(std::string_view text) {
        std::size_t pos = 0;
        while (pos <= text.size() && error_.empty()) {
            std::size_t end = text.find('\n', pos);
            if (end == std::string_view::npos) {
                end = text.size();
            }
            std::string_view line = text.substr(pos, end - pos);
            if (!line.empty() && line.back() == '\r') {
                line.remove_suffix(1);
            }
            ++lineNumber_;
            ParseLine(line);
            pos = end + 1;
        }
        if (error_.empty() && !ended_) {
            error_ = !sawMagic_ ? "empty file: not a simulated chip"
                                : "the file stops before its 'end' line (cut short?)";
        }
        if (!error_.empty()) {
            return {std::nullopt, error_};
        }
        return {std::move(chip_), {}};
    }

  private:
    void Fail(std::string message) {
        if (error_.empty()) {
            error_ = "line " + std::to_string(lineNumber_) + ": " + std::move(message);
        }
    }

    void ParseLine(std::string_view line) {
        const std::vector<std::string_view> tokens = Tokens(line);
        if (tokens.empty() || tokens.front().starts_with('#')) {
            return;
        }
        if (ended_) {
            return Fail("nothing may follow 'end'");
        }
        const std::string_view keyword = tokens.front();
        if (!sawMagic_) {
            return ParseMagic(tokens);
        }
        if (keyword == "device") {
            return ParseDevice(tokens);
        }
        if (keyword == "end") {
            if (!chip_) {
                return Fail("'end' before any 'device' line");
            }
            if (tokens.size() != 1) {
                return Fail("'end' takes nothing after it");
            }
            ended_ = true;
            return;
        }
        if (keyword == "revision") {
            return ParseRevision(tokens);
        }
        if (keyword != "config" && keyword != "ids" && keyword != "program" && keyword != "data") {
            return Fail("unknown keyword '" + std::string(keyword) + "'");
        }
        if (!chip_) {
            return Fail("'" + std::string(keyword) + "' before the 'device' line");
        }
        const TPicDevice& device = chip_->Device();
        if (keyword == "config") {
            ParseList(tokens, chip_->Config,
                      [&](std::size_t i) { return ConfigWordMask(device, i); });
        } else if (keyword == "ids") {
            const std::uint16_t mask = IdWordMask(device);
            ParseList(tokens, chip_->Ids, [mask](std::size_t) { return mask; });
        } else if (keyword == "program") {
            ParseRow(tokens, chip_->Program, ProgramWordMask(device));
        } else {
            ParseRow(tokens, chip_->Data, kByteMask);
        }
    }

    void ParseMagic(const std::vector<std::string_view>& tokens) {
        if (tokens.front() != kSimChipFileMagic) {
            return Fail("not a simulated chip file: it must start with '" +
                        std::string(kSimChipFileMagic) + " " + std::to_string(kSimChipFileVersion) +
                        "'");
        }
        if (tokens.size() != 2 || tokens[1] != std::to_string(kSimChipFileVersion)) {
            return Fail("unsupported simulated chip file version (this program reads version " +
                        std::to_string(kSimChipFileVersion) + ")");
        }
        sawMagic_ = true;
    }

    void ParseDevice(const std::vector<std::string_view>& tokens) {
        if (chip_) {
            return Fail("a second 'device' line");
        }
        if (tokens.size() != 2) {
            return Fail("'device' takes one name");
        }
        const auto index = FindDeviceByName(tokens[1]);
        if (!index) {
            return Fail("unknown device '" + std::string(tokens[1]) + "'");
        }
        chip_ = ErasedChip(*index);
    }

    void ParseRevision(const std::vector<std::string_view>& tokens) {
        if (!chip_) {
            return Fail("'revision' before the 'device' line");
        }
        const std::uint16_t mask = SimRevisionMask(chip_->DeviceIndex);
        if (mask == 0) {
            return Fail("the " + std::string(chip_->Device().Name) +
                        " has no device ID to carry a revision");
        }
        if (tokens.size() != 2) {
            return Fail("'revision' takes one number");
        }
        if (const auto revision = Hex(tokens[1], mask)) {
            chip_->Revision = static_cast<std::uint8_t>(*revision);
        }
    }

    std::optional<std::uint16_t> Hex(std::string_view token, std::uint16_t mask) {
        std::uint16_t value = 0;
        const auto [end, error] =
            std::from_chars(token.data(), token.data() + token.size(), value, 16);
        if (token.empty() || token.size() > kMaxHexDigits || error != std::errc() ||
            end != token.data() + token.size()) {
            Fail("'" + std::string(token) + "' is not a hexadecimal number");
            return std::nullopt;
        }
        if ((value & ~mask) != 0) {
            Fail(std::string(token) + " sets bits outside the cell's mask " + HexWordText(mask));
            return std::nullopt;
        }
        return value;
    }

    template <typename Cells, typename MaskOf>
    void ParseList(const std::vector<std::string_view>& tokens, Cells& cells, MaskOf maskOf) {
        if (tokens.size() - 1 != cells.size()) {
            return Fail("'" + std::string(tokens.front()) + "' needs " +
                        std::to_string(cells.size()) + " values for the " +
                        std::string(chip_->Device().Name) + ", not " +
                        std::to_string(tokens.size() - 1));
        }
        for (std::size_t i = 0; i < cells.size(); ++i) {
            const auto value = Hex(tokens[i + 1], maskOf(i));
            if (!value) {
                return;
            }
            cells[i] = static_cast<typename Cells::value_type>(*value);
        }
    }

    template <typename Cells>
    void ParseRow(const std::vector<std::string_view>& tokens, Cells& cells, std::uint16_t mask) {
        if (tokens.size() < 3 || !tokens[1].ends_with(':')) {
            return Fail("'" + std::string(tokens.front()) + "' needs 'ADDRESS: VALUE...'");
        }
        const auto address = Hex(tokens[1].substr(0, tokens[1].size() - 1), 0xFFFF);
        if (!address) {
            return;
        }
        const std::size_t count = tokens.size() - 2;
        if (*address + count > cells.size()) {
            return Fail(std::string(tokens.front()) + " " + HexWordText(*address) + " with " +
                        std::to_string(count) + " values runs past the " +
                        std::to_string(cells.size()) + " cells of the " +
                        std::string(chip_->Device().Name));
        }
        for (std::size_t i = 0; i < count; ++i) {
            const auto value = Hex(tokens[i + 2], mask);
            if (!value) {
                return;
            }
            cells[*address + i] = static_cast<typename Cells::value_type>(*value);
        }
    }

    std::optional<TSimChipState> chip_;
    std::string error_;
    std::size_t lineNumber_ = 0;
    bool sawMagic_ = false;
    bool ended_ = false;
};

}  // namespace

std::string FormatSimChipFile(const TSimChipState& chip) {
    const TPicDevice& device = chip.Device();
    std::ostringstream out;
    out << "# Vantrel simulated chip (format: docs/sim-chip-format.md)\n";
    if (const auto calibration = CalibrationWord(chip)) {
        out << "# calibration word " << HexWordText(device.CalibrationAddress) << " = "
            << HexWordText(*calibration) << "\n";
    }
    out << "# code protection: " << (IsCodeProtected(chip) ? "on" : "off")
        << "; data protection: " << (IsDataProtected(chip) ? "on" : "off") << "\n";
    out << kSimChipFileMagic << ' ' << kSimChipFileVersion << "\n";
    out << "device " << device.Name << "\n";
    if (SimRevisionMask(chip.DeviceIndex) != 0) {
        out << "revision " << HexText(chip.Revision, 1) << "\n";
    }
    const int wordDigits = IsPic18(device) ? 2 : 4;
    out << "config";
    for (const std::uint16_t value : chip.Config) {
        out << ' ' << HexText(value, wordDigits);
    }
    out << "\nids";
    for (const std::uint16_t value : chip.Ids) {
        out << ' ' << HexText(value, wordDigits);
    }
    out << "\n";
    WriteRows(out, "program", chip.Program, kWordsPerRow, device.BlankWord, 4);
    WriteRows(out, "data", chip.Data, kBytesPerRow, kByteMask, 2);
    out << "end\n";
    return out.str();
}

TSimChipFileResult ParseSimChipFile(std::string_view text) {
    return TChipFileParser().Parse(text);
}

}  // namespace vantrel
