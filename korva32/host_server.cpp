// Connection handling and JSON-RPC dispatch of the simulator host. Every
// malformed message gets an error reply and the connection stays up; only
// Exit or the client itself ends a connection.
#include "korva32/host_server.h"

#include "korva32/client_session.h"
#include "korva32/protocol_messages.h"

#include <QFile>
#include <QJsonDocument>
#include <QLocalSocket>

#include <poll.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace talvex::korva {

namespace {

// Longest path a Unix socket address holds.
constexpr qsizetype kMaxSocketPathBytes = 107;

bool isIntegerId(const QJsonValue& id) {
    if (!id.isDouble()) return false;
    const double value = id.toDouble();
    return std::isfinite(value) && std::floor(value) == value;
}

// Distinguishes "not JSON at all" from "JSON, but not an object": Qt's parser
// refuses a bare scalar, so try it again as the element of an array.
bool isJsonScalar(const QByteArray& line) {
    QJsonParseError error{};
    const QJsonDocument wrapped = QJsonDocument::fromJson('[' + line + ']', &error);
    return error.error == QJsonParseError::NoError && wrapped.isArray();
}

const QString kControl = QString::fromUtf16(kControlTopic);
const QString kAsync = QString::fromUtf16(kAsyncTopic);
const QString kDynamic = QString::fromUtf16(kDynamicTopic);
const QString kData = QString::fromUtf16(kDataItem);

} // namespace

HostServer::HostServer(simhost::CommandInterpreter::TextSink writeText, QObject* parent)
    : QObject(parent),
      interpreter_([this](const std::string& data) { pushDynamic(QString::fromStdString(data)); },
                   std::move(writeText),
                   simhost::ReplyBound{jsonStringBytes, maxReplyTextBytes()}) {
    connect(&server_, &QLocalServer::newConnection, this, &HostServer::acceptConnections);
    log_ = [](const QString& line) { std::fprintf(stderr, "%s\n", qPrintable(line)); };
}

HostServer::~HostServer() {
    exiting_ = true;
    for (ClientSession* client : clients_)
        delete client;
    clients_.clear();
}

HostServer::ListenResult HostServer::listen(const QString& path, QString* error) {
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

void HostServer::acceptConnections() {
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
        handlers.line = [this](ClientSession& c, const QByteArray& l) { return handleLine(c, l); };
        handlers.oversize = [this](ClientSession& c) { return handleOversize(c); };
        handlers.waitElapsed = [this](ClientSession& c) { waitElapsed(c); };
        handlers.gone = [this](ClientSession& c) { dropClient(c); };
        auto* client = new ClientSession(socket, std::move(handlers), this);
        clients_.push_back(client);
    }
}

void HostServer::dropClient(ClientSession& client) {
    clients_.erase(std::remove(clients_.begin(), clients_.end(), &client), clients_.end());
    // Later: the client may be in the middle of reading when its peer goes.
    client.deleteLater();
    if (exitPending_ && !exiting_ && clients_.empty() && !connectionWaiting()) shutDown();
}

void HostServer::exitFrom(ClientSession& client) {
    // Exit ends this client's link; the host itself ends once no other client
    // is linked, so one run's Exit never pulls the host from under another.
    exitPending_ = true;
    const bool others = std::any_of(clients_.begin(), clients_.end(),
                                    [&](ClientSession* c) { return c != &client; });
    if (others || connectionWaiting())
        client.close();
    else
        shutDown(); // the socket file goes before this client sees its connection close
}

bool HostServer::connectionWaiting() const {
    // A client the system has connected but the event loop has not handed us
    // yet is linked too; it is taken in the usual way, and when it leaves
    // again the host ends.
    if (server_.hasPendingConnections()) return true;
    pollfd listening{static_cast<int>(server_.socketDescriptor()), POLLIN, 0};
    return ::poll(&listening, 1, 0) == 1 && (listening.revents & POLLIN) != 0;
}

bool HostServer::handleOversize(ClientSession& client) {
    client.send(errorLine(QJsonValue::Null, kInvalidRequest, QStringLiteral("message too large")));
    return !exiting_;
}

bool HostServer::handleLine(ClientSession& client, const QByteArray& line) {
    if (exiting_) return false;
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        if (isJsonScalar(line))
            client.send(errorLine(QJsonValue::Null, kInvalidRequest,
                                  QStringLiteral("invalid request: not an object")));
        else
            client.send(errorLine(QJsonValue::Null, kParseError, QStringLiteral("parse error")));
        return true;
    }
    if (!document.isObject()) {
        client.send(errorLine(QJsonValue::Null, kInvalidRequest,
                              QStringLiteral("invalid request: not an object")));
        return true;
    }
    const QJsonObject message = document.object();
    const QJsonValue rawId = message.value(QLatin1String("id"));
    const QJsonValue id = isIntegerId(rawId) ? rawId : QJsonValue(QJsonValue::Null);
    if (message.value(QLatin1String("jsonrpc")) != QLatin1String("2.0")) {
        client.send(errorLine(id, kInvalidRequest,
                              QStringLiteral("invalid request: jsonrpc must be \"2.0\"")));
        return true;
    }
    const QJsonValue method = message.value(QLatin1String("method"));
    if (!method.isString()) {
        client.send(errorLine(id, kInvalidRequest, QStringLiteral("invalid request: no method")));
        return true;
    }
    if (!isIntegerId(rawId)) {
        client.send(errorLine(QJsonValue::Null, kInvalidRequest,
                              QStringLiteral("invalid request: id must be an integer")));
        return true;
    }
    const QString name = method.toString();
    const bool known =
        name == u"request" || name == u"execute" || name == u"advise" || name == u"unadvise";
    if (!known) {
        client.send(errorLine(id, kMethodNotFound, QStringLiteral("method not found: ") + name));
        return true;
    }
    const QJsonValue params = message.value(QLatin1String("params"));
    if (!params.isObject()) {
        client.send(errorLine(id, kInvalidParams,
                              QStringLiteral("invalid params: params must be an object")));
        return true;
    }
    if (name == u"request")
        request(client, id, params.toObject());
    else if (name == u"execute")
        execute(client, id, params.toObject());
    else
        advise(client, id, params.toObject(), name == u"advise");
    return !exiting_;
}

