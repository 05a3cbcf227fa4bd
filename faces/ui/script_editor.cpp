#include "ui/script_editor.h"

#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>
#include <QtMath>

namespace talvex {

namespace {

const QColor kCurrentLine(255, 255, 215);
const QColor kRunningLine(190, 235, 190);
const QColor kMarginBack(236, 236, 236);
const QColor kMarginText(128, 128, 128);

class Margin : public QWidget {
public:
    explicit Margin(ScriptEditor* editor) : QWidget(editor), editor_(editor) {}
    QSize sizeHint() const override { return QSize(editor_->MarginWidth(), 0); }

protected:
    void paintEvent(QPaintEvent* event) override { editor_->PaintMargin(event); }

private:
    ScriptEditor* editor_;
};

} // namespace

ScriptEditor::ScriptEditor(QWidget* parent) : QPlainTextEdit(parent), margin_(new Margin(this)) {
    connect(this, &QPlainTextEdit::blockCountChanged, this, &ScriptEditor::UpdateMarginWidth);
    connect(this, &QPlainTextEdit::updateRequest, this, &ScriptEditor::UpdateMargin);
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &ScriptEditor::CaretMoved);
    UpdateMarginWidth();
}

int ScriptEditor::MarginWidth() const {
    int digits = 1;
    for (int n = std::max(1, blockCount()); n >= 10; n /= 10)
        ++digits;
    return 6 + fontMetrics().horizontalAdvance(QLatin1Char('9')) * std::max(digits, 2);
}

void ScriptEditor::UpdateMarginWidth() {
    setViewportMargins(MarginWidth(), 0, 0, 0);
}

void ScriptEditor::UpdateMargin(const QRect& rect, int dy) {
    if (dy)
        margin_->scroll(0, dy);
    else
        margin_->update(0, rect.y(), margin_->width(), rect.height());
    if (rect.contains(viewport()->rect())) UpdateMarginWidth();
}

void ScriptEditor::resizeEvent(QResizeEvent* event) {
    QPlainTextEdit::resizeEvent(event);
    const QRect r = contentsRect();
    margin_->setGeometry(QRect(r.left(), r.top(), MarginWidth(), r.height()));
}

void ScriptEditor::changeEvent(QEvent* event) {
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        // The margin's digits follow the pane's font.
        margin_->setFont(font());
        UpdateMarginWidth();
        const QRect r = contentsRect();
        margin_->setGeometry(QRect(r.left(), r.top(), MarginWidth(), r.height()));
    }
}

void ScriptEditor::PaintMargin(QPaintEvent* event) {
    QPainter painter(margin_);
    painter.fillRect(event->rect(), kMarginBack);
    painter.setPen(kMarginText);
    QTextBlock block = firstVisibleBlock();
    int top = qRound(blockBoundingGeometry(block).translated(contentOffset()).top());
    int bottom = top + qRound(blockBoundingRect(block).height());
    const int width = margin_->width() - 3;
    while (block.isValid() && top <= event->rect().bottom()) {
        if (block.isVisible() && bottom >= event->rect().top()) {
            painter.drawText(0, top, width, fontMetrics().height(), Qt::AlignRight,
                             QString::number(block.blockNumber() + 1));
        }
        block = block.next();
        top = bottom;
        bottom = top + qRound(blockBoundingRect(block).height());
    }
}

void ScriptEditor::SetRunningLine(int line) {
    if (line != runningLine_) {
        viewport()->update(LineRow(runningLine_));
        runningLine_ = line;
        viewport()->update(LineRow(runningLine_));
    }
    if (line < 0) return;
    // Keep the line in view without moving the user's caret: the scroll bar
    // counts lines.
    const QTextBlock block = document()->findBlockByNumber(line);
    if (!block.isValid()) return;
    const int first = firstVisibleBlock().blockNumber();
    const int lineHeight = std::max(1, fontMetrics().lineSpacing());
    const int visible = std::max(1, viewport()->height() / lineHeight);
    if (line < first || line >= first + visible - 1)
        verticalScrollBar()->setValue(std::max(0, line - visible / 3));
}

void ScriptEditor::CaretMoved() {
    const int line = textCursor().blockNumber();
    if (line == caretLine_) return;
    viewport()->update(LineRow(caretLine_));
    caretLine_ = line;
    viewport()->update(LineRow(caretLine_));
}

QRect ScriptEditor::LineRow(int line) const {
    if (line < 0) return QRect();
    QTextBlock block = firstVisibleBlock();
    if (!block.isValid() || line < block.blockNumber()) return QRect();
    qreal top = contentOffset().y();
    const int height = viewport()->height();
    for (; block.isValid() && top <= height; block = block.next()) {
        const qreal h = blockBoundingRect(block).height();
        if (block.blockNumber() == line)
            return block.isVisible() ? QRect(0, qFloor(top), viewport()->width(), qCeil(h) + 1)
                                     : QRect();
        top += h;
    }
    return QRect();
}

void ScriptEditor::paintEvent(QPaintEvent* event) {
    // The caret's line and the running line are tinted beneath the text, as
    // the base class leaves the background it finds. (As extra selections,
    // each tint had the whole line drawn once more: a long line made every
    // blink of the caret cost twice.)
    {
        QPainter painter(viewport());
        painter.setClipRect(event->rect());
        const QRect caret = LineRow(textCursor().blockNumber());
        if (!caret.isEmpty()) painter.fillRect(caret, kCurrentLine);
        const QRect running = LineRow(runningLine_);
        if (!running.isEmpty()) painter.fillRect(running, kRunningLine);
    }
    QPlainTextEdit::paintEvent(event);
}

} // namespace talvex
