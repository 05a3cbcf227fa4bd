// The host protocol's JSON-RPC 2.0 lines, both ways: what the link writes
// and reads, and what the host reads and writes.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <cstddef>
#include <string>
#include <string_view>

namespace talvex {

// What the host answered to one call.
struct HostReply {
    bool isError = false;
    std::string data; // result.data of a request; empty otherwise
    int errorCode = 0;
    QString errorMessage; // of an error reply
};

namespace protocol {

// JSON-RPC 2.0 error codes the host answers with.
enum RpcErrorCode : int {
    kParseError = -32700,
    kInvalidRequest = -32600,
    kMethodNotFound = -32601,
    kInvalidParams = -32602,
};

// Appends `utf8` as a JSON string literal (quotes included): quotes,
// backslashes and control characters escaped, the rest as it is. `utf8` must
// be well-formed; ValidUtf8 makes it so.
void AppendJsonString(QByteArray& out, QByteArrayView utf8);
// The bytes a UTF-8 text takes inside the quotes of such a literal.
std::size_t JsonStringBytes(std::string_view utf8);
// `text` itself when it is well-formed UTF-8, else with each bad sequence
// replaced, so the peer never gets a line it cannot parse.
QByteArray ValidUtf8(QByteArrayView text);

// The link's call: one compact line without its "\n". `value` is repaired
// when it is not UTF-8.
QByteArray CallLine(qint64 id, const char* method, QByteArrayView topic, const char* key,
                    QByteArrayView value);

// The host's lines; each is one compact JSON object followed by "\n".
QByteArray NullResultLine(const QJsonValue& id);                      // "result": null
QByteArray DataResultLine(const QJsonValue& id, const QString& data); // "result": {"data": ...}
QByteArray ErrorLine(const QJsonValue& id, int code, const QString& message);
QByteArray ChangedLine(const QString& topic, const QString& data);
// The most bytes a reply's text may take so that every line holding it, a
// response, a request's answer or dynamic data, stays within the line cap.
std::size_t MaxReplyTextBytes();

// One line from the host as the link takes it. Anything it cannot use (not
// JSON, a call, a reply without a positive id) is Kind::Ignored.
struct HostLine {
    enum class Kind { Ignored, Reply, Changed };
    Kind kind = Kind::Ignored;
    qint64 id = 0; // of a reply
    HostReply reply;
    QString topic, item; // of a "changed" notification
    std::string data;
};
HostLine ReadHostLine(const QByteArray& line);

// One line from a client as the host takes it: either `refusal`, the error
// line to answer with, or a call with an integer id and an object of params.
struct ClientCall {
    QByteArray refusal;
    QString method;
    QJsonValue id;
    QJsonObject params;
};
ClientCall ReadClientLine(const QByteArray& line);

} // namespace protocol
} // namespace talvex
