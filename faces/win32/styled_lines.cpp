#include "win32/styled_lines.h"

#include <algorithm>

namespace talvex {

void StyledLines::Reset(int lines) {
    styled_.assign(static_cast<std::size_t>(std::max(lines, 1)), false);
}

void StyledLines::Edited(int last, int delta) {
    if (styled_.empty()) styled_.push_back(false);
    last = std::clamp(last, 0, Lines() + std::max(delta, 0) - 1);
    if (delta > 0) {
        // The new lines are the ones just before `last`, and `last` itself.
        const int at = std::clamp(last - delta + 1, 0, Lines());
        styled_.insert(styled_.begin() + at, static_cast<std::size_t>(delta), false);
    } else if (delta < 0) {
        // Lines joined onto `last`.
        const int from = std::min(last + 1, Lines());
        const int to = std::min(from - delta, Lines());
        styled_.erase(styled_.begin() + from, styled_.begin() + to);
    }
    if (styled_.empty()) styled_.push_back(false);
    const int first = std::max(0, last - std::max(delta, 0));
    for (int line = first; line <= last && line < Lines(); ++line)
        styled_[static_cast<std::size_t>(line)] = false;
}

void StyledLines::MarkStyled(int first, int last) {
    for (int line = std::max(first, 0); line <= last && line < Lines(); ++line)
        styled_[static_cast<std::size_t>(line)] = true;
}

bool StyledLines::Styled(int line) const {
    return line >= 0 && line < Lines() && styled_[static_cast<std::size_t>(line)];
}

std::vector<std::pair<int, int>> StyledLines::Unstyled(int first, int last) const {
    std::vector<std::pair<int, int>> runs;
    last = std::min(last, Lines() - 1);
    for (int line = std::max(first, 0); line <= last; ++line) {
        if (styled_[static_cast<std::size_t>(line)]) continue;
        if (!runs.empty() && runs.back().second == line - 1)
            runs.back().second = line;
        else
            runs.emplace_back(line, line);
    }
    return runs;
}

} // namespace talvex
