// Building the main window: menus, tool bar, notebook with the grids and editors, the operation
// and configuration controls, the status line and the timers. Sizes come from the font, so the
// window keeps its arrangement at any font size and screen scale.

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/design_scale.h"
#include "app/glyphs.h"
#include "app/hex_cell_delegate.h"
#include "app/operation_runner.h"
#include "app/qt_text.h"
#include "app/source_editor.h"
#include "app/vantrel_form.h"
#include "device/device_selection.h"

namespace vantrel {

namespace {

// The design text's size in points (Arial at 96 dpi).
constexpr double kDesignPointSize = 9.75;

constexpr int kTimer1Ms = 3000;
constexpr int kTimer2Ms = 100;
constexpr int kFileTimerMs = 1000;

constexpr int kProgramGridVisibleRows = 10;
constexpr int kDataGridVisibleRows = 4;
constexpr int kFuseRows = 5;
constexpr int kOscillatorRows = 4;
constexpr int kMaxOscillatorItems = 8;

// The oscillator group's items before the first device refresh replaces them.
constexpr std::array<const char*, kMaxOscillatorItems> kDesignOscillatorItems{
    "LP", "XT", "HS", "RC", "EXT", "INT I/O", "INT CK", "ER I/O"};

constexpr std::array<const char*, kFuseBoxCount> kFuseBoxNames{
    "WDTBox",   "PUTBox",   "MCLRBox", "BORBox", "LVPBox",   "CPDBox",  "WRTBox",
    "CodePBox", "DebugBox", "BG0Box",  "BG1Box", "CCPMXBox", "IESOBox", "FCMENBox"};

// The client area scrolls only in the "640x480" mode; its size hint is its content's, so the
// window takes the size its controls need.
class TClientScrollArea final : public QScrollArea {
  public:
    using QScrollArea::QScrollArea;
    [[nodiscard]] QSize sizeHint() const override {
        const int frame = 2 * frameWidth();
        return widget() != nullptr ? widget()->sizeHint() + QSize(frame, frame)
                                   : QScrollArea::sizeHint();
    }
};

QFont WindowFont() {
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    const double desktop = QApplication::font().pointSizeF();
    font.setPointSizeF(std::max(kDesignPointSize, desktop));
    return font;
}

QPushButton* MakeButton(const char* name, const char* caption, const char* hint) {
    auto* button = new QPushButton(QString::fromLatin1(caption));
    button->setObjectName(QString::fromLatin1(name));
    button->setAutoDefault(false);
    SetHint(button, hint);
    return button;
}

QWidget* MakePanel(const char* name) {
    auto* panel = new QFrame;
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Raised);
    return panel;
}

QCheckBox* MakeCheckBox(const char* name, std::string_view caption) {
    auto* box = new QCheckBox(ToQString(caption));
    box->setObjectName(QString::fromLatin1(name));
    return box;
}

QAction* MakeAction(QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(QString::fromLatin1(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

QAction* MakeCheckAction(QMenu* menu, const char* name, const char* caption) {
    QAction* action = MakeAction(menu, name, caption);
    action->setCheckable(true);
    return action;
}

// A sunken panel that displays a text.
QLabel* MakeDisplayPanel(const char* name, const char* hint) {
    auto* panel = new QLabel;
    panel->setObjectName(QString::fromLatin1(name));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setAlignment(Qt::AlignCenter);
    SetHint(panel, hint);
    return panel;
}

// A panel that holds one check box, as the option boxes stand.
QWidget* PanelWith(const char* name, QCheckBox* box) {
    QWidget* panel = MakePanel(name);
    auto* layout = new QHBoxLayout(panel);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->addWidget(box);
    return panel;
}

}  // namespace

double TVantrelForm::FontScale() const {
    return DesignScale(font());
}

void TVantrelForm::BuildWidgets() {
    setObjectName(QStringLiteral("VantrelForm"));
    setFont(WindowFont());
    BuildMenus();
    BuildToolBar();

    auto* client = new QWidget;
    client->setObjectName(QStringLiteral("ClientArea"));
    auto* layout = new QGridLayout(client);
    const int gap = fontMetrics().height() / 3;
    layout->setContentsMargins(gap, gap, gap, gap);
    layout->setSpacing(gap);
    layout->addWidget(BuildNotebook(), 0, 0);
    layout->addWidget(BuildOperationsColumn(), 0, 1);
    layout->addWidget(BuildConfigurationRow(), 1, 0, 1, 2);
    layout->setColumnStretch(0, 1);
    layout->setRowStretch(0, 1);

    ScrollBox = new TClientScrollArea;
    ScrollBox->setObjectName(QStringLiteral("ScrollBox"));
    ScrollBox->setFrameShape(QFrame::NoFrame);
    // The client area scrolls to the focused control; it is no stop of its own.
    ScrollBox->setFocusPolicy(Qt::NoFocus);
    ScrollBox->setWidgetResizable(true);
    ScrollBox->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    ScrollBox->setWidget(client);
    setCentralWidget(ScrollBox);

    BuildStatusBar();
    BuildTimers();
    SizeGrids();
    ConnectCommands();
    SetTabOrder();
}

void TVantrelForm::BuildMenus() {
    File1 = menuBar()->addMenu(QStringLiteral("&File"));
    File1->setObjectName(QStringLiteral("File1"));
    New1 = MakeAction(File1, "New1", "&New");
    File1->addSeparator();
    Open1 = MakeAction(File1, "Open1", "&Open");
    ReOpen = File1->addMenu(QStringLiteral("ReOpen"));
    ReOpen->setObjectName(QStringLiteral("ReOpen"));
    ReOpen->setEnabled(false);
    for (int i = 0; i < static_cast<int>(kRecentFileCount); ++i) {
        QAction* item = ReOpen->addAction(QString());
        item->setObjectName(QStringLiteral("File%1").arg(i + 2));
        item->setShortcut(QKeySequence(Qt::CTRL | static_cast<Qt::Key>(Qt::Key_1 + i)));
        item->setVisible(false);
        item->setEnabled(false);
        RecentFileItems.at(static_cast<std::size_t>(i)) = item;
    }
    File1->addSeparator();
    Save1 = MakeAction(File1, "Save1", "&Save");
    SaveAs1 = MakeAction(File1, "SaveAs1", "Save &As");
    File1->addSeparator();
    Exit1 = MakeAction(File1, "Exit1", "E&xit");

    Edit1 = menuBar()->addMenu(QStringLiteral("&Edit"));
    Edit1->setObjectName(QStringLiteral("Edit1"));
    CuT1 = MakeAction(Edit1, "CuT1", "Cu&t");
    CuT1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    Copy1 = MakeAction(Edit1, "Copy1", "&Copy");
    Copy1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    Paste1 = MakeAction(Edit1, "Paste1", "&Paste");
    Paste1->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    for (QAction* action : {CuT1, Copy1, Paste1}) {
        action->setEnabled(false);
    }

    Options1 = menuBar()->addMenu(QStringLiteral("&Options"));
    Options1->setObjectName(QStringLiteral("Options1"));
    CheckPort = MakeAction(Options1, "CheckPort", "Find Port");
    Defaults = MakeAction(Options1, "Defaults", "Hardware");
    AutoDetect = MakeCheckAction(Options1, "AutoDetect", "Auto-Detect");
    AutoVerify = MakeCheckAction(Options1, "AutoVerify", "Auto-Verify");
    AutoVerify->setChecked(true);
    AutoUpdate = MakeCheckAction(Options1, "AutoUpdate", "Auto-Update");
    SizeableWindow1 = MakeCheckAction(Options1, "SizeableWindow1", "640x480");
    SetHint(SizeableWindow1, "Allow window to be resized.");
    Options1->setToolTipsVisible(true);

    Help1 = menuBar()->addMenu(QStringLiteral("&Help"));
    Help1->setObjectName(QStringLiteral("Help1"));
    Contents1 = MakeAction(Help1, "Contents1", "&Contents");
    Contents1->setShortcut(QKeySequence::HelpContents);
    SearchforHelpon1 = MakeAction(Help1, "SearchforHelpon1", "&Search for Help on");
    Howtousehelp1 = MakeAction(Help1, "Howtousehelp1", "&How to use Help");
    Help1->addSeparator();
    AboutNotes1 = MakeAction(Help1, "AboutNotes1", "&About");
}

void TVantrelForm::BuildToolBar() {
    ToolBar = addToolBar(QStringLiteral("Tools"));
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    ToolBar->setMovable(false);
    ToolBar->setFloatable(false);
    ToolBar->toggleViewAction()->setEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);
    const auto button = [this](const char* name, TGlyph glyph, const char* hint) {
        auto* tool = new QToolButton;
        tool->setObjectName(QString::fromLatin1(name));
        tool->setIcon(GlyphIcon(glyph));
        tool->setAutoRaise(true);
        // The edit commands act on the editor that has the focus; the buttons must not take it.
        tool->setFocusPolicy(Qt::NoFocus);
        SetHint(tool, hint);
        const std::string_view text(hint);
        tool->setAccessibleName(ToQString(text.substr(0, text.find('|'))));
        ToolBar->addWidget(tool);
        return tool;
    };
    NewButton = button("NewButton", TGlyph::New, "New|Clear all buffers.");
    OpenButton = button("OpenButton", TGlyph::Open, "Open|Open a new file.");
    SaveButton =
        button("SaveButton", TGlyph::Save, "Save|Save a file to disk using the current filename.");
    SpeedButton4 = button("SpeedButton4", TGlyph::SaveAs,
                          "Save As|Save a file to disk, prompt for a new filename.");
    ToolBar->addSeparator();
    CutButton = button("CutButton", TGlyph::Cut, "Cut|Cut selected text to clipboard.");
    CopyButton = button("CopyButton", TGlyph::Copy, "Copy|Copy selected text to clipboard.");
    PasteButton = button("PasteButton", TGlyph::Paste, "Paste|Paste selected text from clipboard.");
    for (QToolButton* edit : {CutButton, CopyButton, PasteButton}) {
        edit->setEnabled(false);
    }
    auto* spring = new QWidget;
    spring->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    ToolBar->addWidget(spring);
    SpeedButton12 = button("SpeedButton12", TGlyph::About, "About|Display info about program.");
}

QTableView* TVantrelForm::MakeGrid(TBufferGrid grid, const char* name, const char* hint) {
    auto* view = new QTableView;
    view->setObjectName(QString::fromLatin1(name));
    auto* model = new TBufferGridModel(grid, shown_, view);
    model->SetEditHandlers([this](TBufferGrid edited, std::size_t entry,
                                  std::uint16_t value) { StoreCellEdit(edited, entry, value); },
                           [this](std::string_view status) { ShowCellEditOutcome(status); });
    gridModels_.at(static_cast<std::size_t>(grid)) = model;
    view->setModel(model);
    view->setItemDelegate(new THexCellDelegate(view));
    view->horizontalHeader()->hide();
    view->verticalHeader()->hide();
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                          QAbstractItemView::AnyKeyPressed);
    view->setTabKeyNavigation(false);
    view->setWordWrap(false);
    view->setCornerButtonEnabled(false);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    SetHint(view, hint);
    view->setAccessibleName(view->statusTip());
    return view;
}

QWidget* TVantrelForm::BuildBufferPage() {
    BufferPage = new QWidget;
    BufferPage->setObjectName(QStringLiteral("BufferPage"));
    StringGrid1 = MakeGrid(TBufferGrid::Program, "StringGrid1", "|Displays EEPROM program area.");
    StringGrid2 = MakeGrid(TBufferGrid::Data, "StringGrid2", "|Displays EEPROM data area.");
    StringGrid3 = MakeGrid(TBufferGrid::Id, "StringGrid3", "|Displays ID settings.");
    auto* layout = new QVBoxLayout(BufferPage);
    const int gap = fontMetrics().height() / 4;
    layout->setContentsMargins(gap, gap, gap, gap);
    layout->setSpacing(gap);
    layout->addWidget(StringGrid1, 1, Qt::AlignLeft);
    layout->addWidget(StringGrid2, 0, Qt::AlignLeft);
    layout->addWidget(StringGrid3, 0, Qt::AlignLeft);
    return BufferPage;
}

QWidget* TVantrelForm::BuildNotebook() {
    TabbedNotebook1 = new QTabWidget;
    TabbedNotebook1->setObjectName(QStringLiteral("TabbedNotebook1"));
    TabbedNotebook1->addTab(BuildBufferPage(), QStringLiteral("Buffer"));

    HexPage = new QWidget;
    HexPage->setObjectName(QStringLiteral("HexPage"));
    Memo1 = new QPlainTextEdit;
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setAccessibleName(QStringLiteral("HEX file"));
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    Memo1->setTabChangesFocus(true);
    auto* hexLayout = new QVBoxLayout(HexPage);
    hexLayout->setContentsMargins(0, 0, 0, 0);
    hexLayout->addWidget(Memo1);
    TabbedNotebook1->addTab(HexPage, QStringLiteral("HEX file"));

    SourcePage = new QWidget;
    SourcePage->setObjectName(QStringLiteral("SourcePage"));
    Memo2 = new TSourceEditor;
    Memo2->setObjectName(QStringLiteral("Memo2"));
    Memo2->SetTextSize(font().pointSizeF());
    Memo2->setAccessibleName(QStringLiteral("Source code"));
    auto* sourceLayout = new QVBoxLayout(SourcePage);
    sourceLayout->setContentsMargins(0, 0, 0, 0);
    sourceLayout->addWidget(Memo2);
    TabbedNotebook1->addTab(SourcePage, QStringLiteral("Source code"));
    return TabbedNotebook1;
}

QWidget* TVantrelForm::BuildOperationsColumn() {
    auto* column = new QWidget;
    column->setObjectName(QStringLiteral("ControlColumn"));
    auto* layout = new QVBoxLayout(column);
    layout->setContentsMargins(0, 0, 0, 0);
    const int gap = fontMetrics().height() / 3;
    layout->setSpacing(gap);

    QWidget* operations = MakePanel("OperationsPanel");
    auto* buttons = new QGridLayout(operations);
    buttons->setContentsMargins(gap, gap, gap, gap);
    buttons->setSpacing(gap);
    ReadButton = MakeButton("ReadButton", "Read PIC", "|Read target PIC into buffer.");
    WriteButton = MakeButton("WriteButton", "Write PIC", "|Write buffer to target PIC.");
    VerifyButton = MakeButton("VerifyButton", "Verify", "|Compare target PIC to buffer.");
    EraseButton = MakeButton("EraseButton", "Erase", "|Totally erase target PIC.");
    ReloadButton = MakeButton("ReloadButton", "Reload", "|Reload current HEX file");
    ReloadButton->setEnabled(false);
    Dissasemble =
        MakeButton("Dissasemble", "Disassemble", "|Disassemble buffer to PIC source code.");
    buttons->addWidget(ReadButton, 0, 0);
    buttons->addWidget(WriteButton, 0, 1);
    buttons->addWidget(VerifyButton, 1, 0);
    buttons->addWidget(EraseButton, 1, 1);
    buttons->addWidget(ReloadButton, 2, 0);
    buttons->addWidget(Dissasemble, 2, 1);
    layout->addWidget(operations);

    Panel3 = MakePanel("Panel3");
    auto* run = new QHBoxLayout(Panel3);
    run->setContentsMargins(gap, gap, gap, gap);
    run->setSpacing(gap);
    RunButton = MakeButton("RunButton", "Run", "|Run program in PIC.");
    StopButton = MakeButton("StopButton", "Stop", "|Stop PIC program running.");
    MCLRButton = MakeButton("MCLRButton", "Reset", "|Reset running PIC program.");
    for (QPushButton* button : {RunButton, StopButton, MCLRButton}) {
        // Three to a row: as wide as the column the operation buttons make, not wider.
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        button->setMinimumWidth(button->fontMetrics().horizontalAdvance(button->text()) + gap * 2);
        run->addWidget(button);
    }
    layout->addWidget(Panel3);

    ProcessorGroup = new QGroupBox(QStringLiteral("Processor"));
    ProcessorGroup->setObjectName(QStringLiteral("ProcessorGroup"));
    ProcessorType = new QComboBox;
    ProcessorType->setObjectName(QStringLiteral("ProcessorType"));
    ProcessorType->setAccessibleName(QStringLiteral("Processor"));
    for (const std::string_view item : ProcessorTypeItems) {
        ProcessorType->addItem(ToQString(item));
    }
    ProcessorType->setMaxVisibleItems(static_cast<int>(kDeviceCount) / 2);
    SetHint(ProcessorType, "|Select PIC type");
    auto* processor = new QVBoxLayout(ProcessorGroup);
    processor->setContentsMargins(gap, gap, gap, gap);
    processor->addWidget(ProcessorType);
    layout->addWidget(ProcessorGroup);

    Config = MakeDisplayPanel("Config", "Displays configuration word.");
    Config->setWordWrap(true);
    Config->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Config->setMinimumHeight(fontMetrics().height() * 2 + gap * 2);
    layout->addWidget(Config);

    AutoBox = MakeCheckBox("AutoBox", "Auto Prog");
    SetHint(AutoBox, "|Auto program PIC on file load");
    AutoPanel = PanelWith("AutoPanel", AutoBox);
    BlankBox = MakeCheckBox("BlankBox", "Blank Chk");
    BlankBox->setChecked(true);
    SetHint(BlankBox, "|Check EPROM PIC is blank before programming");
    BlankPanel = PanelWith("BlankPanel", BlankBox);
    CalBox = MakeCheckBox("CalBox", "Change Cal");
    CalPanel = PanelWith("CalPanel", CalBox);
    auto* options = new QGridLayout;
    options->setSpacing(gap);
    options->addWidget(AutoPanel, 0, 0);
    options->addWidget(BlankPanel, 0, 1);
    options->addWidget(CalPanel, 1, 0);
    layout->addLayout(options);

    PortName = MakeDisplayPanel("PortName", "|Displays port address (if any).");
    layout->addWidget(PortName);
    layout->addStretch(1);
    return column;
}

QWidget* TVantrelForm::BuildConfigurationRow() {
    ConfigurationRow = new QWidget;
    ConfigurationRow->setObjectName(QStringLiteral("ConfigurationRow"));
    auto* layout = new QHBoxLayout(ConfigurationRow);
    layout->setContentsMargins(0, 0, 0, 0);
    const int gap = fontMetrics().height() / 3;
    layout->setSpacing(gap);

    FusesBox = new QGroupBox(QStringLiteral("Fuses"));
    FusesBox->setObjectName(QStringLiteral("FusesBox"));
    SetHint(FusesBox, "|Set fuses.");
    auto* fuses = new QGridLayout(FusesBox);
    fuses->setContentsMargins(gap, gap, gap, gap);
    fuses->setVerticalSpacing(0);
    for (std::size_t i = 0; i < kFuseBoxCount; ++i) {
        const auto box = static_cast<TFuseBox>(i);
        QCheckBox* check = MakeCheckBox(kFuseBoxNames.at(i), FuseCaption(box));
        fuseBoxes_.at(i) = check;
        fuses->addWidget(check, static_cast<int>(i) % kFuseRows, static_cast<int>(i) / kFuseRows);
    }
    // The boxes keep together at the top when the row is taller than they need.
    fuses->setRowStretch(kFuseRows, 1);
    layout->addWidget(FusesBox);

    OscillatorGroup = new QGroupBox(QStringLiteral("Oscillator"));
    OscillatorGroup->setObjectName(QStringLiteral("OscillatorGroup"));
    SetHint(OscillatorGroup, "Select oscillator type.");
    oscillatorButtons_ = new QButtonGroup(OscillatorGroup);
    auto* oscillators = new QGridLayout(OscillatorGroup);
    oscillators->setContentsMargins(gap, gap, gap, gap);
    oscillators->setVerticalSpacing(0);
    for (int i = 0; i < kMaxOscillatorItems; ++i) {
        auto* item = new QRadioButton(
            QString::fromLatin1(kDesignOscillatorItems.at(static_cast<std::size_t>(i))));
        item->setObjectName(QStringLiteral("OscillatorItem%1").arg(i));
        oscillatorButtons_->addButton(item, i);
        oscillatorItems_.push_back(item);
        oscillators->addWidget(item, i % kOscillatorRows, i / kOscillatorRows);
    }
    oscillators->setRowStretch(kOscillatorRows, 1);
    oscillatorItems_.at(1)->setChecked(true);
    layout->addWidget(OscillatorGroup);

    ConfigBox = new QGroupBox(QStringLiteral("Config Settings"));
    ConfigBox->setObjectName(QStringLiteral("ConfigBox"));
    StringGrid4 =
        MakeGrid(TBufferGrid::Config18, "StringGrid4", "Displays 18F series config values.");
    auto* config = new QVBoxLayout(ConfigBox);
    config->setContentsMargins(gap, gap, gap, gap);
    config->addWidget(StringGrid4);
    ConfigBox->hide();
    layout->addWidget(ConfigBox);
    layout->addStretch(1);
    return ConfigurationRow;
}

void TVantrelForm::BuildStatusBar() {
    Status = new QLabel;
    Status->setObjectName(QStringLiteral("Status"));
    Status->setAccessibleName(QStringLiteral("Status"));
    Status->setMinimumWidth(1);
    statusBar()->addWidget(Status, 1);
    OperationProgress = new QProgressBar;
    OperationProgress->setObjectName(QStringLiteral("OperationProgress"));
    OperationProgress->setMaximumWidth(fontMetrics().horizontalAdvance(QLatin1Char('0')) * 16);
    OperationProgress->hide();
    statusBar()->addPermanentWidget(OperationProgress);
    CancelButton = new QPushButton(QStringLiteral("Cancel"));
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setShortcut(QKeySequence(Qt::Key_Escape));
    SetHint(CancelButton, "Cancel|Stop the chip operation; the programmer is switched off.");
    CancelButton->hide();
    statusBar()->addPermanentWidget(CancelButton);
    SimulatedLabel = new QLabel(QStringLiteral("Simulated programmer - no real chip"));
    SimulatedLabel->setObjectName(QStringLiteral("SimulatedLabel"));
    SimulatedLabel->setStyleSheet(QStringLiteral("QLabel { color: #a03000; font-weight: bold; }"));
    SetHint(SimulatedLabel,
            "Simulated programmer|The simulated programmer board is in use: no real chip is "
            "programmed.");
    SimulatedLabel->hide();
    statusBar()->addPermanentWidget(SimulatedLabel);
    statusBar()->setSizeGripEnabled(false);
}

void TVantrelForm::BuildTimers() {
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTimer1Ms);
    Timer1->setSingleShot(true);
    Timer2 = new QTimer(this);
    Timer2->setObjectName(QStringLiteral("Timer2"));
    Timer2->setInterval(kTimer2Ms);
    FileTimer = new QTimer(this);
    FileTimer->setObjectName(QStringLiteral("FileTimer"));
    FileTimer->setInterval(kFileTimerMs);
    connect(Timer1, &QTimer::timeout, this, &TVantrelForm::Timer1Timer);
    connect(Timer2, &QTimer::timeout, this, &TVantrelForm::Timer2Timer);
    Timer2->start();
}

void TVantrelForm::SizeGrids() {
    const QFontMetrics metrics(StringGrid1->font());
    int digit = 0;
    for (const QChar c : QStringLiteral("0123456789ABCDEF")) {
        digit = std::max(digit, metrics.horizontalAdvance(c));
    }
    // The view keeps a focus margin on each side of the text, and a little air.
    const int pad = 2 * (StringGrid1->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 2);
    const int wordCell = digit * 4 + pad;
    const int byteCell = digit * 2 + pad;
    const int nameCell = metrics.horizontalAdvance(QStringLiteral("Config7")) + pad;
    const int rowHeight = metrics.height() + 4;
    const int frame = 2 * StringGrid1->frameWidth();
    const int scrollBar = StringGrid1->verticalScrollBar()->sizeHint().width();
    for (QTableView* grid : {StringGrid1, StringGrid2, StringGrid3, StringGrid4}) {
        grid->verticalHeader()->setMinimumSectionSize(rowHeight);
        grid->verticalHeader()->setDefaultSectionSize(rowHeight);
        const bool bytes = grid == StringGrid2 || grid == StringGrid3;
        grid->horizontalHeader()->setDefaultSectionSize(bytes ? byteCell : wordCell);
    }
    StringGrid4->horizontalHeader()->resizeSection(0, nameCell);
    const int entries = TBufferGridModel::kEntriesPerRow;
    StringGrid1->setFixedWidth(wordCell * (entries + 1) + frame + scrollBar);
    StringGrid1->setMinimumHeight(rowHeight * kProgramGridVisibleRows + frame);
    StringGrid2->setFixedSize(wordCell + byteCell * entries + frame + scrollBar,
                              rowHeight * kDataGridVisibleRows + frame);
    StringGrid3->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid3->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    StringGrid3->setFixedHeight(rowHeight + frame +
                                StringGrid3->horizontalScrollBar()->sizeHint().height());
    StringGrid4->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid4->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    StringGrid4->setFixedSize(nameCell + wordCell + frame,
                              rowHeight * static_cast<int>(kConfig18Words) + frame);
    for (QTableView* grid : {StringGrid1, StringGrid2, StringGrid3}) {
        grid->horizontalHeader()->resizeSection(0, wordCell);
    }
    // The row keeps the height of the taller of its two faces (fuses or 18F configuration), so
    // the window does not change size with the device.
    ConfigurationRow->setMinimumHeight(
        std::max(FusesBox->sizeHint().height(), ConfigBox->sizeHint().height()));
}

