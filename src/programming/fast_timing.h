#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace vantrel {

// The waits of the fast timing, by what they wait for. Every other wait of the sequences (the
// Vpp Delay around the power changes, the pause before an erase, the power cycle of the 18F
// configuration write) stays as it is in either timing.
enum class TFastWait : std::uint8_t {
    ProgramCycle,  // one program memory write: a word, a block, or the 18F NOP's held clock
    DataCycle,     // one data EEPROM write of a 12/14-bit part
    ConfigCycle,   // one ID or configuration word write (18F: the held clock)
    Erase,         // one erase step: bulk, chip, or the 0x01, 0x07 pair
    Discharge,     // 18F: the clock low after a held clock or an erase
    EpromPulse,    // one EPROM programming pulse
};
inline constexpr std::size_t kFastWaitCount = 6;

// The programming families whose chip times differ.
enum class TTimingFamily : std::uint8_t {
    Eeprom16C84,
    Eeprom16F84,  // 16F83, 16F84
    Eeprom16F84A,
    Flash16F627,  // 16F627, 16F628
    Flash16F877,  // 16F872 .. 16F877
    Flash16F877A,
    Flash16F7x,
    Flash16F818,
    Flash16F88,
    Flash16F628A,  // 16F627A, 16F628A, 16F648A
    Flash12F629,   // 12F629, 12F675, 16F630, 16F676
    Eprom12,       // 12C508, 12C509, 16C505
    Eprom14,       // 12C671, 12C672, 16C621A, 16C622A, 16C745, 16C765
    Pic18Old,      // 18F242 .. 18F458
    Pic18New,      // 18F2550, 18F4550, 18F4680
};
inline constexpr std::size_t kTimingFamilyCount = 15;

// One family's waits in microseconds, by TFastWait; 0 where the family has no such wait.
struct TFastFamilyTiming {
    TTimingFamily Family;
    std::string_view Parts;
    std::array<std::uint32_t, kFastWaitCount> Microseconds;

    [[nodiscard]] constexpr std::uint32_t operator[](TFastWait wait) const {
        return Microseconds[static_cast<std::size_t>(wait)];
    }
};

// Every family's waits, indexed by TTimingFamily. Data rather than constants in the routines,
// so a test can take a copy, shorten one time and show that the chips notice.
using TFastTimings = std::array<TFastFamilyTiming, kTimingFamilyCount>;

// The chip times of the makers' programming documents, as our chip notes give them, each with
// a fifth added.
[[nodiscard]] const TFastTimings& DefaultFastTimings();

[[nodiscard]] TTimingFamily TimingFamilyOf(std::uint8_t deviceIndex);

// Program words one 18F write cycle takes in the fast timing: the write buffer the chip really
// has (the device table's WriteBlock of 4 words is the oldest parts' 8 bytes). Other parts
// latch what the device table says.
[[nodiscard]] std::size_t FastWriteBlockWords(std::uint8_t deviceIndex);

}  // namespace vantrel
