// The settings file as the window reads it at start-up and writes it at shutdown: real INI files
// in temporary folders, the window's controls and the session they end up in, and the built
// program run with a settings file.

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <map>

#include "app/settings_store_qt.h"
#include "device/device_image.h"
#include "device/device_selection.h"
#include "device/device_table.h"
#include "service/ini_settings.h"
#include "service/vantrel_settings.h"
#include "support/window_rig.h"

namespace vantrel::test {

namespace {

using TKeyTexts = std::map<std::string, std::string>;

// A settings file with every key, none at its default, and texts that need quoting or escapes.
TKeyTexts EveryKeyChanged(const QString& folder) {
    const std::string base = folder.toStdString();
    TKeyTexts keys{
        {"Defaults/Processor", "28"},  // 16F877A
        {"Defaults/Osc", "2"},         // HS
        {"Defaults/WatchDogTimer", "1"},
        {"Defaults/PowerUpTimer", "1"},
        {"Defaults/MCLR", "0"},
        {"Defaults/BrownOutReset", "1"},
        {"Defaults/LVProgramming", "1"},
        {"Defaults/DataProtection", "1"},
        {"Defaults/FlashWrite", "1"},
        {"Defaults/Debug", "1"},
        {"Defaults/CodeProtection", "1"},
        {"Defaults/BG0", "1"},
        {"Defaults/BG1", "1"},
        {"Defaults/CCPMX", "1"},
        {"Defaults/IESO", "1"},
        {"Defaults/FCMEN", "1"},
        {"Options/PellamOn", "1"},
        {"Options/AutoProg", "1"},
        {"Options/AutoVerify", "0"},
        {"Options/AutoDetect", "0"},
        {"Options/AutoUpdate", "1"},
        {"Options/640x480", "1"},
        {"Settings1/PortAdr", "632"},
        {"Settings1/PortIndex", "1"},
        {"Settings1/VppOn", "7"},
        {"Settings1/Vpp40On", "6"},
        {"Settings1/MCLROn", "9"},
        {"Settings1/VddOn", "8"},
        {"Settings1/ClkHi", "10"},
        {"Settings1/OutHi", "11"},
        {"Settings1/DataIn", "16"},
        {"Settings1/DelayTime", "17"},
        {"Settings1/VPPTime", "3"},
        {"Settings1/VddInv", "0"},
        {"Settings1/VppInv", "0"},
        {"Settings1/Vpp40Inv", "0"},
        {"Settings1/MCLRInv", "0"},
        {"Settings1/OutInv", "1"},
        {"Settings1/ClkInv", "1"},
        {"Settings1/InInv", "1"},
        {"Settings1/ProgType", "4"},
        {"Settings1/PortDriver", "simulated"},
        {"Settings1/SimChip", base + "/chips/zo\u00eb's chip; spare, #2.txt"},
        {"Settings1/Timing", "fast"},
        {"Settings1/File1", base + "/Pr\u00fcfung/\u65e5\u672c blink.hex"},
        {"Settings1/File2", " " + base + "/leading and trailing spaces.hex "},
        {"Settings1/File3", base + "/a=b,c;d\"e\"\\f.hex"},
        {"Settings1/File4", "@" + base + "/at sign.hex"},
        {"Settings1/File5", base + "/[not a section]#not a comment.hex"},
    };
    for (int i = 1; i <= 8; ++i) {
        keys["Defaults/ID" + std::to_string(i)] = std::to_string(i);
    }
    return keys;
}

// Writes the keys through QSettings, as the window itself would.
bool WriteSettings(const QString& path, const TKeyTexts& keys) {
    TQtSettingsStore store(path);
    for (const auto& [key, text] : keys) {
        const std::size_t slash = key.find('/');
        store.SetValue(key.substr(0, slash), key.substr(slash + 1), text);
    }
    return store.Save().empty();
}

// The file as vantrel-cli reads it.
TKeyTexts ReadWithCoreReader(const QString& path) {
    const TSettingsFileRead read = ReadSettingsFile(path.toStdString());
    TKeyTexts texts;
    for (const auto& [key, value] : read.Settings.Values()) {
        texts[key] = value.IsText ? value.Text : "(not text)";
    }
    return texts;
}

QString SettingsPath(const QTemporaryDir& configHome) {
    return configHome.filePath(QStringLiteral("vantrel/Vantrel18F.ini"));
}

// A window over the settings file at `path`; the simulated programmer stands in for the port.
struct TSettingsRig {
    explicit TSettingsRig(const QString& path, std::vector<std::string_view> keysNotWritten = {})
        : Store(path) {
        TFormOptions options;
        options.Settings = &Store;
        options.KeysNotWritten = std::move(keysNotWritten);
        Rig = std::make_unique<TWindowRig>([](TVantrelSession&) {}, options);
    }
    TQtSettingsStore Store;
    std::unique_ptr<TWindowRig> Rig;
};

std::uint8_t DeviceIndex(const char* name) {
    return ParseDeviceName(name).value();
}

}  // namespace

class TSettingsTest final : public QObject {
    Q_OBJECT

