// A front end for driving the runner without Qt: a host that answers from a
// function and records what it was sent; the window is the engine's
// MemoryWindow, which keeps the real response pane model and records message
// boxes and questions.
#pragma once

#include "engine/host_interface.h"
#include "engine/memory_window.h"

#include <functional>
#include <string>
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

    bool Init() override { return true; }
    void Send(const std::string& command) override;
    void SendA(const std::string& command) override;
    std::string ReturnStr() const override { return reply_; }
    bool LinkLost() const override { return false; }

private:
    std::string reply_;
};

// A fresh folder under the system's temp folder, removed again at the end.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    const std::string& Path() const { return path_; }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);

} // namespace talvex::testing
