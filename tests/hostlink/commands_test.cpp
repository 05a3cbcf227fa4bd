// Commands and responses against the simulator host: Send, SendA, ReturnStr,
// Error, waiting, link loss, large responses, several links, dynamic data.
#include "engine/host_interface.h"
#include "hostlink/host_process.h"
#include "tests/hostlink/korva_fixture.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <csignal>
#include <string>
#include <vector>

namespace talvex::test {
namespace {

struct CommandCase {
    const char* command;
    const char* response;
    bool error;
    bool request = false; // by Send, not SendA
};

using CommandsTest = KorvaTest;

TEST_F(CommandsTest, SendAShowsTheAsynchronousResponseAndSendTheRequestsReply) {
    const CommandCase cases[] = {
        {"echo(hello)", "hello", false},
        {"echo()", "OK", false},
        {"echo(  padded  )", "  padded  ", false},         // passed through untrimmed
        {"echo(line1\r\nline2)", "line1\r\nline2", false}, // CR LF survives the wire
        {"echo(v=1.5\xC2\xB1"
         "0.2)",
         "v=1.5\xC2\xB1"
         "0.2",
         false},
        // A byte that is not UTF-8 reaches the host as U+FFFD, not as a broken line.
        {"echo(bad \xFF byte)", "bad \xEF\xBF\xBD byte", false},
        {"echo(ERROR in capitals)", "ERROR in capitals", true},
        {"echo(terrors inside a word)", "terrors inside a word", true},
        {"echo(err or)", "err or", false},
        {"echo(Error)", "Error", true},
        {"frobnicate(1)", "Error: unknown command: frobnicate(1)", true},
        {"wait(007)", "waited=7", false},
        {"wait(soon)", "Error: wait needs a whole number of milliseconds: soon", true},
        {"set(Alpha=5, beta = x y )", "OK", false},
        {"get(alpha, beta, gamma)", "alpha=5, beta=x y, gamma=", false},
        {"echo(request)", "request", false, true},
        {"get(alpha)", "alpha=5", false, true},
        {"hardcancel", "OK", false, true},
        {"Windows(MAIN,MINIMIZED)", "OK", false, true},
        {"nonsense", "Error: unknown command: nonsense", true, true},
    };
    for (const CommandCase& c : cases) {
        if (c.request)
            Link().Send(c.command);
        else
            Link().SendA(c.command);
        EXPECT_EQ(Link().SendBox(), c.command);
        EXPECT_EQ(Link().ReturnStr(), c.response) << c.command;
        EXPECT_TRUE(c.request || Link().DDEAsync() == c.response) << c.command;
        EXPECT_EQ(Link().Error(), c.error) << c.command;
    }
    EXPECT_FALSE(Link().LinkLost());
}

TEST_F(CommandsTest, SendAndSendALinkOnDemand) {
    // Through the engine's interface, as a run uses it.
    HostInterface& host = Link();
    host.Send("echo(linked by Send)");
    EXPECT_EQ(host.ReturnStr(), "linked by Send");
    EXPECT_TRUE(Link().StartedHost());

    HostLink* second = MakeLink();
    HostInterface& other = *second;
    other.SendA("echo(linked by SendA)");
    EXPECT_EQ(other.ReturnStr(), "linked by SendA");
    EXPECT_FALSE(second->StartedHost()); // the first link's host serves it
}

TEST_F(CommandsTest, ColumnsAndFieldsOfTheCurrentResponse) {
    Link().SendA("echo(10, 20.5,30)");
    EXPECT_EQ(Link().Column(0), 10);
    EXPECT_EQ(Link().Column(1), 20.5);
    EXPECT_EQ(Link().Column(2), 30);
    Link().SendA("echo(v=1.5\xC2\xB1"
                 "0.25, n=3)");
    EXPECT_EQ(Link().Parm("v="), 1.5);
    EXPECT_EQ(Link().ParmErrBar("v="), 0.25);
    EXPECT_EQ(Link().Parm("n="), 3);
    EXPECT_EQ(Link().ParmErrBar("n="), 9e30);
    EXPECT_EQ(Link().Parm("missing="), 9e30);
}

TEST_F(CommandsTest, EventsKeepRunningWhileSendAWaits) {
    ASSERT_TRUE(Link().Init());
    bool fired = false;
    QTimer::singleShot(50, [&] { fired = true; });
    Link().SendA("wait(300)");
    EXPECT_TRUE(fired);
    EXPECT_EQ(Link().ReturnStr(), "waited=300");
}

TEST_F(CommandsTest, HardcancelReachesTheHostWhileSendAWaits) {
    ASSERT_TRUE(Link().Init());
    for (const char* command : {"silent()", "wait(60000)"}) {
        QTimer::singleShot(100, [&] { Link().Send("hardcancel"); });
        Link().SendA(command);
        EXPECT_EQ(Link().ReturnStr(), "cancelled") << command;
    }
}

TEST_F(CommandsTest, AHostThatDiesEndsTheWaitAndIsNotRestartedSilently) {
    ASSERT_TRUE(Link().Init());
    const qint64 first = Link().HostPid();
    ASSERT_GT(first, 0);
    QTimer::singleShot(200, [first] { ::kill(static_cast<pid_t>(first), SIGKILL); });
    Link().SendA("wait(60000)");
    EXPECT_EQ(Link().ReturnStr(), HostLink::kLinkLostText);
    EXPECT_TRUE(Link().LinkLost());

    // A later command reports the loss instead of starting a host mid-run.
    Link().SendA("echo(one)");
    EXPECT_EQ(Link().ReturnStr(), HostLink::kLinkLostText);
    EXPECT_EQ(Link().HostPid(), first);
    // Once the killed host is fully gone nobody listens: no second host was started.
    ASSERT_TRUE(WaitUntil([first] { return !ProcessAlive(first); }));
    EXPECT_FALSE(Listening(socket_));

    HostInterface& host = Link();
    host.ClearLinkLoss();
    ASSERT_TRUE(host.Init());
    EXPECT_NE(Link().HostPid(), first);
    Link().SendA("echo(back)");
    EXPECT_EQ(Link().ReturnStr(), "back");
}

TEST_F(CommandsTest, ASixteenMebibyteResponseArrivesWhole) {
    std::string text;
    text.reserve(16u << 20);
    for (int i = 0; text.size() < (16u << 20); ++i)
        text += "line " + std::to_string(i) + "\r\n";
    Link().SendA("echo(" + text + ")");
    ASSERT_EQ(Link().ReturnStr().size(), text.size());
    EXPECT_TRUE(Link().ReturnStr() == text);
}

TEST_F(CommandsTest, TwoLinksGetTheirOwnResponsesAndBothGetDynamicData) {
    HostLink& a = Link();
    HostLink& b = *MakeLink();
    ASSERT_TRUE(a.Init());
    ASSERT_TRUE(b.Init());
    EXPECT_TRUE(a.StartedHost());
    EXPECT_FALSE(b.StartedHost());

    a.SendA("echo(for a)");
    b.SendA("echo(for b)");
    EXPECT_EQ(a.ReturnStr(), "for a");
    EXPECT_EQ(b.ReturnStr(), "for b");

    a.SendA("dyn(news for all)");
    EXPECT_EQ(a.ReturnStr(), "OK");
    EXPECT_TRUE(
        WaitUntil([&] { return a.DynDDE() == "news for all" && b.DynDDE() == "news for all"; }));
    EXPECT_EQ(b.ReturnStr(), "for b"); // b's own response is untouched
}

TEST_F(CommandsTest, DynamicDataPostsTheRegisteredClick) {
    ASSERT_TRUE(Link().Init());
    QObject form;
    std::vector<std::string> clicks; // what the click saw in DynReturn
    std::vector<std::size_t> clicksSeenAtChange;
    std::string last = Link().DynDDE();
    QObject::connect(&Link(), &HostLink::debugTextsChanged, &form, [&] {
        if (Link().DynDDE() != last) {
            last = Link().DynDDE();
            clicksSeenAtChange.push_back(clicks.size());
        }
    });

    // Nothing registered: only DynDDE changes.
    Link().SendA("dyn(unheard)");
    EXPECT_TRUE(WaitUntil([&] { return Link().DynDDE() == "unheard"; }));
    QCoreApplication::processEvents();
    EXPECT_TRUE(clicks.empty());

    Link().SetDynReport(&form, [&] { clicks.push_back(Link().DynReturn()); });
    // SendA first empties DynDDE (one click, seeing ""), then the data arrives.
    Link().SendA("dyn(heard)");
    EXPECT_TRUE(WaitUntil([&] { return clicks.size() == 2; }));
    EXPECT_EQ(clicks, (std::vector<std::string>{"", "heard"}));
    // Each click ran after its change had been handled, never inside it.
    ASSERT_GE(clicksSeenAtChange.size(), 3u);
    EXPECT_EQ(clicksSeenAtChange[1], 0u); // "" arrived; its click not run yet
    EXPECT_EQ(clicksSeenAtChange[2], 1u); // "heard" arrived; its click not run yet

    Link().ClearDynReport();
    Link().SendA("dyn(unheard again)");
    EXPECT_TRUE(WaitUntil([&] { return Link().DynDDE() == "unheard again"; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(clicks.size(), 2u);
}

} // namespace
} // namespace talvex::test