  private slots:
    void everyKeyIsReadAndWrittenBack();
    void firstRunTakesTheDefaults();
    void oscillatorOfA12F675IsStoredAsItsCodeCountsIt();
    void valuesOutOfRangeAreReplacedAndNamed_data();
    void valuesOutOfRangeAreReplacedAndNamed();
    void trickyTextsSurviveBothReaders();
    void commandLineOptionsAreNotWrittenBack();
    void unattendedRunKeepsTheDeviceAndLeavesAutoProgOff();
    void unwritableSettingsDoNotStopTheShutdown();
    void storedPortOutsideTheCandidatesIsReached();
};

// Every key is read into the window and the session, and written back with the text it had;
// the ID locations are the exception, as the start-up clears the image they live in.
void TSettingsTest::everyKeyIsReadAndWrittenBack() {
    QTemporaryDir home;
    QVERIFY(QDir(home.path()).mkpath(QStringLiteral("chips")));
    const QString path = SettingsPath(home);
    const TKeyTexts stored = EveryKeyChanged(home.path());
    QVERIFY(WriteSettings(path, stored));
    {
        TSettingsRig window(path);
        TWindowRig& rig = *window.Rig;
        const TVantrelSession& session = rig.Session;
        QCOMPARE(rig.Find<QComboBox>("ProcessorType")->currentText(), QStringLiteral("PIC16F877A"));
        QVERIFY(rig.Find<QCheckBox>("WDTBox")->isChecked());
        QVERIFY(!rig.Find<QCheckBox>("MCLRBox")->isChecked());
        QVERIFY(rig.Find<QCheckBox>("CodePBox")->isChecked());
        QVERIFY(rig.Find<QCheckBox>("AutoBox")->isChecked());
        QVERIFY(!rig.Find<QAction>("AutoVerify")->isChecked());
        QVERIFY(!rig.Find<QAction>("AutoDetect")->isChecked());
        QVERIFY(rig.Find<QAction>("AutoUpdate")->isChecked());
        QVERIFY(rig.Find<QAction>("FastTiming")->isChecked());
        QVERIFY(rig.Find<QAction>("SizeableWindow1")->isChecked());
        // The "640x480" command ran: the window's height may change.
        QVERIFY(rig.Form->minimumHeight() < rig.Form->maximumHeight());
        QCOMPARE(rig.Find<QAction>("File2")->text(),
                 QString::fromStdString(stored.at("Settings1/File1")));
        QVERIFY(rig.Find<QAction>("File6")->isVisible());
        QCOMPARE(rig.Find<QLabel>("PortName")->text(), QStringLiteral("Port : 278H"));
        QCOMPARE(session.Hardware.Timing, TTimingProfile::Fast);
        QCOMPARE(session.Hardware.Wiring.PinMCLR.Line, 9);
        QCOMPARE(session.Hardware.Wiring.PinDataIn.Line, 16);
        QVERIFY(session.Hardware.Wiring.PinDataIn.Invert);
        QCOMPARE(session.Hardware.ProgDelay, 17);
        QCOMPARE(session.Hardware.VppDelay, 3);
        QCOMPARE(session.Hardware.ProgrammerType, 4);
        QCOMPARE(session.Hardware.Simulator.ChipFile, stored.at("Settings1/SimChip"));
        QVERIFY(rig.Form->Connection() != nullptr);
        QVERIFY(rig.Form->Connection()->Simulated());
        // Nothing in the file was invalid: the status line has no warning.
        QVERIFY(!rig.StatusText().contains(QStringLiteral("settings file")));
    }
    TKeyTexts expected = stored;
    for (int i = 1; i <= 8; ++i) {
        expected["Defaults/ID" + std::to_string(i)] = "127";
    }
    const TKeyTexts written = ReadWithCoreReader(path);
    for (const auto& [key, text] : expected) {
        QVERIFY2(written.contains(key), key.c_str());
        QCOMPARE(written.at(key), text);
    }
    QCOMPARE(written.size(), expected.size());
    // The simulated chip was kept in the file the settings named.
    QVERIFY(QFile::exists(QString::fromStdString(stored.at("Settings1/SimChip"))));
}

void TSettingsTest::firstRunTakesTheDefaults() {
    QTemporaryDir home;
    const QString path = SettingsPath(home);
    {
        TSettingsRig window(path);
        TWindowRig& rig = *window.Rig;
        QCOMPARE(rig.Find<QComboBox>("ProcessorType")->currentText(), QStringLiteral("PIC16F84A"));
        QCOMPARE(rig.Find<QRadioButton>("OscillatorItem1")->isChecked(), true);
        for (const char* box : {"WDTBox", "PUTBox", "CodePBox"}) {
            QVERIFY2(!rig.Find<QCheckBox>(box)->isChecked(), box);
        }
        QVERIFY(rig.Find<QCheckBox>("MCLRBox")->isChecked());
        QVERIFY(rig.Find<QAction>("AutoVerify")->isChecked());
        QVERIFY(rig.Find<QAction>("AutoDetect")->isChecked());
        QVERIFY(!rig.Find<QAction>("FastTiming")->isChecked());
        QVERIFY(!rig.Find<QMenu>("ReOpen")->isEnabled());
        QCOMPARE(rig.Find<QLabel>("PortName")->text(), QStringLiteral("Port : $378"));
        QCOMPARE(rig.Session.Hardware.ProgrammerType, kProgrammerCustom);
        QVERIFY(!rig.StatusText().contains(QStringLiteral("settings file")));
    }
    const TKeyTexts written = ReadWithCoreReader(path);
    QCOMPARE(written.at("Defaults/Processor"), std::string("3"));
    QCOMPARE(written.at("Defaults/Osc"), std::string("1"));
    QCOMPARE(written.at("Defaults/MCLR"), std::string("1"));
    QCOMPARE(written.at("Options/AutoProg"), std::string("0"));
    QCOMPARE(written.at("Settings1/PortAdr"), std::string("888"));
    QCOMPARE(written.at("Settings1/VPPTime"), std::string("10"));
    QCOMPARE(written.at("Settings1/Timing"), std::string("standard"));
    QCOMPARE(written.at("Settings1/File1"), std::string());
}

// The 12F675's list has no code 3: its fifth item is stored as 5 and comes back on the fifth.
void TSettingsTest::oscillatorOfA12F675IsStoredAsItsCodeCountsIt() {
    QTemporaryDir home;
    const QString path = SettingsPath(home);
    QVERIFY(WriteSettings(path, {{"Defaults/Processor", std::to_string(DeviceIndex("12F675"))},
                                 {"Defaults/Osc", "5"}}));
    {
        TSettingsRig window(path);
        QCOMPARE(window.Rig->Session.Config.OscillatorIndex(), 4);
        QVERIFY(window.Rig->Find<QRadioButton>("OscillatorItem4")->isChecked());
    }
    QCOMPARE(ReadWithCoreReader(path).at("Defaults/Osc"), std::string("5"));
}

void TSettingsTest::valuesOutOfRangeAreReplacedAndNamed_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("used");
    QTest::newRow("device past the table") << "Defaults/Processor"
                                           << "50"
                                           << "3";
    QTest::newRow("port entry past the list") << "Settings1/PortIndex"
                                              << "4"
                                              << "0";
    QTest::newRow("port address as text") << "Settings1/PortAdr"
                                          << "LPT1"
                                          << "888";
    QTest::newRow("line past the port") << "Settings1/VppOn"
                                        << "17"
                                        << "3";
    QTest::newRow("output on an input line") << "Settings1/ClkHi"
                                             << "15"
                                             << "1";
    QTest::newRow("input on an output line") << "Settings1/DataIn"
                                             << "3"
                                             << "15";
    QTest::newRow("preset past the list") << "Settings1/ProgType"
                                          << "6"
                                          << "0";
    QTest::newRow("delay below its box") << "Settings1/DelayTime"
                                         << "3"
                                         << "5";
    QTest::newRow("delay above its box") << "Settings1/VPPTime"
                                         << "21"
                                         << "20";
    QTest::newRow("unknown timing") << "Settings1/Timing"
                                    << "turbo"
                                    << "standard";
    QTest::newRow("unknown driver") << "Settings1/PortDriver"
                                    << "parport"
                                    << "ppdev";
}

