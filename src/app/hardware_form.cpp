#include "app/hardware_form.h"

#include <QActionGroup>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>

#include "app/qt_text.h"
#include "hardware/pin_layer.h"
#include "hardware/port_detection.h"
#include "hardware/programmer_presets.h"

namespace vantrel {

namespace {

struct TGroupNames {
    const char* Box;
    const char* Caption;
    const char* Prefix;  // of the line buttons' names
    const char* Invert;
    const char* Switch;
    bool Level;  // a data line, switched "Low"/"High", rather than a supply, "Off"/"On"
};

constexpr std::array<TGroupNames, 6> kGroupNames{{
    {"VddBox", "Vdd", "Vdd", "VddInvert", "Toggle1", false},
    {"VppBox", "Vpp", "Vpp", "VppInvert", "Toggle2", false},
    {"VPP40Box", "Vpp40", "Vpp40", "Vpp40Invert", "Toggle5", false},
    {"MCLRBox", "MCLR", "MCLR", "MCLRInvert", "Toggle6", false},
    {"OutputBox", "Output", "Out", "OutInvert", "Toggle3", true},
    {"ClockBox", "Clock", "Clk", "ClkInvert", "Toggle4", true},
}};

// The output line buttons: lines 0..11 in this order.
constexpr std::array<const char*, kLastOutputLine + 1> kOutputLineNames{
    "D0", "D1", "D2", "D3", "D4", "D5", "D6", "D7", "STB", "AutoLF", "Init", "Selin"};

struct TInputButton {
    const char* Name;
    const char* Caption;
};
// Lines 12..16, the status lines the data input is read on.
constexpr std::array<TInputButton, 5> kInputLines{
    {{"InError", "ERROR"}, {"InSEL", "SEL"}, {"InPE", "PE"}, {"InACK", "ACK"}, {"InBSY", "BSY"}}};
// The control lines are outputs: the input cannot be read there.
constexpr std::array<TInputButton, 4> kInputControlLines{
    {{"InSTB", "STB"}, {"InAutoLF", "AutoLF"}, {"InInit", "Init"}, {"InSelin", "Selin"}}};

constexpr std::array<const char*, 6> kPresetItemNames{
    "Custom", "Cardlet", "P7406", "P7407", "RSRProgrammer", "FerrowProgrammer"};
constexpr std::array<const char*, 3> kPortButtonNames{"Port1", "Port2", "Port3"};

constexpr int kButtonRows = 6;  // line buttons stand in two columns of six

QString SwitchCaption(bool level, bool on) {
    if (level) {
        return on ? QStringLiteral("High") : QStringLiteral("Low");
    }
    return on ? QStringLiteral("On") : QStringLiteral("Off");
}

// A spin box's value as its text says, or its minimum when the text is not a number.
int SpinValue(const QSpinBox& box) {
    bool number = false;
    const int value = box.cleanText().toInt(&number);
    return number ? std::clamp(value, box.minimum(), box.maximum()) : box.minimum();
}

QSpinBox* MakeSpinBox(const char* name, int minimum, int maximum, const char* hint) {
    auto* box = new QSpinBox;
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(minimum, maximum);
    box->setValue(kDefaultProgDelay);
    SetHint(box, hint);
    return box;
}

}  // namespace

THardwareForm::THardwareForm(THardwareSettings& settings, THardwareFormHooks hooks, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      settings_(settings),
      hooks_(std::move(hooks)) {
    setObjectName(QStringLiteral("HardwareForm"));
    setWindowTitle(QStringLiteral("Hardware Settings"));
    if (parent != nullptr) {
        setFont(parent->font());
    }
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QMenuBar;
    bar->setObjectName(QStringLiteral("HardwareMenu"));
    BuildMenu(bar);
    layout->setMenuBar(bar);

    HardwareLabel = new QLabel;
    HardwareLabel->setObjectName(QStringLiteral("HardwareLabel"));
    HardwareLabel->setStyleSheet(QStringLiteral("color: blue;"));
    layout->addWidget(HardwareLabel);

    auto* row = new QHBoxLayout;
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        row->addWidget(BuildOutputGroup(static_cast<TSignal>(i)));
    }
    row->addWidget(BuildInputGroup());
    row->addWidget(BuildRightColumn());
    layout->addLayout(row);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    FormUpdate();
}

void THardwareForm::BuildMenu(QMenuBar* bar) {
    QMenu* menu = bar->addMenu(QStringLiteral("&Programmer Type"));
    menu->setObjectName(QStringLiteral("Programmer"));
    auto* items = new QActionGroup(this);
    items->setExclusive(true);
    for (const TProgrammerPreset& preset : ProgrammerPresets) {
        QAction* item = menu->addAction(ToQString(preset.MenuCaption));
        item->setObjectName(QString::fromLatin1(kPresetItemNames.at(preset.ProgrammerType)));
        item->setCheckable(true);
        items->addAction(item);
        const std::uint8_t type = preset.ProgrammerType;
        connect(item, &QAction::triggered, this, [this, type] { ChoosePreset(type); });
        presetItems_.at(type) = item;
    }
    presetItems_.front()->setChecked(true);
}

QGroupBox* THardwareForm::BuildOutputGroup(TSignal signal) {
    const TGroupNames& names = kGroupNames.at(signal);
    TSignalGroup& group = groups_.at(signal);
    group.Box = new QGroupBox(QString::fromLatin1(names.Caption));
    group.Box->setObjectName(QString::fromLatin1(names.Box));
    auto* grid = new QGridLayout(group.Box);
    group.Lines = new QButtonGroup(group.Box);
    for (std::size_t line = 0; line < kOutputLineNames.size(); ++line) {
        auto* button = new QRadioButton(QString::fromLatin1(kOutputLineNames.at(line)));
        button->setObjectName(QString::fromLatin1(names.Prefix) +
                              QString::fromLatin1(kOutputLineNames.at(line)));
        group.Lines->addButton(button, static_cast<int>(line));
        grid->addWidget(button, static_cast<int>(line) % kButtonRows,
                        static_cast<int>(line) / kButtonRows);
    }
    connect(group.Lines, &QButtonGroup::idClicked, this,
            [this, signal](int line) { LineClick(signal, line); });
    group.Invert = new QCheckBox(QStringLiteral("Invert"));
    group.Invert->setObjectName(QString::fromLatin1(names.Invert));
    connect(group.Invert, &QCheckBox::clicked, this,
            [this, signal](bool checked) { InvertClick(signal, checked); });
    grid->addWidget(group.Invert, kButtonRows, 0, 1, 2);
    group.Switch = new QPushButton(SwitchCaption(names.Level, false));
    group.Switch->setObjectName(QString::fromLatin1(names.Switch));
    group.Switch->setAutoDefault(false);
    SetHint(group.Switch, "|Switch the line by hand, to check the board with a meter");
    connect(group.Switch, &QPushButton::clicked, this, [this, signal] { ToggleClick(signal); });
    grid->addWidget(group.Switch, kButtonRows + 1, 0, 1, 2);
    return group.Box;
}

QGroupBox* THardwareForm::BuildInputGroup() {
    InputBox = new QGroupBox(QStringLiteral("Input"));
    InputBox->setObjectName(QStringLiteral("InputBox"));
    auto* grid = new QGridLayout(InputBox);
    inputLines_ = new QButtonGroup(InputBox);
    for (std::size_t i = 0; i < kInputLines.size(); ++i) {
        auto* button = new QRadioButton(QString::fromLatin1(kInputLines.at(i).Caption));
        button->setObjectName(QString::fromLatin1(kInputLines.at(i).Name));
        inputLines_->addButton(button, kFirstInputLine + static_cast<int>(i));
        grid->addWidget(button, static_cast<int>(i), 0);
    }
    for (std::size_t i = 0; i < kInputControlLines.size(); ++i) {
        auto* button = new QRadioButton(QString::fromLatin1(kInputControlLines.at(i).Caption));
        button->setObjectName(QString::fromLatin1(kInputControlLines.at(i).Name));
        button->setEnabled(false);
        button->setToolTip(QStringLiteral("The data input is read on a status line"));
        grid->addWidget(button, static_cast<int>(i), 1);
    }
    connect(inputLines_, &QButtonGroup::idClicked, this, &THardwareForm::InClick);
    InInvert = new QCheckBox(QStringLiteral("Invert"));
    InInvert->setObjectName(QStringLiteral("InInvert"));
    connect(InInvert, &QCheckBox::clicked, this, [this](bool checked) {
        settings_.Wiring.PinDataIn.Invert = checked;
        DisplayInput();
    });
    grid->addWidget(InInvert, kButtonRows, 0, 1, 2);
    ShowIn = new QLabel(QStringLiteral("Low"));
    ShowIn->setObjectName(QStringLiteral("ShowIn"));
    ShowIn->setFrameShape(QFrame::StyledPanel);
    ShowIn->setFrameShadow(QFrame::Sunken);
    ShowIn->setAlignment(Qt::AlignCenter);
    SetHint(ShowIn, "|The level the data input reads");
    // As high as the switches beside it; the room the fewer line buttons leave stays above.
    ShowIn->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    ShowIn->setMinimumHeight(QPushButton(QStringLiteral("Low")).sizeHint().height());
    grid->setRowStretch(static_cast<int>(kInputLines.size()), 1);
    grid->addWidget(ShowIn, kButtonRows + 1, 0, 1, 2);
    return InputBox;
}

QWidget* THardwareForm::BuildRightColumn() {
    auto* column = new QWidget;
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* portBox = new QGroupBox(QStringLiteral("Port"));
    portBox->setObjectName(QStringLiteral("PortBox"));
    auto* portLayout = new QVBoxLayout(portBox);
    ports_ = new QButtonGroup(portBox);
    for (std::size_t i = 0; i < portButtons_.size(); ++i) {
        auto* button = new QRadioButton;
        button->setObjectName(QString::fromLatin1(kPortButtonNames.at(i)));
        ports_->addButton(button, static_cast<int>(i));
        portLayout->addWidget(button);
        portButtons_.at(i) = button;
    }
    connect(ports_, &QButtonGroup::idClicked, this, &THardwareForm::PortClick);
    layout->addWidget(portBox);

    PellamBox = new QCheckBox(QStringLiteral("Pellam"));
    PellamBox->setObjectName(QStringLiteral("PellamBox"));
    SetHint(PellamBox, "|Show port addresses as 378H rather than $378");
    connect(PellamBox, &QCheckBox::clicked, this, [this](bool checked) {
        settings_.PellamOn = checked;
        ShowPortButtons();
    });
    layout->addWidget(PellamBox);

    DelTime = MakeSpinBox("DelTime", kMinProgDelay, kMaxProgDelay, "Set Programming Delay Time");
    auto* delayLabel = new QLabel(QStringLiteral("Prog &Delay"));
    delayLabel->setBuddy(DelTime);
    layout->addWidget(delayLabel);
    layout->addWidget(DelTime);
    VppTime = MakeSpinBox("VppTime", kMinVppDelay, kMaxVppDelay,
                          "|Settle time after switching Vpp and Vdd, in milliseconds");
    auto* vppLabel = new QLabel(QStringLiteral("&Vpp Delay"));
    vppLabel->setBuddy(VppTime);
    layout->addWidget(vppLabel);
    layout->addWidget(VppTime);
    layout->addStretch();
    return column;
}

TPinAssignment& THardwareForm::Pin(TSignal signal) const {
    TWiring& wiring = settings_.Wiring;
    switch (signal) {
        case kVdd:
            return wiring.PinVdd;
        case kVpp:
            return wiring.PinVpp;
        case kVpp40:
            return wiring.PinVpp40;
        case kMCLR:
            return wiring.PinMCLR;
        case kOutput:
            return wiring.PinDataOut;
        case kClock:
        case kSignalCount:
            break;
    }
    return wiring.PinClock;
}

void THardwareForm::FormUpdate() {
    const std::uint8_t type = settings_.ProgrammerType;
    presetItems_.at(type)->setChecked(true);
    HardwareLabel->setText(ToQString(ProgrammerPresets.at(type).Label));
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        const TSignalGroup& group = groups_.at(i);
        const TPinAssignment& pin = Pin(static_cast<TSignal>(i));
        // Every output line is shown, the control lines too: a group showing no line, or the
        // one it showed before, would misstate the wiring.
        if (QAbstractButton* button = group.Lines->button(pin.Line)) {
            button->setChecked(true);
        }
        group.Invert->setChecked(pin.Invert);
    }
    if (QAbstractButton* button = inputLines_->button(settings_.Wiring.PinDataIn.Line)) {
        button->setChecked(true);
    }
    InInvert->setChecked(settings_.Wiring.PinDataIn.Invert);
    PellamBox->setChecked(settings_.PellamOn);
    ShowPortButtons();
    DelTime->setValue(settings_.ProgDelay);
    VppTime->setValue(settings_.VppDelay);
    DisplayInput();
}

