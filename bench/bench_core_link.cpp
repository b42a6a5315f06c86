// Frame cutting throughput: one large arrival of small value messages, the worst case for a cutter
// that moves the remaining bytes after every frame.

#include "core/ClientProcs.h"
#include "core/FrameCutter.h"
#include "core/Protocol.h"

#include <benchmark/benchmark.h>

namespace {

using namespace pelorin;

// A stream of MSG_VALUE frames (2-byte pointer and "21.5") of at least `bytes` bytes.
std::string ValueStream(size_t bytes) {
    std::string stream;
    stream.reserve(bytes + 16);
    for (int pointer = 0; stream.size() < bytes; pointer = (pointer + 1) % 500)
        stream += EncodeFrame(MSG_VALUE, std::string(1, static_cast<char>(pointer >> 8)) +
                                             static_cast<char>(pointer & 0xFF) + "21.5");
    return stream;
}

void ReportRates(benchmark::State& state, size_t bytes, int64_t frames) {
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
    state.counters["frames"] = benchmark::Counter(static_cast<double>(frames), benchmark::Counter::kIsRate);
    state.counters["ns/byte"] = benchmark::Counter(
        static_cast<double>(bytes) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}

void BM_CutFramesOneArrival(benchmark::State& state) {
    const std::string stream = ValueStream(static_cast<size_t>(state.range(0)));
    int64_t frames = 0;
    for (auto _ : state) {
        std::string buffer;
        CutFrames(buffer, stream, [&](uint8_t, const std::string& payload) {
            benchmark::DoNotOptimize(payload.data());
            ++frames;
        });
    }
    ReportRates(state, stream.size(), frames);
}
BENCHMARK(BM_CutFramesOneArrival)->Arg(1 << 20)->Arg(16 << 20)->Unit(benchmark::kMillisecond);

// The same stream in TCP-segment-sized arrivals, so that frames straddle arrivals.
void BM_CutFramesSegments(benchmark::State& state) {
    constexpr size_t kSegment = 1460;
    const std::string stream = ValueStream(static_cast<size_t>(state.range(0)));
    int64_t frames = 0;
    for (auto _ : state) {
        std::string buffer;
        for (size_t at = 0; at < stream.size(); at += kSegment)
            CutFrames(buffer, std::string_view(stream).substr(at, kSegment),
                      [&](uint8_t, const std::string& payload) {
                          benchmark::DoNotOptimize(payload.data());
                          ++frames;
                      });
    }
    ReportRates(state, stream.size(), frames);
}
BENCHMARK(BM_CutFramesSegments)->Arg(1 << 20)->Arg(16 << 20)->Unit(benchmark::kMillisecond);

// Baseline: removing each frame from the front of the buffer, which moves the rest every time.
void BM_EraseFromFrontBaseline(benchmark::State& state) {
    const std::string stream = ValueStream(static_cast<size_t>(state.range(0)));
    int64_t frames = 0;
    for (auto _ : state) {
        std::string buffer = stream;
        while (buffer.size() >= kFrameHeadSize) {
            const auto length = static_cast<size_t>(String2Long(buffer, 1));
            if (buffer.size() < kFrameHeadSize + length)
                break;
            const std::string payload = buffer.substr(kFrameHeadSize, length);
            buffer.erase(0, kFrameHeadSize + length);
            benchmark::DoNotOptimize(payload.data());
            ++frames;
        }
    }
    ReportRates(state, stream.size(), frames);
}
BENCHMARK(BM_EraseFromFrontBaseline)->Arg(64 << 10)->Arg(256 << 10)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
