// The chip operations on the worker thread, the window's side of what they tell the user, port
// detection and target run control.

#include <QCheckBox>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QTabWidget>
#include <QTimer>
#include <QToolBar>
#include <iostream>

#include "app/app_command_line.h"
#include "app/operation_runner.h"
#include "app/qt_text.h"
#include "app/vantrel_form.h"
#include "disasm/source_generator.h"
#include "hardware/port_detection.h"
#include "hardware/programmer_presets.h"
#include "hexfile/hex_writer.h"
#include "sim/simulated_board.h"

namespace vantrel {

namespace {

constexpr const char* kMessageTitle = "PIC Programmer";
constexpr std::uint32_t kResetPulseMs = 50;

int ExitStatusOf(const TOperationResult& result) {
    switch (result.Outcome) {
        case TOperationOutcome::Succeeded:
            return kAppExitSuccess;
        case TOperationOutcome::NoProgrammer:
            return kAppExitNoProgrammer;
        case TOperationOutcome::Failed:
        case TOperationOutcome::Declined:
        case TOperationOutcome::Cancelled:
            break;
    }
    return kAppExitOperationFailed;
}

}  // namespace

// Port detection writes the port panel and the operation buttons through this.
class TVantrelForm::TPortPanelView final : public TPortStatusView {
  public:
    explicit TPortPanelView(TVantrelForm& form) : form_(form) {}
    void ShowPortName(std::string_view text) override { form_.PortName->setText(ToQString(text)); }
    void EnableOperations(const TOperationButtons& buttons) override {
        form_.SetOperationButtons(buttons.Read, buttons.Write, buttons.Verify, buttons.Erase);
    }

