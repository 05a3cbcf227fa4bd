// The self-pipe behind SignalRelay.
#include "app/signal_relay.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace talvex {

namespace {

// One relay per process: the handler needs a place it may write to.
int gWriteEnd = -1;

extern "C" void RelaySignal(int signal) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const auto n = ::write(gWriteEnd, &byte, 1);
    errno = saved;
}

} // namespace

SignalRelay::SignalRelay(std::initializer_list<int> signalNumbers, Handler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return;
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
    ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
    gWriteEnd = fds[1];
    notifier_ = new QSocketNotifier(fds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] { Drain(); });

    struct sigaction action {};
    action.sa_handler = RelaySignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : signalNumbers)
        ::sigaction(s, &action, nullptr);
}

SignalRelay::~SignalRelay() {
    if (notifier_) ::close(static_cast<int>(notifier_->socket()));
    if (gWriteEnd >= 0) ::close(gWriteEnd);
    gWriteEnd = -1;
}

void SignalRelay::EndBy(int signal) {
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    std::_Exit(128 + signal); // only if the signal is blocked
}

void SignalRelay::Drain() {
    unsigned char bytes[64];
    for (;;) {
        const auto n = ::read(static_cast<int>(notifier_->socket()), bytes, sizeof bytes);
        if (n <= 0) break;
        for (ssize_t i = 0; i < n; ++i)
            handler_(bytes[i]);
    }
}

} // namespace talvex
