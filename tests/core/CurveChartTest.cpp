#include "core/CurveChart.h"

#include <gtest/gtest.h>

namespace pelorin {
namespace {

// A fixed-pitch font: 8 units per character, 15 high.
const ChartTextMeasure kMonospace = {
    [](const std::string& text) { return 8.0 * static_cast<double>(text.size()); },
    [](const std::string&) { return 15.0; }};

// Laid out on 364 x 250: Left 40, Middle 190, Right 340, Top 20, Bottom 220, MarkerSize 4, so 5 units
// per degree and 2 per setpoint unit.
CurveChart Chart(CurveParameters curve) {
    CurveChart chart;
    LayoutCurveChart(chart, 0xFFFFFF, kMonospace, 0, 0, 250, 364);
    chart.At0 = curve.At0;
    chart.Slope = curve.Slope;
    chart.Bend = curve.Bend;
    UpdateCurveLimits(chart);
    return chart;
}

// 35 at the left end, 20 at 0 degrees, 5 at the right end.
constexpr CurveParameters kStraight{20, 0.5f, 0};

TEST(CurveChart, LimitsClampInOrderAndFindTheVertexInsideTheChart) {
    const struct {
        CurveParameters curve, clamped;
        float leftValue, rightValue, vertexTemp, vertexValue;
    } cases[] = {
        {{20, 0.5f, 0}, {20, 0.5f, 0}, 35, 5, -30, 5},
        {{20, -0.2f, -0.01f}, {20, -0.2f, -0.01f}, 5, 17, -10, 21},
        {{2000, 5, -2}, {1000, 3, -1}, 190, 10, 1.5f, 1002.25f},
        {{-2000, -5, 2}, {-1000, -3, 1}, -190, -10, 1.5f, -1002.25f},
        {{0, 0.01f, 0.001f}, {0, 0.01f, 0.001f}, 1.2f, 0.6f, -5, -0.025f}, // 0.001f is above 0.001
        {{0, 0.01f, 0.0009f}, {0, 0.01f, 0.0009f}, 1.11f, 0.51f, -30, 0.51f},
        {{0, 1, 0.01f}, {0, 1, 0.01f}, 39, -21, -30, -21}, // vertex at -50
    };
    for (const auto& c : cases) {
        const CurveChart chart = Chart(c.curve);
        SCOPED_TRACE(testing::Message() << c.curve.At0 << " " << c.curve.Slope << " " << c.curve.Bend);
        EXPECT_EQ(std::tuple(chart.At0, chart.Slope, chart.Bend),
                  std::tuple(c.clamped.At0, c.clamped.Slope, c.clamped.Bend));
        EXPECT_NEAR(chart.LeftValue, c.leftValue, 1e-4);
        EXPECT_NEAR(chart.RightValue, c.rightValue, 1e-4);
        EXPECT_NEAR(chart.VertexTemp, c.vertexTemp, 1e-4);
        EXPECT_NEAR(chart.VertexValue, c.vertexValue, 1e-4);
    }
}

// The vertex at -10 degrees lies in segment 13 (-9 to -12): blue up to it, one blue level line from there
// at the value of -9 degrees (20.99, y 178.02) to the right edge, green after it.
TEST(CurveChartFigure, CurveIsBlueToTheVertexThenCappedAndGreenWithHandlesAndSupportLine) {
    CurveChart chart = Chart({20, -0.2f, -0.01f});
    chart.SupportLine = -1;
    const int32_t blue = 0xFFFFFF ^ 0xFF0000;
    const int32_t green = 0xFFFFFF ^ 0x00FF00;
    const ChartCurveFigure curve = ChartCurve(chart);
    ASSERT_EQ(curve.segments.size(), 21u);
    for (size_t i = 0; i < curve.segments.size(); ++i) {
        const ChartLine& line = curve.segments[i];
        EXPECT_EQ(line.colour, i <= 13 ? blue : green) << i;
        const double segmentStart = 40 + 15.0 * static_cast<double>(i <= 13 ? i : i - 1);
        EXPECT_NEAR(line.x1, segmentStart, 1e-9) << i;
    }
    const ChartLine& cap = curve.segments[13];
    EXPECT_NEAR(cap.x1, 235, 1e-9);
    EXPECT_NEAR(cap.x2, 340, 1e-9);
    EXPECT_NEAR(cap.y1, 178.02, 1e-4);
    EXPECT_EQ(cap.y1, cap.y2);
    const std::array<std::tuple<double, double, int32_t>, 3> handles = {
        {{38, 208, blue}, {188, 178, blue}, {338, 184, blue}}};
    for (size_t i = 0; i < handles.size(); ++i) {
        const ChartSquare& h = curve.handles[i];
        EXPECT_NEAR(h.left, std::get<0>(handles[i]), 1e-4) << i;
        EXPECT_NEAR(h.top, std::get<1>(handles[i]), 1e-4) << i;
        EXPECT_EQ(std::pair(h.side, h.colour), std::pair(4.0, std::get<2>(handles[i]))) << i;
    }
    ASSERT_TRUE(curve.supportLine);
    EXPECT_NEAR(curve.supportLine->y1, 210, 1e-4);
    EXPECT_NEAR(curve.supportLine->y2, 186, 1e-4);
    EXPECT_EQ(std::tuple(curve.supportLine->x1, curve.supportLine->x2, curve.supportLine->colour),
              std::tuple(40.0, 340.0, green));
    chart.SupportLine = 0;
    EXPECT_FALSE(ChartCurve(chart).supportLine);
}

// Values from 100 down the left side, right-aligned a character before the frame; temperatures from +30
// to -30 centred under their grid lines.
TEST(CurveChartFigure, AxisLabelsAndTheirPlaces) {
    const ChartAxesFigure axes = ChartAxes(Chart(kStraight), kMonospace);
    ASSERT_EQ(axes.labels.size(), 18u);
    const struct {
        size_t index;
        const char* text;
        double x, y;
    } cases[] = {{0, "100", 8, 12.5},    {5, "50", 16, 112.5},   {10, "0", 24, 212.5},
                 {11, "30", 32, 223.75}, {14, "0", 186, 223.75}, {17, "-30", 328, 223.75}};
    for (const auto& c : cases) {
        const ChartLabel& label = axes.labels[c.index];
        EXPECT_EQ(label.text, c.text);
        EXPECT_EQ(std::pair(label.x, label.y), std::pair(c.x, c.y)) << c.text;
    }
    EXPECT_EQ(std::tuple(axes.frame.x1, axes.frame.y1, axes.frame.x2, axes.frame.y2),
              std::tuple(40.0, 20.0, 340.0, 220.0));
}

// Right and bottom are measured from the rectangle's own corner; the handles are 1.1 % of the width in
// single precision (500 gives 5, not 6); the pens are the background XOR blue, green and dark grey.
TEST(CurveChartFigure, LayoutFollowsTheRectangleAndTheBackground) {
    const struct {
        int32_t top, left, height, width, background;
        int32_t chartLeft, middle, right, chartTop, bottom, marker, curveColour, markColour, gridColour;
    } cases[] = {{0, 0, 250, 364, 0xFFFFFF, 40, 190, 340, 20, 220, 4, 0x00FFFF, 0xFF00FF, 0xBFBFBF},
                 {1000, 200, 250, 364, 0xFFFFFF, 240, 390, 540, 1020, 1220, 4, 0x00FFFF, 0xFF00FF, 0xBFBFBF},
                 {0, 0, 250, 500, 0xC0C0C0, 40, 258, 476, 20, 220, 5, 0x3FC0C0, 0xC03FC0, 0x808080}};
    for (const auto& c : cases) {
        CurveChart chart;
        LayoutCurveChart(chart, c.background, kMonospace, c.top, c.left, c.height, c.width);
        EXPECT_EQ(
            std::tuple(chart.Left, chart.Middle, chart.Right, chart.Top, chart.Bottom, chart.MarkerSize),
            std::tuple(c.chartLeft, c.middle, c.right, c.chartTop, c.bottom, c.marker))
            << c.top << " " << c.left << " " << c.width;
        EXPECT_EQ(std::tuple(chart.CurveColor, chart.MarkColor, chart.GridColor),
                  std::tuple(c.curveColour, c.markColour, c.gridColour));
    }
}

} // namespace
} // namespace pelorin
