// talvex-run's command-line contract: options, exit statuses, what it starts,
// and how Ctrl+C, SIGTERM, SIGHUP and a lost host end a run.
#include "tests/app/run_fixture.h"
#include "tests/app/stored_format.h"
#include "tests/quoted_text.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <csignal>
#include <ostream>
#include <unistd.h>
#include <utility>

using namespace Qt::StringLiterals;

namespace talvex::testing {
namespace {

constexpr int kHangGuardMs = 10000; // only against a hung run; no timing is asserted

// Waits until the running program has written `text` to standard output.
bool WaitForOutput(QProcess& p, QByteArray& out, const QByteArray& text) {
    QElapsedTimer t;
    t.start();
    while (!out.contains(text)) {
        if (t.elapsed() > kHangGuardMs || p.state() == QProcess::NotRunning) return false;
        p.waitForReadyRead(100);
        out += p.readAllStandardOutput();
    }
    return true;
}

// A host executable that notes each start in `counter` and then runs korva32.
QString CountingHost(const Sandbox& box, const QString& counter) {
    const QString path = box.Root() + u"/counting-korva32"_s;
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write("#!/bin/sh\necho started >> '" + counter.toUtf8() +
            "'\nexec '" KORVA32_BIN "' \"$@\"\n");
    f.close();
    f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
}

// True while the process runs (an ended one that nobody reaped yet does not count).
bool Running(pid_t pid) {
    QFile stat(u"/proc/%1/stat"_s.arg(pid));
    if (!stat.open(QIODevice::ReadOnly)) return false;
    const QByteArray text = stat.readAll();
    const qsizetype close = text.lastIndexOf(')');
    return close > 0 && close + 2 < text.size() && text.at(close + 2) != 'Z';
}

int Starts(const QString& counter) {
    QFile f(counter);
    return f.open(QIODevice::ReadOnly) ? static_cast<int>(f.readAll().count("started")) : 0;
}

TEST(TalvexRunOptions, VersionAndHelpPrintAndSucceed) {
    Sandbox box;
    const RunOutcome version = box.Run({u"--version"_s});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith("talvex-run ")) << Show(version.out);
    const RunOutcome help = box.Run({u"--help"_s});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith("usage: talvex-run")) << Show(help.out);
    // Where an unasked-for log goes, what --whole does to --list, every status.
    for (const char* told :
         {"--list", "--check", "--trace", "LEVEL FILE:LINE: TEXT", "65 errors", "TALVEX_LOG_FOLDER",
          "$XDG_DATA_HOME/Talvex", "with --list too,\n               the script is sent whole",
          "\n  73  the --log FILE cannot be created", "\n  74  a write to the log failed"})
        EXPECT_TRUE(help.out.contains(told)) << told;
    EXPECT_TRUE(box.HostPids().empty());
}

// A usage error: its one line on standard error (the help text follows), and
// nothing run, started or written.
struct UsageCase {
    QStringList args;
    QByteArray line;
};

