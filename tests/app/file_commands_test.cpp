// The file commands of the window with real files on disk: open, save and the save question,
// saves that fail, the source save beside a file of the user's, Save As cancelled, the recent
// files, the poll of a file changed on disk with and without "Auto Prog", loads that must never
// be programmed, the poll behind a modal dialog, dropped files and "open with".

#include <sys/resource.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <csignal>
#include <functional>

#include "app/app_command_line.h"
#include "device/device_selection.h"
#include "support/window_rig.h"

namespace vantrel::test {

namespace {

using TButton = TModalAnswerer::TButton;

constexpr int kPollWaitMs = 3000;  // the poll runs every second
// A full 16F877 Write, word by word: long enough to change the file while it runs, and short
// enough under the sanitizers on a busy machine.
constexpr int kLongWriteMs = 300000;

std::uint8_t DeviceIndex(const char* name) {
    return ParseDeviceName(name).value();
}

// A 16F84A file whose first program word is `word`, with its configuration word.
bool WriteProgram(const QString& path, std::uint16_t word, const char* device = "16F84A") {
    TVantrelSession scratch;
    scratch.Config.ChangeDevice(DeviceIndex(device));
    scratch.Device.Image.ProgramBuffer.at(0) = word;
    return WriteHexFile(path, scratch.Device.Image, scratch.Device.CurrentDevice);
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray ReadBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool TextsContain(const QStringList& texts, const QString& part) {
    return std::any_of(texts.begin(), texts.end(),
                       [&](const QString& text) { return text.contains(part); });
}

// Acts on the modal dialog named `name` while it shows (the window's dialogs run in nested
// event loops), again on every tick until it has gone: a file dialog still reading its folder
// may not take the first answer. The timer belongs to `owner`, so it ends with the command.
void WhenDialogShows(QObject& owner, const QString& name, std::function<void(QDialog*)> act) {
    auto* timer = new QTimer(&owner);
    QObject::connect(timer, &QTimer::timeout, timer, [name, act = std::move(act)] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (dialog != nullptr && dialog->isVisible() && dialog->objectName() == name) {
            act(dialog);
        }
    });
    timer->start(50);
}

// What a user types into a file dialog's name field, then Enter.
void TypeFileName(QDialog* dialog, const QString& path) {
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    name->setText(path);
    dialog->accept();
}

void ChooseFileIn(QObject& owner, const QString& dialogName, const QString& path) {
    WhenDialogShows(owner, dialogName, [path](QDialog* dialog) { TypeFileName(dialog, path); });
}

void OpenThroughDialog(TWindowRig& rig, const QString& path) {
    QObject owner;
    ChooseFileIn(owner, QStringLiteral("OpenDialog1"), path);
    rig.Find<QAction>("Open1")->trigger();
}

// "Auto-Update" and "Auto Prog" checked, `path` opened: true once the Write the load starts
// has ended.
bool OpenWithAutoProg(TWindowRig& rig, const QString& path, QSignalSpy& operations) {
    rig.Find<QAction>("AutoUpdate")->setChecked(true);
    rig.Find<QCheckBox>("AutoBox")->setChecked(true);
    OpenThroughDialog(rig, path);
    return operations.count() == 1 || operations.wait(60000);
}

QString Caption(const QString& suffix) {
    return QStringLiteral("Vantrel 1.95e - ") + suffix;
}

QStringList RecentItems(TWindowRig& rig) {
    QStringList items;
    for (QAction* item : rig.Find<QMenu>("ReOpen")->actions()) {
        if (item->isVisible()) {
            items.append(item->text());
        }
    }
    return items;
}

}  // namespace

class TFileCommandsTest final : public QObject {
    Q_OBJECT

