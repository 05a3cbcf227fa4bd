// The host link as the window uses it: the same link, telling the window when
// it has linked anew (linking drops the dynamic-data receiver, so the window
// registers again) and while a command waits for the host (the status bar
// shows it).
#pragma once

#include "hostlink/host_link.h"

#include <QString>

namespace talvex {

class WindowLink : public HostLink {
    Q_OBJECT
public:
    explicit WindowLink(QObject* parent = nullptr) : HostLink(parent) {}

    using HostLink::Init;
    bool Init() override;
    void Send(const std::string& s) override;
    void SendA(const std::string& s) override;
    void HardCancel() override;

signals:
    void linked();
    void waitStarted(const QString& command);
    void waitEnded();

private:
    // Runs a call that may link on demand, and tells when it did.
    template <typename Call> void Watching(Call call);
};

} // namespace talvex
