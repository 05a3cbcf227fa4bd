// What the editor marks in a script line: comments, directives as the
// translator matches them, labels, {...} groups, "@" system variables and
// user names inside groups, and quoted texts. Lines stand alone: the
// language has no construct that spans lines. Positions count UTF-16 units,
// as the editors do.
#pragma once

#include <string_view>
#include <vector>

namespace talvex {

enum class TokenKind {
    Comment,
    Directive,
    UnknownDirective,
    Label,
    Brace,
    SystemVariable,
    UserName,
    Quoted,
};

struct ScriptToken {
    int start;
    int length;
    TokenKind kind;
};

// The marked parts of one line, in order, none overlapping.
std::vector<ScriptToken> ScriptTokens(std::u16string_view line);

} // namespace talvex
