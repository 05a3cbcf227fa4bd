// What one invocation of the executor keeps for itself: its script text and
// position, its cancel handler, its pane and log holds.
#pragma once

#include "engine/script_runner.h"

#include <string>
#include <unordered_map>

namespace talvex {

struct ScriptRunner::Level {
    std::string cl;         // the level's script text, CR LF between lines
    std::string scriptFile; // the file it came from (as opened)
    int level = 0;
    long pos = 1;       // 1-based byte position of the next line
    long lineStart = 1; // where the current line starts
    std::string CancelLabel;
    bool LogHeld = false;
    bool HeldLogValue = false;
    bool ResponseHold = false;
    bool SavedFileSaved = true;
    // Label name -> position of the line after its first label line; built on
    // the first jump, since a level's text does not change while it runs.
    std::unordered_map<std::string, long> labels;
    bool labelsIndexed = false;

    long Length() const { return static_cast<long>(cl.size()); }
};

inline constexpr const char* kCrLf = "\r\n";

} // namespace talvex