// A value the program cannot use takes the key's default (the delays their limit), the status
// line names the key once, and the shutdown writes the value used.
void TSettingsTest::valuesOutOfRangeAreReplacedAndNamed() {
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(QString, used);
    QTemporaryDir home;
    const QString path = SettingsPath(home);
    // No port detection: the port address read is the one written back.
    QVERIFY(WriteSettings(
        path, {{key.toStdString(), stored.toStdString()}, {"Options/AutoDetect", "0"}}));
    // The driver stays the simulated one for the run, as a command line would keep it.
    const bool driver = key.endsWith(QStringLiteral("PortDriver"));
    {
        TSettingsRig window(path, driver ? std::vector<std::string_view>{}
                                         : std::vector<std::string_view>{kPortDriverKey});
        const QString name = key.section(QLatin1Char('/'), 1);
        const QString status = window.Rig->StatusText();
        QVERIFY2(status.contains(QStringLiteral("\"%1\" (%2 used)").arg(name, used)),
                 qPrintable(status));
        QCOMPARE(status.count(name), 1);
        const THardwareSettings& hardware = window.Rig->Session.Hardware;
        QCOMPARE(hardware.Wiring.PinVpp.Line, kLineD3);
        QCOMPARE(hardware.Wiring.PinClock.Line, kLineD1);
        QCOMPARE(hardware.Wiring.PinDataIn.Line, kLineAck);
        QVERIFY(hardware.ProgDelay >= kMinProgDelay && hardware.ProgDelay <= kMaxProgDelay);
        QVERIFY(hardware.VppDelay <= kMaxVppDelay);
        QVERIFY(window.Rig->Session.Device.CurrentDevice < kDeviceCount);
    }
    if (!driver) {
        QCOMPARE(ReadWithCoreReader(path).at(key.toStdString()), used.toStdString());
    }
}

