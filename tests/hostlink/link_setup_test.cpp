// Linking to the host: starting it, finding it running, failing to, closing.
#include "hostlink/host_process.h"
#include "tests/hostlink/korva_fixture.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

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

    // We started it, so Uninit tells it to exit, and returns once the host
    // has closed our connection.
    Link().Uninit(false);
    EXPECT_TRUE(Link().WaitForHostExit(5000));
    EXPECT_FALSE(Listening(socket_));
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

enum class Socket {
    Free,
    RegularFile,
    TooLong,
    OtherUsersHost,     // a host answers there, run by user 4242
    FolderOpenToOthers, // the private folder of the path is mode 0777
    FolderOfAnother,    // the private folder belongs to another user than ours (4242)
    FolderIsALink,      // the private folder is a symbolic link to one of ours
};

struct FailCase {
    const char* name;
    const char* script; // written to the scratch folder as "host"; "korva32": the real
                        // host; nullptr: no file
    unsigned mode;
    bool search; // search for the host instead of naming it
    Socket socket;
    LinkMessageIcon icon;
    const char* title;
    const char* text; // %1: the socket path; %2: the host file; %3: our user id;
                      // %4: the private folder
};

void PrintTo(const FailCase& c, std::ostream* os) {
    if (!c.script)
        *os << "no host file";
    else if (std::string(c.script) == "korva32")
        *os << "korva32";
    else
        *os << "host file mode 0" << std::oct << c.mode << std::dec;
    if (c.search) *os << ", searched for";
    *os << ": \"" << c.text << '"';
}

class InitFailTest : public KorvaTest, public ::testing::WithParamInterface<FailCase> {};

