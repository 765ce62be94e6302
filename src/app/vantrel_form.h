#pragma once

#include <QMainWindow>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/buffer_grid_model.h"
#include "app/file_stamp.h"
#include "device/fuses.h"
#include "disasm/disassembly_state.h"
#include "programming/operation_result.h"
#include "programming/programming_ui.h"
#include "programming/vantrel_session.h"
#include "service/programmer_connection.h"
#include "service/vantrel_settings.h"

class QAction;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDragEnterEvent;
class QDropEvent;
class QGroupBox;
class QLabel;
class QMenu;
class QMimeData;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QTabWidget;
class QTableView;
class QTimer;
class QToolBar;
class QToolButton;

namespace vantrel {

class THardwareForm;
class THelpWindow;
struct THexFileLoad;
class TOperationRunner;
class TQtSettingsStore;
class TSourceEditor;

// How the window was started.
struct TFormOptions {
    // The device an unattended run will select: the simulated socket holds a chip of it from
    // the start, so a chip kept in a file for that device is accepted.
    std::optional<std::uint8_t> CommandLineDevice;
    // The settings file read at start-up and written at shutdown; null: a first run's defaults,
    // and nothing is written.
    TQtSettingsStore* Settings = nullptr;
    // The options the program was started with, applied over what the settings held: they win
    // for this run, and the keys they stand for (KeysNotWritten) keep their stored values.
    std::function<void(TVantrelSession&)> StartOptions;
    std::vector<std::string_view> KeysNotWritten;
};

// What the help window is asked to show.
enum class THelpTopic { Contents, Search, HowToUse };

// The main window: a view over one session. It hosts every command, shows the image in grids
// and the fuses as check boxes bound to the session's configuration model, keeps the status
// line with its hints and timers, and runs the chip operations on a worker thread so that it
// stays responsive (and can cancel) while a chip is programmed. It holds one connection to the
// programmer for its whole life and leaves Vpp, Vpp40 and Vdd off however it ends.
class TVantrelForm final : public QMainWindow, private TProgrammingUi {
    Q_OBJECT

  public:
    explicit TVantrelForm(TVantrelSession& session, const TFormOptions& options = {});
    // The shutdown: timers stopped, a running operation stopped, the target released, Vpp,
    // Vpp40 and Vdd off.
    ~TVantrelForm() override;

    TVantrelForm(const TVantrelForm&) = delete;
    TVantrelForm& operator=(const TVantrelForm&) = delete;

    // The chip operations, as their buttons start them. Each runs on the worker thread and
    // returns at once; ChipOperationFinished is emitted when it has ended.
    void WriteButtonClick();
    void ReadPIC1Click();
    void VerifyButtonClick();
    void EraseButtonClick();
    // Stops the running operation at its next port access (the status-line Cancel, Esc).
    void CancelOperation();
    [[nodiscard]] bool OperationRunning() const;

    // Port detection on the candidate addresses ("Find Port").
    void CheckPortClick();
    // Target run control: Run, Stop and Reset of the run panel.
    void RunButtonClick();
    void StopButtonClick();
    void MCLRButtonClick();

    void DisassemblyClick();
    void SizeableWindow1Click();
    void AboutNotes1Click();
    void Contents1Click();
    void SearchforHelpon1Click();
    void Howtousehelp1Click();
    void Edit1Click();
    void CuT1Click();
    void Copy1Click();
    void Paste1Click();
    void Exit1Click();

    // Loads a HEX file as Open, Reload and the recent files do: the text on the "HEX file"
    // page, the image and the fuse controls from the reader, the checksum in the status line,
    // and a Write when "Auto Prog" is checked and the file set values of this device and
    // nothing outside it. The grids and fuse controls show the image after every attempt, a
    // failed one included. In the unattended run failures go to standard error instead of a
    // message box.
    struct TFileLoadResult {
        bool FileRead = false;
        bool Ok = false;
        // The file held data for this device and nothing outside it: worth writing.
        bool Programmable = false;
        std::string Error;
    };
    enum class TLoadWrite { AutoProg, Never };
    TFileLoadResult FileLoad(const QString& path, TLoadWrite write = TLoadWrite::AutoProg);

