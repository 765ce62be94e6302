#include "app/signal_closer.h"

#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <array>
#include <atomic>
#include <csignal>

namespace vantrel {

namespace {

constexpr std::array<int, 3> kSignals{SIGINT, SIGTERM, SIGHUP};

// The write end of the pipe the handler signals through. A signal handler can reach nothing
// else, so this one value is the window's only mutable global.
std::atomic<int> signalWriteFd{-1};
static_assert(std::atomic<int>::is_always_lock_free, "a signal handler reads it");

extern "C" void ForwardSignal(int signal) {
    const int fd = signalWriteFd.load();
    if (fd >= 0) {
        const auto byte = static_cast<char>(signal);
        // Nothing can be done about a full pipe: one byte waiting is enough.
        static_cast<void>(::write(fd, &byte, 1));
    }
}

}  // namespace

TSignalCloser::TSignalCloser(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds_) != 0) {
        return;
    }
    signalWriteFd.store(fds_[0]);
    notifier_ = new QSocketNotifier(fds_[1], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        char drained[16];
        while (::read(fds_[1], drained, sizeof drained) > 0) {
        }
        onSignal_();
    });
    struct sigaction action {};
    action.sa_handler = ForwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int signal : kSignals) {
        sigaction(signal, &action, nullptr);
    }
}

TSignalCloser::~TSignalCloser() {
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signal : kSignals) {
        sigaction(signal, &action, nullptr);
    }
    signalWriteFd.store(-1);
    for (const int fd : fds_) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
}

}  // namespace vantrel
