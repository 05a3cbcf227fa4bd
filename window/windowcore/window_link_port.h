// The host link as the window core uses it: the engine's host interface plus
// what the window adds around a run (linking at start-up, cancelling a start,
// dynamic data, the link window's texts, its messages and its waits).
#pragma once

#include "engine/host_interface.h"
#include "engine/window_interface.h"

#include <functional>
#include <string>
#include <string_view>

namespace talvex {

// What the link tells the window as it works.
struct WindowLinkEvents {
    // The link's own message boxes ("" title: the window's caption).
    std::function<void(MessageKind kind, std::string_view title, std::string_view text)> message;
    // A link came up; the window registers for dynamic data again.
    std::function<void()> linked;
    // A command began and ended its wait for the host.
    std::function<void(std::string_view command)> waitStarted;
    std::function<void()> waitEnded;
    // The hard cancel went unanswered (HardCancelUnanswered turned true).
    std::function<void()> hardCancelUnanswered;
    // New dynamic data arrived.
    std::function<void()> dynamicData;
    // The link window's texts changed.
    std::function<void()> textsChanged;
};

// The texts of the link window "KORVA DDE Control".
struct LinkTexts {
    std::string sendBox;
    std::string response;
    std::string dynamic;
    std::string async;
};

class WindowLinkPort : public HostInterface {
public:
    // At start-up: finds, starts and links the host; false when none could
    // be linked (the link has told the user why).
    virtual bool LinkAtStart() = 0;
    // Closes the link at the window's end.
    virtual void Unlink() = 0;
    virtual bool IsLinked() const = 0;
    // A host is being started on demand; CancelStart gives it up.
    virtual bool Starting() const = 0;
    virtual void CancelStart() = 0;
    virtual std::string DynReturn() const = 0;
    // The folder of the host program, for the engine's "@hostdir".
    virtual std::string HostDir() const = 0;
    virtual LinkTexts Texts() const = 0;
    // The link window's Send: the command box's text as a request.
    virtual void SendFromLinkWindow(const std::string& command) = 0;
    // Null members are not called.
    virtual void SetEvents(WindowLinkEvents events) = 0;
};

} // namespace talvex
