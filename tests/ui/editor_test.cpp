// The editor's services: the recent-files list and its storage, Find and F3
// in either pane, the layout and the divider, the font commands, the marks
// of the script's parts and the running line.
#include "tests/ui/window_rig.h"
#include "ui/find_form.h"
#include "ui/font_menu.h"
#include "ui/recent_files.h"
#include "ui/script_tokens.h"
#include "ui/twips.h"
#include "ui/window_layout.h"

#include <QAction>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextLayout>

using namespace talvex;
using namespace talvex::testing;

namespace {

// The entries of the list as the File menu shows them, "" for a hidden slot.
QStringList Shown(RecentFiles& list) {
    QStringList out;
    for (int i = 1; i <= RecentFiles::kHistoryMax; ++i)
        out << (list.entry(i)->isVisible() ? list.entry(i)->text() : QString());
    return out;
}

QStringList Stored(const QString& ini) {
    QSettings s(ini, QSettings::IniFormat);
    QStringList out;
    for (int i = 1; i <= RecentFiles::kHistoryMax; ++i)
        out << s.value(QStringLiteral("FileInfo/File%1").arg(i)).toString();
    return out;
}

// Answers the Find dialog when it shows: `text` and OK, or Cancel when null.
void AnswerFind(const QString& text) {
    WhenTrue([] { return qobject_cast<FindForm*>(QApplication::activeModalWidget()) != nullptr; },
             [text] {
                 auto* form = qobject_cast<FindForm*>(QApplication::activeModalWidget());
                 if (text.isNull()) {
                     form->FindCancel()->click();
                     return;
                 }
                 form->FindText()->setText(text);
                 form->FindOK()->click();
             });
}

// F3 where the user presses it: the window is active again once a dialog went.
void PressF3(MainWindow& w) {
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus ? focus : &w, Qt::Key_F3);
}

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
    void initTestCase() { QVERIFY(korva_->Start()); }
    void cleanupTestCase() { korva_.Reset(); }

    void recentFilesNineAndTheOldestDropped();
    void recentFilesChooseAndRemoveAcrossARestart();
    void recentFilesMoveIntoAnEmptyFirstSlot();
    void recentFilesStartUp_data();
    void recentFilesStartUp();
    void findInEitherPane();
    void layoutAtSizes_data();
    void layoutAtSizes();
    void dividerDrag();
    void fontCommands();
    void tokens_data();
    void tokens();
    void highlightingLeavesTheScriptAlone();
    void runningLineFollowsAJumpAndACall();

private:
    SharedKorva korva_;
    const QString& socket_ = korva_.Socket();
};

void EditorTest::recentFilesNineAndTheOldestDropped() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    RecentFiles& list = *w.recentFiles();
    QStringList files;
    for (int i = 1; i <= 10; ++i) {
        files << rig.File(QStringLiteral("s%1.tvx").arg(i));
        WriteBytes(files.back(), "echo(1)\r\n");
        rig.dialogs.fileAnswers.push_back(files.back());
        i % 2 ? w.OpenClicked() : w.SaveAsClicked();
    }
    QStringList expected;
    for (int i = 1; i <= 9; ++i)
        expected << QStringLiteral("&%1 %2").arg(i).arg(files[10 - i]);
    QCOMPARE(Shown(list), expected);
    const QString ini = rig.File("settings.ini");
    QCOMPARE(Stored(ini)[8], files[1]); // slot 9 holds the former entry 8

    // A file listed in entry 4 opened again: listed twice, in 1 and 5.
    rig.dialogs.fileAnswers.push_back(files[6]);
    w.OpenClicked();
    QCOMPARE(list.PathOf(1), files[6]);
    QCOMPARE(list.PathOf(5), files[6]);
    QCOMPARE(Stored(ini)[4], files[6]);
}

