// Script text at the editor's edge. The engine holds UTF-8 text with CR LF
// between lines; the editor's document holds one paragraph per line. A few
// characters cannot stay inside a paragraph (a lone CR or LF, the paragraph
// separator U+2029 and the document's own frame marks): they are shown as a
// visible mark that remembers the character it stands for, so a script's
// text comes back from the editor byte for byte.
#pragma once

#include <QString>

#include <string>
#include <string_view>

class QTextDocument;

namespace talvex {

// Replaces the document's text with `text`.
void SetEditorDocumentText(QTextDocument& doc, std::string_view text);

// The document's text as the engine holds it.
std::string EditorDocumentText(const QTextDocument& doc);

// The mark shown for a character a paragraph cannot hold, or 0 for any other.
char16_t EditorMarkFor(char16_t c);

// Text for a read-only pane: CR LF starts a new line.
QString PaneDisplayText(std::string_view text);

// Brings a pane document that shows `shown` (as PaneDisplayText gives it) to
// show `text`, rewriting it from the first line that differs only.
void UpdatePaneDocument(QTextDocument& doc, std::string_view shown, std::string_view text);

} // namespace talvex
