#pragma once

#include <cstdint>

#include "device/pic_device.h"
#include "hardware/pin_layer.h"

namespace vantrel {

// Commands of the 12- and 14-bit serial protocol: 6 bits, sent least significant bit first.
inline constexpr std::uint8_t kCommandLoadConfiguration = 0x00;
inline constexpr std::uint8_t kCommandLoadConfigurationForClear = 0x10;  // code-protect clearing
inline constexpr std::uint8_t kCommandClearPairFirst = 0x01;  // 1, 7: CP clear, data erase
inline constexpr std::uint8_t kCommandLoadDataProgram = 0x02;
inline constexpr std::uint8_t kCommandLoadDataData = 0x03;
inline constexpr std::uint8_t kCommandReadDataProgram = 0x04;
inline constexpr std::uint8_t kCommandReadDataData = 0x05;
inline constexpr std::uint8_t kCommandIncrementAddress = 0x06;
inline constexpr std::uint8_t kCommandClearPairSecond = 0x07;
inline constexpr std::uint8_t kCommandBeginProgramming = 0x08;
inline constexpr std::uint8_t kCommandBulkEraseProgram = 0x09;
inline constexpr std::uint8_t kCommandBulkEraseData = 0x0B;
inline constexpr std::uint8_t kCommandEndProgramming = 0x0E;       // EPROM and 16F7x parts
inline constexpr std::uint8_t kCommandEndProgrammingFlash = 0x17;  // other FLASH parts
inline constexpr std::uint8_t kCommandBeginProgrammingOnly = 0x18;
inline constexpr std::uint8_t kCommandChipErase = 0x1F;

// A data frame carries 14 bits between a start and a stop bit.
inline constexpr std::uint16_t kDataFrameMask = 0x3FFF;
// The frame that follows a load-configuration command.
inline constexpr std::uint16_t kLoadConfigurationData = 0x3FFF;

// Clocks out the low `count` bits of `value`, least significant first, with no pause.
void SendBits(TPinLayer& pins, std::uint32_t value, int count);

// Receives `count` bits, least significant first: one ClockBit(true) per bit, leaving the data
// line released so the target can drive it, and a sample after each falling edge.
[[nodiscard]] std::uint32_t ReceiveBits(TPinLayer& pins, int count);

// Enters (Vdd first, then the programming voltage the device needs) or leaves (programming
// voltage off first, then Vdd) programming mode, with clock and data low throughout and the
// VppDelay settle times between the steps. The other Vpp line is never touched.
void SetProgramMode(TPinLayer& pins, const TPicDevice& device, bool on);

// The low 6 bits of `command`.
void SendCommand(TPinLayer& pins, std::uint8_t command);

// One data frame: start bit, the low 14 bits of `word`, stop bit.
void LoadData(TPinLayer& pins, std::uint16_t word);

// One read frame; the result never has bits 14 or 15 set.
[[nodiscard]] std::uint16_t ReadData(TPinLayer& pins);

}  // namespace vantrel
