// The simulated chips hold a host to the chip notes: every family's programming and erase times
// at their minimum pass and just below it fail, and the sequences a real part would not take
// are logged. A fast host is only as safe as these checks.

#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <utility>

#include "flash14_recipes.h"
#include "pic18_host.h"

namespace vantrel::test {
namespace {

using K = TSimViolationKind;

// One write cycle of a 12/14-bit family as the notes give it: the begin command, the least
// time the host must wait, and the end command when the cycle is externally timed.
struct TCycleFact {
    std::string_view Device;
    bool Data;  // data EEPROM rather than program memory
    std::uint8_t Begin;
    std::uint32_t Microseconds;
    std::uint8_t End;  // 0: internally timed, the host waits before its next command
};

std::ostream& operator<<(std::ostream& out, const TCycleFact& fact) {
    return out << fact.Device << (fact.Data ? " data" : " program");
}

// clang-format off
const std::vector<TCycleFact> kCycleFacts{
    {"16C84", false, kBegin, 10000, 0},  {"16C84", true, kBegin, 10000, 0},
    {"16F84", false, kBegin, 10000, 0},  // the notes' tools wait 20 ms; the chip's 10 is kept
    {"16F84A", false, kBegin, 8000, 0},  {"16F84A", true, kBegin, 8000, 0},
    {"16F84A", false, kBeginProgramOnly, 8000, 0},
    {"16F628", false, kBegin, 13000, 0}, {"16F628", true, kBegin, 13000, 0},
    {"16F877", false, kBegin, 8000, 0},  {"16F877", false, kBeginProgramOnly, 4000, 0},
    {"16F877A", false, kBeginProgramOnly, 1000, kEnd17}, {"16F877A", false, kBegin, 10000, 0},
    {"16F877A", true, kBeginProgramOnly, 1000, kEnd17},
    {"16F77", false, kBegin, 1000, kEnd0E},
    {"16F819", false, kBegin, 1000, kEnd17}, {"16F819", false, kBeginProgramOnly, 1000, kEnd17},
    {"16F88", false, kBeginProgramOnly, 1000, kEnd17}, {"16F88", true, kBeginProgramOnly, 1000, kEnd17},
    {"16F628A", false, kBegin, 4000, 0}, {"16F628A", true, kBegin, 6000, 0},
    {"12F675", false, kBegin, 3000, 0},  {"12F675", true, kBegin, 6000, 0},
    {"12F675", false, kBeginProgramOnly, 2000, kEnd0A},
    {"12C508", false, kBegin, 100, kEnd0E}, {"16C622A", false, kBegin, 100, kEnd0E},
};
// clang-format on

class CycleFactTest : public testing::TestWithParam<TCycleFact> {
  protected:
    // Writes one word (or byte) at address 0 of a fresh chip with the host waiting `wait`, and
    // reads it back.
    std::uint16_t WriteWithWait(TSimRig& rig, std::uint32_t wait) {
        const TCycleFact& fact = GetParam();
        const TPicDevice& device = rig.Chip().Device();
        const bool twelveBit = device.BlankWord == 0x0FFF;
        if (device.Name == "12F675") {
            rig.host.EnterVppFirst();
        } else {
            rig.host.EnterVddFirst();
        }
        if (twelveBit) {
            rig.host.Increment();  // from the configuration word to address 0
        }
        rig.host.Load(fact.Data ? kLoadData : kLoadProgram, Value());
        rig.host.Command(fact.Begin);
        rig.host.Wait(wait);
        if (fact.End != 0) {
            rig.host.Command(fact.End);
        }
        const std::uint16_t mask = fact.Data ? 0xFF : device.BlankWord;
        const auto word =
            static_cast<std::uint16_t>(rig.host.Read(fact.Data ? kReadData : kReadProgram) & mask);
        rig.host.Exit();
        return word;
    }
    [[nodiscard]] std::uint16_t Value() const { return GetParam().Data ? 0x5A : 0x0A5A; }
};

TEST_P(CycleFactTest, TheNotesTimeWritesAndTenPercentLessIsLogged) {
    const TCycleFact& fact = GetParam();
    TSimRig enough(fact.Device);
    EXPECT_EQ(WriteWithWait(enough, fact.Microseconds), Value());  // an EPROM cell: one pulse
    EXPECT_NO_VIOLATIONS(enough);

    TSimRig hurried(fact.Device);
    static_cast<void>(WriteWithWait(hurried, fact.Microseconds * 9 / 10));
    const K expected = fact.End != 0 ? K::ShortPulse : K::BusyCommand;
    EXPECT_EQ(hurried.Count(expected), 1u) << hurried.Log().Describe();
}

INSTANTIATE_TEST_SUITE_P(EveryFamily, CycleFactTest, testing::ValuesIn(kCycleFacts),
                         [](const auto& info) {
                             return "PIC" + std::string(info.param.Device) +
                                    (info.param.Data ? "_data_" : "_program_") +
                                    std::to_string(info.param.Begin);
                         });

// Erase times: the erase at its time, then a read; ten percent less and the read meets the
// running erase.
struct TEraseFact {
    std::string_view Device;
    std::uint8_t Command;  // 0x1F, 0x09, or 0x08 after the 0x01, 0x07 pair at 0x2007
    std::uint32_t Microseconds;
};

std::ostream& operator<<(std::ostream& out, const TEraseFact& fact) {
    return out << fact.Device;
}

class EraseFactTest : public testing::TestWithParam<TEraseFact> {
  protected:
    static void Erase(TSimRig& rig, const TEraseFact& fact, std::uint32_t wait) {
        rig.host.EnterVddFirst();
        rig.host.Load(kLoadConfig, 0x3FFF);
        if (fact.Command == kBegin) {
            rig.host.Increment(7);
            rig.host.Command(kSetup1);
            rig.host.Command(kSetup2);
        }
        rig.host.Command(fact.Command);
        rig.host.Wait(wait);
        static_cast<void>(rig.host.Read(kReadProgram));
        rig.host.Exit();
    }
};

TEST_P(EraseFactTest, TheNotesTimeErasesAndTenPercentLessIsLogged) {
    const TEraseFact& fact = GetParam();
    TSimChipState used = FactoryFreshChip(DeviceIndex(fact.Device));
    used.Program[3] = 0x0000;
    TSimRig enough(used);
    Erase(enough, fact, fact.Microseconds);
    EXPECT_EQ(enough.Chip().Program[3], 0x3FFF);
    EXPECT_NO_VIOLATIONS(enough);

    TSimRig hurried(used);
    Erase(hurried, fact, fact.Microseconds * 9 / 10);
    EXPECT_EQ(hurried.Count(K::BusyCommand), 1u) << hurried.Log().Describe();
}

INSTANTIATE_TEST_SUITE_P(
    EveryFamily, EraseFactTest,
    testing::Values(TEraseFact{"16C84", kBegin, 10000}, TEraseFact{"16F84A", kBegin, 10000},
                    TEraseFact{"16F628", kBegin, 12000}, TEraseFact{"16F877", kBegin, 8000},
                    TEraseFact{"16F877A", kChipErase, 10000},
                    TEraseFact{"16F77", kBulkEraseProgram, 30000},
                    TEraseFact{"16F819", kChipErase, 8000}, TEraseFact{"16F88", kChipErase, 10000},
                    TEraseFact{"16F628A", kBulkEraseProgram, 6000},
                    TEraseFact{"12F675", kBulkEraseProgram, 6000}),
    [](const auto& info) { return "PIC" + std::string(info.param.Device); });

// The 18F times: P9 (the held fourth clock of the programming NOP), P10 (clock low after it)
// and P11 (the bulk erase, during which nothing may be clocked).
struct TPic18Fact {
    std::string_view Device;
    TPic18Recipe Recipe;
    std::uint64_t P9, P10, P11;
};

std::ostream& operator<<(std::ostream& out, const TPic18Fact& fact) {
    return out << fact.Device;
}

class Pic18FactTest : public testing::TestWithParam<TPic18Fact> {};

TEST_P(Pic18FactTest, HoldsAndEraseAtTheirTimesPassAndTenPercentLessIsLogged) {
    const TPic18Fact& fact = GetParam();
    const auto write = [&](std::uint64_t p9, std::uint64_t p10) {
        TSimRig rig(fact.Device);
        TIcspHost& host = rig.host;
        host.EnterVddFirst();
        host.Core(kBsfEepgd);
        host.Core(kBcfCfgs);
        host.SetTablePointer(0);
        host.Send18(kTableWriteStart, 0x1234);
        host.ProgramNop(p9, p10);
        host.Exit();
        return rig.Log().Empty() && rig.Chip().Program[0] == 0x1234;
    };
    // The host's own clock write takes 2 us of the low time; below that the older parts' 5 us
    // cannot be cut by a tenth.
    const std::uint64_t shortP10 = fact.P10 * 9 / 10 - 2;
    EXPECT_TRUE(write(fact.P9, fact.P10));
    EXPECT_FALSE(write(fact.P9 * 9 / 10, fact.P10));
    EXPECT_FALSE(write(fact.P9, shortP10));

    const auto erase = [&](std::uint64_t wait) {
        TSimChipState used = FactoryFreshChip(DeviceIndex(fact.Device));
        used.Program[0] = 0x0000;
        TSimRig rig(used);
        TPic18Programmer programmer(rig.host,
                                    {fact.Recipe.Later, fact.Recipe.BufferBytes, wait, fact.P10});
        programmer.Enter();
        programmer.ChipErase();
        programmer.Exit();
        return rig.Log().Empty() && rig.Chip().Program[0] == 0xFFFF;
    };
    EXPECT_TRUE(erase(fact.P11 + fact.P10));
    EXPECT_FALSE(erase((fact.P11 + fact.P10) * 9 / 10));
}

INSTANTIATE_TEST_SUITE_P(BothFamilies, Pic18FactTest,
                         testing::Values(TPic18Fact{"18F452", {false, 8, 0, 0}, 1000, 5, 10000},
                                         TPic18Fact{"18F4680", {true, 64, 0, 0}, 1000, 100, 5000}),
                         [](const auto& info) { return "PIC" + std::string(info.param.Device); });

// ---- sequences ------------------------------------------------------------------------------

TEST(SimSequences, LeavingProgrammingModeTakesVppDownBeforeVdd) {
    TSimRig rig("16F84A");
    rig.host.EnterVddFirst();
    rig.host.Vdd(false);
    rig.host.Vpp(false);
    EXPECT_EQ(rig.Count(K::PowerSequence), 1u) << rig.Log().Describe();
}

// Only with the counter on the configuration word does the 0x01, 0x07, 0x08 erase clear the
// code protection.
TEST(SimSequences, CodeProtectDisableOnlyAtTheConfigurationWord) {
    for (const int increments : {6, 7}) {
        TSimChipState chip = FactoryFreshChip(DeviceIndex("16F84A"));
        chip.Program[0] = 0x0000;
        TurnOnCodeProtection(chip);
        TSimRig rig(chip);
        TFlashProgrammer programmer(rig, RecipeFor("16F84A"));
        programmer.Enter();
        rig.host.Load(kLoadConfig, 0x3FFF);
        rig.host.Increment(increments);
        rig.host.Command(kSetup1);
        rig.host.Command(kSetup2);
        rig.host.Command(kBegin);
        rig.host.Wait(10000);
        rig.host.Command(kSetup1);
        rig.host.Command(kSetup2);
        programmer.Exit();
        const bool atConfigurationWord = increments == 7;
        EXPECT_EQ(IsCodeProtected(rig.Chip()), !atConfigurationWord);
        EXPECT_EQ(rig.Count(K::Sequence), atConfigurationWord ? 0u : 1u) << rig.Log().Describe();
    }
}

// EECON1 chooses where a table write goes: flash with EEPGD, the configuration bytes with CFGS
// as well.
TEST(SimSequences, Pic18TableWritesNeedTheirEecon1Selection) {
    struct TCase {
        std::vector<std::uint16_t> Selection;
        std::uint32_t Address;  // code, ID or configuration byte
        bool Written;
    };
    for (const TCase& c :
         {TCase{{}, 0x000000, false}, TCase{{kBsfEepgd}, 0x000000, true},
          TCase{{kBsfEepgd, kBsfCfgs}, 0x000000, false}, TCase{{kBsfEepgd}, 0x200000, true},
          TCase{{kBsfEepgd}, 0x300001, false}, TCase{{kBsfEepgd, kBsfCfgs}, 0x300001, true}}) {
        const TSimChipState fresh = FactoryFreshChip(DeviceIndex("18F2550"));
        TSimRig rig(fresh);
        TIcspHost& host = rig.host;
        host.EnterVddFirst();
        for (const std::uint16_t instruction : c.Selection) {
            host.Core(instruction);
        }
        host.SetTablePointer(c.Address);
        host.Send18(kTableWriteStart, 0x1212);
        host.ProgramNop(1000, 100);
        host.Exit();
        EXPECT_EQ(!(rig.Chip() == fresh), c.Written)
            << std::hex << c.Address << " " << c.Selection.size();
        EXPECT_EQ(rig.Count(K::Sequence), c.Written ? 0u : 1u) << rig.Log().Describe();
    }
}

TEST(SimSequences, Pic18BulkEraseWantsPgdLowAndNoClocksUntilItEnds) {
    const auto erase = [](const std::function<void(TIcspHost&)>& hold) {
        TSimRig rig("18F4550");
        TIcspHost& host = rig.host;
        host.EnterVddFirst();
        host.SetTablePointer(0x3C0005);
        host.Send18(kTableWrite, 0x3F3F);
        host.SetTablePointer(0x3C0004);
        host.Send18(kTableWrite, 0x8F8F);
        host.Core(0x0000);
        for (int i = 0; i < 4; ++i) {
            host.ClockOut(false);
        }
        hold(host);
        for (int i = 0; i < 16; ++i) {
            host.ClockOut(false);
        }
        host.Exit();
        return std::make_pair(rig.Count(K::Sequence), rig.Count(K::BusyCommand));
    };
    using TCounts = std::pair<std::size_t, std::size_t>;  // PGD raised, clocks lost
    EXPECT_EQ(erase([](TIcspHost& host) { host.Wait(5100); }), TCounts(0, 0));
    EXPECT_EQ(erase([](TIcspHost& host) {
                  host.Wait(1000);
                  host.Data(true);
                  host.Wait(4100);
                  host.Data(false);
              }),
              TCounts(1, 0));
    EXPECT_EQ(erase([](TIcspHost& host) { host.Wait(4000); }), TCounts(0, 1));
}

// A host that writes in larger pieces than the part latches overwrites what it loaded.
TEST(SimSequences, MoreWordsThanTheLatchesHoldAreLogged) {
    TSimRig flash("16F877A");
    flash.host.UseVpp40(true);
    flash.host.EnterVddFirst();
    for (int i = 0; i < 16; ++i) {
        flash.host.Load(kLoadProgram, static_cast<std::uint16_t>(i));
        if (i < 15) {
            flash.host.Increment();
        }
    }
    flash.host.Command(kBeginProgramOnly);
    flash.host.Wait(1000);
    flash.host.Command(kEnd17);
    flash.host.Exit();
    EXPECT_EQ(flash.Count(K::Sequence), 8u) << flash.Log().Describe();
    EXPECT_EQ(flash.Chip().Program[8], 8) << "the block of the begin command";

    TSimRig pic18("18F2550");
    TPic18Programmer programmer(pic18.host, {true, 64, 6000, 100});  // the 18F4680's rows
    programmer.Enter();
    programmer.WriteRows(0, std::vector<std::uint8_t>(64, 0x00));
    programmer.Exit();
    EXPECT_EQ(pic18.Count(K::Sequence), 16u) << "32 bytes loaded twice, two at a time";
}

// ---- read frames ----------------------------------------------------------------------------

// What the notes leave undefined in a read frame varies, so a host must not rely on it.
TEST(SimReadFrames, StartStopAndUnusedHighBitsVaryTheWordDoesNot) {
    TSimRig twelve("12C508");
    std::set<std::uint16_t> seen;
    twelve.host.EnterVddFirst();
    for (int i = 0; i < 32; ++i) {
        const std::uint16_t word = twelve.host.Read(kReadProgram);
        EXPECT_EQ(word & 0x0FFF, twelve.Chip().Config[0]) << "the configuration word itself";
        seen.insert(word & 0x3000);
    }
    twelve.host.Exit();
    EXPECT_EQ(seen.size(), 4u) << "bits 12 and 13 take every value";

    TSimRig data("16F84A");
    data.host.EnterVddFirst();
    std::set<bool> startBits, stopBits;
    std::set<std::uint16_t> highBits;
    for (int i = 0; i < 16; ++i) {
        data.host.Command(kReadData);
        data.host.Data(true);
        startBits.insert(data.host.ClockIn());
        std::uint16_t word = 0;
        for (int bit = 0; bit < 14; ++bit) {
            word = static_cast<std::uint16_t>(word | (data.host.ClockIn() ? 1u << bit : 0u));
        }
        stopBits.insert(data.host.ClockIn());
        data.host.Data(false);
        EXPECT_EQ(word & 0xFF, 0xFF);
        highBits.insert(word >> 8);
    }
    data.host.Exit();
    EXPECT_EQ(startBits.size(), 2u);
    EXPECT_EQ(stopBits.size(), 2u);
    EXPECT_GT(highBits.size(), 4u);
    EXPECT_NO_VIOLATIONS(data);
}

// ---- EPROM over-programming -----------------------------------------------------------------

TEST(SimEprom, CellsWithoutTheirOverProgrammingAreReportedAsUnderProgrammed) {
    TSimRig rig("12C509");
    rig.host.EnterVddFirst();
    const auto pulses = [&](int count) {
        for (int i = 0; i < count; ++i) {
            rig.host.Command(kBegin);
            rig.host.Wait(100);
            rig.host.Command(kEnd0E);
        }
    };
    rig.host.Load(kLoadProgram, 0x001B);  // the configuration word wants 100 pulses
    pulses(10);
    rig.host.Increment(2);  // address 1 reads back after two pulses and wants 2 x 11 more
    rig.host.Load(kLoadProgram, 0x0222);
    pulses(2);
    EXPECT_EQ(rig.host.Read(kReadProgram) & 0x0FFF, 0x0222);
    pulses(11);
    const std::vector<std::string> shortOfIt = rig.board.Chip()->UnderProgrammedCells();
    pulses(11);
    const std::vector<std::string> after = rig.board.Chip()->UnderProgrammedCells();
    rig.host.Exit();
    EXPECT_EQ(shortOfIt.size(), 2u);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_TRUE(after[0].starts_with("word at 0x0FFF: ")) << after[0];
    EXPECT_TRUE(after[0].ends_with(" 10000 us with the over-programming")) << after[0];
    EXPECT_NO_VIOLATIONS(rig);
}

// The notes give a pulse as the host's wait between begin and end; the end command's own
// clocks do not make up for a wait cut short.
TEST(SimEprom, APulseIsTheWaitBetweenItsCommands) {
    TSimRig rig("12C671");
    rig.host.EnterVddFirst();
    rig.host.Load(kLoadProgram, 0x0000);
    rig.host.Command(kBegin);
    rig.host.Wait(90);
    rig.host.Command(kEnd0E);
    rig.host.Exit();
    EXPECT_EQ(rig.Count(K::ShortPulse), 1u) << rig.Log().Describe();
}

// ---- what the host had to wait for ------------------------------------------------------------

TEST(SimStatistics, RequiredWaitsAddUpTheMinimaTheHostWasHeldTo) {
    TSimRig rig("16F84A");
    TFlashProgrammer programmer(rig, RecipeFor("16F84A"));
    const std::uint64_t pulsesBefore = rig.board.ClockPulses();
    programmer.WriteProgram({0x0001, 0x0002});
    EXPECT_EQ(rig.board.Chip()->RequiredWaitMicroseconds(), 5u + 2 * 8000u)
        << "the hold after entry, two 8 ms cycles";
    EXPECT_EQ(rig.board.ClockPulses() - pulsesBefore, 2u * (6 + 16 + 6 + 6))
        << "load, frame, begin, increment per word";
}

}  // namespace
}  // namespace vantrel::test
