// The window as the device and the image change it: the device layouts, the fuse controls as
// views of the configuration words, the grids with their addresses and validated edits, loading
// files (a broken one included), disassembly into the source editor and its highlighting.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "app/pic_asm_lexer.h"
#include "app/source_editor.h"
#include "device/device_selection.h"
#include "disasm/source_generator.h"
#include "support/window_rig.h"

namespace vantrel::test {

namespace {

std::uint8_t DeviceIndex(const char* name) {
    return ParseDeviceName(name).value();
}

QStringList VisibleFuseBoxes(const TWindowRig& rig) {
    QStringList names;
    for (QCheckBox* box : rig.Find<QGroupBox>("FusesBox")->findChildren<QCheckBox*>()) {
        if (!box->isHidden()) {
            names.append(box->objectName());
        }
    }
    names.sort();
    return names;
}

// A click on the box itself: check boxes and radio buttons take clicks on their box and caption
// only.
void ClickBox(QAbstractButton* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->height() / 2, box->height() / 2));
}

QStringList OfferedOscillators(const TWindowRig& rig) {
    QStringList names;
    for (int i = 0; i < 8; ++i) {
        auto* item = rig.Find<QRadioButton>(qPrintable(QStringLiteral("OscillatorItem%1").arg(i)));
        if (!item->isHidden()) {
            names.append(item->text());
        }
    }
    return names;
}

}  // namespace

class TWindowLayoutTest final : public QObject {
    Q_OBJECT

  private slots:
    void deviceLayouts_data();
    void deviceLayouts();
    void oscillatorAndFuseClicksMakeTheWord_data();
    void oscillatorAndFuseClicksMakeTheWord();
    void loadedWordSetsTheControls();
    void gridAddressesAndBlankImage();
    void gridEditsAreJudgedAgainstTheDevice_data();
    void gridEditsAreJudgedAgainstTheDevice();
    void refusedEntryStaysUntilTheGridsAreShownAgain();
    void configGridEditTouchesOnlyItsWord();
    void brokenFileStillShowsWhatTheImageHolds();
    void disassemblyFillsTheSourceEditor();
    void disassemblyRefuses18F();
    void sourceIsHighlightedAndCompleted();
};

// The device layouts: fuse boxes, oscillator names, panels, the 18F grid, the data grid, and
// the Erase rule.
void TWindowLayoutTest::deviceLayouts_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<QStringList>("fuses");
    QTest::addColumn<QStringList>("oscillators");
    QTest::addColumn<bool>("blankPanel");
    QTest::addColumn<bool>("calPanel");
    QTest::addColumn<bool>("pic18");
    QTest::addColumn<bool>("dataGrid");
    QTest::addColumn<bool>("erase");
    const QStringList set1{"LP", "XT", "HS", "RC"};
    const QStringList set2{"LP", "XT", "HS", "EXT", "INTI", "INTC", "ERI", "ERC"};
    const QStringList set4{"LP", "XT", "HS", "INTI", "INTC", "ERI", "ERC"};
    QTest::newRow("16F84") << "16F84" << QStringList{"CodePBox", "PUTBox", "WDTBox"} << set1
                           << false << false << false << true << true;
    QTest::newRow("16F628") << "16F628" << QStringList{"BORBox",  "CPDBox", "CodePBox", "LVPBox",
                                                       "MCLRBox", "PUTBox", "WDTBox"}
                            << set2 << false << false << false << true << true;
    QTest::newRow("12F675") << "12F675" << QStringList{"BG0Box",   "BG1Box",  "BORBox", "CPDBox",
                                                       "CodePBox", "MCLRBox", "PUTBox", "WDTBox"}
                            << set4 << false << true << false << true << true;
    QTest::newRow("12C509") << "12C509" << QStringList{"CodePBox", "MCLRBox", "WDTBox"}
                            << QStringList{"LP", "XT", "INT", "EXT"} << true << false << false
                            << false << false;
    QTest::newRow("16F73") << "16F73" << QStringList{"BORBox", "CodePBox", "PUTBox", "WDTBox"}
                           << set1 << false << false << false << false << true;
    QTest::newRow("18F452") << "18F452" << QStringList{} << set1 << false << false << true << true
                            << true;
}

