#include "ui/script_tokens.h"

#include "engine/interpreter.h"

#include <string>

namespace talvex {

namespace {

// Longer than every keyword of the translator.
constexpr int kKeywordWindow = 24;

bool IsNameChar(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$') ||
           c == QLatin1Char('.');
}

bool IsNameStart(QChar c) {
    return c.isLetter() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

// The line's start lower-cased as the translator sees it (ASCII only).
std::string LowerStart(QStringView line) {
    const int n = std::min<int>(static_cast<int>(line.size()), kKeywordWindow);
    std::string out(static_cast<std::size_t>(n), '\0');
    for (int i = 0; i < n; ++i) {
        const char16_t c = line[i].unicode();
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

std::vector<ScriptToken> ScriptTokens(QStringView line) {
    std::vector<ScriptToken> tokens;
    const int n = static_cast<int>(line.size());
    if (n == 0) return tokens;
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
            const int open = static_cast<int>(line.indexOf(QLatin1Char('('), i));
            if (open >= 0) {
                labelStart = open + 1;
                labelEnd = labelStart;
                while (labelEnd < n && line[labelEnd] != QLatin1Char(')') &&
                       line[labelEnd] != QLatin1Char(','))
                    ++labelEnd;
            }
        }
    } else if (lc.starts_with("#")) {
        while (i + 1 < n && line[i + 1].isLetterOrNumber())
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
        const QChar c = line[i];
        if (c == QLatin1Char('{')) {
            ++depth;
            tokens.push_back({i++, 1, TokenKind::Brace});
        } else if (c == QLatin1Char('}') && depth > 0) {
            --depth;
            tokens.push_back({i++, 1, TokenKind::Brace});
        } else if (c == QLatin1Char('@')) {
            int end = i + 1;
            while (end < n && IsNameChar(line[end]))
                ++end;
            tokens.push_back({i, end - i, TokenKind::SystemVariable});
            i = end;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            const qsizetype close = line.indexOf(c, i + 1);
            const int end = close < 0 ? n : static_cast<int>(close) + 1;
            tokens.push_back({i, end - i, TokenKind::Quoted});
            i = end;
        } else if (depth > 0 && IsNameStart(c)) {
            int end = i + 1;
            while (end < n && IsNameChar(line[end]))
                ++end;
            // A built-in function stands right before its group's brace.
            if (end >= n || line[end] != QLatin1Char('{'))
                tokens.push_back({i, end - i, TokenKind::UserName});
            i = end;
        } else {
            if (IsNameChar(c)) {
                // Skip the rest of a word, so "x9" is not read as a number
                // and a name.
                while (i + 1 < n && IsNameChar(line[i + 1]))
                    ++i;
            }
            ++i;
        }
    }
    return tokens;
}

} // namespace talvex
