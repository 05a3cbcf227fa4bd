// A bounded first-in first-out queue that counts what it refuses.
#include "simhost/execute_queue.h"

#include "simhost/command_syntax.h"

#include <utility>

namespace talvex::simhost {

std::string ExecuteQueue::RefusedResponse() {
    return "Error: too many commands waiting: at most " + std::to_string(kMaxCommands) +
           " commands and " + std::to_string(kMaxCharacters) + " characters may wait their turn";
}

void ExecuteQueue::Push(std::string command) {
    const std::size_t characters = CharacterCount(command);
    const bool fits = commands_.empty() || (commands_.size() < kMaxCommands &&
                                            characters_ + characters <= kMaxCharacters);
    if (refused_ > 0 || !fits) {
        ++refused_;
        return;
    }
    commands_.push_back(std::move(command));
    characters_ += characters;
}

std::optional<std::string> ExecuteQueue::Pop() {
    if (!commands_.empty()) {
        std::string command = std::move(commands_.front());
        commands_.pop_front();
        characters_ -= CharacterCount(command);
        return command;
    }
    if (refused_ > 0) --refused_;
    return std::nullopt;
}

void ExecuteQueue::Clear() {
    commands_.clear();
    characters_ = 0;
    refused_ = 0;
}

} // namespace talvex::simhost