  private slots:
    void openEditSaveAndTheSaveQuestion();
    void failedSaveKeepsTheOldFile_data();
    void failedSaveKeepsTheOldFile();
    void sourceSaveAsksBeforeReplacingAnotherFile();
    void saveAsCancelledKeepsTheName();
    void recentFiles();
    void changedFileIsOfferedForReload();
    void changedFileWithAutoProgIsWrittenWithoutAQuestion();
    void changeDuringTheAutoProgWriteIsSeenAfterIt();
    void autoProgWritesOnlyALoadThatSetValues();
    void pollWaitsBehindAModalDialog();
    void droppedFileIsOpened();
    void openWithLoadsWithoutWriting();
};

// Open, an edit in a grid, Save: the file holds the edit in CR LF lines. The save question
// guards New, Open and closing; Cancel keeps everything.
void TFileCommandsTest::openEditSaveAndTheSaveQuestion() {
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("prog.hex"));
    QVERIFY(WriteProgram(path, 0x0C55));
    TWindowRig rig;
    OpenThroughDialog(rig, path);
    QCOMPARE(rig.Form->windowTitle(), Caption(path));
    QCOMPARE(rig.Cell("StringGrid1", 0, 1), QStringLiteral("0C55"));
    QVERIFY(rig.StatusText().startsWith(QStringLiteral("Checksum 0x")));
    QVERIFY(rig.Find<QPushButton>("ReloadButton")->isEnabled());
    QVERIFY(!rig.Form->Modified());

    rig.TypeIntoCell("StringGrid1", 0, 2, QStringLiteral("0123"));
    QVERIFY(rig.Form->Modified());
    // Cancel: New and Open stop, the window stays open with the edit.
    rig.Boxes.Script = {TButton::Cancel, TButton::Cancel, TButton::Cancel};
    rig.Find<QAction>("New1")->trigger();
    rig.Find<QAction>("Open1")->trigger();
    QVERIFY(!rig.Form->close());
    QCOMPARE(rig.Boxes.Texts.size(), 3);
    QCOMPARE(rig.Boxes.Texts.front(), QStringLiteral("The document ") + path +
                                          QStringLiteral(" has changed. Do you want to save "
                                                         "the changes?"));
    QCOMPARE(rig.Cell("StringGrid1", 0, 2), QStringLiteral("0123"));
    QCOMPARE(rig.Form->FileName(), path);

    // Yes saves the image, then New goes on.
    rig.Boxes.Script = {TButton::Yes};
    rig.Find<QAction>("New1")->trigger();
    const QByteArray saved = ReadBytes(path);
    QVERIFY2(saved.contains("550C2301"), saved.constData());
    QVERIFY(saved.endsWith(":00000001FF\r\n"));
    QCOMPARE(saved.count("\r\n"), saved.count("\n"));
    QCOMPARE(rig.Form->windowTitle(), Caption(QStringLiteral("[untitled]")));
    QVERIFY(rig.Form->FileName().isEmpty());
    QCOMPARE(rig.Cell("StringGrid1", 0, 1), QStringLiteral("3FFF"));
    QVERIFY(!rig.Find<QPushButton>("ReloadButton")->isEnabled());
    QVERIFY(rig.Form->close());
}

void TFileCommandsTest::failedSaveKeepsTheOldFile_data() {
    QTest::addColumn<bool>("readOnlyFolder");
    QTest::newRow("read-only folder") << true;
    // The disk fills half-way through the new file: a limit on file sizes, which root meets too.
    QTest::newRow("full half-way") << false;
}