void EditorTest::recentFilesChooseAndRemoveAcrossARestart() {
    QTemporaryDir dir;
    const QString ini = dir.filePath("settings.ini");
    QStringList files;
    {
        QSettings s(ini, QSettings::IniFormat);
        for (int i = 1; i <= 5; ++i) {
            files << dir.filePath(QStringLiteral("r%1.tvx").arg(i));
            WriteBytes(files.back(), QStringLiteral("echo(%1)\r\n").arg(i).toStdString());
            s.setValue(QStringLiteral("FileInfo/File%1").arg(i), files.back());
        }
    }
    {
        WindowRig rig(socket_, 5000, ini);
        QVERIFY(rig.Ok());
        MainWindow& w = rig.w();
        RecentFiles& list = *w.recentFiles();
        QVERIFY(list.separator()->isVisible());
        // The first dialog starts in the folder of the most recent script.
        QCOMPARE(w.CurrentFile(), (dir.path() + "/").toStdString());

        // Entry 4 opens its file and goes to the top; the rest moves down.
        w.PaneReplace("old\r\n");
        list.entry(4)->trigger();
        QCOMPARE(w.EditorText(), std::string("echo(4)\r\n"));
        QCOMPARE(w.CurrentFile(), files[3].toStdString());
        QCOMPARE(w.windowTitle(), kBase + " - r4.tvx");
        QCOMPARE(w.ShownResponse(), std::string());
        QVERIFY(w.FileSaved());
        files = {files[3], files[0], files[1], files[2], files[4]};
        QCOMPARE(Stored(ini).mid(0, 5), files);

        // Cancel to the unsaved-changes question: nothing happens, even for a
        // missing file.
        QFile::remove(files[2]);
        rig.Type("x");
        const std::string edited = w.EditorText();
        rig.dialogs.answers = {Answer::Cancel};
        list.entry(3)->trigger();
        QCOMPARE(Stored(ini).mid(0, 5), files);
        QVERIFY(rig.dialogs.messages.empty());
        QCOMPARE(w.EditorText(), edited);

        // The missing file is reported and its entry removed, the gap closed.
        rig.dialogs.answers = {Answer::No};
        list.entry(3)->trigger();
        QCOMPARE(rig.dialogs.MessageTexts(), QStringList{"File not found '" + files[2] + "'"});
        QCOMPARE(w.EditorText(), std::string());
        QCOMPARE(w.CurrentFile(), std::string());
        QCOMPARE(w.windowTitle(), kBase);
        QVERIFY(w.FileSaved());
        files.removeAt(2);
        QCOMPARE(Stored(ini), files + QStringList(5, QString()));
        QVERIFY(!list.entry(5)->isVisible());
    }
    // After a restart the list shows exactly those four.
    WindowRig again(socket_, 5000, ini);
    QStringList expected;
    for (int i = 1; i <= 4; ++i)
        expected << QStringLiteral("&%1 %2").arg(i).arg(files[i - 1]);
    QCOMPARE(Shown(*again.w().recentFiles()), expected + QStringList(5, QString()));

    // Removing entries down to none leaves the separator shown.
    for (int i = 0; i < 4; ++i) {
        QFile::remove(files[i]);
        again.w().recentFiles()->entry(1)->trigger();
    }
    QCOMPARE(Shown(*again.w().recentFiles()), QStringList(9, QString()));
    QVERIFY(again.w().recentFiles()->separator()->isVisible());
}

// Slots stand alone at start-up, so slot 1 may be empty when slot 2 is chosen.
void EditorTest::recentFilesMoveIntoAnEmptyFirstSlot() {
    QTemporaryDir dir;
    const QString ini = dir.filePath("settings.ini");
    {
        QSettings s(ini, QSettings::IniFormat);
        s.setValue(QStringLiteral("FileInfo/File2"), QStringLiteral("/jobs/b.tvx"));
        s.setValue(QStringLiteral("FileInfo/File3"), QStringLiteral("/x/c.tvx"));
    }
    QMenu menu;
    RecentFiles list(&menu,
                     [ini] { return std::make_unique<QSettings>(ini, QSettings::IniFormat); });
    list.FillAtStart();
    list.MoveToTop(2);
    QCOMPARE(Shown(list),
             (QStringList{"&1 /jobs/b.tvx", "", "&3 /x/c.tvx", "", "", "", "", "", ""}));
    QVERIFY(list.entry(1)->isEnabled());
    QVERIFY(!list.entry(2)->isEnabled());
    QCOMPARE(list.PathOf(2), QString());
    QCOMPARE(Stored(ini), (QStringList{"/jobs/b.tvx", "", "/x/c.tvx", "", "", "", "", "", ""}));
}

