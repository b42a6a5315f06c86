// The curve editor alone, with a recording sender and a view switch that shows its frame: what the
// chart shows after any editing, the drags as the mouse makes them, redrawing from the boxes, and
// writing the curve.

#include "setpoints/CurveSupport.h"

#include "common/PortFakes.h"
#include "control/ControlFixture.h"
#include "control/SessionSupport.h"
#include "core/NumberText.h"
#include "platform/Colour.h"

#include <QTest>
#include <algorithm>
#include <cmath>
#include <functional>
#include <gtest/gtest.h>
#include <random>

namespace pelorin::test {
namespace {

class CurveEditorTest : public ::testing::Test {
protected:
    CurveEditorTest() : m_Editor(&m_Window, m_Setpoint, m_Picture, m_View, m_Sender, [this] { ++m_Closes; }) {
        m_View.onUpdate = [this](int16_t view) { m_Editor.SetVisible(view == VS_SPV_CURVE); };
        m_View.UpdateToolBarView();
        m_Window.resize(900, 700);
        m_Window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_Window));
        m_Block.m_ElementType = ET_SETPOINT;
        m_Block.m_Address = "VS01.DAG";
        m_Block.m_SPVType = 2;
        m_Block.m_Value = 2;
        m_Setpoint.m_SPVElement = &m_Block;
        m_Picture.m_DynamicPointers = 10;
        m_Editor.LayoutCurveChart();
    }

    const CurveChart& chart() const { return m_Editor.Chart(); }
    const QImage& Image() const { return m_Editor.Picture_SPV_Curve->Surface().Image(); }

    void ShowCurve(const char* at0, const char* slope, const char* bend) {
        m_Editor.ShowParameter(1, at0);
        m_Editor.ShowParameter(2, slope);
        m_Editor.ShowParameter(3, bend);
    }

    // Press at `at`, move `dy` pixels down (negative: up), release unless told not to.
    void Drag(QPointF at, float dy, bool release = true) {
        const auto x = static_cast<float>(at.x());
        const auto y = static_cast<float>(at.y());
        m_Editor.Picture_SPV_Curve_MouseDown(1, 0, x, y);
        m_Editor.Picture_SPV_Curve_MouseMove(1, 0, x, y + dy);
        if (release)
            m_Editor.Picture_SPV_Curve_MouseUp(1, 0, x, y + dy);
    }

    // The box is covered and uncovered: the first paint after drawing only shows it, the next one
    // is an expose and runs the paint handler.
    void Expose() {
        m_Editor.SetVisible(false);
        m_Editor.SetVisible(true);
        m_Editor.Picture_SPV_Curve->repaint();
        m_Editor.Picture_SPV_Curve->repaint();
    }

    QWidget m_Window;
    SetpointMembers m_Setpoint;
    PictureMembers m_Picture;
    cElement m_Block;
    ViewSwitchFake m_View;
    RecordingSender m_Sender;
    int m_Closes = 0;
    CurveEditor m_Editor;
};

