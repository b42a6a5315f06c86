// The curve editor alone, on fakes of its ports: the drag states of its chart under the mouse.

#include "setpoints/CurveEditor.h"
#include "common/PortFakes.h"
#include "core/NumberText.h"
#include "platform/PictureBox.h"
#include "platform/Widgets.h"

#include <QWidget>
#include <gtest/gtest.h>

namespace pelorin::test {
namespace {

// A straight curve: 35 at the left end (+30 °C), 20 at 0 °C, 5 at the right end (-30 °C).
class CurveEditorTest : public ::testing::Test {
protected:
    void SetUp() override { OpenStraightCurve(); }

    void OpenStraightCurve() {
        block.m_Address = "VS01.DAG";
        editor.LayoutCurveChart();
        editor.Open(block);
        editor.ShowParameter(1, "20");
        editor.ShowParameter(2, "0.5");
        editor.ShowParameter(3, "0");
    }

    const CurveChart& chart() const { return editor.Chart(); }
    // The chart point of the curve at temperature T, `above` drawing units higher.
    QPointF At(float T, double above = 0) const {
        return {ChartX(chart(), T), ChartY(chart(), CurveValue(chart(), T)) - above};
    }
    void Press(QPointF at) { editor.Picture_SPV_Curve_MouseDown(1, 0, float(at.x()), float(at.y())); }
    void Move(QPointF at) { editor.Picture_SPV_Curve_MouseMove(1, 0, float(at.x()), float(at.y())); }
    void Release() { editor.Picture_SPV_Curve_MouseUp(1, 0, 0, 0); }
    bool ResizePointer() const { return editor.Picture_SPV_Curve->cursor().shape() == Qt::SizeVerCursor; }

    QWidget parent;
    SetpointMembers setpoint;
    PictureMembers picture;
    ViewSwitchFake view;
    RecordingSender sender;
    CurveEditor editor{
        &parent,
        {.setpoint = setpoint, .picture = picture, .view = view, .sender = sender, .closeSetpoint = [] {}}};
    cElement block;
};

// The two ends and 0 °C are handles; elsewhere within MarkerSize of the curve the whole curve moves.
TEST_F(CurveEditorTest, PressNearTheCurveStartsTheDragOfTheHandleThere) {
    const double near = chart().MarkerSize - 1;
    const struct {
        const char* where;
        QPointF at;
        int16_t mode;
    } cases[] = {
        {"left end", At(30, near), CURVE_DRAG_LEFT_END},
        {"0 degrees", At(0, -near), CURVE_DRAG_MIDDLE},
        {"right end", At(-30), CURVE_DRAG_RIGHT_END},
        {"between", At(15), CURVE_DRAG_WHOLE_CURVE},
        {"above the curve", At(15, near + 2), CURVE_DRAG_NONE},
        {"left of the chart", At(30) - QPointF(near + 2, 0), CURVE_DRAG_NONE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.where);
        Press(c.at);
        EXPECT_EQ(chart().DragMode, c.mode);
        EXPECT_EQ(ResizePointer(), c.mode != CURVE_DRAG_NONE);
        Release();
    }
}

// Each handle moves its own point of the curve and keeps the others; the whole curve moves all three.
TEST_F(CurveEditorTest, EachHandleMovesItsPointAndKeepsTheOthers) {
    const struct {
        float T;
        float left, at0, right; // how far each point moves, as a share of the drag
    } cases[] = {{30, 1, 0, 0}, {0, 0, 1, 0}, {-30, 0, 0, 1}, {15, 1, 1, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.T);
        const CurveChart before = chart();
        const float up = 10 / -before.YScale;
        // On a whole pixel, as the mouse reports it, so that the drag is exactly 10 units.
        const QPointF press = At(c.T).toPoint();
        Press(press);
        Move(press - QPointF(0, 10));
        Release();
        EXPECT_NEAR(CurveValue(chart(), 30), before.LeftValue + c.left * up, 1e-3);
        EXPECT_NEAR(chart().At0, before.At0 + c.at0 * up, 1e-3);
        EXPECT_NEAR(CurveValue(chart(), -30), before.RightValue + c.right * up, 1e-3);
        OpenStraightCurve();
    }
}

// However far the pointer goes, the dragged point stays within 0 to 100.
TEST_F(CurveEditorTest, DragsStopAtTheChartsLimits) {
    const struct {
        float T;
        double above;
        float expected; // at T
    } cases[] = {{30, 1000, 100}, {-30, -1000, 0}, {0, 1000, 100}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.T);
        Press(At(c.T));
        Move(At(c.T) - QPointF(0, c.above));
        Release();
        EXPECT_NEAR(CurveValue(chart(), c.T), c.expected, 1e-3);
        OpenStraightCurve();
    }
}

TEST_F(CurveEditorTest, DraggedNumbersShowInTheBoxesAndMarkTheChartUnwritten) {
    Press(At(0));
    Move(At(0, 10));
    EXPECT_EQ(editor.Text_Curve_SPV[1]->Text(), RegionalFixed(chart().At0, 1));
    EXPECT_NE(editor.Text_Curve_SPV[1]->Text(), "20.0");
    EXPECT_TRUE(editor.ChartUnwritten());
}

TEST_F(CurveEditorTest, MovesWithoutAPressChangeNothing) {
    Move(At(0));
    Move(At(0, 10));
    EXPECT_EQ(chart().At0, 20);
    EXPECT_FALSE(editor.ChartUnwritten());
}

TEST_F(CurveEditorTest, ReleaseEndsTheDragAndItsPointer) {
    Press(At(0));
    Release();
    Move(At(0, 10));
    EXPECT_EQ(chart().At0, 20);
    EXPECT_FALSE(ResizePointer());
}

} // namespace
} // namespace pelorin::test
