// The two panes as the window core sees them: the editor with the user's
// script or a run's, and the response pane, with what Find needs of each.
#include "ui/main_window.h"

#include "ui/editor_document.h"
#include "ui/script_editor.h"

#include <QListWidget>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace talvex {

namespace {

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

std::string MainWindow::EditorText() const {
    return EditorDocumentText(*userDoc_);
}

void MainWindow::LoadEditor(std::string_view text) {
    SetEditorDocumentText(*userDoc_, text);
    userDoc_->clearUndoRedoStacks();
    // As a new document has it: Find searches from the caret.
    if (editor_->document() == userDoc_) editor_->setTextCursor(QTextCursor(userDoc_));
}

void MainWindow::AppendEditorLine(std::string_view line) {
    const bool endsWithBreak = userDoc_->blockCount() > 1 && userDoc_->lastBlock().length() == 1;
    QTextCursor end(userDoc_);
    end.movePosition(QTextCursor::End);
    end.insertText((endsWithBreak ? QString() : QStringLiteral("\n")) + Q(line));
}

void MainWindow::ShowRunDocument(std::string_view text) {
    SetEditorDocumentText(*runDoc_, text);
    if (editor_->document() == runDoc_) return;
    editor_->setExtraSelections({}); // the marks belong to the user's script
    editor_->setDocument(runDoc_);
    editor_->setReadOnly(true);
}

void MainWindow::ShowUserDocument() {
    editor_->setDocument(userDoc_);
    editor_->setReadOnly(false);
    editor_->setExtraSelections(marks_);
    runDoc_->clear();
}

void MainWindow::ShowFindings(const std::vector<Finding>& findings) {
    // A script full of faults is marked where the user starts to read; the
    // list names them all.
    constexpr std::size_t kMostMarks = 2000;
    marks_.clear();
    findings_->clear();
    for (const Finding& f : findings) {
        findings_->addItem(QString::fromStdString(FindingLine("", f)).mid(1));
        if (marks_.size() >= qsizetype(kMostMarks)) continue;
        const QTextBlock block = userDoc_->findBlockByNumber(int(f.line) - 1);
        if (!block.isValid()) continue;
        QTextEdit::ExtraSelection mark;
        mark.cursor = QTextCursor(block);
        const int from = std::min(int(f.column) - 1, std::max(0, block.length() - 2));
        mark.cursor.setPosition(block.position() + from);
        mark.cursor.setPosition(block.position() + std::max(from + 1, block.length() - 1),
                                QTextCursor::KeepAnchor);
        mark.format.setUnderlineStyle(QTextCharFormat::WaveUnderline);
        mark.format.setUnderlineColor(f.severity == Severity::Error ? QColor(220, 0, 0)
                                                                    : QColor(230, 140, 0));
        mark.format.setToolTip(QString::fromStdString(f.text));
        marks_.append(mark);
    }
    if (editor_->document() == userDoc_) editor_->setExtraSelections(marks_);
}

void MainWindow::GoToScriptLine(long line, long column) {
    if (editor_->document() != userDoc_) return;
    const QTextBlock block = userDoc_->findBlockByNumber(int(line) - 1);
    if (!block.isValid()) return;
    QTextCursor at(block);
    at.setPosition(block.position() + std::clamp(int(column) - 1, 0, block.length() - 1));
    editor_->setTextCursor(at);
    editor_->centerCursor();
    editor_->setFocus();
}

void MainWindow::SetRunningLine(int line) {
    editor_->SetRunningLine(line);
}

void MainWindow::UpdatePane(std::string_view shown, std::string_view text) {
    UpdatePaneDocument(*response_->document(), shown, text);
}

void MainWindow::ScrollPaneToEnd() {
    QTextCursor end(response_->document());
    end.movePosition(QTextCursor::End);
    response_->setTextCursor(end);
    response_->ensureCursorVisible();
}

QPlainTextEdit* MainWindow::PaneOf(TextPane pane) const {
    return pane == TextPane::Response ? response_ : editor_;
}

std::optional<TextPane> MainWindow::FocusPane() const {
    if (activeControl_ == response_) return TextPane::Response;
    if (activeControl_ == editor_) return TextPane::Script;
    return std::nullopt;
}

std::u16string MainWindow::PaneSearchText(TextPane pane) const {
    const QString text = PaneOf(pane)->document()->toPlainText();
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()),
                          static_cast<std::size_t>(text.size()));
}

std::pair<std::size_t, std::size_t> MainWindow::PaneSelection(TextPane pane) const {
    const QTextCursor cursor = PaneOf(pane)->textCursor();
    return {static_cast<std::size_t>(cursor.selectionStart()),
            static_cast<std::size_t>(cursor.selectionEnd())};
}

void MainWindow::SelectInPane(TextPane pane, std::size_t start, std::size_t end) {
    QPlainTextEdit* edit = PaneOf(pane);
    QTextCursor match(edit->document());
    match.setPosition(static_cast<int>(start));
    match.setPosition(static_cast<int>(end), QTextCursor::KeepAnchor);
    edit->setTextCursor(match);
    edit->setFocus();
    activeControl_ = edit;
}

} // namespace talvex
