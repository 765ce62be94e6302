// vantrel: the window. See `vantrel --help`.

#include <QApplication>
#include <QScreen>
#include <QTimer>
#include <filesystem>
#include <iostream>
#include <memory>

#include "app/app_command_line.h"
#include "app/settings_store_qt.h"
#include "app/signal_closer.h"
#include "app/splash_form.h"
#include "app/vantrel_form.h"
#include "device/device_selection.h"
#include "device/version.h"

namespace {

using namespace vantrel;

// What the command line asks that can be refused before any window appears: bad usage, an
// unknown device, a file that does not exist. Nothing has been touched then.
std::optional<int> RefuseBeforeStart(const TAppCommandLine& commandLine,
                                     std::optional<std::uint8_t>& device) {
    if (!commandLine.Error.empty()) {
        std::cerr << "vantrel: " << commandLine.Error << "\nTry 'vantrel --help'.\n";
        return kAppExitBadInput;
    }
    if (commandLine.Help) {
        std::cout << AppUsage();
        return kAppExitSuccess;
    }
    if (commandLine.Version) {
        std::cout << AppVersionText() << "\n";
        return kAppExitSuccess;
    }
    if (commandLine.DeviceName) {
        device = ParseDeviceName(*commandLine.DeviceName);
        if (!device) {
            // Alone, the argument may have been meant as a file to open.
            std::cerr << "vantrel: unknown device '" << *commandLine.DeviceName
                      << "' (spell it as the device list does, e.g. 16F84A or PIC16F84A)"
                      << (commandLine.FilePath ? "" : ", and no file of that name") << "\n";
            return kAppExitBadInput;
        }
    }
    if (commandLine.FilePath) {
        std::error_code error;
        if (!std::filesystem::is_regular_file(*commandLine.FilePath, error)) {
            std::cerr << "vantrel: " << *commandLine.FilePath << ": no such file\n";
            return kAppExitBadInput;
        }
    }
    return std::nullopt;
}

void Centre(QWidget& window) {
    if (const QScreen* screen = window.screen()) {
        window.move(screen->availableGeometry().center() - window.rect().center());
    }
}

}  // namespace

int main(int argc, char* argv[]) {
    const TAppCommandLine commandLine =
        ParseAppCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    std::optional<std::uint8_t> device;
    if (const std::optional<int> refused = RefuseBeforeStart(commandLine, device)) {
        return *refused;
    }

    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("vantrel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Vantrel"));
    QApplication::setApplicationVersion(QString::fromLatin1(kVantrelVersion));

    std::unique_ptr<TSplashForm> splash;
    if (!commandLine.Unattended()) {
        splash = std::make_unique<TSplashForm>();
        splash->show();
        splash->repaint();
        QApplication::processEvents();
    }

    TVantrelSession session;
    ApplyProgrammerOptions(commandLine, session.Hardware);
    TQtSettingsStore settings;
    TFormOptions options;
    options.CommandLineDevice = device;
    options.Settings = &settings;
    options.StartOptions = [&commandLine](TVantrelSession& started) {
        ApplyProgrammerOptions(commandLine, started.Hardware);
    };
    options.KeysNotWritten = CommandLineSettingsKeys(commandLine);
    TVantrelForm form(session, options);
    Centre(form);
    const TSignalCloser closer([&form] {
        if (form.isVisible()) {
            form.CloseWithoutAsking();
        } else if (!form.OperationRunning()) {
            QApplication::quit();
        }
    });

    if (!commandLine.Unattended()) {
        QTimer::singleShot(TSplashForm::kShowMs, &form, [&form, &splash, &commandLine] {
            splash.reset();
            form.show();
            if (commandLine.OpenPath) {
                form.OpenWith(QString::fromStdString(*commandLine.OpenPath));
            }
        });
        return QApplication::exec();
    }

    if (const std::optional<int> ended = form.StartCommandLineRun(*device, commandLine.FilePath)) {
        return *ended;
    }
    int status = kAppExitOperationFailed;
    QObject::connect(&form, &TVantrelForm::CommandLineRunFinished, &form, [&](int finished) {
        status = finished;
        form.close();
    });
    form.showMinimized();
    const int loopStatus = QApplication::exec();
    return commandLine.FilePath ? status : loopStatus;
}
