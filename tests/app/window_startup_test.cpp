// The window as it starts: its controls with their names, captions and states, the start-up
// without a programmer, the status line with its hints and timers, the edit commands, the
// window size modes, the About box and help.

#include <QAction>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>

#include "app/help_window.h"
#include "app/source_editor.h"
#include "app/splash_form.h"
#include "support/window_rig.h"

namespace vantrel::test {

class TWindowStartupTest final : public QObject {
    Q_OBJECT

  private slots:
    void captionsAndNames_data();
    void captionsAndNames();
    void startUpState();
    void startsWithoutAProgrammer();
    void hintsSplitIntoToolTipAndStatusLine();
    void operationTextsHoldTheStatusLineUntilTimer1();
    void editCommandsFollowTheFocusedEditor();
    void smallScreenModeLetsOnlyTheHeightChange();
    void aboutBoxNamesTheVersion();
    void helpOpensContentsIndexAndEveryLinkedPage();
    void everyControlIsReachableFromTheKeyboard();
    void splashShowsTheVersion();
};

// Every control the user finds by its caption: (objectName, caption) of buttons, check boxes,
// group boxes, menus and menu items.
void TWindowStartupTest::captionsAndNames_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    const char* const rows[][2] = {
        {"ReadButton", "Read PIC"},
        {"WriteButton", "Write PIC"},
        {"VerifyButton", "Verify"},
        {"EraseButton", "Erase"},
        {"ReloadButton", "Reload"},
        {"Dissasemble", "Disassemble"},
        {"RunButton", "Run"},
        {"StopButton", "Stop"},
        {"MCLRButton", "Reset"},
        {"WDTBox", "Watch Dog"},
        {"PUTBox", "Power Up"},
        {"MCLRBox", "MCLRE"},
        {"BORBox", "Brown Out"},
        {"LVPBox", "Low Voltage"},
        {"CPDBox", "Data Protection"},
        {"WRTBox", "Memory Write"},
        {"CodePBox", "Code Protect"},
        {"DebugBox", "Debug"},
        {"BG0Box", "BG0"},
        {"BG1Box", "BG1"},
        {"CCPMXBox", "CCPMX"},
        {"IESOBox", "IESO"},
        {"FCMENBox", "FCMEN"},
        {"FusesBox", "Fuses"},
        {"ConfigBox", "Config Settings"},
        {"OscillatorGroup", "Oscillator"},
        {"ProcessorGroup", "Processor"},
        {"AutoBox", "Auto Prog"},
        {"BlankBox", "Blank Chk"},
        {"CalBox", "Change Cal"},
        {"File1", "&File"},
        {"New1", "&New"},
        {"Open1", "&Open"},
        {"ReOpen", "ReOpen"},
        {"Save1", "&Save"},
        {"SaveAs1", "Save &As"},
        {"Exit1", "E&xit"},
        {"Edit1", "&Edit"},
        {"CuT1", "Cu&t"},
        {"Copy1", "&Copy"},
        {"Paste1", "&Paste"},
        {"Options1", "&Options"},
        {"CheckPort", "Find Port"},
        {"Defaults", "Hardware"},
        {"AutoDetect", "Auto-Detect"},
        {"AutoVerify", "Auto-Verify"},
        {"AutoUpdate", "Auto-Update"},
        {"SizeableWindow1", "640x480"},
        {"Help1", "&Help"},
        {"Contents1", "&Contents"},
        {"SearchforHelpon1", "&Search for Help on"},
        {"Howtousehelp1", "&How to use Help"},
        {"AboutNotes1", "&About"},
    };
    for (const auto& row : rows) {
        QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
    }
}

void TWindowStartupTest::captionsAndNames() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    TWindowRig rig;
    QObject* control = rig.Form->findChild<QObject*>(name);
    QVERIFY2(control != nullptr, qPrintable(name));
    QString text;
    if (auto* button = qobject_cast<QAbstractButton*>(control)) {
        text = button->text();
    } else if (auto* group = qobject_cast<QGroupBox*>(control)) {
        text = group->title();
    } else if (auto* menu = qobject_cast<QMenu*>(control)) {
        text = menu->title();
    } else if (auto* action = qobject_cast<QAction*>(control)) {
        text = action->text();
    }
    QCOMPARE(text, caption);
}

