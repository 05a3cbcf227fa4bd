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
    const QString path = box.Root() + "/counting-korva32";
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
    QFile stat(QString("/proc/%1/stat").arg(pid));
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
    const RunOutcome version = box.Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_TRUE(version.out.startsWith("talvex-run ")) << Show(version.out);
    const RunOutcome help = box.Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith("usage: talvex-run")) << Show(help.out);
    // Where an unasked-for log goes, what --whole does to --list, every status.
    for (const char* told :
         {"--list", "TALVEX_LOG_FOLDER", "$XDG_DATA_HOME/Talvex",
          "with --list too,\n               the script is sent whole",
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
        {{"--frobnicate", "a.tvx"}, "talvex-run: unknown option --frobnicate"},
        {{"--log"}, "talvex-run: --log needs a value"},
        {{"a.tvx", "--host"}, "talvex-run: --host needs a value"},
        // An option's value may not be left empty.
        {{"--log=", "a.tvx"}, "talvex-run: --log needs a value"},
        {{"--host=", "a.tvx"}, "talvex-run: --host needs a value"},
        {{"--log", "", "a.tvx"}, "talvex-run: --log needs a value"},
        // One script, wherever the others stand: none of them is run.
        {{"a.tvx", "b.tvx"}, "talvex-run: only one SCRIPT may be given"},
        {{"a.tvx", "--", "b.tvx"}, "talvex-run: only one SCRIPT may be given"},
        {{"a.tvx", "--", "b.tvx", "c.tvx"}, "talvex-run: only one SCRIPT may be given"},
        {{"--", "a.tvx", "b.tvx"}, "talvex-run: only one SCRIPT may be given"},
        {{"--", ""}, "talvex-run: SCRIPT may not be empty"},
        // A log that is the script, under any name, would empty the script.
        {{"--log", "a.tvx", "a.tvx"}, "talvex-run: --log a.tvx is SCRIPT itself"},
        {{"--log=./a.tvx", "a.tvx"}, "talvex-run: --log ./a.tvx is SCRIPT itself"},
        {{"--log", "hard.tvx", "a.tvx"}, "talvex-run: --log hard.tvx is SCRIPT itself"},
        {{"--list", "--log", "soft.tvx", "a.tvx"}, "talvex-run: --log soft.tvx is SCRIPT itself"},
    };
    Sandbox box;
    const QByteArray script = "echo(x)\r\n";
    box.WriteFile("a.tvx", script);
    box.WriteFile("b.tvx", "echo(y)\r\n");
    const QString a = box.Work() + "/a.tvx";
    ASSERT_EQ(::link(qPrintable(a), qPrintable(box.Work() + "/hard.tvx")), 0);
    ASSERT_TRUE(QFile::link("a.tvx", box.Work() + "/soft.tvx"));
    const QStringList files = Sandbox::FilesBelow(box.Work());
    for (const UsageCase& u : usages) {
        const std::string args = u.args.join(' ').toStdString();
        const RunOutcome r = box.Run(u.args);
        EXPECT_EQ(r.status, 64) << args;
        EXPECT_TRUE(r.out.isEmpty()) << args;
        EXPECT_TRUE(r.err.startsWith(u.line)) << args << "\n" << Show(r.err);
        EXPECT_TRUE(r.err.contains("\nusage: talvex-run") || u.args.isEmpty()) << args;
        EXPECT_EQ(box.ReadFile("a.tvx"), script) << args;
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
    box.WriteFile("a.tvx", "echo(x)\r\n");
    QDir(box.Work()).mkdir("folder");
    QDir(box.Work()).mkdir("locked");
    QFile::setPermissions(box.Work() + "/locked", QFile::ReadOwner | QFile::ExeOwner);
    QString log = c.log;
    if (log.startsWith("locked/") && ::geteuid() == 0) {
        // Permissions do not stop root; a file system that refuses new files does.
        if (!QFileInfo::exists("/sys/kernel")) GTEST_SKIP() << "no read-only place for root";
        log = "/sys/talvex-run.log";
    }
    const QStringList files = Sandbox::FilesBelow(box.Work());
    const QString counter = box.Root() + "/starts";
    const RunOutcome r = box.Run({"--log", log, "--host", CountingHost(box, counter), "a.tvx"});
    QFile::setPermissions(box.Work() + "/locked",
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    EXPECT_EQ(r.status, 73);
    EXPECT_TRUE(r.out.isEmpty()) << Show(r.out);
    if (c.reason && log == c.log)
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
    QDir(box.Work()).mkdir("folder.tvx");
    const QString counter = box.Root() + "/starts";
    const QString host = CountingHost(box, counter);
    for (const QString& script : {QString("missing.tvx"), QString("folder.tvx")}) {
        const RunOutcome r = box.Run({"--log", "run.log", "--host", host, script});
        EXPECT_EQ(r.status, 66) << script.toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.contains(script.toUtf8())) << Show(r.err);
    }
    EXPECT_EQ(Sandbox::FilesBelow(box.Work()), QStringList()) << "no script, no log created";
    EXPECT_TRUE(Sandbox::FilesBelow(box.DefaultLogFolder()).isEmpty());
    EXPECT_EQ(Starts(counter), 0) << "no host started";
}

TEST(TalvexRunOptions, ListStartsNoHostForAScriptWithoutHostDirectives) {
    Sandbox box;
    box.WriteFile("plain.tvx", "echo(x)\r\n#setvars(a=1)\r\n");
    const QString counter = box.Root() + "/starts";
    const QString host = CountingHost(box, counter);

    const RunOutcome listed = box.Run({"--list", "--host", host, "plain.tvx"});
    EXPECT_EQ(listed.status, 0);
    EXPECT_EQ(Show(listed.out), Show("echo(x)\n#setvars(a=1)\n"));
    EXPECT_EQ(Starts(counter), 0);
    EXPECT_FALSE(QFile::exists(box.Socket()));

    // The same script run for real does start it, so the count above means something.
    const RunOutcome sent = box.Run({"--host", host, "plain.tvx"});
    EXPECT_EQ(sent.status, 0);
    EXPECT_EQ(Show(sent.out), Show("x\n"));
    EXPECT_EQ(Starts(counter), 1);
    EXPECT_TRUE(box.WaitNoHost());
}

TEST(TalvexRunOptions, ListLinksTheHostOnDemandForAFileSentToIt) {
    Sandbox box;
    box.WriteFile("notes.txt", "one\ntwo\n");
    box.WriteFile("rtf.tvx", "#filetortf(notes.txt)\r\n");
    const QString counter = box.Root() + "/starts";
    const RunOutcome r = box.Run({"--list", "--host", CountingHost(box, counter), "rtf.tvx"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(Show(r.out), Show("#FileToRTF=notes.txt\n"));
    EXPECT_EQ(Starts(counter), 1);
    EXPECT_TRUE(box.WaitNoHost()) << "the host started on demand is ended too";
}

// The reason a file is not sent reaches the pane even when no host is there to
// take it; the run then stops as any run without a host does.
TEST(TalvexRunOptions, ListWithoutAHostStillShowsWhyAFileIsNotSent) {
    Sandbox box;
    box.WriteFile("big.txt", QByteArray(100001, 'a'));
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"missing.txt", "Unable to locate file <missing.txt>, or file is empty."},
        {"big.txt", "File <big.txt> is too large to send to RTF. (100001>100000)"},
    };
    for (const auto& [file, message] : cases) {
        box.WriteFile("rtf.tvx", "#filetortf(" + file + ")\r\necho(never)\r\n");
        const RunOutcome r =
            box.Run({"--list", "--host", box.Root() + "/no-such-korva32", "rtf.tvx"});
        EXPECT_EQ(r.status, 3) << file.constData();
        const QByteArray shown = "#FileToRTF=" + file + "\n" + message + "\nscript error";
        EXPECT_TRUE(r.out.startsWith(shown) && !r.out.contains("never")) << Show(r.out);
        EXPECT_TRUE(r.err.contains("Could not find KORVA32")) << Show(r.err);
    }
}

TEST(TalvexRunOptions, MissingHostExits3) {
    Sandbox box;
    box.WriteFile("a.tvx", "echo(x)\r\n");
    const RunOutcome r = box.Run({"--host", box.Root() + "/no-such-korva32", "a.tvx"});
    EXPECT_EQ(r.status, 3);
    EXPECT_TRUE(r.err.contains("Could not find KORVA32")) << Show(r.err);
    EXPECT_TRUE(r.out.isEmpty()) << Show(r.out);
}

TEST(TalvexRunFiles, StoredFormatAndWindows1252ScriptsRun) {
    Sandbox box;
    const QByteArray text = "echo(caf\xe9 \x80)\r\n"; // Windows-1252: e acute, euro sign
    const QByteArray stored = QByteArray::fromStdString(StoredFormat(text.toStdString()));
    box.WriteFile("stored.tvx", stored);
    box.WriteFile("plain1252.tvx", text);
    for (const char* script : {"stored.tvx", "plain1252.tvx"}) {
        const RunOutcome r = box.Run({script});
        EXPECT_EQ(r.status, 0) << script;
        EXPECT_EQ(Show(r.out), Show("caf\xc3\xa9 \xe2\x82\xac\n")) << script;
    }
    EXPECT_EQ(box.ReadFile("stored.tvx"), stored) << "a sound header is left alone";
    EXPECT_EQ(box.ReadFile("plain1252.tvx"), text) << "a plain-text script is never written";
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
    box.WriteFile("long.tvx",
                  QByteArray("echo(start)\r\n") + GetParam().command + "\r\necho(never)\r\n");
    QProcess p;
    box.Start(p, {"--log", "run.log", "long.tvx"});
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
    EXPECT_EQ(Show(box.ReadFile("run.log")),
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
    box.WriteFile("frozen.tvx", "echo(before)\r\nwait(5000)\r\necho(after)\r\n");
    QProcess p;
    box.Start(p, {"--log", "run.log", "frozen.tvx"});
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
    EXPECT_EQ(Show(box.ReadFile("run.log")),
              Show("before\r\nError: link to KORVA dropped\r\nscript interrupted by user\r\n"));
    EXPECT_EQ(box.HostPids(), hosts) << "the frozen host is left alone";

    // It still holds the socket; a new run's set-up gives up on it.
    const RunOutcome again = box.Run({"frozen.tvx"}, 15000 + kHangGuardMs);
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
    box.WriteFile("long.tvx", "echo(one)\r\necho(two)\r\nwait(60000)\r\necho(never)\r\n");
    QProcess p;
    box.Start(p, {"--log", "run.log", "long.tvx"});
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
    EXPECT_EQ(Show(box.ReadFile("run.log")), Show("one\r\ntwo\r\n"));
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
    const QString counter = box.Root() + "/starts";
    box.WriteFile("long.tvx", c.script);
    QProcess p;
    box.Start(p, QStringList(c.args) << "--host" << CountingHost(box, counter) << "long.tvx");
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
    QFile cmdline(QString("/proc/%1/cmdline").arg(hosts.front()));
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
                 {"--whole"},
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
    const QString counter = box.Root() + "/starts";
    const QString host = CountingHost(box, counter);
    // The starter waits until the other run has linked and said so.
    box.WriteFile("starter.tvx", "set(joined=0)\r\necho(a1)\r\n#setvars(joined=0)\r\n"
                                 "#while(joined<1)\r\n#responsehold\r\n%get(joined)\r\n"
                                 "#responseresume\r\n#wend\r\necho(a2)\r\n");
    box.WriteFile("joiner.tvx", "echo(b1)\r\nset(joined=1)\r\nwait(1500)\r\necho(b2)\r\n");
    QProcess starter;
    box.Start(starter, {"--host", host, "starter.tvx"});
    QByteArray starterOut;
    ASSERT_TRUE(WaitForOutput(starter, starterOut, "a1\n"));
    QProcess joiner;
    box.Start(joiner, {"--host", host, "joiner.tvx"});

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
    const QString pidFile = box.Root() + "/pid";
    const QString host = box.Root() + "/mute-korva32";
    {
        // Never opens its socket.
        QFile f(host);
        f.open(QIODevice::WriteOnly);
        f.write("#!/bin/sh\necho $$ > '" + pidFile.toUtf8() + "'\nexec sleep 60\n");
        f.close();
        f.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    box.WriteFile("notes.txt", "one\n");
    box.WriteFile("a.tvx", "#filetortf(notes.txt)\r\necho(never)\r\n");
    QProcess p;
    box.Start(p, QStringList(c.args) << "--host" << host << "a.tvx");
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
                                {"--list"},
                                "#FileToRTF=notes.txt\nscript interrupted by user\n",
                                "Ending Script please wait.\nScript Done a.tvx\n"}),
    [](const ::testing::TestParamInfo<StartCase>& i) { return std::string(i.param.name); });

TEST(TalvexRunHost, ARelativeSocketPathIsTheSameFileForRunnerAndHost) {
    Sandbox box;
    box.WriteFile("a.tvx", "echo(x)\r\n");
    QProcess p;
    QProcessEnvironment env = box.Environment();
    env.insert("KORVA_SOCKET", "../k"); // the sandbox's socket, seen from its working folder
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(box.Work());
    p.setProgram(TALVEX_RUN_BIN);
    p.setArguments({"a.tvx"});
    p.start();
    const RunOutcome r = Sandbox::Finish(p, kHangGuardMs);
    ASSERT_TRUE(r.finished);
    EXPECT_EQ(r.status, 0) << Show(r.err);
    EXPECT_TRUE(r.out.startsWith("x\n")) << Show(r.out);
    EXPECT_TRUE(box.WaitNoHost());
}

} // namespace
} // namespace talvex::testing
