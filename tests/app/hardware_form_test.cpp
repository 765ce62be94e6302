// The hardware settings window over the real main window and the simulated board: the presets
// with their wiring and their effects on the main window, the hand switches, the port, the
// address display and the delays.

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/hardware_form.h"
#include "support/window_rig.h"

namespace vantrel::test {

namespace {

// Opens the window with "Hardware" as a user does, runs `inside` while it is open, then closes
// it with Escape.
void WithHardwareWindow(TWindowRig& rig, const std::function<void(THardwareForm&)>& inside) {
    THardwareForm* form = rig.Form->HardwareForm();
    QTimer::singleShot(0, form, [form, inside] {
        inside(*form);
        QTest::keyClick(form, Qt::Key_Escape);
    });
    rig.Find<QAction>("Defaults")->trigger();
}

template <typename TWidget>
TWidget* Control(THardwareForm& form, const char* name) {
    return form.findChild<TWidget*>(QString::fromLatin1(name));
}

void ChoosePreset(THardwareForm& form, const char* item) {
    Control<QAction>(form, item)->trigger();
}

constexpr std::array<const char*, 7> kSignalGroups{"VddBox",    "VppBox",   "VPP40Box", "MCLRBox",
                                                   "OutputBox", "ClockBox", "InputBox"};

}  // namespace

class THardwareFormTest final : public QObject {
    Q_OBJECT

