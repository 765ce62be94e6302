#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "device/pic_device.h"
#include "disasm/disassembly_state.h"
#include "disasm/instruction_table.h"

namespace vantrel {

// A program word matched against an instruction table, with the operand fields its kind
// takes. Fields the kind does not take are 0.
struct TDecodedWord {
    const TInstructionRecord* Record = nullptr;  // null: the word is undecodable
    std::uint8_t File = 0;                       // register f (TRIS: the word's low 3 bits)
    bool DestinationF = false;                   // d = 1: the result goes to the register
    std::uint8_t Bit = 0;                        // bit number b
    std::uint8_t Literal = 0;                    // literal k
    std::uint16_t TargetField = 0;               // the CALL or GOTO address bits of the word

    [[nodiscard]] bool Decodable() const { return Record != nullptr; }
};

// Matches a word: rows 1..36 in order, the first match wins; then the TRIS fallback of row 0.
[[nodiscard]] TDecodedWord MatchWord(const TInstructionTable& table, bool core14,
                                     std::uint16_t word);

// The mnemonic text of an undecodable word.
inline constexpr const char* kUndecodableMnemonic = "; ????";

// Decodes one program word into row `row` of the listing and updates the tracked state.
// Called once per non-blank program word, in ascending address order, with the word's
// address in state.CurrentAddress. An undecodable word keeps a label that a CALL or GOTO
// already put on its row, so that reference still names a defined label.
void DecodeWord(TDisassembler& disassembler, const TPicDevice& device, std::uint16_t word,
                std::size_t row);

// The label of a CALL or GOTO target, created on first use; the page tracking then follows
// the instruction's own page.
[[nodiscard]] std::string LabelFor(TDisassembler& disassembler, const TPicDevice& device,
                                   std::uint16_t targetField);

}  // namespace vantrel
