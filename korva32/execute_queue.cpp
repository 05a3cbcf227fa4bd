// A bounded first-in first-out queue that counts what it refuses.
#include "korva32/execute_queue.h"

#include <utility>

namespace talvex::korva {

QString ExecuteQueue::refusedResponse() {
    return QStringLiteral("Error: too many commands waiting: at most %1 commands and %2 "
                          "characters may wait their turn")
        .arg(kMaxCommands)
        .arg(kMaxCharacters);
}

void ExecuteQueue::push(const QString& command) {
    const bool fits = commands_.empty() || (qsizetype(commands_.size()) < kMaxCommands &&
                                            characters_ + command.size() <= kMaxCharacters);
    if (refused_ > 0 || !fits) {
        ++refused_;
        return;
    }
    commands_.push_back(command);
    characters_ += command.size();
}

std::optional<QString> ExecuteQueue::pop() {
    if (!commands_.empty()) {
        QString command = std::move(commands_.front());
        commands_.pop_front();
        characters_ -= command.size();
        return command;
    }
    if (refused_ > 0) --refused_;
    return std::nullopt;
}

void ExecuteQueue::clear() {
    commands_.clear();
    characters_ = 0;
    refused_ = 0;
}

} // namespace talvex::korva
