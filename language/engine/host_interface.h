// The engine's view of the host application: the three calls a run makes.
// The host link implements it over the local transport; tests and the
// list-only runner supply their own.
#pragma once

#include <functional>
#include <string>

namespace talvex {

// The reply Send and SendA give when the link is lost (while the command
// waited, or before it); it contains "error".
inline constexpr const char* kLinkLostReply = "Error: link to KORVA lost";

// The reply a waiting Send or SendA gives when the user dropped the link to a
// host that did not answer the hard cancel.
inline constexpr const char* kLinkDroppedReply = "Error: link to KORVA dropped";

// How long a command may go on after a hard cancel before the host counts as
// not answering it. A real host may take a while to abandon a hardware step.
inline constexpr int kHardCancelGraceMs = 5000;

// How long a command waits for its reply before the front end says so.
inline constexpr int kSlowReplyNoticeMs = 10000;

class HostInterface {
public:
    virtual ~HostInterface() = default;

    // Links to the host when no link is up, finding and starting it as needed.
    // False when it could not be found, started or linked; the implementation
    // has already told the user why. Also false, starting nothing, while a
    // lost link has not been cleared.
    virtual bool Init() = 0;

    // A request on the control topic ("hardcancel", "Windows(...)"); links on
    // demand. The reply becomes ReturnStr().
    virtual void Send(const std::string& command) = 0;

    // An execute on the control topic; returns once the host has pushed a
    // non-empty response on the asynchronous topic, or the link was lost.
    // Pending events keep being processed while it waits.
    virtual void SendA(const std::string& command) = 0;

    // The hard cancel: "hardcancel" as a request on the control topic, sent
    // without waiting for its reply, so a host that has stopped answering
    // cannot hold the user's cancel. Links on demand as Send does.
    virtual void HardCancel() { Send("hardcancel"); }

    // True once a hard cancel went to the host while a command waited and
    // that command was still unanswered kHardCancelGraceMs later; false again
    // when the command ends, and after DropLink.
    virtual bool HardCancelUnanswered() const { return false; }

    // Called once, from the link's wait, when HardCancelUnanswered turns true.
    virtual void SetHardCancelNotice(std::function<void()> notice) { (void)notice; }

    // Called once per command that has waited kSlowReplyNoticeMs for its
    // reply, from the link's wait, with the command. Measurements may take
    // hours: the wait goes on; the user only learns what it waits for.
    virtual void SetSlowReplyNotice(std::function<void(const std::string& command)> notice) {
        (void)notice;
    }

    // Gives up on a host that does not answer: closes the link without "Exit"
    // (the host process is left alone) and ends a waiting Send or SendA, whose
    // reply is then kLinkDroppedReply. LinkLost() holds until ClearLinkLoss,
    // so nothing relinks behind the user's back.
    virtual void DropLink() {}

    // The current response: the reply to the last Send or SendA.
    virtual std::string ReturnStr() const = 0;

    // True once a link that was up has been lost (the host ended or closed the
    // connection). The loss holds: until ClearLinkLoss, Init, Send and SendA
    // start no host and link nothing, and Send and SendA answer with a text
    // that names the loss.
    virtual bool LinkLost() const = 0;

    // Forgets a lost link, so the next Init links again. The run command calls
    // it when a run starts: linking again is that run's decision.
    virtual void ClearLinkLoss() = 0;
};

} // namespace talvex
