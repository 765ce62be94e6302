// The fast timing against the simulated chips: every operation on every device works with no
// violation and no EPROM cell short of its over-programming, and each of the fast timing's
// times is as short as it may be: a fifth less and a chip notices.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "programming/simulated_bench.h"

namespace vantrel {
namespace {

using test::AllDevices;
using test::Describe;
using test::FillTestImage;
using test::TBench;

class FastEndToEndTest : public testing::TestWithParam<std::uint8_t> {};

TEST_P(FastEndToEndTest, WriteVerifyReadAndEraseAgreeWithTheChip) {
    TBench bench(GetParam(), TTimingProfile::Fast);
    test::ExpectEveryOperationAgreesWithTheChip(bench);
    EXPECT_THAT(bench.Board.Chip()->UnderProgrammedCells(), testing::IsEmpty());
}

INSTANTIATE_TEST_SUITE_P(EveryDevice, FastEndToEndTest, testing::ValuesIn(AllDevices()),
                         [](const testing::TestParamInfo<std::uint8_t>& info) {
                             return "PIC" + std::string(DeviceTable.at(info.param).Name);
                         });

// The first device of each family, for the times that family's row holds.
std::uint8_t FirstDeviceOf(TTimingFamily family) {
    for (std::uint8_t i = 0; i < kDeviceCount; ++i) {
        if (TimingFamilyOf(i) == family) {
            return i;
        }
    }
    throw std::invalid_argument("no device of family " + std::to_string(int(family)));
}

struct TShortenedTime {
    TTimingFamily Family;
    TFastWait Wait;
};

std::string Name(TFastWait wait) {
    static constexpr std::array<std::string_view, kFastWaitCount> kNames{
        "ProgramCycle", "DataCycle", "ConfigCycle", "Erase", "Discharge", "EpromPulse"};
    return std::string(kNames[static_cast<std::size_t>(wait)]);
}

std::vector<TShortenedTime> EveryFastTime() {
    std::vector<TShortenedTime> times;
    for (const TFastFamilyTiming& family : DefaultFastTimings()) {
        for (std::size_t wait = 0; wait < kFastWaitCount; ++wait) {
            if (family.Microseconds[wait] != 0) {
                times.push_back({family.Family, static_cast<TFastWait>(wait)});
            }
        }
    }
    return times;
}

// A port access takes a microsecond and comes between a wait and the edge the chip measures, so
// a time of a few microseconds cannot be cut by a fifth: the older 18F parts' 5 us clock low
// after programming is held by the accesses themselves.
constexpr std::uint32_t kShortestShortenable = 10;

class FastTimeMarginTest : public testing::TestWithParam<TShortenedTime> {};

TEST_P(FastTimeMarginTest, AFifthLessAndTheChipNotices) {
    const TShortenedTime& shortened = GetParam();
    TFastTimings timings = DefaultFastTimings();
    std::uint32_t& time = timings[static_cast<std::size_t>(shortened.Family)]
                              .Microseconds[static_cast<std::size_t>(shortened.Wait)];
    if (time < kShortestShortenable) {
        GTEST_SKIP() << time << " us is held by the port accesses around it";
    }
    time = time * 4 / 5;
    TBench bench(FirstDeviceOf(shortened.Family), TTimingProfile::Fast, timings);
    FillTestImage(bench);
    bench.Programmer.WritePIC(true);
    const bool noticed = !bench.Board.Violations().Empty() || !bench.Programmer.OperationOk;
    EXPECT_TRUE(noticed) << bench.Device().Name << ": " << Name(shortened.Wait) << " of " << time
                         << " us went through";
    // At its full length the same Write passes (FastEndToEndTest), so the time is what failed.
}

INSTANTIATE_TEST_SUITE_P(EveryTime, FastTimeMarginTest, testing::ValuesIn(EveryFastTime()),
                         [](const testing::TestParamInfo<TShortenedTime>& info) {
                             return "PIC" +
                                    std::string(
                                        DeviceTable[FirstDeviceOf(info.param.Family)].Name) +
                                    "_" + Name(info.param.Wait);
                         });

}  // namespace
}  // namespace vantrel
