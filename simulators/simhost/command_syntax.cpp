// Splitting command texts; kept apart so the interpreter reads as a table.
// "(", ")", blanks and ASCII letters never occur inside a UTF-8 sequence, so
// byte-wise work is exact here.
#include "simhost/command_syntax.h"

namespace talvex::simhost {

namespace {
bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
} // namespace

std::string TrimBlanks(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    while (end > begin && IsBlank(text[end - 1]))
        --end;
    return std::string(text.substr(begin, end - begin));
}

std::string AsciiLower(std::string_view text) {
    std::string lowered(text);
    for (char& c : lowered) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + ('a' - 'A'));
    }
    return lowered;
}

std::size_t CharacterCount(std::string_view text) {
    std::size_t count = 0;
    for (char c : text) {
        if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) ++count;
    }
    return count;
}

CommandParts SplitCommand(std::string_view command) {
    const std::size_t open = command.find('(');
    if (open == std::string_view::npos) return {TrimBlanks(command), std::string()};
    CommandParts parts;
    parts.name = TrimBlanks(command.substr(0, open));
    const std::size_t close = command.rfind(')');
    if (close != std::string_view::npos && close > open)
        parts.text = std::string(command.substr(open + 1, close - open - 1));
    else
        parts.text = std::string(command.substr(open + 1));
    return parts;
}

} // namespace talvex::simhost
