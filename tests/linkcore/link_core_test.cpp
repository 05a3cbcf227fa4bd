// The link's rules over a fake transport on a fake clock: which push answers
// SendA, what a hard cancel and a frozen host lead to, the lost link, Init's
// guard and the host's start-up. The socket and DDE tests check that each
// transport carries them to a real host.
#include "linkcore/link_core.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace talvex {
namespace {

using Ms = std::chrono::milliseconds;

// A transport and its host in one. What the core asks is logged a line each;
// what the host does comes as steps at times on the fake clock.
struct FakePort : LinkPort, LinkClock {
    LinkTime now{};
    std::unique_ptr<LinkCore> core;
    std::vector<std::string> log, told;
    std::multimap<LinkTime, std::string> steps;
    PortCall* pending = nullptr; // the call the host answers next
    bool synchronous = false;    // the transport waits for replies itself
    bool hostRuns = false;       // a host offers its service
    int listensAfter = 0;        // connects before a started host listens; -1: never
    int endsAfter = -1;          // connects before it ends by itself; -1: never
    int connects = 0;
    bool ended = false;
    bool subscribes = true;
    bool connected = false;
    std::function<void()> user; // the step "user": what a handler does

    explicit FakePort(LinkCoreOptions options = {})
        : core(std::make_unique<LinkCore>(*this, *this, options)) {}

    LinkTime Now() const override { return now; }
    void At(int ms, const std::string& step) { steps.emplace(now + Ms(ms), step); }

    std::string PrepareLink() override { return {}; }
    Reach Connect(LinkTime, bool started, std::string&) override {
        if (started && ++connects > endsAfter && endsAfter >= 0) ended = true;
        if (started && !ended && listensAfter >= 0 && connects >= listensAfter) hostRuns = true;
        log.push_back(started ? "started" : "connect");
        return hostRuns ? Reach::Linked : Reach::NoHost;
    }
    Reach Subscribe(LinkTime, std::string& why) override {
        connected = subscribes;
        why = kNoAnswerReason;
        return subscribes ? Reach::Linked : Reach::Failed;
    }
    bool Connected() const override { return connected; }
    void Disconnect() override { connected = false; }
    void Abandon() override { log.push_back("abandon"); }
    bool ChooseProgram() override { return true; }
    bool StartHost(bool visible, std::string&) override {
        log.push_back(visible ? "start" : "start hidden");
        return true;
    }
    bool HostRuns() const override { return !ended; }
    void EndHost() override { log.push_back("end host"); }
    std::string FinishStart(StartOutcome outcome, const std::string& why) override {
        const char* names[] = {"", "it ended", "timed out", "", "cancelled"};
        return outcome == StartOutcome::NoAnswer ? why : names[static_cast<int>(outcome)];
    }
    void ExitHost(Ms) override { log.push_back("Exit"); }
    void Request(const std::string&, PortCall* call, Ms) override {
        if (call && synchronous) call->state = PortCall::State::Answered;
        if (call && !synchronous) pending = call;
    }
    void Execute(const std::string&, PortCall& call) override {
        pending = &call;
        if (synchronous) Run("reply");
    }
    void WaitForEvent(const std::function<bool()>& ready, std::optional<LinkTime> until) override {
        if (ready()) return;
        const auto next = steps.begin();
        if (next != steps.end() && (!until || next->first <= *until)) {
            now = std::max(now, next->first);
            const std::string step = next->second;
            steps.erase(next);
            Run(step);
        } else if (until) {
            now = *until;
        } else {
            ADD_FAILURE() << "waits for ever";
            core->OnLost();
        }
    }
    void Wake() override {}
    void ProcessPending() override {}
    void PostDynReport() override {}
    void Tell(LinkMessageIcon, const std::string&, const std::string& text) override {
        told.push_back(text);
    }

