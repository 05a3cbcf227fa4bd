// Per-client connection handling. Reads go through a bounded socket buffer and
// the line framer, so a flood from one client costs a fixed amount of memory.
#include "korva32/client_session.h"

#include <QLocalSocket>

#include <utility>

namespace talvex::korva {

namespace {
// Bytes taken from the socket at a time; also the socket's read buffer size,
// which makes a fast writer wait instead of piling data up in the host.
constexpr qint64 kReadChunk = 1024 * 1024;
} // namespace

ClientSession::ClientSession(simhost::ClientId id, QLocalSocket* socket, Handlers handlers,
                             QObject* parent)
    : QObject(parent), id_(id), socket_(socket), handlers_(std::move(handlers)),
      framer_([this](const QByteArray& line) { return handlers_.line(*this, line) && !closed_; },
              [this] { return handlers_.oversize(*this) && !closed_; }) {
    socket_->setParent(this);
    socket_->setReadBufferSize(kReadChunk);
    waitTimer_.setSingleShot(true);
    connect(&waitTimer_, &QTimer::timeout, this, [this] {
        if (!closed_) handlers_.waitElapsed(*this);
        FlushNow();
    });
    connect(socket_, &QLocalSocket::readyRead, this, &ClientSession::ReadAvailable);
    connect(socket_, &QLocalSocket::disconnected, this, &ClientSession::ConnectionLost);
    // Data may have come with the connection itself.
    if (socket_->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &ClientSession::ReadAvailable, Qt::QueuedConnection);
}

ClientSession::~ClientSession() {
    closed_ = true;
    waitTimer_.stop();
}

void ClientSession::Send(const QByteArray& line) {
    if (closed_ || socket_->state() != QLocalSocket::ConnectedState) return;
    socket_->write(line);
}

void ClientSession::FlushNow() {
    // Out now, not on the next turn of the event loop: the client is waiting.
    // Flushing once after a batch keeps an execute's reply and its response in
    // one write, so the client wakes once for both.
    if (!closed_) socket_->flush();
}

void ClientSession::Close() {
    if (closed_) return;
    socket_->flush();
    socket_->disconnectFromServer();
    ConnectionLost();
}

void ClientSession::ReadAvailable() {
    while (!closed_ && socket_->bytesAvailable() > 0) {
        const QByteArray chunk = socket_->read(kReadChunk);
        if (chunk.isEmpty()) break;
        framer_.Feed(chunk);
    }
    FlushNow();
}

void ClientSession::ConnectionLost() {
    if (closed_) return;
    // From here on nothing is written and no timer fires for this client.
    closed_ = true;
    waitTimer_.stop();
    handlers_.gone(*this);
}

} // namespace talvex::korva
