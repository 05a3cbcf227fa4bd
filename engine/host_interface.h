// The engine's view of the host application: the three calls a run makes.
// The host link implements it over the local transport; tests and the
// list-only runner supply their own.
#pragma once

#include <string>

namespace talvex {

// The reply Send and SendA give when the link is lost (while the command
// waited, or before it); it contains "error".
inline constexpr const char* kLinkLostReply = "Error: link to KORVA lost";

class HostInterface {
public:
    virtual ~HostInterface() = default;

    // Links to the host when no link is up, finding and starting it as needed.
    // False when it could not be found, started or linked; the implementation
    // has already told the user why. Also false, starting nothing, while a
    // lost link has not been cleared.
    virtual bool Init() = 0;

    // A request on the control topic ("hardcancel", "Windows(...)"); links on
    // demand. The reply becomes ReturnStr().
    virtual void Send(const std::string& command) = 0;

    // An execute on the control topic; returns once the host has pushed a
    // non-empty response on the asynchronous topic, or the link was lost.
    // Pending events keep being processed while it waits.
    virtual void SendA(const std::string& command) = 0;

    // The current response: the reply to the last Send or SendA.
    virtual std::string ReturnStr() const = 0;

    // True once a link that was up has been lost (the host ended or closed the
    // connection). The loss holds: until ClearLinkLoss, Init, Send and SendA
    // start no host and link nothing, and Send and SendA answer with a text
    // that names the loss.
    virtual bool LinkLost() const = 0;

    // Forgets a lost link, so the next Init links again. The run command calls
    // it when a run starts: linking again is that run's decision.
    virtual void ClearLinkLoss() = 0;
};

} // namespace talvex
