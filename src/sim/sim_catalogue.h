#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "device/device_table.h"

namespace vantrel {

// What the simulator knows about real chips beyond the device table: which programming family a
// part belongs to, how that family decodes commands and how long its cycles take, its device ID
// and the true size of its data EEPROM. Taken from the makers' programming documents as our
// chip notes restate them; where those notes are unsure, the comment at the value says what was
// chosen and why.

enum class TChipFamily : std::uint8_t {
    Eeprom16C84,   // 16C84
    Eeprom16F84,   // 16F83, 16F84
    Eeprom16F84A,  // 16F84A
    Flash16F627,   // 16F627, 16F628
    Flash16F877,   // 16F872 .. 16F877
    Flash16F877A,  // 16F873A .. 16F877A
    Flash16F7x,    // 16F73 .. 16F77
    Flash16F818,   // 16F818, 16F819
    Flash16F88,    // 16F87, 16F88
    Flash16F628A,  // 16F627A, 16F628A, 16F648A
    Flash12F629,   // 12F629, 12F675, 16F630, 16F676
    Eprom12,       // 12C508, 12C509, 16C505
    Eprom14,       // 12C671, 12C672, 16C621A, 16C622A, 16C745, 16C765
    Pic18Old,      // 18F242 .. 18F458
    Pic18New,      // 18F2550, 18F4550, 18F4680
};

// How a begin-programming command writes the cells.
enum class TWriteMode : std::uint8_t {
    Absent,            // the family lacks the command (for this memory)
    EraseThenProgram,  // the loaded words replace the old ones
    ProgramOnly,       // cells can only go from 1 to 0: new = old AND loaded
    EpromPulse,        // one EPROM programming pulse; only repeated pulses program the cells
};

enum class TCycleTiming : std::uint8_t {
    Internal,  // the chip times the cycle itself; the host must wait it out
    External,  // the cycle runs until the host's end command; the time is a minimum
};

struct TBeginCommand {
    TWriteMode Mode = TWriteMode::Absent;
    TCycleTiming Timing = TCycleTiming::Internal;
    std::uint32_t Microseconds = 0;  // duration (internal) or minimum (external)
};

enum class TBulkEraseStart : std::uint8_t {
    Absent,
    SelfTimed,       // 0x09/0x0B start the erase at once
    StartedByBegin,  // 0x09/0x0B only choose the erase; the next 0x08 starts it
};

// Which power-up order the part demands.
enum class TEntryRule : std::uint8_t {
    Any,
    VddFirst,  // raising Vpp while Vdd is off is a violation
    // Vdd-first fails when the configuration selects the internal oscillator with MCLR off:
    // the user program starts at once and programming mode is never reached.
    VppFirstForInternalOscillator,
};

// The 12- and 14-bit serial command set and timing of one family.
struct TFamily14Profile {
    TChipFamily Family;
    bool TwelveBit;                // 12-bit core: address counter starts at the configuration word
    bool UpperCommandBitsIgnored;  // early EEPROM parts decode only the low command bits
    TBeginCommand Begin08Program;  // 0x08 on program memory, IDs and configuration
    TBeginCommand Begin08Data;     // 0x08 on data EEPROM
    TBeginCommand Begin18;         // 0x18, on either memory
    std::uint8_t EndCode;          // ends an externally timed cycle; 0 = none
    TBulkEraseStart BulkErase;
    std::uint32_t BulkEraseMicroseconds;
    bool BulkEraseTakesConfigInConfigSpace;    // with the counter at 0x2000.. config and IDs go too
    bool BulkEraseClearsProtection;            // ... and a protected part may be erased that way
    std::uint32_t ChipEraseMicroseconds;       // 0x1F; 0 = absent
    std::uint32_t SetupPairEraseMicroseconds;  // the 0x01, 0x07, 0x08 erase; 0 = absent
    std::uint8_t Latches;                      // program words loaded before one begin command
    TEntryRule Entry;
    std::uint16_t Reserved2004;  // what the reserved words of the configuration area read
    std::uint16_t Reserved2005;
    std::uint8_t RevisionBits;  // low bits of the device ID word that hold the revision
};

// The 18F serial interface of one family.
struct TFamily18Profile {
    TChipFamily Family;
    bool MultiPanel;                      // 0x3C0006 selects one write buffer per 8 KB panel
    bool EepromNeedsUnlock;               // 0x55, 0xAA to EECON2 before WR
    bool KeyedBlockErase;                 // 3C0005:3C0004 keys decoded bit by bit; else 0x80 only
    bool Opcode1110StartsProgramming;     // 1110: write, +2 and start; older parts: write, -2
    std::uint32_t BulkEraseMicroseconds;  // P11
    std::uint32_t DischargeMicroseconds;  // P10: PGC low after a programming pulse
    std::uint32_t ProgramPulseMicroseconds;  // P9: the held fourth clock, minimum
    std::uint32_t EepromWriteMicroseconds;   // P11A
    std::uint32_t EntryHoldMicroseconds;     // P12: Vpp high before the first clock
};

// One device as the simulator sees it.
struct TSimDeviceFacts {
    std::string_view Name;
    TChipFamily Family;
    std::uint16_t DeviceId;         // revision bits clear; kNoDeviceId when the part has none
    std::uint16_t EepromBytes;      // of the real chip
    std::uint8_t WriteBufferBytes;  // 18F only
};

inline constexpr std::uint16_t kNoDeviceId = 0;

// Hold after Vpp (or Vdd, whichever rose last) before the first clock on 12/14-bit parts.
inline constexpr std::uint32_t kEntryHoldMicroseconds14 = 5;
// An EPROM programming pulse is nominally 100 µs; a shorter one is a violation.
inline constexpr std::uint32_t kEpromPulseMicroseconds = 100;
// After an EPROM word first reads back right, the host applies this many times the pulses it
// took as over-programming: 11 on the 12-bit parts, 3 on the 14-bit ones. The configuration
// word gets a fixed number of pulses instead.
inline constexpr std::uint32_t kEpromOverProgramming12 = 11;
inline constexpr std::uint32_t kEpromOverProgramming14 = 3;
inline constexpr std::uint32_t kEpromConfigurationPulses = 100;
// Gap a host must leave between a command and its data frame (TDLY).
inline constexpr std::uint32_t kCommandGapMicroseconds = 1;
// How long after Vdd a user program that needs no power-up timer starts to run.
inline constexpr std::uint32_t kUserCodeStartMicroseconds = 5;
// The power-up timer that holds the part in reset when PWRTE is on.
inline constexpr std::uint32_t kPowerUpTimerMicroseconds = 72000;

[[nodiscard]] bool IsPic18Family(TChipFamily family);

// The facts of the device at `deviceIndex` (an index into DeviceTable).
[[nodiscard]] const TSimDeviceFacts& SimDeviceFacts(std::uint8_t deviceIndex);

[[nodiscard]] const TFamily14Profile& Family14Profile(TChipFamily family);
[[nodiscard]] const TFamily18Profile& Family18Profile(TChipFamily family);

// The bits of the device's ID word that hold the silicon revision; 0 when it has no ID.
[[nodiscard]] std::uint16_t SimRevisionMask(std::uint8_t deviceIndex);

}  // namespace vantrel