void THardwareForm::ShowPortButtons() {
    for (std::size_t i = 0; i < portButtons_.size(); ++i) {
        portButtons_.at(i)->setText(
            ToQString(PortAddressText(PortAddresses.at(i), settings_.PellamOn)));
        // Another base (one stored by hand) leaves the buttons as they are.
        if (settings_.PortBase == PortAddresses.at(i)) {
            portButtons_.at(i)->setChecked(true);
        }
    }
}

void THardwareForm::ChoosePreset(std::uint8_t programmerType) {
    const TProgrammerPreset& preset = ProgrammerPresets.at(programmerType);
    ReleaseHandSwitches(false);
    settings_.ProgrammerType = programmerType;
    presetItems_.at(programmerType)->setChecked(true);
    if (preset.Wiring) {
        settings_.Wiring = *preset.Wiring;
    }
    const bool custom = programmerType == kProgrammerCustom;
    for (const TSignalGroup& group : groups_) {
        group.Box->setEnabled(custom);
    }
    InputBox->setEnabled(custom);
    if (hooks_.PresetLayout) {
        hooks_.PresetLayout(preset.HasRunControl);
    }
    groups_.at(kMCLR).Box->setVisible(preset.HasRunControl);
    // The delays take effect when the window closes: what the user has set in their boxes
    // survives the refresh.
    const int progDelay = DelTime->value();
    const int vppDelay = VppTime->value();
    FormUpdate();
    DelTime->setValue(progDelay);
    VppTime->setValue(vppDelay);
}

