#include "windowcore/script_tokens.h"

#include "engine/interpreter.h"

#include <algorithm>
#include <string>

namespace talvex {

namespace {

// Longer than every keyword of the translator.
constexpr int kKeywordWindow = 24;

bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

// Letters as far as names go: ASCII letters, and past ASCII everything but
// the blocks of spaces, punctuation and symbols a script might put after a
// name.
bool IsLetter(char16_t c) {
    if (c < 0x80) return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
    if (c < 0xC0) return c == 0xAA || c == 0xB5 || c == 0xBA;
    if (c == 0xD7 || c == 0xF7) return false;
    if (c >= 0x2000 && c <= 0x2BFF) return false; // punctuation, symbols, arrows, boxes
    if (c >= 0x3000 && c <= 0x303F) return false; // CJK punctuation
    if (c >= 0xFE30 && c <= 0xFE6F) return false;
    if (c >= 0xFF00 && c <= 0xFF20) return false; // full-width punctuation and digits
    return c != 0xFEFF && c != 0xFFFD;
}

bool IsNameChar(char16_t c) {
    return IsLetter(c) || IsDigit(c) || c == u'_' || c == u'$' || c == u'.';
}

bool IsNameStart(char16_t c) {
    return IsLetter(c) || c == u'_' || c == u'$';
}

// The line's start lower-cased as the translator sees it (ASCII only).
std::string LowerStart(std::u16string_view line) {
    const int n = std::min<int>(static_cast<int>(line.size()), kKeywordWindow);
    std::string out(static_cast<std::size_t>(n), '\0');
    for (int i = 0; i < n; ++i) {
        const char16_t c = line[static_cast<std::size_t>(i)];
        out[static_cast<std::size_t>(i)] = c >= 'A' && c <= 'Z'
                                               ? static_cast<char>(c - 'A' + 'a')
                                               : (c < 128 ? static_cast<char>(c) : '\x7f');
    }
    return out;
}

bool NamesLabel(std::string_view keyword) {
    return keyword == "#label" || keyword == "label" || keyword == "#goto" || keyword == "goto" ||
           keyword == "#gosub" || keyword == "#oncancel" || keyword == "#cancel";
}

} // namespace

std::vector<ScriptToken> ScriptTokens(std::u16string_view line) {
    std::vector<ScriptToken> tokens;
    const int n = static_cast<int>(line.size());
    if (n == 0) return tokens;
    const auto at = [line](int k) { return line[static_cast<std::size_t>(k)]; };
    const std::string lower = LowerStart(line);
    const std::string_view lc = lower;
    if (lc.starts_with("'") || lc.starts_with(";") || lc.starts_with("//")) {
        tokens.push_back({0, n, TokenKind::Comment});
        return tokens;
    }

    int i = 0;
    int labelStart = -1, labelEnd = -1;
    const std::string_view keyword =
        lc.starts_with("#") ? Interpreter::DirectiveKeyword(lc) : Interpreter::PlainWordKeyword(lc);
    if (!keyword.empty()) {
        i = static_cast<int>(keyword.size());
        tokens.push_back({0, i, TokenKind::Directive});
        if (NamesLabel(keyword)) {
            // The label is the directive's argument up to its first comma.
            const auto found = line.find(u'(', static_cast<std::size_t>(i));
            const int open = found == std::u16string_view::npos ? -1 : static_cast<int>(found);
            if (open >= 0) {
                labelStart = open + 1;
                labelEnd = labelStart;
                while (labelEnd < n && at(labelEnd) != u')' && at(labelEnd) != u',')
                    ++labelEnd;
            }
        }
    } else if (lc.starts_with("#")) {
        while (i + 1 < n && (IsLetter(at(i + 1)) || IsDigit(at(i + 1))))
            ++i;
        ++i;
        tokens.push_back({0, i, TokenKind::UnknownDirective});
    }

    int depth = 0;
    while (i < n) {
        if (i == labelStart) {
            if (labelEnd > labelStart)
                tokens.push_back({labelStart, labelEnd - labelStart, TokenKind::Label});
            i = labelEnd;
            continue;
        }
        const char16_t c = at(i);
        if (c == u'{') {
            ++depth;
            tokens.push_back({i++, 1, TokenKind::Brace});
        } else if (c == u'}' && depth > 0) {
            --depth;
            tokens.push_back({i++, 1, TokenKind::Brace});
        } else if (c == u'@') {
            int end = i + 1;
            while (end < n && IsNameChar(at(end)))
                ++end;
            tokens.push_back({i, end - i, TokenKind::SystemVariable});
            i = end;
        } else if (c == u'"' || c == u'\'') {
            const auto close = line.find(c, static_cast<std::size_t>(i) + 1);
            const int end = close == std::u16string_view::npos ? n : static_cast<int>(close) + 1;
            tokens.push_back({i, end - i, TokenKind::Quoted});
            i = end;
        } else if (depth > 0 && IsNameStart(c)) {
            int end = i + 1;
            while (end < n && IsNameChar(at(end)))
                ++end;
            // A built-in function stands right before its group's brace.
            if (end >= n || at(end) != u'{') tokens.push_back({i, end - i, TokenKind::UserName});
            i = end;
        } else {
            if (IsNameChar(c)) {
                // Skip the rest of a word, so "x9" is not read as a number
                // and a name.
                while (i + 1 < n && IsNameChar(at(i + 1)))
                    ++i;
            }
            ++i;
        }
    }
    return tokens;
}

} // namespace talvex
