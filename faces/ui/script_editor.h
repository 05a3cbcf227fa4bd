// The script editor: a plain-text pane with line numbers in a left margin,
// the line of the caret tinted, and the line a run is at marked and kept in
// view. None of it touches the text.
#pragma once

#include <QPlainTextEdit>

namespace talvex {

class ScriptEditor : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit ScriptEditor(QWidget* parent = nullptr);

    // The line (0-based) a run is at, or -1 when none is marked.
    void SetRunningLine(int line);
    int RunningLine() const { return runningLine_; }
    int MarginWidth() const;
    QWidget* margin() const { return margin_; }
    // Draws the line numbers; the margin widget calls it.
    void PaintMargin(QPaintEvent* event);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void UpdateMarginWidth();
    void UpdateMargin(const QRect& rect, int dy);
    void CaretMoved();
    // The row of `line` in the viewport, full width; empty when it is not in view.
    QRect LineRow(int line) const;

    QWidget* margin_;
    int runningLine_ = -1;
    int caretLine_ = 0;
};

} // namespace talvex
