// The window's side of the chip checks, answered in-process against the simulated chip: a chip
// of another device in the socket is written only after a Yes, and a chip whose calibration word
// cannot be kept is erased only with a value the user types.

#include <QApplication>
#include <QInputDialog>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <fstream>
#include <functional>

#include "device/device_selection.h"
#include "hexfile/hex_reader.h"
#include "sim/sim_chip_file.h"
#include "sim/sim_chip_state.h"
#include "support/window_rig.h"

namespace vantrel::test {

namespace {

using TButton = TModalAnswerer::TButton;

constexpr std::uint16_t kGivenCalibration = 0x3480;

// Answers the calibration input as a user would: each text in turn, typed and confirmed; an
// empty text is Cancel. The prompts seen are kept.
class TCalibrationTyper final : public QObject {
  public:
    explicit TCalibrationTyper(QStringList answers) : answers_(std::move(answers)) {
        connect(&poll_, &QTimer::timeout, this, &TCalibrationTyper::Answer);
        poll_.start(20);
    }

    QStringList Prompts;

  private:
    void Answer() {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr || !dialog->isVisible() ||
            dialog->objectName() != QStringLiteral("CalibrationDialog") ||
            dialog->property("answered").toBool()) {
            return;
        }
        dialog->setProperty("answered", true);
        Prompts.append(dialog->labelText());
        const QString answer = answers_.isEmpty() ? QString() : answers_.takeFirst();
        if (answer.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->setTextValue(answer);
        dialog->accept();
    }

    QStringList answers_;
    QTimer poll_;
};

void PutProgram(TVantrelSession& session) {
    session.Device.Image.ProgramBuffer.at(0) = 0x0C55;
    session.Device.Image.ProgramBuffer.at(1) = 0x0026;
}

}  // namespace

class TTrustDialogsTest final : public QObject {
    Q_OBJECT