void TWindowStartupTest::startUpState() {
    TWindowRig rig;
    QCOMPARE(rig.Form->windowTitle(), QStringLiteral("Vantrel 1.95e - (Untitled)"));
    QCOMPARE(rig.Form->objectName(), QStringLiteral("VantrelForm"));
    QCOMPARE(rig.Find<QComboBox>("ProcessorType")->currentText(), QStringLiteral("PIC16F84A"));
    QCOMPARE(rig.Find<QLabel>("Config")->text(), QStringLiteral("Config Word = $3FF9"));
    QVERIFY(rig.Find<QRadioButton>("OscillatorItem1")->isChecked());
    QCOMPARE(rig.Find<QRadioButton>("OscillatorItem1")->text(), QStringLiteral("XT"));
    QCOMPARE(rig.Find<QLabel>("PortName")->text(), QStringLiteral("Port : $378"));
    QVERIFY(rig.Form->PortInUse());
    QVERIFY(rig.Find<QLabel>("SimulatedLabel")->isVisible());

    for (const char* enabled :
         {"ReadButton", "WriteButton", "VerifyButton", "EraseButton", "Dissasemble"}) {
        QVERIFY2(rig.Find<QPushButton>(enabled)->isEnabled(), enabled);
    }
    // The Custom preset has no run control; Reload waits for a loaded file.
    for (const char* disabled : {"ReloadButton", "RunButton", "StopButton", "MCLRButton"}) {
        QVERIFY2(!rig.Find<QPushButton>(disabled)->isEnabled(), disabled);
    }
    for (const char* edit : {"CuT1", "Copy1", "Paste1"}) {
        QVERIFY2(!rig.Find<QAction>(edit)->isEnabled(), edit);
    }
    QVERIFY(!rig.Find<QToolButton>("CutButton")->isEnabled());
    QVERIFY(rig.Find<QAction>("AutoVerify")->isChecked());
    QVERIFY(rig.Find<QAction>("AutoDetect")->isChecked());
    QVERIFY(!rig.Find<QAction>("AutoUpdate")->isChecked());
    QVERIFY(rig.Find<QCheckBox>("BlankBox")->isChecked());
    QVERIFY(!rig.Find<QCheckBox>("CalBox")->isChecked());
    QVERIFY(!rig.Find<QCheckBox>("AutoBox")->isChecked());
    QVERIFY(!rig.Find<QMenu>("ReOpen")->isEnabled());
    QVERIFY(rig.Find<QGroupBox>("ConfigBox")->isHidden());

    auto* timer1 = rig.Find<QTimer>("Timer1");
    auto* timer2 = rig.Find<QTimer>("Timer2");
    auto* fileTimer = rig.Find<QTimer>("FileTimer");
    QCOMPARE(timer1->interval(), 3000);
    QVERIFY(timer1->isSingleShot());
    QVERIFY(!timer1->isActive());
    QCOMPARE(timer2->interval(), 100);
    QVERIFY(timer2->isActive());
    QCOMPARE(fileTimer->interval(), 1000);
    QVERIFY(!fileTimer->isActive());

    // A first run's fuses: only "MCLRE" checked (the 16F84A has no such fuse, so it is hidden).
    QVERIFY(rig.Find<QCheckBox>("MCLRBox")->isChecked());
    QVERIFY(rig.Find<QCheckBox>("MCLRBox")->isHidden());
    QVERIFY(!rig.Find<QCheckBox>("WDTBox")->isChecked());
    // The outputs are off once the window is up.
    QVERIFY(rig.PoweredDown());
}

