#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "disasm/instruction_decoder.h"
#include "disasm_test_support.h"
#include "hexfile/hex_writer.h"
#include "support/test_paths.h"

// Every opcode pattern of both cores, decoded here and by gpdasm: the mnemonics and the operand
// values must agree (gpdasm prints registers as numbers, so names play no part).
namespace vantrel::test {
namespace {

struct TDecoded {
    std::string Mnemonic;  // lower case; "dw" for an undecodable word
    std::vector<unsigned> Operands;
    bool operator==(const TDecoded&) const = default;
};

std::ostream& operator<<(std::ostream& out, const TDecoded& decoded) {
    out << decoded.Mnemonic;
    for (unsigned operand : decoded.Operands) {
        out << " " << operand;
    }
    return out;
}

TDecoded Ours(bool core14, std::uint16_t word) {
    const TDecodedWord d =
        MatchWord(core14 ? InstructionTable14 : InstructionTable12, core14, word);
    if (!d.Decodable()) {
        return {"dw", {word}};
    }
    TDecoded decoded;
    for (char c : d.Record->Mnemonic) {
        decoded.Mnemonic += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    switch (d.Record->Kind) {
        case TOperandKind::OperandNone:
            if (decoded.Mnemonic == "tris") {
                decoded.Operands = {d.File};
            }
            break;
        case TOperandKind::OperandFile:
            decoded.Operands = {d.File};
            break;
        case TOperandKind::OperandFileDest:
            decoded.Operands = {d.File, d.DestinationF ? 1u : 0u};
            break;
        case TOperandKind::OperandFileBit:
            decoded.Operands = {d.File, d.Bit};
            break;
        case TOperandKind::OperandLiteral:
            decoded.Operands = {d.Literal};
            break;
        case TOperandKind::OperandAddress:
            decoded.Operands = {d.TargetField};
            break;
    }
    return decoded;
}

// "0012:  0b21  decfsz  0x21, 0x0" -> word and decoded form.
bool ParseGpdasmLine(const std::string& line, std::uint16_t& word, TDecoded& decoded) {
    std::istringstream in(line);
    std::string address, wordText, operand;
    if (!(in >> address >> wordText >> decoded.Mnemonic) || address.back() != ':') {
        return false;
    }
    word = static_cast<std::uint16_t>(std::stoul(wordText, nullptr, 16));
    decoded.Operands.clear();
    while (in >> operand) {
        if (operand.starts_with(";")) {
            break;
        }
        decoded.Operands.push_back(static_cast<unsigned>(std::stoul(operand, nullptr, 16)));
    }
    return true;
}

// Where the two decoders knowingly differ.
bool KnownDifference(bool core14, std::uint16_t word, TDecoded& gpdasm) {
    if (!core14) {
        return false;
    }
    if (word == 0x0061) {
        return gpdasm.Mnemonic == "halt";  // gpdasm's name for it; the table's TRIS fallback
    }
    if (gpdasm.Mnemonic == "tris" && gpdasm.Operands.size() == 1) {
        gpdasm.Operands[0] &= 0x07;  // gpdasm prints the word's low seven bits
        return false;
    }
    // The CLRW row takes the low seven bits as don't-care; gpdasm knows only 0x0103.
    return word >= 0x0100 && word <= 0x017F && gpdasm.Mnemonic == "dw";
}

struct TCoreCase {
    const char* Name;
    bool Core14;
    const char* Processor;  // one with enough program memory for a chunk of patterns
    unsigned Patterns;
    unsigned ChunkWords;
};

class GpdasmCrossCheck : public testing::TestWithParam<TCoreCase> {};

TEST_P(GpdasmCrossCheck, DecodesEveryOpcodePatternAlike) {
    VANTREL_REQUIRE_TOOL(HaveProgram("gpdasm"), "gpdasm (Debian package gputils)");
    const TCoreCase& c = GetParam();
    TDeviceState state = StateFor("16F877");
    TTempDir dir;
    unsigned compared = 0;
    for (unsigned base = 0; base < c.Patterns; base += c.ChunkWords) {
        std::vector<std::string> hex;
        for (unsigned i = 0; i < c.ChunkWords; ++i) {
            state.Image.ProgramBuffer[i] = static_cast<std::uint16_t>(base + i);
        }
        for (unsigned first = 0; first < c.ChunkWords; first += 8) {
            hex.push_back(
                FormatHexRecord(state.Image, state.Device(), THexRegion::Program, first, 8));
        }
        hex.push_back(kHexEndOfFile);
        WriteFile(dir / "patterns.hex", Joined(hex));
        const TProcessResult run = RunProcess(
            "gpdasm", {std::string("-p") + c.Processor, (dir / "patterns.hex").string()});
        ASSERT_EQ(run.ExitStatus, 0) << run.Err;
        std::istringstream lines(run.Out);
        std::string line;
        std::uint16_t word = 0;
        TDecoded gpdasm;
        while (std::getline(lines, line)) {
            if (!ParseGpdasmLine(line, word, gpdasm) || KnownDifference(c.Core14, word, gpdasm)) {
                continue;
            }
            ++compared;
            EXPECT_EQ(Ours(c.Core14, word), gpdasm) << "word 0x" << std::hex << word;
        }
    }
    EXPECT_GT(compared, c.Patterns - 0x100) << "gpdasm listed fewer words than were given";
}

INSTANTIATE_TEST_SUITE_P(Cores, GpdasmCrossCheck,
                         testing::Values(TCoreCase{"Core14", true, "16f877", 0x4000, 0x2000},
                                         TCoreCase{"Core12", false, "16c57", 0x1000, 0x0800}),
                         [](const testing::TestParamInfo<TCoreCase>& info) {
                             return std::string(info.param.Name);
                         });

}  // namespace
}  // namespace vantrel::test
