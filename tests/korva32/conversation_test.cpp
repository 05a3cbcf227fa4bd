// Who gets which line and in what order on the socket: replies and
// responses, a hard cancel's "cancelled" before its reply, dynamic data and
// several clients. The session core's tests cover the rest of the order.
#include "tests/korva32/host_process.h"
#include "tests/korva32/test_client.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace talvex::korva::test {
namespace {

using ConversationTest = HostTest;

const QString kAsync = QStringLiteral("DDE_AsyncResponse");
const QString kDynamic = QStringLiteral("DDE_DynamicData");

// The next lines the client receives must be exactly `expected`, in order.
void ExpectLines(TestClient& client, const std::vector<QJsonObject>& expected) {
    for (const QJsonObject& line : expected) {
        const auto got = client.Next();
        ASSERT_TRUE(got.has_value()) << "missing line";
        EXPECT_EQ(*got, line);
    }
}

TEST_F(ConversationTest, ExecuteReplyComesBeforeItsResponse) {
    TestClient client;
    ASSERT_TRUE(client.ConnectTo(socketPath));
    ASSERT_TRUE(client.WriteMessage(TestClient::Execute(7, u"echo(x)"_s)));
    ASSERT_TRUE(client.WriteMessage(TestClient::Execute(8, u"wait(30)"_s)));
    ExpectLines(client, {NullReply(7), Changed(kAsync, u"x"_s), NullReply(8),
                         Changed(kAsync, u"waited=30"_s)});
}

TEST_F(ConversationTest, HardcancelRequestEndsAWaitAtOnce) {
    TestClient client;
    ASSERT_TRUE(client.ConnectTo(socketPath));
    ASSERT_TRUE(client.WriteMessage(TestClient::Execute(1, u"wait(60000)"_s)));
    ExpectLines(client, {NullReply(1)});
    // A request is answered while the execute is still pending.
    ASSERT_TRUE(client.WriteMessage(TestClient::Request(2, u"echo(meanwhile)"_s)));
    ASSERT_TRUE(client.WriteMessage(TestClient::Request(3, u"hardcancel"_s)));
    ExpectLines(client, {DataReply(2, u"meanwhile"_s), Changed(kAsync, u"cancelled"_s),
                         DataReply(3, u"OK"_s)});
    EXPECT_EQ(client.ExecuteAndRespond(4, u"echo(after)"_s), u"after"_s);
}

// The bound of what the clients can make the host keep. The text names the
// bounds the host documents: 10000 values.
const QString kValuesFull = QStringLiteral(
    "Error: set would keep more than 10000 values or 16777216 characters; nothing was set");

TEST_F(ConversationTest, ASetPastTheValueBoundsStoresNothingAndTheLinkStays) {
    TestClient client;
    ASSERT_TRUE(client.ConnectTo(socketPath));
    QString many = QStringLiteral("set(");
    for (int i = 0; i < 10000; ++i)
        many += QStringLiteral("v%1=%1,").arg(i);
    EXPECT_EQ(client.RequestData(1, many + u"one=more)"_s), kValuesFull);
    EXPECT_EQ(client.RequestData(2, u"get(v0, one)"_s), u"v0=, one="_s);
    EXPECT_EQ(client.RequestData(3, many + u")"_s), u"OK"_s);
    // Changing a kept value needs no room; a new one does not fit.
    EXPECT_EQ(client.RequestData(4, u"set(V9999=changed)"_s), u"OK"_s);
    EXPECT_EQ(client.RequestData(5, u"set(extra=1)"_s), kValuesFull);
    EXPECT_EQ(client.RequestData(6, u"get(v9999, extra)"_s), u"v9999=changed, extra="_s);
}

TEST_F(ConversationTest, ValuesPastTheCharacterBoundAreRefused) {
    TestClient client;
    ASSERT_TRUE(client.ConnectTo(socketPath));
    const QString half(9 * 1024 * 1024, u'x');
    EXPECT_EQ(client.RequestData(1, u"set(a="_s + half + u")"_s), u"OK"_s);
    EXPECT_EQ(client.RequestData(2, u"set(b="_s + half + u")"_s), kValuesFull);
    // Replacing the long value frees its room.
    EXPECT_EQ(client.RequestData(3, u"set(a=short)"_s), u"OK"_s);
    EXPECT_EQ(client.RequestData(4, u"set(b="_s + half + u")"_s), u"OK"_s);
    EXPECT_EQ(client.RequestData(5, u"get(a)"_s), u"a=short"_s);
}

TEST_F(ConversationTest, DynamicDataGoesToEveryAdvisedClientOnly) {
    TestClient sender;
    TestClient listener;
    TestClient bystander;
    ASSERT_TRUE(sender.ConnectTo(socketPath));
    ASSERT_TRUE(listener.ConnectTo(socketPath));
    ASSERT_TRUE(bystander.ConnectTo(socketPath));
    for (TestClient* client : {&sender, &listener}) {
        ASSERT_TRUE(client->WriteMessage(TestClient::Advise(1, kDynamic)));
        ExpectLines(*client, {NullReply(1)});
    }
    ASSERT_TRUE(bystander.WriteMessage(TestClient::Advise(1, kAsync)));
    ExpectLines(bystander, {NullReply(1)});

    ASSERT_TRUE(sender.WriteMessage(TestClient::Execute(2, u"dyn(T=21.5, P=1013)"_s)));
    ExpectLines(sender,
                {NullReply(2), Changed(kDynamic, u"T=21.5, P=1013"_s), Changed(kAsync, u"OK"_s)});
    ExpectLines(listener, {Changed(kDynamic, u"T=21.5, P=1013"_s)});
    // The push is complete before the sender saw its response, so a bystander
    // line would now come before the bystander's own answer.
    EXPECT_EQ(bystander.ExecuteAndRespond(2, u"echo(own)"_s), u"own"_s);

    // A request pushes as well.
    ASSERT_TRUE(listener.WriteMessage(TestClient::Request(3, u"dyn()"_s)));
    ExpectLines(listener, {Changed(kDynamic, u""_s), DataReply(3, u"OK"_s)});
    ExpectLines(sender, {Changed(kDynamic, u""_s)});

    ASSERT_TRUE(listener.WriteMessage(TestClient::Call(
        4, u"unadvise"_s, QJsonObject{{u"topic"_s, kDynamic}, {u"item"_s, u"Data"_s}})));
    ExpectLines(listener, {NullReply(4)});
    ASSERT_TRUE(sender.WriteMessage(TestClient::Execute(5, u"dyn(late)"_s)));
    ExpectLines(sender, {NullReply(5), Changed(kDynamic, u"late"_s), Changed(kAsync, u"OK"_s)});
    EXPECT_EQ(listener.ExecuteAndRespond(5, u"echo(unadvised now)"_s), u"unadvised now"_s);
}

TEST_F(ConversationTest, ResponseComesEvenWithoutAdvise) {
    TestClient client;
    ASSERT_TRUE(client.ConnectTo(socketPath));
    EXPECT_EQ(client.ExecuteAndRespond(1, u"echo(unasked)"_s), u"unasked"_s);
}

} // namespace
} // namespace talvex::korva::test