// A programmer that cannot be opened leaves the window usable, with the chip commands off and
// the reason in the status line.
void TWindowStartupTest::startsWithoutAProgrammer() {
    const QSize normalSize = TWindowRig().Form->size();
    TWindowRig rig({}, "no-such-board-" + std::string(200, 'x'));
    QCOMPARE(rig.Form->Connection(), nullptr);
    // A long reason in the status line does not widen the window.
    QCOMPARE(rig.Form->size(), normalSize);
    QVERIFY(!rig.Form->PortInUse());
    QCOMPARE(rig.Find<QLabel>("PortName")->text(), QStringLiteral("Port : None"));
    QVERIFY(rig.StatusText().startsWith(QStringLiteral("No programmer: ")));
    QVERIFY(rig.StatusText().contains(QStringLiteral("no-such-board")));
    for (const char* command : {"ReadButton", "WriteButton", "VerifyButton", "EraseButton"}) {
        QVERIFY2(!rig.Find<QPushButton>(command)->isEnabled(), command);
    }
    QVERIFY(!rig.Find<QAction>("CheckPort")->isEnabled());
    // What needs no programmer still works.
    QVERIFY(rig.Find<QPushButton>("Dissasemble")->isEnabled());
    rig.ChooseDevice("16F877");
    QCOMPARE(rig.Find<QComboBox>("ProcessorType")->currentText(), QStringLiteral("PIC16F877"));
    QVERIFY(!rig.Find<QPushButton>("WriteButton")->isEnabled());
}

void TWindowStartupTest::hintsSplitIntoToolTipAndStatusLine() {
    TWindowRig rig;
    auto* newButton = rig.Find<QToolButton>("NewButton");
    QCOMPARE(newButton->toolTip(), QStringLiteral("New"));
    QCOMPARE(newButton->statusTip(), QStringLiteral("Clear all buffers."));
    auto* read = rig.Find<QPushButton>("ReadButton");
    QCOMPARE(read->toolTip(), QString());
    QCOMPARE(read->statusTip(), QStringLiteral("Read target PIC into buffer."));
    auto* config = rig.Find<QLabel>("Config");
    QCOMPARE(config->toolTip(), QStringLiteral("Displays configuration word."));
    QCOMPARE(config->statusTip(), QStringLiteral("Displays configuration word."));
    QCOMPARE(rig.Find<QAction>("SizeableWindow1")->statusTip(),
             QStringLiteral("Allow window to be resized."));
    QCOMPARE(rig.Find<QTableView>("StringGrid1")->statusTip(),
             QStringLiteral("Displays EEPROM program area."));

    // The mouse entering a control shows its long hint in the status line.
    QTest::mouseMove(read);
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(read, &enter);
    QCOMPARE(rig.StatusText(), QStringLiteral("Read target PIC into buffer."));
}

// An operation's texts stay while hints are suspended; Timer1 ends them after 3 seconds and
// gives the line back to the hints.
void TWindowStartupTest::operationTextsHoldTheStatusLineUntilTimer1() {
    TWindowRig rig;
    rig.Form->DisassemblyClick();
    QCOMPARE(rig.StatusText(), QStringLiteral("Disassembling - please wait!"));
    auto* timer1 = rig.Find<QTimer>("Timer1");
    QVERIFY(timer1->isActive());
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QApplication::sendEvent(rig.Find<QPushButton>("ReadButton"), &enter);
    QCOMPARE(rig.StatusText(), QStringLiteral("Disassembling - please wait!"));
    QTRY_VERIFY_WITH_TIMEOUT(rig.StatusText().isEmpty(), 5000);
    QVERIFY(!timer1->isActive());
    QApplication::sendEvent(rig.Find<QPushButton>("ReadButton"), &enter);
    QCOMPARE(rig.StatusText(), QStringLiteral("Read target PIC into buffer."));

    // A refused grid entry is an edit message: it starts Timer1 as well.
    rig.TypeIntoCell("StringGrid1", 0, 1, QStringLiteral("4000"));
    QCOMPARE(rig.StatusText(), QStringLiteral("Out of range"));
    QVERIFY(timer1->isActive());
}

