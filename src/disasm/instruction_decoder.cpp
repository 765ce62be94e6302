#include "disasm/instruction_decoder.h"

#include <algorithm>
#include <string_view>

#include "device/hex_text.h"
#include "disasm/listing_text.h"
#include "disasm/register_names.h"

namespace vantrel {

namespace {

using enum TOperandKind;

// Operand fields of the two cores.
struct TFieldLayout {
    std::uint16_t FileMask;
    int DestinationShift;
    int BitShift;
    std::uint16_t GotoMask;
    std::uint16_t CallMask;
};
constexpr TFieldLayout kFields14{0x7F, 7, 7, 0x7FF, 0x7FF};
constexpr TFieldLayout kFields12{0x1F, 5, 5, 0x1FF, 0xFF};
constexpr std::uint16_t kLiteralMask = 0xFF;
constexpr std::uint16_t kBitNumberMask = 0x07;
constexpr std::uint16_t kTrisRegisterMask = 0x07;

// Registers and bits the bank and page tracking watches.
constexpr std::uint8_t kStatusRegister = 0x03;
constexpr std::uint8_t kPclathRegister = 0x0A;
constexpr std::uint8_t kRp0Bit = 5;
constexpr std::uint8_t kRp1Bit = 6;
constexpr std::uint8_t kPageBit0 = 3;
constexpr std::uint8_t kPageBit1 = 4;
constexpr std::uint16_t kPageSize = 0x800;
constexpr std::uint8_t kLastPage = 3;

constexpr std::string_view kDestinationFile = ", f";
constexpr std::string_view kDestinationW = ", W";

TDecodedWord Fields(const TInstructionRecord& record, bool core14, std::uint16_t word) {
    const TFieldLayout& layout = core14 ? kFields14 : kFields12;
    TDecodedWord decoded;
    decoded.Record = &record;
    switch (record.Kind) {
        case OperandNone:
            break;
        case OperandFile:
            decoded.File = static_cast<std::uint8_t>(word & layout.FileMask);
            break;
        case OperandFileDest:
            decoded.File = static_cast<std::uint8_t>(word & layout.FileMask);
            decoded.DestinationF = ((word >> layout.DestinationShift) & 1) != 0;
            break;
        case OperandFileBit:
            decoded.File = static_cast<std::uint8_t>(word & layout.FileMask);
            decoded.Bit = static_cast<std::uint8_t>((word >> layout.BitShift) & kBitNumberMask);
            break;
        case OperandLiteral:
            decoded.Literal = static_cast<std::uint8_t>(word & kLiteralMask);
            break;
        case OperandAddress:
            decoded.TargetField = static_cast<std::uint16_t>(
                word & (record.Mnemonic == "GOTO" ? layout.GotoMask : layout.CallMask));
            break;
    }
    return decoded;
}

// BSF/BCF on STATUS select the register bank, on PCLATH the program page; tracking is linear
// in address order.
void TrackBankAndPage(TDisassemblyState& state, std::string_view mnemonic, std::uint8_t file,
                      std::uint8_t bit) {
    const bool set = mnemonic == "BSF";
    if (!set && mnemonic != "BCF") {
        return;
    }
    if (file == kStatusRegister) {
        if (bit == kRp0Bit) {
            state.Rp0 = set;
        } else if (bit == kRp1Bit) {
            state.Rp1 = set;
        }
    } else if (file == kPclathRegister && (bit == kPageBit0 || bit == kPageBit1)) {
        const auto mask = static_cast<std::uint8_t>(bit == kPageBit0 ? 1 : 2);
        state.CodePage =
            static_cast<std::uint8_t>(set ? state.CodePage | mask : state.CodePage & ~mask);
    }
}

std::string BitOperand(const TPicDevice& device, bool core14, const std::string& registerName,
                       std::uint8_t bit) {
    // The 12-bit core names only the bits of STATUS and OPTION_REG.
    const bool named = (core14 || registerName == "STATUS" || registerName == "OPTION_REG") &&
                       HasBitNames(device, registerName);
    return named ? BitName(device, registerName, bit) : HexByte(bit);
}

}  // namespace

TDecodedWord MatchWord(const TInstructionTable& table, bool core14, std::uint16_t word) {
    for (std::size_t row = 1; row < table.size(); ++row) {
        if ((word & table[row].Mask) == table[row].Value) {
            return Fields(table[row], core14, word);
        }
    }
    const TInstructionRecord& tris = table[kTrisFallbackRow];
    if ((word & tris.Mask) == tris.Value) {
        TDecodedWord decoded;
        decoded.Record = &tris;
        decoded.File = static_cast<std::uint8_t>(word & kTrisRegisterMask);
        return decoded;
    }
    return {};
}

void DecodeWord(TDisassembler& disassembler, const TPicDevice& device, std::uint16_t word,
                std::size_t row) {
    const bool core14 = IsCore14(device);
    const TInstructionTable& table = InstructionTableFor(device);
    const TDecodedWord decoded = MatchWord(table, core14, word);
    TListingRow& out = disassembler.ListingRows.at(row);
    if (!decoded.Decodable()) {
        out.Mnemonic = kUndecodableMnemonic;
        out.Operand.clear();
        out.BitOperand.clear();
        out.Destination.clear();
        return;
    }
    TDisassemblyState& state = disassembler.State;
    const std::string_view mnemonic = decoded.Record->Mnemonic;
    out.Mnemonic = mnemonic;
    switch (decoded.Record->Kind) {
        case OperandNone:
            if (decoded.Record == &table[kTrisFallbackRow]) {
                out.Operand = RegisterName(state, device, decoded.File, state.Bank());
            }
            break;
        case OperandFile:
            out.Operand = RegisterName(state, device, decoded.File, state.Bank());
            // Clearing PCLATH selects page 0 for the calls and jumps that follow.
            if (core14 && mnemonic == "CLRF" && out.Operand == "PCLATH") {
                state.CodePage = 0;
            }
            break;
        case OperandFileDest:
            out.Operand = RegisterName(state, device, decoded.File, state.Bank());
            out.Destination = decoded.DestinationF ? kDestinationFile : kDestinationW;
            break;
        case OperandFileBit:
            out.Operand = RegisterName(state, device, decoded.File, state.Bank());
            out.BitOperand = BitOperand(device, core14, out.Operand, decoded.Bit);
            if (core14) {
                TrackBankAndPage(state, mnemonic, decoded.File, decoded.Bit);
            }
            break;
        case OperandLiteral:
            out.Operand = FormatByte(decoded.Literal);
            break;
        case OperandAddress:
            out.Operand = LabelFor(disassembler, device, decoded.TargetField);
            break;
    }
}

std::string LabelFor(TDisassembler& disassembler, const TPicDevice& device,
                     std::uint16_t targetField) {
    TDisassemblyState& state = disassembler.State;
    const auto target = static_cast<std::uint16_t>(targetField + kPageSize * state.CodePage);
    TListingRow& row = disassembler.ListingRows.at(target);
    if (row.Label.empty()) {
        row.Label = "Label_" + HexWordText(state.NextLabel++);
        state.LabelTargets.push_back(target);
    }
    // After a CALL or GOTO the page bits are those of the instruction's own page again; the
    // 12-bit core is not tracked and stays on page 0.
    state.CodePage = IsCore14(device) ? static_cast<std::uint8_t>(std::min<unsigned>(
                                            state.CurrentAddress / kPageSize, kLastPage))
                                      : 0;
    return row.Label;
}

}  // namespace vantrel
