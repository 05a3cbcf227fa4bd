// talvex-run: runs a script as the run command would, without a window. The
// response pane goes to standard output, message boxes to standard error.
#include "app/default_log_folder.h"
#include "app/exit_status.h"
#include "app/headless_window.h"
#include "app/log_file_guard.h"
#include "app/run_options.h"
#include "app/signal_relay.h"
#include "engine/interpreter.h"
#include "engine/script_file.h"
#include "engine/script_runner.h"
#include "hostlink/host_link.h"
#include "macromath/environment.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>

#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using talvex::kExitHost;
using talvex::kExitInterrupted;
using talvex::kExitNoInput;

char LocaleDecimalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 128 ? static_cast<char>(point[0].unicode())
                                                         : '.';
}

} // namespace

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
    QCoreApplication::setOrganizationName("Talvex");
    QCoreApplication::setApplicationName("Talvex");

    talvex::RunOptions options;
    if (const int status = talvex::ParseRunOptions(args, options, stdout, stderr); status >= 0)
        return status;

    const std::string& scriptPath = options.script;
    talvex::LoadedScriptFile script = talvex::LoadScriptFile(scriptPath);
    if (!script.ok) {
        std::fprintf(stderr, "talvex-run: cannot read %s: %s\n", scriptPath.c_str(),
                     script.error.c_str());
        return kExitNoInput;
    }
    if (!options.log.empty()) {
        if (const int status = talvex::CheckLogFile(options.log, scriptPath, stderr); status >= 0)
            return status;
    }

    talvex::HeadlessWindow window(stdout, stderr);
    talvex::HostLink link;
    link.SetMessageHandler(
        [&window](talvex::LinkMessageIcon, const QString& title, const QString& text) {
            window.Message(talvex::MessageKind::Critical, text.toStdString(), title.toStdString());
        });
    if (!options.host.empty()) {
        // The given executable and nothing else.
        talvex::HostSearch only;
        only.envKorva32 = QFile::decodeName(options.host.c_str());
        link.SetHostSearch(only);
    }

    talvex::Environment env = talvex::Environment::system();
    env.hostDir = [&link] { return link.HostDir().toStdString(); };
    env.decimalSeparator = LocaleDecimalSeparator();
    talvex::Interpreter interp(env);

    talvex::RunnerSettings settings;
    settings.logFolder = talvex::DefaultLogFolder().toStdString();
    talvex::ScriptRunner runner(interp, link, window, settings);

    window.SetEditorText(script.text);
    window.SetCurrentFile(scriptPath);
    window.SetTitle(window.BaseCaption() + " - " + talvex::FileNameOf(scriptPath));
    if (!options.log.empty()) window.SetChosenLogFile(options.log);
    runner.SetLineByLine(!options.whole);

    // Uninit sends Exit to a host we started and waits, bounded, for it to
    // close our connection.
    const auto shutDown = [&] {
        window.Finish();
        link.Uninit(false);
    };

    int interrupts = 0;
    talvex::SignalRelay relay({SIGINT, SIGTERM, SIGHUP}, [&](int signal) {
        if (signal == SIGINT && ++interrupts < 3) {
            // While the host starts up, Ctrl+C ends the start-up (and the
            // host it began); a run waiting on it is then interrupted.
            const bool starting = link.Starting();
            if (starting) link.CancelStart();
            if (!starting || runner.Running()) runner.CancelButton();
            return;
        }
        // End now, in order: the log is written line by line already. The
        // echo of the command that was cut short is no response (debug mode
        // keeps echoes, so it keeps this one too).
        if (!interp.DebugMode) window.DropPendingEcho();
        shutDown();
        ::_exit(kExitInterrupted);
    });

    // Visible, as the window links: a real host keeps its window as the user has it.
    if (!options.list && !link.Init(QString(), true)) {
        window.Finish();
        return link.StartCancelled() ? kExitInterrupted : kExitHost;
    }

    if (options.list)
        runner.ListOnlyRun();
    else
        runner.RunScript();
    shutDown();
    return talvex::RunExitStatus(runner);
}
