// AssignList on a long "%" reply: one line of name=value fields, as a host
// sends a spectrum or a table. The time must grow with the reply, not with its
// square.
#include "engine/assign_list.h"
#include "macromath/variable_store.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

void AssignLongReply(benchmark::State& state) {
    std::string reply;
    for (long i = 0; i < state.range(0); ++i)
        reply += "v" + std::to_string(i % 1000) + "=" + std::to_string(i) + ",";
    for (auto _ : state) {
        talvex::VariableStore store;
        benchmark::DoNotOptimize(talvex::AssignList(reply, store));
    }
    state.SetComplexityN(state.range(0));
    state.SetBytesProcessed(state.iterations() * static_cast<long>(reply.size()));
}
BENCHMARK(AssignLongReply)->RangeMultiplier(10)->Range(1000, 1000000)->Complexity();

} // namespace
