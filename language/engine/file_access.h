// Whole-file access: create empty, size, read, replace.
#pragma once

#include <string>
#include <string_view>

namespace talvex {

// Creates `path` empty, replacing what was there. False with `error` set on failure.
bool CreateEmptyFile(const std::string& path, std::string& error);

// Size of the file in bytes; -1 when it does not exist or is not a regular file.
long long FileSizeOf(const std::string& path);

// Reads a whole file; false with `error` set on failure.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error);

// Replaces the content of the file `path` names with `bytes`, as a whole: a
// symbolic link is followed (a bounded number of hops) and its target written;
// the new content goes to a file beside the target, flushed to disk and given
// the target's permissions, which then takes the target's place, so a failure
// leaves the old file as it was. A target that is there but is no regular
// file gives "Not a regular file", one the user may not write "Permission
// denied". False with `error` set on failure.
bool ReplaceFileContent(const std::string& path, std::string_view bytes, std::string& error);

} // namespace talvex
