// The response log's writer.
#include "engine/response_log.h"

#include "engine/native_path.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace talvex {

bool LogAppender::Append(const std::string& path, std::string_view text, std::string& error) {
    std::error_code ec;
    if (file_ && (path != path_ || !std::filesystem::exists(NativePath(path), ec))) Close();
    if (!file_) {
        file_ = OpenFile(path, "ab");
        if (!file_) {
            error = std::strerror(errno);
            return false;
        }
        path_ = path;
    }
    if (std::fwrite(text.data(), 1, text.size(), file_) != text.size() || std::fflush(file_) != 0) {
        error = std::strerror(errno);
        Close();
        return false;
    }
    return true;
}

void LogAppender::Close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    path_.clear();
}

} // namespace talvex
