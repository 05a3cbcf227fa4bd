// What a well-behaved host never sends: malformed lines, unknown methods,
// refusals, oversized lines, a close mid-request.
#include "hostlink/host_link.h"
#include "tests/hostlink/fake_host.h"
#include "tests/hostlink/test_support.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <string>
#include <vector>

namespace talvex::test {
namespace {

const std::string kAsync = "DDE_AsyncResponse";

class FakeHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        socket_ = dir_.File(QStringLiteral("s")).toStdString();
        fake_ = std::make_unique<FakeHost>(socket_);
        ASSERT_TRUE(fake_->Ok());
        link_.SetSocketPath(QString::fromStdString(socket_));
        link_.SetMessageHandler([](LinkMessageIcon, const QString&, const QString& text) {
            ADD_FAILURE() << text.toStdString();
        });
    }

    void TearDown() override {
        link_.Uninit(false);
        fake_->Join();
    }

    // The fake listens already, so the link never starts the path given here.
    void LinkUp() { ASSERT_TRUE(link_.Init(QStringLiteral("/nonexistent/korva32"), true)); }

    TempDir dir_;
    std::string socket_;
    std::unique_ptr<FakeHost> fake_;
    HostLink link_;
};

TEST_F(FakeHostTest, MalformedLinesAndUnknownMethodsAreIgnored) {
    fake_->Run([](FakeConnection& c) {
        const std::int64_t id = IdOf(c.ReadCall("execute"));
        c.Write("not json at all\n"
                "[1,2,3]\n"
                "\"just a string\"\n"
                "{\"jsonrpc\":\"2.0\",\"method\":\"bogus\",\"params\":{}}\n"
                "{\"jsonrpc\":\"2.0\",\"id\":999,\"result\":null}\n"
                "{\"jsonrpc\":\"2.0\",\"method\":\"changed\",\"params\":{\"topic\":\"" +
                kAsync + "\",\"item\":\"Data\",\"data\":42}}\n" + Changed("DDE_Nowhere", "\"x\"") +
                "\n\n"
                "{\"unfinished\": \n");
        c.Write(ResultNull(id) + Changed(kAsync, "\"fine\""));
        c.ReadLine();
    });
    LinkUp();
    link_.SendA("anything");
    EXPECT_EQ(link_.ReturnStr(), "fine");
    EXPECT_FALSE(link_.LinkLost());
    EXPECT_TRUE(link_.IsLinked());
}

// SendA's response is the first non-empty push after its execute's reply.
TEST_F(FakeHostTest, SendAsResponseIsTheFirstNonEmptyPushAfterItsReply) {
    fake_->Run([](FakeConnection& c) {
        std::int64_t id = IdOf(c.ReadCall("execute"));
        c.Write(ResultNull(id) + Changed(kAsync, "\"\""));
        c.Pause(100);
        c.Write(Changed(kAsync, "\"the real one\""));
        id = IdOf(c.ReadCall("execute"));
        c.Write(Changed(kAsync, "\"left over\"") + ResultNull(id) + Changed(kAsync, "\"fresh\""));
        c.ReadLine();
    });
    LinkUp();
    link_.SendA("slow");
    EXPECT_EQ(link_.ReturnStr(), "the real one");
    link_.SendA("now");
    EXPECT_EQ(link_.ReturnStr(), "fresh");
}

TEST_F(FakeHostTest, ARefusedExecuteEndsTheWaitWithAnError) {
    fake_->Run([](FakeConnection& c) {
        const std::int64_t id = IdOf(c.ReadCall("execute"));
        c.Write("{\"jsonrpc\":\"2.0\",\"id\":" + std::to_string(id) +
                ",\"error\":{\"code\":-32602,\"message\":\"invalid params\"}}\n");
        c.ReadLine();
    });
    LinkUp();
    link_.SendA("refused");
    EXPECT_EQ(link_.ReturnStr(), "Error: KORVA refused the command: invalid params");
    EXPECT_TRUE(link_.Error());
    EXPECT_FALSE(link_.LinkLost());
}

TEST_F(FakeHostTest, AnOversizedReplyIsRefusedAsTheCommandsReplyWithoutBufferingIt) {
    constexpr std::size_t kTotal = std::size_t(70) << 20; // past the 64 MiB cap
    fake_->Run([](FakeConnection& c) {
        std::int64_t id = IdOf(c.ReadCall("execute"));
        c.Write(ResultNull(id) +
                "{\"jsonrpc\":\"2.0\",\"method\":\"changed\",\"params\":{\"data\":\"");
        const std::string block(std::size_t(1) << 20, 'x');
        for (std::size_t sent = 0; sent < kTotal; sent += block.size())
            c.Write(block);
        c.Write("\"}}\n");
        id = IdOf(c.ReadCall("execute"));
        c.Write(ResultNull(id) + Changed(kAsync, "\"after the flood\""));
        c.ReadLine();
    });
    LinkUp();
    link_.SendA("flood");
    EXPECT_EQ(link_.ReturnStr(), "Error: KORVA's reply is too long (over 67108864 bytes)");
    EXPECT_TRUE(link_.Error());
    link_.SendA("next");
    EXPECT_EQ(link_.ReturnStr(), "after the flood");
    EXPECT_FALSE(link_.LinkLost());
    EXPECT_EQ(link_.Transport().OversizedCount(), 1);
    EXPECT_LE(link_.Transport().PeakBuffered(), HostTransport::kMaxLine);
}

