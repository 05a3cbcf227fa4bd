// The checks a --log file passes before a run starts, so that a run never
// empties its own script and never goes on without the log it was asked for.
// Standard C++ only, so another runner can share it.
#pragma once

#include <cstdio>
#include <string>

namespace talvex {

// Checks `log` against the script and the file system before anything is
// written. Returns -1 when the run may go on; else prints one line to `err`
// and returns the exit status: 64 when `log` is the script itself (the same
// file, however it is named), 73 when it cannot be created ("FILE: reason").
// A file that does not exist yet is not left behind by the check.
int CheckLogFile(const std::string& log, const std::string& script, std::FILE* err);

} // namespace talvex
