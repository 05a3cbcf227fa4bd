// Whole-file access for the log dialog, the file directives and script loading.
#include "engine/file_access.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

#ifdef _WIN32
#include <windows.h>
#endif

namespace talvex {

#ifdef _WIN32
namespace {
std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    const int n =
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}
} // namespace
#endif

std::FILE* OpenFile(const std::string& path, const char* mode) {
#ifdef _WIN32
    return _wfopen(Wide(path).c_str(), Wide(mode).c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

std::filesystem::path PathOf(const std::string& path) {
#ifdef _WIN32
    return std::filesystem::path(Wide(path));
#else
    return std::filesystem::path(path);
#endif
}

int RenameFile(const std::string& from, const std::string& to) {
#ifdef _WIN32
    if (MoveFileExW(Wide(from).c_str(), Wide(to).c_str(), MOVEFILE_REPLACE_EXISTING)) return 0;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return -1;
#else
    return std::rename(from.c_str(), to.c_str());
#endif
}

int RemoveFile(const std::string& path) {
#ifdef _WIN32
    return _wremove(Wide(path).c_str());
#else
    return std::remove(path.c_str());
#endif
}

bool CreateEmptyFile(const std::string& path, std::string& error) {
    std::FILE* f = OpenFile(path, "wb");
    if (!f) {
        error = std::strerror(errno);
        return false;
    }
    std::fclose(f);
    return true;
}

long long FileSizeOf(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(PathOf(path), ec)) return -1;
    const auto size = std::filesystem::file_size(PathOf(path), ec);
    return ec ? -1 : static_cast<long long>(size);
}

bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    std::FILE* f = OpenFile(path, "rb");
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
