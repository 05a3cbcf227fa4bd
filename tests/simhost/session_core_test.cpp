// The simulator's sessions over a fake transport: who gets which response and
// when, what a hard cancel ends, and when an Exit ends a link or the host.
// The socket and DDE tests check that each transport carries these.
#include "simhost/execute_queue.h"
#include "simhost/session_core.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace talvex::simhost {
namespace {

// Records what the core asks of the transport as one line each.
struct FakePort : SessionPort {
    std::vector<std::string> events;
    std::set<ClientId> timers;
    bool connectionWaiting = false;

    void Respond(ClientId client, const std::string& response) override {
        events.push_back(std::to_string(client) + ": " + response);
    }
    void PushDynamic(const std::string& data) override { events.push_back("dyn: " + data); }
    void StartTimer(ClientId client, int ms) override {
        timers.insert(client);
        events.push_back(std::to_string(client) + " timer " + std::to_string(ms));
    }
    void StopTimer(ClientId client) override { timers.erase(client); }
    void ScheduleEnd() override {}
    bool ConnectionWaiting() const override { return connectionWaiting; }
    void EndClient(ClientId client) override { events.push_back("end " + std::to_string(client)); }
    void EndHost() override { events.push_back("end host"); }
};

// A step is "N x COMMAND" (client N executes), "N r COMMAND" (requests),
// "N fire" (its timer fires), "join", "N leave", "loop" (the transport's
// loop runs what ScheduleEnd asked for), "waiting" / "none waiting" (a
// connection the transport has not joined yet), "shutdown" (a signal). A
// trailing " *K" repeats a step or an expected line K times.
struct SessionCase {
    const char* name;
    std::vector<std::string> steps;
    std::vector<std::string> expected;
};

std::vector<std::string> Expand(const std::vector<std::string>& lines) {
    std::vector<std::string> out;
    for (const std::string& line : lines) {
        const std::size_t star = line.rfind(" *");
        const bool repeated = star != std::string::npos &&
                              line.find_first_not_of("0123456789", star + 2) == std::string::npos;
        const int count = repeated ? std::stoi(line.substr(star + 2)) : 1;
        for (int i = 0; i < count; ++i)
            out.push_back(repeated ? line.substr(0, star) : line);
    }
    return out;
}

std::vector<std::string> Play(const std::vector<std::string>& steps) {
    FakePort port;
    SessionCore core(port, [](const std::string&) {});
    core.Join();
    for (const std::string& step : Expand(steps)) {
        std::istringstream words(step);
        std::string first, verb;
        words >> first >> verb;
        std::string command;
        std::getline(words >> std::ws, command);
        if (first == "join") {
            port.events.push_back("joined " + std::to_string(core.Join()));
        } else if (first == "loop") {
            core.EndLeaving();
        } else if (first == "waiting") {
            port.connectionWaiting = true;
        } else if (first == "none") {
            port.connectionWaiting = false;
        } else if (first == "shutdown") {
            core.ShutDown();
        } else {
            const ClientId client = std::stoull(first);
            if (verb == "x") {
                core.Execute(client, command);
            } else if (verb == "r") {
                core.Request(client, command, [&](const std::string& text) {
                    port.events.push_back(first + " reply: " + text);
                });
            } else if (verb == "fire") {
                // A stopped timer never fires.
                if (port.timers.count(client))
                    core.WaitElapsed(client);
                else
                    port.events.push_back(first + " no timer");
            } else if (verb == "leave") {
                core.Leave(client);
            }
        }
    }
    return port.events;
}

const std::string kRefused = ExecuteQueue::RefusedResponse();

const SessionCase kCases[] = {
    {"AnswersComeAtOnceAndRequestsAnswerInTheirReply",
     {"1 x echo(a)", "1 r echo(b)", "1 x dyn(d)"},
     {"1: a", "1 reply: b", "dyn: d", "1: OK"}},
    {"ExecutesWaitTheirTurnBehindAWait",
     {"1 x wait(20)", "1 x echo(q)", "1 r echo(meanwhile)", "1 fire", "1 x echo(after)", "1 fire"},
     {"1 timer 20", "1 reply: meanwhile", "1: waited=20", "1: q", "1: after", "1 no timer"}},
    {"AQueuedWaitStartsWhenItsTurnComes",
     {"1 x wait(5)", "1 x wait(7)", "1 x echo(q)", "1 fire", "1 fire"},
     {"1 timer 5", "1: waited=5", "1 timer 7", "1: waited=7", "1: q"}},
    {"HardcancelRequestEndsAWaitAndWhatWaitsBehindItBeforeItsReply",
     {"1 x wait(60000)", "1 x echo(q)", "1 x echo(r)", "1 r hardcancel", "1 fire"},
     {"1 timer 60000", "1: cancelled", "1: cancelled", "1: cancelled", "1 reply: OK",
      "1 no timer"}},
    {"SilentAnswersOnlyAtTheNextHardcancel",
     {"1 x silent()", "1 r echo(meanwhile)", "1 x echo(q)", "1 r hardcancel", "1 x echo(a)"},
     {"1 reply: meanwhile", "1: cancelled", "1: cancelled", "1 reply: OK", "1: a"}},
    {"HardcancelExecuteSkipsTheQueueEndsSilentThenAnswersItself",
     {"1 x silent()", "1 x echo(q)", "1 x hardcancel"},
     {"1: cancelled", "1: cancelled", "1: OK"}},
    {"HardcancelWithNothingPendingOnlyAnswers",
     {"1 r hardcancel", "1 x hardcancel"},
     {"1 reply: OK", "1: OK"}},
    {"HardcancelOfOneClientLeavesAnothersWork",
     {"join", "1 x silent()", "2 x wait(30)", "2 r hardcancel", "1 r hardcancel", "1 fire"},
     {"joined 2", "2 timer 30", "2: cancelled", "2 reply: OK", "1: cancelled", "1 reply: OK",
      "1 no timer"}},
    {"EachClientGetsOnlyItsOwnResponses",
     {"join", "1 x wait(40)", "2 x echo(two)", "1 x echo(one)", "1 fire"},
     {"joined 2", "1 timer 40", "2: two", "1: waited=40", "1: one"}},
    {"PastTheQueueBoundExecutesAreRefusedInTurnAndTheClientStays",
     {"1 x wait(50)", "1 x echo(q) *1001", "1 fire", "1 x echo(after)"},
     {"1 timer 50", "1: waited=50", "1: q *1000", "1: " + kRefused, "1: after"}},
    {"AHardcancelAnswersRefusedExecutesCancelledToo",
     {"1 x silent()", "1 x echo(q) *1002", "1 x hardcancel", "1 x echo(after)"},
     {"1: cancelled *1003", "1: OK", "1: after"}},
    {"ALeavingClientsWaitEndsUnansweredAndTheHostServesOn",
     {"join", "1 x wait(30)", "1 x echo(q)", "2 x silent()", "1 leave", "2 leave", "1 fire", "join",
      "3 x echo(next)"},
     {"joined 2", "1 timer 30", "1 no timer", "joined 3", "3: next"}},
    {"ExitOfTheOnlyClientEndsTheHostAfterItsReply",
     {"1 r EXIT", "loop", "1 x echo(late)"},
     {"1 reply: OK", "end host"}},
    {"ExitWhileOthersAreLinkedEndsOnlyItsLinkUntilTheLastLeaves",
     {"join", "1 x wait(200)", "2 x exit", "loop", "1 fire", "1 r echo(still)", "1 leave", "loop"},
     {"joined 2", "1 timer 200", "end 2", "1: waited=200", "1 reply: still", "end host"}},
    {"ExitSkipsTheQueueAndALeavingClientRunsNoMoreOfIt",
     {"join", "1 x wait(10)", "1 x Exit", "1 x echo(never)", "1 fire", "loop", "2 x echo(b)"},
     {"joined 2", "1 timer 10", "1: waited=10", "end 1", "2: b"}},
    {"AClientLinkingWhileTheLastExitsKeepsTheHostUntilItLeaves",
     {"waiting", "1 r exit", "loop", "join", "none waiting", "2 r echo(in)", "2 leave", "loop"},
     {"1 reply: OK", "end 1", "joined 2", "2 reply: in", "end host"}},
    {"ASignalEndsTheHostAndEveryTimer",
     {"1 x wait(100)", "shutdown", "1 fire", "1 x echo(late)"},
     {"1 timer 100", "end host", "1 no timer"}},
};

class SessionCoreTest : public ::testing::TestWithParam<SessionCase> {};

TEST_P(SessionCoreTest, TransportSeesTheseEvents) {
    EXPECT_EQ(Play(GetParam().steps), Expand(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Sessions, SessionCoreTest, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The reply cap is the transport's: a reply that would pass it is refused whole.
TEST(SessionCoreReplyCapTest, ARequestPastTheTransportsCapGetsTheRefusal) {
    FakePort port;
    SessionCore core(
        port, [](const std::string&) {}, ReplyBound{{}, 8});
    const ClientId client = core.Join();
    std::string reply;
    core.Request(client, "echo(12345678)", [&](const std::string& text) { reply = text; });
    EXPECT_EQ(reply, "12345678");
    core.Request(client, "echo(123456789)", [&](const std::string& text) { reply = text; });
    EXPECT_EQ(reply, CommandInterpreter::ReplyTooLongResponse());
}

} // namespace
} // namespace talvex::simhost
