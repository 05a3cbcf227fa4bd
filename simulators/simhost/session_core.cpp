// Per-client execute state of the simulator, once for both transports.
#include "simhost/session_core.h"

#include <utility>
#include <vector>

namespace talvex::simhost {

SessionCore::SessionCore(SessionPort& port, CommandInterpreter::TextSink writeText,
                         ReplyBound replyBound)
    : port_(port), interpreter_([this](const std::string& data) { port_.PushDynamic(data); },
                                std::move(writeText), std::move(replyBound)) {}

ClientId SessionCore::Join() {
    const ClientId client = nextClient_++;
    clients_[client];
    return client;
}

void SessionCore::Leave(ClientId client) {
    const auto found = clients_.find(client);
    if (found == clients_.end()) return;
    // From here on no timer fires and nothing is sent for this client.
    port_.StopTimer(client);
    clients_.erase(found);
    if (exitPending_ && !ended_) port_.ScheduleEnd();
}

bool SessionCore::Leaving(ClientId client) const {
    const auto found = clients_.find(client);
    return found != clients_.end() && found->second.leaving;
}

void SessionCore::Execute(ClientId client, std::string command) {
    const auto found = clients_.find(client);
    if (ended_ || found == clients_.end()) return;
    const bool busy = found->second.pending != Pending::None || !found->second.queued.Empty();
    if (busy && !CommandInterpreter::BypassesQueue(command))
        found->second.queued.Push(std::move(command));
    else
        RunExecute(client, command);
}

void SessionCore::Request(ClientId client, std::string_view command,
                          const std::function<void(const std::string&)>& reply) {
    const CommandOutcome outcome = interpreter_.Run(command, CommandWay::Request);
    // A hard cancel ends the pending execute before its own reply goes out.
    if (outcome.kind == CommandOutcome::Kind::HardCancel) CancelPending(client);
    reply(outcome.text);
    if (outcome.kind == CommandOutcome::Kind::Exit) ExitFrom(client);
}

void SessionCore::RunExecute(ClientId client, const std::string& command) {
    using Kind = CommandOutcome::Kind;
    const CommandOutcome outcome = interpreter_.Run(command, CommandWay::Execute);
    switch (outcome.kind) {
    case Kind::Answer:
        port_.Respond(client, outcome.text);
        break;
    case Kind::HardCancel:
        CancelPending(client);
        port_.Respond(client, outcome.text);
        break;
    case Kind::Wait: {
        Client& state = clients_.at(client);
        state.pending = Pending::Wait;
        state.waitResponse = outcome.text;
        // A timer, so requests are answered while the wait runs.
        port_.StartTimer(client, outcome.waitMs);
        break;
    }
    case Kind::Silent:
        clients_.at(client).pending = Pending::Silent;
        break;
    case Kind::Exit:
        ExitFrom(client);
        break;
    }
}

void SessionCore::WaitElapsed(ClientId client) {
    port_.StopTimer(client);
    const auto found = clients_.find(client);
    if (found == clients_.end() || found->second.pending != Pending::Wait) return;
    found->second.pending = Pending::None;
    port_.Respond(client, std::exchange(found->second.waitResponse, std::string()));
    RunQueued(client);
}

void SessionCore::CancelPending(ClientId client) {
    const auto found = clients_.find(client);
    if (found == clients_.end() || found->second.pending == Pending::None) return;
    // Everything the client has outstanding ends; each execute still gets
    // its one response, so no waiting client is left hanging.
    Client& state = found->second;
    port_.StopTimer(client);
    state.pending = Pending::None;
    state.waitResponse.clear();
    port_.Respond(client, "cancelled");
    while (!state.queued.Empty()) {
        state.queued.Pop();
        port_.Respond(client, "cancelled");
    }
}

void SessionCore::RunQueued(ClientId client) {
    for (;;) {
        // Looked up anew each turn: an Exit among the queued ends the client.
        const auto found = clients_.find(client);
        if (ended_ || found == clients_.end() || found->second.leaving ||
            found->second.pending != Pending::None || found->second.queued.Empty())
            return;
        const std::optional<std::string> command = found->second.queued.Pop();
        if (command)
            RunExecute(client, *command);
        else
            port_.Respond(client, ExecuteQueue::RefusedResponse());
    }
}

void SessionCore::ExitFrom(ClientId client) {
    // Exit ends this client's link; the host itself ends once no other client
    // is linked, so one run's Exit never pulls the host from under another.
    exitPending_ = true;
    const auto found = clients_.find(client);
    if (found != clients_.end()) found->second.leaving = true;
    port_.ScheduleEnd();
}

void SessionCore::EndLeaving() {
    if (ended_ || !exitPending_) return;
    bool staying = false;
    for (const auto& [id, state] : clients_)
        staying = staying || !state.leaving;
    if (!staying && !port_.ConnectionWaiting()) {
        ShutDown();
        return;
    }
    // Forgotten first: ending a link may tell of its loss at once.
    std::vector<ClientId> ending;
    for (auto state = clients_.begin(); state != clients_.end();) {
        if (state->second.leaving) {
            port_.StopTimer(state->first);
            ending.push_back(state->first);
            state = clients_.erase(state);
        } else {
            ++state;
        }
    }
    for (const ClientId client : ending)
        port_.EndClient(client);
}

void SessionCore::ShutDown() {
    if (ended_) return;
    ended_ = true;
    for (const auto& [client, state] : clients_)
        port_.StopTimer(client);
    clients_.clear();
    port_.EndHost();
}

} // namespace talvex::simhost
