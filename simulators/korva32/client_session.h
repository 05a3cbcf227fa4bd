// One connected client: its socket, line framing, advise state and the
// execute it has in progress.
#pragma once

#include "hostlink/line_framer.h"
#include "simhost/execute_queue.h"

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

    // What the client's current execute is doing while its response is not out yet.
    enum class Pending { None, Wait, Silent };

    ClientSession(QLocalSocket* socket, Handlers handlers, QObject* parent = nullptr);
    ~ClientSession() override;

    bool IsOpen() const { return !closed_; }

    // Queues one line for the client; a closed connection swallows it.
    void Send(const QByteArray& line);
    // Writes out what the socket can take now and closes the connection.
    void Close();

    bool asyncAdvised = false;
    bool dynamicAdvised = false;

    Pending PendingNow() const { return pending_; }
    void StartWait(int ms, const QString& response);
    void StartSilent();
    // Ends the pending work and gives the response a wait had ready.
    QString FinishPending();

    // Executes accepted while an earlier one was still pending, oldest first.
    simhost::ExecuteQueue queued;

private:
    void ReadAvailable();
    void FlushNow();
    void ConnectionLost();

    QLocalSocket* socket_;
    Handlers handlers_;
    LineFramer framer_;
    QTimer waitTimer_;
    Pending pending_ = Pending::None;
    QString waitResponse_;
    bool closed_ = false;
};

} // namespace talvex::korva
