// Linking to the host: starting it, finding it running, failing to, closing.
#include "hostlink/host_process.h"
#include "tests/hostlink/korva_fixture.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <grp.h>
#include <ostream>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace talvex::test {
namespace {

// Field 6 of /proc/PID/stat: the session id.
long SessionOf(qint64 pid) {
    QFile f(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray text = f.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.size() > 3 ? fields.at(3).toLong() : -1;
}

using InitStartTest = KorvaTest;

TEST_F(InitStartTest, StartsAHiddenHostAndMinimizesIt) {
    ASSERT_TRUE(Link().Init(QString(), false));
    EXPECT_TRUE(Link().StartedHost());
    EXPECT_EQ(Link().HostDir(), binDir_ + QStringLiteral("/"));
    EXPECT_GT(Link().HostPid(), 0);
    EXPECT_EQ(Link().SendBox(), "Windows(MAIN,MINIMIZED)");
    EXPECT_EQ(Link().ReturnStr(), "OK");
    EXPECT_TRUE(messages_.empty());

    // Out of reach of the user's Ctrl+C, and none of its output in ours.
    EXPECT_NE(SessionOf(Link().HostPid()), long(::getsid(0)));
    EXPECT_EQ(QFile::symLinkTarget(QStringLiteral("/proc/%1/fd/1").arg(Link().HostPid())),
              QStringLiteral("/dev/null"));

    // We started it, so Uninit tells it to exit.
    Link().Uninit(false);
    EXPECT_TRUE(Link().WaitForHostExit(5000));
    EXPECT_FALSE(Listening(socket_));
}

TEST_F(InitStartTest, AVisibleHostIsNotMinimized) {
    ASSERT_TRUE(Link().Init(QString(), true));
    EXPECT_TRUE(Link().StartedHost());
    EXPECT_EQ(Link().SendBox(), "");
    EXPECT_EQ(Link().ReturnStr(), "");
}

TEST_F(InitStartTest, ACallerGivenPathLeavesHostDirEmpty) {
    ASSERT_TRUE(Link().Init(KorvaBinary(), true));
    EXPECT_TRUE(Link().StartedHost());
    EXPECT_EQ(Link().HostDir(), QString());
}

TEST_F(InitStartTest, HostAlreadyRunningIsUsedAndLeftRunning) {
    for (const bool closeKorva : {false, true}) {
        SCOPED_TRACE(closeKorva);
        const qint64 host = StartKorva(socket_);
        ASSERT_GT(host, 0);
        reaper_.Add(host);

        HostLink* link = MakeLink();
        ASSERT_TRUE(link->Init(QString(), true));
        EXPECT_FALSE(link->StartedHost());
        EXPECT_EQ(link->HostPid(), 0);
        link->SendA("echo(same host)");
        EXPECT_EQ(link->ReturnStr(), "same host");

        // Exit only when asked to close it.
        link->Uninit(closeKorva);
        if (closeKorva) {
            EXPECT_TRUE(WaitUntil([&] { return !ProcessAlive(host); }));
        } else {
            EXPECT_TRUE(ProcessAlive(host));
            EXPECT_TRUE(Listening(socket_));
            KillProcess(host);
        }
    }
}

TEST_F(InitStartTest, SecondInitWhileLinkedChangesNothing) {
    ASSERT_TRUE(Link().Init(QString(), true));
    Link().SendA("echo(kept)");
    const qint64 pid = Link().HostPid();

    EXPECT_TRUE(Link().Init(QString(), false)); // would minimize if it linked again
    EXPECT_EQ(Link().SendBox(), "echo(kept)");
    EXPECT_EQ(Link().ReturnStr(), "kept");
    EXPECT_EQ(Link().HostPid(), pid);
    EXPECT_TRUE(messages_.empty());
}

struct FailCase {
    const char* name;
    const char* script; // written to the scratch folder as "host"; nullptr: no file
    unsigned mode;
    bool search; // search for the host instead of naming it
    LinkMessageIcon icon;
    const char* title;
    const char* text;
};

void PrintTo(const FailCase& c, std::ostream* os) {
    if (c.script)
        *os << "host file mode 0" << std::oct << c.mode << std::dec;
    else
        *os << "no host file";
    if (c.search) *os << ", searched for";
    *os << ": \"" << c.text << '"';
}

class InitFailTest : public KorvaTest, public ::testing::WithParamInterface<FailCase> {};

TEST_P(InitFailTest, TellsWhyAndReturnsFalse) {
    const FailCase& c = GetParam();
    const QString host = dir_.File(QStringLiteral("host"));
    if (c.script) WriteFile(host, c.script, c.mode);
    HostLink* link = MakeLink();
    if (c.search) link->SetHostSearch(HostSearch{});

    EXPECT_FALSE(link->Init(c.search ? QString() : host, true));
    EXPECT_FALSE(link->IsLinked());
    EXPECT_EQ(messages_, (std::vector<Message>{
                             {c.icon, QString::fromLatin1(c.title), QString::fromLatin1(c.text)}}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InitFailTest,
    ::testing::Values(FailCase{"nothing_found", nullptr, 0, true, LinkMessageIcon::Exclamation, "",
                               "Could not find KORVA32"},
                      FailCase{"named_file_missing", nullptr, 0, false, LinkMessageIcon::Critical,
                               "Error", "Could not run KORVA"},
                      FailCase{"not_executable", "#!/bin/sh\nexit 0\n", 0644, false,
                               LinkMessageIcon::Critical, "Error", "Could not run KORVA"},
                      FailCase{"exits_at_once", "#!/bin/sh\nexit 0\n", 0755, false,
                               LinkMessageIcon::Critical, "Error",
                               "Could not initialize KORVA DDE link"}),
    [](const auto& info) { return std::string(info.param.name); });

using SlowHostTest = KorvaTest;

TEST_F(SlowHostTest, AHostThatListensLateStillLinks) {
    const QString wrapper = dir_.File(QStringLiteral("slow"));
    WriteFile(wrapper, "#!/bin/sh\nsleep 1\nexec '" + KorvaBinary().toStdString() + "' \"$@\"\n",
              0755);
    ASSERT_TRUE(Link().Init(wrapper, true));
    Link().SendA("echo(late but linked)");
    EXPECT_EQ(Link().ReturnStr(), "late but linked");
    EXPECT_TRUE(messages_.empty());
}

TEST_F(SlowHostTest, TheWaitIsBounded) {
    const QString wrapper = dir_.File(QStringLiteral("slow"));
    WriteFile(wrapper, "#!/bin/sh\nsleep 5\nexec '" + KorvaBinary().toStdString() + "' \"$@\"\n",
              0755);
    Link().SetLinkTimeout(300);
    EXPECT_FALSE(Link().Init(wrapper, true));
    EXPECT_EQ(messages_,
              (std::vector<Message>{{LinkMessageIcon::Critical, QStringLiteral("Error"),
                                     QStringLiteral("Could not initialize KORVA DDE link")}}));
}

// Tries to connect to path from a child process, as uid/gid 65534 when
// dropPrivileges. 0: connected; 1: permission denied; 2: other failure;
// 3: could not change user.
int ChildConnects(const QString& path, bool dropPrivileges) {
    const QByteArray p = QFile::encodeName(path);
    const pid_t child = ::fork();
    if (child == 0) {
        if (dropPrivileges &&
            (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::memcpy(addr.sun_path, p.constData(), std::size_t(p.size()));
        const int rc = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
        ::_exit(rc == 0 ? 0 : errno == EACCES ? 1 : 2);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

using SocketAccessTest = KorvaTest;

TEST_F(SocketAccessTest, OtherUsersCannotConnect) {
    if (::getuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    // The folder is open to everyone; only the socket's own mode keeps others out.
    ASSERT_EQ(::chmod(QFile::encodeName(dir_.Path()).constData(), 0755), 0);
    ASSERT_TRUE(Link().Init(QString(), true));
    EXPECT_EQ(ChildConnects(socket_, false), 0);
    EXPECT_EQ(ChildConnects(socket_, true), 1);
}

} // namespace
} // namespace talvex::test
