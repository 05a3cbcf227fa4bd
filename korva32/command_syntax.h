// How a host command text splits into its name and its argument text.
#pragma once

#include <QString>
#include <QStringView>

namespace talvex::korva {

struct CommandParts {
    QString name; // text before the first "(", blanks trimmed
    QString text; // between the first "(" and the last ")"
};

// Name: the text before the first "(" (the whole text without one), spaces and
// tabs trimmed. Text: everything between the first "(" and the last ")" after
// it; empty without a "(", and running to the end without such a ")".
CommandParts splitCommand(QStringView command);

// Spaces and tabs stripped from both ends.
QString trimBlanks(QStringView text);

// ASCII-only lower casing; names and host values fold no other letters.
QString asciiLower(QStringView text);

} // namespace talvex::korva