    // The unattended run of `vantrel DEVICE [FILE]`: selects the device and, with a file,
    // loads it and starts the Write. Returns the exit status when the run ends before the
    // Write starts (no file: nothing, the window stays open); CommandLineRunFinished carries
    // the status of a Write that was started.
    [[nodiscard]] std::optional<int> StartCommandLineRun(std::uint8_t deviceIndex,
                                                         const std::optional<std::string>& path);

    // Closes the window without asking, cancelling a running operation first: the program is
    // being told to end (a signal).
    void CloseWithoutAsking();

    // Refreshes the grids from the image.
    void DisplayBuffer();

    // The programmer this window holds; null when none could be opened.
    [[nodiscard]] TProgrammerConnection* Connection() { return connection_.get(); }
    // Why the programmer could not be opened, one text each.
    [[nodiscard]] const std::vector<std::string>& ConnectionErrors() const {
        return connectionErrors_;
    }
    [[nodiscard]] bool PortInUse() const { return portInUse_; }

    // Settings, hardware settings window, timing (vantrel_form_settings.cpp).
    // Opens the hardware settings window modally ("Hardware").
    void DefaultsClick();
    [[nodiscard]] THardwareForm* HardwareForm() const { return hardwareForm_; }

    // ---- File commands (vantrel_form_files.cpp) ----
    void New1Click();
    void Open1Click();
    void Save1Click();
    void SaveAs1Click();
    void ReloadButtonClick();
    // The recent-file items File2..File6 (Ctrl+1..Ctrl+5): loads entry `index` without asking
    // to save.
    void ReopenClick(std::size_t index);
    // "Open with": makes `path` the current file and loads it, never writing the chip.
    void OpenWith(const QString& path);
    [[nodiscard]] const QString& FileName() const { return fileName_; }
    [[nodiscard]] bool Modified() const { return modified_; }

  signals:
    void ChipOperationFinished();
    void CommandLineRunFinished(int exitStatus);

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    // A HEX file dropped onto the window is opened as Open does.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    class TPortPanelView;

    // Building the window (vantrel_form_layout.cpp).
    void BuildWidgets();
    void BuildMenus();
    void BuildToolBar();
    [[nodiscard]] QWidget* BuildNotebook();
    [[nodiscard]] QWidget* BuildBufferPage();
    [[nodiscard]] QWidget* BuildOperationsColumn();
    [[nodiscard]] QWidget* BuildConfigurationRow();
    void BuildStatusBar();
    void BuildTimers();
    void ConnectCommands();
    void SetTabOrder();
    [[nodiscard]] QTableView* MakeGrid(TBufferGrid grid, const char* name, const char* hint);
    void SizeGrids();
    [[nodiscard]] double FontScale() const;

    // Start-up and shutdown (vantrel_form.cpp).
    void FormCreate();
    void FormDestroy();
    void ReadSettingsDefaults();
    void OpenProgrammer();
    void ShowPortText();

    // The fuse controls as views of the configuration model (vantrel_form_config.cpp).
    void ConfigChanged();
    void SyncConfigControls();
    void SyncOptionControls();
    void ApplyDeviceLayout();
    void ApplyEraseRule();
    void BoxClick(TFuseBox box, bool checked);
    void OscillatorGroupClick(int item);
    void ProcessorGroupClick(int comboIndex);
    void StoreCellEdit(TBufferGrid grid, std::size_t entry, std::uint16_t value);
    void ShowCellEditOutcome(std::string_view status);

    // Chip operations and the programmer (vantrel_form_operations.cpp).
    void StartChipOperation(TChipOperation operation);
    void ChipOperationEnded(TChipOperation operation, const TOperationResult& result);
    void EnterOperationState(bool running);
    void ForgetCyclesCutByCancel();
    void ReportSimulatedChip(bool& keepFailed);
    void SetOperationButtons(bool read, bool write, bool verify, bool erase);
    void EnableOperationsForPort();
    [[nodiscard]] bool RunControlActive() const;
    // Drives the programmer's pins from the window's thread; a port failure is reported.
    bool DrivePins(const std::function<void(TPinLayer&)>& action);
    void ReportFailure(const std::string& text);

    // TProgrammingUi, on the window's thread.
    void SetStatus(std::string_view text) override;
    void ShowMessage(std::string_view text) override;
    bool AskYesNo(std::string_view question) override;
    TAnswer AskYesNoCancel(std::string_view question) override;
    void Progress(std::size_t done, std::size_t total) override;
    void OperationStarted(TChipOperation operation) override;
    void BufferChanged() override;
    void ChipRead() override;
    bool NewImage() override;

