// The response log: text appended to a file, held back for a few
// milliseconds at most, and always written before the run waits on anything.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdio>
#include <functional>
#include <string>
#include <string_view>

namespace talvex {

// The response log of a run. A text is written to the file within kHoldFor
// of being appended, and at once before the run sends a command, shows a
// dialog, reads a file or ends (the runner flushes there): whatever the run
// waits on finds the log complete, and a crash loses at most the last few
// milliseconds of a tight loop that talked to nobody. Writing every line at
// once cost a tight script most of its time in system calls. The file stays
// open between lines of the same log; a log file removed while the run goes
// on is created again at the next write.
//
// Texts that could not be written leave a gap the log itself tells of: the
// next text that gets through first ends a line the failure left torn, then
// adds "*** N responses not logged: REASON ***".
class LogAppender {
public:
    // Puts bytes into the open file and flushes them; false with errno set
    // when they did not all reach the file (some may have).
    using Writer = std::function<bool(std::FILE* file, std::string_view bytes)>;

    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // How long a text may wait in memory before it is written.
    static constexpr std::chrono::milliseconds kHoldFor{50};
    // A tight loop's texts are written once they come to this many bytes.
    static constexpr std::size_t kHoldBytes = 64 * 1024;

    LogAppender() = default;
    LogAppender(const LogAppender&) = delete;
    LogAppender& operator=(const LogAppender&) = delete;
    ~LogAppender() { Close(); }

    // Takes `text` for `path`; false with `error` set when a write this
    // caused failed (the texts it carried are counted as lost).
    bool Append(const std::string& path, std::string_view text, std::string& error);
    // Writes every text held; false with `error` set when that failed.
    bool Flush(std::string& error);
    // Flush, once the oldest text held has waited kHoldFor; cheap otherwise.
    bool FlushIfDue(std::string& error) {
        return held_ == 0 || clock_() - heldSince_ < kHoldFor || Flush(error);
    }
    // Writes what is held (a failure is counted, not reported) and closes.
    void Close();
    // Closes the file and forgets a gap not yet told of: a new run, a new log.
    void Restart();

    // The folder the run's default log goes in. It is made again when it is
    // missing at a write, and when it cannot be, why is the reason given:
    // "no such file" would hide it.
    void SetOwnFolder(std::string folder) { ownFolder_ = std::move(folder); }

    // Tests put a writer here that fails on demand, and a clock they move.
    void SetWriter(Writer writer) { writer_ = std::move(writer); }
    void SetClock(Clock clock) { clock_ = std::move(clock); }

private:
    bool Write(std::string_view bytes);
    // Opens `path` for appending; false with `error` set.
    bool Open(const std::string& path, std::string& error);
    void Lost(const std::string& reason, std::size_t texts);
    // The line break a torn line needs, and the gap's marker line.
    std::string GapNote(const std::string& path) const;

    std::FILE* file_ = nullptr;
    std::string path_;
    Writer writer_;
    Clock clock_ = [] { return std::chrono::steady_clock::now(); };
    // Texts taken and not yet written, all for heldPath_.
    std::string heldText_;
    std::string heldPath_;
    std::size_t held_ = 0;
    std::chrono::steady_clock::time_point heldSince_;
    std::string ownFolder_;
    std::size_t lost_ = 0;   // texts not written since the last one that was
    std::string lostReason_; // why the first of them was not
};

} // namespace talvex
