// Picking single values out of host responses: name=value fields, values
// with an error bar ("1.5±0.2", the "±" being its two UTF-8 bytes) and
// delimited columns. Texts are UTF-8; positions are bytes and unbounded.
#pragma once

#include <string>
#include <string_view>

namespace talvex {

// What the numeric pickers give for a missing or empty field.
inline constexpr double kFieldNotFound = 9e30;

// The value after the first occurrence of name in text (letter case ignored,
// ASCII): past the name and any blanks, up to the next "," or ")" or the end,
// trailing blanks removed. "" when the name does not occur.
std::string ParseString(std::string_view text, std::string_view name);

// The numeric value of ParseString(text, name): its leading number, 0 when it
// has none, kFieldNotFound when the value is empty or missing or beyond the
// range of a double.
double FieldValue(std::string_view text, std::string_view name);

// The number after the first "±" of ParseString(text, name); kFieldNotFound
// when the value is empty or has no "±".
double FieldErrorBar(std::string_view text, std::string_view name);

// The number of "=" in text.
int ParmCount(std::string_view text);

// The name of field number index (from 0): the text before the (index+1)-th
// "=", back to the nearest "," or "(" or the start, blanks trimmed. "" when
// text has fewer fields.
std::string ParmName(std::string_view text, int index);

// The numeric value of column number index (from 0), columns separated by
// delimiter (an empty column reads as 0). kFieldNotFound when text has fewer
// columns.
double SkipColumn(std::string_view text, int index, std::string_view delimiter);

} // namespace talvex
