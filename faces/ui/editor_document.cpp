#include "ui/editor_document.h"

#include "engine/text_codec.h"
#include "windowcore/editor_text.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

namespace talvex {

namespace {

// The character format property that marks a stand-in and names the
// character it stands for.
constexpr int kStandsFor = QTextFormat::UserProperty + 1;

QString FromUtf16(const std::u16string& text) {
    return QString(reinterpret_cast<const QChar*>(text.data()),
                   static_cast<qsizetype>(text.size()));
}

QString Q(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

void SetEditorDocumentText(QTextDocument& doc, std::string_view text) {
    const EditorText shown = ToEditorText(text);
    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    doc.setPlainText(FromUtf16(shown.text));
    if (!shown.marks.empty()) {
        QTextCursor cursor(&doc);
        for (const auto& [at, c] : shown.marks) {
            cursor.setPosition(static_cast<int>(at));
            cursor.setPosition(static_cast<int>(at) + 1, QTextCursor::KeepAnchor);
            QTextCharFormat format;
            format.setProperty(kStandsFor, static_cast<int>(c));
            cursor.mergeCharFormat(format);
        }
    }
    doc.setUndoRedoEnabled(undo);
}

std::string EditorDocumentText(const QTextDocument& doc) {
    std::u16string text;
    text.reserve(static_cast<std::size_t>(doc.characterCount()));
    std::vector<StandIn> marks;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block != doc.begin()) text += u'\n';
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            // The fragment's own text: no blank in place of U+00A0, no LF in place of U+2028.
            const QString part = fragment.text();
            const QVariant standsFor = fragment.charFormat().property(kStandsFor);
            if (standsFor.isValid()) {
                for (qsizetype i = 0; i < part.size(); ++i)
                    marks.emplace_back(text.size() + static_cast<std::size_t>(i),
                                       static_cast<char16_t>(standsFor.toInt()));
            }
            text.append(reinterpret_cast<const char16_t*>(part.utf16()),
                        static_cast<std::size_t>(part.size()));
        }
    }
    return FromEditorText(text, marks);
}

void UpdatePaneDocument(QTextDocument& doc, std::string_view shown, std::string_view text) {
    if (shown == text) return;
    const PaneEdit edit = PaneUpdate(shown, text);
    if (edit.dropFront > 0) {
        QTextCursor front(&doc);
        front.setPosition(static_cast<int>(edit.dropFront), QTextCursor::KeepAnchor);
        front.removeSelectedText();
    }
    QTextCursor cursor(&doc);
    const int end = doc.characterCount() - 1;
    cursor.setPosition(std::min(static_cast<int>(edit.from), end));
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.insertText(Q(LfLineEnds(edit.insert)));
}

} // namespace talvex