void THardwareForm::showEvent(QShowEvent* event) {
    FormUpdate();
    QDialog::showEvent(event);
}

void THardwareForm::done(int result) {
    FormClose();
    QDialog::done(result);
}

void THardwareForm::LineClick(TSignal signal, int line) {
    ReleaseHandSwitches(false);
    Pin(signal).Line = static_cast<std::uint8_t>(line);
    DisplayInput();
}

void THardwareForm::InvertClick(TSignal signal, bool checked) {
    ReleaseHandSwitches(false);
    Pin(signal).Invert = checked;
    DisplayInput();
}

void THardwareForm::InClick(int line) {
    settings_.Wiring.PinDataIn.Line = static_cast<std::uint8_t>(line);
    DisplayInput();
}

void THardwareForm::ToggleClick(TSignal signal) {
    const TSignalGroup& group = groups_.at(signal);
    const bool level = kGroupNames.at(signal).Level;
    const bool on = group.Switch->text() == SwitchCaption(level, false);
    const bool driven = hooks_.DrivePins && hooks_.DrivePins([signal, on](TPinLayer& pins) {
        switch (signal) {
            case kVdd:
                pins.SetVdd(on);
                break;
            case kVpp:
                pins.SetVpp(on);
                break;
            case kVpp40:
                pins.SetVpp40(on);
                break;
            case kMCLR:
                pins.SetMCLR(on);
                break;
            case kOutput:
                pins.SetDataOut(on);
                break;
            case kClock:
            case kSignalCount:
                pins.SetClock(on);
                break;
        }
    });
    // Without a programmer the caption keeps saying what the line is.
    if (driven) {
        group.Switch->setText(SwitchCaption(level, on));
    }
    DisplayInput();
}

