// The server in the test's own process, where a test can stand in for
// another user and read the host's lines as it builds them.
#include "hostlink/protocol_messages.h"
#include "korva32/host_server.h"
#include "simhost/protocol_bounds.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QJsonValue>
#include <QLocalSocket>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <unistd.h>

#include <limits>
#include <string>

namespace talvex::korva::test {
namespace {

using namespace talvex::protocol;

TEST(HostServerTest, AClientOfAnotherUserIsClosedUnansweredAndTheRefusalLogged) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    HostServer server([](const std::string&) {});
    QStringList log;
    server.SetLog([&](const QString& line) { log << line; });
    PeerUserCheck check;
    check.peerUserOf = [](int) { return std::optional<uid_t>(4242); };
    server.SetPeerUserCheck(check);
    QString error;
    ASSERT_EQ(server.Listen(folder.filePath(QStringLiteral("KORVA")), &error),
              HostServer::ListenResult::Listening)
        << error.toStdString();

    QLocalSocket client;
    client.connectToServer(folder.filePath(QStringLiteral("KORVA")));
    ASSERT_TRUE(client.waitForConnected(5000));
    client.write(R"json({"jsonrpc":"2.0","id":1,"method":"request","params":)json"
                 R"json({"topic":"DDE_Control","item":"get(secret)"}})json"
                 "\n");
    const QDeadlineTimer guard(10000);
    while (client.state() != QLocalSocket::UnconnectedState && !guard.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        client.waitForReadyRead(20);
    }
    EXPECT_EQ(client.state(), QLocalSocket::UnconnectedState);
    EXPECT_EQ(client.readAll(), QByteArray());
    EXPECT_EQ(log, QStringList{QStringLiteral("korva32: refused a client that runs as user 4242, "
                                              "not as user %1")
                                   .arg(::geteuid())});
}

// The host sizes a reply by what its lines will hold: the measure must agree
// with the writer, and the longest text allowed must fill a line to the cap
// and no further, for every kind of line that carries one.
TEST(HostServerTest, RepliesAreSizedAsTheLinesHoldThem) {
    const std::string texts[] = {
        "",           "plain text \xC2\xB1 \xE2\x82\xAC", "\"quoted\" \\ back\\slash",
        "\r\n\t\b\f", "\x01\x01 marker \x1F \x7F",        std::string(1, '\0'),
    };
    const QJsonValue id(7);
    for (const std::string& text : texts) {
        const QString data = QString::fromStdString(text);
        EXPECT_EQ(std::size_t(DataResultLine(id, data).size() - DataResultLine(id, {}).size()),
                  JsonStringBytes(text))
            << text;
        EXPECT_EQ(std::size_t(ChangedLine(QStringLiteral("DDE_DynamicData"), data).size() -
                              ChangedLine(QStringLiteral("DDE_DynamicData"), {}).size()),
                  JsonStringBytes(text))
            << text;
    }

    const auto frame = [](const QByteArray& emptyLine) {
        return std::size_t(emptyLine.size() - 1); // without its "\n"
    };
    EXPECT_EQ(frame(ChangedLine(QStringLiteral("DDE_AsyncResponse"), {})) + MaxReplyTextBytes(),
              simhost::kMaxLineBytes);
    for (const QJsonValue& longId : {QJsonValue(qint64(std::numeric_limits<qint64>::min())),
                                     QJsonValue(-1.7976931348623157e308)}) {
        EXPECT_LE(frame(DataResultLine(longId, {})) + MaxReplyTextBytes(), simhost::kMaxLineBytes);
    }
}

} // namespace
} // namespace talvex::korva::test
