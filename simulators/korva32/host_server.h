// The host side of the protocol: listens on the local socket, decodes
// JSON-RPC lines and routes commands, responses and dynamic data.
#pragma once

#include "hostlink/peer_user.h"
#include "simhost/session_core.h"

#include <QJsonObject>
#include <QLocalServer>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <string>

namespace talvex::korva {

class ClientSession;

class HostServer : public QObject, private simhost::SessionPort {
    Q_OBJECT

public:
    enum class ListenResult {
        Listening,
        PathTaken, // a live host listens there, or the path is not a socket
        Failed,
    };

    // `writeText` receives what rtftextnl() puts in the host's text window.
    explicit HostServer(simhost::CommandInterpreter::TextSink writeText, QObject* parent = nullptr);
    ~HostServer() override;

    // Takes the socket path: refuses one where a host answers, removes a stale
    // socket file, and listens for the user only. `error` explains a refusal.
    ListenResult Listen(const QString& path, QString* error);

    // Receives the lines the host writes to standard error (by default).
    void SetLog(std::function<void(const QString& line)> log) { log_ = std::move(log); }
    // Whose clients are served: the user's own only, unless a test says otherwise.
    void SetPeerUserCheck(PeerUserCheck check) { peerCheck_ = std::move(check); }

    // Ends the host now: closes every connection and removes the socket file,
    // then emits exitRequested. For a signal; clients end it with Exit.
    void ShutDown() { sessions_.ShutDown(); }

signals:
    // The host is ending; every connection is closed and the socket file removed.
    void exitRequested();

private:
    void AcceptConnections();
    bool HandleLine(ClientSession& client, const QByteArray& line);
    bool HandleOversize(ClientSession& client);
    void DropClient(ClientSession& client);

    void Request(ClientSession& client, const QJsonValue& id, const QJsonObject& params);
    void Execute(ClientSession& client, const QJsonValue& id, const QJsonObject& params);
    void Advise(ClientSession& client, const QJsonValue& id, const QJsonObject& params, bool on);

    // The session core's port: socket writes and Qt timers.
    void Respond(simhost::ClientId client, const std::string& response) override;
    void PushDynamic(const std::string& data) override;
    void StartTimer(simhost::ClientId client, int ms) override;
    void StopTimer(simhost::ClientId client) override;
    void ScheduleEnd() override;
    bool ConnectionWaiting() const override;
    void EndClient(simhost::ClientId client) override;
    void EndHost() override;

    ClientSession* Find(simhost::ClientId client) const;

    QLocalServer server_;
    std::function<void(const QString& line)> log_;
    PeerUserCheck peerCheck_;
    simhost::SessionCore sessions_;
    std::map<simhost::ClientId, ClientSession*> clients_;
};

} // namespace talvex::korva
