// korva32: the simulator host. Serves the host protocol until a client sends
// Exit and no other client is linked any more, or SIGTERM, SIGINT or SIGHUP.
//
// Exit status: 0 after Exit; 1 the socket could not be set up; 2 the socket
// path is taken (a live host listens there, or it is not a socket); 64 bad
// usage. An ending signal removes the socket and then ends it by that signal.
#include "app/signal_relay.h"
#include "hostlink/socket_folder.h"
#include "hostlink/socket_path.h"
#include "korva32/host_server.h"
#include "simhost/text_window.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <string>

#include <unistd.h>

namespace {

constexpr int kExitSetupFailed = 1;
constexpr int kExitPathTaken = 2;
constexpr int kExitUsage = 64;

} // namespace

int main(int argc, char* argv[]) {
    // A reader that went away must not kill the host; writes just fail.
    std::signal(SIGPIPE, SIG_IGN);
    // The host only serves sockets and timers: the plain Unix event loop takes
    // fewer system calls per message than the GLib one, which a round trip feels.
    qputenv("QT_NO_GLIB", "1");

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korva32"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Simulator host: answers host commands on a local socket until Exit has\n"
                       "come and the last client has left, or SIGTERM, SIGINT or SIGHUP."));
    const QCommandLineOption helpOption({QStringLiteral("h"), QStringLiteral("help")},
                                        QStringLiteral("Show this help and exit."));
    const QCommandLineOption socketOption(
        QStringLiteral("socket"),
        QStringLiteral("Listen on PATH (default: $KORVA_SOCKET, else $XDG_RUNTIME_DIR/KORVA, "
                       "else talvex-UID/KORVA in the temp folder)."),
        QStringLiteral("PATH"));
    const QCommandLineOption visibleOption(
        QStringLiteral("visible"), QStringLiteral("Accepted for compatibility; has no effect."));
    parser.addOption(helpOption);
    parser.addOption(socketOption);
    parser.addOption(visibleOption);

    if (!parser.parse(QCoreApplication::arguments()) || !parser.positionalArguments().isEmpty()) {
        const QString problem = parser.errorText().isEmpty()
                                    ? QStringLiteral("unexpected argument: ") +
                                          parser.positionalArguments().constFirst()
                                    : parser.errorText();
        std::fprintf(stderr, "korva32: %s\n%s", qPrintable(problem), qPrintable(parser.helpText()));
        return kExitUsage;
    }
    if (parser.isSet(helpOption)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        return 0;
    }

    talvex::SocketPlace place;
    if (parser.isSet(socketOption))
        place.path = parser.value(socketOption);
    else
        place = talvex::DefaultSocketPlace();
    place.path = talvex::AbsoluteSocketPath(place.path);
    if (!place.privateFolder.isEmpty()) {
        const std::string refusal = talvex::PrepareSocketFolder(
            QFile::encodeName(place.privateFolder).toStdString(), ::geteuid());
        if (!refusal.empty()) {
            std::fprintf(stderr, "korva32: %s\n", refusal.c_str());
            return kExitSetupFailed;
        }
    }
    const QString& path = place.path;

    talvex::korva::HostServer server(talvex::simhost::WriteToTextWindow);
    // From here on an ending signal removes the socket file as Exit does; one
    // that arrives before the socket exists is acted on once the loop runs.
    talvex::SignalRelay endSignals({SIGTERM, SIGINT, SIGHUP}, [&server](int signal) {
        server.ShutDown();
        talvex::SignalRelay::EndBy(signal);
    });
    QString error;
    switch (server.Listen(path, &error)) {
    case talvex::korva::HostServer::ListenResult::Listening:
        break;
    case talvex::korva::HostServer::ListenResult::PathTaken:
        std::fprintf(stderr, "korva32: %s\n", qPrintable(error));
        return kExitPathTaken;
    case talvex::korva::HostServer::ListenResult::Failed:
        std::fprintf(stderr, "korva32: %s\n", qPrintable(error));
        return kExitSetupFailed;
    }
    QObject::connect(&server, &talvex::korva::HostServer::exitRequested, &app,
                     [] { QCoreApplication::exit(0); });
    return QCoreApplication::exec();
}
