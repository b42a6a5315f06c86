#include "core/CurveChart.h"

#include "core/ClientProcs.h"
#include "core/Colours.h"

#include <charconv>
#include <cmath>
#include <utility>

namespace pelorin {

namespace {

constexpr int kCurveSegments = 20;
// The marker factor is the single-precision 0.011; in double it would round W = 500 up to 6.
constexpr double kMarkerFactor = static_cast<double>(0.011f);
// Compared with the bend widened to double: a bend of 0.001f (0.00100000005) has a vertex.
constexpr double kFlatBend = 0.001;

int32_t Round(double value) {
    return RoundTo<int32_t>(value);
}

std::string NumberText(double value) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, value);
    return std::string(text, result.ptr);
}

// Cuts the step dV so that `base` + dV stays within the value range, when it starts inside it.
float LimitStep(const CurveChart& chart, float dV, float base) {
    if (double{base} + dV < chart.ValueBottom)
        dV = SmallerMagnitude(dV, static_cast<float>(chart.ValueBottom - double{base}));
    if (double{base} + dV > chart.ValueTop)
        dV = SmallerMagnitude(dV, static_cast<float>(chart.ValueTop - double{base}));
    return dV;
}

// Slope and bend of the quadratic through the two end values with `at0` at 0 degrees.
void FitThroughEnds(CurveChart& chart, double leftValue, double rightValue, double at0) {
    const double tl = chart.TempLeft;
    const double tr = chart.TempRight;
    chart.Slope = static_cast<float>((tr * tr * (leftValue - at0) - tl * tl * (rightValue - at0)) /
                                     (tr * tr * tl - tl * tl * tr));
    chart.Bend = static_cast<float>((leftValue - at0 - chart.Slope * tl) / (tl * tl));
}

int16_t DragModeAt(const CurveChart& chart, float X) {
    const auto near = [&](int32_t x) { return x - chart.MarkerSize <= X && X <= x + chart.MarkerSize; };
    if (near(chart.Left))
        return CURVE_DRAG_LEFT_END;
    if (near(chart.Right))
        return CURVE_DRAG_RIGHT_END;
    if (near(chart.Middle))
        return CURVE_DRAG_MIDDLE;
    return CURVE_DRAG_WHOLE_CURVE;
}

} // namespace

void LayoutCurveChart(CurveChart& chart, int32_t background, const ChartTextMeasure& measure, int32_t Top,
                      int32_t Left, int32_t Height, int32_t Width) {
    chart.TempLeft = 30;
    chart.TempRight = -30;
    chart.ValueBottom = 0;
    chart.ValueTop = 100;
    chart.XDivisions = 6;
    chart.YDivisions = 10;

    // The right and bottom edges are measured from the rectangle, not from the label margins.
    chart.Left = Round(Left + measure.TextWidth("88888"));
    chart.Right = Round(static_cast<double>(Left) + Width - measure.TextWidth("888"));
    chart.Middle = Round((chart.Right - chart.Left) / 2.0 + chart.Left);
    chart.Top = Round(Top + Height * 0.08);
    chart.Bottom = Round(static_cast<double>(Top) + Height - 2 * measure.TextHeight("8"));

    chart.XScale = static_cast<float>(double(chart.Right - chart.Left) / (chart.TempRight - chart.TempLeft));
    chart.YScale =
        static_cast<float>(double(chart.Top - chart.Bottom) / (chart.ValueTop - chart.ValueBottom));
    chart.XGridStep = static_cast<float>(double(chart.Right - chart.Left) / chart.XDivisions);
    chart.YGridStep = static_cast<float>(double(chart.Bottom - chart.Top) / chart.YDivisions);
    chart.TempStep = static_cast<float>(double(chart.TempRight - chart.TempLeft) / kCurveSegments);

    chart.CurveColor = background ^ kBlue;
    chart.MarkColor = background ^ kGreen;
    chart.GridColor = kDarkGrey ^ background;
    chart.MarkerSize = Round(Width * kMarkerFactor);
    chart.DragMode = CURVE_DRAG_NONE;
}

