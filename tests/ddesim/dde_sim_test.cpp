// korva32-sim as a DDEML client sees it: requests, executes answered on the
// client's own hot link, dynamic data for every advised client, hard cancel,
// Windows-1252 on the wire, and the host's end after the last Exit.
#include "ddesim/cf_text.h"
#include "tests/ddesim/dde_test_client.h"
#include "tests/ddesim/sim_process.h"

#include <gtest/gtest.h>

#include <memory>

namespace talvex::ddesim::test {
namespace {

using namespace std::chrono_literals;

// Generous: only a guard against a hang, never a speed target.
constexpr auto kPatience = 10s;
// How long to watch for something that must not come.
constexpr auto kQuiet = 300ms;

class DdeSimTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.Start());
        ASSERT_TRUE(first.Connect(sim.Service(), kPatience)) << sim.Errors();
    }

    std::optional<std::string> ExecuteAndRespond(DdeTestClient& client,
                                                 const std::wstring& command) {
        if (!client.Execute(command)) return std::nullopt;
        return client.NextResponse(kPatience);
    }

    SimProcess sim;
    DdeTestClient first;
};

// CF_TEXT bytes are Windows-1252: "\xB1" is "±", "\xE9" "é", "\x80" "€".
struct CommandCase {
    const wchar_t* command;
    const char* executed;  // pushed on DDE_AsyncResponse
    const char* requested; // a request's reply
};

const CommandCase kCommands[] = {
    {L"echo(Hello, World)", "Hello, World", "Hello, World"},
    {L"echo()", "OK", "OK"},
    {L"  ECHO  (a(b)c)", "a(b)c", "a(b)c"},
    {L"echo(12\u00B10.5 \u00E9\u20AC\u00FF)",
     "12\xB1"
     "0.5 \xE9\x80\xFF",
     "12\xB1"
     "0.5 \xE9\x80\xFF"},
    {L"wait(007)", "waited=7", "Error: wait can only be executed, not requested"},
    {L"wait(x)", "Error: wait needs a whole number of milliseconds: x",
     "Error: wait can only be executed, not requested"},
    {L"Windows(MAIN,MINIMIZED)", "OK", "OK"},
    {L"hardcancel", "OK", "OK"},
    {L"set(T\u00E9mp=20\u00B11)", "OK", "OK"},
    {L"get(t\u00E9mp)",
     "t\xE9mp=20\xB1"
     "1",
     "t\xE9mp=20\xB1"
     "1"},
    {L"frobnicate(1)", "Error: unknown command: frobnicate(1)",
     "Error: unknown command: frobnicate(1)"},
};

TEST_F(DdeSimTest, EachCommandAnswersByExecuteAndByRequest) {
    for (const CommandCase& c : kCommands) {
        EXPECT_EQ(ExecuteAndRespond(first, c.command), c.executed);
        EXPECT_EQ(first.Request(c.command), c.requested);
    }
    EXPECT_EQ(first.NextResponse(kQuiet), std::nullopt);
}

TEST_F(DdeSimTest, MeasureWritesPlusMinusAsOneCodePageByte) {
    const std::optional<std::string> reply = first.Request(L"measure(Temp)");
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->size(), std::string("Temp=12.3456\xB1").size() + 6) << *reply;
    EXPECT_EQ(reply->find("\xB1"), std::string("Temp=12.3456").size()) << *reply;
}

TEST_F(DdeSimTest, EachClientGetsOnlyItsOwnResponses) {
    DdeTestClient second;
    ASSERT_TRUE(second.Connect(sim.Service(), kPatience));
    ASSERT_TRUE(first.Execute(L"wait(300)"));
    ASSERT_TRUE(first.Execute(L"echo(first, queued)"));
    EXPECT_EQ(ExecuteAndRespond(second, L"echo(second)"), "second");
    EXPECT_EQ(first.NextResponse(kPatience), "waited=300");
    EXPECT_EQ(first.NextResponse(kPatience), "first, queued");
    EXPECT_EQ(second.NextResponse(kQuiet), std::nullopt);
    EXPECT_EQ(first.NextResponse(kQuiet), std::nullopt);
}

