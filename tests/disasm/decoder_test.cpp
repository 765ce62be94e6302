#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "disasm/include_symbols.h"
#include "disasm/instruction_decoder.h"
#include "disasm/register_names.h"
#include "disasm_test_support.h"
#include "support/test_paths.h"

namespace vantrel::test {
namespace {

// Words decoded one after another from address 0; the last one's row is what the case checks.
struct TDecodeCase {
    const char* Name;
    const char* Device;
    std::vector<std::uint16_t> Words;
    const char* Mnemonic;
    const char* Operand = "";
    const char* BitOperand = "";
    const char* Destination = "";
};

TListingRow DecodeSequence(TDisassembler& disassembler, const TPicDevice& device,
                           const std::vector<std::uint16_t>& words) {
    for (std::size_t address = 0; address < words.size(); ++address) {
        disassembler.State.CurrentAddress = static_cast<std::uint16_t>(address);
        DecodeWord(disassembler, device, words[address], address);
    }
    return disassembler.ListingRows[words.size() - 1];
}

class DecodeTest : public testing::TestWithParam<TDecodeCase> {};

TEST_P(DecodeTest, FillsTheRowAsExpected) {
    const TDecodeCase& c = GetParam();
    TDisassembler disassembler;
    const TListingRow row = DecodeSequence(disassembler, StateFor(c.Device).Device(), c.Words);
    EXPECT_EQ(row.Mnemonic, c.Mnemonic);
    EXPECT_EQ(row.Operand, c.Operand);
    EXPECT_EQ(row.BitOperand, c.BitOperand);
    EXPECT_EQ(row.Destination, c.Destination);
}

constexpr std::uint16_t kBankOne = 0x1683;  // BSF STATUS, RP0

// clang-format off
INSTANTIATE_TEST_SUITE_P(Instructions, DecodeTest, testing::Values(
    TDecodeCase{"Nop", "16F84", {0x0000}, "NOP"},
    TDecodeCase{"NopAlias20", "16F84", {0x0020}, "NOP"},
    TDecodeCase{"NopAlias40", "16F84", {0x0040}, "NOP"},
    TDecodeCase{"NopAlias60IsNotTris", "16F84", {0x0060}, "NOP"},
    TDecodeCase{"Option", "16F84", {0x0062}, "OPTION"},
    TDecodeCase{"Undecodable", "16F84", {0x0001}, "; ????"},
    TDecodeCase{"Bit14Set", "16F84", {0x4008}, "; ????"},
    TDecodeCase{"Bit15Set", "16F84", {0x8008}, "; ????"},
    TDecodeCase{"TrisBank0", "16F84", {0x0065}, "TRIS", "PORTA"},
    TDecodeCase{"TrisBank1", "16F84", {kBankOne, 0x0065}, "TRIS", "TRISA"},
    TDecodeCase{"Tris12Timer", "12C508", {0x0001}, "TRIS", "TMR0"},
    TDecodeCase{"Tris12Gpio", "12C508", {0x0006}, "TRIS", "GPIO"},
    TDecodeCase{"TwelveBitIgnoresHighBits", "12C508", {0xF008 | 0x0C00}, "MOVLW", "0x08"},
    TDecodeCase{"IncfToFile", "16F84", {0x0AA0}, "INCF", "Var_0001", "", ", f"},
    TDecodeCase{"DecfszToW", "16F84", {0x0B21}, "DECFSZ", "Var_0001", "", ", W"},
    TDecodeCase{"BankTracked", "16F84", {kBankOne, 0x0186}, "CLRF", "TRISB"},
    TDecodeCase{"BankCleared", "16F84", {kBankOne, 0x1283, 0x0186}, "CLRF", "PORTB"},
    TDecodeCase{"BankNotResetByLabels", "16F84", {kBankOne, 0x2800, 0x0186}, "CLRF", "TRISB"},
    TDecodeCase{"BankThreeOf877", "16F877", {kBankOne, 0x1703, 0x018C}, "CLRF", "EECON1"},
    TDecodeCase{"Literal", "16F84", {0x3055}, "MOVLW", "0x55"},
    // Register and bit names.
    TDecodeCase{"UnnamedRegister", "16F84", {0x008C}, "MOVWF", "0x0C"},
    TDecodeCase{"Timer1Low", "16F877", {0x008E}, "MOVWF", "TMR1L"},
    TDecodeCase{"CcpModeBit", "16F877", {0x1517}, "BSF", "CCP1CON", "CCP1M2"},
    TDecodeCase{"TimerBank0Bit7", "16F84", {0x1781}, "BSF", "TMR0", "NOT_RBPU"},
    TDecodeCase{"OptionBank1Bit7", "16F84", {kBankOne, 0x1781}, "BSF", "OPTION_REG", "NOT_RBPU"},
    TDecodeCase{"Page0Bit12", "12C508", {0x05A3}, "BSF", "STATUS", "PA0"},
    TDecodeCase{"UnnamedStatusBit12", "12C508", {0x05C3}, "BSF", "STATUS", "0x06"},
    TDecodeCase{"Only12BitStatusBitsNamed", "12C508", {0x0506}, "BSF", "GPIO", "00"},
    TDecodeCase{"PconBit0Set5", "12C671", {kBankOne, 0x140E}, "BSF", "PCON", "0x00"},
    TDecodeCase{"PconBit0Set4", "16F628", {kBankOne, 0x140E}, "BSF", "PCON", "NOT_BOR"},
    TDecodeCase{"Pir1Bit3Set4", "16F628", {0x158C}, "BSF", "PIR1", "0x03"},
    TDecodeCase{"T1conBit7", "16F877", {0x1790}, "BSF", "T1CON", "0x07"},
    TDecodeCase{"NoBitNamesForPort", "16F84", {0x1505}, "BSF", "PORTA", "02"},
    // Names the device's include file does not define, or defines elsewhere, fall back.
    TDecodeCase{"Adcon0Not628A", "16F628A", {0x141F}, "BSF", "0x1F", "00"},
    TDecodeCase{"CmconElsewhereOn628A", "16F628A", {kBankOne, 0x009C}, "MOVWF", "0x1C"},
    TDecodeCase{"PeieNot84", "16F84", {0x170B}, "BSF", "INTCON", "0x06"},
    TDecodeCase{"T0ifNot88", "16F88", {0x110B}, "BCF", "INTCON", "0x02"},
    TDecodeCase{"Rp0Not505", "16C505", {0x05A3}, "BSF", "STATUS", "0x05"},
    TDecodeCase{"TrisIsReservedOn671", "12C671", {kBankOne, 0x0065}, "TRIS", "0x05"}),
    [](const testing::TestParamInfo<TDecodeCase>& info) { return std::string(info.param.Name); });
// clang-format on

TEST(Decoding, VariablesAreNumberedByFirstUseInEveryBank) {
    TDisassembler disassembler;
    const TPicDevice& device = StateFor("16F84").Device();
    DecodeSequence(disassembler, device, {0x00A0, 0x00A1, kBankOne, 0x00A0, 0x00A2});
    EXPECT_EQ(disassembler.ListingRows[3].Operand, "Var_0001");
    EXPECT_EQ(disassembler.ListingRows[4].Operand, "Var_0003");
    EXPECT_EQ(disassembler.State.NextVariable, 4);
    EXPECT_EQ(disassembler.State.Variables[1], 0x21);
}

TEST(Decoding, LabelsFollowThePageAndAreReused) {
    TDisassembler disassembler;
    const TPicDevice& device = StateFor("16F877").Device();
    // BSF PCLATH,3 selects page 1; the CALL there puts the page back to its own (0).
    DecodeSequence(disassembler, device, {0x158A, 0x2005, 0x2005, 0x2805});
    EXPECT_EQ(disassembler.ListingRows[0x0805].Label, "Label_0001");
    EXPECT_EQ(disassembler.ListingRows[0x0005].Label, "Label_0002");
    EXPECT_EQ(disassembler.ListingRows[3].Operand, "Label_0002");
    EXPECT_EQ(disassembler.State.LabelTargets, (std::vector<std::uint16_t>{0x0805, 0x0005}));
}

TEST(Decoding, TwelveBitTargetsTakeNineGotoAndEightCallBits) {
    TDisassembler disassembler;
    const TPicDevice& device = StateFor("12C509").Device();
    DecodeSequence(disassembler, device, {0x0BFF, 0x09FF});
    EXPECT_EQ(disassembler.State.LabelTargets, (std::vector<std::uint16_t>{0x01FF, 0x00FF}));
}

// A name the generated table does not know was never checked against the include files, so it
// would silently fall back everywhere: the table is out of date.
TEST(IncludeSymbols, EveryPrintableNameWasChecked) {
    const auto checked = [](std::string_view name) {
        return name.starts_with("0x") || name.empty() ||
               std::binary_search(IncludeCheckedNames.begin(), IncludeCheckedNames.end(), name);
    };
    for (const auto& bank : RegisterNames)
        for (const auto& set : bank)
            for (std::string_view name : set)
                EXPECT_TRUE(checked(name)) << name;
    for (const TBitNameRow& row : BitNames) {
        for (std::string_view name : row.Registers)
            EXPECT_TRUE(checked(name)) << name;
        for (std::string_view name : row.Bits)
            EXPECT_TRUE(checked(name)) << name;
    }
    for (const TPicDevice& device : DeviceTable) {
        if (!IsPic18(device)) {
            EXPECT_TRUE(IncludeSymbolValue(device.IncludeFile, "STATUS")) << device.IncludeFile;
        }
    }
}

TEST(IncludeSymbols, GeneratedTableMatchesTheIncludeFiles) {
    const std::filesystem::path script = SourceDir() / "scripts/gen_include_symbols.py";
    VANTREL_REQUIRE_TOOL(HaveProgram("python3"), "python3");
    VANTREL_REQUIRE_TOOL(std::filesystem::exists("/usr/share/gputils/header"),
                         "/usr/share/gputils/header (Debian package gputils)");
    const TProcessResult generated = RunProcess("python3", {script.string(), "--output", "-"});
    ASSERT_EQ(generated.ExitStatus, 0) << generated.Err;
    EXPECT_EQ(generated.Out, ReadFile(SourceDir() / "src/disasm/include_symbols_table.cpp"))
        << "run scripts/gen_include_symbols.py and commit the result";
}

}  // namespace
}  // namespace vantrel::test
