#include "win32/window_timers.h"

#include <algorithm>

namespace talvex {

namespace {

// A deadline this close counts as come: the timer does not fire again for it.
constexpr auto kSlack = std::chrono::milliseconds(1);

} // namespace

void WindowTimers::Start(WindowTimer timer, int ms) {
    const Clock::time_point at = Clock::now() + std::chrono::milliseconds(std::max(ms, 0));
    due_[Index(timer)] = at;
    Arm(at);
}

void WindowTimers::WakeAt(Clock::time_point at) {
    if (!wake_ || at < *wake_) wake_ = at;
    Arm(at);
}

void WindowTimers::Arm(Clock::time_point at) {
    // Set already for as soon: nothing to do, and no round trip.
    if (armedFor_ && *armedFor_ <= at + kSlack) return;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(at - Clock::now()).count();
    SetTimer(hwnd_, kTimerId, static_cast<UINT>(std::max<long long>(ms, USER_TIMER_MINIMUM)),
             nullptr);
    armedFor_ = at;
}

std::vector<WindowTimer> WindowTimers::Due() {
    KillTimer(hwnd_, kTimerId);
    armedFor_.reset();
    const Clock::time_point now = Clock::now() + kSlack;
    if (wake_ && *wake_ <= now) wake_.reset();
    std::vector<WindowTimer> due;
    for (std::size_t i = 0; i < due_.size(); ++i) {
        if (due_[i] && *due_[i] <= now) {
            due_[i].reset();
            due.push_back(static_cast<WindowTimer>(i));
        }
    }
    return due;
}

void WindowTimers::Rearm() {
    std::optional<Clock::time_point> next = wake_;
    for (const auto& d : due_)
        if (d && (!next || *d < *next)) next = d;
    if (next) Arm(*next);
}

void WindowTimers::StopAll() {
    KillTimer(hwnd_, kTimerId);
    armedFor_.reset();
    wake_.reset();
    due_.fill(std::nullopt);
}

} // namespace talvex