TEST_F(FakeHostTest, ASetUpThatIsNeverAnsweredFailsInBoundedTime) {
    fake_->Run([](FakeConnection& c) {
        while (!c.ReadLine().empty()) {
        } // takes the connection, answers nothing
    });
    QString told;
    link_.SetMessageHandler(
        [&](LinkMessageIcon, const QString&, const QString& text) { told = text; });
    link_.SetSetupTimeout(200);
    EXPECT_FALSE(link_.Init(QStringLiteral("/nonexistent/korva32"), true));
    EXPECT_EQ(told,
              QStringLiteral("Could not initialize KORVA DDE link\nthe host does not answer"));
    EXPECT_FALSE(link_.IsLinked());
}

TEST_F(FakeHostTest, ARunningHostIsLinkedWhenItsProgramCannotBeFound) {
    fake_->Run([](FakeConnection& c) {
        const std::int64_t id = IdOf(c.ReadCall("execute"));
        c.Write(ResultNull(id) + Changed(kAsync, "\"here\""));
        c.ReadLine();
    });
    link_.SetHostSearch(HostSearch{}); // nothing anywhere
    ASSERT_TRUE(link_.Init(QString(), true));
    EXPECT_TRUE(link_.HostDir().isEmpty());
    link_.SendA("echo(here)");
    EXPECT_EQ(link_.ReturnStr(), "here");
}

// The host takes a command and then freezes: it reads on but never answers.
TEST_F(FakeHostTest, AHardCancelToAFrozenHostDoesNotWaitAndTheLinkCanBeDropped) {
    std::string seen;
    fake_->Run([&seen](FakeConnection& c) {
        const std::int64_t id = IdOf(c.ReadCall("execute"));
        c.Write(ResultNull(id));
        for (std::string line = c.ReadLine(); !line.empty(); line = c.ReadLine())
            seen += line + "\n";
    });
    LinkUp();
    link_.SetHardCancelGrace(100);
    int notices = 0;
    bool cancelReturned = false;
    link_.SetHardCancelNotice([&] {
        ++notices;
        EXPECT_TRUE(link_.HardCancelUnanswered());
        link_.DropLink(); // what the user's "Yes" does
    });
    QTimer::singleShot(50, [&] {
        link_.HardCancel();
        link_.HardCancel(); // a second press does not restart the clock
        cancelReturned = true;
    });
    link_.SendA("wait(60000)");
    EXPECT_TRUE(cancelReturned);
    EXPECT_EQ(notices, 1);
    EXPECT_EQ(link_.ReturnStr(), kLinkDroppedReply);
    EXPECT_TRUE(link_.LinkLost());
    EXPECT_FALSE(link_.HardCancelUnanswered());
    link_.Uninit(false);
    fake_->Join();
    // Two hard cancels went out, and nothing else: no Exit to the frozen host.
    EXPECT_EQ(seen.find("Exit"), std::string::npos);
    std::size_t cancels = 0;
    for (std::size_t at = seen.find("hardcancel"); at != std::string::npos;
         at = seen.find("hardcancel", at + 1))
        ++cancels;
    EXPECT_EQ(cancels, 2u);
}

TEST_F(FakeHostTest, AHardCancelThatIsAnsweredGivesNoNoticeAndASlowCommandIsToldOnce) {
    fake_->Run([](FakeConnection& c) {
        const std::int64_t id = IdOf(c.ReadCall("execute"));
        c.Write(ResultNull(id));
        const std::int64_t cancel = IdOf(c.ReadCall("request"));
        c.Write(ResultData(cancel, "\"OK\"") + Changed(kAsync, "\"cancelled\""));
        c.ReadLine();
    });
    LinkUp();
    link_.SetHardCancelGrace(100);
    link_.SetSlowReplyAfter(50);
    int notices = 0;
    std::vector<std::string> slow;
    link_.SetHardCancelNotice([&] { ++notices; });
    link_.SetSlowReplyNotice([&](const std::string& command) {
        slow.push_back(command);
        link_.HardCancel();
    });
    link_.SendA("wait(60000)");
    EXPECT_EQ(link_.ReturnStr(), "cancelled");
    EXPECT_EQ(slow, std::vector<std::string>{"wait(60000)"});
    WaitUntil([] { return false; }, 200); // past the grace: a clock left running would fire
    EXPECT_EQ(notices, 0);
    EXPECT_FALSE(link_.HardCancelUnanswered());
}

TEST_F(FakeHostTest, AHostClosingDuringARequestEndsTheWait) {
    fake_->Run([](FakeConnection& c) { c.ReadCall("request"); });
    LinkUp();
    link_.Send("hardcancel");
    EXPECT_EQ(link_.ReturnStr(), HostLink::kLinkLostText);
    EXPECT_TRUE(link_.LinkLost());
}

} // namespace
} // namespace talvex::test
