// The host probe: a client-only DDEML instance on a thread of its own.
#include "ddelink/host_probe.h"

#include "ddelink/win32.h"

#include <atomic>
#include <memory>

namespace talvex {

namespace {

// Shared by the waiting caller and the probe's thread, which may outlive
// the wait.
struct ProbeState {
    std::wstring service, topic;
    std::atomic<int> outcome{-1}; // a HostProbe once done
};

HDDEDATA CALLBACK IgnoreAll(UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) {
    return nullptr;
}

DWORD WINAPI ProbeMain(void* param) {
    const std::unique_ptr<std::shared_ptr<ProbeState>> owned(
        static_cast<std::shared_ptr<ProbeState>*>(param));
    ProbeState& state = **owned;
    DWORD inst = 0;
    if (DdeInitializeW(&inst, IgnoreAll, APPCMD_CLIENTONLY, 0) != DMLERR_NO_ERROR) {
        // No way to ask: let the caller's own connect find out.
        state.outcome = static_cast<int>(HostProbe::Answers);
        return 0;
    }
    HSZ service = DdeCreateStringHandleW(inst, state.service.c_str(), CP_WINUNICODE);
    HSZ topic = DdeCreateStringHandleW(inst, state.topic.c_str(), CP_WINUNICODE);
    HCONV conv = DdeConnect(inst, service, topic, nullptr);
    const HostProbe outcome = conv ? HostProbe::Answers : HostProbe::NoHost;
    if (conv) DdeDisconnect(conv);
    if (service) DdeFreeStringHandle(inst, service);
    if (topic) DdeFreeStringHandle(inst, topic);
    DdeUninitialize(inst);
    state.outcome = static_cast<int>(outcome);
    return 0;
}

} // namespace

HostProbe ProbeHost(MessagePump& pump, const std::wstring& service, const std::wstring& topic,
                    std::chrono::milliseconds timeout, const std::function<bool()>& stop) {
    auto state = std::make_shared<ProbeState>();
    state->service = service;
    state->topic = topic;
    auto* param = new std::shared_ptr<ProbeState>(state);
    HANDLE thread = CreateThread(nullptr, 0, ProbeMain, param, 0, nullptr);
    if (!thread) {
        delete param;
        return HostProbe::Answers;
    }
    // A probe answers within milliseconds; a short poll keeps this simple.
    const auto answered = [&] { return state->outcome.load() >= 0; };
    const auto done = [&] { return answered() || stop(); };
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    while (!done() && Clock::now() < deadline)
        pump.WaitUntil(done, std::chrono::milliseconds(5));
    if (!answered()) {
        // Left behind, blocked; it ends by itself if the host wakes up.
        CloseHandle(thread);
        return HostProbe::NoAnswer;
    }
    // Its DDEML instance is gone only once the thread is: the caller's own
    // DDEML calls come after that.
    WaitForSingleObject(thread, 1000);
    CloseHandle(thread);
    return static_cast<HostProbe>(state->outcome.load());
}

} // namespace talvex
