// The script editor with a 30,000-line script: marking the whole script once
// (as after an Open), and a keystroke in the middle of it, the marks of the
// edited line and the repaint included.
#include "bench/engine/generated_script.h"
#include "ui/editor_text.h"
#include "ui/script_editor.h"
#include "ui/script_highlighter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextDocumentLayout>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <benchmark/benchmark.h>

namespace {

constexpr long kLines = 30000;

struct Editor {
    Editor() {
        doc.setDocumentLayout(new QPlainTextDocumentLayout(&doc));
        talvex::SetEditorDocumentText(doc, talvex::bench::GeneratedScript(kLines));
        editor.setDocument(&doc);
        editor.resize(600, 400);
        editor.show();
        highlighter = new talvex::ScriptHighlighter(&doc);
        QCoreApplication::processEvents();
    }
    QTextDocument doc;
    talvex::ScriptEditor editor;
    talvex::ScriptHighlighter* highlighter;
};

void BM_HighlightWholeScript(benchmark::State& state) {
    Editor e;
    for (auto _ : state)
        e.highlighter->rehighlight();
    state.counters["lines"] = static_cast<double>(e.doc.blockCount());
}
BENCHMARK(BM_HighlightWholeScript)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_KeystrokeInTheMiddle(benchmark::State& state) {
    Editor e;
    QTextCursor at(e.doc.findBlockByNumber(kLines / 2));
    at.movePosition(QTextCursor::EndOfBlock);
    e.editor.setTextCursor(at);
    e.editor.setFocus();
    QCoreApplication::processEvents();
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QCoreApplication::sendEvent(&e.editor, &press);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
        QCoreApplication::sendEvent(&e.editor, &release);
        e.editor.viewport()->repaint();
        QCoreApplication::processEvents();
    }
    state.counters["lines"] = static_cast<double>(e.doc.blockCount());
}
BENCHMARK(BM_KeystrokeInTheMiddle)->Unit(benchmark::kMicrosecond)->Iterations(300);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
