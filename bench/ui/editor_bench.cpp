// The script editor beside a bare, unwrapped QPlainTextEdit holding the same
// text: marking a 30,000-line script once (as after an Open), a keystroke in
// its middle, and, with a 1 MB line as the script's second line, a keystroke
// on line 1, a keystroke inside the long line and the CPU the idle editor
// uses (the caret blinking). Each keystroke counts its marks and repaint.
#include "bench/engine/generated_script.h"
#include "ui/editor_document.h"
#include "ui/script_editor.h"
#include "ui/script_highlighter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>

#include <benchmark/benchmark.h>

#include <memory>
#include <sys/resource.h>

namespace {

constexpr long kLines = 30000;
constexpr int kLongLineBytes = 1 << 20;

enum Kind : int { kBare = 0, kScriptEditor = 1 };

// A short first line, a 1 MB line of host commands with brace groups, and a
// few ordinary lines after it.
std::string LongLineScript() {
    std::string line;
    for (int k = 0; line.size() < kLongLineBytes; ++k)
        line += "setval(ch" + std::to_string(k % 100) + ", {x*" + std::to_string(k) + "}) ";
    line.resize(kLongLineBytes);
    return "echo(start)\r\n" + line + "\r\n" + talvex::bench::GeneratedScript(40);
}

// The editor as the window sets it up, or the bare widget with the same text.
struct Pane {
    Pane(Kind kind, const std::string& text) {
        doc.setDocumentLayout(new QPlainTextDocumentLayout(&doc));
        if (kind == kScriptEditor) {
            editor = std::make_unique<talvex::ScriptEditor>();
            editor->setLineWrapMode(QPlainTextEdit::NoWrap);
            doc.setDefaultFont(editor->font());
            talvex::SetEditorDocumentText(doc, text);
            editor->setDocument(&doc);
            new talvex::ScriptHighlighter(&doc);
        } else {
            editor = std::make_unique<QPlainTextEdit>();
            editor->setLineWrapMode(QPlainTextEdit::NoWrap);
            doc.setDefaultFont(editor->font());
            doc.setPlainText(
                QString::fromStdString(text).replace(QLatin1String("\r\n"), QLatin1String("\n")));
            editor->setDocument(&doc);
        }
        editor->resize(600, 400);
        editor->show();
        editor->activateWindow();
        editor->setFocus();
        QCoreApplication::processEvents();
    }
    // Puts the caret in `line` (0-based), `column` characters in.
    void PlaceCaret(int line, int column) {
        QTextCursor at(doc.findBlockByNumber(line));
        at.setPosition(at.block().position() + std::min(column, at.block().length() - 1));
        editor->setTextCursor(at);
        QCoreApplication::processEvents();
    }
    void Type(QChar c) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(editor.get(), &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(editor.get(), &release);
        editor->viewport()->repaint();
        QCoreApplication::processEvents();
    }
    QTextDocument doc;
    std::unique_ptr<QPlainTextEdit> editor;
};

const char* KindName(int kind) {
    return kind == kBare ? "bare QPlainTextEdit" : "script editor";
}

void BM_HighlightWholeScript(benchmark::State& state) {
    Pane p(kScriptEditor, talvex::bench::GeneratedScript(kLines));
    auto* highlighter = p.doc.findChild<talvex::ScriptHighlighter*>();
    for (auto _ : state)
        highlighter->rehighlight();
    state.counters["lines"] = static_cast<double>(p.doc.blockCount());
}
BENCHMARK(BM_HighlightWholeScript)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_KeystrokeInTheMiddle(benchmark::State& state) {
    Pane p(static_cast<Kind>(state.range(0)), talvex::bench::GeneratedScript(kLines));
    p.PlaceCaret(kLines / 2, 1 << 30);
    for (auto _ : state)
        p.Type(QLatin1Char('x'));
    state.SetLabel(KindName(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_KeystrokeInTheMiddle)
    ->ArgName("script_editor")
    ->Arg(kBare)
    ->Arg(kScriptEditor)
    ->Unit(benchmark::kMicrosecond)
    ->Iterations(300);

// A keystroke with the 1 MB line in the document: on line 1 (the long line in
// view below it), or in the middle of the long line.
void BM_KeystrokeWithLongLine(benchmark::State& state) {
    Pane p(static_cast<Kind>(state.range(0)), LongLineScript());
    const bool inside = state.range(1) != 0;
    p.PlaceCaret(inside ? 1 : 0, inside ? kLongLineBytes / 2 : 1 << 30);
    for (auto _ : state)
        p.Type(QLatin1Char('x'));
    state.SetLabel(std::string(KindName(static_cast<int>(state.range(0)))) +
                   (inside ? ", inside the 1 MB line" : ", on line 1"));
}
BENCHMARK(BM_KeystrokeWithLongLine)
    ->ArgNames({"script_editor", "inside"})
    ->ArgsProduct({{kBare, kScriptEditor}, {0, 1}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(10);

double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The process's CPU while the editor sits idle with the caret in the long
// line, blinking, for two seconds.
void BM_IdleWithLongLine(benchmark::State& state) {
    Pane p(static_cast<Kind>(state.range(0)), LongLineScript());
    p.PlaceCaret(1, kLongLineBytes / 2);
    double cpu = 0, wall = 0;
    for (auto _ : state) {
        QElapsedTimer clock;
        clock.start();
        const double before = CpuSeconds();
        QEventLoop idle;
        QTimer::singleShot(2000, &idle, &QEventLoop::quit);
        idle.exec();
        cpu += CpuSeconds() - before;
        wall += double(clock.elapsed()) / 1000.0;
    }
    state.counters["cpu_percent"] = wall > 0 ? 100.0 * cpu / wall : 0;
    state.SetLabel(KindName(static_cast<int>(state.range(0))));
}
BENCHMARK(BM_IdleWithLongLine)
    ->ArgName("script_editor")
    ->Arg(kBare)
    ->Arg(kScriptEditor)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(2);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
