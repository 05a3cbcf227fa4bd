// Whole-file access for the log dialog, the file directives and script loading.
#include "engine/file_access.h"

#include "engine/native_path.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>

namespace talvex {

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
    const std::filesystem::path file = NativePath(path);
    if (!std::filesystem::is_regular_file(file, ec)) return -1;
    const auto size = std::filesystem::file_size(file, ec);
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
