// talvex-run: runs a script as the run command would, without a window. The
// response pane goes to standard output, message boxes to standard error.
#include "app/default_log_folder.h"
#include "app/headless_run.h"
#include "app/locale_decimal_separator.h"
#include "app/run_options.h"
#include "app/signal_relay.h"
#include "hostlink/host_link.h"

#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    // File names as the system gave them, before anything decodes them.
    const std::vector<std::string> args(argv, argv + argc);
    // A headless run only waits on sockets, timers and the signal pipe; the
    // plain Unix event loop takes fewer system calls per host round trip than
    // the GLib one. Only this process: the host it may start keeps the
    // environment it would have had.
    const bool chooseLoop = !qEnvironmentVariableIsSet("QT_NO_GLIB");
    if (chooseLoop) qputenv("QT_NO_GLIB", "1");
    QCoreApplication app(argc, argv);
    if (chooseLoop) qunsetenv("QT_NO_GLIB");
    QCoreApplication::setOrganizationName(QStringLiteral("Talvex"));
    QCoreApplication::setApplicationName(QStringLiteral("Talvex"));

    talvex::RunOptions options;
    if (const int status = talvex::ParseRunOptions(args, options, stdout, stderr); status >= 0)
        return status;

    talvex::HostLink link;
    if (!options.host.empty()) {
        // The given executable and nothing else.
        talvex::HostSearch only;
        only.envKorva32 = QFile::decodeName(options.host.c_str());
        link.SetHostSearch(only);
    }

    talvex::Environment env = talvex::Environment::system();
    env.hostDir = [&link] { return link.HostDir().toStdString(); };
    env.decimalSeparator = talvex::LocaleDecimalSeparator();

    talvex::LinkControl control;
    // Visible, as the window links: a real host keeps its window as the user has it.
    control.init = [&link] { return link.Init(QString(), true); };
    control.starting = [&link] { return link.Starting(); };
    control.cancelStart = [&link] { link.CancelStart(); };
    control.startCancelled = [&link] { return link.StartCancelled(); };
    control.uninit = [&link] { link.Uninit(false); };

    talvex::HeadlessStreams streams;
    streams.yield = [] { QCoreApplication::processEvents(); };
    talvex::HeadlessRun run(
        options, link, std::move(control), std::move(env), std::move(streams),
        talvex::DefaultLogFolder(QCoreApplication::applicationDirPath().toStdString()));
    if (const int status = run.Prepare(); status >= 0) return status;
    link.SetMessageHandler(
        [&run](talvex::LinkMessageIcon, const QString& title, const QString& text) {
            run.Window().Message(talvex::MessageKind::Critical, text.toStdString(),
                                 title.toStdString());
        });

    talvex::SignalRelay relay({SIGINT, SIGTERM, SIGHUP}, [&run](int signal) {
        const int status =
            run.OnInterrupt(signal == SIGINT ? talvex::HeadlessRun::Interrupt::CtrlC
                                             : talvex::HeadlessRun::Interrupt::Terminate);
        if (status >= 0) ::_exit(status);
    });
    return run.Run();
}