void EditorTest::recentFilesStartUp_data() {
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<bool>("separator");
    QTest::addColumn<QString>("currentFile");
    QTest::addRow("none") << QStringList{} << QStringList(9, QString()) << false << "";
    QTest::addRow("slot 2 alone, no separator")
        << QStringList{"", "/jobs/b.tvx"}
        << QStringList{"", "&2 /jobs/b.tvx", "", "", "", "", "", "", ""} << false << "";
    QTest::addRow("slots 1 and 3")
        << QStringList{"/jobs/a.tvx", "", "/x/c.tvx"}
        << QStringList{"&1 /jobs/a.tvx", "", "&3 /x/c.tvx", "", "", "", "", "", ""} << true
        << "/jobs/";
}

void EditorTest::recentFilesStartUp() {
    QFETCH(QStringList, stored);
    QFETCH(QStringList, shown);
    QFETCH(bool, separator);
    QFETCH(QString, currentFile);
    QTemporaryDir dir;
    const QString ini = dir.filePath("settings.ini");
    {
        QSettings s(ini, QSettings::IniFormat);
        for (int i = 0; i < stored.size(); ++i)
            s.setValue(QStringLiteral("FileInfo/File%1").arg(i + 1), stored[i]);
    }
    WindowRig rig(socket_, 5000, ini);
    QVERIFY(rig.Ok());
    QCOMPARE(Shown(*rig.w().recentFiles()), shown);
    QCOMPARE(rig.w().recentFiles()->separator()->isVisible(), separator);
    QCOMPARE(rig.w().CurrentFile(), currentFile.toStdString());
    QCOMPARE(rig.w().windowTitle(), kBase);
}

void EditorTest::findInEitherPane() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    rig.SetScript("echo(Alpha)\r\necho(alpha)\r\n");
    w.PaneReplace("beta alpha BETA\r\n");
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.txtCommandList()->setFocus();
    w.txtCommandList()->moveCursor(QTextCursor::Start);
    w.txtCommandList()->moveCursor(QTextCursor::Right, QTextCursor::KeepAnchor);

    // Cancel runs no search; an empty text confirmed runs none, nor does F3:
    // the selection stays (an empty search would match where it ends).
    AnswerFind(QString());
    w.menueditfind()->trigger();
    AnswerFind(QStringLiteral(""));
    w.menueditfind()->trigger();
    PressF3(w);
    QCOMPARE(w.txtCommandList()->textCursor().selectedText(), QStringLiteral("e"));
    QVERIFY(rig.dialogs.messages.empty());
    w.txtCommandList()->moveCursor(QTextCursor::Start);

    // Ctrl+F in the script, then F3 through its matches to the end.
    AnswerFind(QStringLiteral("ALPHA"));
    QTest::keyClick(w.txtCommandList(), Qt::Key_F, Qt::ControlModifier);
    QCOMPARE(w.txtCommandList()->textCursor().selectionStart(), 5);
    PressF3(w);
    QCOMPARE(w.txtCommandList()->textCursor().selectionStart(), 17);
    PressF3(w);
    QCOMPARE(w.txtCommandList()->textCursor().selectionStart(), 17);
    QCOMPARE(rig.dialogs.MessageTexts(),
             QStringList{"Unable to find 'ALPHA' in remainder of script text."});

    // The response pane was active before the dialog took the focus: the
    // dialog's text is looked for there, and the dialog shows the last text.
    w.txtResponseList()->setFocus();
    w.txtResponseList()->moveCursor(QTextCursor::Start);
    QString offered;
    WhenTrue([] { return qobject_cast<FindForm*>(QApplication::activeModalWidget()) != nullptr; },
             [&offered] {
                 auto* form = qobject_cast<FindForm*>(QApplication::activeModalWidget());
                 offered = form->FindText()->text();
                 form->FindText()->setText(QStringLiteral("beta"));
                 QTest::keyClick(form->FindText(), Qt::Key_Return);
             });
    w.menueditfind()->trigger();
    QCOMPARE(offered, QStringLiteral("ALPHA"));
    QCOMPARE(w.txtResponseList()->textCursor().selectionStart(), 0);
    PressF3(w);
    QCOMPARE(w.txtResponseList()->textCursor().selectedText(), QStringLiteral("BETA"));
    PressF3(w);
    QCOMPARE(rig.dialogs.MessageTexts().back(),
             QStringLiteral("Unable to find 'beta' in remainder of response text."));

    // With another control active the script is searched from its caret,
    // its selection not skipped.
    w.txtCommandList()->moveCursor(QTextCursor::Start);
    w.txtCommandList()->moveCursor(QTextCursor::Right, QTextCursor::KeepAnchor);
    w.chkLog()->setFocus();
    AnswerFind(QStringLiteral("e"));
    w.menueditfind()->trigger();
    QCOMPARE(w.txtCommandList()->textCursor().selectionStart(), 0);
    QCOMPARE(w.focusWidget(), w.txtCommandList());
}

