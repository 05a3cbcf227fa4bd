// The console control handler behind ConsoleInterrupts.
#include "app/console_interrupts.h"

namespace talvex {

namespace {

// Written by the handler thread, read by the main thread.
HANDLE gEvent = nullptr;
volatile LONG gCtrlC = 0;
volatile LONG gTerminate = 0;

BOOL WINAPI OnConsoleControl(DWORD type) {
    if (!gEvent) return FALSE;
    if (type == CTRL_C_EVENT) {
        InterlockedIncrement(&gCtrlC);
        SetEvent(gEvent);
        return TRUE;
    }
    InterlockedIncrement(&gTerminate);
    SetEvent(gEvent);
    // Windows ends the process when the handler of a close, logoff or
    // shutdown returns: give the main thread its few seconds for an orderly
    // end (it exits the process itself, which ends this wait too).
    if (type != CTRL_BREAK_EVENT) Sleep(4500);
    return TRUE;
}

} // namespace

ConsoleInterrupts::ConsoleInterrupts(MessagePump& pump, Handler handler)
    : pump_(pump), handler_(std::move(handler)) {
    event_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (!event_) return;
    gEvent = event_;
    pump_.Watch(event_, [this] { Drain(); });
    SetConsoleCtrlHandler(OnConsoleControl, TRUE);
}

ConsoleInterrupts::~ConsoleInterrupts() {
    if (!event_) return;
    SetConsoleCtrlHandler(OnConsoleControl, FALSE);
    pump_.Unwatch(event_);
    gEvent = nullptr;
    CloseHandle(event_);
}

void ConsoleInterrupts::Drain() {
    if (InterlockedExchange(&gTerminate, 0) > 0) {
        handler_(Kind::Terminate);
        return;
    }
    for (LONG n = InterlockedExchange(&gCtrlC, 0); n > 0; --n)
        handler_(Kind::CtrlC);
}

} // namespace talvex
