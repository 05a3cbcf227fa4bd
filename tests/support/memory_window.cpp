#include "tests/support/memory_window.h"

namespace talvex {

void MemoryWindow::Message(MessageKind kind, std::string_view text, std::string_view t) {
    messages.push_back(Shown{kind, std::string(text), std::string(t)});
    if (onMessage) onMessage(messages.back());
}

Answer MemoryWindow::Ask(std::string_view text) {
    questions.emplace_back(text);
    if (answers.empty()) return Answer::No;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

Answer MemoryWindow::AskYesNo(std::string_view text, std::string_view) {
    return Ask(text);
}

Answer MemoryWindow::AskYesNoCancel(std::string_view text, std::string_view) {
    return Ask(text);
}

std::string MemoryWindow::AskLogFile(std::string_view proposedName) {
    proposedLogFiles.emplace_back(proposedName);
    if (logFileAnswers.empty()) return "";
    std::string name = std::move(logFileAnswers.front());
    logFileAnswers.pop_front();
    return name;
}

void MemoryWindow::Yield() {
    if (onYield) onYield();
}

} // namespace talvex
