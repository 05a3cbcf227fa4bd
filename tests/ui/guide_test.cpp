// The guide window: the guide beside its PDF shown with its contents and
// Find, and the document opener that decides when it is needed.
#include "tests/ui/window_rig.h"
#include "ui/guide_window.h"
#include "ui/user_dialogs.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTreeWidget>

using namespace talvex;
using namespace talvex::testing;

namespace {

QString GuideMarkdown() {
    QFile f(QStringLiteral(TALVEX_HELP_MD));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// The guide's chapters and one chapter's sections as its Markdown has them:
// "#" lines outside fenced blocks, without the title.
QStringList Headings(const QString& markdown, const QString& prefix) {
    QStringList out;
    bool fenced = false;
    for (const QString& line : markdown.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("```")))
            fenced = !fenced;
        else if (!fenced && line.startsWith(prefix))
            out << line.mid(prefix.size()).trimmed();
    }
    return out;
}

QStringList Entries(const QTreeWidgetItem* parent) {
    QStringList out;
    for (int i = 0; i < parent->childCount(); ++i)
        out << parent->child(i)->text(0);
    return out;
}

QTreeWidgetItem* Entry(GuideWindow& w, const QString& text) {
    const auto found = w.Contents()->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
    return found.isEmpty() ? nullptr : found.first();
}

// A folder as an install leaves it: the PDF and, unless null, the Markdown.
QString PlaceGuide(QTemporaryDir& dir, const QString& markdown) {
    const QString pdf = dir.filePath(QStringLiteral("talvex_help.pdf"));
    WriteBytes(pdf, "%PDF-1.4\n");
    if (!markdown.isNull())
        WriteBytes(dir.filePath(QStringLiteral("talvex_help.md")), markdown.toStdString());
    return pdf;
}

} // namespace

class GuideTest : public QObject {
    Q_OBJECT
private slots:
    void showsTheGuideWithItsContents();
    void findGoesRoundTheGuide();
    void noGuideToShow_data();
    void noGuideToShow();
    void openerReportsWhetherAViewerTookTheDocument_data();
    void openerReportsWhetherAViewerTookTheDocument();
};

void GuideTest::showsTheGuideWithItsContents() {
    const QString markdown = GuideMarkdown();
    QVERIFY2(!markdown.isEmpty(), TALVEX_HELP_MD " is missing");
    QTemporaryDir dir;
    const QString pdf = PlaceGuide(dir, markdown);
    QWidget owner;
    QVERIFY(ShowGuideWindow(pdf, &owner));
    auto* w = owner.findChild<GuideWindow*>();
    QVERIFY(w);
    QVERIFY(QTest::qWaitForWindowExposed(w));
    QCOMPARE(w->windowTitle(), QStringLiteral("Talvex User's Guide"));

    // Chapters at the top, their sections below them.
    QTreeWidgetItem* root = w->Contents()->invisibleRootItem();
    QCOMPARE(Entries(root), Headings(markdown, QStringLiteral("# ")));
    QTreeWidgetItem* start = Entry(*w, QStringLiteral("1. Getting started"));
    QVERIFY(start);
    QCOMPARE(Entries(start).first(), QStringLiteral("Installing"));
    QVERIFY(Entries(start).contains(QStringLiteral("The runner without a window: talvex-run")));

    // A click on an entry brings its heading to the top of the text.
    QTreeWidgetItem* windows = Entry(*w, QStringLiteral("19. Running under Windows"));
    QVERIFY(windows);
    w->Contents()->scrollToItem(windows);
    QTest::mouseClick(w->Contents()->viewport(), Qt::LeftButton, {},
                      w->Contents()->visualItemRect(windows).center());
    QCOMPARE(w->Text()->textCursor().block().text(), QStringLiteral("19. Running under Windows"));
    QVERIFY(w->Text()->verticalScrollBar()->value() > 0);
    QVERIFY(qAbs(w->Text()->cursorRect().top()) < 40);

    // Help > View again raises the same window.
    QVERIFY(ShowGuideWindow(pdf, &owner));
    QCOMPARE(owner.findChildren<GuideWindow*>().size(), 1);
}

