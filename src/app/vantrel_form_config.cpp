// The configuration controls as views of the session's configuration model, the device layout
// of the window, and the edits of the grids.

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTableView>
#include <QTimer>

#include "app/qt_text.h"
#include "app/source_editor.h"
#include "app/vantrel_form.h"
#include "device/device_selection.h"

namespace vantrel {

namespace {

constexpr int kFuseRows = 5;
// Entries of the ID grid in view without scrolling: the four IDs of the 12- and 14-bit parts,
// all eight bytes on 18F parts.
constexpr int kIdEntriesShown = 4;
constexpr int kIdEntriesShown18 = 8;

bool AlwaysShown(TFuseBox box) {
    // Every device has a watchdog and code protection.
    return box == TFuseBox::WDT || box == TFuseBox::CodeP;
}

}  // namespace

void TVantrelForm::ConfigChanged() {
    // A chip operation recomputes the words on its own thread; the controls follow when it
    // hands the image over or ends.
    if (std::this_thread::get_id() != windowThread_) {
        return;
    }
    SyncConfigControls();
}

void TVantrelForm::SyncConfigControls() {
    const TConfigModel& model = session_.Config;
    if (laidOutDevice_ != session_.Device.CurrentDevice) {
        ApplyDeviceLayout();
    }
    for (std::size_t i = 0; i < kFuseBoxCount; ++i) {
        const QSignalBlocker blocker(fuseBoxes_.at(i));
        fuseBoxes_.at(i)->setChecked(model.Checked(static_cast<TFuseBox>(i)));
    }
    const auto item = static_cast<std::size_t>(model.OscillatorIndex());
    if (item < oscillatorItems_.size()) {
        const QSignalBlocker blocker(oscillatorItems_.at(item));
        oscillatorItems_.at(item)->setChecked(true);
    }
    {
        const QSignalBlocker blocker(ProcessorType);
        ProcessorType->setCurrentIndex(DeviceComboIndex(session_.Device.CurrentDevice));
    }
    Config->setText(ToQString(model.ConfigText()));
    ApplyEraseRule();
}

void TVantrelForm::SyncOptionControls() {
    const TProgrammingOptions& options = session_.Options;
    const QSignalBlocker blank(BlankBox);
    const QSignalBlocker cal(CalBox);
    const QSignalBlocker verify(AutoVerify);
    BlankBox->setChecked(options.BlankCheck);
    CalBox->setChecked(options.ChangeCal);
    AutoVerify->setChecked(options.AutoVerify);
}

// The parts of the window that depend on the device: which fuse boxes and panels exist, the
// oscillator names, the 18F configuration grid, and the grids' sizes.
void TVantrelForm::ApplyDeviceLayout() {
    const TPicDevice& device = session_.Device.Device();
    laidOutDevice_ = session_.Device.CurrentDevice;

    auto* fuses = static_cast<QGridLayout*>(FusesBox->layout());
    int placed = 0;
    for (std::size_t i = 0; i < kFuseBoxCount; ++i) {
        const auto box = static_cast<TFuseBox>(i);
        QCheckBox* check = fuseBoxes_.at(i);
        const bool exists = AlwaysShown(box) || FuseOf(device, box).Mask != 0;
        check->setVisible(exists);
        check->setEnabled(exists);
        fuses->removeWidget(check);
        if (exists) {
            fuses->addWidget(check, placed % kFuseRows, placed / kFuseRows);
            ++placed;
        }
    }

    BlankPanel->setVisible(IsEprom(device));
    CalPanel->setVisible(device.Algorithm == kAlgorithmCalibrated);

    const bool pic18 = IsPic18(device);
    FusesBox->setVisible(!pic18);
    OscillatorGroup->setVisible(!pic18);
    ConfigBox->setVisible(pic18);
    // The ID grid shows the IDs a device uses; on 12- and 14-bit parts the other four entries
    // are reached by scrolling.
    const QHeaderView* idColumns = StringGrid3->horizontalHeader();
    const int frame = 2 * StringGrid3->frameWidth();
    StringGrid3->setFixedWidth(
        idColumns->sectionSize(0) +
        idColumns->defaultSectionSize() * (pic18 ? kIdEntriesShown18 : kIdEntriesShown) + frame);
    StringGrid3->setHorizontalScrollBarPolicy(pic18 ? Qt::ScrollBarAlwaysOff
                                                    : Qt::ScrollBarAlwaysOn);
    StringGrid3->setFixedHeight(
        StringGrid3->verticalHeader()->defaultSectionSize() + frame +
        (pic18 ? 0 : StringGrid3->horizontalScrollBar()->sizeHint().height()));

    const std::vector<std::string_view>& names = session_.Config.OscillatorList();
    for (std::size_t i = 0; i < oscillatorItems_.size(); ++i) {
        QRadioButton* item = oscillatorItems_.at(i);
        const bool offered = i < names.size();
        item->setVisible(offered);
        if (offered) {
            item->setText(ToQString(names.at(i)));
        }
    }

    const bool eeprom = device.EepromSize != 0;
    StringGrid2->setVisible(eeprom);
    StringGrid2->setEnabled(eeprom);
    Memo2->SetDevice(device);
    DisplayBuffer();
}

// Erase is never offered for one-time-programmable parts; otherwise it follows Write.
void TVantrelForm::ApplyEraseRule() {
    if (IsEprom(session_.Device.Device())) {
        EraseButton->setEnabled(false);
    } else if (WriteButton->isEnabledTo(this)) {
        EraseButton->setEnabled(true);
    }
}

void TVantrelForm::BoxClick(TFuseBox box, bool checked) {
    session_.Config.SetChecked(box, checked);
}

void TVantrelForm::OscillatorGroupClick(int item) {
    session_.Config.SelectOscillator(item);
}

void TVantrelForm::ProcessorGroupClick(int comboIndex) {
    const std::string name = ToStdString(
        ProcessorType->itemText(comboIndex).mid(static_cast<int>(kDeviceNamePrefix.size())));
    const std::optional<std::uint8_t> device = FindDeviceByName(name);
    if (!device) {
        return;
    }
    session_.Config.ChangeDevice(*device);
    session_.Options.BlankCheck = true;
    session_.Options.ChangeCal = false;
    SyncOptionControls();
    SyncConfigControls();
    DisplayBuffer();
}

void TVantrelForm::DisplayBuffer() {
    shown_.Take(session_.Device.Image, session_.Device.CurrentDevice);
    for (TBufferGridModel* model : gridModels_) {
        model->Refresh();
    }
}

void TVantrelForm::StoreCellEdit(TBufferGrid grid, std::size_t entry, std::uint16_t value) {
    MarkModified();
    TDeviceImage& image = session_.Device.Image;
    switch (grid) {
        case TBufferGrid::Program:
            image.ProgramBuffer.at(entry) = value;
            break;
        case TBufferGrid::Data:
            image.DataBuffer.at(entry) = value;
            break;
        case TBufferGrid::Id:
            image.IdBuffer.at(entry) = value;
            break;
        case TBufferGrid::Config18:
            image.Config18.at(entry) = value;
            break;
    }
}

void TVantrelForm::ShowCellEditOutcome(std::string_view status) {
    Status->setText(ToQString(status));
    Timer1->start();
}

}  // namespace vantrel
