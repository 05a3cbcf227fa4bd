// The window as a whole: closing during a run, #call and #chain beside the
// user's edits, the Help menu and the About box, and the program's options.
#include "tests/ui/window_rig.h"

#include "hostlink/host_search.h"
#include "tests/hostlink/fake_host.h"
#include "ui/about_box.h"
#include "ui/link_window.h"

#include "macromath/environment.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTextCursor>

using namespace talvex;
using namespace talvex::testing;

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(korva_->Start()); }
    void cleanupTestCase() { korva_.Reset(); }

    void noHostEndsTheStart();
    void closeDuringARun_data();
    void closeDuringARun();
    void closeDuringARunWithASilentHost();
    void aFrozenHostIsToldAndCanBeGivenUp();
    void callKeepsTheUsersEdits();
    void chainKeepsTheUsersScript();
    void helpMenu_data();
    void helpMenu();
    void findAgain();
    void aboutBox();
    void linkWindow();
    void versionAndHelpWithoutADisplay_data();
    void versionAndHelpWithoutADisplay();

private:
    SharedKorva korva_;
    const QString& socket_ = korva_.Socket();
};

void WindowTest::noHostEndsTheStart() {
    QTemporaryDir dir(QStringLiteral("/tmp/tvx-n-XXXXXX"));
    ScriptedDialogs dialogs;
    WindowLink link;
    link.SetSocketPath(dir.filePath("k"));
    link.SetHostSearch(HostSearch{}); // nowhere to look
    MainWindowOptions options;
    options.programDir = dir.path();
    options.logFolder = dir.path();
    MainWindow w(link, dialogs, options);
    QVERIFY(!w.Load());
    // The system's text, then the link's reason on a line of its own.
    const QStringList texts = dialogs.MessageTexts();
    QCOMPARE(texts.size(), 1);
    QCOMPARE(texts[0].section('\n', 0, 0), QStringLiteral("Could not find KORVA32"));
    QVERIFY(texts[0].section('\n', 1).contains(QStringLiteral("korva32")));
}

void WindowTest::closeDuringARun_data() {
    QTest::addColumn<bool>("edited");
    QTest::addColumn<QString>("answers"); // Y, N or C, one a question
    QTest::addColumn<QStringList>("questions");
    QTest::addColumn<bool>("closes");
    QTest::addColumn<bool>("saved");
    const QString stop = QStringLiteral("A script is running. Stop it and close?");
    QTest::newRow("no") << true << "N" << QStringList{stop} << false << false;
    QTest::newRow("yes, then cancel the save question")
        << true << "YC" << QStringList{stop, kChanged} << false << false;
    QTest::newRow("yes, do not save")
        << true << "YN" << QStringList{stop, kChanged} << true << false;
    QTest::newRow("yes, save") << true << "YY" << QStringList{stop, kChanged} << true << true;
    QTest::newRow("yes, nothing to save") << false << "Y" << QStringList{stop} << true << false;
}

// Closing during a run asks first, then about unsaved edits; until both are
// answered for closing, the run goes on untouched.
void WindowTest::closeDuringARun() {
    QFETCH(bool, edited);
    QFETCH(QString, answers);
    QFETCH(QStringList, questions);
    QFETCH(bool, closes);
    QFETCH(bool, saved);
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    const QString file = rig.File("job.tvx");
    const std::string script = "wait(20000)\r\necho(never)\r\n";
    WriteBytes(file, StoredFormat(script));
    rig.SetScript(script, file);
    if (edited) rig.Type("' edited");
    for (const QChar a : answers)
        rig.dialogs.answers.push_back(a == 'Y'   ? Answer::Yes
                                      : a == 'N' ? Answer::No
                                                 : Answer::Cancel);
    bool stillWaiting = false;
    WhenTrue(CommandWaiting(w), [&] {
        w.close();
        // Kept: the command still waits for the host a while later.
        if (!closes)
            WhenTrue(CommandWaiting(w, 500), [&] {
                stillWaiting = true;
                w.cmdCancel()->click();
            });
    });
    w.RunScriptClicked();
    QCOMPARE(rig.dialogs.questions, questions);
    QCOMPARE(w.ShownResponse(), std::string("cancelled\r\nscript interrupted by user\r\n"));
    if (closes) {
        QTRY_VERIFY(!w.isVisible());
        QVERIFY2(rig.dialogs.messages.empty(), "no Script Done while closing");
        QCOMPARE(rig.dialogs.questions, questions); // nothing asked again
    } else {
        QVERIFY(stillWaiting);
        QVERIFY(w.isVisible());
    }
    QCOMPARE(ReadBytes(file), StoredFormat(saved ? script + "' edited" : script));
}

