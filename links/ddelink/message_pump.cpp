// The message pump.
#include "ddelink/message_pump.h"

#include <algorithm>

namespace talvex {

void MessagePump::Watch(HANDLE handle, std::function<void()> onSignal) {
    Unwatch(handle);
    watched_.push_back({handle, std::move(onSignal)});
}

void MessagePump::Unwatch(HANDLE handle) {
    std::erase_if(watched_, [handle](const Watched& w) { return w.handle == handle; });
}

void MessagePump::Post(std::function<void()> call) {
    if (call) posted_.push_back(std::move(call));
}

bool MessagePump::RunSignalled() {
    bool ran = false;
    // A callback may watch or unwatch: walk a copy.
    const std::vector<Watched> now = watched_;
    for (const Watched& w : now) {
        if (WaitForSingleObject(w.handle, 0) == WAIT_OBJECT_0) {
            w.onSignal();
            ran = true;
        }
    }
    return ran;
}

bool MessagePump::RunPosted() {
    // Only the calls posted so far: one posted by a call runs on the next round.
    std::size_t n = posted_.size();
    while (n-- > 0 && !posted_.empty()) {
        std::function<void()> call = std::move(posted_.front());
        posted_.pop_front();
        call();
    }
    return !posted_.empty();
}

void MessagePump::ProcessPending() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        // WM_QUIT has no window to go to; nothing here ends on it.
        if (msg.message == WM_QUIT) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    RunSignalled();
    RunPosted();
}

void MessagePump::Yield() {
    const auto now = std::chrono::steady_clock::now();
    if (now - lastYield_ < std::chrono::milliseconds(2) && posted_.empty()) return;
    lastYield_ = now;
    ProcessPending();
}

bool MessagePump::WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const bool forever = timeout == std::chrono::milliseconds::max();
    const Clock::time_point deadline = forever ? Clock::time_point::max() : Clock::now() + timeout;
    for (;;) {
        ProcessPending();
        if (done()) return true;
        DWORD wait = INFINITE;
        if (!forever) {
            const Clock::time_point now = Clock::now();
            if (now >= deadline) return false;
            wait = static_cast<DWORD>(
                std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count());
        }
        if (!posted_.empty()) wait = 0;
        const std::vector<Watched> watching = watched_;
        std::vector<HANDLE> handles;
        for (const Watched& w : watching)
            handles.push_back(w.handle);
        // MWMO_INPUTAVAILABLE: messages that came before the call wake it too;
        // without it a message seen but not removed would wait for the next.
        const DWORD woke =
            MsgWaitForMultipleObjectsEx(static_cast<DWORD>(handles.size()), handles.data(), wait,
                                        QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        // The wait has reset an auto-reset event it reports: its callback
        // runs now, since a second look would find the event unset.
        if (woke >= WAIT_OBJECT_0 && woke < WAIT_OBJECT_0 + handles.size())
            watching[woke - WAIT_OBJECT_0].onSignal();
    }
}

} // namespace talvex