    // "reply", "answer TEXT", "refuse WHY", "push TEXT", "oversize", "lose",
    // "cancel" (the user's hard cancel), "user".
    void Run(const std::string& step) {
        const std::size_t space = step.find(' ');
        const std::string verb = step.substr(0, space);
        const std::string text = space == std::string::npos ? "" : step.substr(space + 1);
        if (verb == "reply" || verb == "answer" || verb == "refuse") {
            pending->state =
                verb == "refuse" ? PortCall::State::Refused : PortCall::State::Answered;
            pending->text = text;
            core->OnReply(*pending);
        } else if (verb == "push") {
            core->OnResponsePush(text);
        } else if (verb == "oversize") {
            core->OnOversizedReply("too long");
        } else if (verb == "lose") {
            connected = false;
            core->OnLost();
        } else if (verb == "cancel") {
            core->HardCancel();
        } else if (verb == "user") {
            user();
        }
    }
};

LinkCoreOptions Dde() {
    LinkCoreOptions o;
    o.countPushesFromSend = o.namesDropBeforeSend = true;
    o.hardCancelTimeout = Ms(300);
    return o;
}

std::vector<std::string> Split(const std::string& text) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, '|');)
        parts.push_back(part);
    return parts;
}

struct CommandCase {
    const char* name;
    const char* how;   // "socket" or "DDE", then "Send" or "SendA"
    const char* steps; // "MS STEP|...", MS after the command went out
    const char* reply;
    const char* notices = ""; // "MS what|...", on the fake clock
};

TEST(LinkCore, TheResponseAndTheNoticesOfACommand) {
    // A command is told slow after 1 s; a frozen host's grace of 0.5 s runs
    // from the first hard cancel, and the user, told, drops the host.
    const CommandCase cases[] = {
        {"the first non-empty push after the reply", "socket SendA",
         "0 push left over|0 reply|0 push |100 push the real one", "the real one"},
        {"a push before a synchronous execute returns", "DDE SendA", "0 push early", "early"},
        {"a refused execute", "socket SendA", "5 refuse bad",
         "Error: KORVA refused the command: bad"},
        {"an over-long reply", "socket SendA", "0 reply|3 oversize", "too long"},
        {"a loss", "socket SendA", "0 reply|50 lose", kLinkLostReply},
        {"a request's reply", "socket Send", "20 answer 42", "42"},
        {"a refused request", "socket Send", "20 refuse no", ""},
        {"a frozen host", "socket SendA", "0 reply|2000 cancel|2100 cancel", kLinkDroppedReply,
         "1000 slow wait(9)|2500 unanswered"},
        {"a frozen host under DDE", "DDE SendA", "2000 cancel|2100 cancel", kLinkDroppedReply,
         "1000 slow wait(9)|2500 unanswered"},
        {"a hard cancel that is answered", "socket SendA",
         "0 reply|2000 cancel|2400 push cancelled|3000 push late", "cancelled",
         "1000 slow wait(9)"},
    };
    for (const CommandCase& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string how = c.how;
        const bool dde = how.starts_with("DDE");
        LinkCoreOptions options = dde ? Dde() : LinkCoreOptions{};
        options.slowReply = Ms(1000);
        options.hardCancelGrace = Ms(500);
        FakePort port(options);
        port.synchronous = dde;
        port.hostRuns = true;
        ASSERT_TRUE(port.core->Init(true));
        std::vector<std::string> notices;
        const auto at = [&] { return std::to_string((port.now - LinkTime{}) / Ms(1)) + " "; };
        port.core->SetSlowReplyNotice(
            [&](const std::string& command) { notices.push_back(at() + "slow " + command); });
        port.core->SetHardCancelNotice([&] {
            notices.push_back(at() + "unanswered");
            EXPECT_TRUE(port.core->HardCancelUnanswered());
            port.core->DropLink();
        });
        for (const std::string& step : Split(c.steps))
            port.At(std::stoi(step), step.substr(step.find(' ') + 1));
        how.ends_with("SendA") ? port.core->SendA("wait(9)") : port.core->Send("wait(9)");
        EXPECT_EQ(port.core->DDEBox(), c.reply);
        EXPECT_EQ(notices, Split(c.notices));
        EXPECT_FALSE(port.core->HardCancelUnanswered());
    }
}

struct StartCase {
    const char* name;
    bool running;     // a host runs already
    int listensAfter; // connects before the started host listens; -1: never
    int endsAfter;    // connects before it ends; -1: it runs on
    bool subscribes;
    const char* log;
    const char* told; // after "Could not initialize KORVA DDE link\n"; "": linked
};

