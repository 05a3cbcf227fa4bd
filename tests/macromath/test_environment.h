// A pinned environment for the tests: a fixed clock at 2026-12-07 09:25:23,
// a known host folder and version, "." unless a test asks otherwise.
#pragma once

#include "macromath/environment.h"

#include <string>

namespace talvex::testing {

inline LocalTime FixedTime() {
    LocalTime t;
    t.year = 2026;
    t.month = 12;
    t.day = 7;
    t.hour = 9;
    t.minute = 25;
    t.second = 23;
    return t;
}

inline Environment FixedEnvironment(char decimalSeparator = '.') {
    Environment env;
    env.now = [] { return FixedTime(); };
    env.hostDir = [] { return std::string("/opt/korva32/"); };
    env.decimalSeparator = decimalSeparator;
    env.version = ProgramVersion{1, 0, 0};
    return env;
}

// What the fixed clock reads as @now, @date and @time.
inline constexpr const char* kFixedNow = "26_12_07_09_25_23";
inline constexpr const char* kFixedDate = "2026_12_07";
inline constexpr const char* kFixedTime = "09_25_23";

} // namespace talvex::testing
