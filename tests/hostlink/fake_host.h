// A scripted stand-in for the host, for what korva32 never does: split and
// merged frames, malformed lines, unknown methods, oversized lines. It
// listens on a plain AF_UNIX socket and runs its script on its own thread
// with blocking calls, while the link under test runs the Qt event loop.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace talvex::test {

class FakeConnection {
public:
    explicit FakeConnection(int fd) : fd_(fd) {}
    // The client's next line (without "\n"); "" when it closed or went quiet.
    std::string ReadLine();
    // The next line of the given method ("execute", "request", ...), skipping
    // others; an "advise" passed over is acknowledged as a host does.
    std::string ReadCall(const std::string& method);
    void Write(const std::string& bytes);
    void Pause(int ms);

private:
    int fd_;
    std::string pending_;
};

// The id of a JSON-RPC line, or -1.
std::int64_t IdOf(const std::string& line);
// Lines as the host writes them, "\n" included.
std::string ResultNull(std::int64_t id);
std::string ResultData(std::int64_t id, const std::string& jsonString);
std::string Changed(const std::string& topic, const std::string& jsonString);

class FakeHost {
public:
    explicit FakeHost(const std::string& socketPath);
    ~FakeHost();
    bool Ok() const { return listenFd_ >= 0; }
    // Accepts one client and runs script on it, on the fake's thread.
    void Run(std::function<void(FakeConnection&)> script);
    // Waits for the script to end.
    void Join();

private:
    int listenFd_ = -1;
    std::string path_;
    std::thread thread_;
};

} // namespace talvex::test
