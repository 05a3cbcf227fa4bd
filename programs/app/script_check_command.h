// talvex-run --check: the findings of each script in the form compilers use,
// and the exit status they give. Standard C++ only.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace talvex {

// Exit status of a check that found errors.
inline constexpr int kExitCheckErrors = 65;

// Checks each script (nothing runs, no host is linked): findings to `out`,
// "FILE:LINE:COLUMN: error: TEXT" or "...: warning: TEXT", FILE as given; a
// script that cannot be read gets one line on `err`. Returns 66 when a script
// could not be read, else 65 for any error, 1 for warnings only, 0 for none.
int CheckScripts(const std::vector<std::string>& scripts, std::FILE* out, std::FILE* err);

} // namespace talvex
