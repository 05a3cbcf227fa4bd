// The script timer: elapsed time between two local times, and its texts.
#pragma once

#include "macromath/environment.h"

#include <string>

namespace talvex {

// Days since 1970-01-01 in the proleptic Gregorian calendar.
long DayNumber(const LocalTime& t);

// Hours from `startTime` to `endTime`: whole calendar days times 24 plus the
// differences of hours, minutes and seconds, each step in single precision.
float ElapsedHours(const LocalTime& startTime, const LocalTime& endTime);

// "yyyy-m-d, h:mm:ss" (no leading zeros in month, day and hour).
std::string TimeStampText(const LocalTime& t);

// At least one integer digit and two decimals ("0.00", "125.50"), with the
// user's decimal separator.
std::string MinutesText(double minutes, char decimalSeparator);

} // namespace talvex
