// The self-pipe behind EndSignals.
#include "korva32/end_signals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace talvex::korva {

namespace {

constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// One per process: the handler needs a place it may write to.
int gWriteEnd = -1;

extern "C" void NoteSignal(int signal) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const auto n = ::write(gWriteEnd, &byte, 1);
    errno = saved;
}

} // namespace

EndSignals::EndSignals(std::function<void(int signal)> end, QObject* parent)
    : QObject(parent), end_(std::move(end)) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return;
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
    ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
    gWriteEnd = fds[1];
    notifier_ = new QSocketNotifier(fds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        if (::read(static_cast<int>(notifier_->socket()), &byte, 1) == 1) end_(byte);
    });

    struct sigaction action {};
    action.sa_handler = NoteSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : kSignals)
        ::sigaction(s, &action, nullptr);
}

EndSignals::~EndSignals() {
    for (int s : kSignals)
        ::signal(s, SIG_DFL);
    if (notifier_) ::close(static_cast<int>(notifier_->socket()));
    if (gWriteEnd >= 0) ::close(gWriteEnd);
    gWriteEnd = -1;
}

void EndSignals::EndBy(int signal) {
    ::signal(signal, SIG_DFL);
    ::raise(signal);
    std::_Exit(128 + signal); // only if the signal is blocked
}

} // namespace talvex::korva
