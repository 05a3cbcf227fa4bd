// talvex-run end to end: many echo commands through the real host, and the
// peak memory of long list-only loops.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

struct Outcome {
    int status = -1;
    long peakRssKb = 0;
};

// A fresh folder for one benchmark; "" when none could be made.
std::string TempFolder() {
    char pattern[] = "/tmp/tvx-bench-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? dir : "";
}

// Runs talvex-run with its output on the null device and returns its status
// and peak resident memory.
Outcome RunTalvex(const std::vector<std::string>& args, const std::string& socket) {
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        setenv("KORVA_SOCKET", socket.c_str(), 1);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(TALVEX_RUN_PATH));
        for (const auto& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(TALVEX_RUN_PATH, argv.data());
        _exit(127);
    }
    Outcome out;
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    out.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    out.peakRssKb = usage.ru_maxrss;
    return out;
}

void WriteScript(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Lines of echo(...) with one brace group each, as a typical measurement
// script sends them.
std::string EchoScript(long lines) {
    std::string script;
    for (long i = 0; i < lines; ++i)
        script += "echo(line " + std::to_string(i) + " {" + std::to_string(i) + "+1})\r\n";
    return script;
}

// Runs the echo script through talvex-run, with `extra` options before it.
void RunEchoScript(benchmark::State& state, const std::vector<std::string>& extra) {
    const long lines = state.range(0);
    const std::string dir = TempFolder();
    if (dir.empty()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    WriteScript(dir + "/echo.tvx", EchoScript(lines));
    std::vector<std::string> args = extra;
    args.push_back(dir + "/echo.tvx");
    for (auto _ : state) {
        const Outcome o = RunTalvex(args, dir + "/k");
        if (o.status != 0) state.SkipWithError("talvex-run failed");
    }
    state.counters["us_per_line"] = benchmark::Counter(
        static_cast<double>(lines) * 1e-6,
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    std::filesystem::remove_all(dir);
}

// All in: host start, every line translated, sent, answered, shown.
void BM_EchoCommandsThroughTalvexRun(benchmark::State& state) {
    RunEchoScript(state, {"--host", KORVA32_PATH});
}
BENCHMARK(BM_EchoCommandsThroughTalvexRun)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// The same script as a list-only run: what the runner itself costs a line
// (translation, echo, pane, yields) without the host round trip.
void BM_EchoScriptListOnly(benchmark::State& state) {
    RunEchoScript(state, {"--list"});
}
BENCHMARK(BM_EchoScriptListOnly)
    ->Arg(10000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(3);

// A loop of four lines a round, everything shown (list-only run).
void BM_ListOnlyLoopPeakMemory(benchmark::State& state) {
    const long lines = state.range(0);
    const std::string dir = TempFolder();
    if (dir.empty()) {
        state.SkipWithError("no temporary folder");
        return;
    }
    WriteScript(dir + "/loop.tvx", "#setvars(i=0, n=" + std::to_string(lines / 4) +
                                       ")\r\n#while (i<n)\r\n#setvars(i={i+1})\r\n"
                                       "echo(round {i} of {n})\r\n#wend\r\n");
    long peak = 0;
    for (auto _ : state) {
        const Outcome o = RunTalvex({"--list", dir + "/loop.tvx"}, dir + "/k");
        if (o.status != 0) state.SkipWithError("talvex-run failed");
        peak = o.peakRssKb;
    }
    state.counters["peak_rss_kb"] = static_cast<double>(peak);
    state.counters["lines_per_s"] = benchmark::Counter(
        static_cast<double>(lines), benchmark::Counter::kIsIterationInvariantRate);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_ListOnlyLoopPeakMemory)
    ->Arg(10000)
    ->Arg(1000000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace

BENCHMARK_MAIN();
