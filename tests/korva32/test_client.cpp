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

namespace talvex::korva::test {

namespace {
// Guard against a hanging host only; nothing is timed.
constexpr int kGuardMs = 10000;
} // namespace

bool TestClient::connectTo(const std::string& path) {
    close();
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        close();
        return false;
    }
    ended_ = false;
    buffer_.clear();
    return true;
}

void TestClient::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool TestClient::writeRaw(const QByteArray& bytes) {
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

bool TestClient::writeMessage(const QJsonObject& message) {
    return writeRaw(QJsonDocument(message).toJson(QJsonDocument::Compact) + '\n');
}

bool TestClient::fill() {
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

std::optional<QJsonObject> TestClient::next() {
    qsizetype newline;
    while ((newline = buffer_.indexOf('\n')) < 0) {
        if (ended_ || !fill()) return std::nullopt;
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

bool TestClient::closedByHost() {
    if (!buffer_.isEmpty()) return false;
    while (!ended_) {
        if (!fill()) break;
        if (!buffer_.isEmpty()) return false;
    }
    return ended_;
}

QJsonObject TestClient::call(int id, const QString& method, const QJsonObject& params) {
    return QJsonObject{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}};
}

QJsonObject TestClient::execute(int id, const QString& command) {
    return call(id, "execute", QJsonObject{{"topic", "DDE_Control"}, {"command", command}});
}

QJsonObject TestClient::request(int id, const QString& item) {
    return call(id, "request", QJsonObject{{"topic", "DDE_Control"}, {"item", item}});
}

QJsonObject TestClient::advise(int id, const QString& topic) {
    return call(id, "advise", QJsonObject{{"topic", topic}, {"item", "Data"}});
}

QString TestClient::requestData(int id, const QString& item) {
    if (!writeMessage(request(id, item))) return "<write failed>";
    const auto reply = next();
    if (!reply) return "<no reply>";
    EXPECT_EQ(reply->value("id"), QJsonValue(id));
    return reply->value("result").toObject().value("data").toString("<no data>");
}

QString TestClient::executeAndRespond(int id, const QString& command) {
    if (!writeMessage(execute(id, command))) return "<write failed>";
    const auto reply = next();
    if (!reply) return "<no reply>";
    EXPECT_EQ(*reply, nullReply(id));
    const auto response = next();
    if (!response) return "<no response>";
    const QJsonObject params = response->value("params").toObject();
    EXPECT_EQ(response->value("method"), QJsonValue("changed"));
    EXPECT_EQ(params.value("topic"), QJsonValue("DDE_AsyncResponse"));
    return params.value("data").toString("<no data>");
}

QJsonObject nullReply(int id) {
    return QJsonObject{{"jsonrpc", "2.0"}, {"id", id}, {"result", QJsonValue::Null}};
}

QJsonObject dataReply(int id, const QString& data) {
    return QJsonObject{{"jsonrpc", "2.0"}, {"id", id}, {"result", QJsonObject{{"data", data}}}};
}

QJsonObject changed(const QString& topic, const QString& data) {
    return QJsonObject{{"jsonrpc", "2.0"},
                       {"method", "changed"},
                       {"params", QJsonObject{{"topic", topic}, {"item", "Data"}, {"data", data}}}};
}

QJsonObject errorReply(const QJsonValue& id, int code) {
    return QJsonObject{{"jsonrpc", "2.0"}, {"id", id}, {"error", QJsonObject{{"code", code}}}};
}

QJsonObject withoutMessage(QJsonObject error) {
    QJsonObject body = error.value("error").toObject();
    body.remove("message");
    error.insert("error", body);
    return error;
}

} // namespace talvex::korva::test
