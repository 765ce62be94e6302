// Renders the screenshots of the README from the real window, with the simulated programmer:
// render-screenshots OUTPUT_DIR SAMPLE_HEX. Run it on the offscreen platform
// (scripts/render-screenshots.sh does).

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <iostream>

#include "app/hardware_form.h"
#include "app/help_window.h"
#include "app/vantrel_form.h"
#include "device/device_selection.h"

namespace {

using namespace vantrel;

void Settle() {
    for (int i = 0; i < 5; ++i) {
        QApplication::processEvents();
    }
}

bool Save(QWidget& widget, const QDir& directory, const char* name) {
    Settle();
    const QString path = directory.filePath(QString::fromLatin1(name));
    if (!widget.grab().save(path)) {
        std::cerr << "render-screenshots: cannot write " << path.toStdString() << "\n";
        return false;
    }
    std::cout << path.toStdString() << "\n";
    return true;
}

// Chooses a device as the user does, from the Processor list.
void ChooseDevice(TVantrelForm& form, const char* name) {
    auto* list = form.findChild<QComboBox*>(QStringLiteral("ProcessorType"));
    const int item = DeviceComboIndex(ParseDeviceName(name).value());
    list->setCurrentIndex(item);
    emit list->activated(item);
}

// Lets the status message of a command run out, as it does three seconds after it.
void WaitForStatusToClear() {
    QEventLoop loop;
    QTimer::singleShot(3200, &loop, &QEventLoop::quit);
    loop.exec();
}

void ShowPage(TVantrelForm& form, const char* page) {
    auto* notebook = form.findChild<QTabWidget*>(QStringLiteral("TabbedNotebook1"));
    notebook->setCurrentWidget(form.findChild<QWidget*>(QString::fromLatin1(page)));
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Vantrel"));
    if (argc != 3) {
        std::cerr << "usage: render-screenshots OUTPUT_DIR SAMPLE_HEX\n";
        return 2;
    }
    const QDir output(QString::fromLocal8Bit(argv[1]));
    const QString sample = QString::fromLocal8Bit(argv[2]);
    TVantrelSession session;
    session.Hardware.Driver = TPortDriver::Simulated;
    TVantrelForm form(session);
    form.show();

    bool saved = form.FileLoad(sample).Ok && Save(form, output, "main-16f84a.png");
    ShowPage(form, "HexPage");
    saved = saved && Save(form, output, "hex-file-page.png");
    form.DisassemblyClick();
    saved = saved && Save(form, output, "source-code-page.png");
    WaitForStatusToClear();

    ChooseDevice(form, "12F675");
    ShowPage(form, "BufferPage");
    saved = saved && Save(form, output, "main-12f675.png");
    ChooseDevice(form, "18F452");
    saved = saved && Save(form, output, "main-18f452.png");

    ChooseDevice(form, "16F84A");
    form.Contents1Click();
    auto* help = form.findChild<THelpWindow*>(QStringLiteral("HelpWindow"));
    if (help != nullptr) {
        help->OpenPage(QStringLiteral("getting-started.html"));
    }
    saved = saved && help != nullptr && Save(*help, output, "help-window.png");
    if (help != nullptr) {
        help->close();
    }

    // The hardware settings window, shown without its modal loop, as Custom and as one of the
    // presets that lock the wiring.
    THardwareForm& hardware = *form.HardwareForm();
    hardware.show();
    saved = saved && Save(hardware, output, "hardware-custom.png");
    hardware.findChild<QAction*>(QStringLiteral("P7406"))->trigger();
    saved = saved && Save(hardware, output, "hardware-p16pro40-7406.png");
    hardware.close();
    return saved ? 0 : 1;
}
