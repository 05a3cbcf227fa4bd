// What every link shows the engine and a front end, answered by the link
// core: the engine's host interface, the fields of the response and the
// texts a debug view shows. A transport's link derives from it and
// implements the core's port.
#pragma once

#include "engine/host_interface.h"
#include "hostfields/field_pickers.h"
#include "linkcore/link_core.h"

#include <functional>
#include <string>

namespace talvex {

class CoreLink : public HostInterface, public FieldPickers {
public:
    // The replies, as each link has always named them.
    static constexpr const char* kLinkLostText = kLinkLostReply;
    static constexpr const char* kRefusedText = talvex::kRefusedText;
    static constexpr const char* kTooLongText = talvex::kTooLongText;
    static constexpr const char* kStartingText = talvex::kStartingText;

    CoreLink(LinkPort& port, LinkCoreOptions options) : core_(port, clock_, options) {}
    CoreLink(const CoreLink&) = delete;
    CoreLink& operator=(const CoreLink&) = delete;

    void Send(const std::string& s) override { core_.Send(s); }
    void SendA(const std::string& s) override { core_.SendA(s); }
    void HardCancel() override { core_.HardCancel(); }
    bool HardCancelUnanswered() const override { return core_.HardCancelUnanswered(); }
    void SetHardCancelNotice(std::function<void()> notice) override {
        core_.SetHardCancelNotice(std::move(notice));
    }
    void SetSlowReplyNotice(std::function<void(const std::string& command)> notice) override {
        core_.SetSlowReplyNotice(std::move(notice));
    }
    void DropLink() override { core_.DropLink(); }
    std::string ReturnStr() const override { return core_.DDEBox(); }
    bool LinkLost() const override { return core_.LinkLost(); }
    void ClearLinkLoss() override { core_.ClearLinkLoss(); }
    bool IsLinked() const { return core_.IsLinked(); }

    // True while Init links: while it connects to a host that runs, and while
    // it waits for a host it started to come up.
    bool Starting() const { return core_.Starting(); }
    // Ends that wait (the user cancelled): Init returns false without a
    // message and ends the host process it started.
    void CancelStart() { core_.CancelStart(); }
    // The last start-up ended by CancelStart.
    bool StartCancelled() const { return core_.StartCancelled(); }
    bool StartedHost() const { return core_.StartedHost(); }

    // Kept for callers of the old interface; they do nothing.
    void passbyerror() {}
    void Doddle() {}

    // State shown by the link's debug view.
    const std::string& SendBox() const { return core_.SendBox(); }
    void SetSendBox(const std::string& text) { core_.SetSendBox(text); }
    const std::string& DDEBox() const override { return core_.DDEBox(); }
    const std::string& DDEAsync() const { return core_.DDEAsync(); }
    const std::string& DynDDE() const override { return core_.DynDDE(); }
    std::string DynReturn() const { return core_.DynDDE(); }

protected:
    // Init with the caller's host program (empty: search for it) in `slot`
    // while it links, for the port to start; linking on demand searches.
    template <class Path> bool InitWith(Path& slot, const Path& program, bool visible) {
        if (core_.Initializing()) return false; // a second start would race the first
        slot = program;
        const bool linked = core_.Init(visible);
        slot = Path();
        return linked;
    }

    SteadyLinkClock clock_;
    LinkCore core_;
};

} // namespace talvex
