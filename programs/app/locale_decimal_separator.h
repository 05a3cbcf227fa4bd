// The decimal separator of the user's locale, as the variable store takes it.
#pragma once

namespace talvex {

// One ASCII character; '.' when the locale's separator is anything else.
char LocaleDecimalSeparator();

} // namespace talvex
