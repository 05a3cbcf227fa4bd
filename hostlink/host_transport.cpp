// JSON-RPC over a local socket, newline framed.
#include "hostlink/host_transport.h"

#include "engine/text_codec.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QLocalSocket>

#include <utility>

namespace talvex {

void AppendJsonString(QByteArray& out, const QByteArray& text) {
    QByteArray repaired;
    const QByteArray* src = &text;
    if (!IsValidUtf8(std::string_view(text.constData(), static_cast<std::size_t>(text.size())))) {
        repaired = QString::fromUtf8(text).toUtf8();
        src = &repaired;
    }
    static const char kHex[] = "0123456789abcdef";
    out.reserve(out.size() + src->size() + 2);
    out.append('"');
    const char* p = src->constData();
    const char* end = p + src->size();
    const char* run = p; // start of bytes that need no escape
    for (; p < end; ++p) {
        const unsigned char c = static_cast<unsigned char>(*p);
        if (c >= 0x20 && c != '"' && c != '\\') continue;
        out.append(run, p - run);
        run = p + 1;
        switch (c) {
        case '"':
            out.append("\\\"", 2);
            break;
        case '\\':
            out.append("\\\\", 2);
            break;
        case '\n':
            out.append("\\n", 2);
            break;
        case '\r':
            out.append("\\r", 2);
            break;
        case '\t':
            out.append("\\t", 2);
            break;
        default: {
            const char esc[6] = {'\\', 'u', '0', '0', kHex[c >> 4], kHex[c & 15]};
            out.append(esc, 6);
        }
        }
    }
    out.append(run, end - run);
    out.append('"');
}

namespace {
QString DescribeConnectError(const QLocalSocket& socket) {
    switch (socket.error()) {
    case QLocalSocket::ServerNotFoundError:
        return QStringLiteral("no such socket");
    case QLocalSocket::ConnectionRefusedError:
        return QStringLiteral("connection refused");
    case QLocalSocket::SocketAccessError:
        return QStringLiteral("permission denied");
    case QLocalSocket::SocketTimeoutError:
        return QStringLiteral("timed out");
    default:
        return socket.errorString();
    }
}
} // namespace

HostTransport::HostTransport(Handlers handlers, QObject* parent)
    : QObject(parent), handlers_(std::move(handlers)),
      framer_([this](const QByteArray& line) { HandleLine(line); },
              [this] {
                  ++oversized_;
                  if (handlers_.onOversized) handlers_.onOversized();
              }) {}

HostTransport::~HostTransport() {
    if (socket_) {
        closing_ = true;
        socket_->abort();
    }
}

bool HostTransport::Connect(const QString& path, int timeoutMs) {
    if (IsConnected()) return true;
    if (socket_) {
        socket_->abort();
        socket_->deleteLater();
        socket_ = nullptr;
    }
    framer_.Reset();
    closing_ = false;
    auto* socket = new QLocalSocket(this);
    socket->connectToServer(path);
    peerRefused_ = false;
    if (!socket->waitForConnected(timeoutMs)) {
        connectError_ = DescribeConnectError(*socket);
        socket->abort();
        delete socket;
        return false;
    }
    // Not a word to a host of another user: it could read files of ours
    // through the directives it answers with.
    const std::string refusal = peerCheck_.Refusal(int(socket->socketDescriptor()));
    if (!refusal.empty()) {
        connectError_ = QStringLiteral("the host on ") + path + QLatin1Char(' ') +
                        QString::fromStdString(refusal);
        peerRefused_ = true;
        socket->abort();
        delete socket;
        return false;
    }
    connectError_.clear();
    socket_ = socket;
    connect(socket_, &QLocalSocket::readyRead, this, &HostTransport::OnReadyRead);
    connect(socket_, &QLocalSocket::disconnected, this, &HostTransport::OnDisconnected);
    return true;
}

void HostTransport::Disconnect() {
    if (!socket_) return;
    closing_ = true;
    Flush(1000);
    socket_->disconnectFromServer();
    socket_->abort();
    socket_->deleteLater();
    socket_ = nullptr;
    framer_.Reset();
}

void HostTransport::Abort() {
    if (!socket_) return;
    closing_ = true;
    socket_->abort();
    socket_->deleteLater();
    socket_ = nullptr;
    framer_.Reset();
}

bool HostTransport::WaitForClose(int timeoutMs) {
    if (!socket_) return true;
    closing_ = true; // a close now is what we wait for, not a loss
    Flush(timeoutMs);
    if (socket_->state() == QLocalSocket::UnconnectedState) return true;
    return socket_->waitForDisconnected(timeoutMs);
}

bool HostTransport::IsConnected() const {
    return socket_ && socket_->state() == QLocalSocket::ConnectedState;
}

void HostTransport::Flush(int timeoutMs) {
    if (!IsConnected()) return;
    while (socket_->bytesToWrite() > 0) {
        if (!socket_->waitForBytesWritten(timeoutMs)) break;
    }
}

qint64 HostTransport::Call(const char* method, const QString& topic, const char* key,
                           const QByteArray& value) {
    if (!IsConnected()) return 0;
    const qint64 id = nextId_++;
    QByteArray msg;
    msg.reserve(value.size() + 96);
    msg.append("{\"jsonrpc\":\"2.0\",\"id\":");
    msg.append(QByteArray::number(id));
    msg.append(",\"method\":\"");
    msg.append(method);
    msg.append("\",\"params\":{\"topic\":");
    AppendJsonString(msg, topic.toUtf8());
    msg.append(",\"");
    msg.append(key);
    msg.append("\":");
    AppendJsonString(msg, value);
    msg.append("}}");
    if (msg.size() > kMaxLine) return 0; // the host would refuse it without an id
    msg.append('\n');
    socket_->write(msg);
    socket_->flush(); // hand it to the system now rather than on the next loop turn
    return id;
}

qint64 HostTransport::Request(const QString& topic, const std::string& item) {
    return Call("request", topic, "item",
                QByteArray::fromRawData(item.data(), qsizetype(item.size())));
}

qint64 HostTransport::Execute(const QString& topic, const std::string& command) {
    return Call("execute", topic, "command",
                QByteArray::fromRawData(command.data(), qsizetype(command.size())));
}

qint64 HostTransport::Advise(const QString& topic, const QString& item) {
    return Call("advise", topic, "item", item.toUtf8());
}

qint64 HostTransport::Unadvise(const QString& topic, const QString& item) {
    return Call("unadvise", topic, "item", item.toUtf8());
}

void HostTransport::OnReadyRead() {
    // Keep the socket pointer: a handler may drop the connection meanwhile.
    while (socket_ && socket_->bytesAvailable() > 0)
        framer_.Feed(socket_->readAll());
}

void HostTransport::OnDisconnected() {
    if (closing_ || !socket_) return;
    // Lines that arrived just before the close still count.
    OnReadyRead();
    if (!socket_) return;
    socket_->deleteLater();
    socket_ = nullptr;
    framer_.Reset();
    if (handlers_.onLost) handlers_.onLost();
}

void HostTransport::HandleLine(const QByteArray& line) {
    // Anything we cannot make sense of is dropped; the link stays up.
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(line, &err);
    if (err.error != QJsonParseError::NoError || !doc.isObject()) return;
    const QJsonObject obj = doc.object();

    const QJsonValue method = obj.value(QLatin1String("method"));
    if (method.isString()) {
        if (obj.contains(QLatin1String("id"))) return; // we serve no calls
        if (method.toString() != QLatin1String("changed")) return;
        const QJsonValue params = obj.value(QLatin1String("params"));
        if (!params.isObject()) return;
        const QJsonObject p = params.toObject();
        const QJsonValue topic = p.value(QLatin1String("topic"));
        const QJsonValue item = p.value(QLatin1String("item"));
        const QJsonValue data = p.value(QLatin1String("data"));
        if (!topic.isString() || !item.isString() || !data.isString()) return;
        if (handlers_.onChanged)
            handlers_.onChanged(topic.toString(), item.toString(), data.toString().toStdString());
        return;
    }

    const QJsonValue id = obj.value(QLatin1String("id"));
    if (!id.isDouble()) return; // id null: nothing of ours to match it to
    const qint64 callId = id.toInteger(-1);
    if (callId <= 0) return;
    HostReply reply;
    const QJsonValue error = obj.value(QLatin1String("error"));
    if (error.isObject()) {
        reply.isError = true;
        reply.errorCode = error.toObject().value(QLatin1String("code")).toInt();
        reply.errorMessage = error.toObject().value(QLatin1String("message")).toString();
    } else if (obj.contains(QLatin1String("result"))) {
        const QJsonValue result = obj.value(QLatin1String("result"));
        if (result.isObject()) {
            const QJsonValue data = result.toObject().value(QLatin1String("data"));
            if (data.isString()) reply.data = data.toString().toStdString();
        }
    } else {
        return;
    }
    if (handlers_.onReply) handlers_.onReply(callId, reply);
}

} // namespace talvex
