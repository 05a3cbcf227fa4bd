// What one invocation of the executor keeps for itself: its script text and
// position, its cancel handler, its pane and log holds.
#pragma once

#include "engine/jump_targets.h"
#include "engine/script_runner.h"

#include <optional>
#include <string>
#include <vector>

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
    // The level's label lines, indexed on the first jump to a label.
    std::optional<LabelIndex> labels;
    // Where each line starts (0-based), built for the line tracer only.
    std::vector<std::size_t> lineStarts;

    long Length() const { return static_cast<long>(cl.size()); }
};

inline constexpr const char* kCrLf = "\r\n";

} // namespace talvex
