// Character-set trimming and the ASCII-only case helpers.
#include "macromath/trim.h"

#include <algorithm>

namespace talvex {

namespace {

// Length of the UTF-8 sequence starting at `text[i]`; a byte that does not
// start a well-formed sequence counts as one character on its own.
std::size_t CharLength(std::string_view text, std::size_t i) {
    const auto c = static_cast<unsigned char>(text[i]);
    std::size_t n = 1;
    if (c >= 0xC2 && c <= 0xDF)
        n = 2;
    else if (c >= 0xE0 && c <= 0xEF)
        n = 3;
    else if (c >= 0xF0 && c <= 0xF4)
        n = 4;
    if (n == 1 || i + n > text.size()) return 1;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return 1;
    return n;
}

// Start of the character that ends just before `end`.
std::size_t PreviousStart(std::string_view text, std::size_t end) {
    // A well-formed sequence is at most four bytes long; take the longest one
    // that ends exactly at `end`.
    for (std::size_t back = std::min<std::size_t>(4, end); back > 1; --back) {
        const std::size_t start = end - back;
        if (CharLength(text, start) == back) return start;
    }
    return end - 1;
}

bool InSet(std::string_view chars, std::string_view ch) {
    for (std::size_t i = 0; i < chars.size();) {
        const std::size_t n = CharLength(chars, i);
        if (chars.substr(i, n) == ch) return true;
        i += n;
    }
    return false;
}

} // namespace

std::string_view TrimView(std::string_view text, std::string_view chars) {
    if (text.empty() || chars.empty()) return text;
    std::size_t begin = 0;
    while (begin < text.size()) {
        const std::size_t n = CharLength(text, begin);
        if (!InSet(chars, text.substr(begin, n))) break;
        begin += n;
    }
    std::size_t end = text.size();
    while (end > begin) {
        const std::size_t start = std::max(PreviousStart(text, end), begin);
        if (!InSet(chars, text.substr(start, end - start))) break;
        end = start;
    }
    return text.substr(begin, end - begin);
}

std::string TrimChars(std::string_view text, std::string_view chars) {
    return std::string(TrimView(text, chars));
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = AsciiLower(c);
    return out;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (prefix.size() > text.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (AsciiLower(text[i]) != AsciiLower(prefix[i])) return false;
    return true;
}

std::size_t FindNoCase(std::string_view haystack, std::string_view needle, std::size_t from) {
    if (needle.empty()) return from <= haystack.size() ? from : std::string_view::npos;
    if (needle.size() > haystack.size()) return std::string_view::npos;
    const char first = AsciiLower(needle[0]);
    for (std::size_t i = from; i + needle.size() <= haystack.size(); ++i) {
        if (AsciiLower(haystack[i]) != first) continue;
        if (StartsWithNoCase(haystack.substr(i), needle)) return i;
    }
    return std::string_view::npos;
}

} // namespace talvex
