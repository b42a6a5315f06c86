// Terminal receive throughput: a 1 MiB burst of terminal lines into a terminal whose history is
// already full, so that every arrival trims. The time per byte should not depend on the history size.

#include "BenchSupport.h"

#include "core/TerminalBuffer.h"

#include <benchmark/benchmark.h>

namespace {

using namespace pelorin;
using pelorin::bench::Listing;

constexpr size_t kBurst = 1 << 20;

// range(0): history limit; range(1): bytes per arrival.
void BM_TerminalBurst(benchmark::State& state) {
    const auto history = static_cast<int32_t>(state.range(0));
    const auto segment = static_cast<size_t>(state.range(1));
    const std::string burst = Listing(kBurst);
    TerminalBuffer terminal;
    terminal.SetMaxHistory(history);
    terminal.Receive(Listing(static_cast<size_t>(history)));
    for (auto _ : state) {
        for (size_t at = 0; at < burst.size(); at += segment)
            benchmark::DoNotOptimize(terminal.Receive(std::string_view(burst).substr(at, segment)));
    }
    state.SetBytesProcessed(static_cast<int64_t>(burst.size()) * state.iterations());
    state.counters["ns/byte"] = benchmark::Counter(
        static_cast<double>(burst.size()) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_TerminalBurst)
    ->ArgsProduct({{64 << 10, 1 << 20}, {1, 1460, 64 << 10}})
    ->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
