// The executor on its own: a list-only run of a generated 100,000-line script
// (host commands with brace groups, conditionals, loops, subroutine calls)
// against an in-memory window with the real pane and its limit.
#include "bench/engine/generated_script.h"
#include "engine/interpreter.h"
#include "engine/script_runner.h"
#include "tests/support/memory_window.h"

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

void BM_ListOnlyRun(benchmark::State& state) {
    const long lines = state.range(0);
    const std::string script = talvex::bench::GeneratedScript(lines);
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
