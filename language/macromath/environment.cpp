// The real clock and the formats of the date and time built-ins.
#include "macromath/environment.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace talvex {

LocalTime SystemLocalTime() {
    const std::time_t t = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &t);
#else
    localtime_r(&t, &tm);
#endif
    return LocalTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                     tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

Environment Environment::system() {
    Environment env;
    env.now = SystemLocalTime;
    env.hostDir = [] { return std::string(); };
    env.decimalSeparator = '.';
    env.version = ProgramVersion{TALVEX_VERSION_MAJOR, TALVEX_VERSION_MINOR, TALVEX_VERSION_PATCH};
    return env;
}

namespace {
std::string TwoDigits(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v % 100);
    return buf;
}
} // namespace

std::string FormatNow(const LocalTime& t) {
    return TwoDigits(t.year) + "_" + TwoDigits(t.month) + "_" + TwoDigits(t.day) + "_" +
           TwoDigits(t.hour) + "_" + TwoDigits(t.minute) + "_" + TwoDigits(t.second);
}

std::string FormatDate(const LocalTime& t) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d", t.year);
    return std::string(buf) + "_" + TwoDigits(t.month) + "_" + TwoDigits(t.day);
}

std::string FormatTime(const LocalTime& t) {
    return TwoDigits(t.hour) + "_" + TwoDigits(t.minute) + "_" + TwoDigits(t.second);
}

} // namespace talvex
