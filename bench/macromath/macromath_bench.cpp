// Speed of the expression core: substitution in a full store against the flat
// reference, updates in large and small stores, growth one variable at a time,
// one evaluation and one line with nested groups.
#include "macromath/braces.h"
#include "macromath/evaluator.h"
#include "macromath/variable_store.h"
#include "tests/macromath/linear_store.h"
#include "tests/macromath/test_environment.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

using talvex::VariableStore;
using talvex::reference::LinearStore;

// Names share prefixes on purpose ("var1", "var10", "var100", ...).
std::string VarName(int i) {
    return "var" + std::to_string(i);
}

template <class Store> void Fill(Store& store, int count) {
    for (int i = 0; i < count; ++i) {
        std::string value = std::to_string(i);
        store.SetVar(VarName(i), value);
    }
}

// About 200 characters naming ten of the variables, spread over the store.
std::string LineNamingTen() {
    std::string line = "measure(";
    for (int k = 0; k < 10; ++k) {
        line += VarName(1999 * k + 17);
        line += k % 2 == 0 ? " + offset, " : " * factor, ";
    }
    line += "done)";
    return line;
}

template <class Store> void BM_Substitute20000(benchmark::State& state) {
    Store store(talvex::testing::FixedEnvironment());
    Fill(store, 20000);
    const std::string line = LineNamingTen();
    for (auto _ : state)
        benchmark::DoNotOptimize(store.SubstituteVars(line));
    state.SetLabel(std::to_string(line.size()) + " chars");
}
BENCHMARK_TEMPLATE(BM_Substitute20000, VariableStore)->Unit(benchmark::kMicrosecond);
BENCHMARK_TEMPLATE(BM_Substitute20000, LinearStore)->Unit(benchmark::kMicrosecond);

void BM_UpdateVar(benchmark::State& state) {
    VariableStore store(talvex::testing::FixedEnvironment());
    const int count = static_cast<int>(state.range(0));
    Fill(store, count);
    const std::string name = VarName(count / 2);
    int i = 0;
    for (auto _ : state) {
        std::string value = std::to_string(i++);
        benchmark::DoNotOptimize(store.SetVar(name, value));
    }
}
BENCHMARK(BM_UpdateVar)->Arg(100)->Arg(20000);

// Creating `count` variables one at a time, substituting a line after each.
void BM_GrowWithSubstitution(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    for (auto _ : state) {
        VariableStore store(talvex::testing::FixedEnvironment());
        for (int i = 0; i < count; ++i) {
            std::string value = std::to_string(i);
            store.SetVar(VarName(i), value);
            benchmark::DoNotOptimize(store.SubstituteVars("x = " + VarName(i) + " + 1"));
        }
    }
}
BENCHMARK(BM_GrowWithSubstitution)->Arg(2000)->Arg(20000)->Unit(benchmark::kMillisecond);

void BM_EvalExpression(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(talvex::EvalExpression("12.5*-3.25", 0));
}
BENCHMARK(BM_EvalExpression);

void BM_ExpandBracesNested(benchmark::State& state) {
    VariableStore store(talvex::testing::FixedEnvironment());
    store.SetVar("@a", "70");
    store.SetVar("gain", "1.5");
    const std::string line = "set(level={@a+{gain*2}}, bits=hex{{@a*4}+1})";
    std::string dst;
    for (auto _ : state) {
        benchmark::DoNotOptimize(talvex::ExpandBraces(line, dst, 0, store));
        benchmark::DoNotOptimize(dst);
    }
}
BENCHMARK(BM_ExpandBracesNested);

// A line whose groups keep bringing new groups ("z" updated to "{z}{z}"): what
// it costs until the expansion gives up with its error text.
void BM_ExpandBracesRunaway(benchmark::State& state) {
    VariableStore store(talvex::testing::FixedEnvironment());
    store.SetVar("z", "1");
    store.SetVar("z", "{z}{z}");
    std::string dst;
    for (auto _ : state)
        benchmark::DoNotOptimize(talvex::ExpandBraces("{z}", dst, 0, store));
}
BENCHMARK(BM_ExpandBracesRunaway)->Iterations(1)->Repetitions(1)->Unit(benchmark::kMillisecond);

