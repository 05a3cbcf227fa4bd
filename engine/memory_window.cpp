#include "engine/memory_window.h"

namespace talvex {

void MemoryWindow::Message(MessageKind kind, std::string_view text, std::string_view t) {
    messages.push_back(Shown{kind, std::string(text), std::string(t)});
}

Answer MemoryWindow::AskYesNo(std::string_view text, std::string_view t) {
    Message(MessageKind::Information, text, t);
    if (answers.empty()) return Answer::No;
    const Answer a = answers.front();
    answers.pop_front();
    return a;
}

Answer MemoryWindow::AskYesNoCancel(std::string_view text, std::string_view t) {
    return AskYesNo(text, t);
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
