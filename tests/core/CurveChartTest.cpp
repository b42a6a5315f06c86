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
CurveChart Chart(float at0, float slope, float bend) {
    CurveChart chart;
    LayoutCurveChart(chart, kWhite, Monospace(), 0, 0, 250, 364);
    chart.At0 = at0;
    chart.Slope = slope;
    chart.Bend = bend;
    UpdateCurveLimits(chart);
    return chart;
}

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
        EXPECT_TRUE(CurveChartUsable(chart));
    }
    const CurveChart chart = Chart(0, 0, 0);
    EXPECT_EQ(std::tuple(chart.XScale, chart.YScale, chart.XGridStep, chart.YGridStep, chart.TempStep),
              std::tuple(-5.f, -2.f, 50.f, 20.f, -3.f));
    EXPECT_EQ(std::tuple(ChartX(chart, 30), ChartX(chart, 0), ChartX(chart, -30)),
              std::tuple(40., 190., 340.));
    EXPECT_EQ(std::tuple(ChartY(chart, 0), ChartY(chart, 100)), std::tuple(220., 20.));
    EXPECT_EQ(std::tuple(chart.CurveColor ^ kWhite, chart.MarkColor ^ kWhite, chart.GridColor),
              std::tuple(0xFF0000, 0x00FF00, 0xBFBFBF));
}

TEST(CurveChart, TooSmallAChartIsUnusableAndStartsNoDrag) {
    for (const auto& [height, width] : {std::pair(32, 364), std::pair(250, 64)}) {
        CurveChart chart, atMouseDown;
        LayoutCurveChart(chart, kWhite, Monospace(), 0, 0, height, width);
        EXPECT_FALSE(CurveChartUsable(chart)) << height << "x" << width;
        EXPECT_FALSE(StartCurveDrag(chart, atMouseDown, static_cast<float>(chart.Left),
                                    static_cast<float>(chart.Bottom)));
        EXPECT_EQ(chart.DragMode, CURVE_DRAG_NONE);
    }
}

TEST(CurveChart, LimitsClampInOrderAndFindTheVertexInsideTheChart) {
    const struct {
        float at0, slope, bend;
        float clampedAt0, clampedSlope, clampedBend, leftValue, rightValue, vertexTemp, vertexValue;
    } cases[] = {
        {20, 0.5f, 0, 20, 0.5f, 0, 35, 5, -30, 5},
        {20, -0.2f, -0.01f, 20, -0.2f, -0.01f, 5, 17, -10, 21},
        {2000, 5, -2, 1000, 3, -1, 190, 10, 1.5f, 1002.25f},
        {-2000, -5, 2, -1000, -3, 1, -190, -10, 1.5f, -1002.25f},
        {0, 0.01f, 0.001f, 0, 0.01f, 0.001f, 1.2f, 0.6f, -5, -0.025f}, // 0.001f is above 0.001
        {0, 0.01f, 0.0009f, 0, 0.01f, 0.0009f, 1.11f, 0.51f, -30, 0.51f},
        {0, 1, 0.01f, 0, 1, 0.01f, 39, -21, -30, -21}, // vertex at -50
    };
    for (const auto& c : cases) {
        const CurveChart chart = Chart(c.at0, c.slope, c.bend);
        EXPECT_EQ(std::tuple(chart.At0, chart.Slope, chart.Bend),
                  std::tuple(c.clampedAt0, c.clampedSlope, c.clampedBend));
        EXPECT_NEAR(chart.LeftValue, c.leftValue, 1e-4) << c.at0 << " " << c.slope << " " << c.bend;
        EXPECT_NEAR(chart.RightValue, c.rightValue, 1e-4) << c.at0 << " " << c.slope << " " << c.bend;
        EXPECT_NEAR(chart.VertexTemp, c.vertexTemp, 1e-4) << c.at0 << " " << c.slope << " " << c.bend;
        EXPECT_NEAR(chart.VertexValue, c.vertexValue, 1e-4) << c.at0 << " " << c.slope << " " << c.bend;
    }
    EXPECT_EQ(std::tuple(ClampSingle(4, -3, 3), ClampSingle(-4, -3, 3), ClampSingle(2, -3, 3)),
              std::tuple(3.f, -3.f, 2.f));
    EXPECT_EQ(std::tuple(SmallerMagnitude(3, -3), SmallerMagnitude(-4, 3), SmallerMagnitude(2, -5)),
              std::tuple(3.f, 3.f, 2.f));
}

