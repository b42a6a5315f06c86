// Live values per second on a picture with many dynamic elements.
//
// Through the real receive step: a fake server on loopback streams MSG_VALUE frames to a logged-in
// control showing a 1,000-value picture, which draws them at the display's pace, against the same
// control drawing every value as it comes. Before the benchmarks run, the two are fed the same stream
// and their pictures compared pixel for pixel.
//
// Through the handler alone: MSG_VALUE applied with the index from dynamic number to elements and a
// running count of elements with a value, against the plain way of walking every element for every
// value. Both apply and redraw each value the same way; the "bookkeeping" runs leave out the redraw
// to show what the walk itself costs.

#include "FakePictureServer.h"
#include "control/PelorinControl.h"
#include "core/ClientProcs.h"
#include "core/NumberText.h"
#include "core/PictureWriter.h"
#include "core/Protocol.h"
#include "link/Session.h"
#include "picture/PictureModel.h"
#include "picture/PictureView.h"
#include "platform/PictureBox.h"
#include "platform/Widgets.h"
#include "toolbar/ToolbarRow.h"
#include "toolbar/ToolbarTable.h"
#include "trend/HistoryRecorder.h"

#include <QApplication>
#include <QImage>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace pelorin;

enum class Kind { Values, Setpoints };

// A picture of `count` dynamic values in a grid, each with one decimal, or of `count` setpoint blocks.
std::string PictureOf(Kind kind, int count) {
    if (kind == Kind::Values)
        return bench::ValuePicture(1, count);
    PictureWriter writer;
    for (int i = 0; i < count; ++i)
        writer.setpoint("V" + std::to_string(i), "", "", "", "");
    return bench::PictureMessage(1, writer);
}

std::vector<std::string> ValuePayloads(int count) {
    std::vector<std::string> payloads;
    for (int i = 0; i < count; ++i) {
        payloads.push_back(Short2String(i) + std::to_string(20 + i % 7) + ".5");
    }
    return payloads;
}

// A control showing a picture of `count` elements, drawing every value as it comes, with its settings
// kept out of the user's store. Setpoint blocks get their kind first, so that later values only run
// the bookkeeping: no redraw.
struct ShownPicture {
    ShownPicture(Kind kind, int count)
        : settings(folder.path().toStdString()), control(ControlServices{.settings = &settings}),
          payloads(ValuePayloads(count)) {
        control.UserControl_Initialize();
        control.UserControl_ReadProperties(PropertyBag());
        control.view().Drawing().SetDrawEveryValue(true);
        control.m_AccessLevel = 31;
        control.OnPicture(PictureOf(kind, count));
        if (kind == Kind::Setpoints)
            for (const std::string& payload : payloads)
                control.OnValue(payload.substr(0, 2) + "1");
    }
    QTemporaryDir folder;
    SettingsStore settings;
    PelorinControl control;
    std::vector<std::string> payloads;
};

// The plain algorithm: one walk over all elements per value, to apply it and to count the
// elements that have a value.
void ApplyByWalking(PelorinControl& c, const std::string& payload) {
    const int32_t pointer = String2Short(payload, 0);
    const std::string text = payload.substr(2);
    PaintSurface& surface = c.view().Surface();
    int32_t count = 0;
    for (const auto& e : c.m_Elements) {
        if (e->m_DynamicArrayPointer == pointer && e->m_ElementType == ET_DYNVALUE) {
            c.PaintElement(surface, *e, 0, 0);
            e->m_Value = ReadNumber(text);
            e->m_Status = 1;
            e->m_Text = FixedText(e->m_Value, e->m_Decimals);
            c.PaintElement(surface, *e, -1, 0);
        }
        if (e->m_Status == 1)
            ++count;
    }
    const auto percent = RoundTo<int64_t>(count * 100.0 / c.m_DynamicPointers);
    c.toolbar().Text_Updated->SetText(std::to_string(percent) + "%");
}

constexpr int kStreamedValues = 1000;

using bench::Clock;

void RunEventsUntil(const std::function<bool()>& condition) {
    while (!condition())
        QCoreApplication::processEvents();
}

