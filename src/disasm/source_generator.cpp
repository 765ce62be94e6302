#include "disasm/source_generator.h"

#include <cstddef>
#include <cstdint>

#include "device/hex_text.h"
#include "device/version.h"
#include "disasm/instruction_decoder.h"
#include "disasm/listing_text.h"

namespace vantrel {

namespace {

// The fixed columns: label, mnemonic, operand, then the bit operand or the destination.
constexpr std::size_t kLabelWidth = 12;
constexpr std::size_t kMnemonicWidth = 8;
constexpr std::size_t kOperandWidth = 10;
constexpr std::size_t kBitOperandWidth = 10;
constexpr std::size_t kDestinationWidth = 10;
constexpr std::string_view kBitOperandSeparator = ", ";

constexpr std::string_view kSeparatorMnemonic = " ";
constexpr std::string_view kOrg = "ORG";
constexpr std::string_view kData = "DATA";
constexpr std::string_view kEqu = "EQU";
constexpr std::size_t kIdSectionEntries = 4;

std::string Indented(std::string_view text) {
    return std::string(kLabelWidth, ' ') + std::string(text);
}

std::string DirectiveLine(std::string_view directive, std::string_view operand) {
    return Indented(PadField(directive, kMnemonicWidth) + std::string(operand));
}

std::string EquLine(std::string_view name, std::string_view value) {
    return PadField(name, kLabelWidth) + PadField(kEqu, kMnemonicWidth) + std::string(value);
}

std::string RowText(const TListingRow& row) {
    std::string text = PadField(row.Label, kLabelWidth) + PadField(row.Mnemonic, kMnemonicWidth) +
                       PadField(row.Operand, kOperandWidth);
    if (!row.BitOperand.empty()) {
        text += std::string(kBitOperandSeparator) + PadField(row.BitOperand, kBitOperandWidth);
    }
    if (!row.Destination.empty()) {
        text += PadField(row.Destination, kDestinationWidth);
    }
    return TrimTrailingSpaces(std::move(text));
}

void SetRow(TListingRow& row, std::string_view mnemonic, std::string operand = {}) {
    row.Mnemonic = mnemonic;
    row.Operand = std::move(operand);
}

// What a program row holds, as far as the assembler's location counter is concerned.
enum class TProgramRow { Gap, Instruction, Undecodable, FirstSeparator, Beyond };

// One generation: the device, the image and where the sections lie.
class TSourceBuilder {
  public:
    TSourceBuilder(TDisassembler& disassembler, TDeviceImage& image, const TPicDevice& device)
        : disassembler_(disassembler),
          rows_(disassembler.ListingRows),
          image_(image),
          device_(device) {}

    void PlaceProgram();
    void PlaceIds();
    void PlaceData();
    [[nodiscard]] std::vector<std::string> MoveLabelsOffOtherRows();
    void WriteLines(const std::vector<std::string>& labelDefinitions);

  private:
    void PlaceSeparators(std::size_t count);
    [[nodiscard]] TProgramRow ProgramRowKind(std::size_t row) const;
    [[nodiscard]] bool LabelStaysOnRow(std::size_t row) const;
    void WriteRows(std::vector<std::string>& lines) const;