// Values that bring a new group with every round and make the line longer:
// at the end (400 x's then "{z}") and at the start ("{z}" then 400 x's).
void BM_ExpandBracesGrowing(benchmark::State& state) {
    VariableStore store(talvex::testing::FixedEnvironment());
    const std::string padding(400, 'x');
    store.SetVar("z", "1");
    store.SetVar("z", state.range(0) == 0 ? padding + "{z}" : "{z}" + padding);
    std::string dst;
    for (auto _ : state)
        benchmark::DoNotOptimize(talvex::ExpandBraces("{z}", dst, 0, store));
}
BENCHMARK(BM_ExpandBracesGrowing)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(1)
    ->Repetitions(1)
    ->Unit(benchmark::kMillisecond);

// Expands `line` once an iteration; the label says whether it expanded.
void ExpandLine(benchmark::State& state, const std::string& line, VariableStore& store) {
    std::string dst;
    int failed = 0;
    for (auto _ : state) {
        failed = talvex::ExpandBraces(line, dst, 0, store);
        benchmark::DoNotOptimize(dst);
    }
    state.SetLabel(failed ? "fails" : "expands");
}

// Hostile lines: a group nested `depth` levels deep inside a command, as
// "echo(" + depth x "{" + "1+1" + depth x "}" + ")". Each must finish or fail
// quickly, and none may crash however deep it goes.
void BM_ExpandBracesDeep(benchmark::State& state) {
    VariableStore store(talvex::testing::FixedEnvironment());
    const auto depth = static_cast<std::size_t>(state.range(0));
    const std::string line =
        "echo(" + std::string(depth, '{') + "1+1" + std::string(depth, '}') + ")";
    ExpandLine(state, line, store);
}
// The deepest nesting that still expands, around a long text every level
// copies and evaluates again: "echo(" + 100 x "{" + `length` x "x" + 100 x "}" + ")".
void BM_ExpandBracesDeepAndLong(benchmark::State& state) {
    VariableStore store(talvex::testing::FixedEnvironment());
    const std::string line = "echo(" + std::string(100, '{') +
                             std::string(static_cast<std::size_t>(state.range(0)), 'x') +
                             std::string(100, '}') + ")";
    ExpandLine(state, line, store);
}
BENCHMARK(BM_ExpandBracesDeepAndLong)
    ->Arg(100000)
    ->Arg(1000000)
    ->Iterations(1)
    ->Repetitions(1)
    ->Unit(benchmark::kMillisecond);

BENCHMARK(BM_ExpandBracesDeep)
    ->Arg(100)
    ->Arg(101)
    ->Arg(1000)
    ->Arg(20000)
    ->Arg(25000)
    ->Arg(1000000)
    ->Iterations(1)
    ->Repetitions(1)
    ->Unit(benchmark::kMillisecond);

// Values that multiply through nested groups: `a` holds `length` capital A's,
// and every level substitutes each "A" of the level inside it by the value
// again (names ignore case): {{{{a}}}} with 300 characters, six levels with 32.
void BM_ExpandBracesMultiplying(benchmark::State& state) {
    VariableStore store(talvex::testing::FixedEnvironment());
    const auto levels = static_cast<std::size_t>(state.range(0));
    store.SetVar("a", std::string(static_cast<std::size_t>(state.range(1)), 'A'));
    const std::string line =
        "echo(" + std::string(levels, '{') + "a" + std::string(levels, '}') + ")";
    ExpandLine(state, line, store);
}
BENCHMARK(BM_ExpandBracesMultiplying)
    ->Args({3, 300})
    ->Args({4, 300})
    ->Args({5, 32})
    ->Args({6, 32})
    ->Iterations(1)
    ->Repetitions(1)
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