// A host that takes every command and never answers it; it answers the hard
// cancel's request, or (frozen) nothing at all. `seen` gets the calls.
std::function<void(test::FakeConnection&)> HostThatNeverAnswers(std::vector<std::string>& seen,
                                                                bool answersRequests) {
    return [&seen, answersRequests](test::FakeConnection& c) {
        for (std::string line = c.ReadLine(); !line.empty(); line = c.ReadLine()) {
            const auto is = [&](const char* method) {
                return line.find(std::string("\"method\":\"") + method + "\"") != std::string::npos;
            };
            if (is("advise")) {
                c.Write(test::ResultNull(test::IdOf(line)));
            } else if (is("execute")) {
                seen.push_back("execute");
                c.Write(test::ResultNull(test::IdOf(line)));
            } else if (is("request")) {
                seen.push_back("request");
                if (answersRequests) c.Write(test::ResultData(test::IdOf(line), "\"OK\""));
            }
        }
    };
}

void WindowTest::closeDuringARunWithASilentHost() {
    QTemporaryDir dir(QStringLiteral("/tmp/tvx-f-XXXXXX"));
    const QString socket = dir.filePath("s");
    test::FakeHost fake(socket.toStdString());
    QVERIFY(fake.Ok());
    std::vector<std::string> seen;
    fake.Run(HostThatNeverAnswers(seen, true));

    WindowRig rig(socket, 300);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    rig.SetScript("measure(forever)\r\necho(never)\r\n");
    rig.dialogs.answers = {Answer::Yes, Answer::Yes}; // stop and close; close anyway
    WhenTrue(CommandWaiting(w), [&] { w.close(); });
    w.RunScriptClicked();
    QTRY_VERIFY(!w.isVisible());
    QCOMPARE(rig.dialogs.questions.size(), qsizetype(2));
    QVERIFY(rig.dialogs.questions[1].contains("Close anyway?"));
    fake.Join();
    QCOMPARE(seen,
             (std::vector<std::string>{"execute", "request"})); // the command, the hard cancel
}

// The host takes a command and then answers nothing, not even the hard
// cancel: the status bar says so, and a further Cancel offers to give up.
void WindowTest::aFrozenHostIsToldAndCanBeGivenUp() {
    QTemporaryDir dir(QStringLiteral("/tmp/tvx-z-XXXXXX"));
    const QString socket = dir.filePath("s");
    test::FakeHost fake(socket.toStdString());
    QVERIFY(fake.Ok());
    std::vector<std::string> seen;
    fake.Run(HostThatNeverAnswers(seen, false));

    WindowRig rig(socket);
    QVERIFY(rig.Ok());
    rig.link.SetHardCancelGrace(100);
    MainWindow& w = rig.w();
    rig.SetScript("measure(forever)\r\necho(never)\r\n");
    rig.dialogs.answers = {Answer::Yes}; // give up on it
    WhenTrue(CommandWaiting(w), [&] { w.cmdCancel()->click(); });
    WhenTrue(
        [&] { return w.StatusText() == QStringLiteral("KORVA does not answer the hard cancel"); },
        [&] { w.cmdCancel()->click(); });
    w.RunScriptClicked();
    QCOMPARE(
        rig.dialogs.questions,
        QStringList{QStringLiteral("KORVA does not answer. Drop the link and stop the script?")});
    QCOMPARE(w.PaneText(),
             std::string("Error: link to KORVA dropped\r\nscript interrupted by user\r\n"));
    QVERIFY(w.cmdRunScript()->isEnabled());
    QVERIFY(w.close());
    fake.Join();
    QCOMPARE(seen, (std::vector<std::string>{"execute", "request"})); // no Exit
}

