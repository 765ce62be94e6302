#include <benchmark/benchmark.h>

#include <cstdint>

#include "device/device_selection.h"
#include "device/device_state.h"
#include "disasm/source_generator.h"

namespace vantrel {
namespace {

// A 16F877 with all 8K program words in use (every opcode pattern comes up, calls and jumps
// to everywhere, all four banks), the IDs and the whole data EEPROM.
TDeviceState Full16F877() {
    TDeviceState state;
    state.CurrentDevice = FindDeviceByName("16F877").value();
    ClearBuffers(state.Image, state.Device());
    std::uint32_t seed = 12345;
    for (std::size_t a = 0; a < state.Device().ProgramSize; ++a) {
        seed = seed * 1664525u + 1013904223u;  // a fixed sequence, the same on every run
        state.Image.ProgramBuffer[a] = static_cast<std::uint16_t>((seed >> 16) % 0x3FFF);
    }
    for (std::size_t i = 0; i < state.Device().EepromSize; ++i) {
        state.Image.DataBuffer[i] = static_cast<std::uint16_t>(i);
    }
    state.Image.IdBuffer = {1, 2, 3, 4, 0x7F, 0x7F, 0x7F, 0x7F};
    return state;
}

void BM_GenerateSourceFull16F877(benchmark::State& bench) {
    TDeviceState state = Full16F877();
    TDisassembler disassembler;
    for (auto _ : bench) {
        const std::vector<std::string>& lines =
            GenerateSource(disassembler, state.Image, state.Device());
        benchmark::DoNotOptimize(lines.data());
    }
    bench.SetItemsProcessed(bench.iterations() * state.Device().ProgramSize);
}
BENCHMARK(BM_GenerateSourceFull16F877)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace vantrel