void EditorTest::layoutAtSizes_data() {
    // Client sizes in pixels; what the panes and rows then are, in twips.
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");
    QTest::addColumn<int>("editorWidth");
    QTest::addColumn<int>("responseLeft");
    QTest::addColumn<int>("responseWidth");
    QTest::addColumn<int>("paneHeight");
    QTest::addColumn<int>("buttonsTop");
    QTest::addRow("below the minimum: the design")
        << 300 << 200 << 5175 << 5400 << 3495 << 4395 << 5220;
    QTest::addRow("the design") << 601 << 385 << 5175 << 5400 << 3495 << 4395 << 5220;
    QTest::addRow("wider and taller: only the response pane widens")
        << 801 << 485 << 5175 << 5400 << 3495 + 3000 << 4395 + 1500 << 5220 + 1500;
}

void EditorTest::layoutAtSizes() {
    QFETCH(int, width);
    QFETCH(int, height);
    QFETCH(int, editorWidth);
    QFETCH(int, responseLeft);
    QFETCH(int, responseWidth);
    QFETCH(int, paneHeight);
    QFETCH(int, buttonsTop);
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    QWidget* client = w.centralWidget();
    // The status bar lies below the client area; the menu bar above it.
    w.resize(w.width() - client->width() + width, w.height() - client->height() + height);
    QTRY_COMPARE(client->width(), std::max(width, 601));
    QCOMPARE(client->height(), std::max(height, 385));
    QVERIFY(w.statusBar()->geometry().top() >= client->geometry().bottom());

    QCOMPARE(w.txtCommandList()->geometry(), TwipsRect(150, 300, editorWidth, paneHeight));
    QCOMPARE(w.txtResponseList()->geometry(),
             TwipsRect(responseLeft, 300, responseWidth, paneHeight));
    QCOMPARE(w.lblResponse()->x(), Twips(responseLeft));
    for (QWidget* row : {static_cast<QWidget*>(w.cmdRunScript()),
                         static_cast<QWidget*>(w.cmdExit()), static_cast<QWidget*>(w.chkLog())})
        QCOMPARE(row->y(), Twips(buttonsTop));
    // The dynamic line: its caption whole, the button at its right end in
    // line with the box, the box up to the button.
    const QRect dynamic = w.txtDynamic()->geometry();
    const QRect button = w.cmdDynamic()->geometry();
    QCOMPARE(dynamic.top(), Twips(buttonsTop - 420));
    QCOMPARE(dynamic.height(), Twips(315));
    QVERIFY(dynamic.left() >= Twips(1440));
    QVERIFY(dynamic.left() > w.lblDynamic()->geometry().right());
    QVERIFY(w.lblDynamic()->width() >= w.lblDynamic()->sizeHint().width());
    QCOMPARE(w.lblDynamic()->y(), Twips(buttonsTop - 360));
    QCOMPARE(button.right(), w.txtResponseList()->geometry().right());
    QCOMPARE(button.size(), TwipsRect(0, 0, 1395, 375).size());
    QVERIFY(qAbs(button.center().y() - dynamic.center().y()) <= 1);
    QCOMPARE(dynamic.right() + 1 + Twips(75), button.left());
    // Nothing covers anything.
    const QList<QWidget*> controls{w.lblCommand(),      w.txtCommandList(), w.lblResponse(),
                                   w.txtResponseList(), w.lblDynamic(),     w.txtDynamic(),
                                   w.cmdDynamic(),      w.cmdRunScript(),   w.cmdCancel(),
                                   w.cmdExit(),         w.chkLog()};
    for (QWidget* a : controls)
        for (QWidget* b : controls)
            if (a != b)
                QVERIFY2(!a->geometry().intersects(b->geometry()),
                         qPrintable(a->objectName() + " covers " + b->objectName()));

    // The Find box's captions show whole, side by side.
    FindForm find(QString(), &w);
    auto* what = find.findChild<QLabel*>(QStringLiteral("FindCaption"));
    auto* again = find.findChild<QLabel*>(QStringLiteral("FindAgainCaption"));
    QVERIFY(what && again);
    for (QLabel* caption : {what, again}) {
        QVERIFY(caption->width() >= caption->sizeHint().width());
        QVERIFY(find.rect().contains(caption->geometry()));
    }
    QVERIFY(what->geometry().right() < again->geometry().left());
    QCOMPARE(w.lblCommand()->pos(), TwipsRect(120, 60, 0, 0).topLeft());

    // Minimised and restored: the same layout.
    const QRect before = w.txtResponseList()->geometry();
    w.showMinimized();
    w.showNormal();
    QTRY_COMPARE(w.txtResponseList()->geometry(), before);
}

