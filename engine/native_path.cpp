// The one place that knows how the platform opens files by name.
#include "engine/native_path.h"

#include <cerrno>
#include <cstdio>

#ifdef _WIN32
#include <windows.h> // after our names: it defines ReplaceFile and more as macros
#endif

namespace talvex {

std::filesystem::path NativePath(std::string_view utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Name(const std::filesystem::path& path) {
    const std::u8string name = path.u8string();
    return std::string(name.begin(), name.end());
}

#ifdef _WIN32

std::FILE* OpenFile(const std::string& utf8, const char* mode) {
    const std::wstring wideMode(mode, mode + std::char_traits<char>::length(mode));
    return ::_wfopen(NativePath(utf8).c_str(), wideMode.c_str());
}

bool RenameReplacing(const std::string& from, const std::string& to) {
    // rename() refuses a target that exists here.
    if (::MoveFileExW(NativePath(from).c_str(), NativePath(to).c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    switch (::GetLastError()) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        errno = ENOENT;
        break;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
        errno = EACCES;
        break;
    case ERROR_DISK_FULL:
        errno = ENOSPC;
        break;
    default:
        errno = EIO;
    }
    return false;
}

bool RemoveFile(const std::string& utf8) {
    return ::_wremove(NativePath(utf8).c_str()) == 0;
}

#else

std::FILE* OpenFile(const std::string& utf8, const char* mode) {
    return std::fopen(utf8.c_str(), mode);
}

bool RenameReplacing(const std::string& from, const std::string& to) {
    return std::rename(from.c_str(), to.c_str()) == 0;
}

bool RemoveFile(const std::string& utf8) {
    return std::remove(utf8.c_str()) == 0;
}

#endif

} // namespace talvex
