// The socket link as the window core takes it: forwards to the host link,
// and tells the core when it has linked anew (linking drops the dynamic-data
// receiver, so it registers again), while a command waits for the host, and
// what the link says to the user.
#pragma once

#include "hostlink/host_link.h"
#include "windowcore/window_link_port.h"

#include <QObject>

namespace talvex {

class WindowLink : public QObject, public WindowLinkPort {
    Q_OBJECT
public:
    explicit WindowLink(HostLink& link, QObject* parent = nullptr);
    ~WindowLink() override;

    // The engine's host.
    bool Init() override;
    void Send(const std::string& s) override;
    void SendA(const std::string& s) override;
    void HardCancel() override;
    bool HardCancelUnanswered() const override { return link_.HardCancelUnanswered(); }
    void DropLink() override { link_.DropLink(); }
    std::string ReturnStr() const override { return link_.ReturnStr(); }
    bool LinkLost() const override { return link_.LinkLost(); }
    void ClearLinkLoss() override { link_.ClearLinkLoss(); }

    // The window's.
    bool LinkAtStart() override;
    void Unlink() override { link_.Uninit(false); }
    bool IsLinked() const override { return link_.IsLinked(); }
    bool Starting() const override { return link_.Starting(); }
    void CancelStart() override { link_.CancelStart(); }
    std::string DynReturn() const override { return link_.DynReturn(); }
    std::string HostDir() const override { return link_.HostDir().toStdString(); }
    LinkTexts Texts() const override;
    void SendFromLinkWindow(const std::string& command) override;
    void SetEvents(WindowLinkEvents events) override;

    HostLink& Host() { return link_; }

private:
    // Runs a call that may link on demand, and registers for dynamic data
    // when it did.
    template <typename Call> void Watching(Call call);
    void ReportDynamicData();

    HostLink& link_;
    WindowLinkEvents events_;
};

} // namespace talvex