    // File commands and the recent files (vantrel_form_files.cpp).
    // Shows the recent files in the ReOpen menu: one item per listed path, the menu enabled
    // when the list is not empty.
    void ReopenSetup();
    // Puts a path at the top of the recent files: a path already listed (compared exactly, as
    // paths are case-sensitive) moves up, a new one pushes out the oldest.
    void ReopenAdd(const QString& path);
    // Which kind of file a save writes: the image as Intel HEX, or the source editor's text.
    enum class TSaveKind { Hex, Source };
    void ConnectFileCommands();
    [[nodiscard]] TSaveKind SaveKindOfPage() const;
    // Save and Save As for a kind of file: the name's extension follows the kind.
    bool SaveCommand(TSaveKind kind, bool saveAs);
    // Asks whether to save the changed image; true when the calling command may go on.
    [[nodiscard]] bool QuerySave();
    // Saves under `name` (the current name with the kind's extension); false when not saved.
    [[nodiscard]] bool FileSave(const QString& name, TSaveKind kind);
    [[nodiscard]] bool FileSaveAs(const QString& name, TSaveKind kind);
    // Writes the file for `name` by its extension, through a temporary file renamed over it;
    // false, with the message shown, when it could not be written.
    [[nodiscard]] bool WriteFile(const QString& name);
    // A file the Source save would replace that this window did not write: ask first.
    [[nodiscard]] bool MayReplace(const QString& name);
    // The file part of New: no file, no text, nothing watched.
    void ClearFile();
    void ClearImageAsNew();
    void WatchFile();
    void StopWatching();
    [[nodiscard]] bool FileChanged();
    void FileTimerTimer();
    // Whether the poll must wait for its next tick: an operation, a load, a box or a dialog
    // is on, any of which a nested load and Write must not start behind.
    [[nodiscard]] bool PollMustWait() const;
    void ReportLoad(const std::string& path, const THexFileLoad& load);
    void MarkModified();
    // The calibration word when the chip's own cannot be kept.
    [[nodiscard]] std::optional<std::uint16_t> AskCalibrationWord(
        std::string_view question) override;
    [[nodiscard]] bool AcceptsDrop(const QMimeData* data, QString* path) const;

    // Settings, hardware settings window, timing (vantrel_form_settings.cpp).
    void BuildSettingsCommands();
    void ApplyWindowSettings(const TWindowSettings& window);
    [[nodiscard]] TWindowSettings CurrentWindowSettings() const;
    void WriteSettings();
    void ShowSettingsWarning();
    void PresetLayout(bool runControl);
    void ReleaseHandSwitches();

    // Status line, timers, edit commands, help (vantrel_form_commands.cpp).
    void DoShowHint(const QString& hint);
    void DontShowHint();
    void Timer1Timer();
    void Timer2Timer();
    void SetEditControls();
    void ShowHelp(THelpTopic topic);
    void SetCaption(const QString& suffix);
    void ApplyWindowSizeMode();
    [[nodiscard]] QWidget* FocusedMemo() const;

    TVantrelSession& session_;
    TFormOptions options_;
    std::thread::id windowThread_;
    std::unique_ptr<TProgrammerConnection> connection_;
    std::vector<std::string> connectionErrors_;
    std::unique_ptr<TDisassembler> disassembler_;
    TShownImage shown_;
    TOperationRunner* runner_ = nullptr;
    THelpWindow* help_ = nullptr;

    // The window's own state.
    QString fileName_;
    bool modified_ = false;
    // The watched file's stamp when it was read or saved; nothing: nothing is watched.
    std::optional<TFileStamp> fileStamp_;
    // Most recent first; an empty text is a free entry. Read from and written to the settings.
    std::array<QString, kRecentFileCount> recentFiles_;
    bool hintsShown_ = true;  // DoShowHint in force; false while an operation's texts show
    bool portInUse_ = false;
    bool unattended_ = false;
    bool closeAfterOperation_ = false;
    bool closeWithoutAsking_ = false;
    bool fileTimerWasActive_ = false;
    // File commands: a load is under way; the file this window saved last.
    bool loading_ = false;
    QString lastSavedPath_;
    int laidOutDevice_ = -1;
    QSize normalSize_;