void HostServer::request(ClientSession& client, const QJsonValue& id, const QJsonObject& params) {
    const QJsonValue topic = params.value(QLatin1String("topic"));
    const QJsonValue item = params.value(QLatin1String("item"));
    if (topic != kControl || !item.isString()) {
        client.send(errorLine(id, kInvalidParams,
                              QStringLiteral("invalid params: request needs topic \"DDE_Control\" "
                                             "and a string item")));
        return;
    }
    const simhost::CommandOutcome outcome =
        interpreter_.run(item.toString().toStdString(), simhost::CommandWay::Request);
    // A hard cancel ends the pending execute before its own reply goes out.
    if (outcome.kind == simhost::CommandOutcome::Kind::HardCancel) cancelPending(client);
    client.send(dataResultLine(id, QString::fromStdString(outcome.text)));
    if (outcome.kind == simhost::CommandOutcome::Kind::Exit) exitFrom(client);
}

void HostServer::execute(ClientSession& client, const QJsonValue& id, const QJsonObject& params) {
    const QJsonValue topic = params.value(QLatin1String("topic"));
    const QJsonValue command = params.value(QLatin1String("command"));
    if (topic != kControl || !command.isString()) {
        client.send(errorLine(id, kInvalidParams,
                              QStringLiteral("invalid params: execute needs topic \"DDE_Control\" "
                                             "and a string command")));
        return;
    }
    // The reply says "accepted"; the response always comes after it.
    client.send(nullResultLine(id));
    std::string text = command.toString().toStdString();
    const bool busy = client.pending() != ClientSession::Pending::None || !client.queued.empty();
    if (busy && !simhost::CommandInterpreter::bypassesQueue(text)) {
        client.queued.push(std::move(text));
        return;
    }
    runExecute(client, text);
}

void HostServer::advise(ClientSession& client, const QJsonValue& id, const QJsonObject& params,
                        bool on) {
    const QJsonValue topic = params.value(QLatin1String("topic"));
    const QJsonValue item = params.value(QLatin1String("item"));
    if ((topic != kAsync && topic != kDynamic) || item != kData) {
        client.send(errorLine(id, kInvalidParams,
                              QStringLiteral("invalid params: topic must be \"DDE_AsyncResponse\" "
                                             "or \"DDE_DynamicData\", item \"Data\"")));
        return;
    }
    if (topic == kAsync)
        client.asyncAdvised = on;
    else
        client.dynamicAdvised = on;
    client.send(nullResultLine(id));
}

void HostServer::runExecute(ClientSession& client, const std::string& command) {
    using Kind = simhost::CommandOutcome::Kind;
    const simhost::CommandOutcome outcome = interpreter_.run(command, simhost::CommandWay::Execute);
    switch (outcome.kind) {
    case Kind::Answer:
        respond(client, QString::fromStdString(outcome.text));
        break;
    case Kind::HardCancel:
        cancelPending(client);
        respond(client, QString::fromStdString(outcome.text));
        break;
    case Kind::Wait:
        client.startWait(outcome.waitMs, QString::fromStdString(outcome.text));
        break;
    case Kind::Silent:
        client.startSilent();
        break;
    case Kind::Exit:
        exitFrom(client);
        break;
    }
}

void HostServer::waitElapsed(ClientSession& client) {
    respond(client, client.finishPending());
    runQueued(client);
}

void HostServer::cancelPending(ClientSession& client) {
    if (client.pending() == ClientSession::Pending::None) return;
    // Everything the client has outstanding ends; each execute still gets
    // its one response, so no waiting client is left hanging.
    client.finishPending();
    respond(client, QStringLiteral("cancelled"));
    while (!client.queued.empty()) {
        client.queued.pop();
        respond(client, QStringLiteral("cancelled"));
    }
}

void HostServer::runQueued(ClientSession& client) {
    while (!exiting_ && client.isOpen() && client.pending() == ClientSession::Pending::None &&
           !client.queued.empty()) {
        const std::optional<std::string> command = client.queued.pop();
        if (command)
            runExecute(client, *command);
        else
            respond(client, QString::fromStdString(simhost::ExecuteQueue::refusedResponse()));
    }
}

void HostServer::respond(ClientSession& client, const QString& response) {
    // Sent whether or not the client advised the topic: its execute asked for it.
    client.send(changedLine(kAsync, response));
}

void HostServer::pushDynamic(const QString& data) {
    const QByteArray line = changedLine(kDynamic, data);
    const std::vector<ClientSession*> clients = clients_;
    for (ClientSession* client : clients) {
        if (client->dynamicAdvised) client->send(line);
    }
}

void HostServer::shutDown() {
    if (exiting_) return;
    exiting_ = true;
    // The socket file first: a client that sees its connection close may
    // start a fresh host at once, and must not find this one's socket.
    server_.close();
    const std::vector<ClientSession*> clients = clients_;
    for (ClientSession* client : clients)
        client->close();
    emit exitRequested();
}

} // namespace talvex::korva
