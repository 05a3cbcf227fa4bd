// The script check over a large generated script, in lines per second
// (items_per_second).
#include "bench/engine/generated_script.h"
#include "engine/script_check.h"

#include <benchmark/benchmark.h>

namespace {

void CheckGeneratedScript(benchmark::State& state) {
    const long lines = state.range(0);
    const std::string text = talvex::bench::GeneratedScript(lines);
    for (auto _ : state) {
        auto findings = talvex::CheckScript({text, "bench.tvx", 0});
        benchmark::DoNotOptimize(findings);
    }
    state.SetItemsProcessed(state.iterations() * lines);
}
BENCHMARK(CheckGeneratedScript)->Arg(30000)->Arg(300000)->Unit(benchmark::kMillisecond);

} // namespace