TEST(TalvexRunOptions, BadUsageExits64) {
    const QList<UsageCase> usages = {
        {{}, "usage: talvex-run [--list]"},
        {{u"--frobnicate"_s, u"a.tvx"_s}, "talvex-run: unknown option --frobnicate"},
        {{u"--log"_s}, "talvex-run: --log needs a value"},
        {{u"a.tvx"_s, u"--host"_s}, "talvex-run: --host needs a value"},
        // An option's value may not be left empty.
        {{u"--log="_s, u"a.tvx"_s}, "talvex-run: --log needs a value"},
        {{u"--host="_s, u"a.tvx"_s}, "talvex-run: --host needs a value"},
        {{u"--log"_s, u""_s, u"a.tvx"_s}, "talvex-run: --log needs a value"},
        // One script, wherever the others stand: none of them is run.
        {{u"a.tvx"_s, u"b.tvx"_s}, "talvex-run: only one SCRIPT may be given"},
        {{u"a.tvx"_s, u"--"_s, u"b.tvx"_s}, "talvex-run: only one SCRIPT may be given"},
        {{u"a.tvx"_s, u"--"_s, u"b.tvx"_s, u"c.tvx"_s}, "talvex-run: only one SCRIPT may be given"},
        {{u"--"_s, u"a.tvx"_s, u"b.tvx"_s}, "talvex-run: only one SCRIPT may be given"},
        {{u"--"_s, u""_s}, "talvex-run: SCRIPT may not be empty"},
        // A log that is the script, under any name, would empty the script.
        {{u"--log"_s, u"a.tvx"_s, u"a.tvx"_s}, "talvex-run: --log a.tvx is SCRIPT itself"},
        {{u"--log=./a.tvx"_s, u"a.tvx"_s}, "talvex-run: --log ./a.tvx is SCRIPT itself"},
        {{u"--log"_s, u"hard.tvx"_s, u"a.tvx"_s}, "talvex-run: --log hard.tvx is SCRIPT itself"},
        {{u"--list"_s, u"--log"_s, u"soft.tvx"_s, u"a.tvx"_s},
         "talvex-run: --log soft.tvx is SCRIPT itself"},
        // A check runs nothing: run options have nothing to act on.
        {{u"--check"_s, u"--trace"_s, u"a.tvx"_s}, "talvex-run: --check takes no other option"},
        {{u"--check"_s, u"--log"_s, u"x.log"_s, u"a.tvx"_s},
         "talvex-run: --check takes no other option"},
        {{u"--list"_s, u"--check"_s, u"a.tvx"_s, u"b.tvx"_s},
         "talvex-run: --check takes no other option"},
    };
    Sandbox box;
    const QByteArray script = "echo(x)\r\n";
    box.WriteFile(u"a.tvx"_s, script);
    box.WriteFile(u"b.tvx"_s, "echo(y)\r\n");
    const QString a = box.Work() + u"/a.tvx"_s;
    ASSERT_EQ(::link(qPrintable(a), qPrintable(box.Work() + u"/hard.tvx"_s)), 0);
    ASSERT_TRUE(QFile::link(u"a.tvx"_s, box.Work() + u"/soft.tvx"_s));
    const QStringList files = Sandbox::FilesBelow(box.Work());
    for (const UsageCase& u : usages) {
        const std::string args = u.args.join(u' ').toStdString();
        const RunOutcome r = box.Run(u.args);
        EXPECT_EQ(r.status, 64) << args;
        EXPECT_TRUE(r.out.isEmpty()) << args;
        EXPECT_TRUE(r.err.startsWith(u.line)) << args << "\n" << Show(r.err);
        EXPECT_TRUE(r.err.contains("\nusage: talvex-run") || u.args.isEmpty()) << args;
        EXPECT_EQ(box.ReadFile(u"a.tvx"_s), script) << args;
    }
    EXPECT_EQ(Sandbox::FilesBelow(box.Work()), files);
    EXPECT_TRUE(Sandbox::FilesBelow(box.DefaultLogFolder()).isEmpty());
    EXPECT_TRUE(box.WaitNoHost());
}

// A --log file that cannot be created stops talvex-run before the run: one
// line, the file and the system's reason, and nothing started or written.
struct UncreatableLog {
    const char* name;
    const char* log;
    const char* reason; // nullptr: whatever the system says
};

void PrintTo(const UncreatableLog& c, std::ostream* os) {
    *os << c.name;
}

class UncreatableLogFile : public ::testing::TestWithParam<UncreatableLog> {};

