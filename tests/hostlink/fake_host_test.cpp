// What a well-behaved host never sends: malformed lines, unknown methods,
// refusals, oversized lines, a close mid-request.
#include "hostlink/host_link.h"
#include "tests/hostlink/fake_host.h"
#include "tests/hostlink/test_support.h"

#include <gtest/gtest.h>

#include <QTimer>

#include <string>

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
    bool cancelReturned = false;
    link_.SetHardCancelNotice([&] { link_.DropLink(); }); // what the user's "Yes" does
    QTimer::singleShot(50, [&] {
        link_.HardCancel();
        link_.HardCancel(); // a second press does not restart the clock
        cancelReturned = true;
    });
    link_.SendA("wait(60000)");
    EXPECT_TRUE(cancelReturned);
    EXPECT_EQ(link_.ReturnStr(), kLinkDroppedReply);
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

TEST_F(FakeHostTest, AHostClosingDuringARequestEndsTheWait) {
    fake_->Run([](FakeConnection& c) { c.ReadCall("request"); });
    LinkUp();
    link_.Send("hardcancel");
    EXPECT_EQ(link_.ReturnStr(), HostLink::kLinkLostText);
    EXPECT_TRUE(link_.LinkLost());
}

} // namespace
} // namespace talvex::test
