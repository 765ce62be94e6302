// Opening and saving the largest image the program handles: a full 18F4680 (32K program words)
// with its EEPROM, IDs and configuration.

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "device/device_selection.h"
#include "device/device_state.h"
#include "hexfile/hex_reader.h"
#include "hexfile/hex_writer.h"

namespace vantrel {
namespace {

class TSilentMessageBox final : public TMessageBox {
  public:
    void ShowMessage(std::string_view) override {}
};

TDeviceState Full18F4680() {
    TDeviceState state;
    state.CurrentDevice = FindDeviceByName("18F4680").value();
    ClearBuffers(state.Image, state.Device());
    // Every word differs from its neighbours and none is blank, so every record is full.
    for (std::size_t i = 0; i < state.Device().ProgramSize; ++i) {
        state.Image.ProgramBuffer[i] = static_cast<std::uint16_t>(i * 0x9E37u + 1) & 0x7FFF;
    }
    for (std::size_t i = 0; i < state.Device().EepromSize; ++i) {
        state.Image.DataBuffer[i] = static_cast<std::uint16_t>(i & 0x7E);
    }
    state.Image.IdBuffer = {1, 2, 3, 4, 5, 6, 7, 8};
    state.Image.Config18 = {0x22FF, 0x0E0C, 0x01FF, 0xFF81, 0xC00F, 0xE00F, 0x400F};
    return state;
}

void BM_LoadHexFull18F4680(benchmark::State& run) {
    TDeviceState state = Full18F4680();
    const std::vector<std::string> lines = BufferToHex(state.Image, state.Device());
    TSilentMessageBox messages;
    for (auto _ : run) {
        const THexLoadResult result = LoadHex(lines, state, {}, messages);
        benchmark::DoNotOptimize(result.ConfigFound);
        benchmark::DoNotOptimize(state.Image.ProgramBuffer.data());
    }
    run.SetItemsProcessed(run.iterations() * static_cast<std::int64_t>(lines.size()));
    run.counters["lines"] = static_cast<double>(lines.size());
}
BENCHMARK(BM_LoadHexFull18F4680)->Unit(benchmark::kMillisecond);

void BM_BufferToHexFull18F4680(benchmark::State& run) {
    TDeviceState state = Full18F4680();
    for (auto _ : run) {
        std::vector<std::string> lines = BufferToHex(state.Image, state.Device());
        benchmark::DoNotOptimize(lines.data());
    }
}
BENCHMARK(BM_BufferToHexFull18F4680)->Unit(benchmark::kMillisecond);

// Open then Save, as `vantrel-cli rehex` does.
void BM_LoadAndSaveFull18F4680(benchmark::State& run) {
    TDeviceState state = Full18F4680();
    const std::vector<std::string> lines = BufferToHex(state.Image, state.Device());
    TSilentMessageBox messages;
    for (auto _ : run) {
        const THexLoadResult result = LoadHex(lines, state, {}, messages);
        benchmark::DoNotOptimize(result.Ok);
        std::vector<std::string> saved = BufferToHex(state.Image, state.Device());
        benchmark::DoNotOptimize(saved.data());
    }
}
BENCHMARK(BM_LoadAndSaveFull18F4680)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vantrel
