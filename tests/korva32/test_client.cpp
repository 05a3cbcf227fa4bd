// Raw-socket protocol client for the host tests.
#include "tests/korva32/test_client.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

using namespace Qt::StringLiterals;

namespace talvex::korva::test {

namespace {
// Guard against a hanging host only; nothing is timed.
constexpr int kGuardMs = 10000;
} // namespace

bool TestClient::ConnectTo(const std::string& path) {
    Close();
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        Close();
        return false;
    }
    ended_ = false;
    buffer_.clear();
    return true;
}

void TestClient::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool TestClient::WriteRaw(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.constData() + done,
                                 static_cast<size_t>(bytes.size() - done), MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += n;
    }
    return true;
}

bool TestClient::WriteMessage(const QJsonObject& message) {
    return WriteRaw(QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n');
}

bool TestClient::Fill() {
    pollfd waiting{fd_, POLLIN, 0};
    if (::poll(&waiting, 1, kGuardMs) <= 0) return false;
    char chunk[65536];
    const ssize_t n = ::recv(fd_, chunk, sizeof(chunk), 0);
    if (n <= 0) {
        ended_ = true;
        return false;
    }
    buffer_.append(chunk, n);
    return true;
}

std::optional<QJsonObject> TestClient::Next() {
    qsizetype newline;
    while ((newline = buffer_.indexOf('\n')) < 0) {
        if (ended_ || !Fill()) return std::nullopt;
    }
    const QByteArray line = buffer_.left(newline);
    buffer_.remove(0, newline + 1);
    const QJsonDocument document = QJsonDocument::fromJson(line);
    if (!document.isObject()) {
        ADD_FAILURE() << "host sent a line that is not a JSON object: " << line.toStdString();
        return std::nullopt;
    }
    return document.object();
}

bool TestClient::ClosedByHost() {
    if (!buffer_.isEmpty()) return false;
    while (!ended_) {
        if (!Fill()) break;
        if (!buffer_.isEmpty()) return false;
    }
    return ended_;
}

QJsonObject TestClient::Call(int id, const QString& method, const QJsonObject& params) {
    return QJsonObject{
        {u"jsonrpc"_s, u"2.0"_s}, {u"id"_s, id}, {u"method"_s, method}, {u"params"_s, params}};
}

QJsonObject TestClient::Execute(int id, const QString& command) {
    return Call(id, u"execute"_s,
                QJsonObject{{u"topic"_s, u"DDE_Control"_s}, {u"command"_s, command}});
}

QJsonObject TestClient::Request(int id, const QString& item) {
    return Call(id, u"request"_s, QJsonObject{{u"topic"_s, u"DDE_Control"_s}, {u"item"_s, item}});
}

QJsonObject TestClient::Advise(int id, const QString& topic) {
    return Call(id, u"advise"_s, QJsonObject{{u"topic"_s, topic}, {u"item"_s, u"Data"_s}});
}

QString TestClient::RequestData(int id, const QString& item) {
    if (!WriteMessage(Request(id, item))) return u"<write failed>"_s;
    const auto reply = Next();
    if (!reply) return u"<no reply>"_s;
    EXPECT_EQ(reply->value(u"id"_s), QJsonValue(id));
    return reply->value(u"result"_s).toObject().value(u"data"_s).toString(u"<no data>"_s);
}

QString TestClient::ExecuteAndRespond(int id, const QString& command) {
    if (!WriteMessage(Execute(id, command))) return u"<write failed>"_s;
    const auto reply = Next();
    if (!reply) return u"<no reply>"_s;
    EXPECT_EQ(*reply, NullReply(id));
    const auto response = Next();
    if (!response) return u"<no response>"_s;
    const QJsonObject params = response->value(u"params"_s).toObject();
    EXPECT_EQ(response->value(u"method"_s), QJsonValue(u"changed"_s));
    EXPECT_EQ(params.value(u"topic"_s), QJsonValue(u"DDE_AsyncResponse"_s));
    return params.value(u"data"_s).toString(u"<no data>"_s);
}

QJsonObject NullReply(int id) {
    return QJsonObject{{u"jsonrpc"_s, u"2.0"_s}, {u"id"_s, id}, {u"result"_s, QJsonValue::Null}};
}

QJsonObject DataReply(int id, const QString& data) {
    return QJsonObject{
        {u"jsonrpc"_s, u"2.0"_s}, {u"id"_s, id}, {u"result"_s, QJsonObject{{u"data"_s, data}}}};
}

QJsonObject Changed(const QString& topic, const QString& data) {
    return QJsonObject{
        {u"jsonrpc"_s, u"2.0"_s},
        {u"method"_s, u"changed"_s},
        {u"params"_s, QJsonObject{{u"topic"_s, topic}, {u"item"_s, u"Data"_s}, {u"data"_s, data}}}};
}

QJsonObject ErrorReply(const QJsonValue& id, int code) {
    return QJsonObject{
        {u"jsonrpc"_s, u"2.0"_s}, {u"id"_s, id}, {u"error"_s, QJsonObject{{u"code"_s, code}}}};
}

QJsonObject WithoutMessage(QJsonObject error) {
    QJsonObject body = error.value(u"error"_s).toObject();
    body.remove(u"message"_s);
    error.insert(u"error"_s, body);
    return error;
}

} // namespace talvex::korva::test