  private slots:
    void presetsWireTheProgrammer_data();
    void presetsWireTheProgrammer();
    void customKeepsThePresetsWiring();
    void ferrowChosenInTheWindowGetsRunControl();
    void closingSwitchesTheHandSwitchesOff();
    void portAndAddressDisplay();
    void delaysAreLimitedAndTakenOnClose();
    void fastTimingWritesTheChipWithinItsTimes();
    void toldToEndWhileOpen();
};

void THardwareFormTest::presetsWireTheProgrammer_data() {
    // Each signal's line and whether it is inverted, in the order Vdd, Vpp, Vpp40, MCLR, data
    // out, clock, data in.
    QTest::addColumn<QString>("item");
    QTest::addColumn<QString>("label");
    QTest::addColumn<QList<int>>("lines");
    QTest::addColumn<QList<bool>>("inverted");
    QTest::addColumn<bool>("runControl");
    QTest::newRow("Cardlet") << "Cardlet"
                             << "Dremmle Cardlet Programmer" << QList<int>{2, 3, 4, 5, 0, 1, 15}
                             << QList<bool>{true, true, true, true, false, false, false} << false;
    QTest::newRow("P16PRO40-7406")
        << "P7406"
        << "P16PRO40 Programmer with 7406" << QList<int>{2, 3, 4, 5, 0, 1, 15}
        << QList<bool>{false, false, false, false, true, true, true} << false;
    QTest::newRow("P16PRO40-7407")
        << "P7407"
        << "P16PRO40 Programmer with 7407" << QList<int>{2, 3, 4, 5, 0, 1, 15}
        << QList<bool>{true, true, true, true, false, false, false} << false;
    QTest::newRow("RSR") << "RSRProgrammer"
                         << "RSR Electronics Programmer" << QList<int>{2, 3, 4, 5, 0, 1, 15}
                         << QList<bool>{false, true, true, true, true, true, true} << false;
    QTest::newRow("Ferrow") << "FerrowProgrammer"
                            << "Ferrow Programmer" << QList<int>{4, 3, 3, 2, 0, 1, 15}
                            << QList<bool>{true, true, true, false, false, false, false} << true;
}

// A preset sets the whole wiring, locks the signal groups, and gives the main window's run panel
// space to the configuration word when the board cannot let a target run.
void THardwareFormTest::presetsWireTheProgrammer() {
    QFETCH(QString, item);
    QFETCH(QString, label);
    QFETCH(QList<int>, lines);
    QFETCH(QList<bool>, inverted);
    QFETCH(bool, runControl);
    TWindowRig rig;
    auto* config = rig.Find<QLabel>("Config");
    auto* runPanel = rig.Find<QWidget>("Panel3");
    const int configHeight = config->height();
    const int runPanelBottom = runPanel->geometry().bottom();
    WithHardwareWindow(rig, [&](THardwareForm& form) {
        ChoosePreset(form, qPrintable(item));
        QVERIFY(Control<QAction>(form, qPrintable(item))->isChecked());
        QCOMPARE(Control<QLabel>(form, "HardwareLabel")->text(), label);
        for (const char* group : kSignalGroups) {
            QVERIFY2(!Control<QGroupBox>(form, group)->isEnabled(), group);
        }
        QCOMPARE(Control<QGroupBox>(form, "MCLRBox")->isVisible(), runControl);
        // The window shows the wiring it set.
        QVERIFY(Control<QRadioButton>(form, runControl ? "VddD4" : "VddD2")->isChecked());
        QCOMPARE(Control<QCheckBox>(form, "ClkInvert")->isChecked(), inverted.at(5));
        QVERIFY(Control<QRadioButton>(form, "InACK")->isChecked());
    });
    const TWiring& wiring = rig.Session.Hardware.Wiring;
    const std::array<TPinAssignment, 7> pins{wiring.PinVdd,   wiring.PinVpp,     wiring.PinVpp40,
                                             wiring.PinMCLR,  wiring.PinDataOut, wiring.PinClock,
                                             wiring.PinDataIn};
    for (std::size_t i = 0; i < pins.size(); ++i) {
        QCOMPARE(int(pins.at(i).Line), lines.at(static_cast<qsizetype>(i)));
        QCOMPARE(pins.at(i).Invert, inverted.at(static_cast<qsizetype>(i)));
    }
    QCOMPARE(runPanel->isVisible(), runControl);
    QApplication::processEvents();
    if (runControl) {
        QCOMPARE(config->height(), configHeight);
    } else {
        // The configuration word grows over the run panel's place.
        QVERIFY(config->height() > configHeight);
        QVERIFY(config->geometry().bottom() >= runPanelBottom);
    }
}

// Custom keeps the wiring a preset set, and the groups can be edited again.
void THardwareFormTest::customKeepsThePresetsWiring() {
    TWindowRig rig;
    WithHardwareWindow(rig, [](THardwareForm& form) {
        ChoosePreset(form, "P7406");
        ChoosePreset(form, "Custom");
        for (const char* group : kSignalGroups) {
            QVERIFY2(Control<QGroupBox>(form, group)->isEnabled(), group);
        }
        QCOMPARE(Control<QLabel>(form, "HardwareLabel")->text(),
                 QStringLiteral("Custom Settings Programmer"));
        // A line chosen by hand takes effect at once.
        QTest::mouseClick(Control<QRadioButton>(form, "ClkSTB"), Qt::LeftButton);
    });
    const TWiring& wiring = rig.Session.Hardware.Wiring;
    QVERIFY(wiring.PinDataIn.Invert);
    QVERIFY(!wiring.PinVdd.Invert);
    QCOMPARE(wiring.PinClock.Line, 8);
    QCOMPARE(rig.Session.Hardware.ProgrammerType, kProgrammerCustom);
    QVERIFY(rig.Find<QWidget>("Panel3")->isVisible());
}

// Choosing the Ferrow preset in the window gives the run panel working buttons, and Run, Reset
// and Stop drive the reset line the board sees.
void THardwareFormTest::ferrowChosenInTheWindowGetsRunControl() {
    TWindowRig rig({}, "ferrow");
    auto* run = rig.Find<QPushButton>("RunButton");
    QVERIFY(!run->isEnabled());
    WithHardwareWindow(rig, [](THardwareForm& form) { ChoosePreset(form, "FerrowProgrammer"); });
    QVERIFY(run->isEnabled());
    QVERIFY(!rig.Board().Socket().Mclr);
    QTest::mouseClick(run, Qt::LeftButton);
    QVERIFY(rig.Board().Socket().Mclr);
    QVERIFY(!rig.Find<QPushButton>("WriteButton")->isEnabled());
    QTest::mouseClick(rig.Find<QPushButton>("StopButton"), Qt::LeftButton);
    QVERIFY(!rig.Board().Socket().Mclr);
    QVERIFY(rig.Find<QPushButton>("WriteButton")->isEnabled());

    // Back to a board without run control: the operations are free again, the run buttons off.
    QTest::mouseClick(run, Qt::LeftButton);
    WithHardwareWindow(rig, [](THardwareForm& form) { ChoosePreset(form, "Custom"); });
    QVERIFY(!run->isEnabled());
    QVERIFY(!rig.Find<QPushButton>("StopButton")->isEnabled());
    QVERIFY(rig.Find<QPushButton>("WriteButton")->isEnabled());
    QVERIFY(rig.Boxes.Texts.isEmpty());
}

// What the hand switches turned on goes off when the window closes, and the captions start over.
void THardwareFormTest::closingSwitchesTheHandSwitchesOff() {
    TWindowRig rig;
    QString vppCaption;
    bool vppWasOn = false;
    bool mclrFollowedVpp = false;
    QString input;
    WithHardwareWindow(rig, [&](THardwareForm& form) {
        for (const char* toggle : {"Toggle1", "Toggle2", "Toggle5", "Toggle6", "Toggle3"}) {
            QTest::mouseClick(Control<QPushButton>(form, toggle), Qt::LeftButton);
        }
        vppCaption = Control<QPushButton>(form, "Toggle2")->text();
        const TSocketLevels levels = rig.Board().Socket();
        vppWasOn = levels.Vdd && levels.Vpp && levels.Vpp40;
        mclrFollowedVpp = levels.Mclr;
        input = Control<QLabel>(form, "ShowIn")->text();
    });
    QCOMPARE(vppCaption, QStringLiteral("On"));
    QVERIFY(vppWasOn);
    QVERIFY(mclrFollowedVpp);
    // The data line driven high by hand comes back on the input through the powered board.
    QCOMPARE(input, QStringLiteral("High"));
    QVERIFY(rig.PoweredDown());
    QVERIFY(!rig.Board().Socket().Mclr);
    THardwareForm& form = *rig.Form->HardwareForm();
    for (const char* toggle : {"Toggle1", "Toggle2", "Toggle5", "Toggle6"}) {
        QCOMPARE(Control<QPushButton>(form, toggle)->text(), QStringLiteral("Off"));
    }
    QCOMPARE(Control<QPushButton>(form, "Toggle3")->text(), QStringLiteral("Low"));

    // Vpp switched on and then moved to another line: the line that carried it goes off first.
    bool vppOffBeforeTheMove = false;
    WithHardwareWindow(rig, [&](THardwareForm& opened) {
        QTest::mouseClick(Control<QPushButton>(opened, "Toggle2"), Qt::LeftButton);
        QVERIFY(rig.Board().Socket().Vpp);
        QTest::mouseClick(Control<QRadioButton>(opened, "VppD7"), Qt::LeftButton);
        vppOffBeforeTheMove = !rig.Board().Socket().Vpp;
        QCOMPARE(Control<QPushButton>(opened, "Toggle2")->text(), QStringLiteral("Off"));
    });
    QVERIFY(vppOffBeforeTheMove);
    QVERIFY(rig.PoweredDown());
}

// The port chosen is the one in use, shown in the address form "Pellam" asks for; "no port"
// reads as such.
void THardwareFormTest::portAndAddressDisplay() {
    TWindowRig rig;
    auto* portName = rig.Find<QLabel>("PortName");
    WithHardwareWindow(rig, [](THardwareForm& form) {
        QCOMPARE(Control<QRadioButton>(form, "Port2")->text(), QStringLiteral("$278"));
        QTest::mouseClick(Control<QRadioButton>(form, "Port2"), Qt::LeftButton);
    });
    QCOMPARE(rig.Session.Hardware.PortBase, 0x278);
    QCOMPARE(portName->text(), QStringLiteral("Port : $278"));
    QVERIFY(rig.Form->PortInUse());

    WithHardwareWindow(rig, [](THardwareForm& form) {
        QTest::mouseClick(Control<QCheckBox>(form, "PellamBox"), Qt::LeftButton);
        QCOMPARE(Control<QRadioButton>(form, "Port1")->text(), QStringLiteral("378H"));
        QVERIFY(Control<QRadioButton>(form, "Port2")->isChecked());
    });
    QCOMPARE(portName->text(), QStringLiteral("Port : 278H"));

    rig.Session.Hardware.PortIndex = static_cast<std::uint16_t>(kNoPortIndex);
    WithHardwareWindow(rig, [](THardwareForm& form) { ChoosePreset(form, "FerrowProgrammer"); });
    QCOMPARE(portName->text(), QStringLiteral("Port :  None"));
    QVERIFY(!rig.Form->PortInUse());
    // Whatever that text says, no port is in use: Stop leaves the chip commands off.
    QTest::mouseClick(rig.Find<QPushButton>("RunButton"), Qt::LeftButton);
    QTest::mouseClick(rig.Find<QPushButton>("StopButton"), Qt::LeftButton);
    QVERIFY(!rig.Find<QPushButton>("WriteButton")->isEnabled());
}

// The delay boxes hold their ranges; their values are taken when the window closes, a text that
// is not a number as the box's minimum.
void THardwareFormTest::delaysAreLimitedAndTakenOnClose() {
    TWindowRig rig;
    WithHardwareWindow(rig, [](THardwareForm& form) {
        auto* progDelay = Control<QSpinBox>(form, "DelTime");
        auto* vppDelay = Control<QSpinBox>(form, "VppTime");
        QCOMPARE(progDelay->minimum(), 5);
        QCOMPARE(progDelay->maximum(), 20);
        QCOMPARE(vppDelay->minimum(), 0);
        progDelay->setValue(3);
        QCOMPARE(progDelay->value(), 5);
        // Its arrows, from the keyboard too.
        progDelay->setValue(14);
        progDelay->setFocus();
        QTest::keyClick(progDelay, Qt::Key_Up);
        QCOMPARE(progDelay->value(), 15);
        // A preset chosen meanwhile does not undo what the user set.
        ChoosePreset(form, "P7407");
        QCOMPARE(progDelay->value(), 15);
        vppDelay->findChild<QLineEdit*>()->setText(QString());
    });
    QCOMPARE(rig.Session.Hardware.ProgDelay, 15);
    QCOMPARE(rig.Session.Hardware.VppDelay, 0);
}

// "Fast Timing" switches the session to the fast profile, which the simulated chip, as strict as
// the makers' times, accepts for a whole Write and Verify; its hint says when to use it.
void THardwareFormTest::fastTimingWritesTheChipWithinItsTimes() {
    TWindowRig rig;
    rig.ChooseDevice("16F877A");
    auto* fast = rig.Find<QAction>("FastTiming");
    QVERIFY(fast->isCheckable());
    QVERIFY(fast->statusTip().contains(QStringLiteral("7406")));
    fast->trigger();
    QCOMPARE(rig.Session.Hardware.Timing, TTimingProfile::Fast);
    TDeviceImage& image = rig.Session.Device.Image;
    for (std::size_t i = 0; i < 64; ++i) {
        image.ProgramBuffer.at(i) = static_cast<std::uint16_t>(0x3000 + i);
    }
    rig.Form->DisplayBuffer();
    QVERIFY(rig.RunOperation("WriteButton"));
    QVERIFY(rig.RunOperation("VerifyButton"));
    QCOMPARE(rig.StatusText(), QStringLiteral("Verify Successful!"));
    QCOMPARE(rig.Board().ChipState().Program.at(63), 0x303F);
    QVERIFY(rig.Boxes.Texts.isEmpty());
    fast->trigger();
    QCOMPARE(rig.Session.Hardware.Timing, TTimingProfile::Standard);
}

// The program told to end (a signal) while the window is open with Vpp switched on by hand: the
// window closes, and nothing stays on.
void THardwareFormTest::toldToEndWhileOpen() {
    TWindowRig rig;
    THardwareForm* form = rig.Form->HardwareForm();
    bool vppWasOn = false;
    QTimer::singleShot(0, form, [&] {
        QTest::mouseClick(Control<QPushButton>(*form, "Toggle2"), Qt::LeftButton);
        vppWasOn = rig.Board().Socket().Vpp;
        rig.Form->CloseWithoutAsking();
    });
    QTimer::singleShot(2000, form, [form] { form->reject(); });  // only if it did not close
    QElapsedTimer elapsed;
    elapsed.start();
    rig.Find<QAction>("Defaults")->trigger();
    QVERIFY(vppWasOn);
    QVERIFY(elapsed.elapsed() < 1500);
    QVERIFY(!rig.Form->isVisible());
    QVERIFY(rig.PoweredDown());
}

}  // namespace vantrel::test

QTEST_MAIN(vantrel::test::THardwareFormTest)
#include "hardware_form_test.moc"
