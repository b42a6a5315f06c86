#include "platform/Colour.h"
#include "platform/FloodFill.h"
#include "platform/ImageSurface.h"

#include <QGuiApplication>
#include <benchmark/benchmark.h>
#include <string>

using namespace pelorin;

namespace {

ImageSurface WhiteScreen() {
    ImageSurface surface(QSize(1024, 768), 96);
    surface.SetBackColor(0xFFFFFF);
    surface.Cls();
    return surface;
}

// The whole picture area flooded, as a filled box the size of the view would be.
void BM_FloodFillScreen(benchmark::State& state) {
    ImageSurface surface = WhiteScreen();
    surface.Line(0, 0, 1023, 767, 0, LineKind::Box);
    surface.SetFillStyle(FS_SOLID);
    Colour fill = 0x00FF00;
    for (auto _ : state) {
        fill ^= 0xFF00FF;
        surface.SetFillColor(fill);
        surface.FloodFill(512, 384, 0);
    }
    state.SetItemsProcessed(state.iterations() * 1022 * 766);
}
BENCHMARK(BM_FloodFillScreen)->Unit(benchmark::kMillisecond);

// The region search on a whole A4 page at the printer's 300 dpi, crossed by a grid of lines.
void BM_FloodRegionA4Page(benchmark::State& state) {
    QImage page(2362, 3390, QImage::Format_RGB32);
    page.fill(Qt::white);
    for (int y = 100; y < page.height(); y += 200)
        for (int x = 0; x < page.width() - 1; ++x)
            page.setPixel(x, y, qRgb(0, 0, 0));
    for (auto _ : state)
        benchmark::DoNotOptimize(FloodRegion(page, QPoint(5, 5), qRgb(0, 0, 0)));
    state.SetItemsProcessed(state.iterations() * page.width() * page.height());
}
BENCHMARK(BM_FloodRegionA4Page)->Unit(benchmark::kMillisecond);

// A picture's worth of thin lines.
void BM_PlainLines(benchmark::State& state) {
    ImageSurface surface = WhiteScreen();
    for (auto _ : state)
        for (int i = 0; i < 1000; ++i)
            surface.Line(i % 1024, 0, 1023 - i % 1024, 767, 0x0000FF);
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_PlainLines)->Unit(benchmark::kMillisecond);

// Dynamic values being redrawn: a background box and a short text each.
void BM_PrintValues(benchmark::State& state) {
    ImageSurface surface = WhiteScreen();
    surface.SetFontName("Courier New");
    surface.SetFontSize(8.5);
    surface.SetFontBold(true);
    const std::string value = "21.5";
    for (auto _ : state) {
        for (int i = 0; i < 100; ++i) {
            const double x = (i % 10) * 100, y = (i / 10) * 70;
            surface.Line(x, y, x + surface.TextWidth(value), y + surface.TextHeight(value), 0xFFFFFF,
                         LineKind::FilledBox);
            surface.SetCurrentX(x);
            surface.SetCurrentY(y);
            surface.Print(value);
        }
    }
    state.SetItemsProcessed(state.iterations() * 100);
}
BENCHMARK(BM_PrintValues)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
