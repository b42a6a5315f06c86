#pragma once

// What the benchmark programs share, widget-free.

#include <benchmark/benchmark.h>
#include <string>

namespace pelorin::bench {

// Lines of a terminal listing, CR LF ended, at least `bytes` long.
inline std::string Listing(size_t bytes) {
    std::string text;
    text.reserve(bytes + 80);
    for (int line = 0; text.size() < bytes; ++line)
        text +=
            "PG01.BV.GP" + std::to_string(line % 1000) + "   = 55.0   OK  " + std::string(40, '.') + "\r\n";
    return text;
}

// Runs the benchmarks the command line selects.
inline int RunBenchmarks(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

} // namespace pelorin::bench
