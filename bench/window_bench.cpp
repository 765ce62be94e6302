// The window showing a full image: a whole 18F4680 HEX file (32768 program words) loaded and
// shown in the grids, as Open does it, and the grids refreshed from an image already loaded.
// Target: well under 50 ms for the load and show. Runs the real window on the offscreen
// platform.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QRandomGenerator>
#include <QTableView>
#include <QTemporaryDir>
#include <fstream>
#include <memory>

#include "app/vantrel_form.h"
#include "device/device_selection.h"
#include "hexfile/hex_writer.h"

namespace {

using namespace vantrel;

// A window on the simulated programmer with an 18F4680 selected, and a full HEX file for it.
struct TFullImageWindow {
    TFullImageWindow() {
        session.Hardware.Driver = TPortDriver::Simulated;
        form = std::make_unique<TVantrelForm>(session);
        form->show();
        const std::uint8_t device = ParseDeviceName("18F4680").value();
        session.Config.ChangeDevice(device);
        TDeviceImage image = session.Device.Image;
        QRandomGenerator random(4680);
        for (std::uint16_t& word : image.ProgramBuffer) {
            word = static_cast<std::uint16_t>(random.bounded(0x10000));
        }
        for (std::uint16_t& byte : image.DataBuffer) {
            byte = static_cast<std::uint16_t>(random.bounded(0x100));
        }
        path = directory.filePath(QStringLiteral("full-18f4680.hex"));
        std::ofstream file(path.toStdString());
        for (const std::string& line : BufferToHex(image, DeviceTable.at(device))) {
            file << line << "\n";
        }
        QApplication::processEvents();
    }

    // Paints what the grids show now, as the next frame would.
    void PaintGrids() {
        for (const char* name : {"StringGrid1", "StringGrid2", "StringGrid3", "StringGrid4"}) {
            auto* grid = form->findChild<QTableView*>(QString::fromLatin1(name));
            if (grid->isVisible()) {
                grid->viewport()->repaint();
            }
        }
    }

    QTemporaryDir directory;
    QString path;
    TVantrelSession session;
    std::unique_ptr<TVantrelForm> form;
};

TFullImageWindow& Window() {
    static TFullImageWindow window;
    return window;
}

void BM_LoadFull18F4680AndShowIt(benchmark::State& state) {
    TFullImageWindow& window = Window();
    for (auto _ : state) {
        const auto load = window.form->FileLoad(window.path);
        window.PaintGrids();
        benchmark::DoNotOptimize(load.Ok);
        if (!load.Ok) {
            state.SkipWithError("the file did not load");
            break;
        }
    }
}
BENCHMARK(BM_LoadFull18F4680AndShowIt)->Unit(benchmark::kMillisecond);

void BM_DisplayBufferFull18F4680(benchmark::State& state) {
    TFullImageWindow& window = Window();
    if (!window.form->FileLoad(window.path).Ok) {
        state.SkipWithError("the file did not load");
        return;
    }
    for (auto _ : state) {
        window.form->DisplayBuffer();
        window.PaintGrids();
    }
}
BENCHMARK(BM_DisplayBufferFull18F4680)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char* argv[]) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