// Cut, Copy and Paste follow the selection in the two text pages within 100 ms, and act only on
// the page that has the focus: in a grid they do nothing.
void TWindowStartupTest::editCommandsFollowTheFocusedEditor() {
    TWindowRig rig;
    auto* copy = rig.Find<QAction>("Copy1");
    auto* cut = rig.Find<QAction>("CuT1");
    auto* source = rig.Find<TSourceEditor>("Memo2");
    rig.Find<QTabWidget>("TabbedNotebook1")->setCurrentIndex(2);
    source->setText(QStringLiteral("            MOVLW   0x55\n"));
    source->setFocus();
    QVERIFY(!copy->isEnabled());
    source->setSelection(0, 12, 0, 17);
    QTRY_VERIFY_WITH_TIMEOUT(copy->isEnabled(), 1000);
    QVERIFY(cut->isEnabled());
    QVERIFY(rig.Find<QToolButton>("CutButton")->isEnabled());

    QApplication::clipboard()->clear();
    copy->trigger();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("MOVLW"));
    QTRY_VERIFY_WITH_TIMEOUT(rig.Find<QAction>("Paste1")->isEnabled(), 1000);

    // With the focus in a grid, Cut leaves the editor's text alone.
    rig.Find<QTabWidget>("TabbedNotebook1")->setCurrentIndex(0);
    rig.Find<QTableView>("StringGrid1")->setFocus();
    cut->trigger();
    QCOMPARE(source->text(), QStringLiteral("            MOVLW   0x55\n"));

    rig.Find<QTabWidget>("TabbedNotebook1")->setCurrentIndex(2);
    source->setFocus();
    source->setSelection(0, 12, 0, 17);
    cut->trigger();
    QCOMPARE(source->text(), QStringLiteral("               0x55\n"));
}

void TWindowStartupTest::smallScreenModeLetsOnlyTheHeightChange() {
    TWindowRig rig;
    const QSize normal = rig.Form->size();
    QCOMPARE(rig.Form->minimumSize(), normal);
    QCOMPARE(rig.Form->maximumSize(), normal);
    rig.Find<QAction>("SizeableWindow1")->trigger();
    QVERIFY(rig.Find<QAction>("SizeableWindow1")->isChecked());
    QCOMPARE(rig.Form->minimumWidth(), rig.Form->maximumWidth());
    QVERIFY(rig.Form->minimumHeight() < rig.Form->maximumHeight());
    QVERIFY(rig.Form->height() < normal.height());
    rig.Find<QAction>("SizeableWindow1")->trigger();
    QCOMPARE(rig.Form->minimumSize(), normal);
    QCOMPARE(rig.Form->maximumSize(), normal);
}

void TWindowStartupTest::aboutBoxNamesTheVersion() {
    TWindowRig rig;
    rig.Find<QAction>("AboutNotes1")->trigger();
    QCOMPARE(rig.Boxes.Texts.size(), 1);
    QVERIFY(rig.Boxes.Texts.front().startsWith(QStringLiteral("32 Bit Vantrel Version 1.95e\n")));
}