TEST_F(CurveEditorTest, AfterAnyEditingTheChartShowsTheAxesAndTheCurveOnce) {
    m_Editor.Open(m_Block);
    std::mt19937 rng(20240611);
    const auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution(low, high)(rng);
    };
    const auto chance = [&](double p) { return std::bernoulli_distribution(p)(rng); };
    // Parameters from the controller and typed ones, some beyond the ranges the drawing clamps to.
    const auto parameterText = [&](size_t index) {
        static const std::array<std::pair<double, double>, 4> ranges = {
            {{-20, 120}, {-50, 150}, {-4, 4}, {-0.06, 0.06}}};
        return FixedText(uniform(ranges[index].first, ranges[index].second), 4);
    };
    int dragsStarted = 0;
    const std::vector<std::pair<const char*, std::function<void()>>> steps = {
        {"parameter arrival",
         [&] {
             const auto index = static_cast<size_t>(rng() % 4);
             m_Editor.ShowParameter(static_cast<int16_t>(index), parameterText(index));
         }},
        {"typed redraw",
         [&] {
             for (size_t i = 1; i < 4; ++i) {
                 std::string typed = chance(0.1) ? "x" : parameterText(i);
                 if (chance(0.5))
                     std::replace(typed.begin(), typed.end(), '.', ',');
                 m_Editor.Text_Curve_SPV[i]->SetText(typed);
             }
             QTest::mouseClick(m_Editor.Command_SPV_Curve_Update->widget(), Qt::LeftButton);
         }},
        {"support line",
         [&] {
             m_Editor.Check_Curve_SPV_SupportLine->SetValue(1 -
                                                            m_Editor.Check_Curve_SPV_SupportLine->Value());
         }},
        {"drag",
         [&] {
             static const std::array<float, 4> handles = {30, 0, -30, 12};
             QPointF at = CurvePoint(chart(), handles[rng() % 4]);
             at.ry() += uniform(-2.0, 2.0) * chart().MarkerSize;
             m_Editor.Picture_SPV_Curve_MouseDown(1, 0, static_cast<float>(at.x()),
                                                  static_cast<float>(at.y()));
             dragsStarted += chart().DragMode != CURVE_DRAG_NONE;
             for (int moves = 1 + static_cast<int>(rng() % 4); moves > 0; --moves)
                 m_Editor.Picture_SPV_Curve_MouseMove(1, 0, static_cast<float>(at.x()),
                                                      static_cast<float>(at.y() + uniform(-150, 150)));
             // Now and then the release is lost (a focus change, a modal box).
             if (chance(0.8))
                 m_Editor.Picture_SPV_Curve_MouseUp(1, 0, 0, 0);
         }},
        {"expose", [&] { Expose(); }},
        {"re-opening", [&] { m_Editor.Open(m_Block); }},
    };
    for (int i = 0; i < 1500; ++i) {
        const auto& [name, step] = steps[rng() % steps.size()];
        step();
        ASSERT_EQ(Image(), FreshChart(m_Editor)) << "after step " << i << ", " << name;
    }
    EXPECT_GT(dragsStarted, 50);

    // An expose repaints from a cleared box, whatever was drawn over it.
    m_Editor.Picture_SPV_Curve->Surface().SetPixel(3, 3, kRed);
    Expose();
    EXPECT_EQ(Image(), FreshChart(m_Editor));
}

// The pens show their colours on the box's background: a blue curve and handles, a green support line.
TEST_F(CurveEditorTest, TheCurveAndItsHandlesAreBlueAndTheSupportLineGreen) {
    m_Editor.Open(m_Block);
    ShowCurve("25", "0.5", "0.01");
    m_Editor.Check_Curve_SPV_SupportLine->SetValue(1);
    const CurveChart& c = chart();
    // Pixels of `colour` within `reach` pixels of (x, y).
    const auto count = [&](Colour colour, double x, double y, int reach) {
        int n = 0;
        for (int dy = -reach; dy <= reach; ++dy)
            for (int dx = -reach; dx <= reach; ++dx)
                n += RgbToColour(Image().pixel(static_cast<int>(std::lround(x)) + dx,
                                               static_cast<int>(std::lround(y)) + dy)) == colour;
        return n;
    };
    EXPECT_GE(count(kBlue, c.Middle, ChartY(c, c.At0), c.MarkerSize / 2), c.MarkerSize * c.MarkerSize / 2)
        << "the middle handle";
    EXPECT_GE(count(kBlue, ChartX(c, 17), ChartY(c, CurveValue(c, 17)), 1), 1) << "the curve at 17";
    // The support line runs from 49 at +30 to 19 at -30, well above the curve's 25 at 0.
    const double x = ChartX(c, 5);
    const double supportY = ChartY(c, c.LeftValue + (c.RightValue - c.LeftValue) * (30 - 5) / 60.0);
    EXPECT_GE(count(kGreen, x, supportY, 1), 1);
    m_Editor.Check_Curve_SPV_SupportLine->SetValue(0);
    EXPECT_EQ(count(kGreen, x, supportY, 1), 0);
}