TEST_P(UncreatableLogFile, Exits73BeforeTheRun) {
    const UncreatableLog& c = GetParam();
    Sandbox box;
    box.WriteFile(u"a.tvx"_s, "echo(x)\r\n");
    QDir(box.Work()).mkdir(u"folder"_s);
    QDir(box.Work()).mkdir(u"locked"_s);
    QFile::setPermissions(box.Work() + u"/locked"_s, QFile::ReadOwner | QFile::ExeOwner);
    QString log = QString::fromUtf8(c.log);
    if (log.startsWith(u"locked/"_s) && ::geteuid() == 0) {
        // Permissions do not stop root; a file system that refuses new files does.
        if (!QFileInfo::exists(u"/sys/kernel"_s)) GTEST_SKIP() << "no read-only place for root";
        log = u"/sys/talvex-run.log"_s;
    }
    const QStringList files = Sandbox::FilesBelow(box.Work());
    const QString counter = box.Root() + u"/starts"_s;
    const RunOutcome r =
        box.Run({u"--log"_s, log, u"--host"_s, CountingHost(box, counter), u"a.tvx"_s});
    QFile::setPermissions(box.Work() + u"/locked"_s,
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    EXPECT_EQ(r.status, 73);
    EXPECT_TRUE(r.out.isEmpty()) << Show(r.out);
    if (c.reason && log == QString::fromUtf8(c.log))
        EXPECT_EQ(Show(r.err), Show(log.toUtf8() + ": " + c.reason + "\n"));
    else
        EXPECT_TRUE(r.err.startsWith(log.toUtf8() + ": ") && r.err.count('\n') == 1) << Show(r.err);
    EXPECT_EQ(Starts(counter), 0) << "no host started";
    EXPECT_EQ(Sandbox::FilesBelow(box.Work()), files);
    EXPECT_TRUE(Sandbox::FilesBelow(box.DefaultLogFolder()).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Places, UncreatableLogFile,
    ::testing::Values(UncreatableLog{"missing_folder", "no-such-folder/run.log",
                                     "No such file or directory"},
                      UncreatableLog{"a_folder", "folder", "Is a directory"},
                      UncreatableLog{"read_only_folder", "locked/run.log", "Permission denied"}),
    [](const ::testing::TestParamInfo<UncreatableLog>& i) { return std::string(i.param.name); });

TEST(TalvexRunOptions, UnreadableScriptExits66AndCreatesNothing) {
    Sandbox box;
    QDir(box.Work()).mkdir(u"folder.tvx"_s);
    const QString counter = box.Root() + u"/starts"_s;
    const QString host = CountingHost(box, counter);
    for (const QString& script : {u"missing.tvx"_s, u"folder.tvx"_s}) {
        const RunOutcome r = box.Run({u"--log"_s, u"run.log"_s, u"--host"_s, host, script});
        EXPECT_EQ(r.status, 66) << script.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains(script.toUtf8())) << Show(r.err);
    }
    EXPECT_EQ(Sandbox::FilesBelow(box.Work()), QStringList()) << "no script, no log created";
    EXPECT_TRUE(Sandbox::FilesBelow(box.DefaultLogFolder()).isEmpty());
    EXPECT_EQ(Starts(counter), 0) << "no host started";
}

// --check reads each script and runs nothing: findings in the form compilers
// use, on standard output, and the worst of them in the exit status.
TEST(TalvexRunCheck, FindingsAndExitStatuses) {
    Sandbox box;
    const QString counter = box.Root() + u"/starts"_s;
    const QString host = CountingHost(box, counter);
    box.WriteFile(u"clean.tvx"_s, "echo(a)\r\n");
    box.WriteFile(u"warns.tvx"_s, "#do(j=0)\r\n#loopuntil(j)\r\n");
    box.WriteFile(u"sub/errs.tvx"_s, "#while(1)\r\n#call(gone)\r\n#wend\r\n#endif\r\n");
    struct Case {
        QStringList scripts;
        int status;
        QByteArray out;
    };
    const QList<Case> cases = {
        {{u"clean.tvx"_s}, 0, ""},
        {{u"warns.tvx"_s},
         1,
         "warns.tvx:1:5: warning: #do sets j again on every round; set it on a line before the "
         "#do\n"},
        {{u"clean.tvx"_s, u"sub/errs.tvx"_s, u"warns.tvx"_s},
         65,
         "sub/errs.tvx:2:7: error: #call of \"gone.tvx\": No such file or directory "
         "(sub/gone.tvx)\n"
         "sub/errs.tvx:4:1: error: #endif without its #if\n"
         "warns.tvx:1:5: warning: #do sets j again on every round; set it on a line before the "
         "#do\n"},
        {{u"sub/errs.tvx"_s, u"missing.tvx"_s},
         66,
         "sub/errs.tvx:2:7: error: #call of \"gone.tvx\": No such file or directory "
         "(sub/gone.tvx)\n"
         "sub/errs.tvx:4:1: error: #endif without its #if\n"},
    };
    const QStringList files = Sandbox::FilesBelow(box.Work());
    for (const Case& c : cases) {
        const RunOutcome r = box.Run(QStringList{u"--check"_s} + c.scripts);
        const std::string args = c.scripts.join(u' ').toStdString();
        EXPECT_EQ(r.status, c.status) << args;
        EXPECT_EQ(r.out, c.out) << args << "\n" << Show(r.out);
        EXPECT_EQ(r.err, c.status == 66 ? QByteArray("talvex-run: cannot read missing.tvx: No "
                                                     "such file or directory\n")
                                        : QByteArray())
            << args;
    }
    EXPECT_EQ(Sandbox::FilesBelow(box.Work()), files) << "nothing written";
    EXPECT_TRUE(box.HostPids().empty()) << "no host linked";
}

// --trace: each line on standard error before it runs, through a call and a
// chain; standard output is what it is without it.
TEST(TalvexRunTrace, FollowsCallsAndChains) {
    Sandbox box;
    box.WriteFile(u"main.tvx"_s, "echo(one)\r\n  #call(sub/s)\r\n#if(1) then #chain(next)\r\n"
                                 "echo(never)\r\n");
    box.WriteFile(u"sub/s.tvx"_s, "' in s\r\n\r\necho(two)\r\n");
    box.WriteFile(u"next.tvx"_s, "echo(three)\r\n");
    const RunOutcome plain = box.Run({u"main.tvx"_s});
    const RunOutcome traced = box.Run({u"--trace"_s, u"main.tvx"_s});
    EXPECT_EQ(traced.status, 0);
    EXPECT_EQ(traced.out, plain.out);
    EXPECT_EQ(traced.err, "0 main.tvx:1: echo(one)\n"
                          "0 main.tvx:2: #call(sub/s)\n"
                          "1 sub/s.tvx:1: ' in s\n"
                          "1 sub/s.tvx:2: \n"
                          "1 sub/s.tvx:3: echo(two)\n"
                          "0 main.tvx:3: #if(1) then #chain(next)\n"
                          "0 main.tvx:3: #chain(next)\n"
                          "1 next.tvx:1: echo(three)\n"
                          "Script Done next.tvx\n")
        << Show(traced.err);
}

TEST(TalvexRunOptions, ListStartsNoHostForAScriptWithoutHostDirectives) {
    Sandbox box;
    box.WriteFile(u"plain.tvx"_s, "echo(x)\r\n#setvars(a=1)\r\n");
    const QString counter = box.Root() + u"/starts"_s;
    const QString host = CountingHost(box, counter);

    const RunOutcome listed = box.Run({u"--list"_s, u"--host"_s, host, u"plain.tvx"_s});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(Show(listed.out), Show("echo(x)\n#setvars(a=1)\n"));
    EXPECT_EQ(Starts(counter), 0);
    EXPECT_FALSE(QFile::exists(box.Socket()));

    // The same script run for real does start it, so the count above means something.
    const RunOutcome sent = box.Run({u"--host"_s, host, u"plain.tvx"_s});
    EXPECT_EQ(sent.status, 0);
    EXPECT_EQ(Show(sent.out), Show("x\n"));
    EXPECT_EQ(Starts(counter), 1);
    EXPECT_TRUE(box.WaitNoHost());
}

TEST(TalvexRunOptions, ListLinksTheHostOnDemandForAFileSentToIt) {
    Sandbox box;
    box.WriteFile(u"notes.txt"_s, "one\ntwo\n");
    box.WriteFile(u"rtf.tvx"_s, "#filetortf(notes.txt)\r\n");
    const QString counter = box.Root() + u"/starts"_s;
    const RunOutcome r =
        box.Run({u"--list"_s, u"--host"_s, CountingHost(box, counter), u"rtf.tvx"_s});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Show(r.out), Show("#FileToRTF=notes.txt\n"));
    EXPECT_EQ(Starts(counter), 1);
    EXPECT_TRUE(box.WaitNoHost()) << "the host started on demand is ended too";
}

