// The editor's services: the recent-files list and its storage, Find and F3
// in either pane, the layout and the divider, the font commands, the marks
// of the script's parts and the running line.
#include "tests/ui/window_rig.h"
#include "ui/find_form.h"
#include "ui/font_menu.h"
#include "ui/twips.h"
#include "windowcore/window_layout.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextLayout>

using namespace Qt::StringLiterals;

using namespace talvex;
using namespace talvex::testing;

namespace {

void Mouse(QWidget* client, QEvent::Type type, int xTwips, int yTwips) {
    const QPointF at(double(xTwips) / kTwipsPerPixel, double(yTwips) / kTwipsPerPixel);
    QMouseEvent e(type, at, client->mapToGlobal(at), Qt::LeftButton,
                  type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, {});
    QCoreApplication::sendEvent(client, &e);
}

} // namespace

class EditorTest : public QObject {
    Q_OBJECT
private slots:
    void dividerDrag();
    void fontCommands();
    void highlightingLeavesTheScriptAlone();
    void runningLineFollowsAJumpAndACall();
    void checkMarksAndListsWhatItFinds();
};

void EditorTest::dividerDrag() {
    WindowRig rig;
    QVERIFY(rig.Ok());
    TestWindow& w = rig.W();
    QWidget* client = w.centralWidget();
    w.resize(w.width() - client->width() + 601, w.height() - client->height() + 385);
    QTRY_COMPARE(client->width(), 601);
    const int y = 2000;

    // The sizing arrow shows only in the gap, strictly between the edges.
    Mouse(client, QEvent::MouseMove, 5355, y);
    QCOMPARE(client->cursor().shape(), Qt::SplitHCursor);
    Mouse(client, QEvent::MouseMove, 5355, 300);
    QCOMPARE(client->cursor().shape(), Qt::ArrowCursor);
    Mouse(client, QEvent::MouseMove, 5355, y);
    QCOMPARE(client->cursor().shape(), Qt::SplitHCursor);

    // A drag to the left: the editor narrows, the response pane widens.
    Mouse(client, QEvent::MouseButtonPress, 5355, y);
    Mouse(client, QEvent::MouseMove, 4355, y);
    QCOMPARE(w.txtCommandList()->geometry().width(), Twips(4175));
    QCOMPARE(w.txtResponseList()->geometry(), TwipsRect(4400, 300, 4495, 4395));
    QCOMPARE(w.Control<QLabel>("lblResponse")->x(), Twips(4400));
    // Past the lower bound (the end of the editor's caption) nothing moves.
    Mouse(client, QEvent::MouseMove, 2000, y);
    QCOMPARE(w.txtResponseList()->x(), Twips(4400));
    // Far right: the divider stops short of the response caption's width.
    Mouse(client, QEvent::MouseMove, 9000, y);
    QCOMPARE(w.txtResponseList()->x(), Twips(4400));
    Mouse(client, QEvent::MouseMove, 6990, y);
    QCOMPARE(w.txtResponseList()->x(), Twips(7035));
    Mouse(client, QEvent::MouseButtonRelease, 6990, y);
    QCOMPARE(client->cursor().shape(), Qt::ArrowCursor);
    Mouse(client, QEvent::MouseMove, 5000, y); // no drag any more
    QCOMPARE(w.txtResponseList()->x(), Twips(7035));

    // A wider window, the divider far right, then the window narrowed: the
    // divider gives way and the response pane keeps its caption's width.
    w.resize(w.width() + 100, w.height());
    QTRY_COMPARE(client->width(), 701);
    Mouse(client, QEvent::MouseButtonPress, 7000, y);
    Mouse(client, QEvent::MouseMove, 8500, y);
    Mouse(client, QEvent::MouseButtonRelease, 8500, y);
    QCOMPARE(w.txtResponseList()->x(), Twips(8535));
    w.resize(w.width() - 100, w.height());
    QTRY_COMPARE(client->width(), 601);
    QCOMPARE(w.txtResponseList()->geometry(), TwipsRect(7080, 300, 1815, 4395));
    QCOMPARE(w.txtCommandList()->geometry(), TwipsRect(150, 300, 6855, 4395));
}