void TWindowLayoutTest::deviceLayouts() {
    QFETCH(QString, device);
    QFETCH(QStringList, fuses);
    QFETCH(QStringList, oscillators);
    QFETCH(bool, blankPanel);
    QFETCH(bool, calPanel);
    QFETCH(bool, pic18);
    QFETCH(bool, dataGrid);
    QFETCH(bool, erase);
    TWindowRig rig;
    const int narrowIds = rig.Find<QTableView>("StringGrid3")->width();
    rig.ChooseDevice(qPrintable(device));
    QCOMPARE(rig.Find<QComboBox>("ProcessorType")->currentText(), QStringLiteral("PIC") + device);
    QCOMPARE(rig.Find<QGroupBox>("FusesBox")->isHidden(), pic18);
    QCOMPARE(rig.Find<QGroupBox>("OscillatorGroup")->isHidden(), pic18);
    QCOMPARE(rig.Find<QGroupBox>("ConfigBox")->isHidden(), !pic18);
    if (!pic18) {
        QCOMPARE(VisibleFuseBoxes(rig), fuses);
        QCOMPARE(OfferedOscillators(rig), oscillators);
    } else {
        QVERIFY(rig.Find<QTableView>("StringGrid3")->width() > narrowIds);
    }
    QCOMPARE(rig.Find<QWidget>("BlankPanel")->isHidden(), !blankPanel);
    QCOMPARE(rig.Find<QWidget>("CalPanel")->isHidden(), !calPanel);
    QCOMPARE(rig.Find<QTableView>("StringGrid2")->isHidden(), !dataGrid);
    QCOMPARE(rig.Find<QTableView>("StringGrid2")->isEnabled(), dataGrid);
    QCOMPARE(rig.Find<QPushButton>("EraseButton")->isEnabled(), erase);
    // A device change checks "Blank Chk" and unchecks "Change Cal".
    QVERIFY(rig.Find<QCheckBox>("BlankBox")->isChecked());
    QVERIFY(!rig.Find<QCheckBox>("CalBox")->isChecked());
    // Run and Stop do not bring Erase back for a one-time-programmable part.
    rig.Form->StopButtonClick();
    rig.Form->RunButtonClick();
    QCOMPARE(rig.Find<QPushButton>("EraseButton")->isEnabled(), erase);
}

// A click on an oscillator item or a fuse box makes the configuration word at once.
void TWindowLayoutTest::oscillatorAndFuseClicksMakeTheWord_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("oscillator");
    QTest::addColumn<int>("word");
    // Active-low fuses (power-up timer, code and data protection) have their bits set when
    // unchecked.
    QTest::newRow("16F84 XT, all off") << "16F84"
                                       << "" << 1 << 0x3FF9;
    QTest::newRow("16F84 code protect") << "16F84"
                                        << "CodePBox" << 1 << 0x0009;
    QTest::newRow("16F84 watchdog") << "16F84"
                                    << "WDTBox" << 1 << 0x3FFD;
    QTest::newRow("16F628 INTI") << "16F628"
                                 << "" << 4 << 0x3D18;
    QTest::newRow("16F628 ERC") << "16F628"
                                << "" << 7 << 0x3D1B;
    QTest::newRow("12F675 INTI") << "12F675"
                                 << "" << 3 << 0x0194;
    QTest::newRow("12F675 ERC") << "12F675"
                                << "" << 6 << 0x0197;
}

