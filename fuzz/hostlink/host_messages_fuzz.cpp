// Any bytes from the host side, read by the link's transport over a real local
// socket: line framing and JSON. After the input (ended by a line feed) comes
// one well-formed reply, and it must be read. The same bytes also go through
// a line framer with a small cap, in pieces, which must never hold more than
// its cap and must find the line after an oversized one.
#include "fuzz/common/scratch_folder.h"
#include "hostlink/host_transport.h"
#include "hostlink/line_framer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLocalServer>
#include <QLocalSocket>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

constexpr qint64 kSentinelId = 4242424242;
const QByteArray kSentinel =
    "{\"jsonrpc\":\"2.0\",\"id\":4242424242,\"result\":{\"data\":\"sentinel\"}}\n";
constexpr qsizetype kSmallCap = 64;

void Check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

struct Link {
    std::unique_ptr<QCoreApplication> app;
    std::unique_ptr<QLocalServer> server;
    std::unique_ptr<talvex::HostTransport> transport;
    QLocalSocket* hostSide = nullptr;
    bool sentinelSeen = false;
    long replies = 0;
    long changes = 0;
};

Link& TheLink() {
    static Link* link = [] {
        static int argc = 1;
        static char name[] = "fuzz_host_messages";
        static char* argv[] = {name, nullptr};
        auto* l = new Link;
        l->app = std::make_unique<QCoreApplication>(argc, argv);
        l->server = std::make_unique<QLocalServer>();
        const QString path = QString::fromStdString(talvex::fuzzing::ScratchFolder() + "/host");
        if (!l->server->listen(path)) std::abort();
        talvex::HostTransport::Handlers handlers;
        handlers.onReply = [l](qint64 id, const talvex::HostReply& reply) {
            ++l->replies;
            if (id == kSentinelId && !reply.isError && reply.data == "sentinel")
                l->sentinelSeen = true;
        };
        handlers.onChanged = [l](const QString&, const QString&, std::string) { ++l->changes; };
        handlers.onLost = [] { Check(false, "the link stays up"); };
        l->transport = std::make_unique<talvex::HostTransport>(handlers);
        if (!l->transport->Connect(path)) std::abort();
        if (!l->server->waitForNewConnection(5000)) std::abort();
        l->hostSide = l->server->nextPendingConnection();
        return l;
    }();
    return *link;
}

void ThroughSmallFramer(const std::uint8_t* data, std::size_t size) {
    QByteArray last;
    qsizetype longest = 0;
    talvex::LineFramer framer(
        [&](const QByteArray& line) {
            last = line;
            longest = std::max(longest, line.size());
            return true;
        },
        [] { return true; }, kSmallCap);
    // Pieces whose sizes come from the input itself.
    std::size_t pos = 0;
    while (pos < size) {
        const std::size_t piece = 1 + data[pos] % 97;
        const std::size_t n = std::min(piece, size - pos);
        framer.Feed(QByteArray(reinterpret_cast<const char*>(data + pos), qsizetype(n)));
        Check(framer.Buffered() <= kSmallCap, "the framer holds at most its cap");
        pos += n;
    }
    framer.Feed("\nafter\n");
    Check(longest <= kSmallCap, "no line over the cap is handed on");
    Check(last == "after", "the line after the input is read");
    Check(framer.PeakBuffered() <= kSmallCap, "peak within the cap");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    ThroughSmallFramer(data, size);

    Link& link = TheLink();
    link.sentinelSeen = false;
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    bytes += '\n';
    bytes += kSentinel;
    link.hostSide->write(bytes);
    link.hostSide->flush();
    QElapsedTimer waited;
    waited.start();
    while (!link.sentinelSeen) {
        Check(waited.elapsed() < 5000, "a well-formed reply after the input is read");
        link.app->processEvents(QEventLoop::AllEvents, 10);
    }
    Check(link.transport->IsConnected(), "the link stays up");
    return 0;
}
