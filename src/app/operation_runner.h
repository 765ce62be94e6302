#pragma once

#include <QObject>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "hardware/stop_token.h"
#include "programming/operation_result.h"
#include "programming/programming_ui.h"
#include "programming/vantrel_session.h"
#include "service/programmer_connection.h"

namespace vantrel {

// Runs one chip operation at a time on a worker thread, so the window keeps painting and
// answering while a chip is written. Everything the operation tells the user reaches the
// window's own TProgrammingUi on the window's thread: status texts and progress as they come,
// message boxes and questions while the worker waits for the answer, and the hand-overs of the
// image (BufferChanged, ChipRead, NewImage) while the worker waits, so the window reads the
// image only when the worker cannot be writing it.
//
// Until the operation has ended the session and the connection belong to the worker; the
// window takes no input then but Cancel, which stops the operation at its next port access.
class TOperationRunner final : public QObject {
    Q_OBJECT

  public:
    using TFinished = std::function<void(TChipOperation, const TOperationResult&)>;

    // `windowUi` is only ever called on this object's thread.
    TOperationRunner(TProgrammingUi& windowUi, QObject* parent = nullptr);
    // A running operation is stopped at its next port access, its pending questions are
    // answered No (Cancel) without asking, and its end is awaited: nothing of it outlives this.
    ~TOperationRunner() override;

    TOperationRunner(const TOperationRunner&) = delete;
    TOperationRunner& operator=(const TOperationRunner&) = delete;

    // Starts `operation`; `finished` is called on this object's thread once it has ended.
    void Start(TProgrammerConnection& connection, TVantrelSession& session,
               TChipOperation operation, TFinished finished);
    // Asks the running operation to stop at its next port access; the programming voltages
    // and the supply are then switched off by the operation's own guard.
    void Cancel();

    [[nodiscard]] bool Running() const { return running_; }

  private:
    class TWorkerUi;

    // Runs `call` on this object's thread and waits for its result; `fallback` when the runner
    // is being destroyed and nobody can answer.
    template <typename TResult>
    TResult CallOnWindowThread(std::function<TResult()> call, TResult fallback);
    // Runs `call` on this object's thread without waiting.
    void PostToWindowThread(std::function<void()> call);
    void Finish(TChipOperation operation, const TOperationResult& result);

    TProgrammingUi& windowUi_;
    TStopToken stop_;
    std::thread worker_;
    bool running_ = false;
    TFinished finished_;

    std::mutex mutex_;
    std::condition_variable answered_;
    bool abandoned_ = false;  // guarded by mutex_
};

}  // namespace vantrel
