#pragma once

#include "core/CurveChart.h"
#include "platform/ChildControls.h"
#include "ports/ControlMembers.h"

#include <QIcon>
#include <array>
#include <cstdint>
#include <functional>
#include <string>

class QWidget;

namespace pelorin {

class CommandSender;
class PaintSurface;
class PictureBox;
class ViewSwitch;

// The chart on any drawing surface: the curve box, or the printer in its own units and font.

// Fits `chart` into the rectangle (in the surface's units, measured in its current font) and takes the
// colours from the surface's background: white on paper. Ends any drag.
void LayoutCurveChart(CurveChart& chart, const PaintSurface& PaintObject, int32_t Top, int32_t Left,
                      int32_t Height, int32_t Width);
// Frame, grid, ticks and labels with the copy pen.
void PaintCurveAxes(const CurveChart& chart, PaintSurface& PaintObject);
// The curve, its handles and the support line with the XOR pen, so that drawing it again erases it.
// Clamps the parameters first, in the surface's current DrawWidth.
void PaintCurve(CurveChart& chart, PaintSurface& PaintObject);

struct CurveEditorContext {
    const SetpointMembers& setpoint;
    const PictureMembers& picture;
    ViewSwitch& view;
    CommandSender& sender;
    // The setpoint panel's Close, which "Åter" runs.
    std::function<void()> closeSetpoint;
};

// The editor of a setpoint curve: the chart box, the four parameters as numbers, and the buttons that
// redraw the curve from the numbers, write it to the controller and close the block.
class CurveEditor {
public:
    CurveEditor(QWidget* parent, CurveEditorContext context);
    ~CurveEditor();

    Frame* Frame_SPV_Curve = nullptr;
    PictureBox* Picture_SPV_Curve = nullptr;
    // Label_SPV(4..7) of the control's label array, beside Text_Curve_SPV(0..3).
    std::array<Label*, 4> Label_SPV{};
    // 0 the computed setpoint (read-only), 1 the setpoint at 0 °C, 2 the slope, 3 the bend.
    std::array<TextBox*, 4> Text_Curve_SPV{};
    CommandButton* Command_SPV_Curve_Update = nullptr;
    CommandButton* Command_Send_Curve_SPV = nullptr;
    CommandButton* Command_Cancel_Curve_SPV = nullptr;
    CheckBox* Check_Curve_SPV_SupportLine = nullptr;

    // Lays the chart out on the curve box's pixel size.
    void LayoutCurveChart();
    // The chart being edited: geometry, parameters and drag state. A printout copies it and lays the
    // copy out on paper, so the screen's chart keeps its geometry.
    const CurveChart& Chart() const { return m_Chart; }

    // The curve block `block` opens: no parameters yet, the editor shown, and the chart drawn afresh.
    void Open(const cElement& block);
    // Parameter `Index` (0..3) of the open block arrived: the curve is redrawn with it.
    void ShowParameter(int16_t Index, const std::string& ValueText);
    // The block closes or is left: a drag whose release was lost ends here.
    void EndDrag();
    void ShowCurveValues();
    // The chart holds parameters other than the last ones received: dragged or redrawn, not written.
    // "Skriv ner nya signalvärden" then carries a mark.
    bool ChartUnwritten() const;
    // A parameter the operator changed (typed or dragged) and did not send.
    bool HoldsTypedValue() const;
    // The session ends: the boxes show no parameters of it.
    void ForgetValues();

    void Picture_SPV_Curve_Paint();
    void Picture_SPV_Curve_MouseDown(int Button, int Shift, float X, float Y);
    void Picture_SPV_Curve_MouseMove(int Button, int Shift, float X, float Y);
    void Picture_SPV_Curve_MouseUp(int Button, int Shift, float X, float Y);
    void Text_Curve_SPV_KeyPress(int16_t& KeyAscii);
    void Command_SPV_Curve_Update_Click();
    void Command_Send_Curve_SPV_Click();
    void Command_Cancel_Curve_SPV_Click();
    void Check_Curve_SPV_SupportLine_Click();
    void SetVisible(bool visible);

private:
    void CreateFrame(QWidget* parent);
    void WireEvents();
    // The box cleared, the axes and the curve drawn once: what every expose and opening shows.
    void RedrawChart();
    // Erase, change, draw: the only order that leaves no trace of the old curve.
    void ChangeCurve(const std::function<void(CurveChart&)>& change);
    void ShowCurveValue(size_t index);
    void ShowUnwritten();

    const SetpointMembers& m_Setpoint;
    const PictureMembers& m_Picture;
    ViewSwitch& m_View;
    CommandSender& m_Sender;
    std::function<void()> m_CloseSetpoint;
    ChildControls m_Controls;
    CurveChart m_Chart;
    CurveChart m_ChartAtMouseDown;
    // The parameters as the controller last reported them, in Text_Curve_SPV's order.
    std::array<float, 4> m_Received{};
    QIcon m_SendIcon;
    QIcon m_SendIconUnwritten;
    // What the boxes were last given, so that typing in them can be told apart.
    std::array<std::string, 4> m_ShownTexts{};
};

} // namespace pelorin