void TWindowLayoutTest::oscillatorAndFuseClicksMakeTheWord() {
    QFETCH(QString, device);
    QFETCH(QString, box);
    QFETCH(int, oscillator);
    QFETCH(int, word);
    TWindowRig rig;
    rig.ChooseDevice(qPrintable(device));
    // Start from every box unchecked.
    for (QCheckBox* check : rig.Find<QGroupBox>("FusesBox")->findChildren<QCheckBox*>()) {
        if (check->isChecked() && !check->isHidden()) {
            ClickBox(check);
        }
    }
    ClickBox(
        rig.Find<QRadioButton>(qPrintable(QStringLiteral("OscillatorItem%1").arg(oscillator))));
    if (!box.isEmpty()) {
        ClickBox(rig.Find<QCheckBox>(qPrintable(box)));
    }
    QCOMPARE(rig.Session.Device.Image.ConfigWord1, static_cast<std::uint16_t>(word));
    QCOMPARE(rig.Find<QLabel>("Config")->text(),
             QStringLiteral("Config Word = $") +
                 QStringLiteral("%1").arg(word, 4, 16, QLatin1Char('0')).toUpper());
}

// A file's configuration word sets the boxes and the oscillator; the 16F88's second word
// shows in the panel.
void TWindowLayoutTest::loadedWordSetsTheControls() {
    QTemporaryDir directory;
    TWindowRig rig;
    rig.ChooseDevice("12F675");
    TDeviceImage image = rig.Session.Device.Image;
    image.ConfigWord1 = 0x31FB;  // oscillator bits 011: shown as "HS" on this device
    const QString file = directory.filePath(QStringLiteral("hs.hex"));
    QVERIFY(WriteHexFile(file, image, DeviceIndex("12F675")));
    QVERIFY(rig.Form->FileLoad(file).Ok);
    QVERIFY(rig.Find<QRadioButton>("OscillatorItem2")->isChecked());
    QCOMPARE(rig.Find<QRadioButton>("OscillatorItem2")->text(), QStringLiteral("HS"));
    QCOMPARE(rig.Find<QLabel>("Config")->text(), QStringLiteral("Config Word = $31FB"));

    rig.ChooseDevice("16F88");
    for (const char* box : {"IESOBox", "FCMENBox"}) {
        if (!rig.Find<QCheckBox>(box)->isChecked()) {
            ClickBox(rig.Find<QCheckBox>(box));
        }
    }
    QVERIFY(rig.Find<QLabel>("Config")->text().endsWith(QStringLiteral(" + $0003")));
    QVERIFY(rig.Find<QLabel>("Config")->text().startsWith(QStringLiteral("Config Words = $")));
    ClickBox(rig.Find<QCheckBox>("IESOBox"));
    ClickBox(rig.Find<QCheckBox>("FCMENBox"));
    QVERIFY(rig.Find<QLabel>("Config")->text().endsWith(QStringLiteral(" + $0000")));
}

void TWindowLayoutTest::gridAddressesAndBlankImage() {
    TWindowRig rig;
    rig.ChooseDevice("16F84");
    auto* program = rig.Find<QTableView>("StringGrid1");
    QCOMPARE(program->model()->rowCount(), 128);
    QCOMPARE(program->model()->columnCount(), 9);
    QCOMPARE(rig.Cell("StringGrid1", 0, 0), QStringLiteral("0000"));
    QCOMPARE(rig.Cell("StringGrid1", 127, 0), QStringLiteral("03F8"));
    QCOMPARE(rig.Cell("StringGrid1", 5, 3), QStringLiteral("3FFF"));
    QCOMPARE(rig.Find<QTableView>("StringGrid2")->model()->rowCount(), 8);
    QCOMPARE(rig.Cell("StringGrid2", 0, 0), QStringLiteral("2100"));
    QCOMPARE(rig.Cell("StringGrid2", 7, 0), QStringLiteral("2138"));
    QCOMPARE(rig.Cell("StringGrid3", 0, 0), QStringLiteral("2000"));
    for (int column = 1; column <= 8; ++column) {
        QCOMPARE(rig.Cell("StringGrid3", 0, column), QStringLiteral("7F"));
    }
    rig.ChooseDevice("18F4680");
    QCOMPARE(rig.Find<QTableView>("StringGrid1")->model()->rowCount(), 4096);
    QCOMPARE(rig.Cell("StringGrid1", 4095, 0), QStringLiteral("7FF8"));
    QCOMPARE(rig.Cell("StringGrid2", 1, 0), QStringLiteral("0008"));
    QCOMPARE(rig.Cell("StringGrid3", 0, 0), QStringLiteral("0000"));
    QCOMPARE(rig.Cell("StringGrid4", 6, 0), QStringLiteral("Config7"));
}