// A control logged in to a fake server on loopback and showing its 1,000-value picture.
class StreamedPicture {
public:
    explicit StreamedPicture(bool drawEveryValue, PlantWatch* watch = nullptr)
        : m_Settings(m_Folder.path().toStdString()), m_Server({{1, bench::ValuePicture(1, kStreamedValues)}}),
          control(ControlServices{.settings = &m_Settings, .watch = watch}) {
        if (!m_Server.listen())
            qFatal("the fake server cannot listen");
        control.UserControl_Initialize();
        bench::ConnectToFakeServer(control, m_Server.port());
        control.session().Timer_System->SetEnabled(false);
        control.view().Drawing().SetDrawEveryValue(drawEveryValue);
        control.session().Text_UserVisa->SetText("FLOOD");
        control.session().Command_Login_Click();
        RunEventsUntil(
            [this] { return control.m_ViewState == VS_PICTURE && control.model().PictureExists(1); });
        control.Toolbar_ButtonClick(tb::kHome);
        RunEventsUntil([this] { return control.m_DynamicPointers == kStreamedValues; });
    }

    // Streams `frames` and a marker behind them, and runs the control until it has handled the
    // marker and drawn what is left to draw.
    void Stream(const std::string& frames) {
        const std::string marker = "," + std::to_string(++m_Streams) + ",";
        m_Server.send(frames + EncodeFrame(MSG_PICTURE_TABLE,
                                           std::string(kPictureTableSize, '\1') +
                                               Long2String(static_cast<int32_t>(marker.size())) + marker));
        RunEventsUntil([this, &marker] { return control.m_WriteParameters == marker; });
        control.view().DrawPending();
    }

    const QImage& Image() { return control.view().Surface().Image(); }

private:
    QTemporaryDir m_Folder;
    SettingsStore m_Settings;
    bench::FakePictureServer m_Server;
    int m_Streams = 0;

public:
    PelorinControl control;
};

// Values for every element of the picture in turn, through the socket and the receive step.
void BM_ValueStream(benchmark::State& state, bool drawEveryValue) {
    StreamedPicture shown(drawEveryValue);
    const auto frames = static_cast<int>(state.range(0));
    const std::string stream = bench::ValueFrames(kStreamedValues, frames);
    for (auto _ : state)
        shown.Stream(stream);
    state.SetItemsProcessed(state.iterations() * frames);
    state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(stream.size()));
}

// Per second of the processor's time, as the machine may be shared; the client has one thread, and
// the fake server's writing is counted against it.
BENCHMARK_CAPTURE(BM_ValueStream, drawn_at_display_pace, false)->Arg(200000)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_ValueStream, every_value_drawn, true)->Arg(10000)->Unit(benchmark::kMillisecond);

// The same stream drawn at the display's pace with every value kept for the trends, under the default
// cap, which the stream reaches, so that the oldest values are dropped as they would be in a long
// session.
void BM_ValueStreamRecorded(benchmark::State& state) {
    ValueHistory history;
    HistoryRecorder recorder(history);
    StreamedPicture shown(false, &recorder);
    const auto frames = static_cast<int>(state.range(0));
    const std::string stream = bench::ValueFrames(kStreamedValues, frames);
    for (auto _ : state)
        shown.Stream(stream);
    state.SetItemsProcessed(state.iterations() * frames);
    state.counters["points_kept"] = static_cast<double>(history.Points());
}
BENCHMARK(BM_ValueStreamRecorded)->Arg(200000)->Unit(benchmark::kMillisecond);

// A control shown as on the operator's screen, logged in to a fake server that sends two pictures of
// `values` values in turn, each with all its values in the same write: a picture switch.
class PictureSwitch {
public:
    explicit PictureSwitch(int values)
        : m_Settings(m_Folder.path().toStdString()), m_Values(values), m_Server({}),
          control(ControlServices{.settings = &m_Settings}) {
        for (int32_t picture : {1, 2})
            m_Arrivals.push_back(EncodeFrame(MSG_PICTURE, bench::ValuePicture(picture, values)) +
                                 bench::ValueFrames(values, values));
        if (!m_Server.listen())
            qFatal("the fake server cannot listen");
        control.UserControl_Initialize();
        bench::ConnectToFakeServer(control, m_Server.port());
        control.show();
        control.session().Timer_System->SetEnabled(false);
        control.session().Text_UserVisa->SetText("SWITCH");
        control.session().Command_Login_Click();
        RunEventsUntil(
            [this] { return control.m_ViewState == VS_PICTURE && control.model().PictureExists(1); });
    }

