// Files by their UTF-8 names on every platform. Windows reads narrow names in
// the ANSI code page, which cannot hold every character of a UTF-8 name, so
// there the wide-character calls are used.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace talvex {

// The file system's name for the UTF-8 name `utf8`.
std::filesystem::path NativePath(std::string_view utf8);

// The UTF-8 name of `path`.
std::string Utf8Name(const std::filesystem::path& path);

// std::fopen for a UTF-8 name; errno tells why on failure.
std::FILE* OpenFile(const std::string& utf8, const char* mode);

// Whether a file OpenFile opened as `utf8` may since have been deleted or
// moved away, so the name has to be looked up again.
bool OpenFileMayBeGone(const std::string& utf8);

} // namespace talvex