void THardwareForm::PortClick(int index) {
    const auto entry = static_cast<std::size_t>(index);
    settings_.PortBase = PortAddresses.at(entry);
    settings_.PortIndex = static_cast<std::uint16_t>(entry);
}

void THardwareForm::DisplayInput() {
    bool high = false;
    if (hooks_.DrivePins) {
        static_cast<void>(hooks_.DrivePins([&high](TPinLayer& pins) { high = pins.ReadDataIn(); }));
    }
    ShowIn->setText(high ? QStringLiteral("High") : QStringLiteral("Low"));
}

void THardwareForm::FormClose() {
    settings_.ProgDelay = static_cast<std::uint8_t>(SpinValue(*DelTime));
    settings_.VppDelay = static_cast<std::uint16_t>(SpinValue(*VppTime));
    // Nothing switched on by hand stays on once nobody watches the window: a chip left under
    // Vpp could be harmed by the next one put in the socket.
    ReleaseHandSwitches(true);
}

// Before the wiring changes too, when a switch is on: a line switched on by hand and then given
// to another signal (or inverted) would stay on where nothing switches it off any more.
void THardwareForm::ReleaseHandSwitches(bool always) {
    bool switched = false;
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        switched = switched ||
                   groups_.at(i).Switch->text() != SwitchCaption(kGroupNames.at(i).Level, false);
    }
    if ((always || switched) && hooks_.HandSwitchesReleased) {
        hooks_.HandSwitchesReleased();
    }
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        groups_.at(i).Switch->setText(SwitchCaption(kGroupNames.at(i).Level, false));
    }
}

}  // namespace vantrel
