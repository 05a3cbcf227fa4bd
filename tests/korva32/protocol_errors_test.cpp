// Malformed messages, framing and the line size cap: every fault gets its
// error reply and the connection keeps working.
#include "tests/korva32/host_process.h"
#include "tests/korva32/test_client.h"

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace talvex::korva::test {
namespace {

using ProtocolErrorTest = HostTest;

// A sanitizer build keeps freed blocks in quarantine, so the host's resident
// size says nothing about what it still holds.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kResidentSizeMeaningful = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kResidentSizeMeaningful = false;
#else
constexpr bool kResidentSizeMeaningful = true;
#endif
#else
constexpr bool kResidentSizeMeaningful = true;
#endif

constexpr int kParseError = -32700;
constexpr int kInvalidRequest = -32600;
constexpr int kMethodNotFound = -32601;
constexpr int kInvalidParams = -32602;

struct BadLine {
    const char* line;
    QJsonValue id;
    int code;
};

const BadLine kBadLines[] = {
    {"{not json", QJsonValue::Null, kParseError},
    {"{\"jsonrpc\":\"2.0\",\"id\":1,\"method\":\"request\"", QJsonValue::Null, kParseError},
    {"{\"jsonrpc\":\"2.0\",\"id\":9,\"method\":\"request\",\"params\":{\"topic\":\"DDE_Control\","
     "\"item\":\"echo(\xff)\"}}",
     QJsonValue::Null, kParseError},
    {"42", QJsonValue::Null, kInvalidRequest},
    {"\"text\"", QJsonValue::Null, kInvalidRequest},
    {"[1,2]", QJsonValue::Null, kInvalidRequest},
    {"{\"jsonrpc\":\"1.0\",\"id\":1,\"method\":\"request\",\"params\":{}}", 1, kInvalidRequest},
    {"{\"id\":2,\"method\":\"request\",\"params\":{}}", 2, kInvalidRequest},
    {"{\"jsonrpc\":\"2.0\",\"id\":3,\"params\":{}}", 3, kInvalidRequest},
    {"{\"jsonrpc\":\"2.0\",\"id\":4,\"method\":5,\"params\":{}}", 4, kInvalidRequest},
    {"{\"jsonrpc\":\"2.0\",\"method\":\"request\",\"params\":{\"topic\":\"DDE_Control\","
     "\"item\":\"echo(x)\"}}",
     QJsonValue::Null, kInvalidRequest},
    {"{\"jsonrpc\":\"2.0\",\"id\":\"five\",\"method\":\"request\",\"params\":{}}", QJsonValue::Null,
     kInvalidRequest},
    {"{\"jsonrpc\":\"2.0\",\"id\":6,\"method\":\"poke\",\"params\":{}}", 6, kMethodNotFound},
    {"{\"jsonrpc\":\"2.0\",\"id\":7,\"method\":\"changed\",\"params\":{}}", 7, kMethodNotFound},
    {"{\"jsonrpc\":\"2.0\",\"id\":8,\"method\":\"request\"}", 8, kInvalidParams},
    {"{\"jsonrpc\":\"2.0\",\"id\":9,\"method\":\"request\",\"params\":[1]}", 9, kInvalidParams},
    {"{\"jsonrpc\":\"2.0\",\"id\":10,\"method\":\"request\",\"params\":{\"topic\":\"DDE_Control\"}"
     "}",
     10, kInvalidParams},
    {"{\"jsonrpc\":\"2.0\",\"id\":11,\"method\":\"request\",\"params\":{\"topic\":\"DDE_Nowhere\","
     "\"item\":\"echo(x)\"}}",
     11, kInvalidParams},
    {"{\"jsonrpc\":\"2.0\",\"id\":12,\"method\":\"execute\",\"params\":{\"topic\":\"DDE_Control\"}"
     "}",
     12, kInvalidParams},
    {"{\"jsonrpc\":\"2.0\",\"id\":13,\"method\":\"execute\",\"params\":{\"topic\":\"DDE_Control\","
     "\"command\":5}}",
     13, kInvalidParams},
    {"{\"jsonrpc\":\"2.0\",\"id\":14,\"method\":\"execute\",\"params\":{\"command\":\"echo(x)\"}}",
     14, kInvalidParams},
    {"{\"jsonrpc\":\"2.0\",\"id\":15,\"method\":\"advise\",\"params\":{\"topic\":\"DDE_Control\","
     "\"item\":\"Data\"}}",
     15, kInvalidParams},
    {"{\"jsonrpc\":\"2.0\",\"id\":16,\"method\":\"advise\",\"params\":{\"topic\":\"DDE_"
     "DynamicData\","
     "\"item\":\"Other\"}}",
     16, kInvalidParams},
    {"{\"jsonrpc\":\"2.0\",\"id\":17,\"method\":\"unadvise\",\"params\":{\"topic\":\"DDE_Dynamic\","
     "\"item\":\"Data\"}}",
     17, kInvalidParams},
};

TEST_F(ProtocolErrorTest, EachFaultGetsItsErrorAndTheConnectionStaysUp) {
    TestClient client;
    ASSERT_TRUE(client.ConnectTo(socketPath));
    int id = 100;
    for (const BadLine& bad : kBadLines) {
        ASSERT_TRUE(client.WriteRaw(QByteArray(bad.line) + '\n'));
        const auto reply = client.Next();
        ASSERT_TRUE(reply.has_value()) << bad.line;
        EXPECT_EQ(WithoutMessage(*reply), ErrorReply(bad.id, bad.code)) << bad.line;
        EXPECT_TRUE(reply->value(u"error"_s).toObject().value(u"message"_s).isString()) << bad.line;
        // No response follows a refused execute: the next line is this answer.
        EXPECT_EQ(client.RequestData(++id, u"echo(alive)"_s), u"alive"_s) << bad.line;
    }
}

// The reply carries the caller's id back unchanged, whatever integer it is.
TEST_F(ProtocolErrorTest, RepliesCarryTheIdAsSent) {
    TestClient client;
    ASSERT_TRUE(client.ConnectTo(socketPath));
    const auto echoWithId = [&](const char* id) {
        const QByteArray line = QByteArray("{\"jsonrpc\":\"2.0\",\"id\":") + id +
                                ",\"method\":\"request\",\"params\":{\"topic\":\"DDE_Control\","
                                "\"item\":\"echo(x)\"}}\n";
        EXPECT_TRUE(client.WriteRaw(line)) << id;
        const auto reply = client.Next();
        EXPECT_TRUE(reply.has_value()) << id;
        if (!reply) return QJsonValue(QJsonValue::Undefined);
        EXPECT_EQ(reply->value(u"result"_s).toObject().value(u"data"_s), QJsonValue(u"x"_s)) << id;
        return reply->value(u"id"_s);
    };
    const char* const ids[] = {"0",    "-7", "2147483648", "9007199254740992", "-9007199254740992",
                               "1e300"};
    for (const char* id : ids)
        EXPECT_EQ(echoWithId(id), QJsonValue(QByteArray(id).toDouble())) << id;
    // Integers past 2^53 are not exact as doubles; they still come back digit for digit.
    const char* const wide[] = {"9007199254740993", "-9223372036854775807", "9223372036854775807"};
    for (const char* id : wide)
        EXPECT_EQ(echoWithId(id).toInteger(), QByteArray(id).toLongLong()) << id;
}

TEST_F(ProtocolErrorTest, OversizedLineIsRefusedWithoutBeingKeptAndALongOneIsServed) {
    TestClient client;
    ASSERT_TRUE(client.ConnectTo(socketPath));
    const qsizetype mib = 1024 * 1024;
    const QByteArray chunk(mib, 'x');
    for (int i = 0; i < 64; ++i)
        ASSERT_TRUE(client.WriteRaw(chunk));
    ASSERT_TRUE(client.WriteRaw("xx")); // now past 64 MiB, and still no line end

    // Refused as soon as it passes the cap, before its end arrives.
    const auto refusal = client.Next();
    ASSERT_TRUE(refusal.has_value());
    EXPECT_EQ(WithoutMessage(*refusal), ErrorReply(QJsonValue::Null, kInvalidRequest));
    EXPECT_EQ(refusal->value(u"error"_s).toObject().value(u"message"_s),
              QJsonValue(u"message too large"_s));

    // More of the same line is skipped, not stored.
    for (int i = 0; i < 32; ++i)
        ASSERT_TRUE(client.WriteRaw(chunk));
    if (kResidentSizeMeaningful) {
        const long rss = ResidentKiB(host.Pid());
        ASSERT_GT(rss, 0);
        EXPECT_LT(rss, 32 * 1024) << "host holds " << rss << " KiB after a refused 96 MiB line";
    }

    // The link stays, and a long line under the cap is served whole.
    ASSERT_TRUE(client.WriteRaw("tail of the refused line\n"));
    const QString text(3 * 1024 * 1024, QChar(u'q'));
    EXPECT_EQ(client.RequestData(1, u"echo("_s + text + u")"_s), text);
}

TEST_F(ProtocolErrorTest, AReplyPastTheCapIsRefusedWithoutBeingBuilt) {
    TestClient client;
    ASSERT_TRUE(client.ConnectTo(socketPath));
    const QString tooLong = QStringLiteral("Error: reply would exceed 67108864 bytes");
    // A 604-byte request for 300 MB.
    ASSERT_EQ(client.ExecuteAndRespond(1, u"set(v="_s + QString(1000000, QChar(u'm')) + u")"_s),
              u"OK"_s);
    QString get = QStringLiteral("get(v");
    for (int i = 1; i < 300; ++i)
        get += QStringLiteral(",v");
    get += QLatin1Char(')');
    EXPECT_EQ(client.ExecuteAndRespond(2, get), tooLong);
    EXPECT_EQ(client.RequestData(3, get), tooLong);
    if (kResidentSizeMeaningful) {
        const long peak = ResidentKiB(host.Pid(), "VmHWM:");
        ASSERT_GT(peak, 0);
        EXPECT_LT(peak, 48 * 1024) << "host held " << peak << " KiB at its peak";
    }

    // Counted as written: each quote goes out as two bytes, so 40 MB of
    // quotes would pass the cap on the wire.
    ASSERT_EQ(client.ExecuteAndRespond(4, u"set(q="_s + QString(10000000, QChar(u'"')) + u")"_s),
              u"OK"_s);
    EXPECT_EQ(client.RequestData(5, QStringLiteral("get(q,q,q,q)")), tooLong);
    EXPECT_EQ(client.ExecuteAndRespond(6, QStringLiteral("echo(still linked)")), u"still linked"_s);
}

} // namespace
} // namespace talvex::korva::test
