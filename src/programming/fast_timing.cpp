#include "programming/fast_timing.h"

#include "device/device_table.h"

namespace vantrel {

namespace {

using enum TTimingFamily;

// A chip time with the fifth that keeps a chip at the slow end of its range safe.
constexpr std::uint32_t WithMargin(std::uint32_t microseconds) {
    return microseconds + microseconds / 5;
}

// The waits of a family in TFastWait order.
constexpr std::array<std::uint32_t, kFastWaitCount> Times(std::uint32_t program, std::uint32_t data,
                                                          std::uint32_t config, std::uint32_t erase,
                                                          std::uint32_t discharge = 0,
                                                          std::uint32_t epromPulse = 0) {
    return {WithMargin(program), WithMargin(data),      WithMargin(config),
            WithMargin(erase),   WithMargin(discharge), WithMargin(epromPulse)};
}

// Where the notes give only the waits of other programmers, the time is the chip's own as far
// as they let it be judged, and the comment says so.
// clang-format off
constexpr TFastTimings kDefaultFastTimings{{
    // 0x08 erases and writes in 10 ms; the code-protect disable erase takes as long.
    {Eeprom16C84, "16C84", Times(10000, 10000, 10000, 10000)},
    // Tools wait 20 ms on these parts; the parts themselves are taken to finish in 10 ms like
    // the 16C84 they descend from.
    {Eeprom16F84, "16F83, 16F84", Times(10000, 10000, 10000, 10000)},
    // Erase 4 ms + write 4 ms per word; the code-protect disable erase at least 10 ms.
    {Eeprom16F84A, "16F84A", Times(8000, 8000, 8000, 10000)},
    // Erase 5 ms + write 8 ms per word; the code-protect disable erase 12 ms (tools wait 15-20).
    {Flash16F627, "16F627, 16F628", Times(13000, 13000, 13000, 12000)},
    // 4 + 4 ms per word; the 0x01, 0x07 erase 8 ms.
    {Flash16F877, "16F872..16F877", Times(8000, 8000, 8000, 8000)},
    // Program memory and data: 0x18 externally timed, at least 1 ms; ID and configuration
    // words: 0x08, internally timed, 10 ms; chip erase 10 ms.
    {Flash16F877A, "16F873A..16F877A", Times(1000, 1000, 10000, 10000)},
    // 0x08 externally timed, at least 1 ms; bulk erase 30 ms.
    {Flash16F7x, "16F73..16F77", Times(1000, 0, 1000, 30000)},
    // 0x08 and 0x18 externally timed, at least 1 ms; chip erase 8 ms.
    {Flash16F818, "16F818, 16F819", Times(1000, 1000, 1000, 8000)},
    // As the 16F818 with a 10 ms chip erase.
    {Flash16F88, "16F87, 16F88", Times(1000, 1000, 1000, 10000)},
    // 0x08 internally timed: 4 ms on program memory and the configuration area, 6 ms on data;
    // bulk erases 6 ms.
    {Flash16F628A, "16F627A, 16F628A, 16F648A", Times(4000, 6000, 4000, 6000)},
    // 0x08 internally timed: 3 ms program, 6 ms data; bulk erases 6 ms.
    {Flash12F629, "12F629, 12F675, 16F630, 16F676", Times(3000, 6000, 3000, 6000)},
    // Pulses of 100 us between the begin and the end command.
    {Eprom12, "12C508, 12C509, 16C505", Times(0, 0, 0, 0, 0, 100)},
    {Eprom14, "12C671..16C765", Times(0, 0, 0, 0, 0, 100)},
    // P9 1 ms for code, IDs and configuration; bulk erase P11 10 ms (5-10 in the notes); P10
    // 5 us.
    {Pic18Old, "18F242..18F458", Times(1000, 0, 1000, 10000, 5)},
    // P9 1 ms, P11 5 ms, P10 100 us.
    {Pic18New, "18F2550, 18F4550, 18F4680", Times(1000, 0, 1000, 5000, 100)},
}};
// clang-format on

constexpr bool InFamilyOrder() {
    for (std::size_t i = 0; i < kTimingFamilyCount; ++i) {
        if (static_cast<std::size_t>(kDefaultFastTimings[i].Family) != i) {
            return false;
        }
    }
    return true;
}
static_assert(InFamilyOrder());

struct TFastDevice {
    std::string_view Name;
    TTimingFamily Family;
    std::uint8_t WriteBufferBytes;  // 18F parts: what one write cycle programs
};

// clang-format off
constexpr std::array<TFastDevice, kDeviceCount> kFastDevices{{
    {"16C84", Eeprom16C84, 0},    {"16F83", Eeprom16F84, 0},    {"16F84", Eeprom16F84, 0},
    {"16F84A", Eeprom16F84A, 0},  {"16F873", Flash16F877, 0},   {"16F874", Flash16F877, 0},
    {"16F876", Flash16F877, 0},   {"16F877", Flash16F877, 0},   {"16F627", Flash16F627, 0},
    {"16F628", Flash16F627, 0},   {"12C508", Eprom12, 0},       {"12C509", Eprom12, 0},
    {"12C671", Eprom14, 0},       {"12C672", Eprom14, 0},       {"16C621A", Eprom14, 0},
    {"16C622A", Eprom14, 0},      {"16C745", Eprom14, 0},       {"16C505", Eprom12, 0},
    {"12F629", Flash12F629, 0},   {"12F675", Flash12F629, 0},   {"16F872", Flash16F877, 0},
    {"16F73", Flash16F7x, 0},     {"16F74", Flash16F7x, 0},     {"16F76", Flash16F7x, 0},
    {"16F77", Flash16F7x, 0},     {"16F873A", Flash16F877A, 0}, {"16F874A", Flash16F877A, 0},
    {"16F876A", Flash16F877A, 0}, {"16F877A", Flash16F877A, 0}, {"16F818", Flash16F818, 0},
    {"16F819", Flash16F818, 0},   {"16F648A", Flash16F628A, 0}, {"16F628A", Flash16F628A, 0},
    {"16F627A", Flash16F628A, 0}, {"16F630", Flash12F629, 0},   {"16F676", Flash12F629, 0},
    {"16C765", Eprom14, 0},       {"18F242", Pic18Old, 8},      {"18F248", Pic18Old, 8},
    {"18F252", Pic18Old, 8},      {"18F258", Pic18Old, 8},      {"18F442", Pic18Old, 8},
    {"18F448", Pic18Old, 8},      {"18F452", Pic18Old, 8},      {"18F458", Pic18Old, 8},
    {"18F4680", Pic18New, 64},    {"18F4550", Pic18New, 32},    {"18F2550", Pic18New, 32},
    {"16F88", Flash16F88, 0},     {"16F87", Flash16F88, 0},
}};
// clang-format on

// Kept in the device table's order; a device added there without a row here fails the build.
constexpr bool FollowsTheDeviceTable() {
    for (std::size_t i = 0; i < kDeviceCount; ++i) {
        if (kFastDevices[i].Name != DeviceTable[i].Name ||
            (kFastDevices[i].WriteBufferBytes != 0) != IsPic18(DeviceTable[i])) {
            return false;
        }
    }
    return true;
}
static_assert(FollowsTheDeviceTable());

}  // namespace

const TFastTimings& DefaultFastTimings() {
    return kDefaultFastTimings;
}

TTimingFamily TimingFamilyOf(std::uint8_t deviceIndex) {
    return kFastDevices.at(deviceIndex).Family;
}

std::size_t FastWriteBlockWords(std::uint8_t deviceIndex) {
    const std::uint8_t bytes = kFastDevices.at(deviceIndex).WriteBufferBytes;
    return bytes != 0 ? bytes / 2u
                      : static_cast<std::size_t>(DeviceTable.at(deviceIndex).WriteBlock);
}

}  // namespace vantrel
