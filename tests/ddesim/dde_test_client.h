// A DDEML client for the simulator's tests, made as the host link makes its
// conversations: Unicode instance, CF_TEXT data, hot links on the response
// and dynamic topics. Each client has a thread of its own, so two clients
// are two clients to the host, and its hot-link data arrives while the test
// waits.
#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace talvex::ddesim::test {

class DdeTestClient {
public:
    DdeTestClient();
    ~DdeTestClient();
    DdeTestClient(const DdeTestClient&) = delete;
    DdeTestClient& operator=(const DdeTestClient&) = delete;

    // The three conversations and both hot links; retried until the service
    // is offered or `patience` has passed.
    bool Connect(const std::wstring& service, std::chrono::milliseconds patience);

    // A request's reply as CF_TEXT bytes; nullopt when the request failed.
    std::optional<std::string> Request(const std::wstring& command);
    // True when the host acknowledged the execute.
    bool Execute(const std::wstring& command);

    // The next text pushed on DDE_AsyncResponse or DDE_DynamicData (CF_TEXT
    // bytes), or nullopt when none came within `patience`.
    std::optional<std::string> NextResponse(std::chrono::milliseconds patience);
    std::optional<std::string> NextDynamic(std::chrono::milliseconds patience);

    // True once the host has ended every conversation of this client.
    bool WaitForDisconnect(std::chrono::milliseconds patience);

private:
    struct State;
    void RunOnThread(std::function<void()> job);
    void ThreadMain();

    State* state_;
    std::thread thread_;
};

} // namespace talvex::ddesim::test
