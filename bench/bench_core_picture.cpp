// Parsing a picture that fills the whole element data buffer with small records.

#include "core/PictureParser.h"
#include "core/PictureWriter.h"
#include "core/Protocol.h"

#include <benchmark/benchmark.h>

namespace {

using namespace pelorin;

// Lines, texts, values and boxes in turn until the next record would not fit the buffer.
std::string FullPicture() {
    PictureWriter picture;
    PictureWriter next;
    for (int i = 0; next.size() <= static_cast<size_t>(kMaxElementData); ++i) {
        picture = next;
        const auto x = static_cast<int16_t>(i % 640);
        const auto y = static_cast<int16_t>(i % 474);
        switch (i % 4) {
        case 0:
            next.line(1, 1, false, x, y, static_cast<int16_t>(x + 10), y);
            break;
        case 1:
            next.text(2, 0, x, y, "GT1");
            break;
        case 2:
            next.dynValue(3, 0, 1, x, y, "AS1.GT11");
            break;
        default:
            next.box(4, false, false, 1, x, y, static_cast<int16_t>(x + 5), static_cast<int16_t>(y + 5));
        }
    }
    return picture.data();
}

void BM_ParseFullPicture(benchmark::State& state) {
    const std::string data = FullPicture();
    const Palette palette = {0, 1, 2, 3, 4, 5, 6, 7, 0};
    PictureParser parser(palette, 8, 13);
    ElementList elements;
    for (auto _ : state) {
        parser.ExtractAllElements(data, elements);
        benchmark::DoNotOptimize(elements.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(data.size()) * state.iterations());
    state.counters["elements"] =
        benchmark::Counter(static_cast<double>(elements.size()) * static_cast<double>(state.iterations()),
                           benchmark::Counter::kIsRate);
    state.counters["picture_bytes"] = static_cast<double>(data.size());
}
BENCHMARK(BM_ParseFullPicture)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
