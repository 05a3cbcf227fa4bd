// What a simulator's transport does for the session core: carries responses
// and dynamic data to its clients, keeps one wait timer a client, and ends
// links. The socket host implements it with Qt, the DDE host with Win32.
#pragma once

#include <cstdint>
#include <string>

namespace talvex::simhost {

// A linked client, as the session core numbers it.
using ClientId = std::uint64_t;

class SessionPort {
public:
    virtual ~SessionPort() = default;

    // Sends an execute's response to that client alone, on the asynchronous topic.
    virtual void Respond(ClientId client, const std::string& response) = 0;
    // Sends dyn()'s text to every client that advised the dynamic topic.
    virtual void PushDynamic(const std::string& data) = 0;

    // (Re)starts the client's one timer; when it fires, the transport calls
    // SessionCore::WaitElapsed(client).
    virtual void StartTimer(ClientId client, int ms) = 0;
    virtual void StopTimer(ClientId client) = 0;

    // An Exit came or a client left after one: call SessionCore::EndLeaving()
    // once every reply given so far is on its way (at once where writes are
    // buffered, from the message loop where a reply is a callback's result).
    virtual void ScheduleEnd() = 0;
    // A client the system has linked but the transport has not joined yet.
    virtual bool ConnectionWaiting() const { return false; }
    // Ends one client's link; the core has already forgotten it.
    virtual void EndClient(ClientId client) = 0;
    // Ends the host: stops taking clients and ends every link.
    virtual void EndHost() = 0;
};

} // namespace talvex::simhost
