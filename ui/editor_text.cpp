// Converting script text for the editor and back.
#include "ui/editor_text.h"

#include "engine/response_pane.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>
#include <utility>
#include <vector>

namespace talvex {

namespace {

// The character format property that marks a stand-in and names the
// character it stands for.
constexpr int kStandsFor = QTextFormat::UserProperty + 1;

constexpr char16_t kParagraphSeparator = 0x2029;
constexpr char16_t kFrameStart = 0xFDD0;
constexpr char16_t kFrameEnd = 0xFDD1;

} // namespace

char16_t EditorMarkFor(char16_t c) {
    switch (c) {
    case u'\r':
        return 0x240D; // SYMBOL FOR CARRIAGE RETURN
    case u'\n':
        return 0x240A; // SYMBOL FOR LINE FEED
    case kParagraphSeparator:
        return 0x2424; // SYMBOL FOR NEWLINE
    case kFrameStart:
    case kFrameEnd:
        return 0xFFFD;
    default:
        return 0;
    }
}

void SetEditorDocumentText(QTextDocument& doc, std::string_view text) {
    const QString in = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QString out;
    out.reserve(in.size());
    std::vector<std::pair<qsizetype, char16_t>> marks;
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char16_t c = in[i].unicode();
        if (c == u'\r' && i + 1 < in.size() && in[i + 1] == u'\n') {
            out += u'\n'; // a line break: the next paragraph
            ++i;
        } else if (const char16_t mark = EditorMarkFor(c)) {
            marks.emplace_back(out.size(), c);
            out += QChar(mark);
        } else {
            out += QChar(c);
        }
    }

    const bool undo = doc.isUndoRedoEnabled();
    doc.setUndoRedoEnabled(false);
    doc.setPlainText(out);
    if (!marks.empty()) {
        QTextCursor cursor(&doc);
        for (const auto& [at, c] : marks) {
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
    QString out;
    out.reserve(doc.characterCount() + doc.blockCount());
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block != doc.begin()) out += QLatin1String("\r\n");
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            // The fragment's own text: no blank in place of U+00A0, no LF in place of U+2028.
            const QString part = fragment.text();
            const QVariant standsFor = fragment.charFormat().property(kStandsFor);
            if (!standsFor.isValid()) {
                out += part;
                continue;
            }
            const auto original = static_cast<char16_t>(standsFor.toInt());
            const char16_t mark = EditorMarkFor(original);
            for (const QChar ch : part)
                out += (mark != 0 && ch.unicode() == mark) ? QChar(original) : ch;
        }
    }
    return out.toStdString();
}

QString PaneDisplayText(std::string_view text) {
    QString out = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return out;
}

namespace {

// The positions `text` takes in a document: one a character, but a CR LF
// that is left makes one paragraph break.
int DocumentLength(const QString& text) {
    return static_cast<int>(text.size() - text.count(QLatin1String("\r\n")));
}

} // namespace

namespace {

std::size_t CommonPrefix(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    return static_cast<std::size_t>(std::mismatch(a.begin(), a.begin() + n, b.begin()).first -
                                    a.begin());
}

} // namespace

void UpdatePaneDocument(QTextDocument& doc, std::string_view shown, std::string_view text) {
    if (shown == text) return;
    std::size_t common = CommonPrefix(shown, text);
    if (common < shown.size() / 2) {
        // Over its limit the pane drops its first lines: drop them from the
        // document too, rather than rewriting the thousand lines it keeps.
        const std::string kept = ResponsePane::KeptAfterLimitCut(std::string(shown));
        const std::size_t keptCommon = CommonPrefix(kept, text);
        if (!kept.empty() && keptCommon > common) {
            QTextCursor front(&doc);
            front.setPosition(
                DocumentLength(PaneDisplayText(shown.substr(0, shown.size() - kept.size()))),
                QTextCursor::KeepAnchor);
            front.removeSelectedText();
            shown = shown.substr(shown.size() - kept.size());
            common = keptCommon;
        }
    }
    // A run mostly adds lines and takes back its last one: keep every whole
    // line the two have in common, so a sync costs what changed, not what
    // the pane holds.
    std::size_t cut = 0;
    if (common >= 2) {
        const std::size_t crlf = shown.rfind("\r\n", common - 2);
        if (crlf != std::string_view::npos) cut = crlf + 2;
    }
    const int end = doc.characterCount() - 1;
    int keep = end - DocumentLength(PaneDisplayText(shown.substr(cut)));
    if (keep < 0 || cut == 0) keep = 0;
    QTextCursor cursor(&doc);
    cursor.setPosition(keep);
    cursor.setPosition(end, QTextCursor::KeepAnchor);
    cursor.insertText(PaneDisplayText(text.substr(keep == 0 ? 0 : cut)));
}

} // namespace talvex
