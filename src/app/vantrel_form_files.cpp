// The file commands of the window: New, Open, Save, Save As, Reload, the recent files, the poll
// that notices a loaded file changed on disk, "Auto Prog", and files dropped onto the window.
//
// `Modified` says that the image differs from what was loaded or saved because the user edited
// it: a grid cell, a fuse box, the oscillator. Those are what a save keeps. Typing in the "HEX
// file" page does not count: a HEX save regenerates that text from the image, so the question
// would only lead to the edit being thrown away.

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <algorithm>
#include <filesystem>
#include <iostream>

#include "app/qt_text.h"
#include "app/source_editor.h"
#include "app/vantrel_form.h"
#include "device/image_checksum.h"
#include "hexfile/hex_writer.h"
#include "hexfile/text_file.h"
#include "programming/operation_texts.h"
#include "service/hex_file_load.h"

namespace vantrel {

namespace {

constexpr const char* kDialogTitle = "PIC Programmer";
const QString kUntitled = QStringLiteral("[untitled]");

// The dialogs' filters; the save dialog's first is the source, its second the HEX file.
const QStringList kOpenFilters{QStringLiteral("Hex Files (*.hex)"),
                               QStringLiteral("Obj Files (*.obj)"),
                               QStringLiteral("All Files (*)")};
const QStringList kSaveFilters{QStringLiteral("Source Code (*.asm)"),
                               QStringLiteral("Intel HEX Files (*.hex)"),
                               QStringLiteral("All Files (*)")};

QString Extension(bool source) {
    return source ? QStringLiteral("asm") : QStringLiteral("hex");
}

// The name with its extension replaced, or the extension appended when it has none. Only the
// file's own name counts: a dot in a folder's name is no extension.
QString WithExtension(const QString& name, const QString& extension) {
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash + 1 ? name.left(dot) : name;
    return stem + QLatin1Char('.') + extension;
}

bool IsSourceName(const QString& name) {
    return QFileInfo(name).suffix().toLower() == QStringLiteral("asm");
}

// The files the window saves have CR LF line ends, as the tools of the platform the format
// comes from expect.
constexpr std::string_view kSavedLineEnd = "\r\n";

std::filesystem::path FileSystemPath(const QString& name) {
    return std::filesystem::path(ToStdString(name));
}

}  // namespace

void TVantrelForm::ConnectFileCommands() {
    connect(New1, &QAction::triggered, this, &TVantrelForm::New1Click);
    connect(NewButton, &QToolButton::clicked, this, &TVantrelForm::New1Click);
    connect(Open1, &QAction::triggered, this, &TVantrelForm::Open1Click);
    connect(OpenButton, &QToolButton::clicked, this, &TVantrelForm::Open1Click);
    connect(Save1, &QAction::triggered, this, &TVantrelForm::Save1Click);
    connect(SaveButton, &QToolButton::clicked, this, &TVantrelForm::Save1Click);
    connect(SaveAs1, &QAction::triggered, this, &TVantrelForm::SaveAs1Click);
    connect(SpeedButton4, &QToolButton::clicked, this, &TVantrelForm::SaveAs1Click);
    connect(ReloadButton, &QPushButton::clicked, this, &TVantrelForm::ReloadButtonClick);
    for (std::size_t i = 0; i < RecentFileItems.size(); ++i) {
        connect(RecentFileItems.at(i), &QAction::triggered, this, [this, i] { ReopenClick(i); });
    }
    connect(FileTimer, &QTimer::timeout, this, &TVantrelForm::FileTimerTimer);
    // The user's own edits of the image; the grids report theirs as they store them.
    for (QCheckBox* box : fuseBoxes_) {
        connect(box, &QCheckBox::clicked, this, &TVantrelForm::MarkModified);
    }
    connect(oscillatorButtons_, &QButtonGroup::idClicked, this, &TVantrelForm::MarkModified);
    // A file dropped anywhere on the window is opened; the editors would take it as text.
    setAcceptDrops(true);
    Memo1->viewport()->installEventFilter(this);
    Memo2->viewport()->installEventFilter(this);
}

void TVantrelForm::MarkModified() {
    modified_ = true;
}

void TVantrelForm::New1Click() {
    if (OperationRunning() || (modified_ && !QuerySave())) {
        return;
    }
    ClearFile();
    ClearImageAsNew();
    SyncConfigControls();
}

// The image and the options of a new file: blank, "Blank Chk" checked, "Change Cal" not.
void TVantrelForm::ClearImageAsNew() {
    ClearBuffers(session_.Device.Image, session_.Device.Device());
    DisplayBuffer();
    session_.Config.UpdateConfig();
    session_.Options.BlankCheck = true;
    session_.Options.ChangeCal = false;
    session_.Config.SetConfig();
    SyncOptionControls();
}

// Erase clears the file and the image as New does, after the same save question; the image
// itself is cleared by the operation when this returns true.
bool TVantrelForm::NewImage() {
    if (modified_ && !QuerySave()) {
        return false;
    }
    ClearFile();
    return true;
}

void TVantrelForm::ClearFile() {
    Memo1->clear();
    modified_ = false;
    fileName_.clear();
    SetCaption(kUntitled);
    ReloadButton->setEnabled(false);
    StopWatching();
}

void TVantrelForm::Open1Click() {
    if (OperationRunning() || (modified_ && !QuerySave())) {
        return;
    }
    QFileDialog dialog(this, QStringLiteral("Open"));
    dialog.setObjectName(QStringLiteral("OpenDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(kOpenFilters);
    if (!fileName_.isEmpty()) {
        dialog.setDirectory(QFileInfo(fileName_).absolutePath());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return;
    }
    fileName_ = dialog.selectedFiles().constFirst();
    static_cast<void>(FileLoad(fileName_));
}

void TVantrelForm::ReloadButtonClick() {
    if (!OperationRunning()) {
        static_cast<void>(FileLoad(fileName_));
    }
}

void TVantrelForm::ReopenClick(std::size_t index) {
    if (OperationRunning() || recentFiles_.at(index).isEmpty()) {
        return;
    }
    fileName_ = recentFiles_.at(index);
    static_cast<void>(FileLoad(fileName_));
}

void TVantrelForm::OpenWith(const QString& path) {
    fileName_ = QFileInfo(path).absoluteFilePath();
    static_cast<void>(FileLoad(fileName_, TLoadWrite::Never));
}

TVantrelForm::TFileLoadResult TVantrelForm::FileLoad(const QString& path, TLoadWrite write) {
    TFileLoadResult result;
    const std::string file = ToStdString(path);
    std::error_code missing;
    if (path.isEmpty() || !std::filesystem::exists(file, missing)) {
        result.Error = file + ": no such file";
        if (unattended_) {
            std::cerr << "vantrel: " << result.Error << "\n";
        }
        session_.Options.ChangeCal = false;
        SyncOptionControls();
        return result;
    }
    // The poll must not start a load of its own behind a box this load shows.
    loading_ = true;
    const auto loaded = qScopeGuard([this] { loading_ = false; });
    TabbedNotebook1->setCurrentWidget(HexPage);
    TabbedNotebook1->repaint();
    // The stamp of what is about to be read: a change made while the file is loaded, or while
    // "Auto Prog" writes it, is seen by the next poll. Only the current file is watched.
    const std::optional<TFileStamp> stamp =
        path == fileName_ ? StampOf(file) : std::optional<TFileStamp>();
    THexLoadOptions options;
    options.WarnMissingFuses = !AutoBox->isChecked();
    options.FileName = ToStdString(fileName_);
    TMessageBox& messages = *this;
    const THexFileLoad load =
        LoadHexFile(file, session_.Device, session_.Config, options, messages);
    result.FileRead = load.FileRead;
    result.Ok = load.Ok;
    result.Error = load.Error;
    // Worth a Write only when the file set values of this device and lost none outside it.
    result.Programmable = load.Ok && load.PlacedBytes > 0 && load.OutsideValues == 0;
    if (load.FileRead) {
        Memo1->setPlainText(LinesText(load.Lines));
        modified_ = false;
        SetCaption(path);
    }
    // What the grids and the fuse controls show is what the image holds, also after a file
    // the reader stopped in: the image then holds the part before the bad record.
    TabbedNotebook1->setCurrentWidget(BufferPage);
    DisplayBuffer();
    SyncConfigControls();
    ReportLoad(file, load);

    ReopenAdd(path);
    fileStamp_ = stamp;
    if (AutoUpdate->isChecked()) {
        FileTimer->start();
    }
    ReloadButton->setEnabled(true);

    if (write == TLoadWrite::AutoProg && result.Programmable && AutoBox->isChecked() &&
        WriteButton->isEnabled()) {
        // The Write unchecks "Change Cal" itself once it has used it, and stops the poll while
        // it runs.
        WriteButtonClick();
        return result;
    }
    session_.Options.ChangeCal = false;
    SyncOptionControls();
    return result;
}

// What the load found that the user must know: a reader error, a file without data, values
// the device has no room for; and the image's checksum in the status line.
void TVantrelForm::ReportLoad(const std::string& path, const THexFileLoad& load) {
    if (!load.Ok) {
        ReportFailure(load.Error);
    } else if (load.DataRecords == 0) {
        ReportFailure(NoHexDataText(path));
    }
    if (const std::string outside = OutsideValuesText(load, session_.Device.Device());
        !outside.empty()) {
        ReportFailure(outside);
    }
    if (load.FileRead) {
        DontShowHint();
        Status->setText(ToQString(ChecksumText(session_.Device.Image, session_.Device.Device())));
        Timer1->start();
    }
}

TVantrelForm::TSaveKind TVantrelForm::SaveKindOfPage() const {
    return TabbedNotebook1->currentWidget() == SourcePage ? TSaveKind::Source : TSaveKind::Hex;
}

void TVantrelForm::Save1Click() {
    if (!OperationRunning()) {
        static_cast<void>(SaveCommand(SaveKindOfPage(), false));
    }
}

void TVantrelForm::SaveAs1Click() {
    if (!OperationRunning()) {
        static_cast<void>(SaveCommand(SaveKindOfPage(), true));
    }
}

// The kind of file decides the extension; the current name changes only once the file is
// written, so a cancelled or failed save leaves it as it was.
bool TVantrelForm::SaveCommand(TSaveKind kind, bool saveAs) {
    QString name = fileName_;
    if (!name.isEmpty()) {
        name = WithExtension(name, Extension(kind == TSaveKind::Source));
    }
    return saveAs ? FileSaveAs(name, kind) : FileSave(name, kind);
}

bool TVantrelForm::QuerySave() {
    const QString document = fileName_.isEmpty() ? kUntitled : fileName_;
    switch (AskYesNoCancel(ToStdString(QStringLiteral("The document ") + document +
                                       QStringLiteral(" has changed. Do you want to save the "
                                                      "changes?")))) {
        case TAnswer::Yes:
            // What changed is the image: it is saved as HEX whatever page is in front.
            return SaveCommand(TSaveKind::Hex, false);
        case TAnswer::No:
            return true;
        case TAnswer::Cancel:
            break;
    }
    return false;
}

bool TVantrelForm::FileSave(const QString& name, TSaveKind kind) {
    if (name.isEmpty()) {
        return FileSaveAs(name, kind);
    }
    const bool polling = FileTimer->isActive();
    FileTimer->stop();
    if ((kind == TSaveKind::Source && !MayReplace(name)) || !WriteFile(name)) {
        if (polling) {
            FileTimer->start();
        }
        return false;
    }
    fileName_ = name;
    modified_ = false;
    WatchFile();
    return true;
}

bool TVantrelForm::FileSaveAs(const QString& name, TSaveKind kind) {
    const bool source = kind == TSaveKind::Source;
    QFileDialog dialog(this, QStringLiteral("Save As"));
    dialog.setObjectName(QStringLiteral("SaveDialog1"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters(kSaveFilters);
    dialog.selectNameFilter(kSaveFilters.at(source ? 0 : 1));
    dialog.setDefaultSuffix(Extension(source));
    if (!name.isEmpty()) {
        dialog.selectFile(name);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    const QString chosen = dialog.selectedFiles().constFirst();
    const bool polling = FileTimer->isActive();
    FileTimer->stop();
    if (!WriteFile(chosen)) {
        if (polling) {
            FileTimer->start();
        }
        return false;
    }
    fileName_ = chosen;
    modified_ = false;
    SetCaption(fileName_);
    // The file just written is watched from its own stamp, so the next poll finds no change.
    WatchFile();
    return true;
}

// The source save turns "prog.hex" into "prog.asm", which may be the user's own source rather
// than one this window generated: that is replaced only when the user says so.
bool TVantrelForm::MayReplace(const QString& name) {
    const QFileInfo target(name);
    if (!target.exists() || target.absoluteFilePath() == lastSavedPath_) {
        return true;
    }
    return AskYesNo(ToStdString(QStringLiteral("The file ") + name +
                                QStringLiteral(" exists and was not saved from this window: it "
                                               "may be source code of your own.\rReplace it "
                                               "with the generated source?")));
}

bool TVantrelForm::WriteFile(const QString& name) {
    std::vector<std::string> lines;
    if (IsSourceName(name)) {
        lines = Memo2->Lines();
    } else {
        lines = BufferToHex(session_.Device.Image, session_.Device.Device());
        Memo1->setPlainText(LinesText(lines));
        DisplayBuffer();
    }
    // A temporary file beside the old one is renamed over it: a failure half-way leaves the old
    // file as it was.
    const TFileResult written =
        WriteTextFileAtomically(FileSystemPath(name), JoinLines(lines, kSavedLineEnd));
    if (!written.Ok) {
        ReportFailure(ToStdString(QStringLiteral("Cannot create file ") + name) + "\r" +
                      written.Error);
        return false;
    }
    lastSavedPath_ = QFileInfo(name).absoluteFilePath();
    return true;
}

void TVantrelForm::WatchFile() {
    fileStamp_ = StampOf(ToStdString(fileName_));
    if (AutoUpdate->isChecked()) {
        FileTimer->start();
    }
    ReloadButton->setEnabled(true);
}

void TVantrelForm::StopWatching() {
    fileStamp_.reset();
    FileTimer->stop();
    fileTimerWasActive_ = false;
}

// A deleted file counts as changed once; its stamp is then nothing and watching stops.
bool TVantrelForm::FileChanged() {
    if (!fileStamp_) {
        return false;
    }
    const std::optional<TFileStamp> now = StampOf(ToStdString(fileName_));
    if (now == fileStamp_) {
        return false;
    }
    fileStamp_ = now;
    return true;
}

bool TVantrelForm::PollMustWait() const {
    return OperationRunning() || loading_ || QApplication::activeModalWidget() != nullptr ||
           QApplication::activePopupWidget() != nullptr;
}

void TVantrelForm::FileTimerTimer() {
    // A change stays unseen until the poll may act on it: the stamp is only compared then.
    if (PollMustWait() || !FileChanged()) {
        return;
    }
    if (AutoBox->isChecked()) {
        static_cast<void>(FileLoad(fileName_));
        return;
    }
    FileTimer->stop();
    const bool reload = AskYesNo(ToStdString(QStringLiteral("WARNING - Loaded file\r") + fileName_ +
                                             QStringLiteral("\rhas changed - do you wish to "
                                                            "reload?")));
    if (reload) {
        static_cast<void>(FileLoad(fileName_));
    } else {
        // Not asked again until the file changes again.
        fileStamp_ = StampOf(ToStdString(fileName_));
    }
    if (AutoUpdate->isChecked()) {
        FileTimer->start();
    }
}

std::optional<std::uint16_t> TVantrelForm::AskCalibrationWord(std::string_view question) {
    const QString asked = MessageBoxText(question);
    QString prompt = asked;
    QString typed;
    for (;;) {
        QInputDialog dialog(this);
        dialog.setObjectName(QStringLiteral("CalibrationDialog"));
        dialog.setWindowTitle(QString::fromLatin1(kDialogTitle));
        dialog.setInputMode(QInputDialog::TextInput);
        dialog.setLabelText(prompt);
        dialog.setTextValue(typed);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        typed = dialog.textValue();
        if (const std::optional<std::uint16_t> value = ParseCalibrationValue(ToStdString(typed))) {
            return value;
        }
        prompt = asked + QStringLiteral("\n\n\"") + typed +
                 QStringLiteral(
                     "\" is not a calibration value: type a RETLW instruction, 3400 "
                     "to 34FF in hexadecimal.");
    }
}

// One local file: what a file manager drags.
bool TVantrelForm::AcceptsDrop(const QMimeData* data, QString* path) const {
    if (data == nullptr || !data->hasUrls() || data->urls().size() != 1) {
        return false;
    }
    const QUrl url = data->urls().constFirst();
    if (!url.isLocalFile() || !QFileInfo(url.toLocalFile()).isFile()) {
        return false;
    }
    *path = url.toLocalFile();
    return true;
}

void TVantrelForm::dragEnterEvent(QDragEnterEvent* event) {
    QString path;
    if (!OperationRunning() && AcceptsDrop(event->mimeData(), &path)) {
        event->acceptProposedAction();
    }
}

void TVantrelForm::dropEvent(QDropEvent* event) {
    QString path;
    if (OperationRunning() || !AcceptsDrop(event->mimeData(), &path)) {
        return;
    }
    event->acceptProposedAction();
    // Opened once the drag has ended: the file manager that started it waits until then, and
    // the save question or the load's own boxes would hold it.
    QTimer::singleShot(0, this, [this, path] {
        if (OperationRunning() || (modified_ && !QuerySave())) {
            return;
        }
        fileName_ = path;
        static_cast<void>(FileLoad(fileName_));
    });
}

bool TVantrelForm::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::DragEnter || type == QEvent::DragMove || type == QEvent::Drop) {
        // QDragEnterEvent and QDragMoveEvent are drop events too.
        auto* drop = static_cast<QDropEvent*>(event);
        QString path;
        if (AcceptsDrop(drop->mimeData(), &path)) {
            if (type == QEvent::Drop) {
                dropEvent(drop);
            } else if (!OperationRunning()) {
                drop->acceptProposedAction();
            }
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TVantrelForm::ReopenSetup() {
    for (std::size_t i = 0; i < recentFiles_.size(); ++i) {
        QAction* item = RecentFileItems.at(i);
        const bool listed = !recentFiles_.at(i).isEmpty();
        // A "&" in a path is a letter, not the mark of a keyboard shortcut.
        item->setText(QString(recentFiles_.at(i)).replace(QLatin1Char('&'), QStringLiteral("&&")));
        item->setEnabled(listed);
        item->setVisible(listed);
    }
    ReOpen->setEnabled(!recentFiles_.front().isEmpty());
}

void TVantrelForm::ReopenAdd(const QString& path) {
    auto listed = std::remove(recentFiles_.begin(), recentFiles_.end(), path);
    std::fill(listed, recentFiles_.end(), QString());
    std::shift_right(recentFiles_.begin(), recentFiles_.end(), 1);
    recentFiles_.front() = path;
    ReopenSetup();
}

}  // namespace vantrel
