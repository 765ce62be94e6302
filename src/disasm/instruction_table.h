#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "device/pic_device.h"

namespace vantrel {

// What an instruction takes from its word besides the opcode.
enum class TOperandKind : std::uint8_t {
    OperandNone = 0,
    OperandFile = 1,      // register f
    OperandFileDest = 2,  // register f and destination d
    OperandFileBit = 3,   // register f and bit number b
    OperandLiteral = 4,   // 8-bit literal k
    OperandAddress = 5,   // CALL or GOTO target
};

// One row of an instruction table: a word is this instruction when (word AND Mask) == Value.
struct TInstructionRecord {
    std::uint16_t Value = 0;
    std::uint16_t Mask = 0;
    TOperandKind Kind = TOperandKind::OperandNone;
    std::string_view Mnemonic;
};

inline constexpr std::size_t kInstructionCount = 37;
using TInstructionTable = std::array<TInstructionRecord, kInstructionCount>;

// Row 0 is the TRIS fallback, tried only after rows 1..36 have all failed; the row order
// decides overlaps (the NOP row also takes the encodings 0x0020, 0x0040 and 0x0060 on 14-bit
// cores, so those are NOP rather than TRIS).
inline constexpr std::size_t kTrisFallbackRow = 0;

namespace instruction_table_detail {
using enum TOperandKind;
// A row the 12-bit core lacks: no word ANDed with 0 gives 0xFFFF, so it never matches.
constexpr TInstructionRecord Missing(TOperandKind kind) {
    return {0xFFFF, 0x0000, kind, "NONE"};
}
}  // namespace instruction_table_detail

// Every mask includes bits 14 and 15 and every value has them clear, so a word with either
// bit set matches nothing and is undecodable.
// clang-format off
inline constexpr TInstructionTable InstructionTable14 = [] {
    using namespace instruction_table_detail;
    return TInstructionTable{{
        /*  0 */ {0x0060, 0xFFF8, OperandNone, "TRIS"},
        /*  1 */ {0x0700, 0xFF00, OperandFileDest, "ADDWF"},
        /*  2 */ {0x0500, 0xFF00, OperandFileDest, "ANDWF"},
        /*  3 */ {0x0180, 0xFF80, OperandFile, "CLRF"},
        /*  4 */ {0x0100, 0xFF80, OperandNone, "CLRW"},
        /*  5 */ {0x0900, 0xFF00, OperandFileDest, "COMF"},
        /*  6 */ {0x0300, 0xFF00, OperandFileDest, "DECF"},
        /*  7 */ {0x0B00, 0xFF00, OperandFileDest, "DECFSZ"},
        /*  8 */ {0x0A00, 0xFF00, OperandFileDest, "INCF"},
        /*  9 */ {0x0F00, 0xFF00, OperandFileDest, "INCFSZ"},
        /* 10 */ {0x0400, 0xFF00, OperandFileDest, "IORWF"},
        /* 11 */ {0x0800, 0xFF00, OperandFileDest, "MOVF"},
        /* 12 */ {0x0080, 0xFF80, OperandFile, "MOVWF"},
        /* 13 */ {0x0000, 0xFF9F, OperandNone, "NOP"},
        /* 14 */ {0x0D00, 0xFF00, OperandFileDest, "RLF"},
        /* 15 */ {0x0C00, 0xFF00, OperandFileDest, "RRF"},
        /* 16 */ {0x0200, 0xFF00, OperandFileDest, "SUBWF"},
        /* 17 */ {0x0E00, 0xFF00, OperandFileDest, "SWAPF"},
        /* 18 */ {0x0600, 0xFF00, OperandFileDest, "XORWF"},
        /* 19 */ {0x1000, 0xFC00, OperandFileBit, "BCF"},
        /* 20 */ {0x1400, 0xFC00, OperandFileBit, "BSF"},
        /* 21 */ {0x1800, 0xFC00, OperandFileBit, "BTFSC"},
        /* 22 */ {0x1C00, 0xFC00, OperandFileBit, "BTFSS"},
        /* 23 */ {0x3E00, 0xFE00, OperandLiteral, "ADDLW"},
        /* 24 */ {0x3900, 0xFF00, OperandLiteral, "ANDLW"},
        /* 25 */ {0x2000, 0xF800, OperandAddress, "CALL"},
        /* 26 */ {0x0064, 0xFFFF, OperandNone, "CLRWDT"},
        /* 27 */ {0x2800, 0xF800, OperandAddress, "GOTO"},
        /* 28 */ {0x3800, 0xFF00, OperandLiteral, "IORLW"},
        /* 29 */ {0x3000, 0xFC00, OperandLiteral, "MOVLW"},
        /* 30 */ {0x0009, 0xFFFF, OperandNone, "RETFIE"},
        /* 31 */ {0x3400, 0xFC00, OperandLiteral, "RETLW"},
        /* 32 */ {0x0008, 0xFFFF, OperandNone, "RETURN"},
        /* 33 */ {0x0063, 0xFFFF, OperandNone, "SLEEP"},
        /* 34 */ {0x3C00, 0xFE00, OperandLiteral, "SUBLW"},
        /* 35 */ {0x3A00, 0xFF00, OperandLiteral, "XORLW"},
        /* 36 */ {0x0062, 0xFFFF, OperandNone, "OPTION"},
    }};
}();

// The 14-bit table's row order, with the four instructions the 12-bit core lacks as rows that
// never match. The masks leave bits 12..15 out: they play no part in 12-bit decoding.
inline constexpr TInstructionTable InstructionTable12 = [] {
    using namespace instruction_table_detail;
    return TInstructionTable{{
        /*  0 */ {0x0000, 0x0FF8, OperandNone, "TRIS"},
        /*  1 */ {0x01C0, 0x0FC0, OperandFileDest, "ADDWF"},
        /*  2 */ {0x0140, 0x0FC0, OperandFileDest, "ANDWF"},
        /*  3 */ {0x0060, 0x0FE0, OperandFile, "CLRF"},
        /*  4 */ {0x0040, 0x0FFF, OperandNone, "CLRW"},
        /*  5 */ {0x0240, 0x0FC0, OperandFileDest, "COMF"},
        /*  6 */ {0x00C0, 0x0FC0, OperandFileDest, "DECF"},
        /*  7 */ {0x02C0, 0x0FC0, OperandFileDest, "DECFSZ"},
        /*  8 */ {0x0280, 0x0FC0, OperandFileDest, "INCF"},
        /*  9 */ {0x03C0, 0x0FC0, OperandFileDest, "INCFSZ"},
        /* 10 */ {0x0100, 0x0FC0, OperandFileDest, "IORWF"},
        /* 11 */ {0x0200, 0x0FC0, OperandFileDest, "MOVF"},
        /* 12 */ {0x0020, 0x0FE0, OperandFile, "MOVWF"},
        /* 13 */ {0x0000, 0x0FFF, OperandNone, "NOP"},
        /* 14 */ {0x0340, 0x0FC0, OperandFileDest, "RLF"},
        /* 15 */ {0x0300, 0x0FC0, OperandFileDest, "RRF"},
        /* 16 */ {0x0080, 0x0FC0, OperandFileDest, "SUBWF"},
        /* 17 */ {0x0380, 0x0FC0, OperandFileDest, "SWAPF"},
        /* 18 */ {0x0180, 0x0FC0, OperandFileDest, "XORWF"},
        /* 19 */ {0x0400, 0x0F00, OperandFileBit, "BCF"},
        /* 20 */ {0x0500, 0x0F00, OperandFileBit, "BSF"},
        /* 21 */ {0x0600, 0x0F00, OperandFileBit, "BTFSC"},
        /* 22 */ {0x0700, 0x0F00, OperandFileBit, "BTFSS"},
        /* 23 */ Missing(OperandLiteral),
        /* 24 */ {0x0E00, 0x0F00, OperandLiteral, "ANDLW"},
        /* 25 */ {0x0900, 0x0F00, OperandAddress, "CALL"},
        /* 26 */ {0x0004, 0x0FFF, OperandNone, "CLRWDT"},
        /* 27 */ {0x0A00, 0x0E00, OperandAddress, "GOTO"},
        /* 28 */ {0x0D00, 0x0F00, OperandLiteral, "IORLW"},
        /* 29 */ {0x0C00, 0x0F00, OperandLiteral, "MOVLW"},
        /* 30 */ Missing(OperandNone),
        /* 31 */ {0x0800, 0x0F00, OperandLiteral, "RETLW"},
        /* 32 */ Missing(OperandNone),
        /* 33 */ {0x0003, 0x0FFF, OperandNone, "SLEEP"},
        /* 34 */ Missing(OperandLiteral),
        /* 35 */ {0x0F00, 0x0F00, OperandLiteral, "XORLW"},
        /* 36 */ {0x0002, 0x0FFF, OperandNone, "OPTION"},
    }};
}();
// clang-format on

// 14-bit cores erase to 0x3FFF; every other blank word (0x0FFF) is a 12-bit core.
[[nodiscard]] constexpr bool IsCore14(const TPicDevice& device) {
    return device.BlankWord == 0x3FFF;
}

[[nodiscard]] constexpr const TInstructionTable& InstructionTableFor(const TPicDevice& device) {
    return IsCore14(device) ? InstructionTable14 : InstructionTable12;
}

}  // namespace vantrel
