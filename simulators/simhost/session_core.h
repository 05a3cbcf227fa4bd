// The simulator's sessions, whatever carries them: each client's executes are
// worked on one at a time, in turn, and each gets exactly one response;
// wait() answers on a timer, silent() only at the client's next hard cancel,
// which ends everything the client has outstanding with "cancelled". Exit
// ends the client's link, and the host once no other client is linked.
#pragma once

#include "simhost/command_interpreter.h"
#include "simhost/execute_queue.h"
#include "simhost/session_port.h"

#include <functional>
#include <map>
#include <string>
#include <string_view>

namespace talvex::simhost {

class SessionCore {
public:
    // `writeText` receives what rtftextnl() puts in the host's text window;
    // `replyBound` is what a reply may cost on this transport's wire.
    SessionCore(SessionPort& port, CommandInterpreter::TextSink writeText,
                ReplyBound replyBound = {});
    SessionCore(const SessionCore&) = delete;
    SessionCore& operator=(const SessionCore&) = delete;

    // A client has linked; its number for every later call.
    ClientId Join();
    // The client's link is gone: its pending work ends without a response.
    void Leave(ClientId client);
    // Its Exit came; it is still linked until EndLeaving() ends it.
    bool Leaving(ClientId client) const;
    // The host is ending or has ended: no more clients, lines or work.
    bool Ended() const { return ended_; }

    // An execute the transport has acknowledged: run now, or queued behind
    // the client's pending one.
    void Execute(ClientId client, std::string command);
    // A request: `reply` gets its answer before the host acts on an Exit.
    void Request(ClientId client, std::string_view command,
                 const std::function<void(const std::string&)>& reply);
    // The client's timer fired.
    void WaitElapsed(ClientId client);
    // Ends the links of clients whose Exit came, or the host when no other
    // client is linked.
    void EndLeaving();
    // Ends the host now, as a signal does.
    void ShutDown();

private:
    enum class Pending { None, Wait, Silent };
    struct Client {
        Pending pending = Pending::None;
        std::string waitResponse;
        ExecuteQueue queued; // executes accepted while an earlier one was pending
        bool leaving = false;
    };

    void RunExecute(ClientId client, const std::string& command);
    void CancelPending(ClientId client);
    void RunQueued(ClientId client);
    void ExitFrom(ClientId client);

    SessionPort& port_;
    CommandInterpreter interpreter_;
    std::map<ClientId, Client> clients_;
    ClientId nextClient_ = 1;
    bool exitPending_ = false; // Exit came while other clients were linked
    bool ended_ = false;
};

} // namespace talvex::simhost
