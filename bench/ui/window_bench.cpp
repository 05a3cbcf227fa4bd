// The window while it runs: the 100,000-line list-only script through the
// real window (pane widget, events processed at every yield), echo commands
// through the window to a host that is already running, each beside
// talvex-run running the same script on the same machine; how long a click
// on Cancel takes to stop a run, how often the pane repaints, and the CPU the
// process uses while a command waits for the host.
#include "bench/engine/generated_script.h"
#include "hostlink/host_search.h"
#include "ui/main_window.h"

#include "ui/qt_settings.h"
#include "ui/window_link.h"
#include <QPlainTextEdit>
#include <QPushButton>

#include <QApplication>
#include <QElapsedTimer>
#include <QLocalSocket>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <fstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

using talvex::Answer;
using talvex::MessageKind;

// Nobody there: boxes are counted, questions say No, dialogs cancel.
class QuietDialogs : public talvex::WindowDialogs {
public:
    void Message(MessageKind, std::string_view, std::string_view) override { ++messages; }
    Answer AskYesNo(std::string_view, std::string_view) override { return Answer::No; }
    Answer AskYesNoCancel(std::string_view, std::string_view) override { return Answer::No; }
    std::string OpenFileName(const talvex::FileDialogSetup&) override { return {}; }
    std::string SaveFileName(const talvex::FileDialogSetup&) override { return {}; }
    bool OpenDocument(const std::string&) override { return false; }
    std::optional<std::string> AskFindText(std::string_view) override { return std::nullopt; }
    void ShowAbout(const talvex::ProgramVersion&) override {}
    int messages = 0;
};

// The window, counting the lines its runs walk.
class CountingWindow : public talvex::MainWindow {
public:
    using MainWindow::MainWindow;
    void Count() {
        core().Runner().SetLineTracer([this](const talvex::TracedLine&) { ++lines; });
    }
    void SetEditorText(std::string_view text) { core().SetEditorText(text); }
    void RunScriptClicked() { core().RunScriptClicked(); }
    void CommandLabelClicked() { core().CommandLabelClicked(); }
    std::string PaneText() { return core().PaneText(); }
    talvex::ScriptRunner& Runner() { return core().Runner(); }
    QPlainTextEdit* txtResponseList() { return findChild<QPlainTextEdit*>(u"txtResponseList"_s); }
    QPushButton* cmdCancel() { return findChild<QPushButton*>(u"cmdCancel"_s); }
    long lines = 0;
};

// Counts paint events of a widget.
class PaintCounter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
    long paints = 0;
};

