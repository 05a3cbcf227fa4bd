// The client end of the host transport: one local socket carrying the three
// topics as JSON-RPC 2.0 messages, one per line.
#pragma once

#include "hostlink/line_framer.h"
#include "hostlink/peer_user.h"
#include "hostlink/protocol_messages.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <functional>
#include <string>
#include <utility>

class QLocalSocket;

namespace talvex {

class HostTransport : public QObject {
    Q_OBJECT
public:
    struct Handlers {
        std::function<void(qint64 id, const HostReply& reply)> onReply;
        // A "changed" notification: topic, item, data.
        std::function<void(const QString& topic, const QString& item, std::string data)> onChanged;
        // The host closed the connection or it broke; not called for Disconnect().
        std::function<void()> onLost;
        // A line from the host was refused for exceeding the cap.
        std::function<void()> onOversized;
    };

    explicit HostTransport(Handlers handlers, QObject* parent = nullptr);
    ~HostTransport() override;

    // One attempt to connect; false when nobody listens at path.
    bool Connect(const QString& path, int timeoutMs = 1000);
    // Why the last Connect failed ("no such socket", "connection refused", ...).
    const QString& ConnectError() const { return connectError_; }
    // The last Connect found a host, but one of another user, and left it.
    bool PeerRefused() const { return peerRefused_; }
    // Whose host we link to: our own user's only, unless a test says otherwise.
    void SetPeerUserCheck(PeerUserCheck check) { peerCheck_ = std::move(check); }
    const PeerUserCheck& PeerCheck() const { return peerCheck_; }
    // Closes the connection on purpose, writing out what is still queued.
    void Disconnect();
    // Closes the connection at once, dropping what is still queued: for a
    // host that no longer reads.
    void Abort();
    // After a last message (Exit): writes out what is queued and waits, bounded,
    // for the host to close the connection. True when it did.
    bool WaitForClose(int timeoutMs);
    bool IsConnected() const;

    // Each returns the call's id, or 0 when nothing was sent (no connection,
    // or the message would exceed the line cap the host enforces).
    qint64 Request(const QString& topic, const std::string& item);
    qint64 Execute(const QString& topic, const std::string& command);
    qint64 Advise(const QString& topic, const QString& item);
    qint64 Unadvise(const QString& topic, const QString& item);

    // Waits, bounded, until everything queued has been handed to the system.
    void Flush(int timeoutMs);

    qsizetype PeakBuffered() const { return framer_.PeakBuffered(); }
    // Lines refused for exceeding the cap.
    int OversizedCount() const { return oversized_; }

    static constexpr qsizetype kMaxLine = LineFramer::kDefaultMaxLine;

private:
    qint64 Call(const char* method, const QString& topic, const char* key, QByteArrayView value);
    void OnReadyRead();
    void OnDisconnected();
    void HandleLine(const QByteArray& line);

    Handlers handlers_;
    QLocalSocket* socket_ = nullptr;
    LineFramer framer_;
    qint64 nextId_ = 1;
    bool closing_ = false;
    int oversized_ = 0;
    QString connectError_;
    PeerUserCheck peerCheck_;
    bool peerRefused_ = false;
};

} // namespace talvex