void EditorTest::dividerDrag() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
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
    QCOMPARE(w.lblResponse()->x(), Twips(4400));
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
        WindowRig rig(socket_);
        QVERIFY(rig.Ok());
        MainWindow& w = rig.w();
        FontMenu& fonts = *w.fontMenu();
        auto checked = [&fonts] {
            QStringList out;
            for (QAction* a :
                 {fonts.menueditfont8pt(), fonts.menueditfont9pt(), fonts.menueditfont10pt(),
                  fonts.menueditfont12pt(), fonts.menueditfontcourier(),
                  fonts.menueditfontmssansserif(), fonts.menueditfonttimesroman()})
                if (a->isChecked()) out << a->text();
            return out;
        };
        QCOMPARE(checked(), (QStringList{"8 pt", "MS Sans Serif"}));
        fonts.menueditfont12pt()->trigger();
        fonts.menueditfontcourier()->trigger();
        QCOMPARE(checked(), (QStringList{"12 pt", "Courier"}));
        for (QPlainTextEdit* pane :
             {static_cast<QPlainTextEdit*>(w.txtCommandList()), w.txtResponseList()}) {
            QCOMPARE(pane->document()->defaultFont().family(), QStringLiteral("Courier New"));
            QCOMPARE(pane->document()->defaultFont().pointSizeF(), 12.0);
            QCOMPARE(pane->document()->defaultFont().styleHint(), QFont::TypeWriter);
        }
        fonts.menueditfont9pt()->trigger();
        QCOMPARE(checked(), (QStringList{"9 pt", "Courier"}));
        QCOMPARE(w.txtResponseList()->document()->defaultFont().family(),
                 QStringLiteral("Courier New"));
        fonts.menueditfonttimesroman()->trigger();
        QCOMPARE(checked(), (QStringList{"9 pt", "Times New Roman"}));
        QCOMPARE(w.txtCommandList()->document()->defaultFont().pointSizeF(), 9.0);
    }
    // A new start has the design font again.
    WindowRig again(socket_);
    for (QPlainTextEdit* pane :
         {static_cast<QPlainTextEdit*>(again.w().txtCommandList()), again.w().txtResponseList()}) {
        QCOMPARE(pane->document()->defaultFont().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(pane->document()->defaultFont().pointSizeF(), 8.25);
    }
}

