// Runs in the window: the log question, the pane, Script Done, run control
// (Cancel, Escape, the hard cancel, the run modes, the list-only run), the
// dynamic data, the status bar and a lost link. Against korva32.
#include "tests/ui/window_rig.h"

#include "engine/script_runner.h"
#include "engine/text_codec.h"
#include "ui/main_window.h"
#include "windowcore/editor_text.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

using namespace Qt::StringLiterals;

using namespace talvex;
using namespace talvex::testing;

Q_DECLARE_METATYPE(std::string)

namespace {

const std::string kTwoEchoes = "echo(a)\r\necho(b)\r\n";

QStringList Files(const QString& folder) {
    return QDir(folder).entryList(QDir::Files, QDir::Name);
}

} // namespace

class RunTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(korva_->Start()); }
    void init() {
        if (!korva_->Running()) QVERIFY(korva_->Start());
    }
    void cleanupTestCase() { korva_.Reset(); }

    void logQuestion_data();
    void logQuestion();
    void logDialogRefusesTheScriptItself();
    void cancelButton_data();
    void cancelButton();
    void escape_data();
    void escape();
    void listOnlyRunFromTheLabel();
    void runModes();
    void controlsAndPointerDuringARun();
    void dynamicData_data();
    void dynamicData();
    void lostLinkStopsTheRunAndTheNextRunLinksAgain();
    void paneWidgetFollowsThePane_data();
    void paneWidgetFollowsThePane();

private:
    SharedKorva korva_;
    const QString& socket_ = korva_.Socket();
};

void RunTest::logQuestion_data() {
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QStringList>("files");  // the log dialog's answers in turn ("" cancels)
    QTest::addColumn<QList<int>>("answers"); // to "No filename is selected ..."
    QTest::addColumn<bool>("runs");
    QTest::addColumn<bool>("logged"); // the chosen file holds the responses
    QTest::addColumn<bool>("tickedAfter");

    const int yes = int(Answer::Yes), no = int(Answer::No), cancel = int(Answer::Cancel);
    QTest::newRow("unticked: no question")
        << false << QStringList{} << QList<int>{} << true << false << false;
    QTest::newRow("a file chosen")
        << true << QStringList{u"run.log"_s} << QList<int>{} << true << true << true;
    QTest::newRow("dialog cancelled, No: runs without a log")
        << true << QStringList{u""_s} << QList<int>{no} << true << false << false;
    QTest::newRow("dialog cancelled, Cancel: no run")
        << true << QStringList{u""_s} << QList<int>{cancel} << false << false << true;
    QTest::newRow("dialog cancelled, Yes: asked again")
        << true << QStringList{u""_s, u"run.log"_s} << QList<int>{yes} << true << true << true;
}

void RunTest::logQuestion() {
    QFETCH(bool, ticked);
    QFETCH(QStringList, files);
    QFETCH(QList<int>, answers);
    QFETCH(bool, runs);
    QFETCH(bool, logged);
    QFETCH(bool, tickedAfter);

    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    const QString script = rig.File(u"job.tvx"_s);
    rig.SetScript(kTwoEchoes, script);
    rig.W().core().PaneReplace("from before\r\n");
    rig.W().chkLog()->setChecked(ticked);
    for (const QString& f : files)
        rig.dialogs.fileAnswers.push_back(f.isEmpty() ? QString() : rig.File(f));
    for (int a : answers)
        rig.dialogs.answers.push_back(Answer(a));

    rig.W().RunScriptClicked();

    QCOMPARE(rig.dialogs.fileDialogs.size(), size_t(files.size()));
    if (!files.isEmpty()) {
        // The script's own name with ".log" is proposed.
        QCOMPARE(rig.dialogs.fileDialogs.front().fileName, rig.File(u"job.log"_s).toStdString());
        QCOMPARE(rig.dialogs.fileDialogs.front().filters.front(),
                 std::string("Response File(*.log)"));
    }
    QCOMPARE(rig.dialogs.questions.size(), answers.size());
    QCOMPARE(rig.dialogs.questionTitles, QStringList(answers.size(), u"Log Responses"_s));
    if (runs) {
        QCOMPARE(rig.W().ShownResponse(), std::string("a\r\nb\r\n"));
        QCOMPARE(rig.dialogs.MessageTexts(), QStringList{u"Script Done\r\n"_s + script});
        QCOMPARE(rig.dialogs.messages.front().kind, MessageKind::Warning);
        QCOMPARE(rig.dialogs.messages.front().title, kBase);
    } else {
        QCOMPARE(rig.W().ShownResponse(), std::string("from before\r\n"));
        QVERIFY(rig.dialogs.messages.empty());
    }
    QCOMPARE(ReadBytes(rig.File(u"run.log"_s)), logged ? std::string("a\r\nb\r\n") : std::string());
    QVERIFY(Files(rig.LogFolder()).isEmpty()); // no default log was started
    QCOMPARE(rig.W().chkLog()->isChecked(), tickedAfter);
    QVERIFY(rig.W().cmdRunScript()->isEnabled());
}

