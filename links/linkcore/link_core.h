// The link's rules, once for every transport: linking to a host that runs
// before starting one, the bounded and cancellable start-up, Init's guard,
// the lost link that holds until cleared, "Exit" only to a host this link
// started, which push answers SendA, and the hard cancel that waits for
// nobody with the grace a frozen host gets. It works over a LinkPort.
#pragma once

#include "engine/host_interface.h"
#include "linkcore/link_port.h"
#include "linkcore/link_texts.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace talvex {

// What differs between transports, and the bounds tests shorten.
struct LinkCoreOptions {
    using Ms = std::chrono::milliseconds;
    // Where SendA starts counting pushes: at the execute's reply where the
    // transport keeps replies and pushes in order, or when the execute goes
    // out where it is synchronous and pushes may come while it is sent.
    bool countPushesFromSend = false;
    // Whether Init on a lost link, and a command the link lost before it
    // went out, name a drop by the user rather than the loss.
    bool namesDropBeforeSend = false;
    // Whether a link to a running host that fails its set-up ends that host
    // when this link once started it.
    bool endsOwnHostOnFailedSetUp = false;
    // How long Send's request may take; none when unset.
    Ms requestTimeout = Ms::max();
    // Set: the hard cancel is a short request whose reply is the response.
    // Unset: it is sent and its reply is nobody's.
    std::optional<Ms> hardCancelTimeout;

    Ms linkTimeout{10000};  // a host we started, to accept the link
    Ms setUpTimeout{10000}; // the set-up once connected
    Ms exitTimeout{2000};   // the host, to close the link after Exit
    Ms hardCancelGrace{kHardCancelGraceMs};
    Ms slowReply{kSlowReplyNoticeMs};
};

class LinkCore {
public:
    LinkCore(LinkPort& port, const LinkClock& clock, LinkCoreOptions options = {});
    LinkCore(const LinkCore&) = delete;
    LinkCore& operator=(const LinkCore&) = delete;

    LinkCoreOptions& Options() { return options_; }

    // Links to the host, starting it when none runs; see HostInterface.
    bool Init(bool visible);
    void Uninit(bool closeKorva);
    // Inside Init: a nested Init is refused at once.
    bool Initializing() const { return inInit_; }
    bool Starting() const { return starting_; }
    void CancelStart();
    bool StartCancelled() const { return startCancelled_; }

    void Send(const std::string& s) { Send(s, options_.requestTimeout); }
    void SendA(const std::string& s);
    void HardCancel();
    bool HardCancelUnanswered() const { return hardCancelUnanswered_; }
    void SetHardCancelNotice(std::function<void()> n) { hardCancelNotice_ = std::move(n); }
    void SetSlowReplyNotice(std::function<void(const std::string&)> n) {
        slowReplyNotice_ = std::move(n);
    }
    void DropLink();
    bool LinkLost() const { return lost_; }
    void ClearLinkLoss() {
        lost_ = false;
        dropped_ = false;
    }
    bool IsLinked() const { return linked_ && port_.Connected(); }
    bool StartedHost() const { return startedHost_; }
    // Says the host could not be found, and where it was looked for.
    void TellHostNotFound(const std::string& where);

    const std::string& SendBox() const { return sendBox_; }
    void SetSendBox(const std::string& text);
    const std::string& DDEBox() const { return ddeBox_; }
    const std::string& DDEAsync() const { return ddeAsync_; }
    const std::string& DynDDE() const { return dynDDE_; }

    // From the transport: a call's reply, a push on the response or the
    // dynamic topic, a refused over-long reply, the link's loss.
    void OnReply(PortCall& call);
    void OnResponsePush(std::string data);
    void OnDynamicPush(std::string data);
    void OnOversizedReply(std::string replyText);
    void OnLost();

private:
    bool EnsureLinked();
    bool Link(bool visible);
    bool StartAndLink(bool visible);
    StartOutcome WaitForLink(LinkTime deadline);
    void Send(const std::string& s, std::chrono::milliseconds timeout);
    // Waits until done(), the link's loss or an over-long reply, telling
    // the notices' news on the way.
    void WaitForCall(PortCall& call, const std::string& command, const std::function<bool()>& done);
    void WakeWaits();
    void SetDDEBox(std::string text);
    void SetDynDDE(std::string text);
    const char* LossText() const { return dropped_ ? kLinkDroppedReply : kLinkLostReply; }
    const char* LossBeforeSendText() const {
        return options_.namesDropBeforeSend ? LossText() : kLinkLostReply;
    }

    LinkPort& port_;
    const LinkClock& clock_;
    LinkCoreOptions options_;

    bool linked_ = false;
    bool lost_ = false;
    bool dropped_ = false; // the user gave up on a host that did not answer
    bool inInit_ = false;
    bool starting_ = false;
    bool startCancelled_ = false;
    bool startedHost_ = false;

    std::string sendBox_, ddeBox_, ddeAsync_, dynDDE_;
    std::uint64_t pushes_ = 0; // pushes on the response topic so far

    std::vector<PortCall*> waiting_; // the calls waited for, innermost last
    std::uint64_t wakes_ = 0;        // a wait's clocks have changed
    std::optional<LinkTime> hardCancelAt_;
    bool hardCancelUnanswered_ = false;
    std::function<void()> hardCancelNotice_;
    std::function<void(const std::string&)> slowReplyNotice_;
};

} // namespace talvex
