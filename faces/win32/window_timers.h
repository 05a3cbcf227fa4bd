// The window core's timers on one Win32 timer. A run starts and stops the
// wait-status timer for every host command; under Wine each SetTimer and
// KillTimer is a round trip to the server, which cost a tight run of fast
// commands a tenth of its time. Here a stop only forgets a deadline, and the
// one timer is set again only when a deadline comes sooner than it fires.
#pragma once

#include "ddelink/win32.h"
#include "windowcore/window_face.h"

#include <array>
#include <chrono>
#include <optional>
#include <vector>

namespace talvex {

class WindowTimers {
public:
    using Clock = std::chrono::steady_clock;

    // The Win32 timer's id on `hwnd`.
    static constexpr UINT_PTR kTimerId = 1;

    // The window the timer is set on, once it exists.
    void SetWindow(HWND hwnd) { hwnd_ = hwnd; }

    void Start(WindowTimer timer, int ms);
    void Stop(WindowTimer timer) { due_[Index(timer)].reset(); }
    bool Active(WindowTimer timer) const { return due_[Index(timer)].has_value(); }
    // A deadline of the face's own, with no timer of the core's: the timer
    // fires by then, and Due() is empty if nothing else is due.
    void WakeAt(Clock::time_point at);

    // On WM_TIMER with kTimerId: the timers now due, each stopped; the
    // caller fires them, then calls Rearm().
    std::vector<WindowTimer> Due();
    void Rearm();
    // The window goes: no timer is left set.
    void StopAll();

private:
    static std::size_t Index(WindowTimer t) { return static_cast<std::size_t>(t); }
    void Arm(Clock::time_point at);

    HWND hwnd_ = nullptr;
    std::array<std::optional<Clock::time_point>, kWindowTimerCount> due_{};
    std::optional<Clock::time_point> wake_;
    std::optional<Clock::time_point> armedFor_; // when the Win32 timer fires
};

} // namespace talvex
