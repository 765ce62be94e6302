// The main window's settings: reading them at start-up and writing them at shutdown, the
// hardware settings window with its presets, and the timing profile.

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLayout>
#include <QMenu>
#include <QPushButton>
#include <algorithm>
#include <iostream>

#include "app/hardware_form.h"
#include "app/qt_text.h"
#include "app/settings_store_qt.h"
#include "app/vantrel_form.h"
#include "hardware/port_detection.h"
#include "service/ini_settings.h"

namespace vantrel {

namespace {

// The port panel after the hardware settings window closed on "no port".
constexpr std::string_view kNoPortChosenText = "Port :  None";

constexpr const char* kFastTimingHint =
    "|Program with each chip's own programming times: for boards whose lines follow the port "
    "within a microsecond (74HC/HCT drivers). Leave it off for 7406/7407 boards, and turn it off "
    "if a verify fails.";

}  // namespace

void TVantrelForm::BuildSettingsCommands() {
    FastTiming = new QAction(QStringLiteral("Fast Timing"), Options1);
    FastTiming->setObjectName(QStringLiteral("FastTiming"));
    FastTiming->setCheckable(true);
    SetHint(FastTiming, kFastTimingHint);
    Options1->insertAction(AutoDetect, FastTiming);
    connect(FastTiming, &QAction::toggled, this, [this](bool checked) {
        session_.Hardware.Timing = checked ? TTimingProfile::Fast : TTimingProfile::Standard;
    });
    connect(Defaults, &QAction::triggered, this, &TVantrelForm::DefaultsClick);

    THardwareFormHooks hooks;
    hooks.DrivePins = [this](const std::function<void(TPinLayer&)>& action) {
        return DrivePins(action);
    };
    hooks.PresetLayout = [this](bool runControl) { PresetLayout(runControl); };
    hooks.HandSwitchesReleased = [this] { ReleaseHandSwitches(); };
    hardwareForm_ = new THardwareForm(session_.Hardware, std::move(hooks), this);
}

// The settings file, then the options of the command line over it; the window's controls
// follow. A first run, a missing key or an unreadable value gives the defaults. Without a
// settings file the device and the window start as on a first run, and the programmer is
// reached as the session given says (the screenshots, the benchmarks and the tests say so).
void TVantrelForm::ReadSettingsDefaults() {
    TWindowSettings window;
    TSettingsReadResult read;
    if (options_.Settings != nullptr) {
        read = ReadIni(*options_.Settings, session_, window);
    } else {
        const THardwareSettings given = session_.Hardware;
        read = ReadIni(TIniSettings(), session_, window);
        session_.Hardware = given;
    }
    if (options_.StartOptions) {
        options_.StartOptions(session_);
    }
    ApplyWindowSettings(window);
    settingsWarning_ = InvalidSettingsText(read);
}

void TVantrelForm::ApplyWindowSettings(const TWindowSettings& window) {
    AutoBox->setChecked(window.AutoProg);
    AutoDetect->setChecked(window.AutoDetect);
    AutoVerify->setChecked(session_.Options.AutoVerify);
    AutoUpdate->setChecked(session_.Options.AutoUpdate);
    {
        const QSignalBlocker blocker(FastTiming);
        FastTiming->setChecked(session_.Hardware.Timing == TTimingProfile::Fast);
    }
    // The "640x480" command takes effect once the window knows the size its controls need, at
    // the end of the start-up.
    SizeableWindow1->setChecked(window.Mode640x480);
    for (std::size_t i = 0; i < recentFiles_.size(); ++i) {
        recentFiles_.at(i) = ToQString(window.RecentFiles.at(i));
    }
    ReopenSetup();
    hardwareForm_->FormUpdate();
}

TWindowSettings TVantrelForm::CurrentWindowSettings() const {
    TWindowSettings window;
    window.AutoProg = AutoBox->checkState() == Qt::Checked;
    window.AutoDetect = AutoDetect->isChecked();
    window.Mode640x480 = SizeableWindow1->isChecked();
    for (std::size_t i = 0; i < recentFiles_.size(); ++i) {
        window.RecentFiles.at(i) = ToStdString(recentFiles_.at(i));
    }
    return window;
}

// A settings file that cannot be written loses this run's settings, nothing else: it is said on
// standard error, and the shutdown goes on.
void TVantrelForm::WriteSettings() {
    if (options_.Settings == nullptr) {
        return;
    }
    WriteIni(*options_.Settings, session_, CurrentWindowSettings(), options_.KeysNotWritten);
    if (const std::string error = options_.Settings->Save(); !error.empty()) {
        std::cerr << "vantrel: " << error << "\n";
    }
}

// Said once, in the status line and on standard error, after whatever the programmer's start
// put there.
void TVantrelForm::ShowSettingsWarning() {
    if (settingsWarning_.empty()) {
        return;
    }
    std::cerr << "vantrel: " << settingsWarning_ << "\n";
    const QString shown = Status->text();
    Status->setText(ToQString(settingsWarning_) +
                    (shown.isEmpty() ? QString() : QStringLiteral(". ") + shown));
    settingsWarning_.clear();
}

void TVantrelForm::DefaultsClick() {
    if (OperationRunning()) {
        return;
    }
    const bool runControlBefore = RunControlActive();
    hardwareForm_->exec();

    THardwareSettings& hardware = session_.Hardware;
    const std::uint16_t address =
        PortAddresses.at(std::min<std::size_t>(hardware.PortIndex, kNoPortIndex));
    if (!connection_) {
        // The port chosen may be one this program can open now (a permission given since).
        OpenProgrammer();
        if (connection_) {
            static_cast<void>(DrivePins([](TPinLayer& pins) { pins.SwitchOutputsOff(); }));
        }
    }
    if (address != 0) {
        hardware.PortBase = address;
        PortName->setText(ToQString(PortPanelText(address, hardware.PellamOn)));
        portInUse_ = connection_ != nullptr;
    } else {
        PortName->setText(ToQString(kNoPortChosenText));
        portInUse_ = false;
    }
    session_.Config.UpdateConfig();
    // A preset that can or cannot let the target run starts from the stopped state: run
    // buttons left as the other preset had them would drive a reset line that is not there,
    // or keep the operations locked with no way to unlock them.
    if (RunControlActive() != runControlBefore) {
        StopButtonClick();
    }
}

void TVantrelForm::PresetLayout(bool runControl) {
    if (configHeight_ == 0) {
        configHeight_ = Config->minimumHeight();
    }
    const int spacing = Panel3->parentWidget()->layout()->spacing();
    Panel3->setVisible(runControl);
    // Without the run panel the configuration word takes its place.
    Config->setMinimumHeight(runControl ? configHeight_
                                        : configHeight_ + Panel3->sizeHint().height() + spacing);
}

// The outputs the hand switches may have left on go off; the reset line goes back to what run
// control keeps it at: released while the target runs, held otherwise.
void TVantrelForm::ReleaseHandSwitches() {
    const bool targetRuns = RunControlActive() && StopButton->isEnabled();
    static_cast<void>(DrivePins([targetRuns](TPinLayer& pins) {
        pins.SwitchOutputsOff();
        pins.SetMCLR(targetRuns);
    }));
}

}  // namespace vantrel
