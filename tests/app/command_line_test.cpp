// The command line of `vantrel`: how it is read, and the exit statuses of the unattended run of
// the built program on the simulated programmer.

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "app/app_command_line.h"
#include "service/exclusive_lock.h"
#include "support/window_rig.h"

namespace vantrel::test {

namespace {

QString Sample() {
    return SourcePath(QStringLiteral("samples/blink-16f84a.hex"));
}

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class TCommandLineTest final : public QObject {
    Q_OBJECT

  private slots:
    void parsing_data();
    void parsing();
    void helpAndVersion();
    void unattendedWriteSucceeds();
    void unknownDeviceProgramsNothing_data();
    void unknownDeviceProgramsNothing();
    void missingOrBrokenFileProgramsNothing();
    void noProgrammerIsStatus3();
};

void TCommandLineTest::parsing_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("error");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("file");
    QTest::newRow("nothing") << QStringList{} << ""
                             << ""
                             << "";
    QTest::newRow("device and file") << QStringList{"16F84A", "a.hex"} << ""
                                     << "16F84A"
                                     << "a.hex";
    QTest::newRow("options before")
        << QStringList{"--driver", "simulated", "--port=0x278", "12F675"} << ""
        << "12F675"
        << "";
    QTest::newRow("dash file after --") << QStringList{"--", "16F84A", "-odd.hex"} << ""
                                        << "16F84A"
                                        << "-odd.hex";
    QTest::newRow("unknown option") << QStringList{"--bogus"} << "unknown option '--bogus'"
                                    << ""
                                    << "";
    QTest::newRow("short unknown") << QStringList{"-x"} << "unknown option '-x'"
                                   << ""
                                   << "";
    QTest::newRow("unknown driver")
        << QStringList{"--driver", "usb"} << "unknown driver 'usb' (ppdev, direct or simulated)"
        << ""
        << "";
    QTest::newRow("port not a candidate")
        << QStringList{"--port", "0x379"} << "unknown port '0x379' (0x378, 0x278 or 0x3BC)"
        << ""
        << "";
    QTest::newRow("port without 0x")
        << QStringList{"--port", "378"} << "unknown port '378' (0x378, 0x278 or 0x3BC)"
        << ""
        << "";
    QTest::newRow("missing value")
        << QStringList{"--sim-chip"} << "option '--sim-chip' needs a value (FILE)"
        << ""
        << "";
    QTest::newRow("flag with value")
        << QStringList{"--help=yes"} << "option '--help' takes no value"
        << ""
        << "";
    QTest::newRow("custom is no board")
        << QStringList{"--sim-board", "custom"}
        << "unknown board 'custom' for --sim-board (cardlet, p16pro40-7406, p16pro40-7407, rsr, "
           "ferrow)"
        << ""
        << "";
    QTest::newRow("too many") << QStringList{"16F84A", "a.hex", "b.hex"}
                              << "too many arguments: 'b.hex' after DEVICE and FILE"
                              << "16F84A"
                              << "a.hex";
}

void TCommandLineTest::parsing() {
    QFETCH(QStringList, arguments);
    QFETCH(QString, error);
    QFETCH(QString, device);
    QFETCH(QString, file);
    std::vector<std::string> words;
    for (const QString& argument : arguments) {
        words.push_back(argument.toStdString());
    }
    const TAppCommandLine line = ParseAppCommandLine(words);
    QCOMPARE(QString::fromStdString(line.Error), error);
    QCOMPARE(QString::fromStdString(line.DeviceName.value_or("")), device);
    QCOMPARE(QString::fromStdString(line.FilePath.value_or("")), file);
}

void TCommandLineTest::helpAndVersion() {
    const TAppRun help = RunApp({QStringLiteral("--help")});
    QCOMPARE(help.ExitStatus, 0);
    QVERIFY(help.Out.startsWith(QStringLiteral("Usage: vantrel [OPTIONS] [DEVICE [FILE]]")));
    QVERIFY(help.Out.contains(QStringLiteral("vantrel --driver simulated")));
    const TAppRun version = RunApp({QStringLiteral("--version")});
    QCOMPARE(version.ExitStatus, 0);
    QCOMPARE(version.Out, QStringLiteral("vantrel 1.95e\n"));
    const TAppRun bad = RunApp({QStringLiteral("--bogus")});
    QCOMPARE(bad.ExitStatus, 2);
    QVERIFY(bad.Err.contains(QStringLiteral("unknown option '--bogus'")));
    QVERIFY(bad.Out.isEmpty());
}

// The device as the device list spells it, in any letter case, with or without "PIC"; the chip
// kept in a file shows that the program reached it.
void TCommandLineTest::unattendedWriteSucceeds() {
    QTemporaryDir directory;
    const QString chip = directory.filePath(QStringLiteral("chip.txt"));
    const TAppRun run =
        RunApp({QStringLiteral("--driver"), QStringLiteral("simulated"),
                QStringLiteral("--sim-chip"), chip, QStringLiteral("pic16f84a"), Sample()});
    QCOMPARE(run.ExitStatus, 0);
    QVERIFY2(!run.Err.contains(QStringLiteral("vantrel:")), qPrintable(run.Err));
    const QByteArray kept = ReadAll(chip);
    QVERIFY(kept.contains("16F84A"));
    // The sample's first word, 0x2805, is in the chip now.
    QVERIFY2(kept.toUpper().contains("2805"), kept.constData());
}

void TCommandLineTest::unknownDeviceProgramsNothing_data() {
    QTest::addColumn<QString>("device");
    QTest::newRow("not a device") << "16X84";
    QTest::newRow("prefix only") << "PIC";
    QTest::newRow("trailing text") << "16F84AB";
}

// An unknown name never falls back to another device's algorithm: status 2, nothing written.
void TCommandLineTest::unknownDeviceProgramsNothing() {
    QFETCH(QString, device);
    QTemporaryDir directory;
    const QString chip = directory.filePath(QStringLiteral("chip.txt"));
    const TAppRun run = RunApp({QStringLiteral("--driver"), QStringLiteral("simulated"),
                                QStringLiteral("--sim-chip"), chip, device, Sample()});
    QCOMPARE(run.ExitStatus, 2);
    QVERIFY(run.Err.contains(QStringLiteral("unknown device '") + device + QStringLiteral("'")));
    QVERIFY(!QFile::exists(chip));
}

void TCommandLineTest::missingOrBrokenFileProgramsNothing() {
    QTemporaryDir directory;
    const QString chip = directory.filePath(QStringLiteral("chip.txt"));
    const TAppRun missing = RunApp({QStringLiteral("--driver"), QStringLiteral("simulated"),
                                    QStringLiteral("--sim-chip"), chip, QStringLiteral("16F84A"),
                                    directory.filePath(QStringLiteral("missing.hex"))});
    QCOMPARE(missing.ExitStatus, 2);
    QVERIFY(missing.Err.contains(QStringLiteral("missing.hex: no such file")));
    QVERIFY(!QFile::exists(chip));

    const QString broken = directory.filePath(QStringLiteral("broken.hex"));
    QFile file(broken);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(":020000000130CD\n:0200020086G05F\n:00000001FF\n");
    file.close();
    const TAppRun malformed =
        RunApp({QStringLiteral("--driver"), QStringLiteral("simulated"),
                QStringLiteral("--sim-chip"), chip, QStringLiteral("16F84A"), broken});
    QCOMPARE(malformed.ExitStatus, 2);
    QVERIFY(malformed.Err.contains(QStringLiteral("broken.hex")));
    // The chip was opened but never written: whatever was kept is a blank chip.
    QVERIFY(!ReadAll(chip).toUpper().contains("3001"));
}

// A programmer another program holds is no programmer for this run: status 3, and the chip that
// program is working on is not touched.
void TCommandLineTest::noProgrammerIsStatus3() {
    QTemporaryDir directory;
    const QString chip = directory.filePath(QStringLiteral("chip.txt"));
    const TExclusiveLock::TAttempt otherProgram =
        TExclusiveLock::Take(ChipFileLockFile(SystemLockDirectory(), chip.toStdString()));
    QVERIFY(otherProgram.Outcome == TExclusiveLock::TOutcome::Taken);
    const TAppRun run =
        RunApp({QStringLiteral("--driver"), QStringLiteral("simulated"),
                QStringLiteral("--sim-chip"), chip, QStringLiteral("16F84A"), Sample()});
    QCOMPARE(run.ExitStatus, 3);
    QVERIFY(run.Err.contains(QStringLiteral("in use by another program")));
    QVERIFY(!QFile::exists(chip));
}

}  // namespace vantrel::test

QTEST_MAIN(vantrel::test::TCommandLineTest)
#include "command_line_test.moc"
