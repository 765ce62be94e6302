#pragma once

#include <QDialog>
#include <array>
#include <cstdint>
#include <functional>

#include "hardware/hardware_settings.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace vantrel {

class TPinLayer;

// What the hardware settings window needs of the main window.
struct THardwareFormHooks {
    // Drives the programmer's pins; false when there is none or the port failed (the main
    // window has said why).
    std::function<bool(const std::function<void(TPinLayer&)>&)> DrivePins;
    // A preset was chosen: the main window shows its run panel (or gives its space to the
    // configuration word) as the preset can or cannot let a target run.
    std::function<void(bool runControl)> PresetLayout;
    // The window closed: the outputs switched by hand go back to where the program keeps them.
    std::function<void()> HandSwitchesReleased;
};

// The hardware settings window: which port line carries each programmer signal and whether it
// is inverted, the built-in programmer presets, the port, the address display and the two
// delays, and hand switches with an input display to check a board with a meter. Wiring, port,
// preset and address display take effect at once; the delays when the window closes.
class THardwareForm final : public QDialog {
    Q_OBJECT

  public:
    THardwareForm(THardwareSettings& settings, THardwareFormHooks hooks, QWidget* parent);

    // Shows the state in the controls (FormCreate / FormUpdate).
    void FormUpdate();
    // Chooses a preset as its menu item does.
    void ChoosePreset(std::uint8_t programmerType);

  protected:
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

  private:
    // One signal's group: its line buttons, invert box and hand switch.
    struct TSignalGroup {
        QGroupBox* Box = nullptr;
        QButtonGroup* Lines = nullptr;
        QCheckBox* Invert = nullptr;
        QPushButton* Switch = nullptr;
    };
    enum TSignal : std::size_t { kVdd, kVpp, kVpp40, kMCLR, kOutput, kClock, kSignalCount };

    void BuildMenu(QMenuBar* bar);
    [[nodiscard]] QGroupBox* BuildOutputGroup(TSignal signal);
    [[nodiscard]] QGroupBox* BuildInputGroup();
    [[nodiscard]] QWidget* BuildRightColumn();
    [[nodiscard]] TPinAssignment& Pin(TSignal signal) const;

    void LineClick(TSignal signal, int line);
    void InvertClick(TSignal signal, bool checked);
    void ToggleClick(TSignal signal);
    void InClick(int line);
    void PortClick(int index);
    void ShowPortButtons();
    void DisplayInput();
    void FormClose();
    // Switches Vdd, Vpp and Vpp40 off and MCLR back, always or only when a switch is on.
    void ReleaseHandSwitches(bool always);

    THardwareSettings& settings_;
    THardwareFormHooks hooks_;

    std::array<QAction*, 6> presetItems_{};
    QLabel* HardwareLabel = nullptr;
    std::array<TSignalGroup, kSignalCount> groups_{};
    QGroupBox* InputBox = nullptr;
    QButtonGroup* inputLines_ = nullptr;
    QCheckBox* InInvert = nullptr;
    QLabel* ShowIn = nullptr;
    QButtonGroup* ports_ = nullptr;
    std::array<QRadioButton*, 3> portButtons_{};
    QCheckBox* PellamBox = nullptr;
    QSpinBox* DelTime = nullptr;
    QSpinBox* VppTime = nullptr;
};

}  // namespace vantrel
