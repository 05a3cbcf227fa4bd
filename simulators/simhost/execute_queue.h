// The executes of one client that wait for their turn, bounded so that a
// client cannot make the host hold without limit: past the bound an execute
// is refused. It still gets its one response in turn, an "Error: ..." text,
// but its command is not kept.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>

namespace talvex::simhost {

class ExecuteQueue {
public:
    // At most this many commands wait, and at most this many characters (code
    // points) of them; a single command waits whatever its length when it is
    // the only one.
    static constexpr std::size_t kMaxCommands = 1000;
    static constexpr std::size_t kMaxCharacters = std::size_t(16) * 1024 * 1024;

    // The response of a refused execute.
    static std::string RefusedResponse();

    void Push(std::string command);
    bool Empty() const { return commands_.empty() && refused_ == 0; }
    // The next execute in turn: its command, or nullopt for a refused one.
    std::optional<std::string> Pop();
    void Clear();

    std::size_t CommandsHeld() const { return commands_.size(); }
    std::size_t CharactersHeld() const { return characters_; }

private:
    std::deque<std::string> commands_;
    std::size_t characters_ = 0;
    // Refused executes stand behind every kept one: once one is refused, the
    // later ones are too until the queue has run empty, so the order holds.
    std::uint64_t refused_ = 0;
};

} // namespace talvex::simhost
