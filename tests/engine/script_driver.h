// A tiny stand-in for the runner: walks a script line by line through the
// translator and follows the positions the canonical lines carry.
#pragma once

#include "engine/interpreter.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace talvex::testing {

// One translated line: result code and output line.
using Step = std::pair<int, std::string>;

// Lines joined with CR LF, as the runner holds a script.
std::string JoinLines(const std::vector<std::string>& lines);

// Runs `lines` from the top: skips leading blanks, translates each line and
// follows "#Wend=", "#Loop=", "#Return=", " #offset=", "#gosub"/"#goto" to a
// label line, and "#Exit", with the runner's jump rules (engine/jump_targets.h).
// A host command's reply comes from `host` and is read as assignments after a
// % line. `afterLine`, when set, sees the interpreter after each translation.
// Stops after `maxLines` lines. An ArithmeticError of a line or of a jump
// target leaves here, where the runner would end the run.
std::vector<Step> RunScript(Interpreter& in, const std::vector<std::string>& lines,
                            const std::function<std::string(const std::string&)>& host = {},
                            int maxLines = 500,
                            const std::function<void(const Interpreter&)>& afterLine = {});

// An environment with a clock the test sets.
struct PinnedClock {
    LocalTime now{2026, 3, 7, 9, 5, 3};
    Environment Make(char decimalSeparator = '.');
};

} // namespace talvex::testing