// Whatever stops the save, the old file is as it was, the message names the file, and the
// window still holds the unsaved edit under the same name.
void TFileCommandsTest::failedSaveKeepsTheOldFile() {
    QFETCH(bool, readOnlyFolder);
    if (readOnlyFolder && ::geteuid() == 0) {
        QSKIP("root writes into a read-only folder");
    }
    QTemporaryDir directory;
    const QString folder = directory.filePath(QStringLiteral("locked"));
    QVERIFY(QDir().mkdir(folder));
    const QString path = folder + QStringLiteral("/prog.hex");
    QVERIFY(WriteProgram(path, 0x0C55));
    const QByteArray before = ReadBytes(path);
    TWindowRig rig;
    OpenThroughDialog(rig, path);
    rig.TypeIntoCell("StringGrid1", 0, 1, QStringLiteral("0111"));
    rig.TypeIntoCell("StringGrid1", 2, 1, QStringLiteral("0222"));
    rlimit sizes{};
    QCOMPARE(::getrlimit(RLIMIT_FSIZE, &sizes), 0);
    const rlimit unlimited = sizes;
    if (readOnlyFolder) {
        QVERIFY(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    } else {
        // Past the limit a write fails with EFBIG instead of ending the program.
        std::signal(SIGXFSZ, SIG_IGN);
        sizes.rlim_cur = static_cast<rlim_t>(before.size() / 2);
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &sizes), 0);
    }
    rig.Find<QAction>("Save1")->trigger();
    QCOMPARE(::setrlimit(RLIMIT_FSIZE, &unlimited), 0);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    QCOMPARE(ReadBytes(path), before);
    QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Hidden).size(), 1);
    QCOMPARE(rig.Boxes.Texts.size(), 1);
    QVERIFY2(rig.Boxes.Texts.front().startsWith(QStringLiteral("Cannot create file ") + path),
             qPrintable(rig.Boxes.Texts.front()));
    QVERIFY(rig.Form->Modified());
    QCOMPARE(rig.Form->FileName(), path);
}

// Save with the source page in front writes "prog.asm"; one the user wrote is replaced only
// after a Yes, one this window wrote without asking again.
void TFileCommandsTest::sourceSaveAsksBeforeReplacingAnotherFile() {
    QTemporaryDir directory;
    const QString hex = directory.filePath(QStringLiteral("prog.hex"));
    const QString source = directory.filePath(QStringLiteral("prog.asm"));
    QVERIFY(WriteProgram(hex, 0x0C55));
    const QByteArray own = "; my own source\n\tlist p=16f84a\n\tend\n";
    QVERIFY(WriteBytes(source, own));
    TWindowRig rig;
    OpenThroughDialog(rig, hex);
    QTest::mouseClick(rig.Find<QPushButton>("Dissasemble"), Qt::LeftButton);
    QCOMPARE(rig.Find<QTabWidget>("TabbedNotebook1")->currentWidget()->objectName(),
             QStringLiteral("SourcePage"));

    rig.Boxes.Script = {TButton::No};
    rig.Find<QAction>("Save1")->trigger();
    QCOMPARE(rig.Boxes.Texts.size(), 1);
    QVERIFY(rig.Boxes.Texts.front().contains(source));
    QCOMPARE(ReadBytes(source), own);
    QCOMPARE(rig.Form->FileName(), hex);

    rig.Boxes.Script = {TButton::Yes};
    rig.Find<QAction>("Save1")->trigger();
    const QByteArray generated = ReadBytes(source);
    QVERIFY(generated != own);
    QVERIFY(generated.contains("\r\n"));
    QCOMPARE(generated.count("\r\n"), generated.count("\n"));
    QCOMPARE(rig.Form->FileName(), source);
    // The caption keeps the name the file was loaded under.
    QCOMPARE(rig.Form->windowTitle(), Caption(hex));

    rig.Find<QAction>("Save1")->trigger();
    QCOMPARE(rig.Boxes.Texts.size(), 2);
    QCOMPARE(ReadBytes(source), generated);
}