    // Sends the other picture with its values; returns the time until the indicator turned green
    // and until the last value was on the picture's surface.
    std::pair<Clock::duration, Clock::duration> Switch() {
        const int32_t next = control.m_PictureNumber == 1 ? 2 : 1;
        const Clock::time_point start = Clock::now();
        m_Server.send(m_Arrivals[static_cast<size_t>(next - 1)]);
        Clock::time_point indicator{};
        while (!AllValuesDrawn(next)) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (indicator == Clock::time_point{} && control.m_PictureNumber == next &&
                control.toolbar().IndicatorComplete())
                indicator = Clock::now();
        }
        const Clock::time_point drawn = Clock::now();
        if (indicator == Clock::time_point{})
            indicator = drawn;
        return {indicator - start, drawn - start};
    }

private:
    bool AllValuesDrawn(int32_t picture) {
        return control.m_PictureNumber == picture && control.model().ElementsWithValue() == m_Values &&
               !control.view().Drawing().HasPending();
    }

    QTemporaryDir m_Folder;
    SettingsStore m_Settings;
    int m_Values;
    bench::FakePictureServer m_Server;
    std::vector<std::string> m_Arrivals;

public:
    PelorinControl control;
};

// From MSG_PICTURE and its values in one arrival to the last value on the picture's surface, in
// real time: the cost of a value in a picture switch is the slope over the number of values.
void BM_PictureSwitchWithValues(benchmark::State& state) {
    const auto values = static_cast<int>(state.range(0));
    PictureSwitch rig(values);
    Clock::duration indicator{};
    for (auto _ : state) {
        const auto [green, drawn] = rig.Switch();
        indicator += green;
        state.SetIterationTime(std::chrono::duration<double>(drawn).count());
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["indicator_ms"] =
        std::chrono::duration<double, std::milli>(indicator).count() / iterations;
    state.counters["values"] = values;
}
BENCHMARK(BM_PictureSwitchWithValues)
    ->Arg(0)
    ->Arg(100)
    ->Arg(500)
    ->Arg(1000)
    ->Arg(1300)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The picture drawn at the display's pace is the picture drawing every value would have left.
bool PacedPictureMatches() {
    StreamedPicture paced(false);
    StreamedPicture everyValue(true);
    const std::string stream = bench::ValueFrames(kStreamedValues, 20000);
    paced.Stream(stream);
    everyValue.Stream(stream);
    return paced.Image() == everyValue.Image();
}

void BM_ValueIndexed(benchmark::State& state, Kind kind) {
    ShownPicture shown(kind, static_cast<int>(state.range(0)));
    size_t next = 0;
    for (auto _ : state) {
        shown.control.OnValue(shown.payloads[next]);
        next = (next + 1) % shown.payloads.size();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_ValueWalkingAllElements(benchmark::State& state, Kind kind) {
    ShownPicture shown(kind, static_cast<int>(state.range(0)));
    size_t next = 0;
    for (auto _ : state) {
        ApplyByWalking(shown.control, shown.payloads[next]);
        next = (next + 1) % shown.payloads.size();
    }
    state.SetItemsProcessed(state.iterations());
}

// Values redrawn (erase and draw, as on a live picture), and values of setpoint blocks whose kind is
// known (bookkeeping only: finding the element and updating the indicator).
BENCHMARK_CAPTURE(BM_ValueIndexed, redrawn, Kind::Values)->Arg(100)->Arg(1000);
BENCHMARK_CAPTURE(BM_ValueWalkingAllElements, redrawn, Kind::Values)->Arg(100)->Arg(1000);
BENCHMARK_CAPTURE(BM_ValueIndexed, bookkeeping, Kind::Setpoints)->Arg(100)->Arg(1000);
BENCHMARK_CAPTURE(BM_ValueWalkingAllElements, bookkeeping, Kind::Setpoints)->Arg(100)->Arg(1000);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (!PacedPictureMatches()) {
        std::fprintf(stderr, "the picture drawn at the display's pace differs from drawing every value\n");
        return 1;
    }
    std::printf("the picture drawn at the display's pace equals drawing every value\n");
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
