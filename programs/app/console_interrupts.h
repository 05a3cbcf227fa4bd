// Console control events delivered to the main thread's wait: the handler,
// which Windows runs on a thread of its own, only counts the event and sets a
// Win32 event; the message pump watches that event and calls back from the
// main thread, where the DDE conversations live.
#pragma once

#include "ddelink/message_pump.h"

#include "ddelink/win32.h"

#include <functional>

namespace talvex {

class ConsoleInterrupts {
public:
    enum class Kind {
        CtrlC,    // Ctrl+C
        Terminate // Ctrl+Break, the console closing, logoff, shutdown
    };
    using Handler = std::function<void(Kind kind)>;

    // Installs the console handler and watches its events on `pump`. One
    // instance per process: the handler needs a place it may write to.
    ConsoleInterrupts(MessagePump& pump, Handler handler);
    ~ConsoleInterrupts();
    ConsoleInterrupts(const ConsoleInterrupts&) = delete;
    ConsoleInterrupts& operator=(const ConsoleInterrupts&) = delete;

private:
    void Drain();

    MessagePump& pump_;
    Handler handler_;
    HANDLE event_ = nullptr;
};

} // namespace talvex
