// How much faster than a real programmer the simulated one runs: a whole 18F4680 (64 KB of
// program memory) erased, written a 64-byte row at a time and read back byte by byte through
// the simulated board's port registers, with a bit-level host written from the chip notes.
// Reports the virtual time the chip saw against the wall time it took.

#include <benchmark/benchmark.h>

#include <chrono>
#include <stdexcept>

#include "../tests/sim/pic18_host.h"
#include "device/device_selection.h"
#include "sim/simulated_board.h"

namespace {

using vantrel::test::TPic18Programmer;

constexpr vantrel::test::TPic18Recipe kLater64{true, 64, 6000, 100};

void BM_Pic18FullWriteAndRead(benchmark::State& state) {
    const std::uint8_t device = vantrel::FindDeviceByName("18F4680").value();
    const std::uint32_t bytes = vantrel::DeviceTable[device].ProgramSize * 2u;
    std::vector<std::uint8_t> image(bytes);
    for (std::uint32_t i = 0; i < bytes; ++i) {
        image[i] = static_cast<std::uint8_t>(i * 13 + (i >> 8));
    }
    double virtualSeconds = 0;
    double wallSeconds = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        vantrel::TVirtualClock clock;
        vantrel::TSimulatedBoard board(clock);
        board.InsertChip(device);
        vantrel::test::TIcspHost host(board, clock);
        host.UseVpp40(true);
        TPic18Programmer programmer(host, kLater64);
        programmer.Enter();
        programmer.ChipErase();
        programmer.WriteRows(0, image);
        programmer.Exit();
        programmer.Enter();
        const std::vector<std::uint8_t> read = programmer.ReadBytes(0, bytes);
        programmer.Exit();
        if (read != image || !board.Violations().Empty()) {
            throw std::runtime_error("the simulated 18F4680 did not keep the image");
        }
        wallSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        virtualSeconds += static_cast<double>(clock.NowMicroseconds()) / 1e6;
        benchmark::DoNotOptimize(read.data());
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["virtual_s"] = virtualSeconds / iterations;
    state.counters["wall_s"] = wallSeconds / iterations;
    state.counters["virtual_per_wall"] = virtualSeconds / wallSeconds;
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * bytes * 2);
}
BENCHMARK(BM_Pic18FullWriteAndRead)->Unit(benchmark::kMillisecond)->Iterations(2);

// One port access through the board with a chip in programming mode: the unit everything else
// is made of.
void BM_PortAccess(benchmark::State& state) {
    vantrel::TVirtualClock clock;
    vantrel::TSimulatedBoard board(clock);
    board.InsertChip(vantrel::FindDeviceByName("16F84A").value());
    vantrel::test::TIcspHost host(board, clock);
    host.EnterVddFirst();
    std::uint8_t value = board.DlPortReadPortUchar(vantrel::kDefaultPortBase);
    for (auto _ : state) {
        value ^= 0x02;  // the clock line: every write is an edge the chip decodes
        board.DlPortWritePortUchar(vantrel::kDefaultPortBase, value);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PortAccess);

}  // namespace