// The reason a file is not sent reaches the pane even when no host is there to
// take it; the run then stops as any run without a host does.
TEST(TalvexRunOptions, ListWithoutAHostStillShowsWhyAFileIsNotSent) {
    Sandbox box;
    box.WriteFile(u"big.txt"_s, QByteArray(100001, 'a'));
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"missing.txt", "Unable to locate file <missing.txt>, or file is empty."},
        {"big.txt", "File <big.txt> is too large to send to RTF. (100001>100000)"},
    };
    for (const auto& [file, message] : cases) {
        box.WriteFile(u"rtf.tvx"_s, "#filetortf(" + file + ")\r\necho(never)\r\n");
        const RunOutcome r =
            box.Run({u"--list"_s, u"--host"_s, box.Root() + u"/no-such-korva32"_s, u"rtf.tvx"_s});
        EXPECT_EQ(r.status, 3) << file.constData();
        const QByteArray shown = "#FileToRTF=" + file + "\n" + message + "\nscript error";
        EXPECT_TRUE(r.out.startsWith(shown) && !r.out.contains("never")) << Show(r.out);
        EXPECT_TRUE(r.err.contains("Could not find KORVA32")) << Show(r.err);
    }
}

TEST(TalvexRunOptions, MissingHostExits3) {
    Sandbox box;
    box.WriteFile(u"a.tvx"_s, "echo(x)\r\n");
    const RunOutcome r = box.Run({u"--host"_s, box.Root() + u"/no-such-korva32"_s, u"a.tvx"_s});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.contains("Could not find KORVA32")) << Show(r.err);
    EXPECT_TRUE(r.out.isEmpty()) << Show(r.out);
}