void WindowTest::callKeepsTheUsersEdits() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    const QString main = rig.File("main.tvx");
    const std::string script = "echo(before)\r\n#call(sub)\r\necho(after)\r\n";
    WriteBytes(main, StoredFormat(script));
    WriteBytes(rig.File("sub.tvx"), StoredFormat("wait(20000)\r\n"));
    rig.SetScript(script, main);
    w.SetTitle((kBase + " - main.tvx").toStdString());
    rig.Type("' edited before");

    struct Seen {
        std::string shown;
        bool readOnly;
        QString title;
    } during;
    WhenTrue(CommandWaiting(w), [&] {
        during = {w.txtCommandList()->toPlainText().toStdString(), w.txtCommandList()->isReadOnly(),
                  w.windowTitle()};
        w.SendHardCancelClicked(); // ends the wait, marks the user's script
    });
    w.RunScriptClicked();

    QCOMPARE(during.shown, std::string("wait(20000)\n"));
    QVERIFY(during.readOnly);
    QCOMPARE(during.title, kBase + " - sub.tvx");
    const std::string edited = script + "' edited before\r\nhardcancel";
    QCOMPARE(w.EditorText(), edited);
    QVERIFY(!w.txtCommandList()->isReadOnly());
    QVERIFY(!w.FileSaved());
    QCOMPARE(w.windowTitle(), kBase + " - main.tvx");
    QCOMPARE(w.ShownResponse(),
             std::string("before\r\ncancelled\r\n#Return=sub.tvx  len=13\r\nafter\r\n"
                         "' edited before\r\n"));
    w.SaveClicked();
    QCOMPARE(ReadBytes(main), StoredFormat(edited));
}

void WindowTest::chainKeepsTheUsersScript() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    const QString main = rig.File("main.tvx");
    const std::string script = "#chain(next)\r\necho(never)\r\n";
    WriteBytes(main, StoredFormat(script));
    WriteBytes(rig.File("next.tvx"), StoredFormat("echo(chained)\r\n"));
    rig.SetScript(script, main);
    w.SetTitle((kBase + " - main.tvx").toStdString());
    rig.Type("' edited");

    w.RunScriptClicked();

    QCOMPARE(w.ShownResponse(), std::string("#Chain=next.tvx\r\nchained\r\n"));
    QCOMPARE(rig.dialogs.MessageTexts(), QStringList{"Script Done\r\n" + rig.File("next.tvx")});
    QCOMPARE(w.EditorText(), script + "' edited");
    QCOMPARE(w.CurrentFile(), main.toStdString());
    QCOMPARE(w.windowTitle(), kBase + " - main.tvx");
    QVERIFY(!w.FileSaved());
    w.SaveClicked();
    QCOMPARE(ReadBytes(main), StoredFormat(script + "' edited"));
    QCOMPARE(ReadBytes(rig.File("next.tvx")), StoredFormat("echo(chained)\r\n"));
}

void WindowTest::helpMenu_data() {
    QTest::addColumn<int>("pdfBytes"); // -1: no file
    QTest::addColumn<int>("hlpBytes");
    QTest::addColumn<bool>("opens");     // the desktop can open it
    QTest::addColumn<bool>("installed"); // the manual in ../share/doc/talvex, not beside
    QTest::newRow("no documents") << -1 << -1 << true << false;
    QTest::newRow("an empty manual") << 0 << -1 << true << false;
    QTest::newRow("the manual") << 10 << -1 << true << false;
    QTest::newRow("the installed manual") << 10 << -1 << true << true;
    QTest::newRow("both") << 10 << 10 << true << false;
    QTest::newRow("the manual, nothing opens it") << 10 << -1 << false << false;
}

void WindowTest::helpMenu() {
    QFETCH(int, pdfBytes);
    QFETCH(int, hlpBytes);
    QFETCH(bool, opens);
    QFETCH(bool, installed);
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    const QString docDir =
        installed ? QDir::cleanPath(rig.ProgramDir() + "/../share/doc/talvex") : rig.ProgramDir();
    QDir().mkpath(docDir);
    const QString pdf = docDir + "/talvex_help.pdf";
    const QString hlp = rig.ProgramDir() + "/talvex.hlp";
    if (pdfBytes >= 0) WriteBytes(pdf, std::string(pdfBytes, 'p'));
    if (hlpBytes >= 0) WriteBytes(hlp, std::string(hlpBytes, 'h'));
    // Start-up sets the Help menu up from what lies beside the program.
    QVERIFY(w.Load());
    QStringList shown;
    for (QAction* menu : w.menuBar()->actions())
        if (menu->text() == QStringLiteral("&Help"))
            for (QAction* entry : menu->menu()->actions())
                if (entry->isVisible()) shown << entry->text();
    QStringList expected;
    if (hlpBytes > 0) expected << QStringLiteral("&Contents");
    if (pdfBytes > 0) expected << QStringLiteral("&View");
    expected << QStringLiteral("&About");
    QCOMPARE(shown, expected);

    rig.dialogs.documentsOpen = opens;
    if (pdfBytes > 0) {
        w.menuhelpviewpdf()->trigger();
        QCOMPARE(rig.dialogs.documents, QStringList{pdf});
        QCOMPARE(rig.dialogs.MessageTexts(),
                 opens ? QStringList{} : QStringList{"Unable to display " + pdf});
    }
    if (hlpBytes > 0) {
        w.mnuContents()->trigger();
        QCOMPARE(rig.dialogs.documents.back(), hlp);
    }
}

