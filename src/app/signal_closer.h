#pragma once

#include <QObject>
#include <functional>

class QSocketNotifier;

namespace vantrel {

// Turns SIGINT, SIGTERM and SIGHUP into a call on the window's thread, so that a program told
// to end from outside (Ctrl-C in its terminal, a logout, kill) closes its window the normal way:
// a running operation is stopped and the programmer switched off first. Only one may exist.
class TSignalCloser final : public QObject {
    Q_OBJECT

  public:
    explicit TSignalCloser(std::function<void()> onSignal, QObject* parent = nullptr);
    ~TSignalCloser() override;

    TSignalCloser(const TSignalCloser&) = delete;
    TSignalCloser& operator=(const TSignalCloser&) = delete;

  private:
    std::function<void()> onSignal_;
    int fds_[2] = {-1, -1};
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace vantrel
