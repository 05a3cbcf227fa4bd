// Process handling for the host tests: posix_spawn so the pid is ours to kill.
#include "tests/korva32/host_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace talvex::korva::test {

namespace {
// Upper bound for things that normally take milliseconds; only a guard
// against hanging, never something a test measures.
constexpr auto kGuard = std::chrono::seconds(10);
} // namespace

bool HostProcess::Start(const std::vector<std::string>& args, const std::string& stdoutFile,
                        const std::string& stderrFile) {
    std::vector<std::string> argv{KORVA32_BINARY};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> raw;
    for (std::string& arg : argv)
        raw.push_back(arg.data());
    raw.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, stdoutFile.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0600);
    if (!stderrFile.empty())
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, stderrFile.c_str(),
                                         O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int rc = posix_spawn(&pid_, raw[0], &actions, nullptr, raw.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) pid_ = -1;
    return rc == 0;
}

bool HostProcess::WaitForExit(int* status) {
    if (pid_ <= 0) return false;
    const auto deadline = std::chrono::steady_clock::now() + kGuard;
    while (std::chrono::steady_clock::now() < deadline) {
        int raw = 0;
        const pid_t done = ::waitpid(pid_, &raw, WNOHANG);
        if (done == pid_) {
            pid_ = -1;
            *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
            return true;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

bool HostProcess::Running() {
    if (pid_ <= 0) return false;
    int raw = 0;
    if (::waitpid(pid_, &raw, WNOHANG) == pid_) {
        pid_ = -1;
        return false;
    }
    return true;
}

void HostProcess::Kill() {
    if (pid_ <= 0) return;
    ::kill(pid_, SIGKILL);
    int raw = 0;
    ::waitpid(pid_, &raw, 0);
    pid_ = -1;
}

bool WaitForSocket(const std::string& path) {
    const auto deadline = std::chrono::steady_clock::now() + kGuard;
    while (std::chrono::steady_clock::now() < deadline) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, path.c_str(), sizeof(address.sun_path) - 1);
        const bool up =
            ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
        ::close(fd);
        if (up) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

long ResidentKiB(pid_t pid, const char* field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    const std::string name(field);
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(name, 0) == 0) return std::strtol(line.c_str() + name.size(), nullptr, 10);
    }
    return -1;
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void HostTest::SetUp() {
    char pattern[] = "/tmp/tvx-XXXXXX";
    ASSERT_NE(::mkdtemp(pattern), nullptr);
    folder = pattern;
    socketPath = folder + "/KORVA";
    stdoutPath = folder + "/stdout.txt";
    ASSERT_TRUE(StartHost(host));
}

void HostTest::TearDown() {
    host.Kill();
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

bool HostTest::StartHost(HostProcess& process, const std::vector<std::string>& extraArgs) {
    std::vector<std::string> args{"--socket", socketPath};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    return process.Start(args, stdoutPath) && WaitForSocket(socketPath);
}

} // namespace talvex::korva::test
