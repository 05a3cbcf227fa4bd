// The response log: text appended to a file, opened and closed for every
// write so that nothing is lost when the run ends abruptly.
#pragma once

#include <string>
#include <string_view>

namespace talvex {

// Appends `text` to the file at `path`, creating it when missing. False with
// `error` set when the file cannot be opened or written.
bool AppendToFile(const std::string& path, std::string_view text, std::string& error);

// Creates `path` empty, replacing what was there. False with `error` set on failure.
bool CreateEmptyFile(const std::string& path, std::string& error);

// Size of the file in bytes; -1 when it does not exist or is not a regular file.
long long FileSizeOf(const std::string& path);

// Reads a whole file; false with `error` set on failure.
bool ReadWholeFile(const std::string& path, std::string& bytes, std::string& error);

} // namespace talvex
