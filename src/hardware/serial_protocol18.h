#pragma once

#include <cstdint>

#include "device/pic_device.h"
#include "hardware/pin_layer.h"

namespace vantrel {

// 4-bit commands of the 18F serial protocol, sent least significant bit first.
inline constexpr std::uint8_t kCommand18CoreInstruction = 0x0;
inline constexpr std::uint8_t kCommand18ShiftOutTablat = 0x2;
inline constexpr std::uint8_t kCommand18TableReadPostIncrement = 0x9;
inline constexpr std::uint8_t kCommand18TableWrite = 0xC;
inline constexpr std::uint8_t kCommand18TableWritePostIncrement2 = 0xD;
inline constexpr std::uint8_t kCommand18TableWriteStartProgramming = 0xF;

// Core instructions fed to the chip with kCommand18CoreInstruction.
inline constexpr std::uint16_t kInstructionMovlw = 0x0E00;  // + the literal byte
inline constexpr std::uint16_t kInstructionMovwfTblptru = 0x6EF8;
inline constexpr std::uint16_t kInstructionMovwfTblptrh = 0x6EF7;
inline constexpr std::uint16_t kInstructionMovwfTblptrl = 0x6EF6;
inline constexpr std::uint16_t kInstructionMovwfTablat = 0x6EF5;
inline constexpr std::uint16_t kInstructionMovwfEeadr = 0x6EA9;
inline constexpr std::uint16_t kInstructionMovwfEeadrh = 0x6EAA;
inline constexpr std::uint16_t kInstructionMovwfEedata = 0x6EA8;
inline constexpr std::uint16_t kInstructionMovwfEecon2 = 0x6EA7;
inline constexpr std::uint16_t kInstructionMovfEecon1W = 0x50A6;
inline constexpr std::uint16_t kInstructionMovfEedataW = 0x50A8;
inline constexpr std::uint16_t kInstructionBsfEepgd = 0x8EA6;
inline constexpr std::uint16_t kInstructionBcfEepgd = 0x9EA6;
inline constexpr std::uint16_t kInstructionBsfCfgs = 0x8CA6;
inline constexpr std::uint16_t kInstructionBcfCfgs = 0x9CA6;
inline constexpr std::uint16_t kInstructionBsfWren = 0x84A6;
inline constexpr std::uint16_t kInstructionBcfWren = 0x94A6;
inline constexpr std::uint16_t kInstructionBsfWr = 0x82A6;
inline constexpr std::uint16_t kInstructionBsfRd = 0x80A6;
inline constexpr std::uint16_t kInstructionMovlw55 = 0x0E55;
inline constexpr std::uint16_t kInstructionMovlwAA = 0x0EAA;
inline constexpr std::uint16_t kInstructionGoto100000First = 0xEF00;
inline constexpr std::uint16_t kInstructionGoto100000Second = 0xF800;
inline constexpr std::uint16_t kInstructionIncfTblptrl = 0x2AF6;
inline constexpr std::uint16_t kInstructionNop = 0x0000;

// 22-bit byte addresses reached through the table pointer.
inline constexpr std::uint32_t kAddress18Id = 0x200000;
inline constexpr std::uint32_t kAddress18Config = 0x300000;
inline constexpr std::uint32_t kAddress18EraseControl = 0x3C0004;

// The 4 command bits, then the 16 payload bits: 20 clocks, no start or stop bit.
void SendCommand18(TPinLayer& pins, std::uint8_t command, std::uint16_t payload);

// Loads the 22-bit table pointer through three MOVLW/MOVWF pairs, upper byte first.
void SetTablePointer(TPinLayer& pins, std::uint32_t address);

// Two table reads with post-increment: low byte, then high byte.
[[nodiscard]] std::uint16_t TableReadWord(TPinLayer& pins);

[[nodiscard]] std::uint8_t ShiftOutTablat(TPinLayer& pins);

// Reads the data EEPROM byte at `address` into TABLAT; fetch it with ShiftOutTablat. The newer
// parts (Algorithm 10) get one more NOP before the fetch.
void LoadEepromByte18(TPinLayer& pins, const TPicDevice& device, std::uint16_t address);

// After a programming pulse or a bulk erase the clock must stay low a while before it rises
// again, so the chip can discharge its programming voltage: 100 µs on the newer parts. The
// clock counts whole milliseconds.
inline constexpr std::uint32_t kDischargeMs = 1;

// The NOP that ends a table write and starts programming: its fourth clock is held high for
// `hold` while the chip writes, then low for `discharge` before the payload clocks.
void ProgramNop(TPinLayer& pins, TWaitTime hold, TWaitTime discharge);
// The same with the hold in milliseconds and the discharge time of kDischargeMs.
void ProgramNop(TPinLayer& pins, std::uint32_t holdMs);

}  // namespace vantrel
