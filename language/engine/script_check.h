// The script check: reads a script without running it and finds what a run
// would certainly get wrong (errors) and the traps the user's guide warns
// about (warnings). It uses the translator's own rules (directive words,
// label lines, the block limit, braces, file names), so it finds what a run
// would meet. The runner's --check and the editors call it on a script text.
#pragma once

#include "engine/script_file.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace talvex {

enum class Severity { Warning, Error };

struct Finding {
    long line = 0;   // 1-based
    long column = 0; // 1-based, in characters
    Severity severity = Severity::Error;
    std::string text;
};

struct CheckedScript {
    std::string_view text; // lines separated by CR LF, as a run gets them
    // The script's own path: #call and #chain names resolve against its
    // folder; "" for an unnamed script (the working folder).
    std::string path;
    // From the loader: the first line whose end differs from the first
    // line's in a plain-text file; 0 when they agree.
    long otherLineEndLine = 0;
};

// Reads a script a #call or #chain names; it must never write to the file.
using ScriptReader = std::function<LoadedScriptFile(const std::string& path)>;

// The findings for `script`, by line and column. Scripts it calls or chains
// to are read with `read` (they must exist, and the variables they set count
// as set), but their own findings are not given.
std::vector<Finding> CheckScript(const CheckedScript& script,
                                 const ScriptReader& read = ReadScriptFile);

// "FILE:LINE:COLUMN: error: TEXT" (or "warning:"), as compilers write it.
std::string FindingLine(std::string_view file, const Finding& finding);

} // namespace talvex
