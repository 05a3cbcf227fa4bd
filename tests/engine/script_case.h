// Table rows for whole-script tests: the lines, the (result code, output line)
// sequence the driver sees, and the block level left at the end.
#pragma once

#include "script_driver.h"
#include "tests/quoted_text.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace talvex::testing {

struct ScriptCase {
    std::string name;
    std::vector<std::string> lines;
    std::vector<Step> expected;
    int blockLevel = 0;
};

inline void PrintTo(const ScriptCase& c, std::ostream* os) {
    PrintQuotedLines(c.lines, os);
}

// Where line `index` of `lines` starts in the script the driver runs, as the
// "#Wend=" and "#Loop=" lines write it (one blank, then the 1-based position).
inline std::string LineStartText(const std::vector<std::string>& lines, std::size_t index) {
    long pos = 1;
    for (std::size_t i = 0; i < index; ++i)
        pos += static_cast<long>(lines[i].size()) + 2;
    return " " + std::to_string(pos);
}

// `count` copies of `item` appended to `to`.
template <class T> void AppendCopies(std::vector<T>& to, std::size_t count, const T& item) {
    to.insert(to.end(), count, item);
}

inline std::string CaseName(const ::testing::TestParamInfo<ScriptCase>& info) {
    return info.param.name;
}

inline void ExpectScript(const ScriptCase& c) {
    Interpreter in;
    in.ResetInterpreter("");
    const std::vector<Step> steps = RunScript(in, c.lines);
    EXPECT_EQ(steps, c.expected);
    EXPECT_EQ(in.BlockLevel, c.blockLevel);
}

} // namespace talvex::testing