    TDisassembler& disassembler_;
    std::vector<TListingRow>& rows_;
    TDeviceImage& image_;
    const TPicDevice& device_;
    std::size_t nextRow_ = 0;
    bool hasProgram_ = false;
    std::size_t lastProgramRow_ = 0;
};

void TSourceBuilder::PlaceSeparators(std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) {
        SetRow(rows_.at(nextRow_++), kSeparatorMnemonic);
    }
}

// Rows 0..last are the program addresses; trailing blank words are left out, and each run of
// code after a gap starts with an ORG on the gap's last row.
void TSourceBuilder::PlaceProgram() {
    if (!ProgramHasData(image_, device_) || device_.ProgramSize == 0) {
        return;
    }
    std::size_t last = device_.ProgramSize - 1u;
    while (image_.ProgramBuffer[last] == device_.BlankWord && last > 0) {
        --last;
    }
    bool gapOpen = false;
    for (std::size_t address = 0; address <= last; ++address) {
        const std::uint16_t word = image_.ProgramBuffer[address];
        if (word == device_.BlankWord) {
            gapOpen = true;
            continue;
        }
        if (gapOpen) {
            SetRow(rows_[address - 1], kOrg, FormatWord(static_cast<std::uint32_t>(address)));
            gapOpen = false;
        }
        disassembler_.State.CurrentAddress = static_cast<std::uint16_t>(address);
        DecodeWord(disassembler_, device_, word, address);
    }
    hasProgram_ = true;
    lastProgramRow_ = last;
    nextRow_ = last + 1;
    PlaceSeparators(2);
}

void TSourceBuilder::PlaceIds() {
    if (!IdHasData(image_, device_)) {
        return;
    }
    // The ORG takes the place of the second separator before it, so one separator line stays.
    if (nextRow_ == 0) {
        nextRow_ = 1;
    }
    SetRow(rows_.at(nextRow_ - 1), kOrg, FormatWord(device_.IdAddress));
    for (std::size_t i = 0; i < kIdSectionEntries; ++i) {
        SetRow(rows_.at(nextRow_++), kData, FormatByte(image_.IdBuffer[i]));
    }
    PlaceSeparators(2);
}

// Each run of programmed bytes gets its own ORG; one separator line stands between runs.
// Trailing 0x7F entries are erased, but a 0x7F before the last programmed byte is data.
void TSourceBuilder::PlaceData() {
    if (!DataHasData(image_)) {
        return;
    }
    std::size_t last = image_.DataBuffer.size() - 1;
    while (IsErasedByte(image_.DataBuffer[last]) && last > 0) {
        --last;
    }
    bool inRun = false;
    bool firstRun = true;
    for (std::size_t i = 0; i <= last; ++i) {
        const std::uint16_t value = image_.DataBuffer[i];
        if (value == kBlankDataByte) {
            inRun = false;
            continue;
        }
        if (!inRun) {
            if (!firstRun) {
                PlaceSeparators(1);
            }
            SetRow(rows_.at(nextRow_++), kOrg,
                   FormatWord(device_.EepromAddress + static_cast<std::uint32_t>(i)));
            inRun = true;
            firstRun = false;
        }
        SetRow(rows_.at(nextRow_++), kData, FormatByte(value));
    }
}

TProgramRow TSourceBuilder::ProgramRowKind(std::size_t row) const {
    if (!hasProgram_ || row > lastProgramRow_ + 1) {
        return TProgramRow::Beyond;
    }
    if (row == lastProgramRow_ + 1) {
        return TProgramRow::FirstSeparator;
    }
    if (image_.ProgramBuffer[row] == device_.BlankWord) {
        return TProgramRow::Gap;
    }
    return rows_[row].Mnemonic == kUndecodableMnemonic ? TProgramRow::Undecodable
                                                       : TProgramRow::Instruction;
}

// A label defines the assembler's location counter at its line. That is the label's target on
// an instruction; on a line that emits nothing ("; ????" or the separator after the last
// word) only while the line above it is not one of those too. Elsewhere - an ORG row, a blank
// row in a gap, a row among the ID or data lines - the counter is another address.
bool TSourceBuilder::LabelStaysOnRow(std::size_t row) const {
    switch (ProgramRowKind(row)) {
        case TProgramRow::Instruction:
            return true;
        case TProgramRow::Undecodable:
        case TProgramRow::FirstSeparator:
            return row == 0 || ProgramRowKind(row - 1) != TProgramRow::Undecodable;
        case TProgramRow::Gap:
        case TProgramRow::Beyond:
            return false;
    }
    return false;
}

// Labels whose row would give them another address are defined by value instead, in label
// order; their rows keep everything else.
std::vector<std::string> TSourceBuilder::MoveLabelsOffOtherRows() {
    std::vector<std::string> definitions;
    for (const std::uint16_t target : disassembler_.State.LabelTargets) {
        if (LabelStaysOnRow(target)) {
            continue;
        }
        TListingRow& row = rows_.at(target);
        definitions.push_back(EquLine(row.Label, FormatWord(target)));
        row.Label.clear();
    }
    return definitions;
}

void TSourceBuilder::WriteRows(std::vector<std::string>& lines) const {
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        const TListingRow& row = rows_[r];
        if (row.Label.empty() && row.Mnemonic.empty()) {
            continue;
        }
        lines.push_back(RowText(row));
        // An undecodable word emits nothing, so the code after it needs its address restated.
        if (ProgramRowKind(r) == TProgramRow::Undecodable &&
            ProgramRowKind(r + 1) == TProgramRow::Instruction) {
            lines.push_back(DirectiveLine(kOrg, FormatWord(static_cast<std::uint32_t>(r + 1))));
        }
    }
}

