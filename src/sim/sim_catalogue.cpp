#include "sim/sim_catalogue.h"

#include <stdexcept>
#include <string>

namespace vantrel {

namespace {

using enum TChipFamily;

constexpr TBeginCommand Internal(TWriteMode mode, std::uint32_t microseconds) {
    return {mode, TCycleTiming::Internal, microseconds};
}
constexpr TBeginCommand External(TWriteMode mode, std::uint32_t microseconds) {
    return {mode, TCycleTiming::External, microseconds};
}
constexpr TBeginCommand kAbsent{};
constexpr auto kErase = TWriteMode::EraseThenProgram;
constexpr auto kProgram = TWriteMode::ProgramOnly;
constexpr std::uint16_t kBlank = 0x3FFF;

// Timings are the longest the notes give for the part: a host that waits less than that is
// wrong on some real chip.
// clang-format off
constexpr std::array<TFamily14Profile, 13> kFamilies14{{
    // 16C84: 10 ms erase/write. It has no 0x18: with the two upper command bits ignored, 0x18
    // reads as 0x08. 0x09/0x0B choose a bulk erase that 0x08 then starts.
    {Eeprom16C84, false, true, Internal(kErase, 10000), Internal(kErase, 10000), kAbsent, 0,
     TBulkEraseStart::StartedByBegin, 10000, false, false, 0, 10000, 1, TEntryRule::Any,
     kBlank, kBlank, 5},
    // 16F83/84: tools wait 20 ms, the parts finish within 10 ms (uncertain; 10 ms kept as the
    // chip's own time). Command set as the 16C84.
    {Eeprom16F84, false, true, Internal(kErase, 10000), Internal(kErase, 10000), kAbsent, 0,
     TBulkEraseStart::StartedByBegin, 10000, false, false, 0, 10000, 1, TEntryRule::Any,
     kBlank, kBlank, 5},
    // 16F84A: erase 4 ms + write 4 ms; 0x18 programs only, about 8 ms.
    {Eeprom16F84A, false, true, Internal(kErase, 8000), Internal(kErase, 8000),
     Internal(kProgram, 8000), 0, TBulkEraseStart::StartedByBegin, 10000, false, false, 0, 10000,
     1, TEntryRule::Any, kBlank, kBlank, 5},
    // 16F627/628: TERA + TPROG = 5 + 8 ms; 0x18 8 ms; bulk erase 5 ms and refused on a
    // protected part, which only the 0x01/0x07 sequence clears (the notes' tools wait 15-20 ms
    // for it; 12 ms is taken as the chip's time).
    {Flash16F627, false, true, Internal(kErase, 13000), Internal(kErase, 13000),
     Internal(kProgram, 8000), 0, TBulkEraseStart::SelfTimed, 5000, true, false, 0, 12000, 1,
     TEntryRule::VppFirstForInternalOscillator, kBlank, kBlank, 5},
    // 16F87x: 4 + 4 ms, 0x18 4 ms, no 0x09/0x0B: erased only by the 0x01/0x07 sequence (8 ms).
    // The reserved words read as one source saw them on a blank 16F872.
    {Flash16F877, false, true, Internal(kErase, 8000), Internal(kErase, 8000),
     Internal(kProgram, 4000), 0, TBulkEraseStart::Absent, 0, false, false, 0, 8000, 1,
     TEntryRule::Any, 0x0000, 0x3F11, 5},
    // 16F87xA: eight latches; 0x08 internally timed (about 10 ms), 0x18 externally timed
    // (1 ms minimum) ended by 0x17; chip erase 0x1F 10 ms. The notes do not list 0x09/0x0B for
    // these parts; the parts' own command table is recalled to have them (8 ms), so they are
    // kept, taking program memory (or data) only.
    {Flash16F877A, false, false, Internal(kErase, 10000), Internal(kErase, 10000),
     External(kProgram, 1000), 0x17, TBulkEraseStart::SelfTimed, 8000, false, false, 10000, 0,
     8, TEntryRule::Any, kBlank, kBlank, 4},
    // 16F7x: two latches, 0x08 programs only, externally timed (1 ms) and ended by 0x0E; bulk
    // erase 30 ms, with config and protection when the counter is in the configuration area.
    {Flash16F7x, false, false, External(kProgram, 1000), kAbsent, kAbsent, 0x0E,
     TBulkEraseStart::SelfTimed, 30000, true, true, 0, 0, 2, TEntryRule::Any, kBlank, kBlank,
     5},
    // 16F818/819: four latches; 0x08 and 0x18 externally timed (1 ms), ended by 0x17; 0x09 2 ms
    // (taken as self-timed), chip erase 8 ms.
    {Flash16F818, false, false, External(kErase, 1000), External(kErase, 1000),
     External(kProgram, 1000), 0x17, TBulkEraseStart::SelfTimed, 2000, false, false, 8000, 0, 4,
     TEntryRule::Any, kBlank, kBlank, 4},
    // 16F87/88: as the 16F818 with 10 ms erases.
    {Flash16F88, false, false, External(kErase, 1000), External(kErase, 1000),
     External(kProgram, 1000), 0x17, TBulkEraseStart::SelfTimed, 10000, false, false, 10000, 0,
     4, TEntryRule::Any, kBlank, kBlank, 4},
    // 16F627A/628A/648A: only 0x08, internally timed: 4 ms on program memory and 6 ms on data.
    // The data cycle erases first; the shorter program cycle is taken to program only, so
    // program memory must be bulk erased before it is written (uncertain).
    {Flash16F628A, false, false, Internal(kProgram, 4000), Internal(kErase, 6000), kAbsent, 0,
     TBulkEraseStart::SelfTimed, 6000, true, true, 0, 0, 1,
     TEntryRule::VppFirstForInternalOscillator, kBlank, kBlank, 5},
    // 12F629 family: 0x08 erases and programs (3 ms program, 6 ms data); 0x18 externally timed,
    // 2 ms minimum, ended by 0x0A; bulk erase 6 ms.
    {Flash12F629, false, false, Internal(kErase, 3000), Internal(kErase, 6000),
     External(kProgram, 2000), 0x0A, TBulkEraseStart::SelfTimed, 6000, true, true, 0, 0, 1,
     TEntryRule::VppFirstForInternalOscillator, kBlank, kBlank, 5},
    // 12-bit EPROM: 0x08 begins a pulse, 0x0E ends it; Vdd before Vpp.
    {Eprom12, true, false, External(TWriteMode::EpromPulse, kEpromPulseMicroseconds), kAbsent,
     kAbsent, 0x0E, TBulkEraseStart::Absent, 0, false, false, 0, 0, 1, TEntryRule::VddFirst,
     0x0FFF, 0x0FFF, 0},
    // 14-bit EPROM: as above with Load Configuration; no device ID word.
    {Eprom14, false, false, External(TWriteMode::EpromPulse, kEpromPulseMicroseconds), kAbsent,
     kAbsent, 0x0E, TBulkEraseStart::Absent, 0, false, false, 0, 0, 1, TEntryRule::Any, kBlank,
     kBlank, 0},
}};

constexpr std::array<TFamily18Profile, 2> kFamilies18{{
    // 18Fxx2/xx8: 8-byte buffers with the multi-panel mode, EECON2 unlock, chip erase key 0x80
    // (P11 5-10 ms; tools wait 10), P10 5 µs.
    {Pic18Old, true, true, false, false, 10000, 5, 1000, 4000, 2},
    // 18F2550/4550/4680: keyed erases, P11 5 ms, P10 100 µs, no unlock.
    {Pic18New, false, false, true, true, 5000, 100, 1000, 4000, 2},
}};

constexpr std::array<TSimDeviceFacts, kDeviceCount> kDevices{{
    {"16C84", Eeprom16C84, kNoDeviceId, 64, 0},
    {"16F83", Eeprom16F84, kNoDeviceId, 64, 0},
    {"16F84", Eeprom16F84, kNoDeviceId, 64, 0},
    {"16F84A", Eeprom16F84A, 0x0560, 64, 0},
    {"16F873", Flash16F877, 0x0960, 128, 0},
    {"16F874", Flash16F877, 0x0920, 128, 0},
    {"16F876", Flash16F877, 0x09E0, 256, 0},
    {"16F877", Flash16F877, 0x09A0, 256, 0},
    {"16F627", Flash16F627, 0x07A0, 128, 0},
    {"16F628", Flash16F627, 0x07C0, 128, 0},
    {"12C508", Eprom12, kNoDeviceId, 0, 0},
    {"12C509", Eprom12, kNoDeviceId, 0, 0},
    {"12C671", Eprom14, kNoDeviceId, 0, 0},
    {"12C672", Eprom14, kNoDeviceId, 0, 0},
    {"16C621A", Eprom14, kNoDeviceId, 0, 0},
    {"16C622A", Eprom14, kNoDeviceId, 0, 0},
    {"16C745", Eprom14, kNoDeviceId, 0, 0},
    {"16C505", Eprom12, kNoDeviceId, 0, 0},
    {"12F629", Flash12F629, 0x0F80, 128, 0},
    {"12F675", Flash12F629, 0x0FC0, 128, 0},
    {"16F872", Flash16F877, 0x08E0, 64, 0},
    {"16F73", Flash16F7x, 0x0600, 0, 0},
    {"16F74", Flash16F7x, 0x0620, 0, 0},
    {"16F76", Flash16F7x, 0x0640, 0, 0},
    {"16F77", Flash16F7x, 0x0660, 0, 0},
    {"16F873A", Flash16F877A, 0x0E40, 128, 0},
    {"16F874A", Flash16F877A, 0x0E60, 128, 0},
    {"16F876A", Flash16F877A, 0x0E00, 256, 0},
    {"16F877A", Flash16F877A, 0x0E20, 256, 0},
    {"16F818", Flash16F818, 0x04C0, 128, 0},
    {"16F819", Flash16F818, 0x04E0, 256, 0},
    {"16F648A", Flash16F628A, 0x1100, 256, 0},
    {"16F628A", Flash16F628A, 0x1060, 128, 0},
    {"16F627A", Flash16F628A, 0x1040, 128, 0},
    {"16F630", Flash12F629, 0x10C0, 128, 0},
    {"16F676", Flash12F629, 0x10E0, 128, 0},
    {"16C765", Eprom14, kNoDeviceId, 0, 0},
    {"18F242", Pic18Old, 0x0480, 256, 8},
    {"18F248", Pic18Old, 0x0800, 256, 8},
    {"18F252", Pic18Old, 0x0400, 256, 8},
    {"18F258", Pic18Old, 0x0840, 256, 8},
    {"18F442", Pic18Old, 0x04A0, 256, 8},
    {"18F448", Pic18Old, 0x0820, 256, 8},
    {"18F452", Pic18Old, 0x0420, 256, 8},
    {"18F458", Pic18Old, 0x0860, 256, 8},
    // The real 18F4680 has 1024 bytes of data EEPROM although the device table gives 256.
    {"18F4680", Pic18New, 0x0E80, 1024, 64},
    {"18F4550", Pic18New, 0x1200, 256, 32},
    {"18F2550", Pic18New, 0x1240, 256, 32},
    {"16F88", Flash16F88, 0x0760, 256, 0},
    {"16F87", Flash16F88, 0x0720, 256, 0},
}};
// clang-format on

// The facts are kept in the device table's order; a mismatch is a build error, not a surprise.
constexpr bool FactsFollowTheDeviceTable() {
    for (std::size_t i = 0; i < kDeviceCount; ++i) {
        if (kDevices[i].Name != DeviceTable[i].Name) {
            return false;
        }
        if (!IsPic18(DeviceTable[i]) && kDevices[i].EepromBytes != DeviceTable[i].EepromSize) {
            return false;
        }
    }
    return true;
}
static_assert(FactsFollowTheDeviceTable());

}  // namespace

bool IsPic18Family(TChipFamily family) {
    return family == Pic18Old || family == Pic18New;
}

const TSimDeviceFacts& SimDeviceFacts(std::uint8_t deviceIndex) {
    return kDevices.at(deviceIndex);
}

const TFamily14Profile& Family14Profile(TChipFamily family) {
    for (const TFamily14Profile& profile : kFamilies14) {
        if (profile.Family == family) {
            return profile;
        }
    }
    throw std::logic_error("no 12/14-bit profile for family " +
                           std::to_string(static_cast<int>(family)));
}

const TFamily18Profile& Family18Profile(TChipFamily family) {
    for (const TFamily18Profile& profile : kFamilies18) {
        if (profile.Family == family) {
            return profile;
        }
    }
    throw std::logic_error("no 18F profile for family " + std::to_string(static_cast<int>(family)));
}

std::uint16_t SimRevisionMask(std::uint8_t deviceIndex) {
    const TSimDeviceFacts& facts = SimDeviceFacts(deviceIndex);
    if (facts.DeviceId == kNoDeviceId) {
        return 0;
    }
    // DEVID1 holds the revision in its five low bits on every 18F part here.
    constexpr std::uint8_t kRevisionBits18 = 5;
    const std::uint8_t bits =
        IsPic18Family(facts.Family) ? kRevisionBits18 : Family14Profile(facts.Family).RevisionBits;
    return static_cast<std::uint16_t>((1u << bits) - 1u);
}

}  // namespace vantrel
