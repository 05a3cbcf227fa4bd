#include "ui/window_link.h"

namespace talvex {

template <typename Call> void WindowLink::Watching(Call call) {
    const bool was = IsLinked();
    call();
    if (!was && IsLinked()) emit linked();
}

bool WindowLink::Init() {
    bool ok = false;
    Watching([&] { ok = HostLink::Init(); });
    return ok;
}

void WindowLink::Send(const std::string& s) {
    Watching([&] { HostLink::Send(s); });
}

void WindowLink::HardCancel() {
    Watching([&] { HostLink::HardCancel(); });
}

void WindowLink::SendA(const std::string& s) {
    emit waitStarted(QString::fromStdString(s));
    Watching([&] { HostLink::SendA(s); });
    emit waitEnded();
}

} // namespace talvex