TEST(TalvexRunFiles, StoredFormatAndWindows1252ScriptsRun) {
    Sandbox box;
    const QByteArray text = "echo(caf\xe9 \x80)\r\n"; // Windows-1252: e acute, euro sign
    const QByteArray stored = QByteArray::fromStdString(StoredFormat(text.toStdString()));
    box.WriteFile(u"stored.tvx"_s, stored);
    box.WriteFile(u"plain1252.tvx"_s, text);
    for (const char* script : {"stored.tvx", "plain1252.tvx"}) {
        const RunOutcome r = box.Run({QString::fromUtf8(script)});
        EXPECT_EQ(r.status, 0) << script;
        EXPECT_EQ(Show(r.out), Show("caf\xc3\xa9 \xe2\x82\xac\n")) << script;
    }
    EXPECT_EQ(box.ReadFile(u"stored.tvx"_s), stored) << "a sound header is left alone";
    EXPECT_EQ(box.ReadFile(u"plain1252.tvx"_s), text) << "a plain-text script is never written";
}

// Ctrl+C while the host works on a command: the hard cancel ends the command,
// and the run stops at the next line.
struct InterruptCase {
    const char* name;
    const char* command;
};

void PrintTo(const InterruptCase& c, std::ostream* os) {
    PrintQuoted(c.command, os);
}

class CtrlC : public ::testing::TestWithParam<InterruptCase> {};

TEST_P(CtrlC, EndsTheRunWithStatus1) {
    Sandbox box;
    box.WriteFile(u"long.tvx"_s,
                  QByteArray("echo(start)\r\n") + GetParam().command + "\r\necho(never)\r\n");
    QProcess p;
    box.Start(p, {u"--log"_s, u"run.log"_s, u"long.tvx"_s});
    QByteArray out;
    // "start" reaches standard output once the next command has been echoed.
    ASSERT_TRUE(WaitForOutput(p, out, "start\n"));
    QThread::msleep(300); // let the command reach the host
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    RunOutcome r = Sandbox::Finish(p, kHangGuardMs);
    ASSERT_TRUE(r.finished) << "the run did not end";
    out += r.out;
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Show(out), Show("start\ncancelled\nscript interrupted by user\n"));
    EXPECT_EQ(Show(r.err), Show("Ending Script please wait.\nScript Done long.tvx\n"));
    EXPECT_EQ(Show(box.ReadFile(u"run.log"_s)),
              Show("start\r\ncancelled\r\nscript interrupted by user\r\n"));
    EXPECT_TRUE(box.WaitNoHost()) << "the host the run started is still there";
}

INSTANTIATE_TEST_SUITE_P(Commands, CtrlC,
                         ::testing::Values(InterruptCase{"silent", "silent()"},
                                           InterruptCase{"wait", "wait(60000)"}),
                         [](const ::testing::TestParamInfo<InterruptCase>& i) {
                             return std::string(i.param.name);
                         });

bool WaitForError(QProcess& p, QByteArray& err, const QByteArray& text, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    p.setReadChannel(QProcess::StandardError);
    while (!err.contains(text)) {
        if (t.elapsed() > timeoutMs || p.state() == QProcess::NotRunning) break;
        p.waitForReadyRead(100);
        err += p.readAllStandardError();
    }
    p.setReadChannel(QProcess::StandardOutput);
    return err.contains(text);
}

