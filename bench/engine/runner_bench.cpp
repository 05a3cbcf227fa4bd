// The executor on its own: a list-only run of a generated 100,000-line script
// (host commands with brace groups, conditionals, loops, subroutine calls)
// against an in-memory window with the real pane and its limit.
#include "engine/interpreter.h"
#include "engine/memory_window.h"
#include "engine/script_runner.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace {

class NoHost : public talvex::HostInterface {
public:
    bool Init() override { return true; }
    void Send(const std::string&) override {}
    void SendA(const std::string& command) override { reply_ = command; }
    std::string ReturnStr() const override { return reply_; }
    bool LinkLost() const override { return false; }
    void ClearLinkLoss() override {}

private:
    std::string reply_;
};

std::string GeneratedScript(long lines) {
    std::string s;
    long written = 0;
    const auto add = [&](const std::string& line) {
        s += line;
        s += "\r\n";
        ++written;
    };
    for (long k = 0; written < lines - 4; ++k) {
        const std::string n = std::to_string(k);
        add("echo(chunk " + n + " value {" + n + "*3})");
        add("#setvars(i=0)");
        add("#while (i<2)");
        add("#setvars(i={i+1})");
        add("#if (i=1)");
        add("echo(first {i})");
        add("#else");
        add("echo(second {i+{i}})");
        add("#endif");
        add("#wend");
        add("#gosub(sub)");
    }
    add("#exit");
    add("label(sub)");
    add("echo(in sub {@ScriptName})");
    add("#return");
    return s;
}

void BM_ListOnlyRun(benchmark::State& state) {
    const long lines = state.range(0);
    const std::string script = GeneratedScript(lines);
    const std::filesystem::path logs =
        std::filesystem::temp_directory_path() / ("tvx-runner-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(logs);

    long executed = 0;
    for (auto _ : state) {
        talvex::Interpreter interp;
        NoHost host;
        talvex::MemoryWindow window;
        long yields = 0;
        window.onYield = [&] { ++yields; };
        window.editorText = script;
        window.currentFile = "generated.tvx";
        talvex::RunnerSettings settings;
        settings.logFolder = logs.string();
        talvex::ScriptRunner runner(interp, host, window, settings);
        runner.ListOnlyRun();
        executed = yields / 2; // every line that translated to something yields twice
    }
    std::filesystem::remove_all(logs);
    state.counters["script_lines_per_s"] = benchmark::Counter(
        static_cast<double>(lines), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["executed_lines_per_s"] = benchmark::Counter(
        static_cast<double>(executed), benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ListOnlyRun)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace
