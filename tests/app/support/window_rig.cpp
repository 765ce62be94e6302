#include "support/window_rig.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <fstream>

#include "device/device_selection.h"
#include "hexfile/hex_writer.h"

namespace vantrel::test {

namespace {

constexpr int kPollMs = 20;
constexpr int kAppRunTimeoutMs = 120000;

QMessageBox::StandardButton StandardOf(TModalAnswerer::TButton button) {
    switch (button) {
        case TModalAnswerer::TButton::Ok:
            return QMessageBox::Ok;
        case TModalAnswerer::TButton::Yes:
            return QMessageBox::Yes;
        case TModalAnswerer::TButton::No:
            return QMessageBox::No;
        case TModalAnswerer::TButton::Cancel:
            return QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

}  // namespace

TModalAnswerer::TModalAnswerer() {
    connect(&poll_, &QTimer::timeout, this, &TModalAnswerer::Answer);
    poll_.start(kPollMs);
}

void TModalAnswerer::Answer() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr || !box->isVisible() || box->property("answered").toBool()) {
        return;
    }
    box->setProperty("answered", true);
    Texts.append(box->text());
    QAbstractButton* button = nullptr;
    if (!Script.empty()) {
        button = box->button(StandardOf(Script.front()));
        Script.pop_front();
    }
    if (button == nullptr) {
        button = box->button(QMessageBox::Ok);
    }
    if (button == nullptr) {
        button = box->button(QMessageBox::No);
    }
    if (button == nullptr) {
        button = box->button(QMessageBox::Cancel);
    }
    if (button != nullptr) {
        button->click();
    }
}

TWindowRig::TWindowRig(const std::string& chipFile, const std::string& board,
                       const std::string& fault)
    : TWindowRig([&](TVantrelSession& session) {
          session.Hardware.Simulator.ChipFile = chipFile;
          session.Hardware.Simulator.Board = board;
          if (!fault.empty()) {
              session.Hardware.Simulator.Faults.push_back(fault);
          }
      }) {}

TWindowRig::TWindowRig(const std::function<void(TVantrelSession&)>& prepare)
    : TWindowRig(prepare, TFormOptions{}) {}

TWindowRig::TWindowRig(const std::function<void(TVantrelSession&)>& prepare, TFormOptions options) {
    // What `prepare` sets stands in for the command line: it wins over the settings read.
    const auto start = [prepare](TVantrelSession& session) {
        session.Hardware.Driver = TPortDriver::Simulated;
        prepare(session);
    };
    start(Session);
    options.StartOptions = start;
    Form = std::make_unique<TVantrelForm>(Session, options);
    Form->show();
    static_cast<void>(QTest::qWaitForWindowExposed(Form.get()));
}

TWindowRig::~TWindowRig() {
    Form.reset();
}

void TWindowRig::ChooseDevice(const char* name) {
    auto* list = Find<QComboBox>("ProcessorType");
    const int item = DeviceComboIndex(ParseDeviceName(name).value());
    list->setCurrentIndex(item);
    emit list->activated(item);
    // The controls the device brings in get their places before anyone clicks them.
    QApplication::processEvents();
}

QString TWindowRig::Cell(const char* grid, int row, int column) const {
    auto* view = Find<QTableView>(grid);
    return view->model()->index(row, column).data().toString();
}

void TWindowRig::TypeIntoCell(const char* grid, int row, int column, const QString& text) {
    auto* view = Find<QTableView>(grid);
    const QModelIndex cell = view->model()->index(row, column);
    view->setFocus();
    view->setCurrentIndex(cell);
    view->edit(cell);
    auto* editor = view->findChild<QLineEdit*>(QStringLiteral("CellEditor"));
    if (editor == nullptr) {
        return;
    }
    // The editor opens with the cell's text selected: what is typed replaces it.
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
}

bool TWindowRig::RunOperation(const char* button, int timeoutMs) {
    auto* command = Find<QPushButton>(button);
    if (command == nullptr || !command->isEnabled()) {
        return false;
    }
    QSignalSpy finished(Form.get(), &TVantrelForm::ChipOperationFinished);
    QTest::mouseClick(command, Qt::LeftButton);
    return finished.count() > 0 || finished.wait(timeoutMs);
}

QString TWindowRig::StatusText() const {
    return Find<QLabel>("Status")->text();
}

TSimulatedBoard& TWindowRig::Board() const {
    return *Form->Connection()->Board();
}

bool TWindowRig::PoweredDown() const {
    const TSocketLevels levels = Board().Socket();
    return !levels.Vdd && !levels.Vpp && !levels.Vpp40;
}

bool WriteHexFile(const QString& path, TDeviceImage image, std::uint8_t device) {
    std::ofstream file(path.toStdString(), std::ios::binary | std::ios::trunc);
    for (const std::string& line : BufferToHex(image, DeviceTable.at(device))) {
        file << line << "\n";
    }
    return static_cast<bool>(file);
}

TAppRun RunApp(const QStringList& arguments, const QString& configHome) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    const QTemporaryDir ownConfigHome;
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                       configHome.isEmpty() ? ownConfigHome.path() : configHome);
    process.setProcessEnvironment(environment);
    process.start(AppPath(), arguments);
    TAppRun run;
    if (!process.waitForFinished(kAppRunTimeoutMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.ExitStatus = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Out = QString::fromUtf8(process.readAllStandardOutput());
    run.Err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString AppPath() {
    return QStringLiteral(VANTREL_APP_PATH);
}

QString SourcePath(const QString& relative) {
    return QStringLiteral(VANTREL_SOURCE_DIR "/") + relative;
}

}  // namespace vantrel::test
