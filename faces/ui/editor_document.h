// Script and pane text in Qt's text documents: the core's editor text (one
// paragraph a line, marks for what a paragraph cannot hold) with the mark's
// original kept as a character property, and the pane brought up to date by
// the core's edit.
#pragma once

#include <string>
#include <string_view>

class QTextDocument;

namespace talvex {

// Replaces the document's text with `text`.
void SetEditorDocumentText(QTextDocument& doc, std::string_view text);

// The document's text as the engine holds it.
std::string EditorDocumentText(const QTextDocument& doc);

// Brings a pane document that shows `shown` to show `text`, rewriting it from
// the first line that differs only.
void UpdatePaneDocument(QTextDocument& doc, std::string_view shown, std::string_view text);

} // namespace talvex
