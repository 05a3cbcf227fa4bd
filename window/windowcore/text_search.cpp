#include "windowcore/text_search.h"

#include <algorithm>

namespace talvex {

char16_t FoldCase(char16_t c) {
    if (c < 0x80) return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c;
    if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
    if (c >= 0x100 && c <= 0x17F) {
        // Latin Extended-A pairs upper and lower case, mostly even then odd.
        if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
        const bool oddPairs = (c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E);
        if (c == 0x178) return 0xFF;
        return (c % 2 == (oddPairs ? 1 : 0)) ? static_cast<char16_t>(c + 1) : c;
    }
    if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<char16_t>(c + 32);
    if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
    if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
    return c;
}

std::optional<std::size_t> FindIgnoringCase(std::u16string_view text, std::u16string_view what,
                                            std::size_t from) {
    if (what.empty() || from > text.size()) return std::nullopt;
    const auto same = [](char16_t a, char16_t b) { return FoldCase(a) == FoldCase(b); };
    const auto at = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(),
                                what.begin(), what.end(), same);
    if (at == text.end()) return std::nullopt;
    return static_cast<std::size_t>(at - text.begin());
}

} // namespace talvex
