// Drawing the largest demo picture at 1280 x 1024 from scratch, and redrawing one live value as a
// value update does (erase, then draw).

#include "WidgetBench.h"

#include "Plant.h"
#include "control/PelorinControl.h"
#include "toolbar/ToolbarRow.h"
#include "core/ClientProcs.h"
#include "core/Protocol.h"
#include "link/Session.h"
#include "picture/PictureView.h"
#include "platform/PictureBox.h"
#include "platform/Widgets.h"

#include <QApplication>
#include <QTemporaryDir>
#include <memory>

namespace {

using namespace pelorin;

const sim::ServedPicture& LargestDemoPicture(const sim::Plant& plant) {
    const sim::ServedPicture* largest = &plant.pictures.begin()->second;
    for (const auto& [number, picture] : plant.pictures)
        if (picture.elementData.size() > largest->elementData.size())
            largest = &picture;
    return *largest;
}

// A started control at 1280 x 1024 holding the largest demo picture, its values filled in.
class PaintBench {
public:
    PaintBench() : m_Settings(m_Dir.path().toStdString()), control(ControlServices{.settings = &m_Settings}) {
        QString error;
        if (!sim::LoadPlant(sim::DemoPlantFolder(), m_Plant, &error))
            qFatal("demo plant: %s", qPrintable(error));
        control.UserControl_Initialize();
        PropertyBag bag;
        bag.Set("PCTWidth", "1280");
        bag.Set("PCTHeight", "1024");
        control.UserControl_ReadProperties(bag);
        control.session().Timer_System->SetEnabled(false);

        const sim::ServedPicture& picture = LargestDemoPicture(m_Plant);
        std::string header = Long2String(1) + Long2String(0) + Long2String(picture.header.background);
        for (size_t i = 0; i < 8; ++i)
            header += Long2String(picture.header.palette[i]);
        header.resize(kPictureHeaderSize, '\0');
        control.DispatchFrame(MSG_PICTURE, header + picture.elementData);
        for (const auto& e : control.m_Elements)
            if (e->m_ElementType == ET_DYNVALUE) {
                e->m_Text = "21.5";
                value = e.get();
            }
        elementDataBytes = picture.elementData.size();
    }

private:
    QTemporaryDir m_Dir;
    SettingsStore m_Settings;
    sim::Plant m_Plant;

public:
    PelorinControl control;
    cElement* value = nullptr;
    size_t elementDataBytes = 0;
};

// Made and destroyed in main, while the application exists.
std::unique_ptr<PaintBench> g_Bench;

PaintBench& Bench() {
    return *g_Bench;
}

void BM_PaintWholePicture(benchmark::State& state) {
    PaintBench& bench = Bench();
    ImageSurface& screen = bench.control.view().Surface();
    for (auto _ : state)
        bench.control.view().Painter().PaintAllElements(screen, bench.control.m_Elements, -1);
    state.counters["elements"] = static_cast<double>(bench.control.m_Elements.size());
    state.counters["bytes"] = static_cast<double>(bench.elementDataBytes);
}
BENCHMARK(BM_PaintWholePicture)->Unit(benchmark::kMillisecond);

void BM_RedrawOneValue(benchmark::State& state) {
    PaintBench& bench = Bench();
    if (!bench.value) {
        state.SkipWithError("the picture has no live value");
        return;
    }
    ImageSurface& screen = bench.control.view().Surface();
    for (auto _ : state) {
        bench.control.PaintElement(screen, *bench.value, 0, 0);
        bench.control.PaintElement(screen, *bench.value, -1, 0);
    }
}
BENCHMARK(BM_RedrawOneValue)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    pelorin::bench::UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    g_Bench = std::make_unique<PaintBench>();
    const int result = pelorin::bench::RunBenchmarks(argc, argv);
    g_Bench.reset();
    return result;
}
