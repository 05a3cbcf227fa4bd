#include "ui/script_highlighter.h"

#include "windowcore/script_tokens.h"

namespace talvex {

namespace {

// Marks split a line into many pieces that Qt shapes and draws one by one: in
// a line of a megabyte every keystroke and every blink of the caret took
// seconds. Past this length a line is marked no further.
constexpr int kMarkedLength = 4000;

QTextCharFormat Format(const QColor& colour, bool bold = false, bool italic = false) {
    QTextCharFormat f;
    f.setForeground(colour);
    if (bold) f.setFontWeight(QFont::Bold);
    f.setFontItalic(italic);
    return f;
}

} // namespace

ScriptHighlighter::ScriptHighlighter(QTextDocument* document) : QSyntaxHighlighter(document) {
    auto at = [this](TokenKind kind) -> QTextCharFormat& {
        return formats_[static_cast<std::size_t>(kind)];
    };
    at(TokenKind::Comment) = Format(QColor(0, 128, 0), false, true);
    at(TokenKind::Directive) = Format(QColor(0, 0, 192), true);
    at(TokenKind::UnknownDirective) = Format(QColor(192, 0, 0), true);
    at(TokenKind::Label) = Format(QColor(128, 0, 128), true);
    at(TokenKind::Brace) = Format(QColor(0, 128, 128), true);
    at(TokenKind::SystemVariable) = Format(QColor(0, 112, 160));
    at(TokenKind::UserName) = Format(QColor(144, 96, 0));
    at(TokenKind::Quoted) = Format(QColor(160, 32, 32));
}

void ScriptHighlighter::highlightBlock(const QString& text) {
    const std::u16string_view marked(
        reinterpret_cast<const char16_t*>(text.utf16()),
        static_cast<std::size_t>(std::min<qsizetype>(text.size(), kMarkedLength)));
    for (const ScriptToken& t : ScriptTokens(marked))
        setFormat(t.start, t.length, formats_[static_cast<std::size_t>(t.kind)]);
}

} // namespace talvex
