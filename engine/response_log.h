// The response log: text appended to a file and flushed at once, so that
// nothing is lost when the run ends abruptly.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

namespace talvex {

// The response log of a run. Every text reaches the file before Append
// returns, as with an open-append-close per line, but the file stays open
// between lines of the same log: a long run writes a line per command, and
// opening the file each time cost more than the rest of the line. A log file
// removed while the run goes on is created again at the next line.
class LogAppender {
public:
    LogAppender() = default;
    LogAppender(const LogAppender&) = delete;
    LogAppender& operator=(const LogAppender&) = delete;
    ~LogAppender() { Close(); }

    bool Append(const std::string& path, std::string_view text, std::string& error);
    void Close();

private:
    std::FILE* file_ = nullptr;
    std::string path_;
};

} // namespace talvex
