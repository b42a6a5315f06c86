#include "core/CurveChart.h"

#include <gtest/gtest.h>

namespace pelorin {
namespace {

constexpr int32_t kWhite = 0xFFFFFF;

// A fixed-pitch font: 8 units per character, 15 high.
ChartTextMeasure Monospace(double charWidth = 8) {
    return {[charWidth](const std::string& text) { return charWidth * static_cast<double>(text.size()); },
            [](const std::string&) { return 15.0; }};
}

// Laid out on 364 x 250 so that Left 40, Right 340, Top 20, Bottom 220: 5 units per degree and 2
// per setpoint unit, MarkerSize 4.
CurveChart Chart(CurveParameters curve) {
    CurveChart chart;
    LayoutCurveChart(chart, kWhite, Monospace(), 0, 0, 250, 364);
    chart.At0 = curve.At0;
    chart.Slope = curve.Slope;
    chart.Bend = curve.Bend;
    UpdateCurveLimits(chart);
    return chart;
}

constexpr CurveParameters kStraight{20, 0.5f, 0};

TEST(CurveChart, LayoutMeasuresFromTheRectangleAndRoundsHalfToEven) {
    const struct {
        int32_t top, left, height, width;
        double charWidth;
        std::array<int32_t, 6> leftMiddleRightTopBottomMarker;
    } cases[] = {
        {0, 0, 250, 364, 8, {40, 190, 340, 20, 220, 4}},
        {1000, 200, 400, 500, 8, {240, 458, 676, 1032, 1370, 5}}, // 500 * 0.011f rounds to 5, not 6
        {0, 0, 250, 369, 8, {40, 192, 345, 20, 220, 4}},          // Middle 192.5
        {0, 0, 250, 300, 7.5, {38, 158, 278, 20, 220, 3}},        // 37.5 and 277.5
        {0, 1, 250, 300, 7.5, {38, 158, 278, 20, 220, 3}},        // 38.5 and 278.5
    };
    for (const auto& c : cases) {
        CurveChart chart;
        chart.DragMode = CURVE_DRAG_MIDDLE;
        LayoutCurveChart(chart, kWhite, Monospace(c.charWidth), c.top, c.left, c.height, c.width);
        EXPECT_EQ(
            (std::array{chart.Left, chart.Middle, chart.Right, chart.Top, chart.Bottom, chart.MarkerSize}),
            c.leftMiddleRightTopBottomMarker)
            << c.left << " " << c.width;
        EXPECT_EQ(chart.DragMode, CURVE_DRAG_NONE);
    }
    const CurveChart chart = Chart({});
    EXPECT_EQ(std::tuple(ChartX(chart, 30), ChartX(chart, 0), ChartX(chart, -30)),
              std::tuple(40., 190., 340.));
    EXPECT_EQ(std::tuple(ChartY(chart, 0), ChartY(chart, 100)), std::tuple(220., 20.));
}

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

// At0 20, Slope 0.5, Bend 0: the left end (x 40) at 35 is y 150, 0 degrees (x 190) at 20 is y 180,
// the right end (x 340) at 5 is y 210, and 15 degrees (x 115) at 27.5 is y 165.
TEST(CurveChart, PressesWithinMarkerSizeOfTheCurveStartTheDragOfTheirHandle) {
    const struct {
        float x, y;
        int16_t mode;
    } cases[] = {
        {36, 149, CURVE_DRAG_LEFT_END},     {35, 150, CURVE_DRAG_NONE},
        {341, 210, CURVE_DRAG_RIGHT_END},   {190, 180, CURVE_DRAG_MIDDLE},
        {195, 181, CURVE_DRAG_WHOLE_CURVE}, {115, 162, CURVE_DRAG_WHOLE_CURVE},
        {115, 161, CURVE_DRAG_NONE},        {115, 170, CURVE_DRAG_NONE},
    };
    for (const auto& c : cases) {
        CurveChart chart = Chart(kStraight), atMouseDown;
        EXPECT_EQ(StartCurveDrag(chart, atMouseDown, c.x, c.y), c.mode != CURVE_DRAG_NONE)
            << c.x << "," << c.y;
        EXPECT_EQ(chart.DragMode, c.mode) << c.x << "," << c.y;
    }
    CurveChart chart = Chart(kStraight), atMouseDown;
    ASSERT_TRUE(StartCurveDrag(chart, atMouseDown, 190, 180.5f));
    EXPECT_FALSE(StartCurveDrag(chart, atMouseDown, 40, 150)) << "a press during a drag";
    EXPECT_EQ(std::tuple(chart.DragMode, atMouseDown.DownY), std::tuple(CURVE_DRAG_MIDDLE, 180));
    EXPECT_FALSE(MoveCurveDrag(chart, atMouseDown, 180).has_value()) << "at the press height";
    EXPECT_TRUE(MoveCurveDrag(chart, atMouseDown, 170).has_value());
    EXPECT_FALSE(MoveCurveDrag(chart, atMouseDown, 170).has_value()) << "no vertical move";
    EXPECT_TRUE(EndCurveDrag(chart));
    EXPECT_FALSE(EndCurveDrag(chart));
    EXPECT_FALSE(MoveCurveDrag(chart, atMouseDown, 150).has_value()) << "after the release";
}

// The chart after a drag from (x, pressY) through `moves`, each applied as the editor applies it.
CurveChart Dragged(CurveParameters start, float x, float pressY, const std::vector<float>& moves) {
    CurveChart chart = Chart(start), atMouseDown;
    EXPECT_TRUE(StartCurveDrag(chart, atMouseDown, x, pressY));
    for (float y : moves) {
        if (const std::optional<CurveParameters> next = MoveCurveDrag(chart, atMouseDown, y)) {
            chart.At0 = next->At0;
            chart.Slope = next->Slope;
            chart.Bend = next->Bend;
            UpdateCurveLimits(chart);
        }
    }
    return chart;
}

// Steps work from the press, so only the total offset counts; the ends and the vertex stay in the chart.
// The plain moves of each handle are checked through the curve editor.
TEST(CurveChart, DragsWorkFromThePressAndStopAtTheChartsLimits) {
    const struct {
        CurveParameters start;
        float x, pressY;
        std::vector<float> moves;
        CurveParameters curve;
        float leftValue, rightValue;
        const char* what;
    } cases[] = {
        {kStraight, 40, 150, {120, 157, 130}, {20, 0.666667f, 0.00555556f}, 45, 5, "left end up by 10"},
        {kStraight, 190, 180, {150, 210, 160}, {30, 0.5f, -0.0111111f}, 35, 5, "middle up by 10"},
        {kStraight, 340, 210, {230}, {20, 0.583333f, -0.00277778f}, 35, 0, "right end down by 10, cut to 5"},
        {kStraight, 115, 165, {105, 300, 25}, {85, 0.5f, 0}, 100, 70, "whole curve up by 70, cut to 65"},
        {{50, 0, -0.05f}, 115, 142.5f, {2.5f}, {100, 0, -0.05f}, 55, 55, "whole curve, cut by the vertex"},
        {kStraight, 40, 150, {1}, {20, 1.583333f, 0.0361111f}, 100, 5, "left end stops at the top"},
        {kStraight, 40, 150, {1, 155}, {20, 0.458333f, -0.00138889f}, 32.5f, 5, "and follows again"},
    };
    for (const auto& c : cases) {
        const CurveChart chart = Dragged(c.start, c.x, c.pressY, c.moves);
        EXPECT_NEAR(chart.At0, c.curve.At0, 1e-4) << c.what;
        EXPECT_NEAR(chart.Slope, c.curve.Slope, 1e-5) << c.what;
        EXPECT_NEAR(chart.Bend, c.curve.Bend, 1e-7) << c.what;
        EXPECT_NEAR(chart.LeftValue, c.leftValue, 1e-4) << c.what;
        EXPECT_NEAR(chart.RightValue, c.rightValue, 1e-4) << c.what;
    }
}

// Blue up to the segment where the curve passes its vertex, then green; from that segment a level line.
// The handles and the support line are checked on the editor's pixels.
TEST(CurveChart, CurveTurnsGreenPastItsVertexWithOneLevelLineAndAxesAreLabelled) {
    const CurveChart chart = Chart({20, -0.2f, -0.01f});
    const ChartCurveFigure curve = ChartCurve(chart);
    ASSERT_EQ(curve.segments.size(), 21u);
    const double levelY = ChartY(chart, CurveValue(chart, -9));
    const ChartLine& level = curve.segments[13];
    EXPECT_EQ(std::tuple(level.x1, level.y1, level.x2, level.y2, level.colour),
              std::tuple(40 + 13 * 15.0, levelY, 340., levelY, chart.CurveColor));
    for (size_t i = 0; i < curve.segments.size(); ++i)
        EXPECT_EQ(curve.segments[i].colour, i <= 13 ? chart.CurveColor : chart.MarkColor) << i;
    EXPECT_EQ(ChartCurve(Chart(kStraight)).segments.size(), 20u) << "no level line without a vertex";

    std::vector<std::string> texts;
    for (const ChartLabel& label : ChartAxes(chart, Monospace()).labels)
        texts.push_back(label.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"100", "90", "80", "70", "60", "50", "40", "30", "20", "10",
                                               "0", "30", "20", "10", "0", "-10", "-20", "-30"}));
}

} // namespace
} // namespace pelorin
