// What a transport does for the link core: reach the host's three topics,
// start and end the host process, wait for its events. The socket link
// implements it with Qt, the DDE link with Win32.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace talvex {

using LinkTime = std::chrono::steady_clock::time_point;

// Where the core reads the time; tests give one they drive themselves.
class LinkClock {
public:
    virtual ~LinkClock() = default;
    virtual LinkTime Now() const = 0;
};

class SteadyLinkClock : public LinkClock {
public:
    LinkTime Now() const override { return std::chrono::steady_clock::now(); }
};

enum class LinkMessageIcon { Exclamation, Critical };

// One request or execute on the control topic, filled in by the transport.
struct PortCall {
    enum class State {
        Waiting,  // sent; the transport answers through LinkCore::OnReply
        Answered, // the host took it; `text` is a request's reply
        Refused,  // the host turned it down; `text` says why
        NotSent,  // `text` is the reply to give, "" when the link is gone
        Lost,     // the link went while it was on its way
    };
    State state = State::Waiting;
    std::string text;
    std::uint64_t pushesBefore = 0; // the core's count of responses it follows
    bool oversized = false;         // its reply was refused for its size
};

// How a start-up's wait for the host ended.
enum class StartOutcome { Linked, HostEnded, TimedOut, NoAnswer, Cancelled };

class LinkPort {
public:
    enum class Reach {
        Linked, // done
        NoHost, // nobody there
        Failed, // somebody there, but no link; `why` says what went wrong
    };

    virtual ~LinkPort() = default;

    // Before each try to link: forgets the last link's state. Non-empty: the
    // link is refused before anything is sent, for that reason.
    virtual std::string PrepareLink() = 0;
    // One try to connect the three conversations; `started`: to a host this
    // link has just started rather than one that runs already. Cancellable
    // through LinkCore::StartCancelled while it waits.
    virtual Reach Connect(LinkTime deadline, bool started, std::string& why) = 0;
    // The hot links on the response and dynamic topics, before any execute,
    // so no response can pass us by. On failure the connection is gone.
    virtual Reach Subscribe(LinkTime deadline, std::string& why) = 0;
    virtual bool Connected() const = 0;
    // Closes the conversations on purpose, and at once without a word to a
    // host that no longer reads.
    virtual void Disconnect() = 0;
    virtual void Abandon() = 0;

    // The program to start: the caller's, else the search's. False after
    // telling the user it was not found.
    virtual bool ChooseProgram() = 0;
    // Starts it detached, hidden unless visible; false with the reason.
    virtual bool StartHost(bool visible, std::string& why) = 0;
    virtual bool HostRuns() const = 0;
    // Ends the host process this link started, if it still runs.
    virtual void EndHost() = 0;
    // The start-up is over: the reason to give when it failed ("" when
    // linked), from what the host said or what went wrong.
    virtual std::string FinishStart(StartOutcome outcome, const std::string& setUpWhy) = 0;
    // Tells the host to exit and waits, bounded, until it closed our link.
    virtual void ExitHost(std::chrono::milliseconds timeout) = 0;

    // A request on the control topic; `call` may be null when nobody waits
    // for the reply. A transport that waits for replies itself fills `call`
    // before it returns, waiting `timeout` at most.
    virtual void Request(const std::string& command, PortCall* call,
                         std::chrono::milliseconds timeout) = 0;
    // An execute on the control topic; its response comes as a push.
    virtual void Execute(const std::string& command, PortCall& call) = 0;
    // The core waits no longer for `call`: a late reply is nobody's.
    virtual void Forget(PortCall& call) { (void)call; }

    // Handles events until `ready` holds or `until` has come (never, when
    // unset); may return earlier, after any event.
    virtual void WaitForEvent(const std::function<bool()>& ready,
                              std::optional<LinkTime> until) = 0;
    // Ends the current WaitForEvent calls, so their callers look again.
    virtual void Wake() = 0;
    // Handles the events waiting now, without blocking.
    virtual void ProcessPending() = 0;

    // Posts the dynamic data's click, when one is registered.
    virtual void PostDynReport() = 0;
    // Shows a message to the user; an empty title means the front end's own.
    virtual void Tell(LinkMessageIcon icon, const std::string& title, const std::string& text) = 0;
    // One of the texts a debug view shows has changed.
    virtual void TextsChanged() {}
};

} // namespace talvex
