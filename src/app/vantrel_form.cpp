// The main window's start-up and shutdown.

#include "app/vantrel_form.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QLabel>
#include <QMessageBox>
#include <QScrollArea>
#include <QStatusBar>
#include <QTimer>
#include <iostream>

#include "app/hardware_form.h"
#include "app/help_window.h"
#include "app/operation_runner.h"
#include "app/qt_text.h"
#include "app/source_editor.h"
#include "device/version.h"
#include "disasm/source_generator.h"
#include "hardware/port_detection.h"
#include "hardware/port_error.h"

namespace vantrel {

namespace {

// The device selected while the window is built, before the settings choose one.
constexpr std::uint8_t kCreationDevice = 6;

}  // namespace

TVantrelForm::TVantrelForm(TVantrelSession& session, const TFormOptions& options)
    : session_(session),
      options_(options),
      windowThread_(std::this_thread::get_id()),
      disassembler_(std::make_unique<TDisassembler>()) {
    runner_ = new TOperationRunner(*this, this);
    BuildWidgets();
    session_.Config.SetChangeHandler([this] { ConfigChanged(); });
    FormCreate();
}

TVantrelForm::~TVantrelForm() {
    FormDestroy();
}

void TVantrelForm::FormCreate() {
    SetCaption(QStringLiteral("(Untitled)"));
    fileName_.clear();
    modified_ = false;
    hintsShown_ = true;
    session_.Hardware.PellamOn = false;

    session_.Device.CurrentDevice = kCreationDevice;
    session_.Config.SetConfig();
    ClearBuffers(session_.Device.Image, session_.Device.Device());
    DisplayBuffer();

    ReadSettingsDefaults();

    // The programmer is opened once the settings say how it is reached.
    OpenProgrammer();
    if (connection_ && AutoDetect->isChecked()) {
        CheckPortClick();
    } else {
        ShowPortText();
    }
    // The outputs are off from the start, whatever the port held before.
    static_cast<void>(DrivePins([](TPinLayer& pins) { pins.SwitchOutputsOff(); }));
    StopButtonClick();

    ClearBuffers(session_.Device.Image, session_.Device.Device());
    DisplayBuffer();
    session_.Config.SetConfig();
    SyncOptionControls();

    ReopenSetup();
    StopWatching();
    // Reading the settings clicks fuse boxes as the user would: that is no edit.
    modified_ = false;
    // The size its controls need; not adjustSize(), which keeps a window within two thirds of
    // the screen and would clip it on a small one.
    normalSize_ = sizeHint();
    ApplyWindowSizeMode();
    ShowSettingsWarning();
}

void TVantrelForm::OpenProgrammer() {
    TConnectionOptions options;
    // Port detection tries every candidate address through the one connection.
    options.Scope = TPortScope::Candidates;
    options.SimulatedDevice = options_.CommandLineDevice.value_or(session_.Device.CurrentDevice);
    TProgrammerConnection::TOpened opened = TProgrammerConnection::Open(session_.Hardware, options);
    connection_ = std::move(opened.Connection);
    connectionErrors_ = std::move(opened.Errors);
    SimulatedLabel->setVisible(connection_ && connection_->Simulated());
    CheckPort->setEnabled(connection_ != nullptr);
    if (connection_) {
        return;
    }
    // The window works without a programmer: files, grids, fuses and disassembly need none.
    portInUse_ = false;
    QString reasons;
    for (const std::string& error : connectionErrors_) {
        reasons += (reasons.isEmpty() ? QString() : QStringLiteral("\n")) + ToQString(error);
    }
    PortName->setToolTip(reasons);
    if (!connectionErrors_.empty()) {
        // Shown once; the next hint replaces it. Help has the remedies too.
        Status->setText(QStringLiteral("No programmer: ") + ToQString(connectionErrors_.front()));
    }
}

// The port panel and the operation buttons without port detection: the port of the settings
// is taken as the one in use.
void TVantrelForm::ShowPortText() {
    if (!connection_) {
        PortName->setText(ToQString(kNoPortPanelText));
        SetOperationButtons(false, false, false, false);
        return;
    }
    portInUse_ = true;
    PortName->setText(
        ToQString(PortPanelText(session_.Hardware.PortBase, session_.Hardware.PellamOn)));
    SetOperationButtons(true, true, true, true);
}

void TVantrelForm::FormDestroy() {
    // A running operation is stopped (its guard switches the programmer off) and awaited
    // before anything else goes.
    delete runner_;
    runner_ = nullptr;
    // The session outlives the window: its model must not call back into it.
    session_.Config.SetChangeHandler(nullptr);
    Timer1->stop();
    Timer2->stop();
    FileTimer->stop();
    // Whatever goes wrong below, the programmer is switched off at the end.
    try {
        ResetDisassembler(*disassembler_);
        RunButtonClick();
        WriteSettings();
    } catch (const std::exception& e) {
        std::cerr << "vantrel: " << e.what() << "\n";
    }
    if (connection_) {
        const TProgrammerConnection::TCloseReport report = connection_->Close();
        for (const std::string* text : {&report.SwitchOffFailure, &report.KeepFailure}) {
            if (!text->empty()) {
                std::cerr << "vantrel: " << *text << "\n";
            }
        }
        connection_.reset();
    }
    // The controls go while the window is whole: a grid cell still being edited hands its text
    // to the image as its editor closes, and the image it shows is a member of this window.
    delete ScrollBox;
    ScrollBox = nullptr;
}

void TVantrelForm::closeEvent(QCloseEvent* event) {
    if (OperationRunning()) {
        event->ignore();
        const bool cancel =
            closeWithoutAsking_ ||
            QMessageBox::question(this, QStringLiteral("PIC Programmer"),
                                  QStringLiteral("A chip operation is running.\nCancel it and "
                                                 "close the program?"),
                                  QMessageBox::Yes | QMessageBox::No,
                                  QMessageBox::No) == QMessageBox::Yes;
        if (cancel && OperationRunning()) {
            // The window closes once the programmer is off.
            closeAfterOperation_ = true;
            CancelOperation();
        }
        return;
    }
    // A program told to end from outside cannot wait for an answer.
    if (!closeWithoutAsking_ && modified_ && !QuerySave()) {
        event->ignore();
        return;
    }
    if (help_ != nullptr) {
        help_->close();
    }
    // An open hardware settings window goes too, and with it what its switches turned on.
    if (hardwareForm_ != nullptr && hardwareForm_->isVisible()) {
        hardwareForm_->reject();
    }
    event->accept();
}

void TVantrelForm::CloseWithoutAsking() {
    closeWithoutAsking_ = true;
    close();
}

void TVantrelForm::Exit1Click() {
    close();
}

void TVantrelForm::SetCaption(const QString& suffix) {
    setWindowTitle(QStringLiteral("Vantrel ") + QString::fromLatin1(kVantrelVersion) +
                   QStringLiteral(" - ") + suffix);
}

}  // namespace vantrel
