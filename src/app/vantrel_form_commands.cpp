// The status line with its hints and timers, the edit commands, disassembly, the window size
// modes, help and the About box, and loading a file.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <cmath>
#include <filesystem>
#include <iostream>

#include "app/help_window.h"
#include "app/qt_text.h"
#include "app/source_editor.h"
#include "app/vantrel_form.h"
#include "device/version.h"
#include "disasm/source_generator.h"
#include "service/hex_file_load.h"

namespace vantrel {

namespace {

// The "640x480" mode as drawn at the design font: the window is this many pixels high at the
// least and at the most, and the client area starts scrolled down this far.
constexpr double kSmallModeMinHeight = 448;
constexpr double kSmallModeMaxHeight = 545;
constexpr double kSmallModeScroll = 255;

constexpr const char* kDisassemblingStatus = "Disassembling - please wait!";

QString AboutText() {
    return QStringLiteral("32 Bit Vantrel Version ") + QString::fromLatin1(kVantrelVersion) +
           QStringLiteral(
               "\n\nPrograms PIC microcontrollers through a programmer on the parallel port:\n"
               "50 device types, from the 12C508 to the 18F4680.\n\n"
               "Built with Qt and QScintilla.");
}

}  // namespace

bool TVantrelForm::event(QEvent* event) {
    // Hints reach the status line only while DoShowHint is in force.
    if (event->type() == QEvent::StatusTip) {
        if (hintsShown_) {
            DoShowHint(static_cast<QStatusTipEvent*>(event)->tip());
        }
        return true;
    }
    return QMainWindow::event(event);
}

void TVantrelForm::mousePressEvent(QMouseEvent* event) {
    Edit1Click();
    QMainWindow::mousePressEvent(event);
}

void TVantrelForm::DoShowHint(const QString& hint) {
    Status->setText(hint);
}

// While an operation's texts are on show, hints leave the status line alone.
void TVantrelForm::DontShowHint() {
    hintsShown_ = false;
}

void TVantrelForm::Timer1Timer() {
    if (OperationRunning()) {
        return;
    }
    hintsShown_ = true;
    Status->clear();
    Timer1->stop();
}

void TVantrelForm::Timer2Timer() {
    if (OperationRunning()) {
        return;
    }
    SetEditControls();
}

void TVantrelForm::Edit1Click() {
    SetEditControls();
}

void TVantrelForm::SetEditControls() {
    const bool selection = Memo1->textCursor().hasSelection() || Memo2->hasSelectedText();
    for (QAction* action : {CuT1, Copy1}) {
        action->setEnabled(selection);
    }
    CutButton->setEnabled(selection);
    CopyButton->setEnabled(selection);
    const QMimeData* clipboard = QApplication::clipboard()->mimeData();
    const bool text = clipboard != nullptr && clipboard->hasText() && !clipboard->text().isEmpty();
    Paste1->setEnabled(text);
    PasteButton->setEnabled(text);
}

QWidget* TVantrelForm::FocusedMemo() const {
    QWidget* focus = QApplication::focusWidget();
    if (focus == Memo1 || (focus != nullptr && Memo1->isAncestorOf(focus))) {
        return Memo1;
    }
    if (focus == Memo2 || (focus != nullptr && Memo2->isAncestorOf(focus))) {
        return Memo2;
    }
    return nullptr;
}

void TVantrelForm::CuT1Click() {
    QWidget* memo = FocusedMemo();
    if (memo == Memo1) {
        Memo1->cut();
    } else if (memo == Memo2) {
        Memo2->cut();
    }
}

void TVantrelForm::Copy1Click() {
    QWidget* memo = FocusedMemo();
    if (memo == Memo1) {
        Memo1->copy();
    } else if (memo == Memo2) {
        Memo2->copy();
    }
}

void TVantrelForm::Paste1Click() {
    QWidget* memo = FocusedMemo();
    if (memo == Memo1) {
        Memo1->paste();
    } else if (memo == Memo2) {
        Memo2->paste();
    }
}

void TVantrelForm::DisassemblyClick() {
    const TPicDevice& device = session_.Device.Device();
    if (const std::optional<std::string_view> refusal = DisassemblerRefusal(device)) {
        ShowMessage(*refusal);
        return;
    }
    DontShowHint();
    Status->setText(QString::fromLatin1(kDisassemblingStatus));
    Status->repaint();
    const std::vector<std::string>& lines =
        GenerateSource(*disassembler_, session_.Device.Image, device);
    Memo2->SetLines(lines);
    TabbedNotebook1->setCurrentWidget(SourcePage);
    Timer1->start();
}

void TVantrelForm::SizeableWindow1Click() {
    ApplyWindowSizeMode();
}

// The normal window has the fixed size its controls need. The "640x480" mode keeps the width
// and lets the height change between its limits, the client area scrolling.
void TVantrelForm::ApplyWindowSizeMode() {
    QScrollBar* scroll = ScrollBox->verticalScrollBar();
    if (!SizeableWindow1->isChecked()) {
        ScrollBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        statusBar()->setSizeGripEnabled(false);
        setFixedSize(normalSize_);
        return;
    }
    const double scale = FontScale();
    const int width = normalSize_.width() + scroll->sizeHint().width();
    const int maxHeight =
        std::max(static_cast<int>(std::lround(kSmallModeMaxHeight * scale)), normalSize_.height());
    const int minHeight =
        std::min(static_cast<int>(std::lround(kSmallModeMinHeight * scale)), normalSize_.height());
    ScrollBox->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    statusBar()->setSizeGripEnabled(true);
    setMinimumSize(width, minHeight);
    setMaximumSize(width, maxHeight);
    resize(width, minHeight);
    scroll->setValue(static_cast<int>(std::lround(kSmallModeScroll * scale)));
}

void TVantrelForm::AboutNotes1Click() {
    QMessageBox::information(this, QStringLiteral("About"), AboutText());
}

void TVantrelForm::ShowHelp(THelpTopic topic) {
    if (help_ == nullptr) {
        help_ = new THelpWindow(this);
    }
    help_->Show(topic);
}

void TVantrelForm::Contents1Click() {
    ShowHelp(THelpTopic::Contents);
}

void TVantrelForm::SearchforHelpon1Click() {
    ShowHelp(THelpTopic::Search);
}

void TVantrelForm::Howtousehelp1Click() {
    ShowHelp(THelpTopic::HowToUse);
}

}  // namespace vantrel
