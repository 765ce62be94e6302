// A full 18F4680 Write (erase, 32768 program words, the data EEPROM, IDs and configuration,
// with the verify passes "Auto-Verify" adds) followed by a Verify, through the programmer's own
// routines and the simulated board. Reports the wall time it took, the virtual time the chip
// saw, and how that virtual time compares with the sum of the waits the routines ask for: the
// rest is the port accesses of the bit-banged protocol.
//
// Then the two timings side by side: a full-memory Write and Verify of six devices in the
// standard and the fast timing. For each, the time the chip saw and its ratio to the physical
// limit: the least waiting the simulated chip required for the cycles of the fast Write (the
// fewest that write the image) plus three port accesses of 1 us per clock.

#include <benchmark/benchmark.h>

#include <chrono>
#include <ostream>
#include <stdexcept>
#include <streambuf>

#include "device/device_selection.h"
#include "hardware/pin_layer.h"
#include "hardware/port_trace.h"
#include "programming/programmer.h"
#include "sim/simulated_board.h"

namespace {

using namespace vantrel;

// A user interface nobody watches; the questions a Write of an 18F part does not ask.
class TSilentUi final : public TProgrammingUi {
  public:
    void SetStatus(std::string_view) override {}
    void ShowMessage(std::string_view text) override {
        throw std::runtime_error(std::string(text));
    }
    bool AskYesNo(std::string_view) override { return true; }
    TAnswer AskYesNoCancel(std::string_view) override { return TAnswer::Yes; }
};

// Adds up the "D n" lines of a port trace: the waits the routines ask for. The trace hands over
// one whole line per write.
class TWaitSum final : public std::streambuf {
  public:
    std::uint64_t Milliseconds = 0;

  protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        if (count > 2 && text[0] == 'D') {
            std::uint64_t ms = 0;
            for (std::streamsize i = 2; i < count && text[i] >= '0' && text[i] <= '9'; ++i) {
                ms = ms * 10 + static_cast<std::uint64_t>(text[i] - '0');
            }
            Milliseconds += ms;
        }
        return count;
    }
    int_type overflow(int_type ch) override { return ch; }
};

void FillImage(TVantrelSession& session) {
    TDeviceImage& image = session.Device.Image;
    const TPicDevice& device = session.Device.Device();
    for (std::size_t i = 0; i < device.ProgramSize; ++i) {
        image.ProgramBuffer[i] = static_cast<std::uint16_t>(i * 0x9E37 + 0x1234) & 0x7FFE;
    }
    for (std::size_t i = 0; i < device.EepromSize; ++i) {
        image.DataBuffer[i] = static_cast<std::uint16_t>(i * 7 + 1) & 0x7F;
    }
    for (std::size_t i = 0; i < 8; ++i) {
        image.IdBuffer[i] = static_cast<std::uint16_t>(0x10 + i);
    }
    image.Config18[1] = 0xFEFF;  // watchdog off
}

constexpr std::uint64_t kLimitMicrosecondsPerClock = 3;  // three port accesses of 1 us
constexpr std::uint16_t kOscillatorXt = 0x0001;

// Every program word, every data byte, the IDs and a configuration that protects nothing and
// runs an external oscillator. The calibration word stays the chip's.
void FillEveryCell(TVantrelSession& session) {
    const TPicDevice& device = session.Device.Device();
    TDeviceImage& image = session.Device.Image;
    if (IsPic18(device)) {
        FillImage(session);
        return;
    }
    for (std::size_t i = 0; i < device.ProgramSize; ++i) {
        if (!HasCalibrationWord(device) || i != device.CalibrationAddress) {
            image.ProgramBuffer[i] =
                static_cast<std::uint16_t>((i * 0x9E37 + 0x1234) & 0x7FFE & device.BlankWord);
        }
    }
    for (std::size_t i = 0; i < device.EepromSize; ++i) {
        image.DataBuffer[i] = static_cast<std::uint16_t>((i * 7 + 1) & 0x7F);
    }
    for (std::size_t i = 0; i < 4; ++i) {
        image.IdBuffer[i] = static_cast<std::uint16_t>(0x10 + i);
    }
    auto config = static_cast<std::uint16_t>(device.ConfigMask & ~(0x0003u | device.Fosc2Mask));
    config |= kOscillatorXt;
    if (!device.WdtFuse.Inverted) {
        config = static_cast<std::uint16_t>(config & ~device.WdtFuse.Mask);
    }
    image.ConfigWord1 = static_cast<std::uint16_t>(config & device.ConfigMask);
    session.Config.UpdateConfig();
}

