// talvex-run: runs a script as the run command would, without a window. The
// response pane goes to standard output, message boxes to standard error.
#include "app/default_log_folder.h"
#include "app/headless_window.h"
#include "app/signal_relay.h"
#include "engine/interpreter.h"
#include "engine/script_file.h"
#include "engine/script_runner.h"
#include "hostlink/host_link.h"
#include "macromath/environment.h"

#include <QCoreApplication>
#include <QLocale>
#include <QStringList>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

// Exit statuses.
constexpr int kExitOk = 0;
constexpr int kExitInterrupted = 1;
constexpr int kExitScriptError = 2;
constexpr int kExitHost = 3;
constexpr int kExitUsage = 64;
constexpr int kExitNoInput = 66;

const char* const kUsage =
    "usage: talvex-run [--list] [--whole] [--log FILE] [--host PATH] SCRIPT\n"
    "\n"
    "Runs SCRIPT against the host korva32 as the run command of Talvex does.\n"
    "The response pane goes to standard output, message boxes to standard error.\n"
    "\n"
    "  --list       list-only run: lines are translated and shown, nothing is sent\n"
    "               (no host is started unless a directive needs one)\n"
    "  --whole      send the script to the host in one piece\n"
    "  --log FILE   log the responses to FILE (created empty)\n"
    "  --host PATH  the host executable (default: searched for)\n"
    "  --version    print the version and exit\n"
    "  --help       print this text and exit\n"
    "\n"
    "Ctrl+C cancels the run as the Cancel button does; a third Ctrl+C, SIGTERM\n"
    "or SIGHUP end it at once.\n"
    "Exit status: 0 done, 1 interrupted, 2 script error, 3 host not available,\n"
    "64 bad usage, 66 SCRIPT cannot be read.\n";

struct Options {
    bool list = false;
    bool whole = false;
    QString log;
    QString host;
    QString script;
};

// Returns -1 to go on, else the exit status.
int ParseOptions(const QStringList& args, Options& o) {
    for (int i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--help") {
            std::fputs(kUsage, stdout);
            return kExitOk;
        }
        if (a == "--version") {
            const talvex::ProgramVersion v = talvex::Environment::system().version;
            std::printf("talvex-run %d.%d.%d\n", v.major, v.minor, v.revision);
            return kExitOk;
        }
        if (a == "--list") {
            o.list = true;
        } else if (a == "--whole") {
            o.whole = true;
        } else if (a == "--log" || a == "--host" || a.startsWith("--log=") ||
                   a.startsWith("--host=")) {
            const qsizetype eq = a.indexOf('=');
            const QString name = eq < 0 ? a : a.left(eq);
            QString value;
            if (eq >= 0)
                value = a.mid(eq + 1);
            else if (i + 1 < args.size())
                value = args[++i];
            if (value.isEmpty()) {
                std::fprintf(stderr, "talvex-run: %s needs a value\n%s", qPrintable(name), kUsage);
                return kExitUsage;
            }
            (name == "--log" ? o.log : o.host) = value;
        } else if (a == "--") {
            if (i + 2 != args.size()) break;
            o.script = args[i + 1];
            return -1;
        } else if (a.startsWith("-") && a != "-") {
            std::fprintf(stderr, "talvex-run: unknown option %s\n%s", qPrintable(a), kUsage);
            return kExitUsage;
        } else if (o.script.isEmpty()) {
            o.script = a;
        } else {
            std::fprintf(stderr, "talvex-run: only one SCRIPT may be given\n%s", kUsage);
            return kExitUsage;
        }
    }
    if (o.script.isEmpty()) {
        std::fputs(kUsage, stderr);
        return kExitUsage;
    }
    return -1;
}

char LocaleDecimalSeparator() {
    const QString point = QLocale::system().decimalPoint();
    return point.size() == 1 && point[0].unicode() < 128 ? static_cast<char>(point[0].unicode())
                                                         : '.';
}

} // namespace

int main(int argc, char** argv) {
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

    Options options;
    if (const int status = ParseOptions(QCoreApplication::arguments(), options); status >= 0)
        return status;

    const std::string scriptPath = options.script.toStdString();
    talvex::LoadedScriptFile script = talvex::LoadScriptFile(scriptPath);
    if (!script.ok) {
        std::fprintf(stderr, "talvex-run: cannot read %s: %s\n", scriptPath.c_str(),
                     script.error.c_str());
        return kExitNoInput;
    }

    talvex::HeadlessWindow window(stdout, stderr);
    talvex::HostLink link;
    link.SetMessageHandler(
        [&window](talvex::LinkMessageIcon, const QString& title, const QString& text) {
            window.Message(talvex::MessageKind::Critical, text.toStdString(), title.toStdString());
        });
    if (!options.host.isEmpty()) {
        // The given executable and nothing else.
        talvex::HostSearch only;
        only.envKorva32 = options.host;
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
    if (!options.log.isEmpty()) window.SetChosenLogFile(options.log.toStdString());
    runner.SetLineByLine(!options.whole);

    // Uninit sends Exit to a host we started and waits, bounded, for it to
    // close our connection.
    const auto shutDown = [&] {
        window.Flush();
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
        window.Flush();
        return link.StartCancelled() ? kExitInterrupted : kExitHost;
    }

    if (options.list)
        runner.ListOnlyRun();
    else
        runner.RunScript();
    shutDown();

    if (runner.HostFailed) return kExitHost;
    if (runner.LineAborted || runner.CancelState == talvex::kAborted) return kExitScriptError;
    if (runner.CancelState == talvex::kStop) return kExitInterrupted;
    return kExitOk;
}