bool CurveChartUsable(const CurveChart& chart) {
    return chart.Right > chart.Left && chart.Bottom > chart.Top;
}

float CurveValue(const CurveChart& chart, float T) {
    const double t = T;
    return static_cast<float>(t * t * chart.Bend + chart.Slope * t + chart.At0);
}

void UpdateCurveLimits(CurveChart& chart) {
    chart.Slope = ClampSingle(chart.Slope, -3, 3);
    chart.Bend = ClampSingle(chart.Bend, -1, 1);
    chart.At0 = ClampSingle(chart.At0, -1000, 1000);
    chart.LeftValue = CurveValue(chart, static_cast<float>(chart.TempLeft));
    chart.RightValue = CurveValue(chart, static_cast<float>(chart.TempRight));
    chart.VertexTemp = static_cast<float>(chart.TempRight);
    chart.VertexValue = chart.RightValue;
    // A nearly straight curve has its vertex far outside the chart.
    if (std::fabs(double{chart.Bend}) <= kFlatBend)
        return;
    const auto vertex = static_cast<float>((chart.Slope / -2.0) / chart.Bend);
    if (chart.TempRight <= vertex && vertex <= chart.TempLeft)
        chart.VertexTemp = vertex;
    chart.VertexValue = CurveValue(chart, chart.VertexTemp);
}

float ClampSingle(float Value, float Min, float Max) {
    if (Value > Max)
        return Max;
    if (Value < Min)
        return Min;
    return Value;
}

float SmallerMagnitude(float A, float B) {
    return std::fabs(A) <= std::fabs(B) ? A : B;
}

double ChartX(const CurveChart& chart, double T) {
    return (T - chart.TempLeft) * chart.XScale + chart.Left;
}

double ChartY(const CurveChart& chart, double value) {
    return value * chart.YScale + chart.Bottom;
}

bool StartCurveDrag(CurveChart& chart, CurveChart& atMouseDown, float X, float Y) {
    if (chart.DragMode != CURVE_DRAG_NONE || !CurveChartUsable(chart))
        return false;
    const auto T = static_cast<float>((double{X} - chart.Left) / chart.XScale + chart.TempLeft);
    const auto V = static_cast<float>((double{Y} - chart.Bottom) / chart.YScale);
    chart.DownY = Round(Y);
    UpdateCurveLimits(chart);
    atMouseDown = chart;
    if (X < chart.Left - chart.MarkerSize || X > chart.Right + chart.MarkerSize)
        return false;
    if (std::fabs((double{V} - CurveValue(chart, T)) * chart.YScale) >= chart.MarkerSize)
        return false;
    chart.DragMode = DragModeAt(chart, X);
    return true;
}

std::optional<CurveParameters> MoveCurveDrag(CurveChart& chart, const CurveChart& atMouseDown, float Y) {
    if (chart.DragMode == CURVE_DRAG_NONE || Y == static_cast<float>(chart.LastMoveY))
        return std::nullopt;
    chart.LastMoveY = Round(Y);
    const CurveChart& s = atMouseDown;
    // Moving the mouse up gives a positive step.
    auto dV = static_cast<float>((double{Y} - s.DownY) / chart.YScale);
    if (dV == 0)
        return std::nullopt;

    CurveChart next = chart;
    UpdateCurveLimits(next);
    switch (next.DragMode) {
    case CURVE_DRAG_LEFT_END:
        dV = LimitStep(next, dV, s.LeftValue);
        next.LeftValue = s.LeftValue + dV;
        FitThroughEnds(next, next.LeftValue, s.RightValue, s.At0);
        break;
    case CURVE_DRAG_MIDDLE:
        dV = LimitStep(next, dV, s.At0);
        next.At0 = s.At0 + dV;
        FitThroughEnds(next, s.LeftValue, s.RightValue, next.At0);
        break;
    case CURVE_DRAG_RIGHT_END:
        // The left end is the current one here, not the snapshot's.
        dV = LimitStep(next, dV, s.RightValue);
        next.RightValue = s.RightValue + dV;
        FitThroughEnds(next, next.LeftValue, next.RightValue, s.At0);
        break;
    default:
        dV = LimitStep(next, dV, s.LeftValue);
        dV = LimitStep(next, dV, s.RightValue);
        dV = LimitStep(next, dV, s.VertexValue);
        next.At0 = s.At0 + dV;
    }
    return CurveParameters{next.At0, next.Slope, next.Bend};
}

