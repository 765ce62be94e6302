#pragma once

// Programming sequences for the 12/14-bit EEPROM and flash parts, written from the chip notes
// (commands, latches, cycle times, erase methods per family) with the generous waits tools use.

#include <cstdint>
#include <string_view>
#include <vector>

#include "sim_rig.h"

namespace vantrel::test {

inline constexpr std::uint8_t kLoadConfig = 0x00;
inline constexpr std::uint8_t kLoadProgram = 0x02;
inline constexpr std::uint8_t kLoadData = 0x03;
inline constexpr std::uint8_t kReadProgram = 0x04;
inline constexpr std::uint8_t kReadData = 0x05;
inline constexpr std::uint8_t kBegin = 0x08;
inline constexpr std::uint8_t kBulkEraseProgram = 0x09;
inline constexpr std::uint8_t kBulkEraseData = 0x0B;
inline constexpr std::uint8_t kEnd0E = 0x0E;
inline constexpr std::uint8_t kEnd17 = 0x17;
inline constexpr std::uint8_t kEnd0A = 0x0A;
inline constexpr std::uint8_t kBeginProgramOnly = 0x18;
inline constexpr std::uint8_t kChipErase = 0x1F;
inline constexpr std::uint8_t kSetup1 = 0x01;
inline constexpr std::uint8_t kSetup2 = 0x07;

enum class TEraseMethod {
    BulkThenBegin,      // Load Data 3FFF, 0x09 (0x0B), 0x08, wait
    BulkInConfigSpace,  // Load Configuration, 0x09, wait, 0x0B, wait
    ChipErase,          // Load Configuration, 0x1F, wait
    SetupPair,          // Load Configuration, 7 increments, 0x01, 0x07, 0x08, wait, 0x01, 0x07
};

// One begin command and how it ends: after a wait (internally timed), or with an end command.
struct TCycleRecipe {
    std::uint8_t Begin;
    std::uint32_t WaitMicroseconds;
    std::uint8_t End = 0;  // 0 = internally timed
};

struct TFlashRecipe {
    std::string_view Device;
    std::uint8_t Latches;
    TCycleRecipe Program;  // onto erased program memory
    TCycleRecipe Data;
    TCycleRecipe Config;  // configuration and ID words
    TEraseMethod Erase;
    std::uint32_t EraseMicroseconds;
    bool VppFirst;
};

inline std::ostream& operator<<(std::ostream& out, const TFlashRecipe& recipe) {
    return out << recipe.Device;
}

// clang-format off
inline const std::vector<TFlashRecipe>& FlashRecipes() {
    using E = TEraseMethod;
    static const std::vector<TFlashRecipe> kRecipes = [] {
        std::vector<TFlashRecipe> recipes;
        const auto add = [&](std::initializer_list<std::string_view> devices, TFlashRecipe r) {
            for (std::string_view device : devices) {
                r.Device = device;
                recipes.push_back(r);
            }
        };
        add({"16C84"}, {{}, 1, {kBegin, 12000}, {kBegin, 12000}, {kBegin, 12000}, E::BulkThenBegin, 12000, false});
        add({"16F83", "16F84"}, {{}, 1, {kBegin, 20000}, {kBegin, 20000}, {kBegin, 20000}, E::BulkThenBegin, 20000, false});
        add({"16F84A"}, {{}, 1, {kBegin, 10000}, {kBegin, 10000}, {kBegin, 10000}, E::BulkThenBegin, 10000, false});
        add({"16F627", "16F628"}, {{}, 1, {kBegin, 15000}, {kBegin, 15000}, {kBegin, 15000}, E::SetupPair, 15000, true});
        add({"16F872", "16F873", "16F874", "16F876", "16F877"}, {{}, 1, {kBegin, 10000}, {kBegin, 10000}, {kBegin, 10000}, E::SetupPair, 10000, false});
        add({"16F873A", "16F874A", "16F876A", "16F877A"}, {{}, 8, {kBeginProgramOnly, 1000, kEnd17}, {kBegin, 12000}, {kBegin, 12000}, E::ChipErase, 15000, false});
        add({"16F73", "16F74", "16F76", "16F77"}, {{}, 2, {kBegin, 1000, kEnd0E}, {}, {kBegin, 1000, kEnd0E}, E::BulkInConfigSpace, 35000, false});
        add({"16F818", "16F819"}, {{}, 4, {kBeginProgramOnly, 1000, kEnd17}, {kBegin, 2000, kEnd17}, {kBegin, 2000, kEnd17}, E::ChipErase, 10000, false});
        add({"16F87", "16F88"}, {{}, 4, {kBeginProgramOnly, 1000, kEnd17}, {kBegin, 2000, kEnd17}, {kBegin, 2000, kEnd17}, E::ChipErase, 12000, false});
        add({"16F627A", "16F628A", "16F648A"}, {{}, 1, {kBegin, 5000}, {kBegin, 7000}, {kBegin, 5000}, E::BulkInConfigSpace, 7000, true});
        add({"12F629", "12F675", "16F630", "16F676"}, {{}, 1, {kBegin, 4000}, {kBegin, 7000}, {kBegin, 4000}, E::BulkInConfigSpace, 7000, true});
        return recipes;
    }();
    return kRecipes;
}
// clang-format on

// Drives one recipe through the host.
class TFlashProgrammer {
  public:
    TFlashProgrammer(TSimRig& rig, const TFlashRecipe& recipe) : rig_(rig), recipe_(recipe) {}

