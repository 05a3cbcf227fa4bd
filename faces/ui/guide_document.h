// The user's guide as a text document: its Markdown laid out the way both the
// PDF and the guide window show it (scripts on blue, output on grey, tables
// with thin rules). Qt Gui only, so the build-time PDF renderer shares it.
#pragma once

#include <QString>

class QTextDocument;

namespace talvex {

// Replaces `doc`'s content by the guide `markdown`, styled.
void LoadGuide(QTextDocument& doc, const QString& markdown);

} // namespace talvex