    // Menus.
    QMenu* File1 = nullptr;
    QAction* New1 = nullptr;
    QAction* Open1 = nullptr;
    QMenu* ReOpen = nullptr;
    std::array<QAction*, kRecentFileCount> RecentFileItems{};  // File2 .. File6
    QAction* Save1 = nullptr;
    QAction* SaveAs1 = nullptr;
    QAction* Exit1 = nullptr;
    QMenu* Edit1 = nullptr;
    QAction* CuT1 = nullptr;
    QAction* Copy1 = nullptr;
    QAction* Paste1 = nullptr;
    QMenu* Options1 = nullptr;
    QAction* CheckPort = nullptr;
    QAction* Defaults = nullptr;
    QAction* AutoDetect = nullptr;
    QAction* AutoVerify = nullptr;
    QAction* AutoUpdate = nullptr;
    QAction* SizeableWindow1 = nullptr;
    QMenu* Help1 = nullptr;
    QAction* Contents1 = nullptr;
    QAction* SearchforHelpon1 = nullptr;
    QAction* Howtousehelp1 = nullptr;
    QAction* AboutNotes1 = nullptr;

    // Tool bar.
    QToolBar* ToolBar = nullptr;
    QToolButton* NewButton = nullptr;
    QToolButton* OpenButton = nullptr;
    QToolButton* SaveButton = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    QToolButton* CutButton = nullptr;
    QToolButton* CopyButton = nullptr;
    QToolButton* PasteButton = nullptr;
    QToolButton* SpeedButton12 = nullptr;

    // Notebook and grids.
    QScrollArea* ScrollBox = nullptr;
    QTabWidget* TabbedNotebook1 = nullptr;
    QWidget* BufferPage = nullptr;
    QWidget* HexPage = nullptr;
    QWidget* SourcePage = nullptr;
    QTableView* StringGrid1 = nullptr;
    QTableView* StringGrid2 = nullptr;
    QTableView* StringGrid3 = nullptr;
    QTableView* StringGrid4 = nullptr;
    std::array<TBufferGridModel*, 4> gridModels_{};
    QPlainTextEdit* Memo1 = nullptr;
    TSourceEditor* Memo2 = nullptr;

    // Operations, run panel, configuration.
    QPushButton* ReadButton = nullptr;
    QPushButton* WriteButton = nullptr;
    QPushButton* VerifyButton = nullptr;
    QPushButton* EraseButton = nullptr;
    QPushButton* ReloadButton = nullptr;
    QPushButton* Dissasemble = nullptr;
    QWidget* Panel3 = nullptr;
    QPushButton* RunButton = nullptr;
    QPushButton* StopButton = nullptr;
    QPushButton* MCLRButton = nullptr;
    QWidget* ConfigurationRow = nullptr;
    QGroupBox* FusesBox = nullptr;
    std::array<QCheckBox*, kFuseBoxCount> fuseBoxes_{};
    QGroupBox* ConfigBox = nullptr;
    QGroupBox* OscillatorGroup = nullptr;
    QButtonGroup* oscillatorButtons_ = nullptr;
    std::vector<QRadioButton*> oscillatorItems_;
    QGroupBox* ProcessorGroup = nullptr;
    QComboBox* ProcessorType = nullptr;
    QLabel* Config = nullptr;
    QWidget* AutoPanel = nullptr;
    QCheckBox* AutoBox = nullptr;
    QWidget* BlankPanel = nullptr;
    QCheckBox* BlankBox = nullptr;
    QWidget* CalPanel = nullptr;
    QCheckBox* CalBox = nullptr;
    QLabel* PortName = nullptr;

    // Status line.
    QLabel* Status = nullptr;
    QProgressBar* OperationProgress = nullptr;
    QPushButton* CancelButton = nullptr;
    QLabel* SimulatedLabel = nullptr;

    QTimer* Timer1 = nullptr;
    QTimer* Timer2 = nullptr;
    QTimer* FileTimer = nullptr;

    // Settings, hardware settings window, timing.
    QAction* FastTiming = nullptr;
    THardwareForm* hardwareForm_ = nullptr;
    std::string settingsWarning_;
    int configHeight_ = 0;  // the configuration word panel's height beside the run panel
};

}  // namespace vantrel