void TSourceBuilder::WriteLines(const std::vector<std::string>& labelDefinitions) {
    std::vector<std::string>& lines = disassembler_.SourceLines;
    lines.push_back(std::string("; Generated by Vantrel ") + kVantrelVersion);
    lines.emplace_back();
    lines.push_back(Indented("LIST      P=" + std::string(device_.Name) + ", F=INHX8M"));
    lines.push_back(Indented("include \"" + std::string(device_.IncludeFile) + "\""));
    lines.push_back(Indented("__CONFIG " + FormatWord(image_.ConfigWord1)));
    // Without this line a two-word device would get the assembler's default second word.
    if (device_.Config2Mask != 0) {
        lines.push_back(Indented("__CONFIG _CONFIG2, " + FormatWord(image_.ConfigWord2)));
    }
    lines.emplace_back();
    lines.emplace_back("; Variable definitions");
    const TDisassemblyState& state = disassembler_.State;
    for (std::uint16_t n = 1; n < state.NextVariable; ++n) {
        lines.push_back(EquLine("Var_" + HexWordText(n), FormatByte(state.Variables[n - 1u])));
    }
    lines.insert(lines.end(), labelDefinitions.begin(), labelDefinitions.end());
    lines.emplace_back();
    lines.push_back(DirectiveLine(kOrg, FormatWord(0)));
    lines.emplace_back();
    WriteRows(lines);
    lines.emplace_back();
    lines.push_back(Indented("END"));
}

}  // namespace

std::optional<std::string_view> DisassemblerRefusal(const TPicDevice& device) {
    if (IsPic18(device)) {
        return kDisassemblerUnavailable;
    }
    return std::nullopt;
}

void ResetDisassembler(TDisassembler& disassembler) {
    disassembler.State = TDisassemblyState{};
    disassembler.SourceLines.clear();
    disassembler.ListingRows.resize(kListingRowCount);
    for (TListingRow& row : disassembler.ListingRows) {
        row.Label.clear();
        row.Mnemonic.clear();
        row.Operand.clear();
        row.BitOperand.clear();
        row.Destination.clear();
    }
}

const std::vector<std::string>& GenerateSource(TDisassembler& disassembler, TDeviceImage& image,
                                               const TPicDevice& device) {
    ResetDisassembler(disassembler);
    if (DisassemblerRefusal(device)) {
        return disassembler.SourceLines;
    }
    TSourceBuilder builder(disassembler, image, device);
    builder.PlaceProgram();
    builder.PlaceIds();
    builder.PlaceData();
    const std::vector<std::string> labelDefinitions = builder.MoveLabelsOffOtherRows();
    builder.WriteLines(labelDefinitions);
    return disassembler.SourceLines;
}

}  // namespace vantrel
