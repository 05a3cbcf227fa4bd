// The host in memory, for the window core's tests and the Qt face's wiring
// tests: no process, no socket.
#pragma once

#include "windowcore/window_link_port.h"

#include <functional>
#include <string>
#include <vector>

namespace talvex::testing {

// The host in memory: "echo(x)" answers x, "wait(N)" holds N ms ("waited=N")
// unless a hard cancel ("cancelled") or a drop ends it first; everything else
// answers "OK".
class FakeLink : public WindowLinkPort {
public:
    bool Init() override { return linkOk; }
    void Send(const std::string& command) override;
    void SendA(const std::string& command) override;
    void HardCancel() override;
    bool HardCancelUnanswered() const override { return unanswered; }
    void DropLink() override { dropped = true; }
    std::string ReturnStr() const override { return reply; }
    bool LinkLost() const override { return false; }
    void ClearLinkLoss() override {}
    bool LinkAtStart() override { return linkOk; }
    void Unlink() override { ++unlinks; }
    bool IsLinked() const override { return linkOk; }
    bool Starting() const override { return false; }
    void CancelStart() override {}
    std::string DynReturn() const override { return dynamic; }
    std::string HostDir() const override { return {}; }
    LinkTexts Texts() const override { return {sendBox, reply, dynamic, {}}; }
    void SendFromLinkWindow(const std::string& command) override;
    void SetEvents(WindowLinkEvents e) override { events = std::move(e); }

    bool linkOk = true;
    bool frozen = false; // a hard cancel goes unanswered
    bool unanswered = false, dropped = false, cancelled = false;
    std::string reply, dynamic, sendBox;
    std::vector<std::string> commands; // every command, in order
    int unlinks = 0;
    WindowLinkEvents events;
    // Called while a command waits, as the link's event loop would.
    std::function<void()> whileWaiting;
};

} // namespace talvex::testing
