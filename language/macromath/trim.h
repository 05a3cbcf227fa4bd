// TrimChars: the character-set trim that nearly every interpreter routine uses.
#pragma once

#include <string>
#include <string_view>

namespace talvex {

// `text` without every leading and trailing character that occurs in `chars`.
// Characters are UTF-8 sequences, so "±" in the set matches the two-byte "±"
// and nothing else. An empty text or an empty set leaves the text unchanged.
std::string TrimChars(std::string_view text, std::string_view chars);

// The same, as a view into `text`.
std::string_view TrimView(std::string_view text, std::string_view chars);

// ASCII-only lower casing; the language folds no other letters.
std::string AsciiLower(std::string_view text);
char AsciiLower(char c);

// True when `text` begins with `prefix`, ignoring ASCII case.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);

// Byte offset of the first occurrence of `needle` in `haystack` at or after
// `from`, ignoring ASCII case; npos when absent.
std::size_t FindNoCase(std::string_view haystack, std::string_view needle, std::size_t from = 0);

} // namespace talvex
