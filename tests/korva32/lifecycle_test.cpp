// Starting, sharing and ending the host: socket ownership and permissions,
// Exit and the last client to leave, and the command line.
#include "tests/korva32/host_process.h"
#include "tests/korva32/test_client.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

using namespace Qt::StringLiterals;

namespace talvex::korva::test {
namespace {

using LifecycleTest = HostTest;

bool Exists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

TEST_F(LifecycleTest, SocketIsForTheUserOnly) {
    struct stat info {};
    ASSERT_EQ(::lstat(socketPath.c_str(), &info), 0);
    EXPECT_TRUE(S_ISSOCK(info.st_mode));
    EXPECT_EQ(info.st_mode & 077, 0u) << std::oct << (info.st_mode & 0777);
}

TEST_F(LifecycleTest, ExitEndsTheHostClosesEveryConnectionAndRemovesTheSocket) {
    TestClient closer;
    ASSERT_TRUE(closer.ConnectTo(socketPath));
    ASSERT_TRUE(closer.WriteMessage(TestClient::Execute(1, u"wait(60000)"_s)));
    ASSERT_TRUE(closer.WriteMessage(TestClient::Execute(2, u"Exit"_s)));
    int status = -2;
    ASSERT_TRUE(host.WaitForExit(&status));
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(Exists(socketPath));
}

// One run's Exit must not pull the host from under another run: the host
// closes only that client's connection and ends when the last client leaves.
TEST_F(LifecycleTest, ExitWhileOthersAreLinkedWaitsForTheLastOfThem) {
    TestClient starter;
    auto other = std::make_unique<TestClient>();
    ASSERT_TRUE(starter.ConnectTo(socketPath));
    ASSERT_TRUE(other->ConnectTo(socketPath));
    ASSERT_TRUE(other->WriteMessage(TestClient::Execute(1, u"wait(200)"_s)));
    ASSERT_TRUE(starter.WriteMessage(TestClient::Execute(1, u"Exit"_s)));
    ASSERT_TRUE(starter.Next().has_value()); // the null reply
    EXPECT_TRUE(starter.ClosedByHost());

    // The other client's pending command and later ones are still served.
    EXPECT_EQ(other->Next(), NullReply(1));
    EXPECT_EQ(other->Next(), Changed(u"DDE_AsyncResponse"_s, u"waited=200"_s));
    EXPECT_EQ(other->ExecuteAndRespond(2, u"echo(still here)"_s), u"still here"_s);
    EXPECT_TRUE(host.Running());
    EXPECT_TRUE(Exists(socketPath));

    other.reset(); // the last client leaves
    int status = -2;
    ASSERT_TRUE(host.WaitForExit(&status));
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(Exists(socketPath));
}

// An ending signal removes the socket file as Exit does.
TEST_F(LifecycleTest, EndingSignalsRemoveTheSocket) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        if (!host.Running()) {
            ASSERT_TRUE(StartHost(host));
        }
        TestClient client;
        ASSERT_TRUE(client.ConnectTo(socketPath));
        EXPECT_EQ(client.RequestData(1, u"echo(up)"_s), u"up"_s);
        ASSERT_EQ(::kill(host.Pid(), signal), 0);
        int status = -2;
        ASSERT_TRUE(host.WaitForExit(&status)) << signal;
        EXPECT_EQ(status, -1) << "ended by the signal " << signal;
        EXPECT_FALSE(Exists(socketPath)) << signal;
        EXPECT_TRUE(client.ClosedByHost()) << signal;
    }
}

TEST_F(LifecycleTest, ExitIsMatchedWithoutRegardToCaseAndByRequestToo) {
    const struct {
        bool execute;
        const char* command;
    } cases[] = {{true, " exit "}, {false, "EXIT"}};
    for (const auto& c : cases) {
        if (!host.Running()) {
            ASSERT_TRUE(StartHost(host));
        }
        TestClient client;
        ASSERT_TRUE(client.ConnectTo(socketPath));
        if (c.execute) {
            ASSERT_TRUE(client.WriteMessage(TestClient::Execute(1, QString::fromUtf8(c.command))));
        } else {
            EXPECT_EQ(client.RequestData(1, QString::fromUtf8(c.command)), u"OK"_s);
        }
        int status = -2;
        ASSERT_TRUE(host.WaitForExit(&status)) << c.command;
        EXPECT_EQ(status, 0) << c.command;
        EXPECT_FALSE(Exists(socketPath)) << c.command;
    }
}

TEST_F(LifecycleTest, SecondHostOnALivePathLeavesItAlone) {
    HostProcess second;
    ASSERT_TRUE(second.Start({"--socket", socketPath}, stdoutPath));
    int status = -2;
    ASSERT_TRUE(second.WaitForExit(&status));
    EXPECT_EQ(status, 2);
    TestClient client;
    ASSERT_TRUE(client.ConnectTo(socketPath));
    EXPECT_EQ(client.RequestData(1, u"echo(first host)"_s), u"first host"_s);
}

TEST_F(LifecycleTest, StaleSocketOfAKilledHostIsTakenOver) {
    host.Kill();
    ASSERT_TRUE(Exists(socketPath));
    ASSERT_TRUE(StartHost(host));
    TestClient client;
    ASSERT_TRUE(client.ConnectTo(socketPath));
    EXPECT_EQ(client.RequestData(1, u"echo(new host)"_s), u"new host"_s);
}

