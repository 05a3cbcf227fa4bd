// The script timer with a pinned clock.
#include "engine/timers.h"

#include "script_driver.h"

#include <gtest/gtest.h>

#include <iomanip>
#include <ostream>

namespace talvex {
namespace {

using testing::PinnedClock;
using testing::Step;

TEST(Timers, ResetAndElapsedReadTheClock) {
    PinnedClock clock;
    Interpreter in(clock.Make());
    in.ResetInterpreter("");
    in.TimerStart = LocalTime{2026, 3, 7, 8, 0, 0};
    clock.now = LocalTime{2026, 3, 7, 9, 5, 3}; // 1 h 5 min 3 s later
    auto steps = testing::RunScript(in, {"#timeelapsed", "#timereset", "#timeelapsed", "#timenow"});
    const std::vector<Step> expected = {
        {2, "#TimeElapsed=65.05 min"},
        {2, "#TimeReset, TimeElapsed=65.05 min"},
        {2, "#TimeElapsed=0.00 min"},
        {2, "#TimeNow=2026-3-7, 9:05:03"},
    };
    EXPECT_EQ(steps, expected);

    clock.now = LocalTime{2026, 3, 8, 9, 35, 3}; // a day and half an hour on
    steps = testing::RunScript(in, {"#timeelapsed"});
    EXPECT_EQ(steps, (std::vector<Step>{{2, "#TimeElapsed=1470.00 min"}}));
}

TEST(Timers, UserDecimalSeparator) {
    PinnedClock clock;
    Interpreter in(clock.Make(','));
    in.TimerStart = LocalTime{2026, 3, 7, 9, 4, 33};
    const auto steps = testing::RunScript(in, {"#timeelapsed"});
    EXPECT_EQ(steps, (std::vector<Step>{{2, "#TimeElapsed=0,50 min"}}));
}

struct ElapsedCase {
    LocalTime start;
    LocalTime end;
    const char* minutes;
};

void PrintTo(const ElapsedCase& c, std::ostream* os) {
    const auto print = [os](const LocalTime& t) {
        const char fill = os->fill('0');
        *os << t.year << '-' << std::setw(2) << t.month << '-' << std::setw(2) << t.day << ' '
            << std::setw(2) << t.hour << ':' << std::setw(2) << t.minute << ':' << std::setw(2)
            << t.second;
        os->fill(fill);
    };
    print(c.start);
    *os << " to ";
    print(c.end);
}

class Elapsed : public ::testing::TestWithParam<ElapsedCase> {};

TEST_P(Elapsed, CountsCalendarDaysAndClockDifferences) {
    const float hours = ElapsedHours(GetParam().start, GetParam().end);
    EXPECT_EQ(MinutesText(hours * 60, '.'), GetParam().minutes);
}

INSTANTIATE_TEST_SUITE_P(
    Spans, Elapsed,
    ::testing::Values(ElapsedCase{{2026, 12, 31, 23, 59, 30}, {2027, 1, 1, 0, 0, 30}, "1.00"},
                      ElapsedCase{{2028, 2, 28, 12, 0, 0}, {2028, 3, 1, 12, 0, 0}, "2880.00"},
                      ElapsedCase{{2026, 5, 1, 10, 0, 0}, {2026, 5, 1, 10, 0, 0}, "0.00"},
                      ElapsedCase{{2026, 5, 1, 10, 0, 30}, {2026, 5, 1, 10, 0, 0}, "-0.50"},
                      ElapsedCase{{2026, 5, 1, 0, 0, 0}, {2026, 5, 1, 0, 0, 1}, "0.02"}));

} // namespace
} // namespace talvex