void EditorTest::fontCommands() {
    {
        WindowRig rig;
        QVERIFY(rig.Ok());
        TestWindow& w = rig.W();
        FontMenu& fonts = *w.findChild<FontMenu*>();
        auto checked = [&fonts] {
            QStringList out;
            for (QAction* a :
                 {fonts.menueditfont8pt(), fonts.menueditfont9pt(), fonts.menueditfont10pt(),
                  fonts.menueditfont12pt(), fonts.menueditfontcourier(),
                  fonts.menueditfontmssansserif(), fonts.menueditfonttimesroman()})
                if (a->isChecked()) out << a->text();
            return out;
        };
        QCOMPARE(checked(), (QStringList{u"8 pt"_s, u"MS Sans Serif"_s}));
        fonts.menueditfont12pt()->trigger();
        fonts.menueditfontcourier()->trigger();
        QCOMPARE(checked(), (QStringList{u"12 pt"_s, u"Courier"_s}));
        for (QPlainTextEdit* pane :
             {static_cast<QPlainTextEdit*>(w.txtCommandList()), w.txtResponseList()}) {
            QCOMPARE(pane->document()->defaultFont().family(), QStringLiteral("Courier New"));
            QCOMPARE(pane->document()->defaultFont().pointSizeF(), 12.0);
            QCOMPARE(pane->document()->defaultFont().styleHint(), QFont::TypeWriter);
        }
        fonts.menueditfont9pt()->trigger();
        QCOMPARE(checked(), (QStringList{u"9 pt"_s, u"Courier"_s}));
        QCOMPARE(w.txtResponseList()->document()->defaultFont().family(),
                 QStringLiteral("Courier New"));
        fonts.menueditfonttimesroman()->trigger();
        QCOMPARE(checked(), (QStringList{u"9 pt"_s, u"Times New Roman"_s}));
        QCOMPARE(w.txtCommandList()->document()->defaultFont().pointSizeF(), 9.0);
    }
    // A new start has the design font again.
    WindowRig again;
    for (QPlainTextEdit* pane :
         {static_cast<QPlainTextEdit*>(again.W().txtCommandList()), again.W().txtResponseList()}) {
        QCOMPARE(pane->document()->defaultFont().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(pane->document()->defaultFont().pointSizeF(), 8.25);
    }
}

void EditorTest::highlightingLeavesTheScriptAlone() {
    WindowRig rig;
    QVERIFY(rig.Ok());
    TestWindow& w = rig.W();
    // A very long line is marked at its start only, where the view opens.
    std::string longLine;
    while (longLine.size() < 12000)
        longLine += "echo({@a}) ";
    const std::string script =
        "#if(@a>1)\r\n' note\r\necho({@a})\r\n#endif\r\n" + longLine + "\r\n";
    rig.SetScript(script, rig.File(u"s.tvx"_s));
    QTest::qWait(50); // the highlighter works from the event loop
    QCOMPARE(w.EditorText(), script);
    QVERIFY(w.FileSaved());
    const QTextBlock first = w.txtCommandList()->document()->firstBlock();
    QVERIFY(!first.layout()->formats().isEmpty());
    QCOMPARE(first.layout()->formats().front().format.fontWeight(), int(QFont::Bold));
    const QList<QTextLayout::FormatRange> longMarks =
        w.txtCommandList()->document()->findBlockByNumber(4).layout()->formats();
    QVERIFY(!longMarks.isEmpty());
    QVERIFY(longMarks.back().start + longMarks.back().length <= 4000);
    // The caret's line and the running line are tinted across the pane.
    ScriptEditor* editor = w.txtCommandList();
    editor->setTextCursor(QTextCursor(editor->document()->findBlockByNumber(1)));
    editor->SetRunningLine(2);
    const QImage shown = editor->viewport()->grab().toImage();
    const auto tintOf = [&](int line) {
        const QTextCursor at(editor->document()->findBlockByNumber(line));
        return shown.pixelColor(shown.width() - 4, editor->cursorRect(at).center().y());
    };
    QCOMPARE(tintOf(1), QColor(255, 255, 215));
    QCOMPARE(tintOf(2), QColor(190, 235, 190));
    QCOMPARE(tintOf(3), editor->palette().color(QPalette::Base));
    editor->SetRunningLine(-1);
    QCOMPARE(
        editor->viewport()->grab().toImage().pixelColor(
            shown.width() - 4,
            editor->cursorRect(QTextCursor(editor->document()->findBlockByNumber(2))).center().y()),
        editor->palette().color(QPalette::Base));
    // Line numbers take a margin left of the text.
    QVERIFY(w.txtCommandList()->margin()->width() > 0);
    QCOMPARE(w.txtCommandList()->viewport()->x(),
             w.txtCommandList()->margin()->geometry().right() + 1);
}

void EditorTest::runningLineFollowsAJumpAndACall() {
    WindowRig rig;
    QVERIFY(rig.Ok());
    TestWindow& w = rig.W();
    WriteBytes(rig.File(u"sub.tvx"_s), "echo(in sub)\r\nwait(301)\r\n");
    const std::string script = "goto(there)\r\necho(skipped)\r\nlabel(there)\r\nwait(300)\r\n"
                               "#call(sub)\r\nwait(302)\r\necho(end)\r\n";
    rig.SetScript(script, rig.File(u"main.tvx"_s));
    QTextDocument* mine = w.txtCommandList()->document();

    // What the editor shows once a command has waited a while.
    QStringList seen;
    QString status;
    QElapsedTimer since;
    QTimer sample;
    connect(&sample, &QTimer::timeout, [&] {
        if (w.StatusText() != status) {
            status = w.StatusText();
            since.start();
        }
        if (status.isEmpty() || since.elapsed() < 150) return;
        const QString now = QStringLiteral("%1:%2")
                                .arg(w.txtCommandList()->document() == mine ? u"main"_s : u"sub"_s)
                                .arg(w.txtCommandList()->RunningLine());
        if (seen.isEmpty() || seen.back() != now) seen << now;
    });
    sample.start(10);
    w.RunScriptClicked();
    sample.stop();

    QCOMPARE(seen, (QStringList{u"main:3"_s, u"sub:1"_s, u"main:5"_s}));
    QCOMPARE(w.txtCommandList()->RunningLine(), -1);
    QCOMPARE(w.EditorText(), script);
}

// Typing a fault: it is marked under its text and listed below the editor, a
// click on it goes to its line, and View > Check List hides the list.
void EditorTest::checkMarksAndListsWhatItFinds() {
    WindowRig rig;
    QVERIFY(rig.Ok());
    TestWindow& w = rig.W();
    auto* list = w.Control<QListWidget>("lstFindings");
    QVERIFY(list && !list->isVisible());
    const int fullHeight = w.txtCommandList()->height();
    rig.Type(u"echo(a)"_s);
    QTest::keyClick(w.txtCommandList(), Qt::Key_Return);
    rig.Type(u"#goto(nowhere)"_s);
    QTRY_VERIFY(list->isVisible());
    QCOMPARE(list->count(), 1);
    QVERIFY2(list->item(0)->text().startsWith(u"2:7: error: "_s),
             qPrintable(list->item(0)->text()));
    QCOMPARE(w.txtCommandList()->extraSelections().size(), qsizetype(1));
    QCOMPARE(w.txtCommandList()->extraSelections()[0].cursor.blockNumber(), 1);
    QVERIFY(w.txtCommandList()->height() < fullHeight);
    QVERIFY(list->geometry().top() > w.txtCommandList()->geometry().bottom());
    w.txtCommandList()->moveCursor(QTextCursor::Start);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(0)).center());
    QCOMPARE(w.txtCommandList()->textCursor().blockNumber(), 1);
    w.Action("mnuCheckList")->trigger();
    QVERIFY(!list->isVisible());
    QCOMPARE(w.txtCommandList()->height(), fullHeight);
}

TALVEX_UI_TEST_MAIN(EditorTest)
#include "editor_test.moc"
