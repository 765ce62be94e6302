#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTableView>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "app/vantrel_form.h"
#include "device/device_image.h"
#include "programming/vantrel_session.h"
#include "sim/simulated_board.h"

class QAbstractButton;

namespace vantrel::test {

// Answers the window's modal message boxes as they appear, from a script, and keeps their
// texts: the window's own boxes and questions run in nested event loops that a test cannot
// step through otherwise.
class TModalAnswerer final : public QObject {
    Q_OBJECT

  public:
    enum class TButton { Ok, Yes, No, Cancel };

    TModalAnswerer();

    // The buttons to press, in order; once they run out, information boxes get OK and
    // questions No (the answer that changes nothing).
    std::deque<TButton> Script;
    // The text of every box shown, in order.
    QStringList Texts;

  private:
    void Answer();
    QTimer poll_;
};

// A session and the real main window over it, on the simulated programmer.
struct TWindowRig {
    // `chipFile`: keep the simulated chip there; `board`: wire the board as a preset; `fault`:
    // give it a fault (all empty: a fresh chip on the default board).
    explicit TWindowRig(const std::string& chipFile = {}, const std::string& board = {},
                        const std::string& fault = {});
    // A session prepared by `prepare` (the settings a start-up would have read) before the
    // window is made.
    explicit TWindowRig(const std::function<void(TVantrelSession&)>& prepare);
    // The same with the window's options: a settings file to read and write, the keys the
    // command line holds.
    TWindowRig(const std::function<void(TVantrelSession&)>& prepare, TFormOptions options);
    ~TWindowRig();

    // A control of the window by its objectName; fails the test when it is missing.
    template <typename TWidget>
    [[nodiscard]] TWidget* Find(const char* name) const {
        return Form->findChild<TWidget*>(QString::fromLatin1(name));
    }

    // Chooses a device from the Processor list, as a user does.
    void ChooseDevice(const char* name);
    // The text of a grid cell as shown.
    [[nodiscard]] QString Cell(const char* grid, int row, int column) const;
    // Types `text` into a grid cell as a user does and ends the edit with Enter.
    void TypeIntoCell(const char* grid, int row, int column, const QString& text);
    // Presses a button of the window and waits until the chip operation it starts has ended.
    // False when it did not end within the time.
    [[nodiscard]] bool RunOperation(const char* button, int timeoutMs = 120000);
    [[nodiscard]] QString StatusText() const;
    [[nodiscard]] TSimulatedBoard& Board() const;
    // Vpp, Vpp40 and Vdd all off on the simulated board.
    [[nodiscard]] bool PoweredDown() const;

    TVantrelSession Session;
    std::unique_ptr<TVantrelForm> Form;
    TModalAnswerer Boxes;
};

// Writes `image` for `device` as a HEX file at `path` (the core's writer); false on failure.
[[nodiscard]] bool WriteHexFile(const QString& path, TDeviceImage image, std::uint8_t device);

// What a run of the built program gave.
struct TAppRun {
    int ExitStatus = -1;  // -1: it crashed, or did not end in time (left waiting for a click)
    QString Out;
    QString Err;
};

// Runs the built program on the offscreen platform. Its settings file lives under
// `configHome`, or in a folder of its own that goes with the run: never in the settings of
// whoever runs the tests.
[[nodiscard]] TAppRun RunApp(const QStringList& arguments, const QString& configHome = {});

// The built program and the repository's files.
[[nodiscard]] QString AppPath();
[[nodiscard]] QString SourcePath(const QString& relative);

}  // namespace vantrel::test
