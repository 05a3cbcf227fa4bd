// manual_pdf: renders the user's guide (Markdown) to the PDF that the Help
// menu opens. Runs at build time without a display (offscreen platform).
//
//   manual_pdf MANUAL.md OUT.pdf
//
// The PDF is written to a temporary file and renamed into place only when it
// is complete, so a failed render never leaves a truncated help document.
#include "ui/guide_document.h"

#include <QFile>
#include <QFont>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QSaveFile>
#include <QTextDocument>

#include <cstdio>

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
    talvex::LoadGuide(doc, markdown);

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