TEST_F(DdeSimTest, DynamicDataReachesEveryAdvisedClient) {
    DdeTestClient second;
    ASSERT_TRUE(second.Connect(sim.Service(), kPatience));
    EXPECT_EQ(ExecuteAndRespond(first, L"dyn(Temp=20\u00B11)"), "OK");
    EXPECT_EQ(first.NextDynamic(kPatience), "Temp=20\xB1"
                                            "1");
    EXPECT_EQ(second.NextDynamic(kPatience), "Temp=20\xB1"
                                             "1");
    EXPECT_EQ(second.Request(L"dyn(by request)"), "OK");
    EXPECT_EQ(first.NextDynamic(kPatience), "by request");
    EXPECT_EQ(second.NextDynamic(kPatience), "by request");
    EXPECT_EQ(second.NextResponse(kQuiet), std::nullopt);
}

TEST_F(DdeSimTest, HardcancelRequestEndsAWaitAndWhatWaitsBehindIt) {
    ASSERT_TRUE(first.Execute(L"wait(60000)"));
    ASSERT_TRUE(first.Execute(L"echo(behind the wait)"));
    // The host answers requests while the wait runs.
    EXPECT_EQ(first.Request(L"echo(meanwhile)"), "meanwhile");
    EXPECT_EQ(first.Request(L"hardcancel"), "OK");
    // After the reply, on the client's hot link.
    EXPECT_EQ(first.NextResponse(kPatience), "cancelled");
    EXPECT_EQ(first.NextResponse(kPatience), "cancelled");
    EXPECT_EQ(ExecuteAndRespond(first, L"echo(afterwards)"), "afterwards");
}

TEST_F(DdeSimTest, ExitEndsOneClientAndTheHostAfterTheLast) {
    auto second = std::make_unique<DdeTestClient>();
    ASSERT_TRUE(second->Connect(sim.Service(), kPatience));
    EXPECT_EQ(ExecuteAndRespond(first, L"rtftextnl(12\u00B10.5 (a))"), "OK");

    // Requested, Exit answers before the conversations end.
    EXPECT_EQ(second->Request(L"Exit"), "OK");
    EXPECT_TRUE(second->WaitForDisconnect(kPatience));
    EXPECT_EQ(ExecuteAndRespond(first, L"echo(still served)"), "still served");
    EXPECT_EQ(sim.WaitForExit(0), -1);

    EXPECT_TRUE(first.Execute(L"Exit"));
    EXPECT_TRUE(first.WaitForDisconnect(kPatience));
    EXPECT_EQ(sim.WaitForExit(10000), 0);
    EXPECT_EQ(sim.Output(), "12\xC2\xB1"
                            "0.5 (a)\n");
}

TEST_F(DdeSimTest, ASecondHostOfTheSameServiceRefusesToStart) {
    SimProcess rival(sim.Service());
    ASSERT_TRUE(rival.Start());
    EXPECT_EQ(rival.WaitForExit(10000), 2);
    EXPECT_EQ(rival.Errors(), "korva32-sim: the DDE service " +
                                  std::string(sim.Service().begin(), sim.Service().end()) +
                                  " is already served by another program\n");
    EXPECT_EQ(ExecuteAndRespond(first, L"echo(still here)"), "still here");
}

// Replies the code page cannot carry, as the host sends them.
TEST(CfTextTest, RepliesBecomeCodePageBytesOrANamedError) {
    const struct {
        const char* utf8;
        const char* wire;
    } cases[] = {
        {"12\xC2\xB1"
         "0.5",
         "12\xB1"
         "0.5"},
        {"\xE2\x82\xAC \xC3\xBF", "\x80 \xFF"},
        {"a\xF0\x9F\x98\x80"
         "b",
         "Error: the reply holds a character that Windows-1252 cannot carry: U+1F600"},
        {"\xE2\x88\x9A",
         "Error: the reply holds a character that Windows-1252 cannot carry: U+221A"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ToCfText(c.utf8), c.wire) << c.utf8;
    EXPECT_EQ(FromCfText("\xB1\xE9\x80"), "\xC2\xB1\xC3\xA9\xE2\x82\xAC");
}

} // namespace
} // namespace talvex::ddesim::test
