// Any bytes from a client, read by korva32's server over a real local socket:
// line framing, JSON-RPC and the commands. Each input gets a fresh host and a
// fresh connection. After the input (ended by a line feed) the client sends one
// well-formed request, and it must be answered: whatever came before, the
// connection stays and the host keeps serving. Only an Exit in the input ends
// the host, and then the connection closes.
//
// Each input is a fresh connection to one host that lives on (as a real host
// serves client after client), so values set by earlier inputs stay and the
// bound on them is reached in the end; after an Exit a new host starts.
#include "fuzz/common/scratch_folder.h"
#include "korva32/host_server.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalSocket>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

const QByteArray kSentinel =
    "{\"jsonrpc\":\"2.0\",\"id\":987654321,\"method\":\"request\","
    "\"params\":{\"topic\":\"DDE_Control\",\"item\":\"echo(sentinel)\"}}\n";
const QByteArray kAnswer =
    "{\"jsonrpc\":\"2.0\",\"id\":987654321,\"result\":{\"data\":\"sentinel\"}}";

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

QCoreApplication& App() {
    static int argc = 1;
    static char name[] = "fuzz_client_lines";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = new QCoreApplication(argc, argv);
    return *app;
}

} // namespace

struct Host {
    std::unique_ptr<talvex::korva::HostServer> server;
    bool exited = false;
};

Host& LiveHost() {
    static Host host;
    if (!host.server || host.exited) {
        host.server.reset();
        host.exited = false;
        host.server = std::make_unique<talvex::korva::HostServer>([](const std::string&) {});
        QObject::connect(host.server.get(), &talvex::korva::HostServer::exitRequested,
                         [] { host.exited = true; });
        const QString path = QString::fromStdString(talvex::fuzzing::ScratchFolder() + "/korva");
        QString error;
        Check(host.server->Listen(path, &error) ==
                  talvex::korva::HostServer::ListenResult::Listening,
              "the host listens");
    }
    return host;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    QCoreApplication& app = App();
    Host& host = LiveHost();
    const QString path = QString::fromStdString(talvex::fuzzing::ScratchFolder() + "/korva");
    const bool& exited = host.exited;
    {

        QLocalSocket client;
        client.connectToServer(path);
        Check(client.waitForConnected(5000), "the client connects");
        QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
        bytes += '\n';
        bytes += kSentinel;
        client.write(bytes);
        client.flush();

        QByteArray received;
        bool answered = false;
        QElapsedTimer waited;
        waited.start();
        while (!answered && !exited) {
            Check(waited.elapsed() < 5000, "the request after the input is answered");
            app.processEvents(QEventLoop::AllEvents, 10);
            received += client.readAll();
            // Keep only what may still hold the start of the answer's line.
            qsizetype start = 0;
            for (qsizetype nl; (nl = received.indexOf('\n', start)) >= 0; start = nl + 1) {
                if (received.mid(start, nl - start) == kAnswer) answered = true;
            }
            received.remove(0, start);
        }
        Check(exited || client.state() == QLocalSocket::ConnectedState, "the connection stays");
        client.abort();
        // The host sees the connection go and forgets its session.
        app.processEvents(QEventLoop::AllEvents, 10);
    }
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