// Save As preset with the page's name and filter; cancelled, the name stays; accepted, the new
// file is written and becomes the current one. Save without a name opens the same dialog.
void TFileCommandsTest::saveAsCancelledKeepsTheName() {
    QTemporaryDir directory;
    const QString hex = directory.filePath(QStringLiteral("prog.hex"));
    QVERIFY(WriteProgram(hex, 0x0C55));
    TWindowRig rig;
    OpenThroughDialog(rig, hex);
    QTest::mouseClick(rig.Find<QPushButton>("Dissasemble"), Qt::LeftButton);
    {
        QObject owner;
        QString filter;
        QStringList preset;
        WhenDialogShows(owner, QStringLiteral("SaveDialog1"), [&](QDialog* dialog) {
            auto* files = qobject_cast<QFileDialog*>(dialog);
            filter = files->selectedNameFilter();
            preset = files->selectedFiles();
            dialog->reject();
        });
        rig.Find<QAction>("SaveAs1")->trigger();
        QCOMPARE(filter, QStringLiteral("Source Code (*.asm)"));
        QCOMPARE(preset, QStringList{directory.filePath(QStringLiteral("prog.asm"))});
    }
    QCOMPARE(rig.Form->FileName(), hex);
    QCOMPARE(rig.Form->windowTitle(), Caption(hex));
    QVERIFY(!QFile::exists(directory.filePath(QStringLiteral("prog.asm"))));

    // From the buffer page, untitled: Save opens Save As with the HEX filter.
    rig.Find<QAction>("New1")->trigger();
    rig.Find<QTabWidget>("TabbedNotebook1")->setCurrentIndex(0);
    rig.TypeIntoCell("StringGrid1", 0, 1, QStringLiteral("0AAA"));
    const QString copy = directory.filePath(QStringLiteral("copy"));
    {
        QObject owner;
        QString filter;
        WhenDialogShows(owner, QStringLiteral("SaveDialog1"), [&](QDialog* dialog) {
            filter = qobject_cast<QFileDialog*>(dialog)->selectedNameFilter();
            TypeFileName(dialog, copy);
        });
        rig.Find<QAction>("Save1")->trigger();
        QCOMPARE(filter, QStringLiteral("Intel HEX Files (*.hex)"));
    }
    // The dialog gives a name without extension the page's.
    QCOMPARE(rig.Form->FileName(), copy + QStringLiteral(".hex"));
    QCOMPARE(rig.Form->windowTitle(), Caption(copy + QStringLiteral(".hex")));
    QVERIFY(ReadBytes(copy + QStringLiteral(".hex")).contains("AA0A"));
    QVERIFY(!rig.Form->Modified());
}

// A, B, A lists A then B and Ctrl+1 loads A; six files push the first out; paths that differ
// only in letter case are two files.
void TFileCommandsTest::recentFiles() {
    QTemporaryDir directory;
    QStringList paths;
    for (const char* name : {"a.hex", "b.hex", "c.hex", "d.hex", "e.hex", "f.hex", "A.hex"}) {
        paths.append(directory.filePath(QString::fromLatin1(name)));
        QVERIFY(WriteProgram(paths.back(), static_cast<std::uint16_t>(paths.size())));
    }
    TWindowRig rig;
    QVERIFY(!rig.Find<QMenu>("ReOpen")->isEnabled());
    OpenThroughDialog(rig, paths[0]);
    OpenThroughDialog(rig, paths[1]);
    OpenThroughDialog(rig, paths[0]);
    QCOMPARE(RecentItems(rig), (QStringList{paths[0], paths[1]}));
    QVERIFY(rig.Find<QMenu>("ReOpen")->isEnabled());

    QAction* second = rig.Find<QAction>("File3");
    QCOMPARE(second->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_2));
    second->trigger();
    QCOMPARE(rig.Form->FileName(), paths[1]);
    QCOMPARE(rig.Cell("StringGrid1", 0, 1), QStringLiteral("0002"));
    QCOMPARE(RecentItems(rig), (QStringList{paths[1], paths[0]}));

    for (int i = 2; i < 6; ++i) {
        OpenThroughDialog(rig, paths[i]);
    }
    QCOMPARE(RecentItems(rig), (QStringList{paths[5], paths[4], paths[3], paths[2], paths[1]}));
    OpenThroughDialog(rig, paths[6]);
    OpenThroughDialog(rig, paths[0]);
    QCOMPARE(RecentItems(rig).mid(0, 2), (QStringList{paths[0], paths[6]}));

    // A listed file that has gone: nothing but the name changes.
    QVERIFY(QFile::remove(paths[6]));
    rig.Find<QAction>("File3")->trigger();
    QCOMPARE(rig.Form->FileName(), paths[6]);
    QCOMPARE(rig.Cell("StringGrid1", 0, 1), QStringLiteral("0001"));
    QVERIFY(rig.Boxes.Texts.isEmpty());
}

