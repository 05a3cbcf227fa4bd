// What each simulator command answers, by execute and by request.
#include "tests/korva32/host_process.h"
#include "tests/korva32/test_client.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace talvex::korva::test {
namespace {

using CommandTest = HostTest;

struct CommandCase {
    const char* command;
    const char* executed;  // response on the asynchronous topic
    const char* requested; // data of a request's reply
};

// Commands whose answer does not depend on earlier commands.
const CommandCase kCommands[] = {
    {"echo(Hello, World)", "Hello, World", "Hello, World"},
    {"echo()", "OK", "OK"},
    {"echo", "OK", "OK"},
    {"echo( spaced )", " spaced ", " spaced "},
    {"echo(a(b)c)", "a(b)c", "a(b)c"},
    {"echo(no closing", "no closing", "no closing"},
    {"echo(inside) after", "inside", "inside"},
    {"  ECHO  (upper)", "upper", "upper"},
    {"Echo(two\r\nlines)", "two\r\nlines", "two\r\nlines"},
    {"echo(12\u00B10.5 \u00FC)", "12\u00B10.5 \u00FC", "12\u00B10.5 \u00FC"},
    // Every character the host's line writer must escape, and some it must not.
    {"echo(\"q\" \\ \t\b\f\x01\x1f/\x7f \u20AC\U0001F600)",
     "\"q\" \\ \t\b\f\x01\x1f/\x7f \u20AC\U0001F600",
     "\"q\" \\ \t\b\f\x01\x1f/\x7f \u20AC\U0001F600"},
    {"Windows(MAIN,MINIMIZED)", "OK", "OK"},
    {"windows", "OK", "OK"},
    {"hardcancel", "OK", "OK"},
    {"HARDCANCEL", "OK", "OK"},
    {"dyn(nobody listens)", "OK", "OK"},
    {"set(a=1)", "OK", "OK"},
    {"set(no pair)", "OK", "OK"},
    {"wait(0)", "waited=0", "Error: wait can only be executed, not requested"},
    {"wait(007)", "waited=7", "Error: wait can only be executed, not requested"},
    {"WAIT( 12 )", "waited=12", "Error: wait can only be executed, not requested"},
    {"wait(x)", "Error: wait needs a whole number of milliseconds: x",
     "Error: wait can only be executed, not requested"},
    {"wait()", "Error: wait needs a whole number of milliseconds: ",
     "Error: wait can only be executed, not requested"},
    {"wait(-5)", "Error: wait needs a whole number of milliseconds: -5",
     "Error: wait can only be executed, not requested"},
    {"wait(1.5)", "Error: wait needs a whole number of milliseconds: 1.5",
     "Error: wait can only be executed, not requested"},
    {"wait(99999999999)", "Error: wait is limited to 2147483647 milliseconds: 99999999999",
     "Error: wait can only be executed, not requested"},
    {"get()", "Error: get needs at least one name", "Error: get needs at least one name"},
    {"measure( )", "Error: measure needs a name", "Error: measure needs a name"},
    {"frobnicate(1)", "Error: unknown command: frobnicate(1)",
     "Error: unknown command: frobnicate(1)"},
    {" echoes(x)", "Error: unknown command:  echoes(x)", "Error: unknown command:  echoes(x)"},
    {"exit now", "Error: unknown command: exit now", "Error: unknown command: exit now"},
    {"silently()", "Error: unknown command: silently()", "Error: unknown command: silently()"},
    {"", "Error: unknown command: ", "Error: unknown command: "},
};

TEST_F(CommandTest, EachCommandAnswersByExecuteAndByRequest) {
    TestClient client;
    ASSERT_TRUE(client.ConnectTo(socketPath));
    int id = 0;
    for (const CommandCase& c : kCommands) {
        const QString command = QString::fromUtf8(c.command);
        EXPECT_EQ(client.ExecuteAndRespond(++id, command), QString::fromUtf8(c.executed))
            << "execute " << c.command;
        EXPECT_EQ(client.RequestData(++id, command), QString::fromUtf8(c.requested))
            << "request " << c.command;
    }
}

TEST_F(CommandTest, ValuesKeepTheirValueAndAreFoundWithoutRegardToCase) {
    TestClient client;
    ASSERT_TRUE(client.ConnectTo(socketPath));
    const struct {
        bool execute;
        const char* command;
        const char* response;
    } steps[] = {
        {true, "set(Temp=20, Mode = fast ,junk, =7, Power=)", "OK"},
        {false, "get(temp, MODE, power, missing)", "temp=20, MODE=fast, power=, missing="},
        {true, "SET(TEMP=25)", "OK"},
        {false, "get(Temp)", "Temp=25"},
        {false, "set(Path=a=b)", "OK"},
        {true, "get( path ,, mode )", "path=a=b, mode=fast"},
        {false, "GeT(tEmP)", "tEmP=25"},
    };
    int id = 0;
    for (const auto& step : steps) {
        const QString command = QString::fromUtf8(step.command);
        const QString got = step.execute ? client.ExecuteAndRespond(++id, command)
                                         : client.RequestData(++id, command);
        EXPECT_EQ(got, QString::fromUtf8(step.response)) << step.command;
    }
}

TEST_F(CommandTest, ValuesAreSharedBetweenClients) {
    TestClient setter;
    TestClient reader;
    ASSERT_TRUE(setter.ConnectTo(socketPath));
    ASSERT_TRUE(reader.ConnectTo(socketPath));
    EXPECT_EQ(setter.ExecuteAndRespond(1, u"set(Gain=3)"_s), u"OK"_s);
    EXPECT_EQ(reader.RequestData(1, u"get(gain)"_s), u"gain=3"_s);
}

std::vector<QString> ThreeMeasurements(const std::string& socketPath) {
    TestClient client;
    EXPECT_TRUE(client.ConnectTo(socketPath));
    return {client.ExecuteAndRespond(1, u"measure(Temp)"_s),
            client.RequestData(2, u"measure( Temp )"_s),
            client.ExecuteAndRespond(3, u"Measure(Temp)"_s)};
}

TEST_F(CommandTest, MeasureRepeatsTheSameSequenceInEveryHostProcess) {
    const std::vector<QString> first = ThreeMeasurements(socketPath);

    const QRegularExpression shape(QStringLiteral("^Temp=(\\d+\\.\\d{4})\u00B1(\\d+\\.\\d{4})$"));
    for (const QString& response : first) {
        const QRegularExpressionMatch match = shape.match(response);
        ASSERT_TRUE(match.hasMatch()) << response.toStdString();
        const double value = match.captured(1).toDouble();
        const double errorBar = match.captured(2).toDouble();
        EXPECT_GE(value, 10.0);
        EXPECT_LE(value, 100.0);
        EXPECT_GT(errorBar, 0.0);
        EXPECT_LE(errorBar, 0.1);
    }
    EXPECT_NE(first[0], first[1]);
    EXPECT_NE(first[1], first[2]);

    host.Kill();
    ASSERT_TRUE(StartHost(host));
    EXPECT_EQ(ThreeMeasurements(socketPath), first);
}

TEST_F(CommandTest, RtftextnlAppendsLinesToStandardOutput) {
    TestClient client;
    ASSERT_TRUE(client.ConnectTo(socketPath));
    EXPECT_EQ(client.ExecuteAndRespond(1, u"rtftextnl(first line)"_s), u"OK"_s);
    EXPECT_EQ(client.ExecuteAndRespond(2, u"RtfTextNl(12\u00B10.5 (a))"_s), u"OK"_s);
    EXPECT_EQ(client.ExecuteAndRespond(3, u"rtftextnl()"_s), u"OK"_s);
    EXPECT_EQ(client.RequestData(4, u"rtftextnl(by request)"_s), u"OK"_s);
    ASSERT_TRUE(client.WriteMessage(TestClient::Execute(5, u"Exit"_s)));
    int status = -2;
    ASSERT_TRUE(host.WaitForExit(&status));
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadFile(stdoutPath), "first line\n12\u00B10.5 (a)\n\nby request\n");
}

} // namespace
} // namespace talvex::korva::test
