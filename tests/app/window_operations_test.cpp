// The chip operations from the window's buttons on the simulated programmer, judged by what the
// simulated chip holds afterwards and what the window shows; Cancel and closing during a long
// Write; port detection and run control; the unattended run in the window.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include "device/device_selection.h"
#include "hardware/programmer_presets.h"
#include "sim/sim_chip_state.h"
#include "support/window_rig.h"

namespace vantrel::test {

namespace {

using TButton = TModalAnswerer::TButton;

std::uint8_t DeviceIndex(const QString& name) {
    return ParseDeviceName(name.toStdString()).value();
}

// A few words of program and a data byte, within the device's widths.
void PutProgram(TVantrelSession& session) {
    const TPicDevice& device = session.Device.Device();
    TDeviceImage& image = session.Device.Image;
    const std::uint16_t words[] = {0x0C55, 0x0026, 0x0A02};
    for (std::size_t i = 0; i < std::size(words); ++i) {
        image.ProgramBuffer.at(i) = static_cast<std::uint16_t>(words[i] & device.BlankWord);
    }
    if (device.EepromSize != 0) {
        image.DataBuffer[0] = 0x12;
    }
}

QString Hex4(std::uint16_t value) {
    return QStringLiteral("%1").arg(value, 4, 16, QLatin1Char('0')).toUpper();
}

bool NoViolationReported(const QStringList& texts) {
    for (const QString& text : texts) {
        if (text.contains(QStringLiteral("violation"))) {
            return false;
        }
    }
    return true;
}

// A full 18F4680 image: about a minute and a half of Write on a real chip.
void FillFull18F4680(TWindowRig& rig) {
    rig.ChooseDevice("18F4680");
    QRandomGenerator random(4680);
    for (std::uint16_t& word : rig.Session.Device.Image.ProgramBuffer) {
        word = static_cast<std::uint16_t>(random.bounded(0x10000));
    }
    rig.Form->DisplayBuffer();
}

}  // namespace

class TWindowOperationsTest final : public QObject {
    Q_OBJECT