// With "Auto-Update" a change on disk brings the question within about a second; No keeps the
// image and is not asked again until the next change; Yes reloads.
void TFileCommandsTest::changedFileIsOfferedForReload() {
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("prog.hex"));
    QVERIFY(WriteProgram(path, 0x0C55));
    TWindowRig rig;
    rig.Find<QAction>("AutoUpdate")->setChecked(true);
    OpenThroughDialog(rig, path);
    QTest::qWait(1200);
    QVERIFY(rig.Boxes.Texts.isEmpty());

    QVERIFY(WriteProgram(path, 0x0C66));
    rig.Boxes.Script = {TButton::No};
    QTRY_COMPARE_WITH_TIMEOUT(rig.Boxes.Texts.size(), 1, kPollWaitMs);
    QCOMPARE(rig.Boxes.Texts.front(), QStringLiteral("WARNING - Loaded file\n") + path +
                                          QStringLiteral("\nhas changed - do you wish to reload?"));
    QCOMPARE(rig.Cell("StringGrid1", 0, 1), QStringLiteral("0C55"));
    QTest::qWait(2200);
    QCOMPARE(rig.Boxes.Texts.size(), 1);

    QVERIFY(WriteProgram(path, 0x0C77));
    rig.Boxes.Script = {TButton::Yes};
    QTRY_COMPARE_WITH_TIMEOUT(rig.Boxes.Texts.size(), 2, kPollWaitMs);
    QTRY_COMPARE(rig.Cell("StringGrid1", 0, 1), QStringLiteral("0C77"));
}

// With "Auto Prog" as well, the changed file is loaded and written into the chip at once.
void TFileCommandsTest::changedFileWithAutoProgIsWrittenWithoutAQuestion() {
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("prog.hex"));
    QVERIFY(WriteProgram(path, 0x0C55));
    TWindowRig rig;
    QSignalSpy written(rig.Form.get(), &TVantrelForm::ChipOperationFinished);
    QVERIFY(OpenWithAutoProg(rig, path, written));
    QCOMPARE(rig.Board().ChipState().Program.at(0), std::uint16_t{0x0C55});

    QVERIFY(WriteProgram(path, 0x0C66));
    QVERIFY(written.wait(kPollWaitMs + 60000));
    QCOMPARE(rig.Board().ChipState().Program.at(0), std::uint16_t{0x0C66});
    QVERIFY2(rig.Boxes.Texts.isEmpty(), qPrintable(rig.Boxes.Texts.join('\n')));
    QVERIFY(rig.PoweredDown());
}

// A file rebuilt while "Auto Prog" still writes the previous one: the stamp is that of what was
// read, so the next poll after the Write loads the new file and writes it too.
void TFileCommandsTest::changeDuringTheAutoProgWriteIsSeenAfterIt() {
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("big.hex"));
    TWindowRig rig;
    rig.ChooseDevice("16F877");
    {
        TDeviceImage full = rig.Session.Device.Image;
        const TPicDevice& device = rig.Session.Device.Device();
        for (std::size_t i = 0; i < device.ProgramSize; ++i) {
            full.ProgramBuffer.at(i) = static_cast<std::uint16_t>((i * 7) & 0x3FFF);
        }
        QVERIFY(WriteHexFile(path, full, rig.Session.Device.CurrentDevice));
    }
    rig.Find<QAction>("AutoUpdate")->setChecked(true);
    rig.Find<QCheckBox>("AutoBox")->setChecked(true);
    QSignalSpy operations(rig.Form.get(), &TVantrelForm::ChipOperationFinished);
    OpenThroughDialog(rig, path);
    QTRY_VERIFY_WITH_TIMEOUT(rig.StatusText() == QStringLiteral("Writing Program memory..."),
                             60000);
    QVERIFY(rig.Form->OperationRunning());
    QVERIFY(WriteProgram(path, 0x1234, "16F877"));

    QVERIFY(operations.count() == 1 || operations.wait(kLongWriteMs));
    QVERIFY(operations.wait(kPollWaitMs + kLongWriteMs));
    QCOMPARE(rig.Board().ChipState().Program.at(0), std::uint16_t{0x1234});
    QCOMPARE(rig.Board().ChipState().Program.at(1), std::uint16_t{0x3FFF});
}