// Dragging from the worked curve at 20 + 0.5 T (35 at +30, 5 at -30), 20 pixels up.
TEST_F(CurveEditorTest, EachDragMovesItsPointAndKeepsTheOthers) {
    struct Case {
        const char* name;
        float pressedAt;
        std::function<void(const CurveChart& before, const CurveChart& after, float step)> check;
    };
    const auto near = [](float a, float b) { EXPECT_NEAR(a, b, 1e-4); };
    const std::vector<Case> cases = {
        {"left end", 30,
         [&](const CurveChart& b, const CurveChart& a, float step) {
             near(a.LeftValue, b.LeftValue + step);
             near(a.RightValue, b.RightValue);
             near(a.At0, b.At0);
         }},
        {"middle", 0,
         [&](const CurveChart& b, const CurveChart& a, float step) {
             near(a.At0, b.At0 + step);
             near(a.LeftValue, b.LeftValue);
             near(a.RightValue, b.RightValue);
         }},
        {"right end", -30,
         [&](const CurveChart& b, const CurveChart& a, float step) {
             near(a.RightValue, b.RightValue + step);
             near(a.LeftValue, b.LeftValue);
             near(a.At0, b.At0);
         }},
        {"whole curve", 12,
         [&](const CurveChart& b, const CurveChart& a, float step) {
             near(a.At0, b.At0 + step);
             near(a.Slope, b.Slope);
             near(a.Bend, b.Bend);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_Editor.Open(m_Block);
        ShowCurve("20", "0.5", "0");
        const CurveChart before = chart();
        // The mouse reports whole pixels.
        const QPointF at = CurvePoint(before, c.pressedAt).toPoint();
        m_Editor.Picture_SPV_Curve_MouseDown(1, 0, static_cast<float>(at.x()), static_cast<float>(at.y()));
        EXPECT_EQ(m_Editor.Picture_SPV_Curve->MousePointer(), PictureBox::mpSizeNS);
        m_Editor.Picture_SPV_Curve_MouseMove(1, 0, static_cast<float>(at.x()),
                                             static_cast<float>(at.y() - 20));
        m_Editor.Picture_SPV_Curve_MouseUp(1, 0, 0, 0);
        EXPECT_EQ(m_Editor.Picture_SPV_Curve->MousePointer(), PictureBox::mpDefault);
        c.check(before, chart(), 20 / -before.YScale);
        EXPECT_EQ(m_Editor.Text_Curve_SPV[1]->Text(), FixedText(chart().At0, 1));
        EXPECT_EQ(Image(), FreshChart(m_Editor));
    }
}

TEST_F(CurveEditorTest, APressOffTheCurveOrAMoveAfterALostReleaseChangesNothing) {
    m_Editor.Open(m_Block);
    ShowCurve("20", "0.5", "0");
    const CurveChart before = chart();
    const QImage image = Image();
    // One handle size and a pixel above the curve.
    Drag(CurvePoint(before, 10) - QPointF(0, before.MarkerSize + 1), -30);
    EXPECT_EQ(chart().DragMode, CURVE_DRAG_NONE);
    EXPECT_EQ(m_Editor.Picture_SPV_Curve->MousePointer(), PictureBox::mpDefault);
    EXPECT_EQ(std::tuple(chart().At0, chart().Slope, chart().Bend), std::tuple(20.0f, 0.5f, 0.0f));
    EXPECT_EQ(Image(), image);

    // A drag whose release never came ends when the block opens again.
    Drag(CurvePoint(before, 0), -10, false);
    ASSERT_NE(chart().DragMode, CURVE_DRAG_NONE);
    m_Editor.Open(m_Block);
    EXPECT_EQ(chart().DragMode, CURVE_DRAG_NONE);
    EXPECT_EQ(m_Editor.Picture_SPV_Curve->MousePointer(), PictureBox::mpDefault);
    ShowCurve("20", "0.5", "0");
    m_Editor.Picture_SPV_Curve_MouseMove(0, 0, 100, 20);
    EXPECT_EQ(std::tuple(chart().At0, chart().Slope, chart().Bend), std::tuple(20.0f, 0.5f, 0.0f));
}

TEST_F(CurveEditorTest, AChartTooSmallToLayOutDrawsNothingAndStartsNoDrag) {
    m_Editor.Picture_SPV_Curve->SetPixelSize(QSize(40, 30));
    m_Editor.LayoutCurveChart();
    ASSERT_FALSE(CurveChartUsable(chart()));
    m_Editor.Open(m_Block);
    ShowCurve("20", "0.5", "0");
    const QRgb background = ColourToRgb(m_Editor.Picture_SPV_Curve->Surface().BackColor());
    for (int y = 0; y < Image().height(); ++y)
        for (int x = 0; x < Image().width(); ++x)
            ASSERT_EQ(Image().pixel(x, y), background) << x << ", " << y;
    for (int y = 0; y < 30; y += 3)
        m_Editor.Picture_SPV_Curve_MouseDown(1, 0, 20, static_cast<float>(y));
    EXPECT_EQ(chart().DragMode, CURVE_DRAG_NONE);
}

// The boxes are read with either separator and show the clamped curve in the user's format, with
// an ASCII minus that reads back as the same number.
TEST_F(CurveEditorTest, RedrawingFromTheBoxesClampsAndShowsTheUsersFormat) {
    LocaleScope swedish(QLocale(QLocale::Swedish, QLocale::Sweden));
    m_Editor.Open(m_Block);
    struct Case {
        const char *at0, *slope, *bend;
        std::array<float, 3> curve;
        std::array<const char*, 3> shown;
    };
    const Case cases[] = {
        {"42,5", "5", "-0,0041", {42.5f, 3.0f, -0.0041f}, {"42,5", "3,0", "-0,004"}},
        {"42,5", "-0,9", "0.004", {42.5f, -0.9f, 0.004f}, {"42,5", "-0,9", "0,004"}},
        {"-2000", "abc", "2", {-1000.0f, 0.0f, 1.0f}, {"-1000,0", "0,0", "1,000"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.at0);
        m_Editor.Text_Curve_SPV[1]->SetText(c.at0);
        m_Editor.Text_Curve_SPV[2]->SetText(c.slope);
        m_Editor.Text_Curve_SPV[3]->SetText(c.bend);
        m_Editor.Command_SPV_Curve_Update_Click();
        EXPECT_EQ(std::tuple(chart().At0, chart().Slope, chart().Bend),
                  std::tuple(c.curve[0], c.curve[1], c.curve[2]));
        for (size_t i = 0; i < 3; ++i)
            EXPECT_EQ(m_Editor.Text_Curve_SPV[i + 1]->Text(), c.shown[i]);
    }
    // The shown texts read back as the same curve.
    m_Editor.Command_SPV_Curve_Update_Click();
    EXPECT_EQ(std::tuple(chart().At0, chart().Slope, chart().Bend), std::tuple(-1000.0f, 0.0f, 1.0f));
}

TEST_F(CurveEditorTest, WritingSendsTheThreeSettingsFromTheCurveInOrderAndNeverTheComputedValue) {
    m_Editor.Open(m_Block);
    m_Editor.ShowParameter(0, "55.3");
    ShowCurve("42", "-0.9", "0.004");
    // The boxes round; what is written is the curve's own value.
    m_Editor.Picture_SPV_Curve_MouseDown(1, 0, static_cast<float>(CurvePoint(chart(), 0).x()),
                                         static_cast<float>(CurvePoint(chart(), 0).y()));
    m_Editor.Picture_SPV_Curve_MouseMove(1, 0, 0, static_cast<float>(CurvePoint(chart(), 0).y() - 7));
    m_Editor.Picture_SPV_Curve_MouseUp(1, 0, 0, 0);
    m_Editor.Command_Send_Curve_SPV_Click();
    const std::vector<std::pair<int16_t, std::string>> expected = {
        {CMD_WRITE_VALUE, Long2String(11) + SingleText(chart().At0)},
        {CMD_WRITE_VALUE, Long2String(12) + SingleText(chart().Slope)},
        {CMD_WRITE_VALUE, Long2String(13) + SingleText(chart().Bend)},
    };
    EXPECT_EQ(m_Sender.sent, expected);
    EXPECT_NE(SingleText(chart().At0).find('.'), std::string::npos);

    // No block open, nothing written; "Åter" is the block's Close.
    m_Setpoint.m_SPVElement = nullptr;
    m_Editor.Command_Send_Curve_SPV_Click();
    EXPECT_EQ(m_Sender.sent.size(), 3u);
    QTest::mouseClick(m_Editor.Command_Cancel_Curve_SPV->widget(), Qt::LeftButton);
    EXPECT_EQ(m_Closes, 1);
}

// The box is hidden at start-up, yet the chart is laid out on its pixels, not on 1 x 1 or on twips.
TEST(CurveEditorStart, TheChartIsLaidOutOnTheBoxsPixelsAtStartUp) {
    ControlFixture f;
    PelorinControl& c = f.Start();
    const CurveChart& chart = c.curveEditor().Chart();
    EXPECT_FALSE(c.curveEditor().Frame_SPV_Curve->Visible());
    EXPECT_EQ(c.curveEditor().Picture_SPV_Curve->Surface().Image().size(), QSize(360, 280));
    EXPECT_LE(chart.Right, 360);
    EXPECT_GT(chart.Right - chart.Left, 200);
    EXPECT_LE(chart.Bottom, 280);
    EXPECT_GT(chart.Bottom - chart.Top, 150);
    EXPECT_EQ(chart.MarkerSize, 4);
}

} // namespace
} // namespace pelorin::test