  private:
    TVantrelForm& form_;
};

bool TVantrelForm::OperationRunning() const {
    return runner_ != nullptr && runner_->Running();
}

void TVantrelForm::WriteButtonClick() {
    StartChipOperation(TChipOperation::Write);
}

void TVantrelForm::ReadPIC1Click() {
    StartChipOperation(TChipOperation::Read);
}

void TVantrelForm::VerifyButtonClick() {
    StartChipOperation(TChipOperation::Verify);
}

void TVantrelForm::EraseButtonClick() {
    StartChipOperation(TChipOperation::Erase);
}

void TVantrelForm::CancelOperation() {
    if (OperationRunning()) {
        Status->setText(QStringLiteral("Cancelling..."));
        runner_->Cancel();
    }
}

void TVantrelForm::StartChipOperation(TChipOperation operation) {
    if (OperationRunning() || !connection_) {
        return;
    }
    DontShowHint();
    Timer1->stop();
    // No timer acts while the chip is worked on; the file poll resumes afterwards.
    fileTimerWasActive_ = FileTimer->isActive();
    FileTimer->stop();
    EnterOperationState(true);
    runner_->Start(*connection_, session_, operation,
                   [this](TChipOperation ended, const TOperationResult& result) {
                       ChipOperationEnded(ended, result);
                   });
}

// While an operation runs the window takes no input but Cancel (the button and Esc).
void TVantrelForm::EnterOperationState(bool running) {
    ScrollBox->setEnabled(!running);
    menuBar()->setEnabled(!running);
    ToolBar->setEnabled(!running);
    OperationProgress->setVisible(running);
    OperationProgress->reset();
    CancelButton->setVisible(running);
    if (running) {
        CancelButton->setFocus();
    }
}

void TVantrelForm::ChipOperationEnded(TChipOperation operation, const TOperationResult& result) {
    EnterOperationState(false);
    // The image and the fuse model are the window's again.
    DisplayBuffer();
    SyncConfigControls();
    SyncOptionControls();
    bool keepFailed = false;
    if (result.Outcome == TOperationOutcome::Cancelled) {
        ForgetCyclesCutByCancel();
    }
    ReportSimulatedChip(keepFailed);
    if (result.Outcome == TOperationOutcome::Cancelled) {
        Status->setText(QStringLiteral("Operation cancelled"));
    } else if (!result.FailureShown && !result.Failure.empty()) {
        ReportFailure(result.Failure);
    }
    Timer1->start();
    const bool resumePoll = operation == TChipOperation::Write
                                ? session_.Options.AutoUpdate
                                : operation != TChipOperation::Read && fileTimerWasActive_;
    if (resumePoll) {
        FileTimer->start();
    }
    if (unattended_ && operation == TChipOperation::Write) {
        int status = ExitStatusOf(result);
        if (keepFailed && status == kAppExitSuccess) {
            status = kAppExitOperationFailed;
        }
        emit CommandLineRunFinished(status);
    }
    emit ChipOperationFinished();
    if (closeAfterOperation_) {
        closeAfterOperation_ = false;
        close();
    }
}

// The simulated chip is kept in its file after every operation, and what it saw that a real
// chip would not take is shown: the user tried a wiring or a timing that fails on hardware.
void TVantrelForm::ReportSimulatedChip(bool& keepFailed) {
    if (!connection_ || !connection_->Simulated()) {
        return;
    }
    if (const std::string kept = connection_->KeepSimulatedChip(); !kept.empty()) {
        keepFailed = true;
        ReportFailure(kept);
    }
    if (const std::string violations = connection_->TakeViolations(); !violations.empty()) {
        ReportFailure(violations);
    }
}

// A Cancel switches the programmer off at once, also in the middle of a programming cycle: a
// chip cut off there is what the user asked for, not a fault of the wiring or the timing. When
// that is all the simulated chip saw, it is not reported.
void TVantrelForm::ForgetCyclesCutByCancel() {
    TSimulatedBoard* board = connection_ ? connection_->Board() : nullptr;
    if (board == nullptr) {
        return;
    }
    TSimViolationLog& log = board->Violations();
    if (log.Count() == log.Count(TSimViolationKind::ExitDuringCycle)) {
        log.Clear();
    }
}

// A failure the user has not seen yet: a message box, or standard error in the unattended run,
// where nobody may be there to click it away.
void TVantrelForm::ReportFailure(const std::string& text) {
    if (unattended_) {
        std::cerr << "vantrel: " << text << (text.ends_with('\n') ? "" : "\n");
        return;
    }
    ShowMessage(text);
}

void TVantrelForm::SetOperationButtons(bool read, bool write, bool verify, bool erase) {
    // Without a programmer there is nothing to operate on.
    const bool open = connection_ != nullptr;
    ReadButton->setEnabled(open && read);
    WriteButton->setEnabled(open && write);
    VerifyButton->setEnabled(open && verify);
    EraseButton->setEnabled(open && erase && !IsEprom(session_.Device.Device()));
}

bool TVantrelForm::DrivePins(const std::function<void(TPinLayer&)>& action) {
    if (!connection_ || OperationRunning()) {
        return false;
    }
    try {
        action(connection_->Pins());
        return true;
    } catch (const std::exception& e) {
        ReportFailure(e.what());
        return false;
    }
}

void TVantrelForm::CheckPortClick() {
    if (!connection_ || OperationRunning()) {
        return;
    }
    TPortPanelView view(*this);
    std::optional<std::uint16_t> found;
    if (!DrivePins(
            [&](TPinLayer& pins) { found = FindPort(pins, session_.Device.Device(), view); })) {
        view.ShowPortName(kNoPortPanelText);
        view.EnableOperations({});
    }
    portInUse_ = found.has_value();
    bool keepFailed = false;
    ReportSimulatedChip(keepFailed);
}

// Run control acts only for the programmers that can leave the chip running in the circuit.
bool TVantrelForm::RunControlActive() const {
    const std::uint8_t type = session_.Hardware.ProgrammerType;
    return type == kProgrammerCardlet || type == kProgrammerFerrow;
}

void TVantrelForm::RunButtonClick() {
    if (!RunControlActive()) {
        RunButton->setEnabled(false);
        MCLRButton->setEnabled(false);
        StopButton->setEnabled(false);
        SetOperationButtons(true, true, true, true);
        return;
    }
    RunButton->setEnabled(false);
    MCLRButton->setEnabled(true);
    StopButton->setEnabled(true);
    SetOperationButtons(false, false, false, false);
    static_cast<void>(DrivePins([](TPinLayer& pins) { pins.SetMCLR(true); }));
}

void TVantrelForm::StopButtonClick() {
    if (!RunControlActive()) {
        RunButtonClick();
        return;
    }
    RunButton->setEnabled(true);
    MCLRButton->setEnabled(false);
    StopButton->setEnabled(false);
    if (portInUse_) {
        SetOperationButtons(true, true, true, true);
    }
    static_cast<void>(DrivePins([](TPinLayer& pins) { pins.SetMCLR(false); }));
}

void TVantrelForm::MCLRButtonClick() {
    if (!RunControlActive()) {
        return;
    }
    static_cast<void>(DrivePins([](TPinLayer& pins) {
        pins.SetMCLR(false);
        pins.DelayMs(kResetPulseMs);
        pins.SetMCLR(true);
    }));
}

std::optional<int> TVantrelForm::StartCommandLineRun(std::uint8_t deviceIndex,
                                                     const std::optional<std::string>& path) {
    unattended_ = true;
    session_.Device.CurrentDevice = deviceIndex;
    AutoBox->setChecked(false);
    ClearImageAsNew();
    if (!path) {
        return std::nullopt;
    }
    // Everything that can go wrong before the Write is said on standard error, so that a
    // script is never left waiting for a click.
    if (!connection_) {
        for (const std::string& error : connectionErrors_) {
            std::cerr << "vantrel: " << error << "\n";
        }
        return kAppExitNoProgrammer;
    }
    if (!portInUse_) {
        std::cerr << "vantrel: no programmer answers on the ports tried (0x378, 0x278, 0x3BC)\n";
        return kAppExitNoProgrammer;
    }
    // A file without data for this device, or with values it has no room for, is refused
    // before the chip is touched, as vantrel-cli refuses it.
    const TFileLoadResult load = FileLoad(QString::fromStdString(*path));
    if (!load.Programmable) {
        return kAppExitBadInput;
    }
    StartChipOperation(TChipOperation::Write);
    return std::nullopt;
}

void TVantrelForm::SetStatus(std::string_view text) {
    Status->setText(ToQString(text));
}

void TVantrelForm::ShowMessage(std::string_view text) {
    QMessageBox::information(this, QString::fromLatin1(kMessageTitle), MessageBoxText(text));
}

bool TVantrelForm::AskYesNo(std::string_view question) {
    return QMessageBox::warning(this, QString::fromLatin1(kMessageTitle), MessageBoxText(question),
                                QMessageBox::Yes | QMessageBox::No,
                                QMessageBox::No) == QMessageBox::Yes;
}

TAnswer TVantrelForm::AskYesNoCancel(std::string_view question) {
    switch (QMessageBox::question(
        this, QString::fromLatin1(kMessageTitle), MessageBoxText(question),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes)) {
        case QMessageBox::Yes:
            return TAnswer::Yes;
        case QMessageBox::No:
            return TAnswer::No;
        default:
            return TAnswer::Cancel;
    }
}

void TVantrelForm::Progress(std::size_t done, std::size_t total) {
    OperationProgress->setRange(0, static_cast<int>(total));
    OperationProgress->setValue(static_cast<int>(done));
}

void TVantrelForm::OperationStarted(TChipOperation) {
    OperationProgress->reset();
}

void TVantrelForm::BufferChanged() {
    DisplayBuffer();
    SyncConfigControls();
}

void TVantrelForm::ChipRead() {
    ResetDisassembler(*disassembler_);
    TabbedNotebook1->setCurrentWidget(BufferPage);
    Memo1->setPlainText(LinesText(BufferToHex(session_.Device.Image, session_.Device.Device())));
    StopWatching();
    ReloadButton->setEnabled(false);
}

}  // namespace vantrel
