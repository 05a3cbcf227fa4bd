// Splitting command texts; kept apart so the interpreter reads as a table.
#include "korva32/command_syntax.h"

namespace talvex::korva {

namespace {
bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}
} // namespace

QString trimBlanks(QStringView text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.mid(begin, end - begin).toString();
}

QString asciiLower(QStringView text) {
    QString lowered = text.toString();
    for (QChar& c : lowered) {
        if (c >= u'A' && c <= u'Z') c = QChar(c.unicode() + (u'a' - u'A'));
    }
    return lowered;
}

CommandParts splitCommand(QStringView command) {
    const qsizetype open = command.indexOf(u'(');
    if (open < 0) return {trimBlanks(command), QString()};
    CommandParts parts;
    parts.name = trimBlanks(command.left(open));
    const qsizetype close = command.lastIndexOf(u')');
    if (close > open)
        parts.text = command.mid(open + 1, close - open - 1).toString();
    else
        parts.text = command.mid(open + 1).toString();
    return parts;
}

} // namespace talvex::korva
