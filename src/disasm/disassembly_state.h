#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vantrel {

// Room for every program row of the largest memory plus the ID and data sections after it.
inline constexpr std::size_t kListingRowCount = 0x8065;
// General-purpose registers 0x20..0x7F are the only variables, so 96 entries would do.
inline constexpr std::size_t kMaxVariables = 100;

// One line of the listing under construction. While program memory is decoded the row number
// is the word's program address; the ID and data sections follow the last program row.
struct TListingRow {
    std::string Label;        // a label defined here, "Label_0001"
    std::string Mnemonic;     // mnemonic or directive; " " marks a separator row
    std::string Operand;      // register name, literal, label or address
    std::string BitOperand;   // the bit of a bit instruction
    std::string Destination;  // ", W" or ", f"
};

// What the decoder carries from word to word during one disassembly.
struct TDisassemblyState {
    bool Rp0 = false;  // tracked register-bank select bits
    bool Rp1 = false;
    std::uint8_t CodePage = 0;  // tracked program page for CALL and GOTO targets, 0..3
    std::uint16_t CurrentAddress = 0;
    std::uint16_t NextLabel = 1;
    // Registers named as variables, in order of first use; variable n is entry n - 1.
    std::array<std::uint16_t, kMaxVariables> Variables{};
    std::uint16_t NextVariable = 1;
    // The address each label stands for; label n is entry n - 1.
    std::vector<std::uint16_t> LabelTargets;

    [[nodiscard]] std::uint8_t Bank() const {
        return static_cast<std::uint8_t>((Rp0 ? 1 : 0) + (Rp1 ? 2 : 0));
    }
};

// Everything one disassembly works on. The caller owns it; nothing is kept anywhere else.
struct TDisassembler {
    TDisassemblyState State;
    std::vector<TListingRow> ListingRows = std::vector<TListingRow>(kListingRowCount);
    std::vector<std::string> SourceLines;
};

}  // namespace vantrel
