#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// The setpoint curve chart: setpoint(T) = Bend * T^2 + Slope * T + At0 over the outdoor temperature
// T from +30 (left) to -30 (right) and the setpoint from 0 (bottom) to 100 (top). Everything here is
// arithmetic on the chart record; drawing it is left to the painter, which gets the coordinates.
namespace pelorin {

// Values of CurveChart::DragMode.
enum CurveDragMode : int16_t {
    CURVE_DRAG_NONE = 0,
    CURVE_DRAG_LEFT_END = 1,
    CURVE_DRAG_MIDDLE = 2,
    CURVE_DRAG_RIGHT_END = 3,
    CURVE_DRAG_WHOLE_CURVE = 4,
};

// The chart's geometry in the target's drawing units, its colours, the curve parameters and the
// drag state. x grows to the right, y downwards, so both scales are negative.
struct CurveChart {
    int32_t Left = 0;   // x where T = TempLeft
    int32_t Middle = 0; // x where T = 0
    int32_t Right = 0;  // x where T = TempRight
    int32_t Top = 0;    // y where the value is ValueTop
    int32_t Bottom = 0; // y where the value is ValueBottom
    float XScale = 0;   // drawing units per degree
    float YScale = 0;   // drawing units per setpoint unit
    float XGridStep = 0;
    float YGridStep = 0;
    int32_t CurveColor = 0; // XOR pen colours: they show as blue, grey and green on the background
    int32_t GridColor = 0;
    int32_t MarkColor = 0;
    int32_t TempLeft = 30;
    int32_t ValueBottom = 0;
    int32_t TempRight = -30;
    int32_t ValueTop = 100;
    float TempStep = -3; // temperature span of one of the 20 curve segments
    int32_t XDivisions = 6;
    int32_t YDivisions = 10;
    float Computed = 0;
    float At0 = 0;
    float Slope = 0;
    float Bend = 0;
    int16_t SupportLine = 0; // -1 when the line between the two end values is shown
    float VertexTemp = 0;    // the vertex when it lies in the chart, else TempRight
    float VertexValue = 0;
    float LeftValue = 0;
    float RightValue = 0;
    int16_t DragMode = CURVE_DRAG_NONE;
    int32_t LastMoveY = 0;
    int32_t DownY = 0;
    int32_t MarkerSize = 0; // side of the handles and the hit tolerance
};

// Text measured in the target's current font (the surface's TextWidth and TextHeight).
struct ChartTextMeasure {
    std::function<double(const std::string&)> TextWidth;
    std::function<double(const std::string&)> TextHeight;
};

// Lays the chart out in the rectangle at (Left, Top) of Height x Width drawing units, leaving room
// for the labels, and derives the colours from `background` (the resolved background colour: white
// on paper). Ends any drag.
void LayoutCurveChart(CurveChart& chart, int32_t background, const ChartTextMeasure& measure, int32_t Top,
                      int32_t Left, int32_t Height, int32_t Width);

// False when the layout left no room for the chart (its scales would be 0): then nothing is drawn
// and no drag starts.
bool CurveChartUsable(const CurveChart& chart);

// The curve's value at temperature T.
float CurveValue(const CurveChart& chart, float T);

// Clamps the parameters to their ranges and derives the end values and the vertex.
void UpdateCurveLimits(CurveChart& chart);

float ClampSingle(float Value, float Min, float Max);
// A when |A| <= |B|, else B.
float SmallerMagnitude(float A, float B);

// Drawing coordinates of a temperature and of a setpoint value.
double ChartX(const CurveChart& chart, double T);
double ChartY(const CurveChart& chart, double value);

// Mouse press at (X, Y) on a usable chart with no drag active: updates the limits, takes the snapshot
// `atMouseDown` and starts the drag the press asks for (the handle at either end or in the middle,
// or the whole curve) when it is within MarkerSize of the curve. Returns true when a drag started.
bool StartCurveDrag(CurveChart& chart, CurveChart& atMouseDown, float X, float Y);

struct CurveParameters {
    float At0;
    float Slope;
    float Bend;
};

// Mouse move to height Y during a drag: the parameters the drag gives, computed from the press
// snapshot, so that they depend only on the total offset. None when the pointer did not move
// vertically, or is back at the press height. The caller erases the curve, sets the parameters and
// draws it again.
std::optional<CurveParameters> MoveCurveDrag(CurveChart& chart, const CurveChart& atMouseDown, float Y);

// Mouse release (or the editor opening or closing): ends the drag. Returns true when one was active.
bool EndCurveDrag(CurveChart& chart);

// What the painter draws. Lines are drawn as plain lines unless said otherwise.
struct ChartLine {
    double x1, y1, x2, y2;
    int32_t colour;
};
struct ChartSquare {
    double left, top, side;
    int32_t colour;
};
// Printed with its top-left at (x, y) in black.
struct ChartLabel {
    std::string text;
    double x, y;
};

struct ChartAxesFigure {
    ChartLine frame;              // the chart's outline, drawn as a box
    std::vector<ChartLine> lines; // grid lines and ticks, in drawing order
    std::vector<ChartLabel> labels;
};

// The axes, drawn with the copy pen.
ChartAxesFigure ChartAxes(const CurveChart& chart, const ChartTextMeasure& measure);

struct ChartCurveFigure {
    std::vector<ChartLine> segments; // the curve, with the level line from its vertex segment
    std::array<ChartSquare, 3> handles;
    std::optional<ChartLine> supportLine;
};

// The curve, drawn with the XOR pen so that drawing it again erases it. Takes the limits as they
// are: UpdateCurveLimits first.
ChartCurveFigure ChartCurve(const CurveChart& chart);

} // namespace pelorin
