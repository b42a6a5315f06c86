// Trends: recording a value, drawing a million points, and what a point costs in memory.
//
// Drawing goes through the trend's own painting on an image of the size of a trend window's plot:
// each series is reduced to the lowest and highest value per pixel column, so that the cost is a
// pass over the points shown and a stroke per column.

#include "core/ValueHistory.h"
#include "trend/TrendPainter.h"

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <random>

namespace {

using namespace pelorin;

// A random walk of `points` values a millisecond apart, as a sensor that changes a little each time.
void RecordWalk(ValueHistory& history, const std::string& address, int64_t points) {
    std::mt19937 random(1);
    std::normal_distribution<double> step(0.0, 0.1);
    double value = 20;
    for (int64_t t = 0; t < points; ++t)
        history.Record(address, t, value += step(random));
}

// One value of one of 1,000 addresses as it arrives, once the cap keeps the oldest going.
void BM_RecordValue(benchmark::State& state) {
    ValueHistory history(static_cast<size_t>(state.range(0)));
    std::vector<std::string> addresses;
    for (int i = 0; i < 1000; ++i)
        addresses.push_back("LB01.GT" + std::to_string(i));
    int64_t t = 0;
    for (auto _ : state) {
        history.Record(addresses[static_cast<size_t>(t % 1000)], t, "21.5");
        ++t;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_RecordValue)->Arg(2'000'000);

// The lowest and highest value per column of 1,000 columns, all points shown.
void BM_ExtremesPerColumn(benchmark::State& state) {
    ValueHistory history(static_cast<size_t>(state.range(0)));
    RecordWalk(history, "A", state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(ExtremesPerColumn(history.Series("A"), 0, state.range(0) - 1, 1000));
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_ExtremesPerColumn)->Arg(1'000'000)->Unit(benchmark::kMillisecond);

// A whole trend drawn, with legend, grid and time axis, its plot 1,000 pixels wide: one series of a
// million points, and eight series of a million each.
void BM_PaintTrend(benchmark::State& state) {
    const auto series = static_cast<int>(state.range(0));
    ValueHistory history(static_cast<size_t>(series) * 1'000'000);
    TrendScene scene{.history = &history, .addresses = {}, .from = 0, .to = 999'999, .cursor = {}};
    for (int i = 0; i < series; ++i) {
        scene.addresses.push_back("S" + std::to_string(i));
        RecordWalk(history, scene.addresses.back(), 1'000'000);
    }
    // The plot is the image less its margins of one text height at each side.
    QImage image(1000 + 2 * 12 + 2, 600, QImage::Format_RGB32);
    const TrendLayout layout = LayOutTrend(image.rect(), scene);
    for (auto _ : state) {
        QPainter painter(&image);
        PaintTrend(painter, image.rect(), scene);
    }
    state.counters["plot_width"] = layout.plot.width();
    state.SetItemsProcessed(state.iterations() * series * 1'000'000);
}
BENCHMARK(BM_PaintTrend)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);

// The heap a full history takes, per point: 2,000,000 points over 1,000 addresses.
void BM_MemoryPerPoint(benchmark::State& state) {
    for (auto _ : state) {
        const size_t before = mallinfo2().uordblks;
        {
            ValueHistory history;
            for (int64_t t = 0; t < static_cast<int64_t>(ValueHistory::kDefaultCap); ++t)
                history.Record("LB01.GT" + std::to_string(t % 1000), t, 21.5);
            state.counters["bytes_per_point"] =
                static_cast<double>(mallinfo2().uordblks - before) / static_cast<double>(history.Points());
            state.counters["points"] = static_cast<double>(history.Points());
        }
    }
}
BENCHMARK(BM_MemoryPerPoint)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
