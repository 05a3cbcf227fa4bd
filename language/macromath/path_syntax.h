// How a file name splits into drive, folders and name on the platform this
// build runs on. On Windows "\" and "/" both separate folders and a name may
// start with a drive ("C:"); elsewhere only "/" separates.
#pragma once

#include <cstddef>
#include <string_view>

namespace talvex {

#ifdef _WIN32
inline constexpr bool kWindowsPaths = true;
#else
inline constexpr bool kWindowsPaths = false;
#endif

// The separator this system writes when it joins a folder and a name.
inline constexpr char kPathSeparator = kWindowsPaths ? '\\' : '/';

constexpr bool IsPathSeparator(char c) {
    return c == '/' || (kWindowsPaths && c == '\\');
}

// Length of a leading drive ("C:"): 2 on Windows when there is one, else 0.
constexpr std::size_t DriveLength(std::string_view path) {
    if (!kWindowsPaths || path.size() < 2 || path[1] != ':') return 0;
    const char d = path[0];
    return (d >= 'A' && d <= 'Z') || (d >= 'a' && d <= 'z') ? 2 : 0;
}

// Length of the folder part: up to and including the last separator, or the
// drive alone when a name follows it directly ("C:run.tvx"); 0 when none.
constexpr std::size_t FolderLength(std::string_view path) {
    for (std::size_t i = path.size(); i > 0; --i)
        if (IsPathSeparator(path[i - 1])) return i;
    return DriveLength(path);
}

// True when `name` does not belong below a folder: it starts at a root ("/",
// and on Windows "\", "\\server\..." or the current drive's root) or names a
// drive ("C:\...", "C:/...", and "C:run.tvx", which no folder can prefix).
constexpr bool IsAbsolutePath(std::string_view name) {
    return (!name.empty() && IsPathSeparator(name.front())) || DriveLength(name) > 0;
}

} // namespace talvex
