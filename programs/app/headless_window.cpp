// The headless runner's window.
#include "app/headless_window.h"

#include "engine/text_codec.h"

namespace talvex {

void HeadlessWindow::SetChosenLogFile(const std::string& file) {
    chosenLogFile_ = file;
    logTicked = true;
}

void HeadlessWindow::Print(std::string_view text) {
    if (text.empty()) return;
    // The pane runs some messages on from a line left open ("unable to
    // locate label:x" then the next one); printed, each starts a line.
    const std::string plain = (lineOpen_ ? "\n" : "") + LfLineEnds(text);
    std::fwrite(plain.data(), 1, plain.size(), out_);
    std::fflush(out_);
    lineOpen_ = plain.back() != '\n';
}

void HeadlessWindow::Flush() {
    Print(pending_);
    printedChars_ += pendingChars_;
    pending_.clear();
    pendingChars_ = 0;
}

void HeadlessWindow::Finish() {
    Flush();
    EndOpenLine();
}

void HeadlessWindow::EndOpenLine() {
    if (!lineOpen_) return;
    std::fputc('\n', out_);
    std::fflush(out_);
    lineOpen_ = false;
}

void HeadlessWindow::DropPendingEcho() {
    if (pending_.rfind(">>>", 0) != 0) return;
    pending_.clear();
    pendingChars_ = 0;
}

void HeadlessWindow::PaneAppend(std::string_view text) {
    Flush();
    pending_.assign(text);
    pendingChars_ = CharCount(pending_);
}

void HeadlessWindow::PaneCutBack(std::size_t length) {
    if (length < printedChars_ || length >= PaneLength()) return; // what is printed stays printed
    const std::size_t keep = length - printedChars_;
    pending_.resize(ByteOffsetOfChar(pending_, keep));
    pendingChars_ = keep;
}

void HeadlessWindow::PaneReplace(std::string_view text) {
    Flush();
    pending_.assign(text);
    pendingChars_ = CharCount(pending_);
    Flush();
}

void HeadlessWindow::Message(MessageKind, std::string_view text, std::string_view) {
    // What the pane holds goes out first, so a terminal shows the two streams
    // in order; but a command's ">>>" echo stays back: a box shown while the
    // command waits (Ctrl+C) must not make the echo permanent.
    if (pending_.rfind(">>>", 0) != 0) Flush();
    // On a terminal both streams share the screen: a line the pane left
    // open ("script error") ends before the box's text.
    EndOpenLine();
    std::string line;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            line += ' ';
            ++i;
        } else {
            line += text[i];
        }
    }
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), err_);
    std::fflush(err_);
}

Answer HeadlessWindow::AskYesNo(std::string_view text, std::string_view title) {
    // Nobody is there to answer: say no, and show what was asked.
    Message(MessageKind::Information, text, title);
    return Answer::No;
}

Answer HeadlessWindow::AskYesNoCancel(std::string_view text, std::string_view title) {
    Message(MessageKind::Information, text, title);
    return Answer::No;
}

std::string HeadlessWindow::AskLogFile(std::string_view) {
    return chosenLogFile_;
}

void HeadlessWindow::Yield() {
    if (yield_) yield_();
}

} // namespace talvex
