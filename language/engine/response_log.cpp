// The response log's writer.
#include "engine/response_log.h"

#include "engine/native_path.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace talvex {

bool LogAppender::Append(const std::string& path, std::string_view text, std::string& error) {
    if (file_ && (path != path_ || OpenFileMayBeGone(path))) Close();
    if (!file_ && !Open(path, error)) {
        Lost(error);
        return false;
    }
    std::string withGap;
    if (lost_ > 0) {
        withGap = GapNote(path);
        withGap += text;
        text = withGap;
    }
    if (!Write(text)) {
        error = std::strerror(errno);
        Close();
        Lost(error);
        return false;
    }
    lost_ = 0;
    lostReason_.clear();
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

void LogAppender::Lost(const std::string& reason) {
    if (lost_++ == 0) lostReason_ = reason;
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
