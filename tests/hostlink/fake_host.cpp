// Scripted fake host.
#include "tests/hostlink/fake_host.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

namespace talvex::test {

std::string FakeConnection::ReadLine() {
    for (;;) {
        const auto nl = pending_.find('\n');
        if (nl != std::string::npos) {
            std::string line = pending_.substr(0, nl);
            pending_.erase(0, nl + 1);
            return line;
        }
        char buf[65536];
        const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
        if (n <= 0) return std::string();
        pending_.append(buf, std::size_t(n));
    }
}

std::string FakeConnection::ReadCall(const std::string& method) {
    const std::string key = "\"method\":\"" + method + "\"";
    for (;;) {
        std::string line = ReadLine();
        if (line.empty() || line.find(key) != std::string::npos) return line;
        // The link's set-up waits for its hot links to be acknowledged.
        if (line.find("\"method\":\"advise\"") != std::string::npos) Write(ResultNull(IdOf(line)));
    }
}

void FakeConnection::Write(const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::send(fd_, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += std::size_t(n);
    }
}

void FakeConnection::Pause(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::int64_t IdOf(const std::string& line) {
    const auto p = line.find("\"id\":");
    if (p == std::string::npos) return -1;
    return std::strtoll(line.c_str() + p + 5, nullptr, 10);
}

std::string ResultNull(std::int64_t id) {
    return "{\"jsonrpc\":\"2.0\",\"id\":" + std::to_string(id) + ",\"result\":null}\n";
}

std::string ResultData(std::int64_t id, const std::string& jsonString) {
    return "{\"jsonrpc\":\"2.0\",\"id\":" + std::to_string(id) +
           ",\"result\":{\"data\":" + jsonString + "}}\n";
}

std::string Changed(const std::string& topic, const std::string& jsonString) {
    return "{\"jsonrpc\":\"2.0\",\"method\":\"changed\",\"params\":{\"topic\":\"" + topic +
           "\",\"item\":\"Data\",\"data\":" + jsonString + "}}\n";
}

FakeHost::FakeHost(const std::string& socketPath) : path_(socketPath) {
    listenFd_ = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, socketPath.c_str(), sizeof addr.sun_path - 1);
    ::unlink(socketPath.c_str());
    if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        ::listen(listenFd_, 4) != 0) {
        ::close(listenFd_);
        listenFd_ = -1;
    }
}

FakeHost::~FakeHost() {
    if (listenFd_ >= 0) ::shutdown(listenFd_, SHUT_RDWR);
    Join();
    if (listenFd_ >= 0) ::close(listenFd_);
    ::unlink(path_.c_str());
}

void FakeHost::Run(std::function<void(FakeConnection&)> script) {
    thread_ = std::thread([this, script = std::move(script)] {
        const int fd = ::accept(listenFd_, nullptr, nullptr);
        if (fd < 0) return;
        // A test that goes wrong must not leave this thread blocked for ever.
        timeval tv{5, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &tv, sizeof tv);
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &tv, sizeof tv);
        FakeConnection conn(fd);
        script(conn);
        ::close(fd);
    });
}

void FakeHost::Join() {
    if (thread_.joinable()) thread_.join();
}

} // namespace talvex::test