TEST_F(LifecycleTest, FileThatIsNotASocketIsNeverRemoved) {
    host.Kill();
    ASSERT_EQ(std::remove(socketPath.c_str()), 0);
    std::ofstream(socketPath) << "keep me";
    HostProcess blocked;
    ASSERT_TRUE(blocked.Start({"--socket", socketPath}, stdoutPath));
    int status = -2;
    ASSERT_TRUE(blocked.WaitForExit(&status));
    EXPECT_EQ(status, 2);
    EXPECT_EQ(ReadFile(socketPath), "keep me");
}

TEST_F(LifecycleTest, EnvironmentNamesTheSocketWhenNoOptionDoes) {
    const std::string viaEnvironment = folder + "/viaenv";
    ::setenv("KORVA_SOCKET", viaEnvironment.c_str(), 1);
    HostProcess other;
    const bool started = other.Start({"--visible"}, stdoutPath);
    ::unsetenv("KORVA_SOCKET");
    ASSERT_TRUE(started);
    ASSERT_TRUE(WaitForSocket(viaEnvironment));
    TestClient client;
    ASSERT_TRUE(client.ConnectTo(viaEnvironment));
    EXPECT_EQ(client.RequestData(1, u"echo(via environment)"_s), u"via environment"_s);
}

// Without KORVA_SOCKET and XDG_RUNTIME_DIR (ssh, cron, a container) the
// socket goes into a folder of the user's own in the temp folder, as the link
// looks for it; a folder another user could write to is never used.
TEST_F(LifecycleTest, TheDefaultSocketLiesInAFolderOfTheUsersOwn) {
    enum class Folder { Missing, OpenToOthers, ALink };
    const std::string temp = folder + "/tmp";
    const std::string own = temp + "/talvex-" + std::to_string(::geteuid());
    const std::string errPath = folder + "/stderr.txt";
    const struct {
        const char* name;
        Folder setup;
        int status; // -1: serves
        std::string error;
    } rows[] = {
        {"made when missing", Folder::Missing, -1, ""},
        {"open to others", Folder::OpenToOthers, 1,
         "korva32: others may write to " + own + " (mode 0777)\n"},
        {"a link", Folder::ALink, 1, "korva32: " + own + " is a symbolic link, not a folder\n"},
    };
    const std::string keptKorvaSocket =
        std::getenv("KORVA_SOCKET") ? std::getenv("KORVA_SOCKET") : "";
    const char* keptRuntime = std::getenv("XDG_RUNTIME_DIR");
    const std::string runtime = keptRuntime ? keptRuntime : "";
    const char* keptTemp = std::getenv("TMPDIR");
    const std::string tempDir = keptTemp ? keptTemp : "";
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::filesystem::remove_all(temp);
        ASSERT_TRUE(std::filesystem::create_directory(temp));
        if (row.setup == Folder::OpenToOthers) {
            ASSERT_EQ(::mkdir(own.c_str(), 0700), 0);
            ASSERT_EQ(::chmod(own.c_str(), 0777), 0);
        }
        if (row.setup == Folder::ALink) {
            ASSERT_EQ(::mkdir((temp + "/elsewhere").c_str(), 0700), 0);
            ASSERT_EQ(::symlink("elsewhere", own.c_str()), 0);
        }
        ::unsetenv("KORVA_SOCKET");
        ::unsetenv("XDG_RUNTIME_DIR");
        ::setenv("TMPDIR", temp.c_str(), 1);
        HostProcess other;
        const bool started = other.Start({}, stdoutPath, errPath);
        if (keptTemp)
            ::setenv("TMPDIR", tempDir.c_str(), 1);
        else
            ::unsetenv("TMPDIR");
        if (keptRuntime) ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
        if (!keptKorvaSocket.empty()) ::setenv("KORVA_SOCKET", keptKorvaSocket.c_str(), 1);
        ASSERT_TRUE(started);
        if (row.status == -1) {
            ASSERT_TRUE(WaitForSocket(own + "/KORVA"));
            struct stat info {};
            ASSERT_EQ(::lstat(own.c_str(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, 0700u) << std::oct << (info.st_mode & 07777);
            TestClient client;
            ASSERT_TRUE(client.ConnectTo(own + "/KORVA"));
            EXPECT_EQ(client.RequestData(1, u"echo(private)"_s), u"private"_s);
        } else {
            int status = -2;
            ASSERT_TRUE(other.WaitForExit(&status));
            EXPECT_EQ(status, row.status);
            EXPECT_EQ(ReadFile(errPath), row.error);
        }
    }
}

TEST_F(LifecycleTest, CommandLineHelpAndMisuse) {
    const struct {
        std::vector<std::string> args;
        int status;
    } cases[] = {
        {{"--help"}, 0},
        {{"--bogus"}, 64},
        {{"--socket", socketPath, "extra"}, 64},
        {{"--socket", folder + "/no/such/folder/KORVA"}, 1},
        {{"--socket", folder + "/" + std::string(120, 'k')}, 1},
    };
    for (const auto& c : cases) {
        HostProcess process;
        ASSERT_TRUE(process.Start(c.args, stdoutPath));
        int status = -2;
        ASSERT_TRUE(process.WaitForExit(&status)) << c.args.front();
        EXPECT_EQ(status, c.status) << c.args.back();
    }
    EXPECT_NE(ReadFile(stdoutPath).find("--socket"), std::string::npos);
}

} // namespace
} // namespace talvex::korva::test
