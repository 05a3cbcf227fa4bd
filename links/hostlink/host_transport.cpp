// JSON-RPC over a local socket, newline framed.
#include "hostlink/host_transport.h"

#include <QLocalSocket>

#include <utility>

namespace talvex {

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
    : QObject(parent), handlers_(std::move(handlers)), framer_(
                                                           [this](const QByteArray& line) {
                                                               HandleLine(line);
                                                               return true;
                                                           },
                                                           [this] {
                                                               ++oversized_;
                                                               if (handlers_.onOversized)
                                                                   handlers_.onOversized();
                                                               return true;
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
                           QByteArrayView value) {
    if (!IsConnected()) return 0;
    const qint64 id = nextId_++;
    QByteArray msg = protocol::CallLine(id, method, topic.toUtf8(), key, value);
    if (msg.size() > kMaxLine) return 0; // the host would refuse it without an id
    msg.append('\n');
    socket_->write(msg);
    socket_->flush(); // hand it to the system now rather than on the next loop turn
    return id;
}

qint64 HostTransport::Request(const QString& topic, const std::string& item) {
    return Call("request", topic, "item", QByteArrayView(item.data(), qsizetype(item.size())));
}

qint64 HostTransport::Execute(const QString& topic, const std::string& command) {
    return Call("execute", topic, "command",
                QByteArrayView(command.data(), qsizetype(command.size())));
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
    protocol::HostLine read = protocol::ReadHostLine(line);
    switch (read.kind) {
    case protocol::HostLine::Kind::Changed:
        if (handlers_.onChanged) handlers_.onChanged(read.topic, read.item, std::move(read.data));
        break;
    case protocol::HostLine::Kind::Reply:
        if (handlers_.onReply) handlers_.onReply(read.id, read.reply);
        break;
    case protocol::HostLine::Kind::Ignored:
        break;
    }
}

} // namespace talvex
