#include "ui/window_link.h"

namespace talvex {

bool WindowLink::Init() {
    const bool was = IsLinked();
    const bool ok = HostLink::Init();
    if (ok && !was) emit linked();
    return ok;
}

void WindowLink::SendA(const std::string& s) {
    emit waitStarted(QString::fromStdString(s));
    HostLink::SendA(s);
    emit waitEnded();
}

} // namespace talvex
