// The locale's separator from the platform: Windows' user locale, Qt's
// system locale elsewhere.
#include "app/locale_decimal_separator.h"

#ifdef _WIN32
#include "ddelink/win32.h"
#else
#include <QLocale>
#endif

namespace talvex {

namespace {
char AsciiOrPoint(unsigned code) {
    return code > 0 && code < 128 ? static_cast<char>(code) : '.';
}
} // namespace

char LocaleDecimalSeparator() {
#ifdef _WIN32
    wchar_t point[8] = {};
    // 2: one character and its NUL.
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, point, 8) != 2) return '.';
    return AsciiOrPoint(point[0]);
#else
    const QString point = QLocale::system().decimalPoint();
    return point.size() == 1 ? AsciiOrPoint(point[0].unicode()) : '.';
#endif
}

} // namespace talvex
