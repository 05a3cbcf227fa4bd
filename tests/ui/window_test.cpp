// The window as a whole: closing during a run, #call and #chain beside the
// user's edits, the Help menu and the About box, and the program's options.
#include "tests/ui/window_rig.h"

#include "hostlink/host_search.h"
#include "tests/hostlink/fake_host.h"
#include "ui/about_box.h"
#include "ui/link_window.h"
#include "ui/user_dialogs.h"

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

using namespace Qt::StringLiterals;

using namespace talvex;
using namespace talvex::testing;

class WindowTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(korva_->Start()); }
    void cleanupTestCase() { korva_.Reset(); }

    void noHostEndsTheStart();
    void closeDuringARunWithASilentHost();
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
    HostLink host;
    host.SetSocketPath(dir.filePath(u"k"_s));
    host.SetHostSearch(HostSearch{}); // nowhere to look
    WindowLink link(host);
    QtSettings settings;
    MainWindowOptions options;
    options.programDir = dir.path();
    options.logFolder = dir.path();
    MainWindow w(link, dialogs, settings, options);
    QVERIFY(!w.Load());
    // The system's text, then the link's reason on a line of its own.
    const QStringList texts = dialogs.MessageTexts();
    QCOMPARE(texts.size(), 1);
    QCOMPARE(texts[0].section(u'\n', 0, 0), QStringLiteral("Could not find KORVA32"));
    QVERIFY(texts[0].section(u'\n', 1).contains(QStringLiteral("korva32")));
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
    const QString socket = dir.filePath(u"s"_s);
    test::FakeHost fake(socket.toStdString());
    QVERIFY(fake.Ok());
    std::vector<std::string> seen;
    fake.Run(HostThatNeverAnswers(seen, true));

    WindowRig rig(socket, 300);
    QVERIFY(rig.Ok());
    TestWindow& w = rig.W();
    rig.SetScript("measure(forever)\r\necho(never)\r\n");
    rig.dialogs.answers = {Answer::Yes, Answer::Yes}; // stop and close; close anyway
    WhenTrue(CommandWaiting(w), [&] { w.close(); });
    w.RunScriptClicked();
    QTRY_VERIFY(!w.isVisible());
    QCOMPARE(rig.dialogs.questions.size(), qsizetype(2));
    QVERIFY(rig.dialogs.questions[1].contains(u"Close anyway?"_s));
    fake.Join();
    QCOMPARE(seen,
             (std::vector<std::string>{"execute", "request"})); // the command, the hard cancel
}

void WindowTest::aboutBox() {
    WindowRig rig; // no host needed
    QVERIFY(rig.Ok());
    const ProgramVersion v = Environment::system().version;
    QString shown;
    bool hasLogo = false;
    rig.W().Action("mnuAbout")->trigger();
    QCOMPARE(rig.dialogs.abouts, 1);
    // The box itself, as the real dialogs show it.
    QTimer::singleShot(50, [&] {
        auto* about = qobject_cast<AboutBox*>(QApplication::activeModalWidget());
        if (!about) return;
        shown = about->windowTitle() + u"|"_s + about->versionLabel()->text();
        hasLogo = !about->logo()->pixmap().isNull();
        QTest::keyClick(about, Qt::Key_Return); // OK is the default button
    });
    QtUserDialogs(&rig.W()).ShowAbout(v);
    QCOMPARE(
        shown,
        QStringLiteral("About|Talvex\nVersion %1.%2.%3").arg(v.major).arg(v.minor).arg(v.revision));
    QVERIFY(hasLogo);
    QCOMPARE(VersionText(ProgramVersion{1, 20, 5}), QStringLiteral("Talvex\r\nVersion 1.20.5"));
}

void WindowTest::linkWindow() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    TestWindow& w = rig.W();
    LinkWindow* k = w.linkWindow();
    QVERIFY(!k->isVisible());
    w.mnuHostLink()->trigger();
    QVERIFY(k->isVisible());
    QCOMPARE(k->windowTitle(), QStringLiteral("KORVA DDE Control"));
    k->sendBox()->setText(u"echo(by hand)"_s);
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
    QTest::newRow("--version") << "--version"
                               << u"talvex %1.%2.%3\n"_s.arg(v.major).arg(v.minor).arg(v.revision);
    QTest::newRow("--help") << "--help"
                            << "usage: talvex [FILE]";
}

void WindowTest::versionAndHelpWithoutADisplay() {
    QFETCH(QString, option);
    QFETCH(QString, starts);
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(u"DISPLAY"_s);
    env.remove(u"WAYLAND_DISPLAY"_s);
    env.remove(u"QT_QPA_PLATFORM"_s);
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(TALVEX_BIN), {option});
    QVERIFY(p.waitForFinished(10000));
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).startsWith(starts));
}

TALVEX_UI_TEST_MAIN(WindowTest)
#include "window_test.moc"
