// Lays the guide's Markdown out as the PDF and the guide window show it.
#include "ui/guide_document.h"

#include <QColor>
#include <QFont>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

namespace talvex {

namespace {

bool IsCode(const QTextBlock& b) {
    return b.isValid() && b.blockFormat().hasProperty(QTextFormat::BlockCodeFence);
}

QString CodeLanguage(const QTextBlock& b) {
    return b.blockFormat().stringProperty(QTextFormat::BlockCodeLanguage);
}

// Fenced code blocks: scripts on a light blue, the program's output on a
// light grey, so a reader tells at a glance what they type and what they see.
// Long lines wrap instead of running off the page, and a little space sets
// each block apart from the next.
void StyleCodeBlocks(QTextDocument& doc) {
    QFont mono(QStringLiteral("DejaVu Sans Mono"));
    mono.setStyleHint(QFont::Monospace);
    mono.setPointSizeF(8.5);
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        if (!IsCode(b)) continue;
        const QString language = CodeLanguage(b);
        const bool first = !IsCode(b.previous()) || CodeLanguage(b.previous()) != language;
        const bool last = !IsCode(b.next()) || CodeLanguage(b.next()) != language;
        QTextBlockFormat styled = b.blockFormat();
        styled.setBackground(language.startsWith(QLatin1String("tvx")) ? QColor(0xe3, 0xee, 0xfa)
                                                                       : QColor(0xee, 0xee, 0xee));
        styled.setNonBreakableLines(false);
        styled.setLeftMargin(10);
        styled.setTopMargin(first ? 6 : 0);
        styled.setBottomMargin(last ? 6 : 0);
        QTextCursor c(b);
        c.setBlockFormat(styled);
        c.select(QTextCursor::BlockUnderCursor);
        QTextCharFormat cf;
        cf.setFont(mono);
        c.mergeCharFormat(cf);
    }
}

// Thin single rules and some padding instead of the default double borders.
void StyleTables(QTextDocument& doc) {
    for (QTextFrame* frame : doc.rootFrame()->childFrames()) {
        auto* table = qobject_cast<QTextTable*>(frame);
        if (!table) continue;
        QTextTableFormat f = table->format();
        f.setBorderCollapse(true);
        f.setBorder(0.5);
        f.setBorderBrush(QColor(0x99, 0x99, 0x99));
        f.setCellPadding(3);
        f.setCellSpacing(0);
        f.setTopMargin(4);
        f.setBottomMargin(6);
        table->setFormat(f);
    }
}

} // namespace

void LoadGuide(QTextDocument& doc, const QString& markdown) {
    doc.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    StyleCodeBlocks(doc);
    StyleTables(doc);
}

} // namespace talvex