// Each failure keeps its text and adds one line saying why: the host's own
// message from its standard error, the socket error, or what was wrong with
// the file.
TEST_P(InitFailTest, TellsWhyAndReturnsFalse) {
    const FailCase& c = GetParam();
    QString host = dir_.File(QStringLiteral("host"));
    if (c.script && std::string(c.script) == "korva32")
        host = KorvaBinary();
    else if (c.script)
        WriteFile(host, c.script, c.mode);
    HostLink* link = MakeLink();
    if (c.search) link->SetHostSearch(HostSearch{});
    QString socket = socket_;
    if (c.socket == Socket::RegularFile) WriteFile(socket, "not a socket", 0600);
    if (c.socket == Socket::TooLong) socket = dir_.File(QString(110, QLatin1Char('k')));
    link->SetSocketPath(socket);
    PeerUserCheck check;
    if (c.socket == Socket::OtherUsersHost) {
        const qint64 other = StartKorva(socket);
        ASSERT_GT(other, 0);
        reaper_.Add(other);
        check.peerUserOf = [](int) { return std::optional<uid_t>(4242); };
    }
    const QString folder = dir_.File(QStringLiteral("private"));
    const QByteArray folderName = QFile::encodeName(folder);
    if (c.socket == Socket::FolderOpenToOthers || c.socket == Socket::FolderOfAnother) {
        ASSERT_EQ(::mkdir(folderName.constData(), 0700), 0);
        if (c.socket == Socket::FolderOpenToOthers) {
            ASSERT_EQ(::chmod(folderName.constData(), 0777), 0);
        }
        if (c.socket == Socket::FolderOfAnother) check.user = 4242;
    }
    if (c.socket == Socket::FolderIsALink) {
        ASSERT_EQ(::mkdir(QFile::encodeName(dir_.File(QStringLiteral("real"))).constData(), 0700),
                  0);
        ASSERT_EQ(::symlink("real", folderName.constData()), 0);
    }
    if (c.socket >= Socket::FolderOpenToOthers) {
        socket = folder + QStringLiteral("/KORVA");
        link->SetSocketPath(socket, folder);
    }
    link->SetPeerUserCheck(check);

    EXPECT_FALSE(link->Init(c.search ? QString() : host, true));
    EXPECT_FALSE(link->IsLinked());
    EXPECT_FALSE(link->StartedHost()) << "no host of ours is left running";
    QString text = QString::fromLatin1(c.text);
    text.replace(QStringLiteral("%1"), socket).replace(QStringLiteral("%2"), host);
    text.replace(QStringLiteral("%3"), QString::number(::geteuid()))
        .replace(QStringLiteral("%4"), folder);
    EXPECT_EQ(messages_, (std::vector<Message>{{c.icon, QString::fromLatin1(c.title), text}}));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, InitFailTest,
    ::testing::Values(
        FailCase{"nothing_found", nullptr, 0, true, Socket::Free, LinkMessageIcon::Exclamation, "",
                 "Could not find KORVA32\nno executable korva32 beside the program, in the usual "
                 "places or on PATH"},
        FailCase{"named_file_missing", nullptr, 0, false, Socket::Free, LinkMessageIcon::Critical,
                 "Error", "Could not run KORVA\n%2: No such file or directory"},
        FailCase{"not_executable", "#!/bin/sh\nexit 0\n", 0644, false, Socket::Free,
                 LinkMessageIcon::Critical, "Error", "Could not run KORVA\n%2: Permission denied"},
        FailCase{"exits_at_once", "#!/bin/sh\nexit 0\n", 0755, false, Socket::Free,
                 LinkMessageIcon::Critical, "Error",
                 "Could not initialize KORVA DDE link\nthe host ended without listening on %1"},
        FailCase{"says_why", "#!/bin/sh\necho >&2\necho '  no licence  ' >&2\necho more >&2\n",
                 0755, false, Socket::Free, LinkMessageIcon::Critical, "Error",
                 "Could not initialize KORVA DDE link\nno licence"},
        FailCase{"path_not_a_socket", "korva32", 0, false, Socket::RegularFile,
                 LinkMessageIcon::Critical, "Error",
                 "Could not initialize KORVA DDE link\nkorva32: exists and is not a socket: %1"},
        FailCase{"path_too_long", "korva32", 0, false, Socket::TooLong, LinkMessageIcon::Critical,
                 "Error",
                 "Could not initialize KORVA DDE link\nkorva32: socket path longer than 107 "
                 "bytes: %1"},
        // Only the user's own host may answer: whatever runs as another user
        // is refused before a word is sent, and no host of ours is started
        // in its place.
        FailCase{"host_of_another_user", "korva32", 0, false, Socket::OtherUsersHost,
                 LinkMessageIcon::Critical, "Error",
                 "Could not initialize KORVA DDE link\nthe host on %1 runs as user 4242, not as "
                 "user %3"},
        FailCase{"private_folder_open_to_others", "korva32", 0, false, Socket::FolderOpenToOthers,
                 LinkMessageIcon::Critical, "Error",
                 "Could not initialize KORVA DDE link\nothers may write to %4 (mode 0777)"},
        FailCase{"private_folder_of_another_user", "korva32", 0, false, Socket::FolderOfAnother,
                 LinkMessageIcon::Critical, "Error",
                 "Could not initialize KORVA DDE link\n%4 belongs to user %3, not to user 4242"},
        FailCase{"private_folder_a_link", "korva32", 0, false, Socket::FolderIsALink,
                 LinkMessageIcon::Critical, "Error",
                 "Could not initialize KORVA DDE link\n%4 is a symbolic link, not a folder"}),
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

// A wrapper that notes its process id, then takes its time before it becomes korva32.
QString SlowHost(const TempDir& dir, const QString& pidFile, int seconds) {
    const QString wrapper = dir.File(QStringLiteral("slow"));
    WriteFile(wrapper,
              "#!/bin/sh\necho $$ > '" + pidFile.toStdString() + "'\nsleep " +
                  std::to_string(seconds) + "\nexec '" + KorvaBinary().toStdString() + "' \"$@\"\n",
              0755);
    return wrapper;
}

qint64 PidIn(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll().trimmed().toLongLong() : 0;
}

TEST_F(SlowHostTest, TheWaitIsBoundedAndTheHostIsEnded) {
    const QString pidFile = dir_.File(QStringLiteral("pid"));
    Link().SetLinkTimeout(300);
    EXPECT_FALSE(Link().Init(SlowHost(dir_, pidFile, 5), true));
    EXPECT_EQ(messages_,
              (std::vector<Message>{{LinkMessageIcon::Critical, QStringLiteral("Error"),
                                     QStringLiteral("Could not initialize KORVA DDE link\n") +
                                         socket_ + QStringLiteral(": no such socket")}}));
    const qint64 pid = PidIn(pidFile);
    ASSERT_GT(pid, 0);
    reaper_.Add(pid);
    EXPECT_FALSE(ProcessAlive(pid)) << "the host that never came up is still running";
    EXPECT_FALSE(Link().StartedHost());
}

// CancelStart ends the wait for a starting host, and the host.
TEST_F(SlowHostTest, TheStartUpCanBeCancelled) {
    const QString pidFile = dir_.File(QStringLiteral("pid"));
    const QString wrapper = SlowHost(dir_, pidFile, 5);
    QTimer::singleShot(100, [&] { Link().CancelStart(); });
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(Link().Init(wrapper, true));
    EXPECT_LT(elapsed.elapsed(), 4000) << "the cancel did not end the wait";
    EXPECT_TRUE(messages_.empty()) << "a cancelled start-up is no failure to report";
    const qint64 pid = PidIn(pidFile);
    ASSERT_GT(pid, 0);
    reaper_.Add(pid);
    EXPECT_FALSE(ProcessAlive(pid));
    EXPECT_FALSE(Listening(socket_));

    // The next Init starts afresh.
    HostLink* next = MakeLink();
    ASSERT_TRUE(next->Init(KorvaBinary(), true));
    next->SendA("echo(after)");
    EXPECT_EQ(next->ReturnStr(), "after");
}

// A relative socket path is made absolute once, from the working folder, so
// the host and the link mean the same file.
TEST_F(SlowHostTest, ARelativeSocketPathMeansTheWorkingFolder) {
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir_.Path()));
    Link().SetSocketPath(QStringLiteral("./rel/../k"));
    const bool linked = Link().Init(KorvaBinary(), true);
    QDir::setCurrent(before);
    ASSERT_TRUE(linked) << (messages_.empty() ? "" : messages_.front().text.toStdString());
    EXPECT_EQ(Link().SocketPath(), dir_.File(QStringLiteral("k")));
    EXPECT_TRUE(Listening(dir_.File(QStringLiteral("k"))));
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

TEST_F(SocketAccessTest, ThePrivateFolderIsMadeForTheUserAloneAndKeptForTheNextLink) {
    const QString folder = dir_.File(QStringLiteral("private"));
    const QString socket = folder + QStringLiteral("/KORVA");
    for (const char* round : {"made", "found"}) {
        SCOPED_TRACE(round);
        HostLink* link = MakeLink();
        link->SetSocketPath(socket, folder);
        ASSERT_TRUE(link->Init(QString(), true));
        EXPECT_TRUE(link->StartedHost());
        struct stat info {};
        ASSERT_EQ(::lstat(QFile::encodeName(folder).constData(), &info), 0);
        EXPECT_TRUE(S_ISDIR(info.st_mode));
        EXPECT_EQ(info.st_mode & 07777, 0700u) << std::oct << (info.st_mode & 07777);
        EXPECT_TRUE(Listening(socket));
        link->Uninit(false);
        EXPECT_TRUE(link->WaitForHostExit(5000));
    }
    EXPECT_TRUE(messages_.empty());
}

} // namespace
} // namespace talvex::test