// Texts that need quoting or escapes in the INI format come back the same through QSettings
// (what the window reads) and through the core's reader (what vantrel-cli reads), both ways.
void TSettingsTest::trickyTextsSurviveBothReaders() {
    const std::vector<std::string> texts{
        "/home/zo\u00eb/Pr\u00fcfung/\u65e5\u672c\u8a9e blink.hex",
        " /tmp/leading and trailing spaces.hex ",
        "/tmp/a=b,c;d\"e\"\\f.hex",
        "@home/at sign.hex",
        "@@two at signs",
        "\\\\server\\share\\x.hex",
        "/tmp/tab\there",
        "#not a comment",
        "[not a section]",
        "a, b",
        "%41 not a key escape",
        "",
    };
    QTemporaryDir home;
    const QString path = SettingsPath(home);
    TKeyTexts keys;
    for (std::size_t i = 0; i < texts.size(); ++i) {
        keys["Tricky/T" + std::to_string(i)] = texts.at(i);
    }
    QVERIFY(WriteSettings(path, keys));
    QCOMPARE(ReadWithCoreReader(path), keys);

    // What the core's reader accepts as text, QSettings reads as the same text.
    const TQtSettingsStore qt(path);
    for (const auto& [key, text] : keys) {
        const std::optional<TStoredValue> value = qt.Value("Tricky", key.substr(key.find('/') + 1));
        QVERIFY2(value && value->IsText, key.c_str());
        QCOMPARE(value->Text, text);
    }
    // A list is a value of another type: the window does not take it for text.
    QFile file(path);
    QVERIFY(file.open(QIODevice::Append));
    file.write("[Settings1]\nFile1=a,b\n");
    file.close();
    const TQtSettingsStore reread(path);
    QCOMPARE(reread.Value("Settings1", "File1"),
             std::optional<TStoredValue>(TStoredValue{false, {}}));
    QCOMPARE(reread.Value("Settings1", "File2"), std::nullopt);
}

