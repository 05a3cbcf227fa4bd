// Reading and writing numbers, independent of the C library's locale.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace talvex {

// The numeric reading of a text: blanks, tabs and line feeds are ignored
// wherever they stand, then the longest prefix that forms a number is read
// (sign, digits with one ".", exponent). "&H"/"&O" read hexadecimal/octal:
// up to four hex digits give a 16-bit signed value, more a 32-bit one.
// A text without a number reads as 0. Throws ArithmeticError for a number
// beyond the double range.
double ValOf(std::string_view text);

// 15 significant digits, "." as the point, a leading blank for values not
// below zero, no "0" before the point (" .5", "-.25"), whole numbers without a
// point, exponent form past 15 digits (" 1E+20", " 1E-05").
std::string PlainNumberText(double x);

// As PlainNumberText but with the "0" before the separator, the given decimal
// separator and no leading blank ("0.5", "1,4142135623731").
std::string LocaleNumberText(double x, char decimalSeparator);

// Rounds to the nearest integer, halves to the even neighbour; nullopt when
// the result does not fit the 32-bit (or 16-bit) signed range.
std::optional<std::int32_t> RoundToInt32(double x);
std::optional<std::int16_t> RoundToInt16(double x);

} // namespace talvex