void RunTest::logDialogRefusesTheScriptItself() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    const QString script = rig.File(u"job.tvx"_s);
    WriteBytes(script, kTwoEchoes);
    rig.SetScript(kTwoEchoes, script);
    rig.W().chkLog()->setChecked(true);
    rig.dialogs.fileAnswers = {script, rig.File(u"other.log"_s)};

    rig.W().RunScriptClicked();

    QCOMPARE(ReadBytes(script), kTwoEchoes);
    QCOMPARE(rig.dialogs.fileDialogs.size(), size_t(2));
    QVERIFY(rig.dialogs.MessageTexts().front().startsWith(u"The response log cannot be"_s));
    QCOMPARE(ReadBytes(rig.File(u"other.log"_s)), std::string("a\r\nb\r\n"));
}

void RunTest::cancelButton_data() {
    QTest::addColumn<std::string>("script");
    QTest::addColumn<int>("pressAtState"); // the CancelState when Cancel is pressed
    QTest::addColumn<std::string>("pane");
    QTest::addColumn<QStringList>("boxes");

    const QString done = u"Script Done\r\n"_s;
    QTest::newRow("0: the wait ends, the run stops")
        << std::string("wait(20000)\r\necho(never)\r\n") << int(CancelState::Running)
        << std::string("cancelled\r\nscript interrupted by user\r\n")
        << QStringList{u"Ending Script please wait."_s, done};
    QTest::newRow("0 with a handler: the handler runs")
        << std::string("#oncancel(tidy)\r\nwait(20000)\r\necho(never)\r\n#exit\r\nlabel(tidy)\r\n"
                       "echo(tidied)\r\n")
        << int(CancelState::Running) << std::string("cancelled\r\ntidied\r\n")
        << QStringList{u"Ending Script please wait."_s, done};
    QTest::newRow("2: the handler stops without a word")
        << std::string("#oncancel(tidy)\r\n#cancel\r\nlabel(tidy)\r\nwait(400)\r\necho(rest of "
                       "handler)\r\n")
        << int(CancelState::CancelHandlerRunning)
        << std::string("waited=400\r\nscript interrupted by user\r\n") << QStringList{done};
}

void RunTest::cancelButton() {
    QFETCH(std::string, script);
    QFETCH(int, pressAtState);
    QFETCH(std::string, pane);
    QFETCH(QStringList, boxes);

    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    rig.SetScript(script);
    TestWindow& w = rig.W();
    const auto waiting = CommandWaiting(w);
    WhenTrue([&] { return waiting() && int(w.Runner().CurrentCancelState()) == pressAtState; },
             [&] { QTest::mouseClick(w.cmdCancel(), Qt::LeftButton); });
    QElapsedTimer clock;
    clock.start();
    w.RunScriptClicked();

    QVERIFY2(clock.elapsed() < 10000, "the cancel ended the wait");
    QCOMPARE(w.ShownResponse(), pane);
    QStringList shown = rig.dialogs.MessageTexts();
    QCOMPARE(shown.size(), boxes.size());
    for (int i = 0; i < boxes.size(); ++i)
        QVERIFY2(shown[i].startsWith(boxes[i]), qPrintable(shown[i]));
}

void RunTest::escape_data() {
    QTest::addColumn<std::string>("script");
    QTest::addColumn<int>("pressAtState");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<std::string>("pane");
    QTest::addColumn<QString>("box");

    const std::string handler =
        "#oncancel(tidy)\r\n#cancel\r\nlabel(tidy)\r\nwait(20000)\r\necho(rest)\r\n";
    QTest::newRow("0, Yes: cancelled")
        << std::string("wait(20000)\r\necho(rest)\r\n") << int(CancelState::Running)
        << int(Answer::Yes) << "Cancel Script?"
        << std::string("cancelled\r\nscript interrupted by user\r\n")
        << "Ending Script please wait.";
    QTest::newRow("0, No: nothing changes")
        << std::string("wait(300)\r\necho(rest)\r\n") << int(CancelState::Running)
        << int(Answer::No) << "Cancel Script?" << std::string("waited=300\r\nrest\r\n")
        << QString();
    QTest::newRow("2, Yes: killed")
        << handler << int(CancelState::CancelHandlerRunning) << int(Answer::Yes) << "Kill Script?"
        << std::string("cancelled\r\nscript interrupted by user\r\n")
        << "Killing Script please wait.";
}

