// The curve editor alone, with a recording sender and a view switch that shows its frame: what the
// chart shows after any editing, redrawing from the boxes, and writing the curve. The drags' arithmetic
// is CurveChart's, tested in core.

#include "setpoints/CurveSupport.h"

#include "common/PortFakes.h"
#include "control/ControlFixture.h"
#include "control/SessionSupport.h"
#include "core/NumberText.h"
#include "platform/Colour.h"

#include <QTest>
#include <algorithm>
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

TEST_F(CurveEditorTest, WritingTakesTheCurvesOwnNumbersAndNeedsAnOpenBlock) {
    m_Editor.Open(m_Block);
    ShowCurve("42.04", "-0.9", "0.004");
    m_Editor.Command_Send_Curve_SPV_Click();
    EXPECT_EQ(m_Sender.sent.front(),
              (std::pair<int16_t, std::string>{CMD_WRITE_VALUE, Long2String(11) + "42.04"}))
        << "not the box's rounded 42.0";
    m_Setpoint.m_SPVElement = nullptr;
    m_Editor.Command_Send_Curve_SPV_Click();
    EXPECT_EQ(m_Sender.sent.size(), 3u);
    QTest::mouseClick(m_Editor.Command_Cancel_Curve_SPV->widget(), Qt::LeftButton);
    EXPECT_EQ(m_Closes, 1) << "\"Åter\" is the block's Close";
}

// The box is hidden at start-up, yet the chart is laid out on its pixels, not on 1 x 1 or on twips.
TEST(CurveEditorStart, TheChartIsLaidOutOnTheBoxsPixelsAtStartUp) {
    ControlFixture f;
    PelorinControl& c = f.Start();
    const CurveChart& chart = c.curveEditor().Chart();
    EXPECT_FALSE(c.curveEditor().Frame_SPV_Curve->Visible());
    EXPECT_EQ(c.curveEditor().Picture_SPV_Curve->Surface().Image().size(), QSize(360, 280));
    EXPECT_TRUE(chart.Right <= 360 && chart.Right - chart.Left > 200 && chart.Bottom <= 280 &&
                chart.Bottom - chart.Top > 150);
    EXPECT_EQ(chart.MarkerSize, 4);
}

} // namespace
} // namespace pelorin::test
