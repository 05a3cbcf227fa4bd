// The executes of one client that wait for their turn, bounded so that a
// client cannot make the host hold without limit: past the bound an execute
// is refused. It still gets its one response in turn, an "Error: ..." text,
// but its command is not kept.
#pragma once

#include <QString>

#include <cstdint>
#include <deque>
#include <optional>

namespace talvex::korva {

class ExecuteQueue {
public:
    // At most this many commands wait, and at most this many characters of
    // them; a single command waits whatever its length when it is the only one.
    static constexpr qsizetype kMaxCommands = 1000;
    static constexpr qsizetype kMaxCharacters = qsizetype(16) * 1024 * 1024;

    // The response of a refused execute.
    static QString refusedResponse();

    void push(const QString& command);
    bool empty() const { return commands_.empty() && refused_ == 0; }
    // The next execute in turn: its command, or nullopt for a refused one.
    std::optional<QString> pop();
    void clear();

    qsizetype commandsHeld() const { return qsizetype(commands_.size()); }
    qsizetype charactersHeld() const { return characters_; }

private:
    std::deque<QString> commands_;
    qsizetype characters_ = 0;
    // Refused executes stand behind every kept one: once one is refused, the
    // later ones are too until the queue has run empty, so the order holds.
    std::uint64_t refused_ = 0;
};

} // namespace talvex::korva
