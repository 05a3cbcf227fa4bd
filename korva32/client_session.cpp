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

ClientSession::ClientSession(QLocalSocket* socket, Handlers handlers, QObject* parent)
    : QObject(parent), socket_(socket), handlers_(std::move(handlers)),
      framer_([this](const QByteArray& line) { return handlers_.line(*this, line) && !closed_; },
              [this] { return handlers_.oversize(*this) && !closed_; }) {
    socket_->setParent(this);
    socket_->setReadBufferSize(kReadChunk);
    waitTimer_.setSingleShot(true);
    connect(&waitTimer_, &QTimer::timeout, this, [this] {
        if (!closed_ && pending_ == Pending::Wait) handlers_.waitElapsed(*this);
        flushNow();
    });
    connect(socket_, &QLocalSocket::readyRead, this, &ClientSession::readAvailable);
    connect(socket_, &QLocalSocket::disconnected, this, &ClientSession::connectionLost);
    // Data may have come with the connection itself.
    if (socket_->bytesAvailable() > 0)
        QMetaObject::invokeMethod(this, &ClientSession::readAvailable, Qt::QueuedConnection);
}

ClientSession::~ClientSession() {
    closed_ = true;
    waitTimer_.stop();
}

void ClientSession::send(const QByteArray& line) {
    if (closed_ || socket_->state() != QLocalSocket::ConnectedState) return;
    socket_->write(line);
}

void ClientSession::flushNow() {
    // Out now, not on the next turn of the event loop: the client is waiting.
    // Flushing once after a batch keeps an execute's reply and its response in
    // one write, so the client wakes once for both.
    if (!closed_) socket_->flush();
}

void ClientSession::close() {
    if (closed_) return;
    socket_->flush();
    socket_->disconnectFromServer();
    connectionLost();
}

void ClientSession::startWait(int ms, const QString& response) {
    pending_ = Pending::Wait;
    waitResponse_ = response;
    waitTimer_.start(ms);
}

void ClientSession::startSilent() {
    pending_ = Pending::Silent;
    waitResponse_.clear();
}

QString ClientSession::finishPending() {
    waitTimer_.stop();
    pending_ = Pending::None;
    return std::exchange(waitResponse_, QString());
}

void ClientSession::readAvailable() {
    while (!closed_ && socket_->bytesAvailable() > 0) {
        const QByteArray chunk = socket_->read(kReadChunk);
        if (chunk.isEmpty()) break;
        framer_.Feed(chunk);
    }
    flushNow();
}

void ClientSession::connectionLost() {
    if (closed_) return;
    // From here on nothing is written and no timer fires for this client.
    closed_ = true;
    waitTimer_.stop();
    pending_ = Pending::None;
    queued.clear();
    handlers_.gone(*this);
}

} // namespace talvex::korva