// A host that freezes in the middle of a command (SIGSTOP): the hard cancel
// does not wait for it, the runner says what it waits for and that the host
// does not answer, and the third Ctrl+C gives up on it, leaving it alone. A
// new run against it fails its set-up in bounded time.
TEST(TalvexRunHost, AFrozenHostHoldsNeitherTheCancelNorTheNextRun) {
    Sandbox box;
    box.WriteFile(u"frozen.tvx"_s, "echo(before)\r\nwait(5000)\r\necho(after)\r\n");
    QProcess p;
    box.Start(p, {u"--log"_s, u"run.log"_s, u"frozen.tvx"_s});
    QByteArray out, err;
    ASSERT_TRUE(WaitForOutput(p, out, "before\n"));
    QThread::msleep(300); // the wait has reached the host
    const std::vector<qint64> hosts = box.HostPids();
    ASSERT_EQ(hosts.size(), 1u);
    const auto host = static_cast<pid_t>(hosts.front());
    ::kill(host, SIGSTOP);
    const auto ctrlC = [&] { ::kill(static_cast<pid_t>(p.processId()), SIGINT); };
    ctrlC();
    EXPECT_TRUE(WaitForError(p, err, "Ending Script please wait.\n", 2000));
    EXPECT_TRUE(WaitForError(p, err, "KORVA does not answer the hard cancel", 8000));
    EXPECT_TRUE(WaitForError(p, err, "waiting for KORVA: wait(5000) (Ctrl+C cancels)\n", 8000));
    ctrlC();
    QThread::msleep(200);
    EXPECT_EQ(p.state(), QProcess::Running) << "the second Ctrl+C only waits on";
    ctrlC();
    RunOutcome r = Sandbox::Finish(p, kHangGuardMs);
    ASSERT_TRUE(r.finished) << "the run did not end";
    out += r.out;
    err += r.err;
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Show(out),
              Show("before\nError: link to KORVA dropped\nscript interrupted by user\n"));
    EXPECT_EQ(Show(err), Show("Ending Script please wait.\n"
                              "KORVA does not answer the hard cancel (press Ctrl+C twice more to "
                              "end the run)\n"
                              "waiting for KORVA: wait(5000) (Ctrl+C cancels)\n"
                              "Script Done frozen.tvx\n"));
    EXPECT_EQ(Show(box.ReadFile(u"run.log"_s)),
              Show("before\r\nError: link to KORVA dropped\r\nscript interrupted by user\r\n"));
    EXPECT_EQ(box.HostPids(), hosts) << "the frozen host is left alone";

    // It still holds the socket; a new run's set-up gives up on it.
    const RunOutcome again = box.Run({u"frozen.tvx"_s}, 15000 + kHangGuardMs);
    ASSERT_TRUE(again.finished);
    EXPECT_EQ(again.status, 3);
    EXPECT_EQ(Show(again.err),
              Show("Could not initialize KORVA DDE link\nthe host does not answer\n"));
    EXPECT_EQ(Show(again.out), Show(""));
    ::kill(host, SIGKILL);
}

class EndSignal : public ::testing::TestWithParam<int> {};

TEST_P(EndSignal, EndsAtOnceKeepingTheLog) {
    Sandbox box;
    box.WriteFile(u"long.tvx"_s, "echo(one)\r\necho(two)\r\nwait(60000)\r\necho(never)\r\n");
    QProcess p;
    box.Start(p, {u"--log"_s, u"run.log"_s, u"long.tvx"_s});
    QByteArray out;
    ASSERT_TRUE(WaitForOutput(p, out, "two\n"));
    QThread::msleep(300);
    ::kill(static_cast<pid_t>(p.processId()), GetParam());
    RunOutcome r = Sandbox::Finish(p, kHangGuardMs);
    ASSERT_TRUE(r.finished) << "the run did not end";
    out += r.out;
    EXPECT_EQ(r.status, 1);
    // The echo of the command cut short is not a response and is not printed.
    EXPECT_EQ(Show(out), Show("one\ntwo\n"));
    EXPECT_EQ(Show(box.ReadFile(u"run.log"_s)), Show("one\r\ntwo\r\n"));
    EXPECT_TRUE(box.WaitNoHost()) << "the host the run started is still there";
}

INSTANTIATE_TEST_SUITE_P(Signals, EndSignal, ::testing::Values(SIGTERM, SIGHUP),
                         [](const ::testing::TestParamInfo<int>& i) {
                             return std::string(i.param == SIGTERM ? "SIGTERM" : "SIGHUP");
                         });