void TVantrelForm::ConnectCommands() {
    connect(ReadButton, &QPushButton::clicked, this, &TVantrelForm::ReadPIC1Click);
    connect(WriteButton, &QPushButton::clicked, this, &TVantrelForm::WriteButtonClick);
    connect(VerifyButton, &QPushButton::clicked, this, &TVantrelForm::VerifyButtonClick);
    connect(EraseButton, &QPushButton::clicked, this, &TVantrelForm::EraseButtonClick);
    connect(Dissasemble, &QPushButton::clicked, this, &TVantrelForm::DisassemblyClick);
    connect(RunButton, &QPushButton::clicked, this, &TVantrelForm::RunButtonClick);
    connect(StopButton, &QPushButton::clicked, this, &TVantrelForm::StopButtonClick);
    connect(MCLRButton, &QPushButton::clicked, this, &TVantrelForm::MCLRButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &TVantrelForm::CancelOperation);

    connect(Exit1, &QAction::triggered, this, &TVantrelForm::Exit1Click);
    connect(Edit1, &QMenu::aboutToShow, this, &TVantrelForm::Edit1Click);
    connect(CuT1, &QAction::triggered, this, &TVantrelForm::CuT1Click);
    connect(Copy1, &QAction::triggered, this, &TVantrelForm::Copy1Click);
    connect(Paste1, &QAction::triggered, this, &TVantrelForm::Paste1Click);
    connect(CutButton, &QToolButton::clicked, this, &TVantrelForm::CuT1Click);
    connect(CopyButton, &QToolButton::clicked, this, &TVantrelForm::Copy1Click);
    connect(PasteButton, &QToolButton::clicked, this, &TVantrelForm::Paste1Click);
    connect(CheckPort, &QAction::triggered, this, &TVantrelForm::CheckPortClick);
    connect(SizeableWindow1, &QAction::triggered, this, &TVantrelForm::SizeableWindow1Click);
    connect(AboutNotes1, &QAction::triggered, this, &TVantrelForm::AboutNotes1Click);
    connect(SpeedButton12, &QToolButton::clicked, this, &TVantrelForm::AboutNotes1Click);
    connect(Contents1, &QAction::triggered, this, &TVantrelForm::Contents1Click);
    connect(SearchforHelpon1, &QAction::triggered, this, &TVantrelForm::SearchforHelpon1Click);
    connect(Howtousehelp1, &QAction::triggered, this, &TVantrelForm::Howtousehelp1Click);

    connect(AutoVerify, &QAction::toggled, this,
            [this](bool checked) { session_.Options.AutoVerify = checked; });
    connect(AutoUpdate, &QAction::toggled, this, [this](bool checked) {
        session_.Options.AutoUpdate = checked;
        if (checked) {
            FileTimer->start();
        } else {
            FileTimer->stop();
        }
    });
    connect(BlankBox, &QCheckBox::toggled, this,
            [this](bool checked) { session_.Options.BlankCheck = checked; });
    connect(CalBox, &QCheckBox::toggled, this,
            [this](bool checked) { session_.Options.ChangeCal = checked; });
    for (std::size_t i = 0; i < kFuseBoxCount; ++i) {
        connect(fuseBoxes_.at(i), &QCheckBox::clicked, this,
                [this, i](bool checked) { BoxClick(static_cast<TFuseBox>(i), checked); });
    }
    connect(oscillatorButtons_, &QButtonGroup::idClicked, this,
            &TVantrelForm::OscillatorGroupClick);
    connect(ProcessorType, &QComboBox::activated, this, &TVantrelForm::ProcessorGroupClick);
    BuildSettingsCommands();
    ConnectFileCommands();
}

void TVantrelForm::SetTabOrder() {
    // The grids and editors first, then the commands and the controls in reading order. Only
    // controls themselves are chained: a container chained with its own children would close the
    // chain into a loop around them.
    QList<QWidget*> order{StringGrid1, StringGrid2, StringGrid3,  Memo1,       Memo2,
                          ReadButton,  WriteButton, VerifyButton, EraseButton, ReloadButton,
                          Dissasemble, RunButton,   StopButton,   MCLRButton,  ProcessorType,
                          AutoBox,     BlankBox,    CalBox};
    for (QCheckBox* box : fuseBoxes_) {
        order.append(box);
    }
    for (QRadioButton* item : oscillatorItems_) {
        order.append(item);
    }
    order.append(StringGrid4);
    for (qsizetype i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order.at(i - 1), order.at(i));
    }
}

}  // namespace vantrel