// What a typed entry does: stored, "Out of range" against the device's word width (a 12-bit
// part takes no more than 0FFF, an 18F part up to FFFF), or "Not a valid number".
void TWindowLayoutTest::gridEditsAreJudgedAgainstTheDevice_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("stored");  // -1: the image keeps its value
    QTest::newRow("14-bit 3FFF") << "16F84"
                                 << "StringGrid1"
                                 << "3FFF"
                                 << "" << 0x3FFF;
    QTest::newRow("14-bit 1234") << "16F84"
                                 << "StringGrid1"
                                 << "1234"
                                 << "" << 0x1234;
    QTest::newRow("14-bit 4000") << "16F84"
                                 << "StringGrid1"
                                 << "4000"
                                 << "Out of range" << -1;
    QTest::newRow("letter") << "16F84"
                            << "StringGrid1"
                            << "12G4"
                            << "Not a valid number" << -1;
    QTest::newRow("incomplete") << "16F84"
                                << "StringGrid1"
                                << "12"
                                << "Not a valid number" << -1;
    QTest::newRow("12-bit 0FFF") << "12C509"
                                 << "StringGrid1"
                                 << "0FFF"
                                 << "" << 0x0FFF;
    QTest::newRow("12-bit 3FFF") << "12C509"
                                 << "StringGrid1"
                                 << "3FFF"
                                 << "Out of range" << -1;
    QTest::newRow("18F FFFF") << "18F452"
                              << "StringGrid1"
                              << "ABCD"
                              << "" << 0xABCD;
    QTest::newRow("data FF") << "16F84"
                             << "StringGrid2"
                             << "5A"
                             << "" << 0x5A;
    QTest::newRow("ID 3C") << "16F84"
                           << "StringGrid3"
                           << "3C"
                           << "" << 0x3C;
}

void TWindowLayoutTest::gridEditsAreJudgedAgainstTheDevice() {
    QFETCH(QString, device);
    QFETCH(QString, grid);
    QFETCH(QString, typed);
    QFETCH(QString, status);
    QFETCH(int, stored);
    TWindowRig rig;
    rig.ChooseDevice(qPrintable(device));
    const TDeviceImage before = rig.Session.Device.Image;
    rig.TypeIntoCell(qPrintable(grid), 0, 1, typed);
    QCOMPARE(rig.StatusText(), status);
    const TDeviceImage& after = rig.Session.Device.Image;
    const std::uint16_t value = grid == QStringLiteral("StringGrid1")   ? after.ProgramBuffer[0]
                                : grid == QStringLiteral("StringGrid2") ? after.DataBuffer[0]
                                                                        : after.IdBuffer[0];
    if (stored < 0) {
        QVERIFY(after == before);
    } else {
        QCOMPARE(value, static_cast<std::uint16_t>(stored));
        TDeviceImage expected = before;
        (grid == QStringLiteral("StringGrid1")   ? expected.ProgramBuffer[0]
         : grid == QStringLiteral("StringGrid2") ? expected.DataBuffer[0]
                                                 : expected.IdBuffer[0]) = value;
        QVERIFY2(after == expected, "one entry changed, nothing else");
        // An edit changes neither the fuse controls nor the HEX text.
        QCOMPARE(rig.Find<QPlainTextEdit>("Memo1")->toPlainText(), QString());
    }
}

