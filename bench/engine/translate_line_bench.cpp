// TranslateLine over the lines a typical measurement script is made of.
#include "engine/interpreter.h"
#include "tests/macromath/test_environment.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

using talvex::Interpreter;

// One pass leaves the block stack as it found it, so the loop can repeat it.
const std::vector<std::string> kMix = {
    "setvars(@a=70, @b='probe 1', @c=3)",
    "measure(temp) at x{@a+5}y",
    "#if(@a>1)",
    "rtftextnl({@b})",
    "#endif",
    "#while(@c>2)",
    "echo({@c*2})",
    "#break",
    "#wend",
};

Interpreter& Prepared(Interpreter& in) {
    in.ResetInterpreter("/jobs/bench.tvx");
    in.Vars.InitSystemVars();
    return in;
}

void TranslateMix(benchmark::State& state) {
    Interpreter in(talvex::testing::FixedEnvironment());
    Prepared(in);
    std::string line;
    std::string out;
    for (auto _ : state) {
        long pos = 1;
        for (const std::string& raw : kMix) {
            line = raw;
            const long next = pos + static_cast<long>(raw.size()) + 2;
            benchmark::DoNotOptimize(in.TranslateLine(line, out, pos, next));
            pos = next;
        }
    }
    state.counters["per_line"] = benchmark::Counter(static_cast<double>(kMix.size()),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}
BENCHMARK(TranslateMix)->Repetitions(9)->ReportAggregatesOnly(true);

// Each kind of line on its own: 0 host command with braces, 1 #if/#endif pair,
// 2 #while with a condition and its #wend, 3 a setvars list.
void TranslateKind(benchmark::State& state) {
    static const std::vector<std::vector<std::string>> kKinds = {
        {"measure(temp) at x{@a+5}y"},
        {"#if(@a>1)", "#endif"},
        {"#while(@c>2)", "#break", "#wend"},
        {"setvars(@a=70, @b='probe 1', @c=3)"},
    };
    const auto& lines = kKinds[static_cast<std::size_t>(state.range(0))];
    Interpreter in(talvex::testing::FixedEnvironment());
    Prepared(in);
    in.Vars.SetVar("@a", "70");
    in.Vars.SetVar("@c", "3");
    std::string line;
    std::string out;
    for (auto _ : state) {
        for (const std::string& raw : lines) {
            line = raw;
            benchmark::DoNotOptimize(in.TranslateLine(line, out, 1, 40));
        }
    }
    state.counters["per_line"] = benchmark::Counter(static_cast<double>(lines.size()),
                                                    benchmark::Counter::kIsIterationInvariantRate |
                                                        benchmark::Counter::kInvert);
}
BENCHMARK(TranslateKind)->DenseRange(0, 3)->Repetitions(5)->ReportAggregatesOnly(true);

} // namespace
