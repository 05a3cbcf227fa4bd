// What the expression core needs from the outside world: the local clock, the
// host's folder, the user's decimal separator and the program version. Handed
// in as one object so tests can pin every one of them.
#pragma once

#include <functional>
#include <string>

namespace talvex {

struct LocalTime {
    int year = 2000; // four digits
    int month = 1;   // 1..12
    int day = 1;     // 1..31
    int hour = 0;    // 0..23
    int minute = 0;
    int second = 0;
};

struct ProgramVersion {
    int major = 1;
    int minor = 0;
    int revision = 0;
};

struct Environment {
    // Current local date and time; read anew on every use.
    std::function<LocalTime()> now;
    // Folder of the host executable, ending in a separator, or "" when none was searched for.
    std::function<std::string()> hostDir;
    // Decimal separator of the user's locale; only LocaleNumberText uses it.
    char decimalSeparator = '.';
    ProgramVersion version;

    // The real clock, no host folder, "." and the version of this build.
    static Environment system();
};

// The local time of the system clock.
LocalTime SystemLocalTime();

// "yy_mm_dd_hh_mm_ss", "yyyy_mm_dd" and "hh_mm_ss".
std::string FormatNow(const LocalTime& t);
std::string FormatDate(const LocalTime& t);
std::string FormatTime(const LocalTime& t);

} // namespace talvex
