// The one place that knows how the platform opens files by name.
#include "engine/native_path.h"

#include <cstdio>

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

bool OpenFileMayBeGone(const std::string&) {
    // The C runtime opens without delete sharing: while the file is open,
    // nothing deletes or renames it. (A look-up by name costs Wine a walk
    // of the path, at every line of a log.)
    return false;
}

#else

std::FILE* OpenFile(const std::string& utf8, const char* mode) {
    return std::fopen(utf8.c_str(), mode);
}

bool OpenFileMayBeGone(const std::string& utf8) {
    std::error_code ec;
    return !std::filesystem::exists(NativePath(utf8), ec);
}

#endif

} // namespace talvex
