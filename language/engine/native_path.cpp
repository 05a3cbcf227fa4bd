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

#else

std::FILE* OpenFile(const std::string& utf8, const char* mode) {
    return std::fopen(utf8.c_str(), mode);
}

#endif

} // namespace talvex