void RunTest::escape() {
    QFETCH(std::string, script);
    QFETCH(int, pressAtState);
    QFETCH(int, answer);
    QFETCH(QString, question);
    QFETCH(std::string, pane);
    QFETCH(QString, box);

    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    TestWindow& w = rig.W();

    // Escape with no run active asks nothing.
    QTest::keyClick(w.txtCommandList(), Qt::Key_Escape);
    QVERIFY(rig.dialogs.questions.isEmpty());

    rig.SetScript(script);
    rig.dialogs.answers = {Answer(answer)};
    const auto waiting = CommandWaiting(w);
    WhenTrue([&] { return waiting() && int(w.Runner().CurrentCancelState()) == pressAtState; },
             [&] { QTest::keyClick(w.txtCommandList(), Qt::Key_Escape); });
    w.RunScriptClicked();

    QCOMPARE(rig.dialogs.questions, QStringList{question});
    QCOMPARE(w.ShownResponse(), pane);
    QStringList expected;
    if (!box.isEmpty()) expected << box;
    expected << u"Script Done\r\n"_s;
    QCOMPARE(rig.dialogs.MessageTexts(), expected);
}

void RunTest::listOnlyRunFromTheLabel() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    TestWindow& w = rig.W();
    rig.SetScript("set(listed=yes)\r\n#setvars(n=2)\r\necho({n*3})\r\n");
    QTest::mouseClick(w.lblCommand(), Qt::LeftButton);
    QCOMPARE(w.ShownResponse(), std::string("set(listed=yes)\r\n#setvars(n=2)\r\necho(6)\r\n"));
    QVERIFY(!w.core().Interp().EchoMode());

    // Nothing reached the host, and a click during a run does nothing.
    rig.SetScript("get(listed)\r\nwait(600)\r\n");
    bool clicked = false;
    WhenTrue(CommandWaiting(w), [&] {
        QTest::mouseClick(w.lblCommand(), Qt::LeftButton);
        clicked = true;
    });
    w.RunScriptClicked();
    QVERIFY(clicked);
    QCOMPARE(w.ShownResponse(), std::string("listed=\r\nwaited=600\r\n"));
}

void RunTest::runModes() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    TestWindow& w = rig.W();
    QVERIFY(w.mnuLinebyLine()->isChecked());
    QVERIFY(!w.mnuWholeScript()->isChecked());
    w.mnuWholeScript()->trigger();
    QVERIFY(!w.mnuLinebyLine()->isChecked());
    QVERIFY(w.mnuWholeScript()->isChecked());

    // Whole Script: the text goes in one piece, the pane shows the reply, no box.
    rig.SetScript("echo(one piece)");
    w.RunScriptClicked();
    QCOMPARE(w.ShownResponse(), std::string("one piece"));
    QVERIFY(rig.dialogs.messages.empty());

    w.mnuLinebyLine()->trigger();
    QVERIFY(!w.mnuWholeScript()->isChecked());
    w.RunScriptClicked();
    QCOMPARE(w.ShownResponse(), std::string("one piece\r\n"));
}

void RunTest::controlsAndPointerDuringARun() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    TestWindow& w = rig.W();
    rig.SetScript("wait(1600)\r\n");
    struct Seen {
        bool run, exit, log, file, cancel, busy;
        QString status;
    };
    std::vector<Seen> seen;
    const auto look = [&] {
        seen.push_back({w.cmdRunScript()->isEnabled(), w.cmdExit()->isEnabled(),
                        w.chkLog()->isEnabled(), w.mnuFile()->isEnabled(),
                        w.cmdCancel()->isEnabled(), w.cursor().shape() == Qt::WaitCursor,
                        w.StatusText()});
        // The window's pointer only: message boxes keep their own.
        QCOMPARE(QApplication::overrideCursor(), nullptr);
    };
    WhenTrue([&] { return w.StatusText().contains(u"1 s"_s); }, look);
    w.RunScriptClicked();
    QCOMPARE(seen.size(), size_t(1));
    const Seen& s = seen.front();
    QVERIFY(!s.run && !s.exit && !s.log && !s.file);
    QVERIFY(s.cancel);
    QVERIFY(s.busy);
    QVERIFY2(s.status.contains(u"wait(1600)"_s), qPrintable(s.status));

    look();
    const Seen& after = seen.back();
    QVERIFY(after.run && after.exit && after.log && after.file && !after.busy);
    QVERIFY(after.status.isEmpty());
    QCOMPARE(w.txtCommandList()->viewport()->cursor().shape(), Qt::IBeamCursor);
}

