// Connection handling and JSON-RPC dispatch of the simulator host. Every
// malformed message gets an error reply and the connection stays up; only
// Exit or the client itself ends a connection.
#include "korva32/host_server.h"

#include "hostlink/protocol_messages.h"
#include "korva32/client_session.h"
#include "simhost/protocol_topics.h"

#include <QFile>
#include <QLocalSocket>

#include <poll.h>
#include <sys/stat.h>

#include <cstdio>

namespace talvex::korva {

using namespace talvex::protocol;

namespace {

// Longest path a Unix socket address holds.
constexpr qsizetype kMaxSocketPathBytes = 107;

const QString kControl = QLatin1String(simhost::kControlTopic);
const QString kAsync = QLatin1String(simhost::kAsyncTopic);
const QString kDynamic = QLatin1String(simhost::kDynamicTopic);
const QString kData = QLatin1String(simhost::kDataItem);

} // namespace

HostServer::HostServer(simhost::CommandInterpreter::TextSink writeText, QObject* parent)
    : QObject(parent), sessions_(*this, std::move(writeText),
                                 simhost::ReplyBound{JsonStringBytes, MaxReplyTextBytes()}) {
    connect(&server_, &QLocalServer::newConnection, this, &HostServer::AcceptConnections);
    log_ = [](const QString& line) { std::fprintf(stderr, "%s\n", qPrintable(line)); };
}

HostServer::~HostServer() {
    for (const auto& [id, client] : clients_)
        delete client;
    clients_.clear();
}

HostServer::ListenResult HostServer::Listen(const QString& path, QString* error) {
    const QByteArray encoded = QFile::encodeName(path);
    if (encoded.size() > kMaxSocketPathBytes) {
        *error = QStringLiteral("socket path longer than 107 bytes: ") + path;
        return ListenResult::Failed;
    }
    struct stat info {};
    if (::lstat(encoded.constData(), &info) == 0) {
        // Never delete something that is not a socket in the name of cleaning up.
        if (!S_ISSOCK(info.st_mode)) {
            *error = QStringLiteral("exists and is not a socket: ") + path;
            return ListenResult::PathTaken;
        }
        QLocalSocket probe;
        probe.connectToServer(path);
        if (probe.waitForConnected(1000)) {
            probe.abort();
            *error = QStringLiteral("a host already listens on ") + path;
            return ListenResult::PathTaken;
        }
        QLocalServer::removeServer(path);
    }
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_.listen(path)) {
        *error = server_.errorString() + QStringLiteral(": ") + path;
        return server_.serverError() == QAbstractSocket::AddressInUseError ? ListenResult::PathTaken
                                                                           : ListenResult::Failed;
    }
    return ListenResult::Listening;
}

void HostServer::AcceptConnections() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        if (sessions_.Ended()) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        // A client of another user could drive this user's instrument and
        // read the values kept for this user's runs.
        const std::string refusal = peerCheck_.Refusal(int(socket->socketDescriptor()));
        if (!refusal.empty()) {
            log_(QStringLiteral("korva32: refused a client that ") +
                 QString::fromStdString(refusal));
            socket->abort();
            socket->deleteLater();
            continue;
        }
        ClientSession::Handlers handlers;
        handlers.line = [this](ClientSession& c, const QByteArray& l) { return HandleLine(c, l); };
        handlers.oversize = [this](ClientSession& c) { return HandleOversize(c); };
        handlers.gone = [this](ClientSession& c) { DropClient(c); };
        handlers.waitElapsed = [this](ClientSession& c) { sessions_.WaitElapsed(c.Id()); };
        const simhost::ClientId id = sessions_.Join();
        clients_[id] = new ClientSession(id, socket, std::move(handlers), this);
    }
}

void HostServer::DropClient(ClientSession& client) {
    clients_.erase(client.Id());
    // Later: the client may be in the middle of reading when its peer goes.
    client.deleteLater();
    sessions_.Leave(client.Id());
}

bool HostServer::ConnectionWaiting() const {
    // A client the system has connected but the event loop has not handed us
    // yet is linked too; it is taken in the usual way, and when it leaves
    // again the host ends.
    if (server_.hasPendingConnections()) return true;
    pollfd listening{static_cast<int>(server_.socketDescriptor()), POLLIN, 0};
    return ::poll(&listening, 1, 0) == 1 && (listening.revents & POLLIN) != 0;
}