bool EndCurveDrag(CurveChart& chart) {
    return std::exchange(chart.DragMode, CURVE_DRAG_NONE) != CURVE_DRAG_NONE;
}

ChartAxesFigure ChartAxes(const CurveChart& chart, const ChartTextMeasure& measure) {
    ChartAxesFigure axes{
        {double(chart.Left), double(chart.Top), double(chart.Right), double(chart.Bottom), kBlack}, {}, {}};
    const double tick = chart.MarkerSize / 4.0;
    for (int32_t i = 0; i <= chart.YDivisions; ++i) {
        const double y = chart.Top + i * double{chart.YGridStep};
        if (i > 0 && i < chart.YDivisions)
            axes.lines.push_back({double(chart.Left), y, double(chart.Right), y, chart.GridColor});
        axes.lines.push_back({chart.Left - tick, y, chart.Left + tick, y, kBlack});
        const std::string label = std::to_string(chart.ValueTop - 10 * i);
        axes.labels.push_back({label, chart.Left - measure.TextWidth(label) - measure.TextWidth("8"),
                               y - measure.TextHeight(label) / 2});
    }
    for (int32_t j = 0; j <= chart.XDivisions; ++j) {
        const double x = chart.Left + j * double{chart.XGridStep};
        if (j > 0 && j < chart.XDivisions)
            axes.lines.push_back({x, double(chart.Top), x, double(chart.Bottom), chart.GridColor});
        axes.lines.push_back({x, chart.Bottom - tick, x, chart.Bottom + tick, kBlack});
        const std::string label =
            NumberText(chart.TempLeft + double(chart.TempRight - chart.TempLeft) * j / chart.XDivisions);
        axes.labels.push_back(
            {label, x - measure.TextWidth(label) / 2, chart.Bottom + measure.TextHeight(label) / 4});
    }
    return axes;
}

// Blue up to the segment in which the curve passes its vertex, green beyond it; from that segment a
// blue level line carries the value reached there on to the right edge.
ChartCurveFigure ChartCurve(const CurveChart& chart) {
    ChartCurveFigure curve;
    const double width = double(chart.Right - chart.Left) / kCurveSegments;
    int32_t pen = chart.CurveColor;
    bool capped = false;
    for (int i = 0; i < kCurveSegments; ++i) {
        const auto ti = static_cast<float>(chart.TempLeft + i * double{chart.TempStep});
        const auto tn = static_cast<float>(chart.TempLeft + (i + 1) * double{chart.TempStep});
        const double x = chart.Left + i * width;
        const double y = ChartY(chart, CurveValue(chart, ti));
        if (tn < chart.VertexTemp) {
            pen = chart.MarkColor;
            if (!capped)
                curve.segments.push_back({x, y, double(chart.Right), y, chart.CurveColor});
            capped = true;
        }
        curve.segments.push_back({x, y, x + width, ChartY(chart, CurveValue(chart, tn)), pen});
    }
    const double half = chart.MarkerSize / 2.0;
    const auto handle = [&](int32_t x, float T) {
        return ChartSquare{x - half, ChartY(chart, CurveValue(chart, T)) - half, double(chart.MarkerSize),
                           chart.CurveColor};
    };
    curve.handles = {handle(chart.Left, static_cast<float>(chart.TempLeft)),
                     handle(chart.Middle, static_cast<float>((chart.TempLeft + chart.TempRight) / 2.0)),
                     handle(chart.Right, static_cast<float>(chart.TempRight))};
    if (chart.SupportLine != 0)
        curve.supportLine = ChartLine{double(chart.Left), ChartY(chart, chart.LeftValue), double(chart.Right),
                                      ChartY(chart, chart.RightValue), chart.MarkColor};
    return curve;
}

} // namespace pelorin