void EditorTest::tokens_data() {
    // Each marked part as kind:text.
    QTest::addColumn<QString>("line");
    QTest::addColumn<QStringList>("marked");
    QTest::addRow("comment '") << "' a note {@x}" << QStringList{"comment:' a note {@x}"};
    QTest::addRow("comment ;") << "; a note" << QStringList{"comment:; a note"};
    QTest::addRow("comment //") << "// a note" << QStringList{"comment:// a note"};
    QTest::addRow("indented quote is not a comment") << " 'x'" << QStringList{"quoted:'x'"};
    QTest::addRow("directive, any case") << "#EndIf" << QStringList{"directive:#EndIf"};
    QTest::addRow("prefix: #else before #elsewhere")
        << "#elsewhere" << QStringList{"directive:#else"};
    QTest::addRow("the longer keyword first")
        << "#ElseIf(@a>1)" << QStringList{"directive:#ElseIf", "system:@a"};
    QTest::addRow("unknown directive") << "#frobnicate(1)" << QStringList{"unknown:#frobnicate"};
    QTest::addRow("plain word without #")
        << "SetVars @n=1" << QStringList{"directive:SetVars", "system:@n"};
    QTest::addRow("clearuservars before clearvars")
        << "clearuservars" << QStringList{"directive:clearuservars"};
    QTest::addRow("label line") << "label(Start)" << QStringList{"directive:label", "label:Start"};
    QTest::addRow("#label line") << "#LABEL( start , )"
                                 << QStringList{"directive:#LABEL", "label: start "};
    QTest::addRow("gosub with assignments")
        << "#gosub(sub1, @a=1)" << QStringList{"directive:#gosub", "label:sub1", "system:@a"};
    QTest::addRow("group with names and a function")
        << "move x{@a+offset}y hex{255}"
        << QStringList{"brace:{", "system:@a", "user:offset", "brace:}", "brace:{", "brace:}"};
    QTest::addRow("nested groups")
        << "{{n}*2}" << QStringList{"brace:{", "brace:{", "user:n", "brace:}", "brace:}"};
    QTest::addRow("names outside groups are host text") << "measure volts" << QStringList{};
    QTest::addRow("a stray closing brace") << "a}b" << QStringList{};
    QTest::addRow("quoted texts") << "setvars @b='x, y' \"z\""
                                  << QStringList{"directive:setvars", "system:@b", "quoted:'x, y'",
                                                 "quoted:\"z\""};
    QTest::addRow("an open quote runs to the end") << "say 'hello" << QStringList{"quoted:'hello"};
    QTest::addRow("non-ASCII stays text")
        << "±{@x±1}" << QStringList{"brace:{", "system:@x", "brace:}"};
}

void EditorTest::tokens() {
    QFETCH(QString, line);
    QFETCH(QStringList, marked);
    static const char* const kNames[] = {"comment", "directive", "unknown", "label",
                                         "brace",   "system",    "user",    "quoted"};
    QStringList got;
    int end = 0;
    for (const ScriptToken& t : ScriptTokens(line)) {
        QVERIFY(t.start >= end && t.length > 0);
        end = t.start + t.length;
        got << QString::fromLatin1(kNames[int(t.kind)]) + ":" + line.mid(t.start, t.length);
    }
    QCOMPARE(got, marked);
}

void EditorTest::highlightingLeavesTheScriptAlone() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    const std::string script = "#if(@a>1)\r\n' note\r\necho({@a})\r\n#endif\r\n";
    rig.SetScript(script, rig.File("s.tvx"));
    QTest::qWait(50); // the highlighter works from the event loop
    QCOMPARE(w.EditorText(), script);
    QVERIFY(w.FileSaved());
    const QTextBlock first = w.txtCommandList()->document()->firstBlock();
    QVERIFY(!first.layout()->formats().isEmpty());
    QCOMPARE(first.layout()->formats().front().format.fontWeight(), int(QFont::Bold));
    // Line numbers take a margin left of the text.
    QVERIFY(w.txtCommandList()->margin()->width() > 0);
    QCOMPARE(w.txtCommandList()->viewport()->x(),
             w.txtCommandList()->margin()->geometry().right() + 1);
}

void EditorTest::runningLineFollowsAJumpAndACall() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    WriteBytes(rig.File("sub.tvx"), "echo(in sub)\r\nwait(301)\r\n");
    const std::string script = "goto(there)\r\necho(skipped)\r\nlabel(there)\r\nwait(300)\r\n"
                               "#call(sub)\r\nwait(302)\r\necho(end)\r\n";
    rig.SetScript(script, rig.File("main.tvx"));
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
                                .arg(w.txtCommandList()->document() == mine ? "main" : "sub")
                                .arg(w.txtCommandList()->RunningLine());
        if (seen.isEmpty() || seen.back() != now) seen << now;
    });
    sample.start(10);
    w.RunScriptClicked();
    sample.stop();

    QCOMPARE(seen, (QStringList{"main:3", "sub:1", "main:5"}));
    QCOMPARE(w.txtCommandList()->RunningLine(), -1);
    QCOMPARE(w.EditorText(), script);
}

TALVEX_UI_TEST_MAIN(EditorTest)
#include "editor_test.moc"
