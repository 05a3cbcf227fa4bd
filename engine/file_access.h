// Whole-file access: create empty, size, read.
#pragma once

#include <string>

namespace talvex {

// Creates `path` empty, replacing what was there. False with `error` set on failure.
bool CreateEmptyFile(const std::string& path, std::string& error);

// Size of the file in bytes; -1 when it does not exist or is not a regular file.
long long FileSizeOf(const std::string& path);

// Reads a whole file; false with `error` set on failure.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error);

} // namespace talvex
