#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "device/pic_device.h"
#include "disasm/disassembly_state.h"

namespace vantrel {

inline constexpr std::size_t kRegisterBanks = 4;
inline constexpr std::size_t kRegisterSets = 7;  // RegisterSet 1..7; 0 (18F) is never decoded
inline constexpr std::size_t kRegistersPerBank = 32;
// File registers from here on are general purpose and named as variables.
inline constexpr std::uint16_t kFirstVariableRegister = 0x20;

using TBankRegisterNames = std::array<std::string_view, kRegistersPerBank>;
// Indexed [bank][RegisterSet - 1][register]. A register without a name holds "0x" and its
// two-digit number, which the assembler reads as the plain address.
using TRegisterNameTable =
    std::array<std::array<TBankRegisterNames, kRegisterSets>, kRegisterBanks>;
extern const TRegisterNameTable RegisterNames;

// The names of bits 0..7 of the special registers named in Registers (the second name is
// empty when the row serves one register). A row for RegisterSet 0 serves every set that has
// no row of its own. An empty bit name means the bit has no name.
struct TBitNameRow {
    std::array<std::string_view, 2> Registers;
    std::uint16_t RegisterSet = 0;
    std::array<std::string_view, 8> Bits;
};
inline constexpr std::uint16_t kAnyOtherRegisterSet = 0;
inline constexpr std::size_t kBitNameRowCount = 31;
extern const std::array<TBitNameRow, kBitNameRowCount> BitNames;

// The variable number of a general-purpose register, adding it to the list on first use.
[[nodiscard]] std::uint16_t VariableNumber(TDisassemblyState& state, std::uint16_t reg);

// The operand text of file register `reg` in `bank`: "Var_0001" from 0x20 up (the same
// variable in every bank), otherwise the register's name - but only where the device's include
// file defines that name for that register, so the source assembles to the same word; the
// placeholder "0x0C" otherwise.
[[nodiscard]] std::string RegisterName(TDisassemblyState& state, const TPicDevice& device,
                                       std::uint16_t reg, std::uint8_t bank);

// True when `registerName` has a row of bit names for the device's register set.
[[nodiscard]] bool HasBitNames(const TPicDevice& device, std::string_view registerName);

// The bit operand for bit `bit` of a register that has bit names: the bit's name where the
// include file defines it as that bit number, "0x06" otherwise.
[[nodiscard]] std::string BitName(const TPicDevice& device, std::string_view registerName,
                                  std::uint8_t bit);

}  // namespace vantrel
