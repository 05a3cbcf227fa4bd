// Who gets which line and in what order: pending executes, hard cancel,
// dynamic data and several clients.
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

TEST_F(ConversationTest, SilentAnswersOnlyAtTheNextHardcancel) {
    TestClient client;
    ASSERT_TRUE(client.connectTo(socketPath));
    ASSERT_TRUE(client.writeMessage(TestClient::execute(1, "silent()")));
    ASSERT_TRUE(client.writeMessage(TestClient::request(2, "get(x)")));
    expectLines(client, {nullReply(1), dataReply(2, "x=")});
    ASSERT_TRUE(client.writeMessage(TestClient::request(3, "HardCancel")));
    expectLines(client, {changed(kAsync, "cancelled"), dataReply(3, "OK")});
}

TEST_F(ConversationTest, HardcancelExecuteEndsSilentThenAnswersItself) {
    TestClient client;
    ASSERT_TRUE(client.connectTo(socketPath));
    ASSERT_TRUE(client.writeMessage(TestClient::execute(1, "silent()")));
    ASSERT_TRUE(client.writeMessage(TestClient::execute(2, "hardcancel")));
    expectLines(client,
                {nullReply(1), nullReply(2), changed(kAsync, "cancelled"), changed(kAsync, "OK")});
}

TEST_F(ConversationTest, ExecutesWaitTheirTurnAndHardcancelEndsThemAll) {
    TestClient client;
    ASSERT_TRUE(client.connectTo(socketPath));
    ASSERT_TRUE(client.writeMessage(TestClient::execute(1, "wait(20)")));
    ASSERT_TRUE(client.writeMessage(TestClient::execute(2, "echo(second)")));
    expectLines(client, {nullReply(1), nullReply(2), changed(kAsync, "waited=20"),
                         changed(kAsync, "second")});

    ASSERT_TRUE(client.writeMessage(TestClient::execute(3, "silent()")));
    ASSERT_TRUE(client.writeMessage(TestClient::execute(4, "echo(queued)")));
    ASSERT_TRUE(client.writeMessage(TestClient::request(5, "hardcancel")));
    expectLines(client, {nullReply(3), nullReply(4), changed(kAsync, "cancelled"),
                         changed(kAsync, "cancelled"), dataReply(5, "OK")});
}

TEST_F(ConversationTest, HardcancelOfOneClientLeavesAnotherClientsWait) {
    TestClient waiting;
    TestClient other;
    ASSERT_TRUE(waiting.connectTo(socketPath));
    ASSERT_TRUE(other.connectTo(socketPath));
    ASSERT_TRUE(waiting.writeMessage(TestClient::execute(1, "silent()")));
    expectLines(waiting, {nullReply(1)});
    EXPECT_EQ(other.requestData(1, "hardcancel"), "OK");
    // The waiting client's next line is the answer to its own later request,
    // so the other client's cancel did not reach it.
    ASSERT_TRUE(waiting.writeMessage(TestClient::request(2, "echo(still silent)")));
    expectLines(waiting, {dataReply(2, "still silent")});
    ASSERT_TRUE(waiting.writeMessage(TestClient::request(3, "hardcancel")));
    expectLines(waiting, {changed(kAsync, "cancelled"), dataReply(3, "OK")});
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

TEST_F(ConversationTest, ResponsesGoOnlyToTheClientThatExecuted) {
    TestClient first;
    TestClient second;
    ASSERT_TRUE(first.connectTo(socketPath));
    ASSERT_TRUE(second.connectTo(socketPath));
    for (TestClient* client : {&first, &second}) {
        ASSERT_TRUE(client->writeMessage(TestClient::advise(1, kAsync)));
        expectLines(*client, {nullReply(1)});
    }
    ASSERT_TRUE(first.writeMessage(TestClient::execute(2, "wait(40)")));
    expectLines(first, {nullReply(2)});
    EXPECT_EQ(second.executeAndRespond(2, "echo(for second)"), "for second");
    expectLines(first, {changed(kAsync, "waited=40")});
    EXPECT_EQ(second.executeAndRespond(3, "echo(again)"), "again");
}

TEST_F(ConversationTest, ResponseComesEvenWithoutAdvise) {
    TestClient client;
    ASSERT_TRUE(client.connectTo(socketPath));
    EXPECT_EQ(client.executeAndRespond(1, "echo(unasked)"), "unasked");
}

} // namespace
} // namespace talvex::korva::test