struct Rig {
    Rig() {
        host.SetSocketPath(dir.filePath(u"k"_s));
        talvex::HostSearch only;
        only.envKorva32 = QStringLiteral(KORVA32_PATH);
        host.SetHostSearch(only);
        talvex::MainWindowOptions options;
        options.programDir = dir.path();
        options.logFolder = dir.path();
        window = std::make_unique<CountingWindow>(link, dialogs, settings, options);
        window->Count();
        window->show();
    }
    ~Rig() {
        window.reset();
        host.Uninit(true);
    }
    QTemporaryDir dir{QStringLiteral("/tmp/tvx-wb-XXXXXX")};
    QuietDialogs dialogs;
    talvex::HostLink host;
    talvex::WindowLink link{host};
    talvex::QtSettings settings{[this] {
        return std::make_unique<QSettings>(dir.filePath(u"settings.ini"_s), QSettings::IniFormat);
    }};
    std::unique_ptr<CountingWindow> window;
};

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Runs talvex-run on `script` (written to a file in `dir`) with its output on
// the null device, against the host listening on `socket` if there is one,
// logging the responses to a file in `dir` as the window does with its log
// ticked. Its CPU seconds, or -1 when it did not end with status 0.
double RunTalvex(const QString& dir, const std::string& script,
                 const std::vector<std::string>& extra, const QString& socket) {
    const std::string file = dir.toStdString() + "/reference.tvx";
    std::ofstream(file, std::ios::binary) << script;
    std::vector<std::string> args = {TALVEX_RUN_PATH, "--log",
                                     dir.toStdString() + "/reference.log"};
    args.insert(args.end(), extra.begin(), extra.end());
    args.push_back(file);
    const std::string socketPath = socket.toStdString();
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        setenv("KORVA_SOCKET", socketPath.c_str(), 1);
        std::vector<char*> argv;
        for (auto& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(TALVEX_RUN_PATH, argv.data());
        _exit(127);
    }
    int status = 0;
    rusage u{};
    wait4(pid, &status, 0, &u);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return -1;
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Reports a window run's wall and CPU time beside talvex-run's on the same
// script: each iteration runs both, one after the other, so a machine whose
// load changes weighs on both alike.
void ReportBeside(benchmark::State& state, double windowSeconds, double windowCpu,
                  double referenceSeconds, double referenceCpu) {
    const auto perIteration = benchmark::Counter::kAvgIterations;
    state.counters["cpu_ms"] = benchmark::Counter(windowCpu * 1000, perIteration);
    state.counters["talvex_run_ms"] = benchmark::Counter(referenceSeconds * 1000, perIteration);
    state.counters["talvex_run_cpu_ms"] = benchmark::Counter(referenceCpu * 1000, perIteration);
    state.counters["times_talvex_run"] =
        referenceSeconds > 0 ? windowSeconds / referenceSeconds : 0;
}

void BM_WindowListOnlyRun(benchmark::State& state) {
    const long lines = state.range(0);
    const std::string script = talvex::bench::GeneratedScript(lines);
    Rig rig; // a list-only run needs no host
    PaintCounter paints;
    rig.window->txtResponseList()->viewport()->installEventFilter(&paints);
    long executed = 0;
    double seconds = 0, cpu = 0;
    double reference = 0, referenceCpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QElapsedTimer referenceClock;
        referenceClock.start();
        const double used = RunTalvex(rig.dir.path(), script, {"--list"}, rig.dir.filePath(u"k"_s));
        reference += double(referenceClock.nsecsElapsed()) / 1e9;
        if (used < 0) state.SkipWithError("talvex-run failed");
        referenceCpu += used;
        rig.window->SetEditorText(script);
        rig.window->lines = 0;
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        const double before = CpuSeconds();
        rig.window->CommandLabelClicked();
        cpu += CpuSeconds() - before;
        seconds += double(clock.nsecsElapsed()) / 1e9;
        executed = rig.window->lines;
    }
    ReportBeside(state, seconds, cpu, reference, referenceCpu);
    state.counters["script_lines_per_s"] = benchmark::Counter(
        static_cast<double>(lines), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["executed_lines_per_s"] = benchmark::Counter(
        static_cast<double>(executed), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["pane_repaints_per_s"] = seconds > 0 ? paints.paints / seconds : 0;
}
BENCHMARK(BM_WindowListOnlyRun)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// Lines of echo(...) with one brace group each, as a typical measurement
// script sends them.
std::string EchoScript(long lines) {
    std::string script;
    for (long i = 0; i < lines; ++i)
        script += "echo(line " + std::to_string(i) + " {" + std::to_string(i) + "+1})\r\n";
    return script;
}

// Echo commands through the window to a host it has already linked to: every
// line translated, sent, answered and shown, the running line marked; beside
// talvex-run running the same script against the same host.
void BM_WindowHostBoundRun(benchmark::State& state) {
    const long lines = state.range(0);
    const std::string script = EchoScript(lines);
    Rig rig;
    if (!rig.window->Load()) {
        state.SkipWithError("no host");
        return;
    }
    double seconds = 0, cpu = 0, reference = 0, referenceCpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // talvex-run links to the host the window runs, as a second client.
        QElapsedTimer referenceClock;
        referenceClock.start();
        const double used = RunTalvex(rig.dir.path(), script, {}, rig.dir.filePath(u"k"_s));
        reference += double(referenceClock.nsecsElapsed()) / 1e9;
        if (used < 0) state.SkipWithError("talvex-run failed");
        referenceCpu += used;
        rig.window->SetEditorText(script);
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        const double before = CpuSeconds();
        rig.window->RunScriptClicked();
        cpu += CpuSeconds() - before;
        seconds += double(clock.nsecsElapsed()) / 1e9;
    }
    ReportBeside(state, seconds, cpu, reference, referenceCpu);
    if (rig.window->PaneText().find("line " + std::to_string(lines - 1)) == std::string::npos)
        state.SkipWithError("the last reply is missing from the pane");
    state.counters["us_per_line"] = benchmark::Counter(
        static_cast<double>(lines) * 1e-6,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}
BENCHMARK(BM_WindowHostBoundRun)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();

// A click on Cancel in the middle of a long list-only run, the host linked:
// the time from the click until the run has stopped, and the longest gap
// between two rounds of event processing (how late any click can be seen).
void BM_CancelClick(benchmark::State& state) {
    const std::string script = talvex::bench::GeneratedScript(300000);
    Rig rig;
    if (!rig.window->Load()) {
        state.SkipWithError("no host");
        return;
    }
    double worstMs = 0;
    double worstGapMs = 0;
    double reference = 0, referenceCpu = 0;
    for (auto _ : state) {
        state.PauseTiming();
        QElapsedTimer referenceClock;
        referenceClock.start();
        const double used = RunTalvex(rig.dir.path(), script, {"--list"}, rig.dir.filePath(u"k"_s));
        reference += double(referenceClock.nsecsElapsed()) / 1e9;
        if (used < 0) state.SkipWithError("talvex-run failed");
        referenceCpu += used;
        rig.window->SetEditorText(script);
        rig.window->lines = 0;
        state.ResumeTiming();
        QElapsedTimer clicked;
        QElapsedTimer sinceTick;
        QTimer ticks; // a timer due every millisecond: its lateness is the event latency
        ticks.setInterval(1);
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            if (sinceTick.isValid() && rig.window->Runner().Running())
                worstGapMs = std::max(worstGapMs, double(sinceTick.nsecsElapsed()) / 1e6);
            sinceTick.start();
            if (!clicked.isValid() && rig.window->lines > 10000) {
                clicked.start();
                rig.window->cmdCancel()->click();
            }
        });
        ticks.start();
        rig.window->CommandLabelClicked();
        ticks.stop();
        const double ms = clicked.isValid() ? double(clicked.nsecsElapsed()) / 1e6 : 0;
        state.SetIterationTime(ms / 1000.0);
        worstMs = std::max(worstMs, ms);
    }
    state.counters["worst_cancel_ms"] = worstMs;
    state.counters["worst_event_gap_ms"] = worstGapMs;
}
BENCHMARK(BM_CancelClick)->Iterations(5)->Unit(benchmark::kMillisecond)->UseManualTime();

