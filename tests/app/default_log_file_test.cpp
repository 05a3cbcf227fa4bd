// The log a run starts with is named after the second of the year it starts in.
#include "tests/app/fake_front_end.h"

#include <gtest/gtest.h>

namespace talvex::testing {
namespace {

struct Moment {
    LocalTime time;
    const char* folder;
    const char* file;
};

const Moment kMoments[] = {
    {{2026, 1, 1, 0, 0, 0}, "/logs", "/logs/0.log"},
    {{2026, 1, 1, 0, 0, 59}, "/logs/", "/logs/59.log"},
    {{2026, 2, 1, 1, 0, 0}, "", "2682000.log"},            // 31 days and an hour
    {{2026, 3, 1, 0, 0, 0}, "/l", "/l/5097600.log"},       // 59 days: no 29 February
    {{2024, 3, 1, 0, 0, 0}, "/l", "/l/5184000.log"},       // 60 days in a leap year
    {{2000, 3, 1, 0, 0, 0}, "/l", "/l/5184000.log"},       // divisible by 400: a leap year
    {{2100, 3, 1, 0, 0, 0}, "/l", "/l/5097600.log"},       // divisible by 100 only: not one
    {{2026, 12, 31, 23, 59, 59}, "/l", "/l/31535999.log"}, // the year's last second
    {{2024, 12, 31, 23, 59, 59}, "/l", "/l/31622399.log"},
};

TEST(DefaultLogFile, IsTheSecondOfTheYearInTheLogFolder) {
    for (const Moment& m : kMoments) {
        Environment env;
        env.now = [&m] { return m.time; };
        RunnerRig r(RunnerSettings{m.folder}, env);
        EXPECT_EQ(r.runner.DefaultLogFile(), m.file)
            << m.time.year << "-" << m.time.month << "-" << m.time.day;
    }
}

} // namespace
} // namespace talvex::testing
