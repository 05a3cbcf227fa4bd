// The command set as both simulators serve it, on UTF-8 texts. The socket
// and DDE tests cover the commands end to end; these rows pin what the move
// to plain strings could change.
#include "simhost/command_interpreter.h"
#include "simhost/execute_queue.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace talvex::simhost {
namespace {

using Kind = CommandOutcome::Kind;

struct Host {
    std::vector<std::string> dynamic;
    std::string text;
    CommandInterpreter interpreter{[this](const std::string& d) { dynamic.push_back(d); },
                                   [this](const std::string& t) { text += t; }};
    std::string Run(const std::string& command, CommandWay way = CommandWay::Execute) {
        return interpreter.Run(command, way).text;
    }
};

TEST(CommandInterpreterTest, NonAsciiTextsPassThroughAndOnlyAsciiLettersFold) {
    Host host;
    const struct {
        const char* command;
        const char* response;
    } steps[] = {
        {"echo(12\u00B10.5 \u00E9\u20AC\U0001F600)", "12\u00B10.5 \u00E9\u20AC\U0001F600"},
        {"set(T\u00E9mp = 20\u00B11 , \u00C4=upper)", "OK"},
        {"get(TEMP, t\u00E9mp, \u00E4, \u00C4)",
         "TEMP=, t\u00E9mp=20\u00B11, \u00E4=, \u00C4=upper"},
        {"\u00C9cho(x)", "Error: unknown command: \u00C9cho(x)"},
        {"dyn(\u00B1)", "OK"},
        {"rtftextnl(\u00FC)", "OK"},
        {"wait(\u0661)", "Error: wait needs a whole number of milliseconds: \u0661"},
    };
    for (const auto& step : steps)
        EXPECT_EQ(host.Run(step.command), step.response) << step.command;
    EXPECT_EQ(host.dynamic, std::vector<std::string>{"\u00B1"});
    EXPECT_EQ(host.text, "\u00FC\n");
}

TEST(CommandInterpreterTest, MeasureKeepsItsSequenceAndWritesAPointWithFourDecimals) {
    Host host;
    EXPECT_EQ(host.Run("measure(T)"), "T=57.7893\u00B10.0812");
    EXPECT_EQ(host.Run(" Measure( T ) ", CommandWay::Request), "T=29.3990\u00B10.0902");
    EXPECT_EQ(host.Run("MEASURE(T)"), "T=78.2905\u00B10.0223");
}

TEST(CommandInterpreterTest, TheValueBoundCountsCharactersNotBytes) {
    Host host;
    // One character of name and the rest of the bound in two-byte characters.
    std::string value;
    for (std::size_t i = 1; i < CommandInterpreter::kMaxValueCharacters; ++i)
        value += "\u00B1";
    EXPECT_EQ(host.Run("set(v=" + value + ")"), "OK");
    EXPECT_EQ(host.Run("set(w=1)"),
              "Error: set would keep more than 10000 values or 16777216 characters; nothing "
              "was set");
    // Replacing the value with a shorter one makes room again.
    EXPECT_EQ(host.Run("set(v=\u00B1, w=\u20AC)"), "OK");
    EXPECT_EQ(host.Run("get(w)"), "w=\u20AC");
}

std::string GetOf(const char* name, std::size_t times) {
    std::string command = "get(";
    for (std::size_t i = 0; i < times; ++i)
        command += i == 0 ? name : std::string(",") + name;
    return command + ")";
}

TEST(CommandInterpreterTest, NoReplyPassesTheLineCap) {
    Host host;
    const std::string million(1000000, 'm');
    ASSERT_EQ(host.Run("set(v=" + million + ")"), "OK");
    const std::string overCap(kMaxLineBytes + 1, 'o');
    const std::string tooLong = "Error: reply would exceed 67108864 bytes";
    const struct {
        const char* what;
        std::string command;
        std::size_t replyBytes; // 0: the reply is tooLong
    } rows[] = {
        // 67 fields of "v=" and the value, joined by ", ", fit; one more does not.
        {"67 fields", GetOf("v", 67), 67 * 1000002 + 66 * 2},
        {"68 fields", GetOf("v", 68), 0},
        {"300 fields from a short request", GetOf(" V ", 300), 0},
        {"echo", "echo(" + overCap + ")", 0},
        {"echo at the cap", "echo(" + overCap.substr(1) + ")", kMaxLineBytes},
        {"unknown command", "no" + overCap, 0},
        {"dyn", "dyn(" + overCap + ")", 0},
    };
    for (const auto& row : rows) {
        const CommandOutcome outcome = host.interpreter.Run(row.command, CommandWay::Request);
        EXPECT_EQ(outcome.kind, Kind::Answer) << row.what;
        if (row.replyBytes == 0)
            EXPECT_EQ(outcome.text, tooLong) << row.what;
        else
            EXPECT_EQ(outcome.text.size(), row.replyBytes) << row.what;
    }
    EXPECT_TRUE(host.dynamic.empty()) << "dynamic data past the cap is not pushed";
}

TEST(CommandInterpreterTest, TheReplyCapCountsBytesAsTheHostWritesThem) {
    // A host that writes every quote as two bytes.
    Host host;
    CommandInterpreter quoting([&](const std::string& d) { host.dynamic.push_back(d); },
                               [](const std::string&) {},
                               ReplyBound{[](std::string_view text) {
                                              std::size_t bytes = text.size();
                                              for (char c : text)
                                                  bytes += c == '"';
                                              return bytes;
                                          },
                                          12});
    EXPECT_EQ(quoting.Run("set(q=\"\"\"\")", CommandWay::Execute).text, "OK");
    EXPECT_EQ(quoting.Run("get(q)", CommandWay::Execute).text, "q=\"\"\"\"");
    EXPECT_EQ(quoting.Run("get(q,q)", CommandWay::Execute).text,
              CommandInterpreter::ReplyTooLongResponse());
    EXPECT_EQ(quoting.Run("dyn(\"\"\"\"\"\"\")", CommandWay::Execute).text,
              CommandInterpreter::ReplyTooLongResponse());
    EXPECT_EQ(quoting.Run("dyn(\"\"\"\"\"x)", CommandWay::Execute).text, "OK");
    EXPECT_EQ(host.dynamic, std::vector<std::string>{"\"\"\"\"\"x"});
}

TEST(ExecuteQueueTest, TheWaitingBoundCountsCharactersNotBytes) {
    ExecuteQueue queue;
    const std::string wide = "echo(" + std::string(ExecuteQueue::kMaxCharacters / 2 - 6, 'x') + ")";
    std::string twoByte;
    for (std::size_t i = 0; i < ExecuteQueue::kMaxCharacters / 2; ++i)
        twoByte += "\u00E9";
    queue.Push(wide);
    queue.Push(twoByte); // exactly at the bound in characters, over it in bytes
    queue.Push("x");     // past the bound: refused, answered in turn
    EXPECT_EQ(queue.CommandsHeld(), 2u);
    EXPECT_EQ(queue.CharactersHeld(), ExecuteQueue::kMaxCharacters);
    EXPECT_EQ(queue.Pop(), wide);
    EXPECT_EQ(queue.Pop(), twoByte);
    EXPECT_EQ(queue.Pop(), std::nullopt);
    EXPECT_TRUE(queue.Empty());
}

} // namespace
} // namespace talvex::simhost
