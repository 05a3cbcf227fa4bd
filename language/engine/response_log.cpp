// The response log's writer.
#include "engine/response_log.h"

#include "engine/native_path.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace talvex {

bool LogAppender::Append(const std::string& path, std::string_view text, std::string& error) {
    // A text for another file lets the held ones go to theirs first.
    bool ok = held_ == 0 || path == heldPath_ || Flush(error);
    if (held_ == 0) {
        heldPath_ = path;
        heldSince_ = clock_();
    }
    heldText_ += text;
    ++held_;
    // A file not open yet (the run's first text, a new log's, or the first
    // after a failure) is written at once: a log that cannot be written is
    // told of where it fails, not a moment later.
    if (!file_ || path_ != heldPath_ || heldText_.size() >= kHoldBytes) return Flush(error) && ok;
    return FlushIfDue(error) && ok;
}

bool LogAppender::Flush(std::string& error) {
    if (held_ == 0) return true;
    const std::size_t texts = held_;
    held_ = 0;
    std::string bytes = std::move(heldText_);
    heldText_.clear();
    if (file_ && (heldPath_ != path_ || OpenFileMayBeGone(heldPath_))) Close();
    if (!file_ && !Open(heldPath_, error)) {
        Lost(error, texts);
        return false;
    }
    // The note and the texts go in one write.
    if (lost_ > 0) bytes.insert(0, GapNote(heldPath_));
    if (!Write(bytes)) {
        error = std::strerror(errno);
        Close();
        Lost(error, texts);
        return false;
    }
    lost_ = 0;
    lostReason_.clear();
    // The buffer is kept for the next texts: no allocation per batch.
    bytes.clear();
    heldText_ = std::move(bytes);
    return true;
}

bool LogAppender::Open(const std::string& path, std::string& error) {
    file_ = OpenFile(path, "ab");
    if (!file_ && errno == ENOENT && !ownFolder_.empty()) {
        const std::filesystem::path folder = NativePath(path).parent_path().lexically_normal();
        if (folder == (NativePath(ownFolder_) / "").lexically_normal().parent_path()) {
            std::error_code made;
            std::filesystem::create_directories(folder, made);
            if (made) {
                error = made.message();
                return false;
            }
            file_ = OpenFile(path, "ab");
        }
    }
    if (!file_) {
        error = std::strerror(errno);
        return false;
    }
    path_ = path;
    return true;
}

bool LogAppender::Write(std::string_view bytes) {
    if (writer_) return writer_(file_, bytes);
    return std::fwrite(bytes.data(), 1, bytes.size(), file_) == bytes.size() &&
           std::fflush(file_) == 0;
}

void LogAppender::Lost(const std::string& reason, std::size_t texts) {
    if (lost_ == 0) lostReason_ = reason;
    lost_ += texts;
}

std::string LogAppender::GapNote(const std::string& path) const {
    // What a failed write left of its text is on the disk, not in any count
    // stdio gives: the file's last byte tells whether a line was cut.
    std::string note;
    if (std::FILE* f = OpenFile(path, "rb")) {
        if (std::fseek(f, -1, SEEK_END) == 0) {
            const int last = std::fgetc(f);
            if (last == '\r')
                note = "\n";
            else if (last != EOF && last != '\n')
                note = "\r\n";
        }
        std::fclose(f);
    }
    note += "*** " + std::to_string(lost_) + " responses not logged: " + lostReason_ + " ***\r\n";
    return note;
}

void LogAppender::Close() {
    std::string error;
    Flush(error);
    if (file_) std::fclose(file_);
    file_ = nullptr;
    path_.clear();
}

void LogAppender::Restart() {
    Close();
    lost_ = 0;
    lostReason_.clear();
}

} // namespace talvex
