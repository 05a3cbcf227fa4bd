// The link core.
#include "linkcore/link_core.h"

#include <algorithm>
#include <utility>

namespace talvex {

namespace {
// How often a start-up looks again for the host it started.
constexpr std::chrono::milliseconds kStartPoll(50);
} // namespace

LinkCore::LinkCore(LinkPort& port, const LinkClock& clock, LinkCoreOptions options)
    : port_(port), clock_(clock), options_(options) {}

void LinkCore::TellHostNotFound(const std::string& where) {
    port_.Tell(LinkMessageIcon::Exclamation, std::string(), kHostNotFoundMessage + where);
}

bool LinkCore::Init(bool visible) {
    if (IsLinked()) return true;
    // Called from an event handler while Init runs (it waits for the host to
    // come up, or a message box is open): a second start would race the first.
    if (inInit_) return false;
    if (lost_) {
        // Never start a fresh host behind the user's back in the middle of a
        // run; the run command clears the loss when the next run starts.
        SetDDEBox(LossBeforeSendText());
        return false;
    }
    inInit_ = true;
    const bool linked = Link(visible);
    inInit_ = false;
    if (linked && !visible) Send("Windows(MAIN,MINIMIZED)");
    return linked;
}

bool LinkCore::Link(bool visible) {
    if (const std::string refusal = port_.PrepareLink(); !refusal.empty()) {
        port_.Tell(LinkMessageIcon::Critical, "Error", kLinkFailedMessage + refusal);
        return false;
    }
    // A host that runs already is linked wherever its program lies: the
    // search is only for starting one. A host that took the connection and
    // then stopped answering has one bounded while for the whole set-up, and
    // Ctrl+C or Cancel end it as they end a host's start-up.
    starting_ = true;
    startCancelled_ = false;
    const LinkTime setUpBy = clock_.Now() + options_.setUpTimeout;
    std::string why;
    LinkPort::Reach reach = port_.Connect(setUpBy, false, why);
    if (reach == LinkPort::Reach::Linked) reach = port_.Subscribe(setUpBy, why);
    starting_ = false;
    if (reach == LinkPort::Reach::Linked) {
        linked_ = true;
        return true;
    }
    if (reach == LinkPort::Reach::Failed) {
        if (startedHost_ && options_.endsOwnHostOnFailedSetUp) {
            port_.EndHost();
            startedHost_ = false;
        }
        if (!startCancelled_)
            port_.Tell(LinkMessageIcon::Critical, "Error", kLinkFailedMessage + why);
        return false;
    }
    if (startCancelled_ || !port_.ChooseProgram()) return false;
    if (!StartAndLink(visible)) return false;
    linked_ = true;
    return true;
}

bool LinkCore::StartAndLink(bool visible) {
    std::string why;
    if (!port_.StartHost(visible, why)) {
        port_.Tell(LinkMessageIcon::Critical, "Error", kHostNotRunMessage + why);
        return false;
    }
    startedHost_ = true;
    starting_ = true;
    startCancelled_ = false;
    const LinkTime deadline = clock_.Now() + options_.linkTimeout;
    StartOutcome outcome = WaitForLink(deadline);
    if (outcome == StartOutcome::Linked) {
        // The set-up gets its own bound once the host has taken the
        // connection, late in the wait as that may come.
        const LinkTime setUpBy = std::max(deadline, clock_.Now() + options_.setUpTimeout);
        if (port_.Subscribe(setUpBy, why) != LinkPort::Reach::Linked)
            outcome = startCancelled_ ? StartOutcome::Cancelled : StartOutcome::NoAnswer;
    }
    starting_ = false;
    // A host that did not come up is not left running behind the user's back.
    if (outcome != StartOutcome::Linked) {
        port_.EndHost();
        startedHost_ = false;
    }
    const std::string reason = port_.FinishStart(outcome, why);
    if (outcome == StartOutcome::Linked) return true;
    if (outcome != StartOutcome::Cancelled)
        port_.Tell(LinkMessageIcon::Critical, "Error", kLinkFailedMessage + reason);
    return false;
}

StartOutcome LinkCore::WaitForLink(LinkTime deadline) {
    // A freshly started host needs a moment before it listens: a bounded
    // while, keeping events flowing, ending early when it died.
    std::string why;
    for (;;) {
        if (startCancelled_) return StartOutcome::Cancelled;
        if (port_.Connect(deadline, true, why) == LinkPort::Reach::Linked)
            return StartOutcome::Linked;
        if (!port_.HostRuns())
            return port_.Connect(deadline, true, why) == LinkPort::Reach::Linked
                       ? StartOutcome::Linked
                       : StartOutcome::HostEnded;
        const LinkTime now = clock_.Now();
        if (now >= deadline) return StartOutcome::TimedOut;
        port_.WaitForEvent([this] { return startCancelled_; },
                           std::min(deadline, now + kStartPoll));
    }
}

void LinkCore::CancelStart() {
    if (!starting_) return;
    startCancelled_ = true;
    WakeWaits();
}

void LinkCore::Uninit(bool closeKorva) {
    if (starting_) {
        // Ending in the middle of a start-up: the host we began goes too.
        CancelStart();
        port_.EndHost();
    }
    if (IsLinked()) {
        linked_ = false;
        // The host closes our link when it has read Exit, and ends unless
        // other clients still use it.
        if (closeKorva || startedHost_) port_.ExitHost(options_.exitTimeout);
    }
    port_.Disconnect();
    linked_ = false;
    lost_ = false;
    dropped_ = false;
    WakeWaits();
}

bool LinkCore::EnsureLinked() {
    if (IsLinked()) return true;
    if (inInit_) {
        SetDDEBox(kStartingText);
        return false;
    }
    return Init(true); // a lost link answers with the loss
}

void LinkCore::Send(const std::string& s, std::chrono::milliseconds timeout) {
    if (!EnsureLinked()) return;
    sendBox_ = s;
    SetDDEBox(std::string());
    PortCall call;
    port_.Request(s, &call, timeout);
    if (call.state == PortCall::State::NotSent) {
        SetDDEBox(call.text.empty() ? LossBeforeSendText() : call.text);
        return;
    }
    WaitForCall(call, s, [&] { return call.state != PortCall::State::Waiting; });
    port_.Forget(call);
    // A refused request leaves the response empty, as a failed request always did.
    if (call.state == PortCall::State::Answered) {
        SetDDEBox(std::move(call.text));
    } else if (call.state == PortCall::State::Refused) {
    } else if (call.oversized) {
        SetDDEBox(std::move(call.text));
    } else {
        SetDDEBox(LossText());
    }
}

void LinkCore::SendA(const std::string& s) {
    if (!EnsureLinked()) return;
    sendBox_ = s;
    SetDDEBox(std::string());
    ddeAsync_.clear();
    port_.TextsChanged();
    SetDynDDE(std::string());
    port_.ProcessPending();
    if (!IsLinked()) {
        SetDDEBox(LossBeforeSendText());
        return;
    }
    PortCall call;
    call.pushesBefore = pushes_;
    port_.Execute(s, call);
    if (call.state == PortCall::State::NotSent) {
        SetDDEBox(call.text.empty() ? LossBeforeSendText() : call.text);
        return;
    }
    // The response is the first non-empty push after the execute (its reply,
    // where replies and pushes keep their order): anything earlier is left
    // over from before. An empty response does not count: every execute is
    // answered with text.
    const auto answered = [&] {
        return call.state == PortCall::State::Answered && pushes_ > call.pushesBefore &&
               !ddeAsync_.empty();
    };
    WaitForCall(call, s, [&] { return answered() || call.state == PortCall::State::Refused; });
    port_.Forget(call);
    if (answered()) {
        SetDDEBox(ddeAsync_);
    } else if (call.state == PortCall::State::Refused) {
        // No response follows a refused execute; waiting on would never end.
        SetDDEBox(kRefusedText + call.text);
    } else if (call.oversized) {
        SetDDEBox(std::move(call.text));
    } else {
        SetDDEBox(LossText());
    }
    port_.ProcessPending();
}

void LinkCore::WaitForCall(PortCall& call, const std::string& command,
                           const std::function<bool()>& done) {
    // Without a time limit: a measurement may take hours. The user is told
    // when it takes long, and when the host lets a hard cancel go unanswered.
    const auto over = [&] { return done() || call.oversized || !IsLinked(); };
    if (over()) return;
    waiting_.push_back(&call);
    const LinkTime slowAt = clock_.Now() + options_.slowReply;
    bool slowTold = !slowReplyNotice_;
    while (!over()) {
        const LinkTime now = clock_.Now();
        std::optional<LinkTime> wake;
        if (!slowTold) {
            if (now >= slowAt) {
                slowTold = true;
                if (slowReplyNotice_) slowReplyNotice_(command);
                continue;
            }
            wake = slowAt;
        }
        if (hardCancelAt_ && !hardCancelUnanswered_) {
            const LinkTime graceEnds = *hardCancelAt_ + options_.hardCancelGrace;
            if (now >= graceEnds) {
                hardCancelUnanswered_ = true;
                port_.TextsChanged();
                if (hardCancelNotice_) hardCancelNotice_();
                continue;
            }
            wake = wake ? std::min(*wake, graceEnds) : graceEnds;
        }
        const std::uint64_t wakes = wakes_;
        port_.WaitForEvent([&] { return over() || wakes_ != wakes; }, wake);
    }
    waiting_.pop_back();
    // The hard cancel's verdict ends with the outermost command.
    if (!waiting_.empty()) return;
    hardCancelAt_.reset();
    if (hardCancelUnanswered_) {
        hardCancelUnanswered_ = false;
        port_.TextsChanged();
    }
}

void LinkCore::HardCancel() {
    if (!EnsureLinked()) return;
    // The first hard cancel while a command waits starts the grace the host
    // has to end that command; a second one does not restart it.
    const auto startGrace = [this] {
        if (waiting_.empty() || hardCancelAt_ || hardCancelUnanswered_) return;
        hardCancelAt_ = clock_.Now();
        WakeWaits();
    };
    if (options_.hardCancelTimeout) {
        startGrace();
        Send("hardcancel", *options_.hardCancelTimeout);
        return;
    }
    // Its reply is nobody's: a host that answers it ends the command it works
    // on, and one that does not must not hold the user's cancel.
    SetSendBox("hardcancel");
    port_.Request("hardcancel", nullptr, options_.requestTimeout);
    if (IsLinked()) startGrace();
}

void LinkCore::DropLink() {
    hardCancelAt_.reset();
    hardCancelUnanswered_ = false;
    if (!linked_) return;
    // No Exit, and the host process is left as it is: it may be busy with
    // hardware, and the user decides about it.
    port_.Abandon();
    linked_ = false;
    lost_ = true;
    dropped_ = true;
    WakeWaits();
    port_.TextsChanged();
}

void LinkCore::OnReply(PortCall& call) {
    if (!options_.countPushesFromSend) call.pushesBefore = pushes_;
    port_.Wake();
}

void LinkCore::OnResponsePush(std::string data) {
    ++pushes_;
    ddeAsync_ = std::move(data);
    port_.TextsChanged();
    port_.Wake();
}

void LinkCore::OnDynamicPush(std::string data) {
    SetDynDDE(std::move(data));
}

void LinkCore::OnOversizedReply(std::string replyText) {
    // The line is gone unread, so whose it was cannot be told: it is taken as
    // the reply of the command waiting now, which would otherwise wait for ever.
    if (waiting_.empty()) return;
    waiting_.back()->oversized = true;
    waiting_.back()->text = std::move(replyText);
    port_.Wake();
}

void LinkCore::OnLost() {
    if (!linked_) {
        port_.Wake(); // the set-up's wait looks at the connection itself
        return;
    }
    linked_ = false;
    lost_ = true;
    port_.Wake();
    port_.TextsChanged();
}

void LinkCore::WakeWaits() {
    ++wakes_;
    port_.Wake();
}

void LinkCore::SetSendBox(const std::string& text) {
    sendBox_ = text;
    port_.TextsChanged();
}

void LinkCore::SetDDEBox(std::string text) {
    ddeBox_ = std::move(text);
    port_.TextsChanged();
}

void LinkCore::SetDynDDE(std::string text) {
    if (text == dynDDE_) return; // only a change is news
    dynDDE_ = std::move(text);
    port_.TextsChanged();
    port_.PostDynReport();
}

} // namespace talvex