    TIcspHost& Host() { return rig_.host; }

    void Enter() {
        if (recipe_.VppFirst) {
            Host().EnterVppFirst();
        } else {
            Host().EnterVddFirst();
        }
    }
    void Exit() { Host().Exit(); }

    void RunCycle(const TCycleRecipe& cycle) {
        Host().Command(cycle.Begin);
        Host().Wait(cycle.WaitMicroseconds);
        if (cycle.End != 0) {
            Host().Command(cycle.End);
        }
    }

    // Program words from address 0 on: latches filled, the begin command given with the
    // counter on the block's last word.
    void WriteProgram(const std::vector<std::uint16_t>& words, std::uint32_t skip = 0) {
        Enter();
        Host().Increment(static_cast<int>(skip));
        for (std::size_t i = 0; i < words.size(); ++i) {
            Host().Load(kLoadProgram, words[i]);
            const std::uint32_t address = skip + static_cast<std::uint32_t>(i);
            if ((address + 1) % recipe_.Latches == 0 || i + 1 == words.size()) {
                RunCycle(recipe_.Program);
            }
            Host().Increment();
        }
        Exit();
    }

    [[nodiscard]] std::vector<std::uint16_t> ReadProgram(std::size_t count,
                                                         std::uint32_t skip = 0) {
        Enter();
        Host().Increment(static_cast<int>(skip));
        return ReadWordsAndExit(count);
    }

    void WriteData(const std::vector<std::uint8_t>& bytes) {
        Enter();
        for (const std::uint8_t byte : bytes) {
            Host().Load(kLoadData, byte);
            RunCycle(recipe_.Data);
            Host().Increment();
        }
        Exit();
    }

    [[nodiscard]] std::vector<std::uint8_t> ReadData(std::size_t count) {
        Enter();
        std::vector<std::uint8_t> bytes;
        for (std::size_t i = 0; i < count; ++i) {
            bytes.push_back(static_cast<std::uint8_t>(Host().Read(kReadData) & 0xFF));
            Host().Increment();
        }
        Exit();
        return bytes;
    }

    // IDs one word at a time from 0x2000, then the configuration word at 0x2007.
    void WriteIdsAndConfig(const std::vector<std::uint16_t>& ids, std::uint16_t config) {
        Enter();
        Host().Load(kLoadConfig, ids.at(0));
        for (std::size_t i = 0; i < ids.size(); ++i) {
            if (i > 0) {
                Host().Load(kLoadProgram, ids[i]);
            }
            RunCycle(recipe_.Config);
            Host().Increment();
        }
        Host().Increment(static_cast<int>(7 - ids.size()));
        Host().Load(kLoadProgram, config);
        RunCycle(recipe_.Config);
        Exit();
    }

    // Configuration area from 0x2000: IDs, 0x2004..0x2006, configuration word(s).
    [[nodiscard]] std::vector<std::uint16_t> ReadConfigArea(std::size_t count = 8) {
        Enter();
        Host().Load(kLoadConfig, 0x3FFF);
        return ReadWordsAndExit(count);
    }

    // Everything erased, protection included, by the family's method.
    void EraseChip() {
        Enter();
        switch (recipe_.Erase) {
            case TEraseMethod::BulkThenBegin:
                CodeProtectDisable();
                break;
            case TEraseMethod::BulkInConfigSpace:
                Host().Load(kLoadConfig, 0x3FFF);
                Host().Command(kBulkEraseProgram);
                Host().Wait(recipe_.EraseMicroseconds);
                if (!rig_.Chip().Data.empty()) {
                    Host().Command(kBulkEraseData);
                    Host().Wait(recipe_.EraseMicroseconds);
                }
                break;
            case TEraseMethod::ChipErase:
                Host().Load(kLoadConfig, 0x3FFF);
                Host().Command(kChipErase);
                Host().Wait(recipe_.EraseMicroseconds);
                break;
            case TEraseMethod::SetupPair:
                CodeProtectDisable();
                break;
        }
        Exit();
    }

  private:
    std::vector<std::uint16_t> ReadWordsAndExit(std::size_t count) {
        std::vector<std::uint16_t> words;
        for (std::size_t i = 0; i < count; ++i) {
            words.push_back(Host().Read(kReadProgram));
            Host().Increment();
        }
        Exit();
        return words;
    }

    void CodeProtectDisable() {
        Host().Load(kLoadConfig, 0x3FFF);
        Host().Increment(7);
        Host().Command(kSetup1);
        Host().Command(kSetup2);
        Host().Command(kBegin);
        Host().Wait(recipe_.EraseMicroseconds);
        Host().Command(kSetup1);
        Host().Command(kSetup2);
    }

    TSimRig& rig_;
    const TFlashRecipe& recipe_;
};

[[nodiscard]] inline const TFlashRecipe& RecipeFor(std::string_view device) {
    for (const TFlashRecipe& recipe : FlashRecipes()) {
        if (recipe.Device == device) {
            return recipe;
        }
    }
    throw std::invalid_argument("no recipe for " + std::string(device));
}

}  // namespace vantrel::test