// The host killed in the middle of a run: the run stops at the next line
// that needs it, with status 3, and no fresh host is started.
struct KillCase {
    const char* name;
    QStringList args;
    const char* script;
    const char* ready; // on standard output once the host is to be killed; "": give it time
    const char* out;
    const char* err;
};

void PrintTo(const KillCase& c, std::ostream* os) {
    *os << c.name;
}

class HostKilled : public ::testing::TestWithParam<KillCase> {};

TEST_P(HostKilled, EndsTheRunWithStatus3) {
    const KillCase& c = GetParam();
    Sandbox box;
    const QString counter = box.Root() + u"/starts"_s;
    box.WriteFile(u"long.tvx"_s, c.script);
    QProcess p;
    box.Start(p, QStringList(c.args) << u"--host"_s << CountingHost(box, counter) << u"long.tvx"_s);
    QByteArray out;
    if (*c.ready) {
        ASSERT_TRUE(WaitForOutput(p, out, c.ready));
    } else {
        QElapsedTimer t;
        t.start();
        while (box.HostPids().empty() && t.elapsed() < kHangGuardMs)
            QThread::msleep(10);
        QThread::msleep(300); // let the command reach the host
    }
    const std::vector<qint64> hosts = box.HostPids();
    ASSERT_EQ(hosts.size(), 1u);
    // Linked as the window links: the host keeps its window as the user has it.
    QFile cmdline(u"/proc/%1/cmdline"_s.arg(hosts.front()));
    ASSERT_TRUE(cmdline.open(QIODevice::ReadOnly));
    EXPECT_TRUE(cmdline.readAll().split('\0').contains("--visible"));
    ::kill(static_cast<pid_t>(hosts.front()), SIGKILL);
    RunOutcome r = Sandbox::Finish(p, kHangGuardMs);
    ASSERT_TRUE(r.finished) << "the run did not end";
    out += r.out;
    if (!out.endsWith('\n')) out += '\n'; // a run's output ends with a line break
    EXPECT_EQ(r.status, 3);
    EXPECT_EQ(Show(out), Show(c.out));
    EXPECT_EQ(Show(r.err), Show(c.err));
    EXPECT_EQ(Starts(counter), 1) << "no fresh host in the middle of a run";
    EXPECT_TRUE(box.HostPids().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Runs, HostKilled,
    ::testing::Values(
        KillCase{"during_a_wait",
                 {},
                 "echo(start)\r\nwait(60000)\r\necho(never)\r\n",
                 "start\n",
                 "start\nError: link to KORVA lost\nscript error\n",
                 "Error: link to KORVA lost\nScript Done long.tvx\n"},
        // The host dies while the script runs on by itself; the next command
        // must not start a fresh one.
        KillCase{"between_commands",
                 {},
                 "echo(one)\r\n#setvars(i=0)\r\n#while(i<20000)\r\n#setvars(i={i+1})\r\n#wend\r\n"
                 "echo(two)\r\n",
                 "one\n",
                 "one\nError: link to KORVA lost\nscript error\n",
                 "Error: link to KORVA lost\nScript Done long.tvx\n"},
        KillCase{"whole_script",
                 {u"--whole"_s},
                 "wait(60000)\r\n",
                 "",
                 "Error: link to KORVA lost\n",
                 "Error: link to KORVA lost\n"}),
    [](const ::testing::TestParamInfo<KillCase>& i) { return std::string(i.param.name); });

// Two runs share one host, the one that started it ending first: its Exit
// closes only its own connection, and the other run keeps the host until it
// ends too.
TEST(TalvexRunHost, ASharedHostOutlivesTheRunThatStartedIt) {
    Sandbox box;
    const QString counter = box.Root() + u"/starts"_s;
    const QString host = CountingHost(box, counter);
    // The starter waits until the other run has linked and said so.
    box.WriteFile(u"starter.tvx"_s, "set(joined=0)\r\necho(a1)\r\n#setvars(joined=0)\r\n"
                                    "#while(joined<1)\r\n#responsehold\r\n%get(joined)\r\n"
                                    "#responseresume\r\n#wend\r\necho(a2)\r\n");
    box.WriteFile(u"joiner.tvx"_s, "echo(b1)\r\nset(joined=1)\r\nwait(1500)\r\necho(b2)\r\n");
    QProcess starter;
    box.Start(starter, {u"--host"_s, host, u"starter.tvx"_s});
    QByteArray starterOut;
    ASSERT_TRUE(WaitForOutput(starter, starterOut, "a1\n"));
    QProcess joiner;
    box.Start(joiner, {u"--host"_s, host, u"joiner.tvx"_s});

    RunOutcome a = Sandbox::Finish(starter, kHangGuardMs);
    EXPECT_EQ(joiner.state(), QProcess::Running) << "the starter did not end first";
    RunOutcome b = Sandbox::Finish(joiner, kHangGuardMs);
    ASSERT_TRUE(a.finished && b.finished);
    EXPECT_EQ(a.status, 0) << Show(a.err);
    EXPECT_EQ(Show(starterOut + a.out), Show("OK\na1\na2\n"));
    EXPECT_EQ(b.status, 0) << Show(b.err);
    EXPECT_EQ(Show(b.out), Show("b1\nOK\nwaited=1500\nb2\n"));
    EXPECT_EQ(Starts(counter), 1);
    EXPECT_TRUE(box.WaitNoHost()) << "the host outlived its last client";
}

// Ctrl+C while the host starts up ends the start-up and the host it began,
// as an interrupted run.
struct StartCase {
    const char* name;
    QStringList args;
    const char* out;
    const char* err;
};

void PrintTo(const StartCase& c, std::ostream* os) {
    *os << c.name;
}

class CtrlCDuringStartUp : public ::testing::TestWithParam<StartCase> {};

TEST_P(CtrlCDuringStartUp, EndsItWithStatus1) {
    const StartCase& c = GetParam();
    Sandbox box;
    const QString pidFile = box.Root() + u"/pid"_s;
    const QString host = box.Root() + u"/mute-korva32"_s;
    {
        // Never opens its socket.
        QFile f(host);
        f.open(QIODevice::WriteOnly);
        f.write("#!/bin/sh\necho $$ > '" + pidFile.toUtf8() + "'\nexec sleep 60\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    box.WriteFile(u"notes.txt"_s, "one\n");
    box.WriteFile(u"a.tvx"_s, "#filetortf(notes.txt)\r\necho(never)\r\n");
    QProcess p;
    box.Start(p, QStringList(c.args) << u"--host"_s << host << u"a.tvx"_s);
    QElapsedTimer t;
    t.start();
    while (!QFile::exists(pidFile) && t.elapsed() < kHangGuardMs)
        QThread::msleep(10);
    QThread::msleep(100);
    QFile f(pidFile);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const pid_t pid = f.readAll().trimmed().toInt();
    ASSERT_GT(pid, 0);
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    RunOutcome r = Sandbox::Finish(p, kHangGuardMs);
    const bool hostLeft = Running(pid);
    if (hostLeft) ::kill(pid, SIGKILL);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(Show(r.out), Show(c.out));
    EXPECT_EQ(Show(r.err), Show(c.err));
    EXPECT_FALSE(hostLeft) << "the host whose start-up was ended is still running";
}

INSTANTIATE_TEST_SUITE_P(
    Runs, CtrlCDuringStartUp,
    ::testing::Values(StartCase{"at_start", {}, "", ""},
                      // A list-only run links on demand for #filetortf.
                      StartCase{"on_demand",
                                {u"--list"_s},
                                "#FileToRTF=notes.txt\nscript interrupted by user\n",
                                "Ending Script please wait.\nScript Done a.tvx\n"}),
    [](const ::testing::TestParamInfo<StartCase>& i) { return std::string(i.param.name); });

TEST(TalvexRunHost, ARelativeSocketPathIsTheSameFileForRunnerAndHost) {
    Sandbox box;
    box.WriteFile(u"a.tvx"_s, "echo(x)\r\n");
    QProcess p;
    QProcessEnvironment env = box.Environment();
    env.insert(u"KORVA_SOCKET"_s, u"../k"_s); // the sandbox's socket, seen from its working folder
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(box.Work());
    p.setProgram(QStringLiteral(TALVEX_RUN_BIN));
    p.setArguments({u"a.tvx"_s});
    p.start();
    const RunOutcome r = Sandbox::Finish(p, kHangGuardMs);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.status, 0) << Show(r.err);
    EXPECT_TRUE(r.out.startsWith("x\n")) << Show(r.out);
    EXPECT_TRUE(box.WaitNoHost());
}

} // namespace
} // namespace talvex::testing
