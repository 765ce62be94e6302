#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "device/pic_device.h"

namespace vantrel {

// The fourteen fuse check boxes. IESO and FCMEN are bits of configuration word 2.
enum class TFuseBox : std::uint8_t {
    WDT,
    PUT,
    MCLR,
    BOR,
    LVP,
    CPD,
    WRT,
    CodeP,
    Debug,
    BG0,
    BG1,
    CCPMX,
    IESO,
    FCMEN,
};
inline constexpr std::size_t kFuseBoxCount = 14;

// Word-1 fuses in the order the configuration model visits them.
inline constexpr std::array<TFuseBox, 12> kWord1FuseOrder{
    TFuseBox::CodeP, TFuseBox::WDT, TFuseBox::PUT, TFuseBox::MCLR,
    TFuseBox::BOR,   TFuseBox::LVP, TFuseBox::CPD, TFuseBox::WRT,
    TFuseBox::Debug, TFuseBox::BG0, TFuseBox::BG1, TFuseBox::CCPMX};
inline constexpr std::array<TFuseBox, 2> kWord2FuseOrder{TFuseBox::IESO, TFuseBox::FCMEN};

// The configuration bits behind a box on the given device.
[[nodiscard]] const TFuseBits& FuseOf(const TPicDevice& device, TFuseBox box);

// The box's caption as the window shows it ("Watch Dog", "Code Protect", ...).
[[nodiscard]] std::string_view FuseCaption(TFuseBox box);

// The oscillator set whose list leaves out code 3: its items from "INTI" on count one higher.
inline constexpr std::uint16_t kOscillatorSetWithoutCode3 = 4;

// The oscillator names offered for an oscillator set (1..5).
[[nodiscard]] const std::vector<std::string_view>& OscillatorNames(std::uint16_t oscillatorSet);

// The oscillator bits of configuration word 1 for the selected item of the oscillator group.
[[nodiscard]] std::uint16_t OscillatorCode(const TPicDevice& device, int item);

// The oscillator group item that shows the oscillator bits of configuration word 1.
[[nodiscard]] int OscillatorItem(const TPicDevice& device, std::uint16_t word1);

// Are the fuse's bits in `word` those of a checked box?
[[nodiscard]] constexpr bool FuseChecked(const TFuseBits& fuse, std::uint16_t word) {
    return ((word & fuse.Mask) == fuse.Mask) != fuse.Inverted;
}

}  // namespace vantrel