// At0 20, Slope 0.5, Bend 0: the left end (x 40) at 35 is y 150, 0 degrees (x 190) at 20 is y 180,
// the right end (x 340) at 5 is y 210, and 15 degrees (x 115) at 27.5 is y 165.
TEST(CurveChart, PressesWithinMarkerSizeOfTheCurveStartTheDragOfTheirHandle) {
    const struct {
        float x, y;
        int16_t mode;
    } cases[] = {
        {39, 150, CURVE_DRAG_LEFT_END},     {36, 149, CURVE_DRAG_LEFT_END},
        {35, 150, CURVE_DRAG_NONE},         {341, 210, CURVE_DRAG_RIGHT_END},
        {190, 180, CURVE_DRAG_MIDDLE},      {195, 181, CURVE_DRAG_WHOLE_CURVE},
        {115, 162, CURVE_DRAG_WHOLE_CURVE}, {115, 161, CURVE_DRAG_NONE},
        {115, 170, CURVE_DRAG_NONE},
    };
    for (const auto& c : cases) {
        CurveChart chart = Chart(20, 0.5f, 0), atMouseDown;
        EXPECT_EQ(StartCurveDrag(chart, atMouseDown, c.x, c.y), c.mode != CURVE_DRAG_NONE)
            << c.x << "," << c.y;
        EXPECT_EQ(chart.DragMode, c.mode) << c.x << "," << c.y;
        EXPECT_EQ(atMouseDown.DownY, static_cast<int32_t>(c.y));
    }
    CurveChart chart = Chart(20, 0.5f, 0), atMouseDown;
    ASSERT_TRUE(StartCurveDrag(chart, atMouseDown, 190, 180.5f));
    EXPECT_EQ(chart.DownY, 180);
    EXPECT_FALSE(StartCurveDrag(chart, atMouseDown, 40, 150)) << "a press during a drag";
    EXPECT_EQ(std::tuple(chart.DragMode, atMouseDown.DownY), std::tuple(CURVE_DRAG_MIDDLE, 180));
    EXPECT_TRUE(EndCurveDrag(chart));
    EXPECT_FALSE(EndCurveDrag(chart));
}

