// Whole-file access: create empty, size, read.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>

namespace talvex {

// std::fopen for a UTF-8 file name: on Windows through the wide-character
// call, so a name outside the ANSI code page opens too.
std::FILE* OpenFile(const std::string& path, const char* mode);

// A UTF-8 file name as a filesystem path (not read in the ANSI code page).
std::filesystem::path PathOf(const std::string& path);

// std::rename for UTF-8 names; on Windows an existing `to` is replaced, as
// on Linux. 0 on success, else -1 with errno set.
int RenameFile(const std::string& from, const std::string& to);

// std::remove for a UTF-8 name.
int RemoveFile(const std::string& path);

// Creates `path` empty, replacing what was there. False with `error` set on failure.
bool CreateEmptyFile(const std::string& path, std::string& error);

// Size of the file in bytes; -1 when it does not exist or is not a regular file.
long long FileSizeOf(const std::string& path);

// Reads a whole file; false with `error` set on failure.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error);

} // namespace talvex
