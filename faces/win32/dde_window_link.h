// The DDE link as the window core takes it: forwards to the host link and
// tells the core when it has linked anew (linking drops the dynamic-data
// receiver, so it registers again), while a command waits for the host, what
// the link says to the user and when the link window's texts may have changed.
#pragma once

#include "ddelink/dde_host_link.h"
#include "windowcore/window_link_port.h"

namespace talvex {

class DdeWindowLink : public WindowLinkPort {
public:
    explicit DdeWindowLink(DdeHostLink& link) : link_(link) {}
    ~DdeWindowLink() override;

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
    std::string HostDir() const override { return link_.HostDir(); }
    LinkTexts Texts() const override;
    void SendFromLinkWindow(const std::string& command) override;
    void SetEvents(WindowLinkEvents events) override;

private:
    // Runs a call that may link on demand, and registers for dynamic data
    // when it did; the link window's texts follow every call.
    template <typename Call> void Watching(Call call);
    void ReportDynamicData();
    void TextsChanged() {
        if (events_.textsChanged) events_.textsChanged();
    }

    DdeHostLink& link_;
    WindowLinkEvents events_;
};

} // namespace talvex
