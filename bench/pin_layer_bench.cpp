// What the pin layer itself adds to each port access. A real parallel-port access takes about
// a microsecond; the back-end here only counts, so the time per access shown is the software's
// own share: the wiring lookup, the read-modify-write and the virtual call.
#include <benchmark/benchmark.h>

#include "hardware/pin_layer.h"
#include "hardware/serial_protocol.h"

namespace vantrel {
namespace {

class TCountingPort final : public TPortAccess {
  public:
    std::uint8_t DlPortReadPortUchar(std::uint32_t port) override {
        ++Accesses;
        return static_cast<std::uint8_t>(port);
    }
    void DlPortWritePortUchar(std::uint32_t, std::uint8_t value) override {
        ++Accesses;
        benchmark::DoNotOptimize(value);
    }
    std::uint64_t Accesses = 0;
};

template <typename Work>
void MeasurePerAccess(benchmark::State& state, Work work) {
    THardwareSettings settings;
    TCountingPort port;
    TVirtualClock clock;
    TPinLayer pins(settings, port, clock);
    for (auto _ : state) {
        work(pins);
    }
    state.counters["per_access"] =
        benchmark::Counter(static_cast<double>(port.Accesses),
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_ClockBit(benchmark::State& state) {
    bool bit = false;
    MeasurePerAccess(state, [&](TPinLayer& pins) {
        pins.ClockBit(bit);
        bit = !bit;
    });
}
BENCHMARK(BM_ClockBit);

void BM_CommandAndDataFrame(benchmark::State& state) {
    std::uint16_t word = 0;
    MeasurePerAccess(state, [&](TPinLayer& pins) {
        SendCommand(pins, kCommandLoadDataProgram);
        LoadData(pins, word++);
    });
}
BENCHMARK(BM_CommandAndDataFrame);

void BM_ReadDataFrame(benchmark::State& state) {
    MeasurePerAccess(state, [](TPinLayer& pins) { benchmark::DoNotOptimize(ReadData(pins)); });
}
BENCHMARK(BM_ReadDataFrame);

}  // namespace
}  // namespace vantrel
