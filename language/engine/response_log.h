// The response log: text appended to a file and flushed at once, so that
// nothing is lost when the run ends abruptly.
#pragma once

#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace talvex {

// The response log of a run. Every text reaches the file before Append
// returns, as with an open-append-close per line, but the file stays open
// between lines of the same log: a long run writes a line per command, and
// opening the file each time cost more than the rest of the line. A log file
// removed while the run goes on is created again at the next line.
//
// Texts that could not be written leave a gap the log itself tells of: the
// next text that gets through first ends a line the failure left torn, then
// adds "*** N responses not logged: REASON ***".
class LogAppender {
public:
    // Puts bytes into the open file and flushes them; false with errno set
    // when they did not all reach the file (some may have).
    using Writer = std::function<bool(std::FILE* file, std::string_view bytes)>;

    LogAppender() = default;
    LogAppender(const LogAppender&) = delete;
    LogAppender& operator=(const LogAppender&) = delete;
    ~LogAppender() { Close(); }

    bool Append(const std::string& path, std::string_view text, std::string& error);
    void Close();
    // Closes the file and forgets a gap not yet told of: a new run, a new log.
    void Restart();

    // The folder the run's default log goes in. It is made again when it is
    // missing at a write, and when it cannot be, why is the reason given:
    // "no such file" would hide it.
    void SetOwnFolder(std::string folder) { ownFolder_ = std::move(folder); }

    // Tests put a writer here that fails on demand.
    void SetWriter(Writer writer) { writer_ = std::move(writer); }

private:
    bool Write(std::string_view bytes);
    // Opens `path` for appending; false with `error` set.
    bool Open(const std::string& path, std::string& error);
    void Lost(const std::string& reason);
    // The line break a torn line needs, and the gap's marker line.
    std::string GapNote(const std::string& path) const;

    std::FILE* file_ = nullptr;
    std::string path_;
    Writer writer_;
    std::string ownFolder_;
    std::size_t lost_ = 0;   // texts not written since the last one that was
    std::string lostReason_; // why the first of them was not
};

} // namespace talvex