void RunTest::dynamicData_data() {
    QTest::addColumn<std::string>("script");
    QTest::addColumn<QString>("shown");
    QTest::newRow("pushed while its command waits") << std::string("dyn(v=1.5)\r\n") << "v=1.5";
    QTest::newRow("the next command clears it")
        << std::string("dyn(v=1.5)\r\necho(next)\r\n") << "";
}

void RunTest::dynamicData() {
    QFETCH(std::string, script);
    QFETCH(QString, shown);
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    rig.SetScript(script);
    rig.W().RunScriptClicked();
    QTRY_COMPARE(rig.W().txtDynamic()->text(), shown);
    QCOMPARE(rig.link.DynReturn(), shown.toStdString());
}

void RunTest::lostLinkStopsTheRunAndTheNextRunLinksAgain() {
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    TestWindow& w = rig.W();
    rig.SetScript("wait(20000)\r\necho(never)\r\n");
    WhenTrue(CommandWaiting(w), [&] { korva_->Stop(); });
    w.RunScriptClicked();
    QCOMPARE(w.ShownResponse(), std::string("Error: link to KORVA lost\r\nscript error"));
    QVERIFY(rig.dialogs.MessageTexts().contains(u"Error: link to KORVA lost"_s));
    QVERIFY(w.cmdRunScript()->isEnabled());

    // The next run links again (here by starting the host itself), and the
    // dynamic data reaches the window again.
    rig.dialogs.messages.clear();
    rig.SetScript("echo(again)\r\ndyn(back)\r\n");
    w.RunScriptClicked();
    QCOMPARE(w.ShownResponse(), std::string("again\r\nOK\r\n"));
    QTRY_COMPARE(w.txtDynamic()->text(), QStringLiteral("back"));
    rig.link.Uninit(true);
}

void RunTest::paneWidgetFollowsThePane_data() {
    // Steps as a run takes them, the widget catching up after each:
    // "+text" appends, "<n" takes the pane back to n characters, "=text"
    // replaces it, "*n" appends n numbered lines, "!" cuts it as a run does
    // once it is over its limit.
    QTest::addColumn<QStringList>("steps");
    QTest::addRow("an echo taken back for its reply")
        << QStringList{u"+first\r\n"_s,   u"+echo(b)\r\n"_s, u"<7"_s,          u"+reply b\r\n"_s,
                       u"+echo(c)\r\n"_s, u"<16"_s,          u"+reply c\r\n"_s};
    QTest::addRow("a line growing and shrinking")
        << QStringList{u"+one"_s, u"+ piece"_s, u"<3"_s, u"+e\r\ntwo"_s, u"<6"_s, u"+\r\n"_s};
    QTest::addRow("lone CR and LF, CR CR LF") << QStringList{
        u"+a\rb\nc\r\n"_s, u"+x\r\r\ny\r\n"_s, u"<7"_s, u"+\n\r\n"_s, u"<2"_s, u"+\r\r\n"_s};
    QTest::addRow("characters beyond ASCII")
        << QStringList{u"+\u00b1\u00b5\r\n"_s, u"+\u00e4"_s, u"<3"_s,
                       u"+\u00f6\u20ac\r\n"_s, u"<4"_s,      u"+\U0001F600\r\n"_s};
    QTest::addRow("replaced and emptied")
        << QStringList{u"+a\r\nb\r\n"_s, u"=c\r\n"_s, u"="_s, u"+d"_s};
    QTest::addRow("the limit cuts the front") << QStringList{
        u"*2000"_s, u"*500"_s, u"!"_s, u"+echo(x)\r\n"_s, u"*1200"_s, u"!"_s, u"+\u00b1"_s, u"!"_s};
}

void RunTest::paneWidgetFollowsThePane() {
    QFETCH(QStringList, steps);
    WindowRig rig(socket_);
    QVERIFY(rig.Ok());
    TestWindow& w = rig.W();
    long numbered = 0;
    for (const QString& step : steps) {
        const std::string arg = step.mid(1).toStdString();
        switch (step[0].unicode()) {
        case '+':
            w.core().PaneAppend(arg);
            break;
        case '<':
            w.core().PaneCutBack(std::stoul(arg));
            break;
        case '=':
            w.core().PaneReplace(arg);
            break;
        case '!':
            w.core().PaneReplace(ResponsePane::KeptAfterLimitCut(w.PaneText()));
            break;
        default:
            for (long n = std::stol(arg); n > 0; --n)
                w.core().PaneAppend("line " + std::to_string(++numbered) + "\r\n");
        }
        QTextDocument fresh;
        fresh.setPlainText(QString::fromStdString(LfLineEnds(w.PaneText())));
        QTRY_COMPARE_WITH_TIMEOUT(w.txtResponseList()->toPlainText(), fresh.toPlainText(), 2000);
    }
}

TALVEX_UI_TEST_MAIN(RunTest)
#include "run_test.moc"
