#include "tests/windowcore/fake_link.h"

#include <chrono>
#include <cstdlib>

namespace talvex::testing {

void FakeLink::Send(const std::string& command) {
    commands.push_back(command);
    reply = "OK";
}

void FakeLink::SendA(const std::string& command) {
    commands.push_back(command);
    if (events.waitStarted) events.waitStarted(command);
    cancelled = false;
    long waitMs = -1;
    if (command.starts_with("wait(")) {
        // Held for its time, or until cancelled or dropped; the user acts meanwhile.
        waitMs = std::atol(command.c_str() + 5);
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs);
        while (!cancelled && !dropped && std::chrono::steady_clock::now() < end)
            if (whileWaiting) whileWaiting();
    }
    if (dropped)
        reply = kLinkDroppedReply;
    else if (cancelled)
        reply = "cancelled";
    else if (waitMs >= 0)
        reply = "waited=" + std::to_string(waitMs);
    else if (command.starts_with("echo(") && command.ends_with(")"))
        reply = command.substr(5, command.size() - 6);
    else
        reply = "OK";
    unanswered = false;
    if (events.waitEnded) events.waitEnded();
}

void FakeLink::HardCancel() {
    commands.push_back("hardcancel");
    if (frozen) {
        unanswered = true;
        if (events.hardCancelUnanswered) events.hardCancelUnanswered();
        return;
    }
    cancelled = true;
}

void FakeLink::SendFromLinkWindow(const std::string& command) {
    sendBox = command;
    Send(command);
    if (events.textsChanged) events.textsChanged();
}

} // namespace talvex::testing
