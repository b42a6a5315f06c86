// Continuous printing of one line without a line break, of 16 KiB to 1 MiB, into a PDF job: the time
// until the line is printed and the job ended, and the longest the event loop waited meanwhile (how
// late a key would be answered), in time passed and in time this thread ran. The time per byte should not
// depend on the line's length.

#include "WidgetBench.h"

#include "platform/PrinterSurface.h"
#include "sysdial/ContinuousPrinter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <ctime>
#include <string>

using namespace pelorin;

namespace {

// The time this thread ran, unlike the time that passed, does not grow with other programs' load.
double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The terminal's greeting, printed before the long line: the job is open, as it is when the line comes.
constexpr std::string_view kGreeting = "PELORIN> \r\n";

void PrintAll(ContinuousPrinter& printer, std::string_view text) {
    printer.Print(text);
    while (printer.Printing())
        QCoreApplication::processEvents();
}

void BM_ContinuousPrintOfOneLongLine(benchmark::State& state) {
    const std::string line(static_cast<size_t>(state.range(0)), 'x');
    const QTemporaryDir folder;
    const QString file = folder.filePath(QStringLiteral("continuous.pdf"));
    PrinterSurface pdf(PrinterSurface::Output::Pdf);
    pdf.SetPdfPath(file);
    ContinuousPrinter printer;
    printer.SetPrinter(pdf);
    double longestStallMs = 0;
    double longestStallCpuMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        printer.Start("Courier New");
        PrintAll(printer, kGreeting);
        state.ResumeTiming();
        printer.Print(line);
        while (printer.Printing()) {
            QElapsedTimer turn;
            turn.start();
            const double cpuBefore = ThreadCpuMs();
            QCoreApplication::processEvents();
            longestStallCpuMs = std::max(longestStallCpuMs, ThreadCpuMs() - cpuBefore);
            longestStallMs = std::max(longestStallMs, static_cast<double>(turn.nsecsElapsed()) / 1e6);
        }
        printer.Stop();
    }
    state.counters["longest_stall_ms"] = longestStallMs;
    state.counters["longest_stall_cpu_ms"] = longestStallCpuMs;
    if (QFileInfo(file).size() == 0)
        state.SkipWithError("no PDF was written");
    state.SetBytesProcessed(static_cast<int64_t>(line.size()) * state.iterations());
    state.counters["ns/byte"] = benchmark::Counter(
        static_cast<double>(line.size()) * static_cast<double>(state.iterations()),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::kIs1000);
}
BENCHMARK(BM_ContinuousPrintOfOneLongLine)
    ->RangeMultiplier(4)
    ->Range(16 << 10, 1 << 20)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

} // namespace

int main(int argc, char** argv) {
    pelorin::bench::UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    return pelorin::bench::RunBenchmarks(argc, argv);
}
