// The window while it runs: the 100,000-line list-only script through the
// real window (pane widget, events processed at every yield), how long a
// click on Cancel takes to stop a run, how often the pane repaints, and the
// CPU the process uses while a command waits for the host.
#include "bench/engine/generated_script.h"
#include "hostlink/host_search.h"
#include "ui/main_window.h"
#include "ui/user_dialogs.h"
#include "ui/window_link.h"

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

#include <sys/resource.h>

namespace {

using talvex::Answer;
using talvex::MessageKind;

// Nobody there: boxes are counted, questions say No, dialogs cancel.
class QuietDialogs : public talvex::UserDialogs {
public:
    void Message(MessageKind, const QString&, const QString&) override { ++messages; }
    Answer AskYesNo(const QString&, const QString&) override { return Answer::No; }
    Answer AskYesNoCancel(const QString&, const QString&) override { return Answer::No; }
    QString OpenFileName(const talvex::FileDialogSetup&) override { return QString(); }
    QString SaveFileName(const talvex::FileDialogSetup&) override { return QString(); }
    bool OpenDocument(const QString&) override { return false; }
    int messages = 0;
};

// The window, counting its yields (two for every line that translates to something).
class CountingWindow : public talvex::MainWindow {
public:
    using MainWindow::MainWindow;
    void Yield() override {
        ++yields;
        MainWindow::Yield();
    }
    long yields = 0;
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
        link.SetSocketPath(dir.filePath("k"));
        talvex::HostSearch only;
        only.envKorva32 = QStringLiteral(KORVA32_PATH);
        link.SetHostSearch(only);
        talvex::MainWindowOptions options;
        options.programDir = dir.path();
        options.logFolder = dir.path();
        window = std::make_unique<CountingWindow>(link, dialogs, options);
        window->show();
    }
    ~Rig() {
        window.reset();
        link.Uninit(true);
    }
    QTemporaryDir dir{QStringLiteral("/tmp/tvx-wb-XXXXXX")};
    QuietDialogs dialogs;
    talvex::WindowLink link;
    std::unique_ptr<CountingWindow> window;
};

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

void BM_WindowListOnlyRun(benchmark::State& state) {
    const long lines = state.range(0);
    const std::string script = talvex::bench::GeneratedScript(lines);
    Rig rig; // a list-only run needs no host
    PaintCounter paints;
    rig.window->txtResponseList()->viewport()->installEventFilter(&paints);
    long executed = 0;
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        rig.window->SetEditorText(script);
        rig.window->yields = 0;
        state.ResumeTiming();
        QElapsedTimer clock;
        clock.start();
        rig.window->CommandLabelClicked();
        seconds += clock.elapsed() / 1000.0;
        executed = rig.window->yields / 2;
    }
    state.counters["script_lines_per_s"] = benchmark::Counter(
        static_cast<double>(lines), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["executed_lines_per_s"] = benchmark::Counter(
        static_cast<double>(executed), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["pane_repaints_per_s"] = seconds > 0 ? paints.paints / seconds : 0;
}
BENCHMARK(BM_WindowListOnlyRun)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

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
    for (auto _ : state) {
        state.PauseTiming();
        rig.window->SetEditorText(script);
        rig.window->yields = 0;
        state.ResumeTiming();
        QElapsedTimer clicked;
        QElapsedTimer sinceTick;
        QTimer ticks; // a timer due every millisecond: its lateness is the event latency
        ticks.setInterval(1);
        QObject::connect(&ticks, &QTimer::timeout, [&] {
            if (sinceTick.isValid() && rig.window->runner().Running())
                worstGapMs = std::max(worstGapMs, double(sinceTick.nsecsElapsed()) / 1e6);
            sinceTick.start();
            if (!clicked.isValid() && rig.window->yields > 20000) {
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

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
