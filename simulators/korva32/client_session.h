// One connected client: its socket, line framing, advise state and the
// timer of its wait.
#pragma once

#include "hostlink/line_framer.h"
#include "simhost/session_port.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <functional>

class QLocalSocket;

namespace talvex::korva {

class ClientSession : public QObject {
    Q_OBJECT

public:
    // Set by the server. The line and oversize handlers return false to stop
    // reading (the host is ending).
    struct Handlers {
        std::function<bool(ClientSession&, const QByteArray&)> line;
        std::function<bool(ClientSession&)> oversize;
        std::function<void(ClientSession&)> waitElapsed;
        std::function<void(ClientSession&)> gone;
    };

    ClientSession(simhost::ClientId id, QLocalSocket* socket, Handlers handlers,
                  QObject* parent = nullptr);
    ~ClientSession() override;

    simhost::ClientId Id() const { return id_; }

    // Queues one line for the client; a closed connection swallows it.
    void Send(const QByteArray& line);
    // Writes out what the socket can take now and closes the connection.
    void Close();

    bool asyncAdvised = false;
    bool dynamicAdvised = false;

    void StartTimer(int ms) { waitTimer_.start(ms); }
    void StopTimer() { waitTimer_.stop(); }

private:
    void ReadAvailable();
    void FlushNow();
    void ConnectionLost();

    simhost::ClientId id_;
    QLocalSocket* socket_;
    Handlers handlers_;
    LineFramer framer_;
    QTimer waitTimer_;
    bool closed_ = false;
};

} // namespace talvex::korva