// Contents, the keyword index and help on help; every page is bundled, has a title, and every
// link between pages leads to a bundled page.
void TWindowStartupTest::helpOpensContentsIndexAndEveryLinkedPage() {
    TWindowRig rig;
    rig.Find<QAction>("Contents1")->trigger();
    auto* help = rig.Form->findChild<THelpWindow*>(QStringLiteral("HelpWindow"));
    QVERIFY(help != nullptr);
    QVERIFY(help->isVisible());
    auto* browser = help->findChild<QTextBrowser*>(QStringLiteral("HelpBrowser"));
    QCOMPARE(browser->source().fileName(), QStringLiteral("index.html"));
    QCOMPARE(browser->documentTitle(), QStringLiteral("Vantrel Help"));

    rig.Find<QAction>("SearchforHelpon1")->trigger();
    auto* keyword = help->findChild<QLineEdit*>(QStringLiteral("HelpKeyword"));
    auto* index = help->findChild<QListWidget*>(QStringLiteral("HelpIndex"));
    QVERIFY(keyword->text().isEmpty());
    QTest::keyClicks(keyword, QStringLiteral("auto-v"));
    int shown = 0;
    for (int row = 0; row < index->count(); ++row) {
        if (!index->item(row)->isHidden()) {
            ++shown;
            QVERIFY(index->item(row)->text().startsWith(QStringLiteral("Auto-V")));
        }
    }
    QVERIFY(shown > 0);
    QTest::keyClick(keyword, Qt::Key_Return);
    QCOMPARE(browser->source().fileName(), QStringLiteral("options.html"));

    rig.Find<QAction>("Howtousehelp1")->trigger();
    QCOMPARE(browser->source().fileName(), QStringLiteral("using-help.html"));

    QStringList files;
    for (const THelpPage& page : HelpPages()) {
        QVERIFY2(page.Title != page.File, qPrintable(page.File));
        QVERIFY2(!page.Keywords.isEmpty(), qPrintable(page.File));
        files.append(page.File);
    }
    static const QRegularExpression link(QStringLiteral("href=\"([a-z-]+\\.html)"));
    for (const QString& file : files) {
        QFile page(QStringLiteral(":/help/") + file);
        QVERIFY2(page.open(QIODevice::ReadOnly), qPrintable(file));
        const QString source = QString::fromUtf8(page.readAll());
        for (auto match = link.globalMatch(source); match.hasNext();) {
            const QString target = match.next().captured(1);
            QVERIFY2(files.contains(target), qPrintable(file + " links to " + target));
        }
    }
}

// Tab walks from the grids through the commands and every configuration control; the fuse
// boxes and the checked oscillator item are stops of their own.
void TWindowStartupTest::everyControlIsReachableFromTheKeyboard() {
    TWindowRig rig;
    rig.ChooseDevice("16F877");
    rig.Form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.Form.get()));
    rig.Find<QTableView>("StringGrid1")->setFocus();
    QStringList reached;
    for (int step = 0; step < 60; ++step) {
        QWidget* focus = QApplication::focusWidget();
        QVERIFY(focus != nullptr);
        reached.append(focus->objectName());
        QTest::keyClick(focus, Qt::Key_Tab);
    }
    for (const char* control :
         {"StringGrid1", "StringGrid2", "StringGrid3", "ReadButton", "WriteButton", "VerifyButton",
          "EraseButton", "Dissasemble", "ProcessorType", "AutoBox", "WDTBox", "PUTBox", "BORBox",
          "LVPBox", "CPDBox", "WRTBox", "CodePBox", "DebugBox"}) {
        QVERIFY2(reached.contains(QString::fromLatin1(control)),
                 qPrintable(QStringLiteral("%1 not reached: %2").arg(control, reached.join(' '))));
    }
    // The oscillator group is one stop; the arrow keys move among its items and Space chooses.
    const auto radio = std::find_if(reached.begin(), reached.end(), [](const QString& name) {
        return name.startsWith(QStringLiteral("OscillatorItem"));
    });
    QVERIFY(radio != reached.end());
    auto* item = rig.Find<QRadioButton>(qPrintable(*radio));
    item->setFocus();
    const QString word = rig.Find<QLabel>("Config")->text();
    if (item->isChecked()) {
        QTest::keyClick(item, Qt::Key_Down);
    }
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QVERIFY(rig.Find<QLabel>("Config")->text() != word);

    // The menus open from the keyboard: Alt+O and the Options items.
    QTest::keyClick(rig.Form.get(), Qt::Key_O, Qt::AltModifier);
    auto* options = rig.Find<QMenu>("Options1");
    QTRY_VERIFY(options->isVisible());
    QTest::keyClick(options, Qt::Key_Escape);
}

void TWindowStartupTest::splashShowsTheVersion() {
    TSplashForm splash;
    QCOMPARE(splash.findChild<QLabel*>(QStringLiteral("SplashVersion"))->text(),
             QStringLiteral("32 Bit Vantrel Version 1.95e"));
    QVERIFY(splash.windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(!splash.findChild<QLabel*>(QStringLiteral("SplashPicture"))->pixmap().isNull());
    QCOMPARE(TSplashForm::kShowMs, 3000);
}

}  // namespace vantrel::test

QTEST_MAIN(vantrel::test::TWindowStartupTest)
#include "window_startup_test.moc"