  private slots:
    void writeVerifyReadErase_data();
    void writeVerifyReadErase();
    void verifyFailureIsReported();
    void cancelStopsALongWriteWithTheProgrammerOff();
    void closingDuringAWriteAsksAndCancels();
    void findPortAndRunControl();
    void noPortFoundKeepsTheOperationsOff();
    void unattendedRunReportsItsOutcome();
    void unattendedRunRefusesBeforeTheWrite();
};

void TWindowOperationsTest::writeVerifyReadErase_data() {
    QTest::addColumn<QString>("device");
    QTest::addColumn<bool>("otp");
    QTest::addColumn<QString>("readStatus");
    QTest::newRow("16F84A") << "16F84A" << false << "Target PIC read into buffer";
    QTest::newRow("12F675") << "12F675" << false << "Target PIC read into buffer";
    QTest::newRow("12C509") << "12C509" << true << "Target PIC read into buffer";
    QTest::newRow("18F452") << "18F452" << false << "Target PIC config data read into buffer";
}

void TWindowOperationsTest::writeVerifyReadErase() {
    QFETCH(QString, device);
    QFETCH(bool, otp);
    QFETCH(QString, readStatus);
    TWindowRig rig;
    rig.ChooseDevice(qPrintable(device));
    PutProgram(rig.Session);
    rig.Form->DisplayBuffer();
    const TDeviceImage written = rig.Session.Device.Image;
    const std::optional<std::uint16_t> calibration = FactoryCalibrationWord(DeviceIndex(device));
    if (otp) {
        // The chip's calibration word is offered to be kept.
        rig.Boxes.Script = {TButton::Yes};
    }

    QVERIFY(rig.RunOperation("WriteButton"));
    static const QRegularExpression written_(
        QStringLiteral("^\\d+ program words written in \\d+ secs\\.$"));
    QVERIFY2(written_.match(rig.StatusText()).hasMatch(), qPrintable(rig.StatusText()));
    const TSimChipState& chip = rig.Board().ChipState();
    for (std::size_t i = 0; i < 3; ++i) {
        QCOMPARE(chip.Program.at(i), written.ProgramBuffer.at(i));
    }
    if (!chip.Data.empty()) {
        QCOMPARE(chip.Data.at(0), std::uint8_t{0x12});
    }
    const TPicDevice& pic = DeviceTable.at(DeviceIndex(device));
    if (calibration) {
        QCOMPARE(chip.Program.at(pic.CalibrationAddress), *calibration);
    }
    QVERIFY(rig.PoweredDown());
    QVERIFY(rig.Find<QPushButton>("ReadButton")->isEnabled());

    QVERIFY(rig.RunOperation("VerifyButton"));
    QCOMPARE(rig.StatusText(), QStringLiteral("Verify Successful!"));

    // Read into a cleared image: what the grids then show came from the chip.
    rig.ChooseDevice(qPrintable(device));
    QCOMPARE(rig.Cell("StringGrid1", 0, 1), Hex4(pic.BlankWord));
    QVERIFY(rig.RunOperation("ReadButton"));
    QCOMPARE(rig.StatusText(), readStatus);
    QCOMPARE(rig.Session.Device.Image.ProgramBuffer[1], written.ProgramBuffer[1]);
    QCOMPARE(rig.Cell("StringGrid1", 0, 2), Hex4(written.ProgramBuffer[1]));
    QVERIFY(
        rig.Find<QPlainTextEdit>("Memo1")->toPlainText().endsWith(QStringLiteral(":00000001FF\n")));
    QCOMPARE(rig.Find<QTabWidget>("TabbedNotebook1")->currentWidget()->objectName(),
             QStringLiteral("BufferPage"));

    auto* erase = rig.Find<QPushButton>("EraseButton");
    if (otp) {
        QVERIFY(!erase->isEnabled());
    } else {
        rig.Boxes.Script = {TButton::Yes};
        QVERIFY(rig.RunOperation("EraseButton"));
        QCOMPARE(rig.StatusText(), QStringLiteral("Target PIC Erased!"));
        QCOMPARE(rig.Board().ChipState().Program.at(0), pic.BlankWord);
        QCOMPARE(rig.Cell("StringGrid1", 0, 1), Hex4(pic.BlankWord));
        QCOMPARE(rig.Form->windowTitle(), QStringLiteral("Vantrel 1.95e - [untitled]"));
        if (calibration) {
            QCOMPARE(rig.Board().ChipState().Program.at(pic.CalibrationAddress), *calibration);
        }
    }
    QVERIFY2(NoViolationReported(rig.Boxes.Texts), qPrintable(rig.Boxes.Texts.join('\n')));
    QVERIFY(rig.PoweredDown());
}

// A word the chip will not take: the Write's own box at the failing address, then its status.
void TWindowOperationsTest::verifyFailureIsReported() {
    TWindowRig rig({}, {}, "word-fails=1");
    PutProgram(rig.Session);
    rig.Form->DisplayBuffer();
    QVERIFY(rig.RunOperation("WriteButton"));
    QVERIFY(rig.StatusText().startsWith(QStringLiteral("VERIFY FAILED! - Elapsed time = ")));
    QCOMPARE(rig.Boxes.Texts.size(), 1);
    QVERIFY(rig.Boxes.Texts.front().contains(QStringLiteral("0x001")));
    QVERIFY(rig.PoweredDown());
}

// Esc during a long Write: the chip operation stops at its next port access, the programmer is
// off, the status line says so, and the window takes input again. While the Write runs the
// window keeps painting its status and progress.
void TWindowOperationsTest::cancelStopsALongWriteWithTheProgrammerOff() {
    TWindowRig rig;
    FillFull18F4680(rig);
    rig.Form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.Form.get()));
    QSignalSpy finished(rig.Form.get(), &TVantrelForm::ChipOperationFinished);
    QTest::mouseClick(rig.Find<QPushButton>("WriteButton"), Qt::LeftButton);
    auto* progress = rig.Find<QProgressBar>("OperationProgress");
    QTRY_VERIFY_WITH_TIMEOUT(
        rig.StatusText() == QStringLiteral("Writing Program memory...") && progress->value() > 0,
        60000);
    QVERIFY(rig.Form->OperationRunning());
    QVERIFY(rig.Find<QPushButton>("CancelButton")->isVisible());
    // No other command while the chip is worked on.
    QVERIFY(!rig.Find<QPushButton>("ReadButton")->isEnabled());
    QVERIFY(!rig.Form->menuBar()->isEnabled());

    QTest::keyClick(rig.Form.get(), Qt::Key_Escape);
    QVERIFY(finished.wait(60000));
    QCOMPARE(rig.StatusText(), QStringLiteral("Operation cancelled"));
    QVERIFY(rig.PoweredDown());
    QVERIFY(!rig.Form->OperationRunning());
    QVERIFY(rig.Find<QPushButton>("ReadButton")->isEnabled());
    QVERIFY(!rig.Find<QPushButton>("CancelButton")->isVisible());
    QVERIFY2(rig.Boxes.Texts.isEmpty(), qPrintable(rig.Boxes.Texts.join('\n')));
}

