// One headless run from loaded script to exit status: what talvex-run does
// between reading its command line and exiting, the same on every platform.
// The platform's main supplies the host link, the event processing and the
// interrupts (Unix signals here, console events on Windows).
#pragma once

#include "app/headless_window.h"
#include "app/run_options.h"
#include "engine/interpreter.h"
#include "engine/script_runner.h"
#include "macromath/environment.h"

#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace talvex {

class HostInterface;

// What the run needs of a host link beyond the engine's interface.
struct LinkControl {
    std::function<bool()> init;           // links (visible), true when up
    std::function<bool()> starting;       // Init waits for a host it started
    std::function<void()> cancelStart;    // ends that wait and that host
    std::function<bool()> startCancelled; // the last start-up was cancelled
    std::function<void()> uninit;         // Exit to a host we started, bounded wait
};

struct HeadlessStreams {
    std::FILE* out = stdout;
    std::FILE* err = stderr;
    std::function<void()> yield; // lets pending events run
};

class HeadlessRun {
public:
    // The environment's host folder should come from the link.
    HeadlessRun(const RunOptions& options, HostInterface& host, LinkControl link, Environment env,
                HeadlessStreams streams, std::string logFolder);
    ~HeadlessRun();
    HeadlessRun(const HeadlessRun&) = delete;
    HeadlessRun& operator=(const HeadlessRun&) = delete;

    // Reads SCRIPT and checks --log before anything is written or started.
    // -1 when the run may go on, else the exit status (66, 64, 73).
    int Prepare();
    // Links the host (unless --list), runs the script, shuts down.
    int Run();

    enum class Interrupt {
        CtrlC,    // the first two act as the Cancel button, the third ends the run
        Terminate // ends the run now
    };
    // An interrupt that reached the event loop. -1 when the run goes on;
    // else the run has been shut down in order (pane flushed, the host we
    // started told to exit) and the caller exits at once with this status.
    int OnInterrupt(Interrupt kind);

    // Where the link shows its messages (standard error).
    HeadlessWindow& Window() { return window_; }
    const ScriptRunner& Runner() const { return *runner_; }

private:
    void ShutDown();

    const RunOptions& options_;
    HostInterface& host_;
    LinkControl link_;
    HeadlessWindow window_;
    Interpreter interp_;
    std::unique_ptr<ScriptRunner> runner_;
    int interrupts_ = 0;
    bool hardCancelNoticeGiven_ = false;
    bool shutDown_ = false;
};

} // namespace talvex
