// The one place the Windows programs wait: window messages (DDEML talks
// through them), deferred calls and a few extra handles (the Ctrl+C event)
// are all served from here, so the host link's waits and the runner's yield
// keep each other's work flowing.
#pragma once

#include "ddelink/win32.h"

#include <chrono>
#include <deque>
#include <functional>
#include <vector>

namespace talvex {

class MessagePump {
public:
    // Runs `onSignal` whenever `handle` is signalled while the pump runs. The
    // handle must reset itself when waited on (an auto-reset event), else the
    // callback runs again at once.
    void Watch(HANDLE handle, std::function<void()> onSignal);
    void Unwatch(HANDLE handle);

    // Runs `call` after the event being handled now, from the pump.
    void Post(std::function<void()> call);

    // Dispatches the waiting messages, runs the handles' callbacks and the
    // posted calls; returns without blocking.
    void ProcessPending();

    // ProcessPending for a loop that calls it on every step (a script's
    // lines): at most every couple of milliseconds, since a look at the queue
    // is a trip to the window system, which a tight script would pay for on
    // every line. Ctrl+C and a lost host are seen as promptly.
    void Yield();

    // Processes everything as ProcessPending does until `done` holds (true)
    // or `timeout` has passed (false). Sleeps in between; never spins.
    bool WaitUntil(const std::function<bool()>& done,
                   std::chrono::milliseconds timeout = std::chrono::milliseconds::max());

private:
    struct Watched {
        HANDLE handle;
        std::function<void()> onSignal;
    };
    bool RunSignalled();
    bool RunPosted();

    std::vector<Watched> watched_;
    std::deque<std::function<void()>> posted_;
    std::chrono::steady_clock::time_point lastYield_{};
};

} // namespace talvex