void WindowTest::findAgain() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    rig.SetScript("echo(Alpha)\r\necho(alpha)\r\n");
    w.PaneReplace("alpha in the pane\r\n");
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    w.txtCommandList()->setFocus();
    w.txtCommandList()->moveCursor(QTextCursor::Start);

    // Nothing to find yet: F3 does nothing (an empty search would match
    // where the selection ends and take it away).
    w.txtCommandList()->moveCursor(QTextCursor::Right, QTextCursor::KeepAnchor);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
    QCOMPARE(w.txtCommandList()->textCursor().selectedText(), QStringLiteral("e"));
    w.txtCommandList()->moveCursor(QTextCursor::Start);

    // Case-insensitive, each F3 past the last match, never from the top again.
    w.SetFindString("ALPHA");
    QList<int> found;
    for (int i = 0; i < 3; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
        found << w.txtCommandList()->textCursor().selectionStart();
    }
    QCOMPARE(found, (QList<int>{5, 17, 17}));
    QCOMPARE(rig.dialogs.MessageTexts(),
             QStringList{"Unable to find 'ALPHA' in remainder of script text."});

    // With the response pane active, the pane is searched.
    w.txtResponseList()->setFocus();
    w.txtResponseList()->moveCursor(QTextCursor::Start);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
    QCOMPARE(w.txtResponseList()->textCursor().selectedText(), QStringLiteral("alpha"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F3);
    QCOMPARE(rig.dialogs.MessageTexts().back(),
             QStringLiteral("Unable to find 'ALPHA' in remainder of response text."));
}

void WindowTest::aboutBox() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    const ProgramVersion v = Environment::system().version;
    QString shown;
    bool hasLogo = false;
    QTimer::singleShot(50, [&] {
        auto* about = qobject_cast<AboutBox*>(QApplication::activeModalWidget());
        if (!about) return;
        shown = about->windowTitle() + "|" + about->versionLabel()->text();
        hasLogo = !about->logo()->pixmap().isNull();
        QTest::keyClick(about, Qt::Key_Return); // OK is the default button
    });
    rig.w().mnuAbout()->trigger();
    QCOMPARE(
        shown,
        QStringLiteral("About|Talvex\nVersion %1.%2.%3").arg(v.major).arg(v.minor).arg(v.revision));
    QVERIFY(hasLogo);
    QCOMPARE(VersionText(ProgramVersion{1, 20, 5}), QStringLiteral("Talvex\r\nVersion 1.20.5"));
}

void WindowTest::linkWindow() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    MainWindow& w = rig.w();
    LinkWindow* k = w.linkWindow();
    QVERIFY(!k->isVisible());
    w.mnuHostLink()->trigger();
    QVERIFY(k->isVisible());
    QCOMPARE(k->windowTitle(), QStringLiteral("KORVA DDE Control"));
    k->sendBox()->setText("echo(by hand)");
    QTest::mouseClick(k->sendButton(), Qt::LeftButton);
    QCOMPARE(k->responseBox()->text(), QStringLiteral("by hand"));

    rig.SetScript("dyn(d=1)\r\necho(r)\r\n");
    w.RunScriptClicked();
    QTRY_COMPARE(k->asyncBox()->text(), QStringLiteral("r"));
    QCOMPARE(k->responseBox()->text(), QStringLiteral("r"));
    QTest::mouseClick(k->closeButton(), Qt::LeftButton);
    QVERIFY(!k->isVisible());
}

void WindowTest::versionAndHelpWithoutADisplay_data() {
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("starts");
    const ProgramVersion v = Environment::system().version;
    QTest::newRow("--version")
        << "--version" << QString("talvex %1.%2.%3\n").arg(v.major).arg(v.minor).arg(v.revision);
    QTest::newRow("--help") << "--help"
                            << "usage: talvex [FILE]";
}

void WindowTest::versionAndHelpWithoutADisplay() {
    QFETCH(QString, option);
    QFETCH(QString, starts);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("QT_QPA_PLATFORM");
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TALVEX_BIN), {option});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).startsWith(starts));
}

TALVEX_UI_TEST_MAIN(WindowTest)
#include "window_test.moc"