void TWindowOperationsTest::closingDuringAWriteAsksAndCancels() {
    TWindowRig rig;
    FillFull18F4680(rig);
    QSignalSpy finished(rig.Form.get(), &TVantrelForm::ChipOperationFinished);
    QTest::mouseClick(rig.Find<QPushButton>("WriteButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(rig.StatusText() == QStringLiteral("Writing Program memory..."),
                             60000);
    rig.Boxes.Script = {TButton::No};
    QVERIFY(!rig.Form->close());
    QVERIFY(rig.Form->OperationRunning());
    QVERIFY(rig.Form->isVisible());
    rig.Boxes.Script = {TButton::Yes};
    QVERIFY(!rig.Form->close());
    QVERIFY(finished.wait(60000));
    QTRY_VERIFY(!rig.Form->isVisible());
    QVERIFY(rig.PoweredDown());
    QVERIFY2(rig.Boxes.Texts.size() == 2, qPrintable(rig.Boxes.Texts.join("\n----\n")));

    // Told to end from outside (a signal), the window cancels without asking.
    TWindowRig told;
    FillFull18F4680(told);
    QSignalSpy ended(told.Form.get(), &TVantrelForm::ChipOperationFinished);
    QTest::mouseClick(told.Find<QPushButton>("WriteButton"), Qt::LeftButton);
    QTRY_VERIFY_WITH_TIMEOUT(told.StatusText() == QStringLiteral("Writing Program memory..."),
                             60000);
    told.Form->CloseWithoutAsking();
    QVERIFY(ended.wait(60000));
    QTRY_VERIFY(!told.Form->isVisible());
    QVERIFY(told.PoweredDown());
    QVERIFY(told.Boxes.Texts.isEmpty());
}

// A Ferrow board: run control drives the reset line and locks the chip commands out while the
// target runs; Erase stays off for a one-time-programmable part whatever Run and Stop do.
void TWindowOperationsTest::findPortAndRunControl() {
    const TProgrammerPreset* ferrow = FindPresetByCommandName("ferrow");
    TWindowRig rig([&](TVantrelSession& session) {
        session.Hardware.Simulator.Board = "ferrow";
        session.Hardware.Wiring = *ferrow->Wiring;
        session.Hardware.ProgrammerType = kProgrammerFerrow;
    });
    QVERIFY(rig.Form->PortInUse());
    QCOMPARE(rig.Find<QLabel>("PortName")->text(), QStringLiteral("Port : $378"));
    auto* run = rig.Find<QPushButton>("RunButton");
    auto* stop = rig.Find<QPushButton>("StopButton");
    auto* reset = rig.Find<QPushButton>("MCLRButton");
    QVERIFY(run->isEnabled());
    QVERIFY(!stop->isEnabled());
    QVERIFY(!reset->isEnabled());
    QVERIFY(!rig.Board().Socket().Mclr);
    QVERIFY(rig.Find<QPushButton>("WriteButton")->isEnabled());

    QTest::mouseClick(run, Qt::LeftButton);
    QVERIFY(rig.Board().Socket().Mclr);
    QVERIFY(!run->isEnabled());
    QVERIFY(stop->isEnabled());
    QVERIFY(reset->isEnabled());
    for (const char* command : {"ReadButton", "WriteButton", "VerifyButton", "EraseButton"}) {
        QVERIFY2(!rig.Find<QPushButton>(command)->isEnabled(), command);
    }
    QTest::mouseClick(reset, Qt::LeftButton);
    QVERIFY(rig.Board().Socket().Mclr);
    QTest::mouseClick(stop, Qt::LeftButton);
    QVERIFY(!rig.Board().Socket().Mclr);
    QVERIFY(rig.Find<QPushButton>("WriteButton")->isEnabled());
    QVERIFY(rig.Find<QPushButton>("EraseButton")->isEnabled());

    rig.ChooseDevice("12C509");
    QTest::mouseClick(run, Qt::LeftButton);
    QTest::mouseClick(stop, Qt::LeftButton);
    QVERIFY(rig.Find<QPushButton>("WriteButton")->isEnabled());
    QVERIFY(!rig.Find<QPushButton>("EraseButton")->isEnabled());

    rig.Find<QAction>("CheckPort")->trigger();
    QVERIFY(rig.Form->PortInUse());
    QVERIFY(!rig.Find<QPushButton>("EraseButton")->isEnabled());
    QVERIFY(rig.Boxes.Texts.isEmpty());
}

// A Cardlet preset on a board that does not answer: the operations stay off after start-up.
void TWindowOperationsTest::noPortFoundKeepsTheOperationsOff() {
    const TProgrammerPreset* cardlet = FindPresetByCommandName("cardlet");
    TWindowRig rig([&](TVantrelSession& session) {
        session.Hardware.Simulator.Board = "p16pro40-7406";
        session.Hardware.Wiring = *cardlet->Wiring;
        session.Hardware.ProgrammerType = kProgrammerCardlet;
    });
    QVERIFY(!rig.Form->PortInUse());
    QCOMPARE(rig.Find<QLabel>("PortName")->text(), QStringLiteral("Port : None"));
    for (const char* command : {"ReadButton", "WriteButton", "VerifyButton", "EraseButton"}) {
        QVERIFY2(!rig.Find<QPushButton>(command)->isEnabled(), command);
    }
    QVERIFY(rig.Find<QPushButton>("RunButton")->isEnabled());
}

void TWindowOperationsTest::unattendedRunReportsItsOutcome() {
    QTemporaryDir directory;
    const QString file = directory.filePath(QStringLiteral("program.hex"));
    {
        TVantrelSession scratch;
        scratch.Config.ChangeDevice(DeviceIndex(QStringLiteral("16F877")));
        PutProgram(scratch);
        QVERIFY(WriteHexFile(file, scratch.Device.Image, scratch.Device.CurrentDevice));
    }
    {
        TWindowRig rig;
        QSignalSpy ended(rig.Form.get(), &TVantrelForm::CommandLineRunFinished);
        QCOMPARE(rig.Form->StartCommandLineRun(DeviceIndex(QStringLiteral("16F877")),
                                               file.toStdString()),
                 std::nullopt);
        QVERIFY(ended.wait(60000));
        QCOMPARE(ended.front().front().toInt(), 0);
        QCOMPARE(rig.Board().ChipState().Program.at(2), std::uint16_t{0x0A02});
        QVERIFY(!rig.Find<QCheckBox>("AutoBox")->isChecked());
    }
    {
        // The Write's own box still appears for the person at the desk; the status is 1.
        TWindowRig rig({}, {}, "word-fails=0");
        QSignalSpy ended(rig.Form.get(), &TVantrelForm::CommandLineRunFinished);
        QCOMPARE(rig.Form->StartCommandLineRun(DeviceIndex(QStringLiteral("16F877")),
                                               file.toStdString()),
                 std::nullopt);
        QVERIFY(ended.wait(60000));
        QCOMPARE(ended.front().front().toInt(), 1);
        QCOMPARE(rig.Boxes.Texts.size(), 1);
    }
    {
        // Only a device: it is selected and nothing is written.
        TWindowRig rig;
        QCOMPARE(rig.Form->StartCommandLineRun(DeviceIndex(QStringLiteral("18F452")), {}),
                 std::nullopt);
        QCOMPARE(rig.Session.Device.CurrentDevice, DeviceIndex(QStringLiteral("18F452")));
        QVERIFY(!rig.Form->OperationRunning());
    }
}

// Before the Write: a reader error is status 2, no programmer is 3; no message box either way,
// and nothing reaches the chip.
void TWindowOperationsTest::unattendedRunRefusesBeforeTheWrite() {
    QTemporaryDir directory;
    const QString broken = directory.filePath(QStringLiteral("broken.hex"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(":020000000130CD\n:0200020086G05F\n:00000001FF\n");
    file.close();
    {
        TWindowRig rig;
        QCOMPARE(rig.Form->StartCommandLineRun(DeviceIndex(QStringLiteral("16F84A")),
                                               broken.toStdString()),
                 std::optional<int>(2));
        QVERIFY(rig.Boxes.Texts.isEmpty());
        QCOMPARE(rig.Board().ChipState().Program.at(0), std::uint16_t{0x3FFF});
        QVERIFY(!rig.Form->OperationRunning());
    }
    {
        TWindowRig rig({}, "no-such-board");
        QCOMPARE(rig.Form->StartCommandLineRun(
                     DeviceIndex(QStringLiteral("16F84A")),
                     SourcePath(QStringLiteral("samples/blink-16f84a.hex")).toStdString()),
                 std::optional<int>(3));
        QVERIFY(rig.Boxes.Texts.isEmpty());
    }
}

}  // namespace vantrel::test

QTEST_MAIN(vantrel::test::TWindowOperationsTest)
#include "window_operations_test.moc"
