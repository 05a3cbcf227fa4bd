// File access for the log and the file directives.
#include "engine/response_log.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace talvex {

bool AppendToFile(const std::string& path, std::string_view text, std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (!f) {
        error = std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    const int writeErrno = errno;
    const bool closed = std::fclose(f) == 0;
    if (!written || !closed) {
        error = std::strerror(!written ? writeErrno : errno);
        return false;
    }
    return true;
}

bool LogAppender::Append(const std::string& path, std::string_view text, std::string& error) {
    std::error_code ec;
    if (file_ && (path != path_ || !std::filesystem::exists(path, ec))) Close();
    if (!file_) {
        file_ = std::fopen(path.c_str(), "ab");
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

bool CreateEmptyFile(const std::string& path, std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = std::strerror(errno);
        return false;
    }
    std::fclose(f);
    return true;
}

long long FileSizeOf(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return -1;
    const auto size = std::filesystem::file_size(path, ec);
    return ec ? -1 : static_cast<long long>(size);
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = std::strerror(errno);
        return false;
    }
    bytes.clear();
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0)
        bytes.append(buf, n);
    const bool ok = !std::ferror(f);
    if (!ok) error = std::strerror(errno);
    std::fclose(f);
    return ok;
}

} // namespace talvex