struct TRun {
    double WallSeconds = 0;
    double VirtualSeconds = 0;  // the time the chip saw
    double WaitSeconds = 0;
    std::uint64_t RequiredWaitMicroseconds = 0;
    std::uint64_t Clocks = 0;
};

// A Write and a Verify of a fresh chip of `name` in `timing`. With `waits`, every DelayMs is
// added up there too.
TRun WriteAndVerify(std::string_view name, TTimingProfile timing, TWaitSum* waits = nullptr) {
    const std::uint8_t device = FindDeviceByName(name).value();
    TVirtualClock clock;
    TSimulatedBoard board(clock);
    board.InsertChip(device);
    THardwareSettings settings;
    settings.Timing = timing;
    std::ostream waitStream(waits);
    TPortTrace trace(waitStream);
    TPinLayer pins(settings, board, clock, waits != nullptr ? &trace : nullptr);
    TVantrelSession session;
    session.Config.ChangeDevice(device);
    session.Hardware = settings;
    FillEveryCell(session);
    TSilentUi ui;
    TProgrammer programmer(session, pins, ui);

    const auto start = std::chrono::steady_clock::now();
    programmer.WritePIC(true);
    programmer.VerifyPIC();
    const auto end = std::chrono::steady_clock::now();
    if (!programmer.OperationOk || !board.Violations().Empty()) {
        throw std::runtime_error("the simulated " + std::string(name) +
                                 " did not take the image: " + board.Violations().Describe());
    }
    TRun run;
    run.WallSeconds = std::chrono::duration<double>(end - start).count();
    run.VirtualSeconds = static_cast<double>(clock.NowMicroseconds()) / 1e6;
    run.WaitSeconds = waits != nullptr ? static_cast<double>(waits->Milliseconds) / 1e3 : 0;
    run.RequiredWaitMicroseconds = board.Chip()->RequiredWaitMicroseconds();
    run.Clocks = board.ClockPulses();
    return run;
}

void BM_Pic18FullWriteAndVerify(benchmark::State& state) {
    TRun total;
    for (auto _ : state) {
        const TRun run = WriteAndVerify("18F4680", TTimingProfile::Standard);
        total.WallSeconds += run.WallSeconds;
        total.VirtualSeconds += run.VirtualSeconds;
    }
    // The waits are counted in a run of their own, so counting them costs the timed runs
    // nothing; the routines ask for the same waits every time.
    TWaitSum waits;
    const TRun counted = WriteAndVerify("18F4680", TTimingProfile::Standard, &waits);
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["wall_s"] = total.WallSeconds / iterations;
    state.counters["virtual_s"] = total.VirtualSeconds / iterations;
    state.counters["mandated_waits_s"] = counted.WaitSeconds;
    state.counters["virtual_per_waits"] = counted.VirtualSeconds / counted.WaitSeconds;
}
BENCHMARK(BM_Pic18FullWriteAndVerify)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_FullWriteAndVerify(benchmark::State& state, std::string_view device,
                           TTimingProfile timing) {
    TRun run;
    try {
        for (auto _ : state) {
            run = WriteAndVerify(device, timing);
        }
        const TRun fast =
            timing == TTimingProfile::Fast ? run : WriteAndVerify(device, TTimingProfile::Fast);
        const double limitSeconds = static_cast<double>(fast.RequiredWaitMicroseconds +
                                                        kLimitMicrosecondsPerClock * fast.Clocks) /
                                    1e6;
        state.counters["chip_s"] = run.VirtualSeconds;
        state.counters["limit_s"] = limitSeconds;
        state.counters["ratio"] = run.VirtualSeconds / limitSeconds;
        state.counters["wall_s"] = run.WallSeconds;
    } catch (const std::exception& e) {
        state.SkipWithError(e.what());
    }
}

const bool kTimingBenchmarksRegistered = [] {
    for (const std::string_view device :
         {"12F675", "16F84A", "16F877", "16F877A", "16F88", "18F4680"}) {
        for (const TTimingProfile timing : {TTimingProfile::Standard, TTimingProfile::Fast}) {
            const std::string name = "BM_FullWriteAndVerify/" + std::string(device) + "/" +
                                     std::string(TimingProfileName(timing));
            benchmark::RegisterBenchmark(name.c_str(), BM_FullWriteAndVerify, device, timing)
                ->Unit(benchmark::kMillisecond)
                ->Iterations(1);
        }
    }
    return true;
}();

}  // namespace