bool HostServer::HandleOversize(ClientSession& client) {
    client.Send(ErrorLine(QJsonValue::Null, kInvalidRequest, QStringLiteral("message too large")));
    return !sessions_.Ended();
}

bool HostServer::HandleLine(ClientSession& client, const QByteArray& line) {
    if (sessions_.Ended()) return false;
    const ClientCall call = ReadClientLine(line);
    if (!call.refusal.isEmpty()) {
        client.Send(call.refusal);
        return true;
    }
    if (call.method == u"request")
        Request(client, call.id, call.params);
    else if (call.method == u"execute")
        Execute(client, call.id, call.params);
    else
        Advise(client, call.id, call.params, call.method == u"advise");
    return !sessions_.Ended();
}

void HostServer::Request(ClientSession& client, const QJsonValue& id, const QJsonObject& params) {
    const QJsonValue topic = params.value(QLatin1String("topic"));
    const QJsonValue item = params.value(QLatin1String("item"));
    if (topic != kControl || !item.isString()) {
        client.Send(ErrorLine(id, kInvalidParams,
                              QStringLiteral("invalid params: request needs topic \"DDE_Control\" "
                                             "and a string item")));
        return;
    }
    sessions_.Request(client.Id(), item.toString().toStdString(), [&](const std::string& text) {
        client.Send(DataResultLine(id, QString::fromStdString(text)));
    });
}

void HostServer::Execute(ClientSession& client, const QJsonValue& id, const QJsonObject& params) {
    const QJsonValue topic = params.value(QLatin1String("topic"));
    const QJsonValue command = params.value(QLatin1String("command"));
    if (topic != kControl || !command.isString()) {
        client.Send(ErrorLine(id, kInvalidParams,
                              QStringLiteral("invalid params: execute needs topic \"DDE_Control\" "
                                             "and a string command")));
        return;
    }
    // The reply says "accepted"; the response always comes after it.
    client.Send(NullResultLine(id));
    sessions_.Execute(client.Id(), command.toString().toStdString());
}

void HostServer::Advise(ClientSession& client, const QJsonValue& id, const QJsonObject& params,
                        bool on) {
    const QJsonValue topic = params.value(QLatin1String("topic"));
    const QJsonValue item = params.value(QLatin1String("item"));
    if ((topic != kAsync && topic != kDynamic) || item != kData) {
        client.Send(ErrorLine(id, kInvalidParams,
                              QStringLiteral("invalid params: topic must be \"DDE_AsyncResponse\" "
                                             "or \"DDE_DynamicData\", item \"Data\"")));
        return;
    }
    if (topic == kAsync)
        client.asyncAdvised = on;
    else
        client.dynamicAdvised = on;
    client.Send(NullResultLine(id));
}

ClientSession* HostServer::Find(simhost::ClientId client) const {
    const auto found = clients_.find(client);
    return found == clients_.end() ? nullptr : found->second;
}

void HostServer::Respond(simhost::ClientId client, const std::string& response) {
    // Sent whether or not the client advised the topic: its execute asked for it.
    if (ClientSession* session = Find(client))
        session->Send(ChangedLine(kAsync, QString::fromStdString(response)));
}

void HostServer::PushDynamic(const std::string& data) {
    const QByteArray line = ChangedLine(kDynamic, QString::fromStdString(data));
    const std::map<simhost::ClientId, ClientSession*> clients = clients_;
    for (const auto& [id, client] : clients) {
        if (client->dynamicAdvised) client->Send(line);
    }
}

void HostServer::StartTimer(simhost::ClientId client, int ms) {
    if (ClientSession* session = Find(client)) session->StartTimer(ms);
}

void HostServer::StopTimer(simhost::ClientId client) {
    if (ClientSession* session = Find(client)) session->StopTimer();
}

void HostServer::ScheduleEnd() {
    // Replies are already in the socket's buffer: the clients' links can end now.
    sessions_.EndLeaving();
}

void HostServer::EndClient(simhost::ClientId client) {
    if (ClientSession* session = Find(client)) session->Close();
}

void HostServer::EndHost() {
    // The socket file first: a client that sees its connection close may
    // start a fresh host at once, and must not find this one's socket.
    server_.close();
    const std::map<simhost::ClientId, ClientSession*> clients = clients_;
    for (const auto& [id, client] : clients)
        client->Close();
    emit exitRequested();
}

} // namespace talvex::korva