void GuideTest::findGoesRoundTheGuide() {
    const QString markdown = GuideMarkdown();
    GuideWindow w(markdown);
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));

    // Every occurrence once, in order, then round to the first again.
    const QString word = QStringLiteral("korva32.exe");
    const int times = markdown.count(word, Qt::CaseInsensitive);
    QVERIFY(times > 2);
    w.FindText()->setText(word);
    QList<int> seen;
    for (int i = 0; i < times; ++i) {
        QTest::keyClick(w.FindText(), Qt::Key_Return);
        QCOMPARE(w.Text()->textCursor().selectedText().toLower(), word);
        QVERIFY2(w.FindStatus()->text().isEmpty(), qPrintable(QString::number(i)));
        seen << w.Text()->textCursor().selectionStart();
    }
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    QCOMPARE(QSet<int>(seen.begin(), seen.end()).size(), times);
    w.FindNextButton()->click();
    QCOMPARE(w.Text()->textCursor().selectionStart(), seen.first());
    QCOMPARE(w.FindStatus()->text(), QStringLiteral("From the top"));
    // Back from the first goes round to the last.
    w.FindPreviousButton()->click();
    QCOMPARE(w.Text()->textCursor().selectionStart(), seen.last());
    QCOMPARE(w.FindStatus()->text(), QStringLiteral("From the end"));

    // Text the guide lacks: said so, and the place stays.
    w.FindText()->setText(QStringLiteral("no such words in the guide"));
    QVERIFY(!w.FindNext());
    QCOMPARE(w.FindStatus()->text(), QStringLiteral("Not found"));
    QCOMPARE(w.Text()->textCursor().selectionStart(), seen.last());
}

void GuideTest::noGuideToShow_data() {
    QTest::addColumn<QString>("markdown"); // null: no talvex_help.md at all
    QTest::addColumn<QString>("document");
    QTest::newRow("no Markdown beside the PDF") << QString() << "talvex_help.pdf";
    QTest::newRow("an empty one") << QStringLiteral("") << "talvex_help.pdf";
    QTest::newRow("blank lines only") << QStringLiteral("\n  \n") << "talvex_help.pdf";
    QTest::newRow("a help file, not the PDF") << QStringLiteral("# Guide\n") << "talvex.hlp";
}

void GuideTest::noGuideToShow() {
    QFETCH(QString, markdown);
    QFETCH(QString, document);
    QTemporaryDir dir;
    PlaceGuide(dir, markdown);
    QWidget owner;
    QVERIFY(!ShowGuideWindow(dir.filePath(document), &owner));
    QVERIFY(owner.findChildren<GuideWindow*>().isEmpty());
}

void GuideTest::openerReportsWhetherAViewerTookTheDocument_data() {
    QTest::addColumn<QString>("opener"); // the stand-in xdg-open; null: none on the PATH
    QTest::addColumn<bool>("opened");
    QTest::newRow("no xdg-open (a fresh system)") << QString() << false;
    QTest::newRow("xdg-open finds no viewer") << QStringLiteral("exit 3") << false;
    QTest::newRow("xdg-open hands it on") << QStringLiteral("exit 0") << true;
    QTest::newRow("xdg-open waits for the viewer") << QStringLiteral("exec /bin/sleep 2") << true;
}

void GuideTest::openerReportsWhetherAViewerTookTheDocument() {
    QFETCH(QString, opener);
    QFETCH(bool, opened);
    QTemporaryDir bin;
    const QString asked = bin.filePath(QStringLiteral("asked"));
    if (!opener.isNull()) {
        const QString path = bin.filePath(QStringLiteral("xdg-open"));
        WriteBytes(path, QStringLiteral("#!/bin/sh\nprintf %s \"$1\" > '%1'\n%2\n")
                             .arg(asked, opener)
                             .toStdString());
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", bin.path().toLocal8Bit());
    QtUserDialogs dialogs;
    QElapsedTimer waited;
    waited.start();
    const bool result = dialogs.OpenDocument("/tmp/guide folder/talvex_help.pdf");
    const qint64 ms = waited.elapsed();
    qputenv("PATH", path);
    QCOMPARE(result, opened);
    // Never longer than the second the window grants a viewer to start.
    QVERIFY2(ms < 2500, qPrintable(QString::number(ms)));
    if (!opener.isNull())
        QCOMPARE(QString::fromStdString(ReadBytes(asked)),
                 QStringLiteral("/tmp/guide folder/talvex_help.pdf"));
    // An opener still running is let be, and cleared away once it ends.
    QTRY_VERIFY_WITH_TIMEOUT(qApp->findChildren<QProcess*>().isEmpty(), 5000);
}

TALVEX_UI_TEST_MAIN(GuideTest)
#include "guide_test.moc"