// The process's CPU while the run waits on wait(2000) (as on wait(60000):
// the same idle wait, shorter).
void BM_CpuWhileWaiting(benchmark::State& state) {
    Rig rig;
    if (!rig.window->Load()) {
        state.SkipWithError("no host");
        return;
    }
    rig.window->SetEditorText("wait(2000)\r\n");
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        const double before = CpuSeconds();
        rig.window->RunScriptClicked();
        cpu += CpuSeconds() - before;
        wall += clock.elapsed() / 1000.0;
    }
    state.counters["cpu_percent"] = wall > 0 ? 100.0 * cpu / wall : 0;
}
BENCHMARK(BM_CpuWhileWaiting)->Iterations(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The editor's check of a 30,000-line script, as a moment after an edit:
// the check itself, the marks under the findings and the list below.
void BM_EditorCheck(benchmark::State& state) {
    std::string script = talvex::bench::GeneratedScript(state.range(0));
    // A fault every thousand lines, so there are marks and a list to fill.
    for (std::size_t at = 0, line = 0; (at = script.find("\r\n", at)) != std::string::npos; at += 2)
        if (++line % 1000 == 0) script.insert(at, " {unset}");
    Rig rig;
    rig.window->SetEditorText(script);
    for (auto _ : state)
        rig.window->core().TimerFired(talvex::WindowTimer::Check);
    state.counters["findings"] = double(rig.window->core().Findings().size());
}
BENCHMARK(BM_EditorCheck)->Arg(30000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