// "Auto Prog" writes only a load that set values of this device: not a file the reader stopped
// in, not one without data (the user's source, say), not one with values the device lacks.
void TFileCommandsTest::autoProgWritesOnlyALoadThatSetValues() {
    QTemporaryDir directory;
    struct TCase {
        const char* name;
        QByteArray text;
        QString message;
    };
    const QList<TCase> cases{
        {"broken.hex", ":020000000130CD\n:0200020086G05F\n:00000001FF\n",
         QStringLiteral("is not a valid integer value")},
        {"prog.asm", "\tlist p=16f84a\n\tgoto 0\n\tend\n", QStringLiteral("no Intel HEX data in ")},
        {"empty.hex", "", QStringLiteral("no Intel HEX data in ")},
        // A 16F628A program: a word at 0x0400 lies beyond the 16F84A's 1K words.
        {"big.hex", ":02080000550C95\n:00000001FF\n",
         QStringLiteral("1 value outside the 16F84A's memory was ignored (first at 0x0800)")},
    };
    TWindowRig rig;
    rig.Find<QCheckBox>("AutoBox")->setChecked(true);
    QSignalSpy operations(rig.Form.get(), &TVantrelForm::ChipOperationFinished);
    for (const TCase& file : cases) {
        const QString path = directory.filePath(QString::fromLatin1(file.name));
        QVERIFY(WriteBytes(path, file.text));
        rig.Boxes.Texts.clear();
        OpenThroughDialog(rig, path);
        QVERIFY2(TextsContain(rig.Boxes.Texts, file.message),
                 qPrintable(rig.Boxes.Texts.join('\n')));
        QVERIFY2(!rig.Form->OperationRunning(), file.name);
    }
    QTest::qWait(100);
    QCOMPARE(operations.count(), 0);
    QCOMPARE(rig.Board().ChipState().Program.at(0), std::uint16_t{0x3FFF});
}

// While a modal dialog is open the poll leaves a changed file alone; once it closes, the next
// tick asks.
void TFileCommandsTest::pollWaitsBehindAModalDialog() {
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("prog.hex"));
    QVERIFY(WriteProgram(path, 0x0C55));
    TWindowRig rig;
    QSignalSpy operations(rig.Form.get(), &TVantrelForm::ChipOperationFinished);
    QVERIFY(OpenWithAutoProg(rig, path, operations));

    QDialog modal(rig.Form.get());
    modal.setWindowModality(Qt::ApplicationModal);
    modal.show();
    QTRY_VERIFY(QApplication::activeModalWidget() == &modal);
    QVERIFY(WriteProgram(path, 0x0C66));
    QTest::qWait(2500);
    QCOMPARE(operations.count(), 1);
    QCOMPARE(rig.Cell("StringGrid1", 0, 1), QStringLiteral("0C55"));

    modal.close();
    QVERIFY(operations.wait(kPollWaitMs + 60000));
    QCOMPARE(rig.Board().ChipState().Program.at(0), std::uint16_t{0x0C66});
}

