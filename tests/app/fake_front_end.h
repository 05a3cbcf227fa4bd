// A front end for driving the runner without Qt: a host that answers from a
// function and records what it was sent, and a runner wired to it and to the
// test-support MemoryWindow (the real response pane model; message boxes
// and questions recorded).
#pragma once

#include "engine/host_interface.h"
#include "engine/interpreter.h"
#include "engine/script_runner.h"
#include "tests/support/memory_window.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace talvex::testing {

class FakeHost : public HostInterface {
public:
    // Answers a command; by default the way korva32 answers echo(TEXT).
    std::function<std::string(const std::string&)> reply;
    // Runs inside SendA before the reply, as the link processes events while it waits.
    std::function<void(const std::string&)> whileWaiting;

    std::vector<std::string> sent;     // SendA commands, in order
    std::vector<std::string> requests; // Send commands (hard cancels)
    int inits = 0;                     // Init calls
    // The link is lost: set it (from whileWaiting, say) and SendA answers
    // with the loss from then on, as the host link does; a run start clears it.
    bool lost = false;
    // The host dies right after answering this command.
    std::string loseAfter;
    // The host has not answered a hard cancel; DropLink gives up on it.
    bool unanswered = false;
    bool dropped = false;

    bool Init() override;
    void Send(const std::string& command) override;
    void SendA(const std::string& command) override;
    std::string ReturnStr() const override { return reply_; }
    bool LinkLost() const override { return lost; }
    void ClearLinkLoss() override { lost = false; }
    bool HardCancelUnanswered() const override { return unanswered; }
    void DropLink() override;

private:
    std::string reply_;
};

// A runner wired to a fake host and an in-memory window, as most runner tests
// start; the interpreter gets the system's environment unless one is given.
struct RunnerRig {
    explicit RunnerRig(RunnerSettings settings = {}, Environment env = Environment::system())
        : interp(std::move(env)), runner(interp, host, window, std::move(settings)) {}

    FakeHost host;
    MemoryWindow window;
    Interpreter interp;
    ScriptRunner runner;
};

} // namespace talvex::testing
