// The argument of a directive and the statement of a one-line #if.
#include "engine/paren_argument.h"

#include "macromath/trim.h"

namespace talvex {

namespace {

bool IsRestTrimChar(char c) {
    return c == ' ' || c == '\r' || c == '\n' || c == '\x01';
}

} // namespace

std::string ParenArgument(std::string_view text, std::string& rest, long& restPos) {
    rest.clear();
    restPos = 0;
    const std::size_t open = text.find('(');
    if (open == std::string_view::npos) return "";
    std::size_t close = std::string_view::npos;
    int depth = 0;
    for (std::size_t i = open; i < text.size(); ++i) {
        if (text[i] == '(') {
            ++depth;
        } else if (text[i] == ')' && --depth == 0) {
            close = i;
            break;
        }
    }
    if (close == std::string_view::npos || close == open + 1) return "";
    std::string inner = TrimChars(text.substr(open + 1, close - open - 1), " ");

    // Track where the rest starts inside `text` while trimming, so the runner
    // can jump straight to the statement.
    std::size_t begin = close + 1;
    std::size_t end = text.size();
    while (begin < end && IsRestTrimChar(text[begin]))
        ++begin;
    while (end > begin && IsRestTrimChar(text[end - 1]))
        --end;
    if (end - begin >= 4 && AsciiLower(text.substr(begin, 4)) == "then") {
        begin += 4;
        while (begin < end && text[begin] == ' ')
            ++begin;
        while (end > begin && text[end - 1] == ' ')
            --end;
    }
    std::string_view after = text.substr(begin, end - begin);
    if (after.starts_with("//") || after.starts_with(";") || after.starts_with("'")) return inner;
    rest.assign(after);
    if (rest.size() >= 2) restPos = static_cast<long>(begin) + 1;
    return inner;
}

} // namespace talvex