// A file dropped onto the window or onto the HEX page is opened, after the save question.
void TFileCommandsTest::droppedFileIsOpened() {
    QTemporaryDir directory;
    const QString first = directory.filePath(QStringLiteral("first.hex"));
    const QString second = directory.filePath(QStringLiteral("second.hex"));
    QVERIFY(WriteProgram(first, 0x0C55));
    QVERIFY(WriteProgram(second, 0x0C66));
    TWindowRig rig;
    const auto drop = [&](QWidget* target, const QString& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        const QPoint at = target->rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        const bool accepted = enter.isAccepted();
        QDropEvent dropped(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &dropped);
        return accepted;
    };
    QVERIFY(drop(rig.Form.get(), first));
    QTRY_COMPARE(rig.Form->FileName(), first);
    QCOMPARE(rig.Cell("StringGrid1", 0, 1), QStringLiteral("0C55"));

    rig.TypeIntoCell("StringGrid1", 0, 2, QStringLiteral("0001"));
    rig.Boxes.Script = {TButton::Cancel};
    rig.Find<QTabWidget>("TabbedNotebook1")->setCurrentIndex(1);
    auto* memo = rig.Find<QPlainTextEdit>("Memo1");
    const QString memoText = memo->toPlainText();
    QVERIFY(drop(memo->viewport(), second));
    QTRY_COMPARE(rig.Boxes.Texts.size(), 1);
    QCOMPARE(rig.Form->FileName(), first);
    QCOMPARE(memo->toPlainText(), memoText);

    rig.Boxes.Script = {TButton::No};
    QVERIFY(drop(memo->viewport(), second));
    QTRY_COMPARE(rig.Form->FileName(), second);
    QCOMPARE(rig.Cell("StringGrid1", 0, 1), QStringLiteral("0C66"));

    // Two files, or a folder, are not taken.
    QMimeData two;
    two.setUrls({QUrl::fromLocalFile(first), QUrl::fromLocalFile(second)});
    QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, &two, Qt::LeftButton, Qt::NoModifier);
    enter.ignore();
    QApplication::sendEvent(rig.Form.get(), &enter);
    QVERIFY(!enter.isAccepted());
}

// The only argument an existing file and no device: the window loads it and writes nothing,
// even with "Auto Prog" checked. A device name always stays a device name.
void TFileCommandsTest::openWithLoadsWithoutWriting() {
    QTemporaryDir directory;
    const QString path = directory.filePath(QStringLiteral("prog.hex"));
    QVERIFY(WriteProgram(path, 0x0C55));
    const TAppCommandLine openWith = ParseAppCommandLine({path.toStdString()});
    QVERIFY(openWith.Error.empty());
    QVERIFY(!openWith.Unattended());
    QCOMPARE(openWith.OpenPath, std::optional<std::string>(path.toStdString()));

    const QString deviceNamed = directory.filePath(QStringLiteral("16F84A"));
    QVERIFY(WriteProgram(deviceNamed, 0x0C55));
    const QString current = QDir::currentPath();
    QVERIFY(QDir::setCurrent(directory.path()));
    const TAppCommandLine device = ParseAppCommandLine({"16F84A"});
    QVERIFY(QDir::setCurrent(current));
    QVERIFY(device.Unattended());
    QVERIFY(!device.OpenPath);
    const TAppCommandLine missing = ParseAppCommandLine({"no-such-file.hex"});
    QVERIFY(missing.Unattended());  // refused later as an unknown device

    TWindowRig rig;
    rig.Find<QCheckBox>("AutoBox")->setChecked(true);
    QSignalSpy operations(rig.Form.get(), &TVantrelForm::ChipOperationFinished);
    rig.Form->OpenWith(path);
    QCOMPARE(rig.Form->FileName(), path);
    QCOMPARE(rig.Cell("StringGrid1", 0, 1), QStringLiteral("0C55"));
    QTest::qWait(100);
    QCOMPARE(operations.count(), 0);
    QVERIFY(!rig.Form->OperationRunning());
    QCOMPARE(rig.Board().ChipState().Program.at(0), std::uint16_t{0x3FFF});
}

}  // namespace vantrel::test

QTEST_MAIN(vantrel::test::TFileCommandsTest)
#include "file_commands_test.moc"
