#include "ui/script_editor.h"

#include <QPainter>
#include <QScrollBar>
#include <QTextBlock>

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
    connect(this, &QPlainTextEdit::cursorPositionChanged, this, &ScriptEditor::UpdateSelections);
    UpdateMarginWidth();
    UpdateSelections();
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
    runningLine_ = line;
    UpdateSelections();
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

void ScriptEditor::UpdateSelections() {
    QList<QTextEdit::ExtraSelection> marks;
    QTextEdit::ExtraSelection current;
    current.format.setBackground(kCurrentLine);
    current.format.setProperty(QTextFormat::FullWidthSelection, true);
    current.cursor = textCursor();
    current.cursor.clearSelection();
    marks << current;
    if (runningLine_ >= 0) {
        const QTextBlock block = document()->findBlockByNumber(runningLine_);
        if (block.isValid()) {
            QTextEdit::ExtraSelection running;
            running.format.setBackground(kRunningLine);
            running.format.setProperty(QTextFormat::FullWidthSelection, true);
            running.cursor = QTextCursor(block);
            marks << running;
        }
    }
    setExtraSelections(marks);
}

} // namespace talvex
