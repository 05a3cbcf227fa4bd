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

#include <algorithm>
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
    : QObject(parent),
      interpreter_([this](const std::string& data) { PushDynamic(QString::fromStdString(data)); },
                   std::move(writeText),
                   simhost::ReplyBound{JsonStringBytes, MaxReplyTextBytes()}) {
    connect(&server_, &QLocalServer::newConnection, this, &HostServer::AcceptConnections);
    log_ = [](const QString& line) { std::fprintf(stderr, "%s\n", qPrintable(line)); };
}

HostServer::~HostServer() {
    exiting_ = true;
    for (ClientSession* client : clients_)
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
        if (exiting_) {
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
        handlers.waitElapsed = [this](ClientSession& c) { WaitElapsed(c); };
        handlers.gone = [this](ClientSession& c) { DropClient(c); };
        auto* client = new ClientSession(socket, std::move(handlers), this);
        clients_.push_back(client);
    }
}

void HostServer::DropClient(ClientSession& client) {
    clients_.erase(std::remove(clients_.begin(), clients_.end(), &client), clients_.end());
    // Later: the client may be in the middle of reading when its peer goes.
    client.deleteLater();
    if (exitPending_ && !exiting_ && clients_.empty() && !ConnectionWaiting()) ShutDown();
}

void HostServer::ExitFrom(ClientSession& client) {
    // Exit ends this client's link; the host itself ends once no other client
    // is linked, so one run's Exit never pulls the host from under another.
    exitPending_ = true;
    const bool others = std::any_of(clients_.begin(), clients_.end(),
                                    [&](ClientSession* c) { return c != &client; });
    if (others || ConnectionWaiting())
        client.Close();
    else
        ShutDown(); // the socket file goes before this client sees its connection close
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
    return !exiting_;
}

bool HostServer::HandleLine(ClientSession& client, const QByteArray& line) {
    if (exiting_) return false;
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
    return !exiting_;
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
    const simhost::CommandOutcome outcome =
        interpreter_.Run(item.toString().toStdString(), simhost::CommandWay::Request);
    // A hard cancel ends the pending execute before its own reply goes out.
    if (outcome.kind == simhost::CommandOutcome::Kind::HardCancel) CancelPending(client);
    client.Send(DataResultLine(id, QString::fromStdString(outcome.text)));
    if (outcome.kind == simhost::CommandOutcome::Kind::Exit) ExitFrom(client);
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
    std::string text = command.toString().toStdString();
    const bool busy = client.PendingNow() != ClientSession::Pending::None || !client.queued.Empty();
    if (busy && !simhost::CommandInterpreter::BypassesQueue(text)) {
        client.queued.Push(std::move(text));
        return;
    }
    RunExecute(client, text);
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

void HostServer::RunExecute(ClientSession& client, const std::string& command) {
    using Kind = simhost::CommandOutcome::Kind;
    const simhost::CommandOutcome outcome = interpreter_.Run(command, simhost::CommandWay::Execute);
    switch (outcome.kind) {
    case Kind::Answer:
        Respond(client, QString::fromStdString(outcome.text));
        break;
    case Kind::HardCancel:
        CancelPending(client);
        Respond(client, QString::fromStdString(outcome.text));
        break;
    case Kind::Wait:
        client.StartWait(outcome.waitMs, QString::fromStdString(outcome.text));
        break;
    case Kind::Silent:
        client.StartSilent();
        break;
    case Kind::Exit:
        ExitFrom(client);
        break;
    }
}

void HostServer::WaitElapsed(ClientSession& client) {
    Respond(client, client.FinishPending());
    RunQueued(client);
}

void HostServer::CancelPending(ClientSession& client) {
    if (client.PendingNow() == ClientSession::Pending::None) return;
    // Everything the client has outstanding ends; each execute still gets
    // its one response, so no waiting client is left hanging.
    client.FinishPending();
    Respond(client, QStringLiteral("cancelled"));
    while (!client.queued.Empty()) {
        client.queued.Pop();
        Respond(client, QStringLiteral("cancelled"));
    }
}

void HostServer::RunQueued(ClientSession& client) {
    while (!exiting_ && client.IsOpen() && client.PendingNow() == ClientSession::Pending::None &&
           !client.queued.Empty()) {
        const std::optional<std::string> command = client.queued.Pop();
        if (command)
            RunExecute(client, *command);
        else
            Respond(client, QString::fromStdString(simhost::ExecuteQueue::RefusedResponse()));
    }
}

void HostServer::Respond(ClientSession& client, const QString& response) {
    // Sent whether or not the client advised the topic: its execute asked for it.
    client.Send(ChangedLine(kAsync, response));
}

void HostServer::PushDynamic(const QString& data) {
    const QByteArray line = ChangedLine(kDynamic, data);
    const std::vector<ClientSession*> clients = clients_;
    for (ClientSession* client : clients) {
        if (client->dynamicAdvised) client->Send(line);
    }
}

void HostServer::ShutDown() {
    if (exiting_) return;
    exiting_ = true;
    // The socket file first: a client that sees its connection close may
    // start a fresh host at once, and must not find this one's socket.
    server_.close();
    const std::vector<ClientSession*> clients = clients_;
    for (ClientSession* client : clients)
        client->Close();
    emit exitRequested();
}

} // namespace talvex::korva