// While Init waits for its host, a command or a second Init fails at once;
// the user's cancel ends the wait and the host, telling nothing.
TEST(LinkCore, LinkingToTheHostStartingItWhenNoneRuns) {
    const StartCase cases[] = {
        {"a running host", true, 0, -1, true, "connect", ""},
        {"a late host", false, 3, -1, true, "connect|start|started|started|started|Exit", ""},
        {"a host that never listens", false, -1, -1, true,
         "connect|start|started|started|started|end host", "timed out"},
        {"a host that ends", false, -1, 1, true, "connect|start|started|started|started|end host",
         "it ended"},
        {"a started host that does not answer", false, 1, -1, false,
         "connect|start|started|end host", kNoAnswerReason},
        {"a running host that does not answer", true, 0, -1, false, "connect", kNoAnswerReason},
        {"a start-up cancelled", false, -1, -1, true, "connect|start|started|end host", "-"},
    };
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.name);
        LinkCoreOptions options;
        options.linkTimeout = Ms(100); // three polls
        FakePort port(options);
        port.hostRuns = c.running;
        port.listensAfter = c.listensAfter;
        port.endsAfter = c.endsAfter;
        port.subscribes = c.subscribes;
        const bool cancel = std::string(c.told) == "-";
        std::vector<std::string> replies;
        port.user = [&] {
            EXPECT_TRUE(port.core->Starting());
            EXPECT_FALSE(port.core->Init(true));
            port.core->SendA("x");
            replies.push_back(port.core->DDEBox());
            port.core->CancelStart();
        };
        if (cancel) port.At(10, "user");
        const bool linked = *c.told == '\0';
        EXPECT_EQ(port.core->Init(true), linked);
        const bool started = port.core->StartedHost();
        port.core->Uninit(false); // "Exit" only to a host this link started
        EXPECT_EQ(port.log, Split(c.log));
        EXPECT_EQ(port.told, linked || cancel ? std::vector<std::string>{}
                                              : Split(std::string(kLinkFailedMessage) + c.told));
        EXPECT_EQ(started, linked && !c.running);
        EXPECT_EQ(port.core->StartCancelled(), cancel);
        EXPECT_EQ(replies, cancel ? Split(kStartingText) : std::vector<std::string>{});
    }
}

// A lost link answers with the loss and starts nothing until the next run
// clears it.
TEST(LinkCore, TheLostLinkAndTheExit) {
    for (const bool dde : {false, true}) {
        SCOPED_TRACE(dde ? "DDE" : "socket");
        FakePort port(dde ? Dde() : LinkCoreOptions{});
        port.synchronous = dde;
        port.listensAfter = 1;
        port.At(0, "answer OK");
        ASSERT_TRUE(port.core->Init(false));
        EXPECT_EQ(port.core->SendBox(), "Windows(MAIN,MINIMIZED)");
        EXPECT_TRUE(port.core->Init(true)); // a second Init changes nothing
        port.At(10, "lose");
        port.core->SendA("wait(9)");
        EXPECT_EQ(port.core->DDEBox(), kLinkLostReply);
        EXPECT_FALSE(port.core->Init(true));
        port.core->Send("x");
        EXPECT_EQ(port.core->DDEBox(), kLinkLostReply);
        port.core->ClearLinkLoss();
        port.log.clear();
        ASSERT_TRUE(port.core->Init(true));
        // The user drops a host; Init on the link answers as each transport does.
        port.core->DropLink();
        EXPECT_FALSE(port.core->Init(true));
        EXPECT_EQ(port.core->DDEBox(), dde ? kLinkDroppedReply : kLinkLostReply);
        // Closing the link forgets the drop: a later loss is no drop.
        port.core->Uninit(false);
        ASSERT_TRUE(port.core->Init(true));
        port.At(10, "lose");
        port.core->SendA("x");
        EXPECT_EQ(port.core->DDEBox(), kLinkLostReply);
        EXPECT_EQ(port.log, (std::vector<std::string>{"connect", "abandon", "connect"}));
    }
}

} // namespace
} // namespace talvex