// The chart after a drag from (x, pressY) through `moves`, each applied as the editor applies it.
CurveChart Dragged(CurveParameters start, float x, float pressY, const std::vector<float>& moves) {
    CurveChart chart = Chart(start.At0, start.Slope, start.Bend), atMouseDown;
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

constexpr CurveParameters kStraight{20, 0.5f, 0};

TEST(CurveChart, EachDragModeMovesItsPointAndKeepsTheOthers) {
    const struct {
        CurveParameters start;
        float x, pressY;
        std::vector<float> moves;
        float at0, slope, bend, leftValue, rightValue;
        const char* what;
    } cases[] = {
        {kStraight, 40, 150, {130}, 20, 0.666667f, 0.00555556f, 45, 5, "left end up by 10"},
        {kStraight, 190, 180, {160}, 30, 0.5f, -0.0111111f, 35, 5, "middle up by 10"},
        {kStraight, 340, 210, {230}, 20, 0.583333f, -0.00277778f, 35, 0, "right end down by 10, cut to 5"},
        {kStraight, 115, 165, {25}, 85, 0.5f, 0, 100, 70, "whole curve up by 70, cut to 65 by the left end"},
        {{50, 0, -0.05f}, 115, 142.5f, {2.5f}, 100, 0, -0.05f, 55, 55, "whole curve, cut by the vertex"},
        {kStraight, 40, 150, {1}, 20, 1.583333f, 0.0361111f, 100, 5, "left end stops at the top"},
        {kStraight, 40, 150, {1, 155}, 20, 0.458333f, -0.00138889f, 32.5f, 5, "and follows again below it"},
    };
    for (const auto& c : cases) {
        const CurveChart chart = Dragged(c.start, c.x, c.pressY, c.moves);
        EXPECT_NEAR(chart.At0, c.at0, 1e-4) << c.what;
        EXPECT_NEAR(chart.Slope, c.slope, 1e-5) << c.what;
        EXPECT_NEAR(chart.Bend, c.bend, 1e-7) << c.what;
        EXPECT_NEAR(chart.LeftValue, c.leftValue, 1e-4) << c.what;
        EXPECT_NEAR(chart.RightValue, c.rightValue, 1e-4) << c.what;
    }
}

TEST(CurveChart, DragStepsWorkFromThePressSoOnlyTheTotalOffsetCounts) {
    // The left end, the middle and the whole curve (the right end reads the current left end).
    for (const auto& [x, pressY] :
         {std::pair(40.f, 150.f), std::pair(190.f, 180.f), std::pair(115.f, 165.f)}) {
        const CurveChart direct = Dragged(kStraight, x, pressY, {pressY - 30});
        const CurveChart stepped = Dragged(kStraight, x, pressY, {pressY - 10, pressY + 17, pressY - 30});
        EXPECT_EQ(std::tuple(stepped.At0, stepped.Slope, stepped.Bend),
                  std::tuple(direct.At0, direct.Slope, direct.Bend))
            << x;
    }
    CurveChart chart = Chart(20, 0.5f, 0), atMouseDown;
    ASSERT_TRUE(StartCurveDrag(chart, atMouseDown, 190, 180));
    EXPECT_FALSE(MoveCurveDrag(chart, atMouseDown, 180).has_value()) << "at the press height";
    EXPECT_TRUE(MoveCurveDrag(chart, atMouseDown, 170).has_value());
    EXPECT_EQ(chart.LastMoveY, 170);
    EXPECT_FALSE(MoveCurveDrag(chart, atMouseDown, 170).has_value()) << "no vertical move";
    EXPECT_TRUE(EndCurveDrag(chart));
    EXPECT_FALSE(MoveCurveDrag(chart, atMouseDown, 150).has_value()) << "after the release";
}

TEST(CurveChart, CurveTurnsGreenPastItsVertexWithOneLevelLine) {
    CurveChart chart = Chart(20, -0.2f, -0.01f);
    ChartCurveFigure curve = ChartCurve(chart);
    ASSERT_EQ(curve.segments.size(), 21u);
    const double levelY = ChartY(chart, CurveValue(chart, -9));
    EXPECT_EQ(curve.segments[13].x1, 40 + 13 * 15.0);
    EXPECT_EQ(std::tuple(curve.segments[13].y1, curve.segments[13].x2, curve.segments[13].y2,
                         curve.segments[13].colour),
              std::tuple(levelY, 340., levelY, chart.CurveColor));
    for (size_t i = 0; i < curve.segments.size(); ++i)
        if (i != 13) {
            EXPECT_EQ(curve.segments[i].colour, i < 13 ? chart.CurveColor : chart.MarkColor) << i;
        }
    EXPECT_FALSE(curve.supportLine);

    chart = Chart(20, 0.5f, 0);
    chart.SupportLine = -1;
    curve = ChartCurve(chart);
    ASSERT_EQ(curve.segments.size(), 20u);
    for (const ChartLine& segment : curve.segments)
        EXPECT_EQ(segment.colour, chart.CurveColor);
    EXPECT_EQ(std::tuple(curve.segments.back().x2, curve.segments.back().y2), std::tuple(340., 210.));
    const std::array<std::pair<double, double>, 3> corners = {{{38, 148}, {188, 178}, {338, 208}}};
    for (size_t i = 0; i < 3; ++i)
        EXPECT_EQ(std::tuple(curve.handles[i].left, curve.handles[i].top, curve.handles[i].side),
                  std::tuple(corners[i].first, corners[i].second, 4.))
            << i;
    ASSERT_TRUE(curve.supportLine);
    EXPECT_EQ(std::tuple(curve.supportLine->y1, curve.supportLine->y2, curve.supportLine->colour),
              std::tuple(150., 210., chart.MarkColor));
}

TEST(CurveChart, AxesHaveGridTicksAndLabelsBesideTheChart) {
    const CurveChart chart = Chart(0, 0, 0);
    const ChartAxesFigure axes = ChartAxes(chart, Monospace());
    EXPECT_EQ(std::tuple(axes.frame.x1, axes.frame.y1, axes.frame.x2, axes.frame.y2),
              std::tuple(40., 20., 340., 220.));
    EXPECT_EQ(axes.lines.size(), 9u + 11u + 5u + 7u);
    std::vector<std::string> texts;
    for (const ChartLabel& label : axes.labels)
        texts.push_back(label.text);
    EXPECT_EQ(texts, (std::vector<std::string>{"100", "90", "80", "70", "60", "50", "40", "30", "20", "10",
                                               "0", "30", "20", "10", "0", "-10", "-20", "-30"}));
    EXPECT_EQ(std::tuple(axes.labels[0].x, axes.labels[0].y), std::tuple(40 - 24 - 8., 20 - 7.5));
    EXPECT_EQ(std::tuple(axes.labels.back().x, axes.labels.back().y), std::tuple(340 - 12., 220 + 3.75));
    EXPECT_EQ(std::tuple(axes.lines[0].x1, axes.lines[0].y1, axes.lines[0].x2, axes.lines[0].colour),
              std::tuple(39., 20., 41., 0));
    EXPECT_EQ(std::tuple(axes.lines[1].x1, axes.lines[1].y1, axes.lines[1].x2, axes.lines[1].colour),
              std::tuple(40., 40., 340., chart.GridColor));
}

} // namespace
} // namespace pelorin
