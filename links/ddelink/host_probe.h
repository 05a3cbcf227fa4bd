// Whether a host answers on the DDE service, asked from a thread of its own.
// DDEML's connect broadcasts its request and waits for every window to take
// it, without a limit: a host whose thread has stopped (hung in a hardware
// step, or frozen) would hold the caller for good. The probe's thread may
// stay behind blocked; the caller is free after the timeout.
#pragma once

#include "ddelink/message_pump.h"

#include <chrono>
#include <functional>
#include <string>

namespace talvex {

enum class HostProbe {
    Answers, // a host took the connection (and was let go again)
    NoHost,  // nothing offers the service
    NoAnswer // the connection was not done within the time given
};

// Keeps `pump` running while it waits: the probe's request reaches this
// thread's windows too. NoAnswer also when `stop` turns true first.
HostProbe ProbeHost(MessagePump& pump, const std::wstring& service, const std::wstring& topic,
                    std::chrono::milliseconds timeout, const std::function<bool()>& stop);

} // namespace talvex
