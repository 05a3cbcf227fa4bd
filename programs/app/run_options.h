// talvex-run's command line: its options, their parsing and the help text.
// Standard C++ only, so another runner can share it.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace talvex {

struct RunOptions {
    bool list = false;
    bool whole = false;
    std::string log; // as written: relative to the working folder
    std::string host;
    std::string script;
    bool trace = false;               // each line on standard error before it runs
    bool check = false;               // check `scripts` instead of running anything
    std::vector<std::string> scripts; // --check: every SCRIPT given
};

extern const char* const kRunUsage;

// Reads the arguments (args[0] is the program). Returns -1 when the run may
// go on, else the exit status: --help and --version print to `out` and give
// 0; a usage error prints one line and the help text to `err` and gives 64;
// --check checks its scripts (findings to `out`) and gives the check's status.
int ParseRunOptions(const std::vector<std::string>& args, RunOptions& options, std::FILE* out,
                    std::FILE* err);

// Prints one usage error line followed by the help text; returns 64.
int UsageError(const std::string& what, std::FILE* err);

} // namespace talvex
