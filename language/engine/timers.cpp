// #timenow, #timereset and #timeelapsed.
#include "engine/timers.h"

#include "engine/interpreter.h"
#include "engine/line_context.h"

#include <charconv>
#include <cmath>

namespace talvex {

long DayNumber(const LocalTime& t) {
    const long y = t.year - (t.month <= 2 ? 1 : 0);
    const long era = (y >= 0 ? y : y - 399) / 400;
    const long yoe = y - era * 400;
    const long m = t.month;
    const long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + t.day - 1;
    const long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

float ElapsedHours(const LocalTime& startTime, const LocalTime& endTime) {
    float hours = static_cast<float>(DayNumber(endTime) - DayNumber(startTime)) * 24.0f;
    hours = static_cast<float>(hours + (endTime.hour - startTime.hour));
    hours = static_cast<float>(hours + (endTime.minute - startTime.minute) / 60.0);
    hours = static_cast<float>(hours + (endTime.second - startTime.second) / 3600.0);
    return hours;
}

std::string TimeStampText(const LocalTime& t) {
    auto two = [](int v) { return (v < 10 ? "0" : "") + std::to_string(v); };
    return std::to_string(t.year) + "-" + std::to_string(t.month) + "-" + std::to_string(t.day) +
           ", " + std::to_string(t.hour) + ":" + two(t.minute) + ":" + two(t.second);
}

std::string MinutesText(double minutes, char decimalSeparator) {
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, minutes, std::chars_format::fixed, 2);
    std::string text(buf, res.ptr);
    if (text == "-0.00") text = "0.00";
    for (char& ch : text) {
        if (ch == '.') ch = decimalSeparator;
    }
    return text;
}

void Interpreter::TimeNow(LineContext& c) {
    c.result = kAlwaysShown;
    c.outLine = "#TimeNow=" + TimeStampText(Now());
}

void Interpreter::TimeReset(LineContext& c) {
    c.result = kAlwaysShown;
    const LocalTime now = Now();
    const float minutes = ElapsedHours(TimerStart, now) * 60;
    TimerStart = now;
    c.outLine =
        "#TimeReset, TimeElapsed=" + MinutesText(minutes, Vars.environment().decimalSeparator) +
        " min";
}

void Interpreter::TimeElapsed(LineContext& c) {
    c.result = kAlwaysShown;
    const float minutes = ElapsedHours(TimerStart, Now()) * 60;
    c.outLine =
        "#TimeElapsed=" + MinutesText(minutes, Vars.environment().decimalSeparator) + " min";
}

} // namespace talvex