// Keys the command line held for the run keep what the file had.
void TSettingsTest::commandLineOptionsAreNotWrittenBack() {
    QTemporaryDir home;
    const QString path = SettingsPath(home);
    QVERIFY(WriteSettings(path, {{"Settings1/PortDriver", "ppdev"},
                                 {"Settings1/SimChip", "/kept.chip"},
                                 {"Settings1/PortAdr", "956"}}));
    {
        TSettingsRig window(path, {kPortDriverKey, kSimChipKey, kPortAdrKey});
        // The driver of the "command line" (the rig's simulated one) is in use.
        QVERIFY(window.Rig->Form->Connection() != nullptr);
        QVERIFY(window.Rig->Form->Connection()->Simulated());
    }
    const TKeyTexts written = ReadWithCoreReader(path);
    QCOMPARE(written.at("Settings1/PortDriver"), std::string("ppdev"));
    QCOMPARE(written.at("Settings1/SimChip"), std::string("/kept.chip"));
    QCOMPARE(written.at("Settings1/PortAdr"), std::string("956"));
    QCOMPARE(written.at("Defaults/Processor"), std::string("3"));
}

// `vantrel 16F877A prog.hex` with a settings file that names the simulated programmer and its
// chip file: the chip is written, and the file keeps the device and "Auto Prog" off.
void TSettingsTest::unattendedRunKeepsTheDeviceAndLeavesAutoProgOff() {
    QTemporaryDir home;
    const QString path = SettingsPath(home);
    const QString chip = home.filePath(QStringLiteral("chip 877A.txt"));
    QVERIFY(WriteSettings(path, {{"Settings1/PortDriver", "simulated"},
                                 {"Settings1/SimChip", chip.toStdString()},
                                 {"Options/AutoProg", "1"}}));
    TDeviceImage image;
    ClearBuffers(image, DeviceTable.at(DeviceIndex("16F877A")));
    image.ProgramBuffer.at(0) = 0x3001;
    image.ProgramBuffer.at(1) = 0x2805;
    const QString hex = home.filePath(QStringLiteral("prog.hex"));
    QVERIFY(WriteHexFile(hex, image, DeviceIndex("16F877A")));

    const TAppRun run = RunApp({QStringLiteral("16F877A"), hex}, home.path());
    QCOMPARE(run.ExitStatus, 0);
    QFile kept(chip);
    QVERIFY(kept.open(QIODevice::ReadOnly));
    QVERIFY(kept.readAll().toUpper().contains("3001"));
    const TKeyTexts written = ReadWithCoreReader(path);
    QCOMPARE(written.at("Defaults/Processor"), std::string("28"));
    QCOMPARE(written.at("Options/AutoProg"), std::string("0"));
    QCOMPARE(written.at("Settings1/SimChip"), chip.toStdString());
}

// A settings file that cannot be written is said on standard error; the chip is still switched
// off and kept, and the run's outcome stands.
void TSettingsTest::unwritableSettingsDoNotStopTheShutdown() {
    QTemporaryDir home;
    // A folder where the file should be: nothing can replace it with a file.
    QVERIFY(QDir(home.path()).mkpath(QStringLiteral("vantrel/Vantrel18F.ini")));
    const QString chip = home.filePath(QStringLiteral("chip.txt"));
    const TAppRun run = RunApp(
        {QStringLiteral("--driver"), QStringLiteral("simulated"), QStringLiteral("--sim-chip"),
         chip, QStringLiteral("16F84A"), SourcePath(QStringLiteral("samples/blink-16f84a.hex"))},
        home.path());
    QCOMPARE(run.ExitStatus, 0);
    QVERIFY2(run.Err.contains(QStringLiteral("Cannot write the settings file")),
             qPrintable(run.Err));
    QVERIFY(QFile::exists(chip));
}

// An add-in card's port, stored in the settings with detection off, is the port the chip
// commands use.
void TSettingsTest::storedPortOutsideTheCandidatesIsReached() {
    QTemporaryDir home;
    const QString path = SettingsPath(home);
    QVERIFY(WriteSettings(path, {{"Settings1/PortAdr", "53264"}, {"Options/AutoDetect", "0"}}));
    TSettingsRig window(path);
    TWindowRig& rig = *window.Rig;
    QCOMPARE(rig.Find<QLabel>("PortName")->text(), QStringLiteral("Port : $D010"));
    rig.Session.Device.Image.ProgramBuffer.at(0) = 0x3001;
    QVERIFY(rig.RunOperation("WriteButton"));
    QVERIFY(rig.RunOperation("VerifyButton"));
    QCOMPARE(rig.StatusText(), QStringLiteral("Verify Successful!"));
    QVERIFY(rig.Boxes.Texts.isEmpty());
}

}  // namespace vantrel::test

QTEST_MAIN(vantrel::test::TSettingsTest)
#include "settings_test.moc"