void TWindowLayoutTest::refusedEntryStaysUntilTheGridsAreShownAgain() {
    TWindowRig rig;
    rig.TypeIntoCell("StringGrid1", 2, 3, QStringLiteral("4000"));
    QCOMPARE(rig.Cell("StringGrid1", 2, 3), QStringLiteral("4000"));
    QCOMPARE(rig.Session.Device.Image.ProgramBuffer[2 * 8 + 2], 0x3FFF);
    rig.Form->DisplayBuffer();
    QCOMPARE(rig.Cell("StringGrid1", 2, 3), QStringLiteral("3FFF"));
}

void TWindowLayoutTest::configGridEditTouchesOnlyItsWord() {
    TWindowRig rig;
    rig.ChooseDevice("18F452");
    const TDeviceImage before = rig.Session.Device.Image;
    rig.TypeIntoCell("StringGrid4", 3, 1, QStringLiteral("12AB"));
    QCOMPARE(rig.StatusText(), QString());
    TDeviceImage expected = before;
    expected.Config18[3] = 0x12AB;
    QVERIFY(rig.Session.Device.Image == expected);
    QCOMPARE(rig.Cell("StringGrid4", 3, 1), QStringLiteral("12AB"));
}

// A file the reader stops in: the grids and the fuse controls show what the image holds (the
// records before the bad one), not the file loaded before, and the reason is shown.
void TWindowLayoutTest::brokenFileStillShowsWhatTheImageHolds() {
    QTemporaryDir directory;
    TWindowRig rig;
    QVERIFY(rig.Form->FileLoad(SourcePath(QStringLiteral("samples/blink-16f84a.hex"))).Ok);
    QCOMPARE(rig.Cell("StringGrid1", 0, 1), QStringLiteral("2805"));
    const QString broken = directory.filePath(QStringLiteral("broken.hex"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(
        ":020000000130CD\n"  // word 0 = 0x3001
        ":02400E00F23F7F\n"  // configuration word 0x3FF2
        ":0200020086G05F\n"  // a bad character: the reader stops here
        ":00000001FF\n");
    file.close();
    const auto load = rig.Form->FileLoad(broken);
    QVERIFY(load.FileRead);
    QVERIFY(!load.Ok);
    QCOMPARE(rig.Boxes.Texts.size(), 1);
    QVERIFY(rig.Boxes.Texts.front().contains(QStringLiteral("broken.hex")));
    QCOMPARE(rig.Session.Device.Image.ProgramBuffer[0], 0x3001);
    QCOMPARE(rig.Cell("StringGrid1", 0, 1), QStringLiteral("3001"));
    QCOMPARE(rig.Cell("StringGrid1", 0, 2), QStringLiteral("3FFF"));
    QCOMPARE(rig.Find<QLabel>("Config")->text(), QStringLiteral("Config Word = $3FF2"));
    QVERIFY(rig.Find<QRadioButton>("OscillatorItem2")->isChecked());
}

void TWindowLayoutTest::disassemblyFillsTheSourceEditor() {
    TWindowRig rig;
    QVERIFY(rig.Form->FileLoad(SourcePath(QStringLiteral("samples/blink-16f84a.hex"))).Ok);
    TDeviceImage copy = rig.Session.Device.Image;
    TDisassembler reference;
    const std::vector<std::string> expected =
        GenerateSource(reference, copy, rig.Session.Device.Device());
    QTest::mouseClick(rig.Find<QPushButton>("Dissasemble"), Qt::LeftButton);
    auto* editor = rig.Find<TSourceEditor>("Memo2");
    QVERIFY(editor->Lines() == expected);
    QCOMPARE(rig.Find<QTabWidget>("TabbedNotebook1")->currentWidget()->objectName(),
             QStringLiteral("SourcePage"));
    // The replacement is one undoable step.
    editor->undo();
    QCOMPARE(editor->text(), QString());
}

void TWindowLayoutTest::disassemblyRefuses18F() {
    TWindowRig rig;
    rig.ChooseDevice("18F452");
    rig.Find<TSourceEditor>("Memo2")->setText(QStringLiteral("; kept\n"));
    QTest::mouseClick(rig.Find<QPushButton>("Dissasemble"), Qt::LeftButton);
    QCOMPARE(rig.Boxes.Texts,
             QStringList{"Disassembler function\nnot currently available\non 18F series PIC's"});
    QCOMPARE(rig.Find<TSourceEditor>("Memo2")->text(), QStringLiteral("; kept\n"));
}

// The editor knows mnemonics, directives and the device's own names; labels stand in the first
// column.
void TWindowLayoutTest::sourceIsHighlightedAndCompleted() {
    TWindowRig rig;
    rig.ChooseDevice("16F84A");
    auto* editor = rig.Find<TSourceEditor>("Memo2");
    const QString line = QStringLiteral("Loop        BSF     STATUS    , RP0 ; bank 1");
    editor->setText(line + QStringLiteral("\n            __CONFIG 0x3FF1\n"));
    editor->recolor();
    const auto styleAt = [&](int lineNumber, const QString& word) {
        const QString text = editor->text(lineNumber);
        const long position =
            editor->positionFromLineIndex(lineNumber, static_cast<int>(text.indexOf(word)));
        return static_cast<int>(editor->SendScintilla(QsciScintilla::SCI_GETSTYLEAT, position));
    };
    QCOMPARE(styleAt(0, QStringLiteral("Loop")), int(TPicAsmLexer::Label));
    QCOMPARE(styleAt(0, QStringLiteral("BSF")), int(TPicAsmLexer::Mnemonic));
    QCOMPARE(styleAt(0, QStringLiteral("STATUS")), int(TPicAsmLexer::Register));
    QCOMPARE(styleAt(0, QStringLiteral("RP0")), int(TPicAsmLexer::Register));
    QCOMPARE(styleAt(0, QStringLiteral("; bank")), int(TPicAsmLexer::Comment));
    QCOMPARE(styleAt(1, QStringLiteral("__CONFIG")), int(TPicAsmLexer::Directive));
    QCOMPARE(styleAt(1, QStringLiteral("0x3FF1")), int(TPicAsmLexer::Number));

    const TPicAsmLexer& lexer = *editor->Lexer();
    QCOMPARE(lexer.WordStyle(QStringLiteral("movlw"), false), TPicAsmLexer::Mnemonic);
    QCOMPARE(lexer.WordStyle(QStringLiteral("include"), false), TPicAsmLexer::Directive);
    QCOMPARE(lexer.WordStyle(QStringLiteral("H'FF'"), false), TPicAsmLexer::Number);
    QCOMPARE(lexer.WordStyle(QStringLiteral("B'0101'"), false), TPicAsmLexer::Number);
    QCOMPARE(lexer.WordStyle(QStringLiteral("Label_0001"), false), TPicAsmLexer::Default);
    const QStringList words = lexer.CompletionWords();
    for (const char* word : {"MOVLW", "ORG", "__CONFIG", "PORTB", "TRISB"}) {
        QVERIFY2(words.contains(QString::fromLatin1(word)), word);
    }
    // Names of another device's include file are not offered.
    rig.ChooseDevice("12C509");
    QVERIFY(!editor->Lexer()->CompletionWords().contains(QStringLiteral("EEDATA")));
    QVERIFY(editor->Lexer()->CompletionWords().contains(QStringLiteral("GPIO")));

    // Typing the start of a name offers the list.
    editor->setText(QString());
    editor->setFocus();
    QTest::keyClicks(editor, QStringLiteral("MOV"));
    QVERIFY(editor->isListActive());
}

}  // namespace vantrel::test

QTEST_MAIN(vantrel::test::TWindowLayoutTest)
#include "window_layout_test.moc"
