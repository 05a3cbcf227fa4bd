// Who gets which line and in what order on the socket: replies and
// responses, a hard cancel's "cancelled" before its reply, dynamic data and
// several clients. The session core's tests cover the rest of the order.
#include "tests/korva32/host_process.h"
#include "tests/korva32/test_client.h"

#include <gtest/gtest.h>

namespace talvex::korva::test {
namespace {

using ConversationTest = HostTest;

const QString kAsync = QStringLiteral("DDE_AsyncResponse");
const QString kDynamic = QStringLiteral("DDE_DynamicData");

// The next lines the client receives must be exactly `expected`, in order.
void expectLines(TestClient& client, const std::vector<QJsonObject>& expected) {
    for (const QJsonObject& line : expected) {
        const auto got = client.next();
        ASSERT_TRUE(got.has_value()) << "missing line";
        EXPECT_EQ(*got, line);
    }
}

TEST_F(ConversationTest, ExecuteReplyComesBeforeItsResponse) {
    TestClient client;
    ASSERT_TRUE(client.connectTo(socketPath));
    ASSERT_TRUE(client.writeMessage(TestClient::execute(7, "echo(x)")));
    ASSERT_TRUE(client.writeMessage(TestClient::execute(8, "wait(30)")));
    expectLines(client,
                {nullReply(7), changed(kAsync, "x"), nullReply(8), changed(kAsync, "waited=30")});
}

TEST_F(ConversationTest, HardcancelRequestEndsAWaitAtOnce) {
    TestClient client;
    ASSERT_TRUE(client.connectTo(socketPath));
    ASSERT_TRUE(client.writeMessage(TestClient::execute(1, "wait(60000)")));
    expectLines(client, {nullReply(1)});
    // A request is answered while the execute is still pending.
    ASSERT_TRUE(client.writeMessage(TestClient::request(2, "echo(meanwhile)")));
    ASSERT_TRUE(client.writeMessage(TestClient::request(3, "hardcancel")));
    expectLines(client,
                {dataReply(2, "meanwhile"), changed(kAsync, "cancelled"), dataReply(3, "OK")});
    EXPECT_EQ(client.executeAndRespond(4, "echo(after)"), "after");
}

// The bound of what the clients can make the host keep. The text names the
// bounds the host documents: 10000 values.
const QString kValuesFull = QStringLiteral(
    "Error: set would keep more than 10000 values or 16777216 characters; nothing was set");

TEST_F(ConversationTest, ASetPastTheValueBoundsStoresNothingAndTheLinkStays) {
    TestClient client;
    ASSERT_TRUE(client.connectTo(socketPath));
    QString many = QStringLiteral("set(");
    for (int i = 0; i < 10000; ++i)
        many += QStringLiteral("v%1=%1,").arg(i);
    EXPECT_EQ(client.requestData(1, many + "one=more)"), kValuesFull);
    EXPECT_EQ(client.requestData(2, "get(v0, one)"), "v0=, one=");
    EXPECT_EQ(client.requestData(3, many + ")"), "OK");
    // Changing a kept value needs no room; a new one does not fit.
    EXPECT_EQ(client.requestData(4, "set(V9999=changed)"), "OK");
    EXPECT_EQ(client.requestData(5, "set(extra=1)"), kValuesFull);
    EXPECT_EQ(client.requestData(6, "get(v9999, extra)"), "v9999=changed, extra=");
}

TEST_F(ConversationTest, ValuesPastTheCharacterBoundAreRefused) {
    TestClient client;
    ASSERT_TRUE(client.connectTo(socketPath));
    const QString half(9 * 1024 * 1024, u'x');
    EXPECT_EQ(client.requestData(1, "set(a=" + half + ")"), "OK");
    EXPECT_EQ(client.requestData(2, "set(b=" + half + ")"), kValuesFull);
    // Replacing the long value frees its room.
    EXPECT_EQ(client.requestData(3, "set(a=short)"), "OK");
    EXPECT_EQ(client.requestData(4, "set(b=" + half + ")"), "OK");
    EXPECT_EQ(client.requestData(5, "get(a)"), "a=short");
}

TEST_F(ConversationTest, DynamicDataGoesToEveryAdvisedClientOnly) {
    TestClient sender;
    TestClient listener;
    TestClient bystander;
    ASSERT_TRUE(sender.connectTo(socketPath));
    ASSERT_TRUE(listener.connectTo(socketPath));
    ASSERT_TRUE(bystander.connectTo(socketPath));
    for (TestClient* client : {&sender, &listener}) {
        ASSERT_TRUE(client->writeMessage(TestClient::advise(1, kDynamic)));
        expectLines(*client, {nullReply(1)});
    }
    ASSERT_TRUE(bystander.writeMessage(TestClient::advise(1, kAsync)));
    expectLines(bystander, {nullReply(1)});

    ASSERT_TRUE(sender.writeMessage(TestClient::execute(2, "dyn(T=21.5, P=1013)")));
    expectLines(sender, {nullReply(2), changed(kDynamic, "T=21.5, P=1013"), changed(kAsync, "OK")});
    expectLines(listener, {changed(kDynamic, "T=21.5, P=1013")});
    // The push is complete before the sender saw its response, so a bystander
    // line would now come before the bystander's own answer.
    EXPECT_EQ(bystander.executeAndRespond(2, "echo(own)"), "own");

    // A request pushes as well.
    ASSERT_TRUE(listener.writeMessage(TestClient::request(3, "dyn()")));
    expectLines(listener, {changed(kDynamic, ""), dataReply(3, "OK")});
    expectLines(sender, {changed(kDynamic, "")});

    ASSERT_TRUE(listener.writeMessage(
        TestClient::call(4, "unadvise", QJsonObject{{"topic", kDynamic}, {"item", "Data"}})));
    expectLines(listener, {nullReply(4)});
    ASSERT_TRUE(sender.writeMessage(TestClient::execute(5, "dyn(late)")));
    expectLines(sender, {nullReply(5), changed(kDynamic, "late"), changed(kAsync, "OK")});
    EXPECT_EQ(listener.executeAndRespond(5, "echo(unadvised now)"), "unadvised now");
}

TEST_F(ConversationTest, ResponseComesEvenWithoutAdvise) {
    TestClient client;
    ASSERT_TRUE(client.connectTo(socketPath));
    EXPECT_EQ(client.executeAndRespond(1, "echo(unasked)"), "unasked");
}

} // namespace
} // namespace talvex::korva::test
