// manual_pdf: renders the user's guide (Markdown) to the PDF that the Help
// menu opens. Runs at build time without a display (offscreen platform).
//
//   manual_pdf MANUAL.md OUT.pdf
//
// The PDF is written to a temporary file and renamed into place only when it
// is complete, so a failed render never leaves a truncated help document.
#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include <cstdio>

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

int main(int argc, char** argv) {
    // No display at build time.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: manual_pdf MANUAL.md OUT.pdf\n");
        return 64;
    }

    QFile in(args[1]);
    if (!in.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "manual_pdf: cannot read %s: %s\n", qPrintable(args[1]),
                     qPrintable(in.errorString()));
        return 66;
    }
    const QString markdown = QString::fromUtf8(in.readAll());
    if (markdown.trimmed().isEmpty()) {
        std::fprintf(stderr, "manual_pdf: %s is empty\n", qPrintable(args[1]));
        return 65;
    }

    QTextDocument doc;
    QFont body(QStringLiteral("DejaVu Sans"));
    body.setPointSizeF(10);
    doc.setDefaultFont(body);
    doc.setMarkdown(markdown, QTextDocument::MarkdownDialectGitHub);
    StyleCodeBlocks(doc);
    StyleTables(doc);

    QSaveFile out(args[2]);
    if (!out.open(QIODevice::WriteOnly)) {
        std::fprintf(stderr, "manual_pdf: cannot write %s: %s\n", qPrintable(args[2]),
                     qPrintable(out.errorString()));
        return 73;
    }
    {
        QPdfWriter pdf(&out);
        pdf.setPageSize(QPageSize(QPageSize::A4));
        pdf.setPageMargins(QMarginsF(18, 18, 18, 18), QPageLayout::Millimeter);
        pdf.setResolution(300);
        pdf.setTitle(QStringLiteral("Talvex User's Guide"));
        pdf.setCreator(QStringLiteral("Talvex"));
        doc.print(&pdf);
    }
    if (out.size() == 0 || !out.commit()) {
        std::fprintf(stderr, "manual_pdf: writing %s failed: %s\n", qPrintable(args[2]),
                     qPrintable(out.errorString()));
        return 74;
    }
    return 0;
}
