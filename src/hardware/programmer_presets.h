#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

#include "hardware/pin_assignment.h"

namespace vantrel {

// A built-in programmer design: the wiring it sets at once. "Custom" keeps the wiring as it is.
struct TProgrammerPreset {
    std::uint8_t ProgrammerType;   // stored by the settings
    std::string_view CommandName;  // as the command line names it
    std::string_view MenuCaption;
    std::string_view Label;
    std::optional<TWiring> Wiring;  // empty for Custom
    bool HasRunControl;             // shows the run panel and the MCLR group
};

inline constexpr std::uint8_t kProgrammerCustom = 0;
inline constexpr std::uint8_t kProgrammerCardlet = 1;
inline constexpr std::uint8_t kProgrammerP7406 = 2;
inline constexpr std::uint8_t kProgrammerP7407 = 3;
inline constexpr std::uint8_t kProgrammerRsr = 4;
inline constexpr std::uint8_t kProgrammerFerrow = 5;

namespace preset_detail {
constexpr TPinAssignment Pin(std::uint8_t line, bool invert = false) {
    return {line, invert};
}
constexpr bool kInv = true;
}  // namespace preset_detail

// Wiring fields in the order Vdd, Vpp, Vpp40, MCLR, Clock, DataOut, DataIn.
inline constexpr std::array<TProgrammerPreset, 6> ProgrammerPresets = [] {
    using namespace preset_detail;
    return std::array<TProgrammerPreset, 6>{{
        {kProgrammerCustom, "custom", "Custom", "Custom Settings Programmer", std::nullopt, true},
        {kProgrammerCardlet, "cardlet", "Cardlet", "Dremmle Cardlet Programmer",
         TWiring{Pin(kLineD2, kInv), Pin(kLineD3, kInv), Pin(kLineD4, kInv), Pin(kLineD5, kInv),
                 Pin(kLineD1), Pin(kLineD0), Pin(kLineAck)},
         false},
        {kProgrammerP7406, "p16pro40-7406", "P16PRO40-7406", "P16PRO40 Programmer with 7406",
         TWiring{Pin(kLineD2), Pin(kLineD3), Pin(kLineD4), Pin(kLineD5), Pin(kLineD1, kInv),
                 Pin(kLineD0, kInv), Pin(kLineAck, kInv)},
         false},
        {kProgrammerP7407, "p16pro40-7407", "P16PRO40-7407", "P16PRO40 Programmer with 7407",
         TWiring{Pin(kLineD2, kInv), Pin(kLineD3, kInv), Pin(kLineD4, kInv), Pin(kLineD5, kInv),
                 Pin(kLineD1), Pin(kLineD0), Pin(kLineAck)},
         false},
        {kProgrammerRsr, "rsr", "RSR Programmer", "RSR Electronics Programmer",
         TWiring{Pin(kLineD2), Pin(kLineD3, kInv), Pin(kLineD4, kInv), Pin(kLineD5, kInv),
                 Pin(kLineD1, kInv), Pin(kLineD0, kInv), Pin(kLineAck, kInv)},
         false},
        {kProgrammerFerrow, "ferrow", "Ferrow Programmer", "Ferrow Programmer",
         TWiring{Pin(kLineD4, kInv), Pin(kLineD3, kInv), Pin(kLineD3, kInv), Pin(kLineD2),
                 Pin(kLineD1), Pin(kLineD0), Pin(kLineAck)},
         true},
    }};
}();

// The preset of a command-line name ("cardlet", "p16pro40-7406", ...).
[[nodiscard]] constexpr const TProgrammerPreset* FindPresetByCommandName(std::string_view name) {
    for (const TProgrammerPreset& preset : ProgrammerPresets) {
        if (preset.CommandName == name) {
            return &preset;
        }
    }
    return nullptr;
}

}  // namespace vantrel
