// One step of dragging a setpoint curve on the 360 x 280 curve box: the mouse moves, the old curve
// is erased with the XOR pen, the new parameters are computed from the press, the curve is drawn
// again and the boxes show the numbers.

#include "WidgetBench.h"

#include "platform/PictureBox.h"
#include "ports/ControlMembers.h"
#include "ports/Ports.h"
#include "setpoints/CurveEditor.h"

#include <QApplication>
#include <QWidget>

namespace {

using namespace pelorin;
using namespace pelorin::bench;

void BM_CurveDragStep(benchmark::State& state) {
    QWidget window;
    SetpointMembers setpoint;
    PictureMembers picture;
    ViewSwitchFake view;
    RecordingSender sender;
    CurveEditor editor(
        &window,
        {.setpoint = setpoint, .picture = picture, .view = view, .sender = sender, .closeSetpoint = [] {}});
    cElement block;
    block.m_Address = "VS01.DAG";
    editor.LayoutCurveChart();
    editor.Open(block);
    editor.ShowParameter(1, "42");
    editor.ShowParameter(2, "-0.9");
    editor.ShowParameter(3, "0.004");
    const CurveChart& chart = editor.Chart();
    const auto x = static_cast<float>(chart.Middle);
    const auto y = static_cast<float>(ChartY(chart, chart.At0));
    editor.Picture_SPV_Curve_MouseDown(1, 0, x, y);
    if (chart.DragMode != CURVE_DRAG_MIDDLE)
        state.SkipWithError("the press did not catch the middle handle");
    float offset = 20;
    for (auto _ : state) {
        editor.Picture_SPV_Curve_MouseMove(1, 0, x, y - offset);
        offset = offset == 20 ? 21 : 20;
    }
    const QSize box = editor.Picture_SPV_Curve->Surface().Image().size();
    state.SetLabel(std::to_string(box.width()) + " x " + std::to_string(box.height()));
}
BENCHMARK(BM_CurveDragStep)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    pelorin::bench::UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    return pelorin::bench::RunBenchmarks(argc, argv);
}
