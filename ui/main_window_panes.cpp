// The two panes as the window core sees them: the editor with the user's
// script or a run's, and the response pane, with what Find needs of each.
#include "ui/main_window.h"

#include "ui/editor_document.h"
#include "ui/script_editor.h"

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
    editor_->setDocument(runDoc_);
    editor_->setReadOnly(true);
}

void MainWindow::ShowUserDocument() {
    editor_->setDocument(userDoc_);
    editor_->setReadOnly(false);
    runDoc_->clear();
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
