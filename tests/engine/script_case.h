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