  private slots:
    void otherDeviceIsWrittenOnlyAfterYes();
    void calibrationValueIsAskedFor();
    void calibrationCancelledLeavesTheChip();
    void unattendedRunRefusesAFileWithNothingToWrite();
};

// A 16F876A kept in the socket while a 16F877A is chosen: the warning question names both; No
// writes nothing, Yes goes on.
void TTrustDialogsTest::otherDeviceIsWrittenOnlyAfterYes() {
    QTemporaryDir directory;
    const std::string chipFile = directory.filePath(QStringLiteral("chip.sim")).toStdString();
    {
        std::ofstream kept(chipFile, std::ios::binary);
        kept << FormatSimChipFile(FactoryFreshChip(ParseDeviceName("16F876A").value()));
        QVERIFY(kept.good());
    }
    TWindowRig rig(chipFile);
    rig.ChooseDevice("16F877A");
    PutProgram(rig.Session);
    rig.Form->DisplayBuffer();

    rig.Boxes.Script = {TButton::No};
    QVERIFY(rig.RunOperation("WriteButton"));
    QCOMPARE(rig.Boxes.Texts.size(), 1);
    QVERIFY2(rig.Boxes.Texts.front().startsWith(QStringLiteral("Found a 16F876A (device ID 0x")),
             qPrintable(rig.Boxes.Texts.front()));
    QVERIFY(rig.Boxes.Texts.front().contains(QStringLiteral("expected a 16F877A")));
    QCOMPARE(rig.StatusText(), QStringLiteral("Write ABORTED!"));
    QCOMPARE(rig.Board().ChipState().Program.at(0), std::uint16_t{0x3FFF});
    QVERIFY(rig.PoweredDown());

    rig.Boxes.Script = {TButton::Yes};
    rig.Boxes.Texts.clear();
    QVERIFY(rig.RunOperation("WriteButton"));
    QVERIFY(rig.Boxes.Texts.front().startsWith(QStringLiteral("Found a 16F876A")));
    QVERIFY(rig.StatusText() != QStringLiteral("Write ABORTED!"));
    QCOMPARE(rig.Board().ChipState().Program.at(0), std::uint16_t{0x0C55});
    QVERIFY(rig.PoweredDown());
}

// A code-protected 12F675 reads its calibration word as 0: the window asks for the value, asks
// again after one that is no RETLW, and writes the one given back after the erase.
void TTrustDialogsTest::calibrationValueIsAskedFor() {
    TWindowRig rig({}, {}, "protected");
    rig.ChooseDevice("12F675");
    PutProgram(rig.Session);
    rig.Form->DisplayBuffer();
    TCalibrationTyper typer(
        {QStringLiteral("12G4"), QStringLiteral("0x3012"), QStringLiteral(" 3480 ")});
    QVERIFY(rig.RunOperation("WriteButton"));

    QCOMPARE(typer.Prompts.size(), 3);
    QVERIFY2(typer.Prompts.front().contains(QStringLiteral("not a RETLW")),
             qPrintable(typer.Prompts.front()));
    QVERIFY(typer.Prompts.at(1).contains(QStringLiteral("\"12G4\" is not a calibration value")));
    QVERIFY(typer.Prompts.at(2).contains(QStringLiteral("\"0x3012\" is not a calibration value")));
    const TPicDevice& device = DeviceTable.at(ParseDeviceName("12F675").value());
    const TSimChipState& chip = rig.Board().ChipState();
    QCOMPARE(chip.Program.at(device.CalibrationAddress), kGivenCalibration);
    QCOMPARE(chip.Program.at(0), std::uint16_t{0x0C55});
    QVERIFY2(rig.StatusText().endsWith(QStringLiteral(" secs.")), qPrintable(rig.StatusText()));
    QVERIFY(rig.PoweredDown());
}

// Cancel refuses: nothing is erased, the chip keeps what it held.
void TTrustDialogsTest::calibrationCancelledLeavesTheChip() {
    TWindowRig rig({}, {}, "protected");
    rig.ChooseDevice("12F675");
    PutProgram(rig.Session);
    rig.Form->DisplayBuffer();
    TCalibrationTyper typer({});
    QVERIFY(rig.RunOperation("WriteButton"));
    QCOMPARE(typer.Prompts.size(), 1);
    QCOMPARE(rig.StatusText(), QStringLiteral("Write ABORTED!"));
    const std::uint8_t device = ParseDeviceName("12F675").value();
    const TSimChipState& chip = rig.Board().ChipState();
    QCOMPARE(chip.Program.at(DeviceTable.at(device).CalibrationAddress),
             FactoryCalibrationWord(device).value());
    QVERIFY(chip.Program.at(0) != 0x0C55);
    QVERIFY(rig.PoweredDown());
}

// `vantrel DEVICE FILE` with a file that sets nothing of the device, or holds values it has no
// room for: status 2 before the chip is touched, said on standard error, no box.
void TTrustDialogsTest::unattendedRunRefusesAFileWithNothingToWrite() {
    QTemporaryDir directory;
    const std::uint8_t device = ParseDeviceName("16F84A").value();
    for (const char* text : {"", "\tlist p=16f84a\n\tend\n", ":02080000550C95\n:00000001FF\n"}) {
        const QString path = directory.filePath(QStringLiteral("prog.hex"));
        {
            std::ofstream file(path.toStdString(), std::ios::binary | std::ios::trunc);
            file << text;
        }
        TWindowRig rig;
        QCOMPARE(rig.Form->StartCommandLineRun(device, path.toStdString()), std::optional<int>(2));
        QVERIFY(!rig.Form->OperationRunning());
        // The reader's own warning about a file without fuses is all the person at the desk
        // sees; why nothing was written goes to standard error.
        rig.Boxes.Texts.removeAll(QString::fromLatin1(kFusesNotSetWarning));
        QVERIFY2(rig.Boxes.Texts.isEmpty(), qPrintable(rig.Boxes.Texts.join('\n')));
        QCOMPARE(rig.Board().ChipState().Program.at(0), std::uint16_t{0x3FFF});
    }
}

}  // namespace vantrel::test

QTEST_MAIN(vantrel::test::TTrustDialogsTest)
#include "trust_dialogs_test.moc"
