// Script text in test names and failure messages: quoted and escaped like a
// C++ string literal, so a row can be found in its table, and cut short.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace talvex::testing {

constexpr std::size_t kQuotedLimit = 60;

// CR, LF and the other control bytes are escaped to keep the ctest name on
// one line; bytes above 127 too, so a Windows-1252 byte is not taken for UTF-8.
inline void PrintQuoted(std::string_view text, std::ostream* os) {
    static const char hex[] = "0123456789abcdef";
    *os << '"';
    for (std::size_t i = 0; i < text.size() && i < kQuotedLimit; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c == '\r')
            *os << "\\r";
        else if (c == '\n')
            *os << "\\n";
        else if (c == '\t')
            *os << "\\t";
        else if (c == '"' || c == '\\')
            *os << '\\' << static_cast<char>(c);
        else if (c < 0x20 || c >= 0x7f)
            *os << "\\x" << hex[c >> 4] << hex[c & 0xf];
        else
            *os << static_cast<char>(c);
    }
    *os << '"';
    if (text.size() > kQuotedLimit) *os << "...";
}

// {"first", "second", ...}: whole lines while they fit, then the rest left out.
inline void PrintQuotedLines(const std::vector<std::string>& lines, std::ostream* os) {
    std::size_t shown = 0;
    *os << '{';
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) {
            if (shown + lines[i].size() > kQuotedLimit) {
                *os << ", ...";
                break;
            }
            *os << ", ";
        }
        PrintQuoted(lines[i], os);
        shown += lines[i].size() + 4; // the quotes and the separator
    }
    *os << '}';
}

} // namespace talvex::testing
