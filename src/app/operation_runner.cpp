#include "app/operation_runner.h"

#include <memory>
#include <optional>
#include <string>

#include "service/chip_operation.h"

namespace vantrel {

namespace {

constexpr int kFullPercent = 100;

}  // namespace

// The operation's user interface on the worker thread: every call is carried over to the
// window's thread.
class TOperationRunner::TWorkerUi final : public TProgrammingUi {
  public:
    explicit TWorkerUi(TOperationRunner& runner) : runner_(runner) {}

    void SetStatus(std::string_view text) override {
        runner_.PostToWindowThread(
            [&ui = runner_.windowUi_, copy = std::string(text)] { ui.SetStatus(copy); });
    }
    void ShowMessage(std::string_view text) override {
        Wait([&ui = runner_.windowUi_, copy = std::string(text)] { ui.ShowMessage(copy); });
    }
    bool AskYesNo(std::string_view question) override {
        return runner_.CallOnWindowThread<bool>(
            [&ui = runner_.windowUi_, copy = std::string(question)] { return ui.AskYesNo(copy); },
            false);
    }
    TAnswer AskYesNoCancel(std::string_view question) override {
        return runner_.CallOnWindowThread<TAnswer>(
            [&ui = runner_.windowUi_, copy = std::string(question)] {
                return ui.AskYesNoCancel(copy);
            },
            TAnswer::Cancel);
    }
    // Nobody left to ask refuses: a chip of another device is not written, and a chip whose
    // calibration word cannot be kept is not erased.
    bool AskOtherDevice(std::string_view question) override {
        return runner_.CallOnWindowThread<bool>(
            [&ui = runner_.windowUi_, copy = std::string(question)] {
                return ui.AskOtherDevice(copy);
            },
            false);
    }
    std::optional<std::uint16_t> AskCalibrationWord(std::string_view question) override {
        return runner_.CallOnWindowThread<std::optional<std::uint16_t>>(
            [&ui = runner_.windowUi_, copy = std::string(question)] {
                return ui.AskCalibrationWord(copy);
            },
            std::nullopt);
    }
    // Passed on only when the whole percentage moves: a pass calls this for every word.
    void Progress(std::size_t done, std::size_t total) override {
        if (total == 0) {
            return;
        }
        const int percent = static_cast<int>(done * kFullPercent / total);
        if (percent == shownPercent_ && total == shownTotal_) {
            return;
        }
        shownPercent_ = percent;
        shownTotal_ = total;
        runner_.PostToWindowThread(
            [&ui = runner_.windowUi_, done, total] { ui.Progress(done, total); });
    }
    void OperationStarted(TChipOperation operation) override {
        runner_.PostToWindowThread(
            [&ui = runner_.windowUi_, operation] { ui.OperationStarted(operation); });
    }
    void OperationEnded(TChipOperation operation) override {
        runner_.PostToWindowThread(
            [&ui = runner_.windowUi_, operation] { ui.OperationEnded(operation); });
    }
    void BufferChanged() override {
        Wait([&ui = runner_.windowUi_] { ui.BufferChanged(); });
    }
    void ChipRead() override {
        Wait([&ui = runner_.windowUi_] { ui.ChipRead(); });
    }
    bool NewImage() override {
        // Nobody left to ask: the erase goes on with the image as it is.
        return runner_.CallOnWindowThread<bool>([&ui = runner_.windowUi_] { return ui.NewImage(); },
                                                false);
    }

  private:
    void Wait(std::function<void()> call) {
        static_cast<void>(runner_.CallOnWindowThread<bool>(
            [call = std::move(call)] {
                call();
                return true;
            },
            false));
    }

    TOperationRunner& runner_;
    int shownPercent_ = -1;
    std::size_t shownTotal_ = 0;
};

TOperationRunner::TOperationRunner(TProgrammingUi& windowUi, QObject* parent)
    : QObject(parent), windowUi_(windowUi) {}

TOperationRunner::~TOperationRunner() {
    if (!worker_.joinable()) {
        return;
    }
    stop_.Request();
    {
        const std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    answered_.notify_all();
    worker_.join();
    // What the worker posted since is dropped with this object: nothing is left to show it.
}

void TOperationRunner::Start(TProgrammerConnection& connection, TVantrelSession& session,
                             TChipOperation operation, TFinished finished) {
    if (running_) {
        return;
    }
    if (worker_.joinable()) {
        worker_.join();
    }
    running_ = true;
    finished_ = std::move(finished);
    stop_.Reset();
    worker_ = std::thread([this, &connection, &session, operation] {
        TWorkerUi ui(*this);
        const TOperationResult result = RunChipOperation(connection, operation, session, ui, stop_);
        PostToWindowThread([this, operation, result] { Finish(operation, result); });
    });
}

void TOperationRunner::Cancel() {
    if (running_) {
        stop_.Request();
    }
}

void TOperationRunner::Finish(TChipOperation operation, const TOperationResult& result) {
    worker_.join();
    running_ = false;
    if (finished_) {
        // The callback may start the next operation, which sets a new one.
        TFinished finished = std::move(finished_);
        finished_ = nullptr;
        finished(operation, result);
    }
}

template <typename TResult>
TResult TOperationRunner::CallOnWindowThread(std::function<TResult()> call, TResult fallback) {
    struct TCall {
        TResult Value{};
        bool Ready = false;
    };
    auto pending = std::make_shared<TCall>();
    {
        const std::lock_guard lock(mutex_);
        if (abandoned_) {
            return fallback;
        }
    }
    QMetaObject::invokeMethod(
        this,
        [this, pending, call = std::move(call)] {
            TResult value = call();
            const std::lock_guard lock(mutex_);
            pending->Value = value;
            pending->Ready = true;
            answered_.notify_all();
        },
        Qt::QueuedConnection);
    std::unique_lock lock(mutex_);
    answered_.wait(lock, [&] { return pending->Ready || abandoned_; });
    return pending->Ready ? pending->Value : fallback;
}

void TOperationRunner::PostToWindowThread(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

}  // namespace vantrel
