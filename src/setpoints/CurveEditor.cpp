#include "setpoints/CurveEditor.h"

#include "core/ClientProcs.h"
#include "core/Latin1.h"
#include "core/NumberText.h"
#include "core/Protocol.h"
#include "platform/Colour.h"
#include "platform/InputCodes.h"
#include "platform/PictureBox.h"
#include "ports/Ports.h"
#include "toolbar/ToolbarIcons.h"
#include "toolbar/ToolbarTable.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QWidget>
#include <algorithm>
#include <limits>
#include <utility>

namespace pelorin {

namespace {

// Text_Curve_SPV(i) shows parameter i with its number of decimals.
constexpr std::array<float CurveChart::*, 4> kParameters = {&CurveChart::Computed, &CurveChart::At0,
                                                            &CurveChart::Slope, &CurveChart::Bend};
constexpr std::array<int, 4> kDecimals = {1, 1, 1, 3};
// The computed setpoint is the controller's; only the other three are written.
constexpr int kFirstWritable = 1;

const char* const kLabels[] = {
    "Beräknat börvärde:", "Börvärde vid 0 °C:", "Kurvlutning:", "Kurvböjning (²):"};

// A number beyond a Single's range keeps the largest one of its sign; drawing clamps it further.
float ToParameter(double value) {
    constexpr double largest = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(value, -largest, largest));
}

Colour ChartBackground(const PaintSurface& surface) {
    if (surface.IsPrinter())
        return kWhite;
    const Colour back = surface.BackColor();
    return back < 0 ? SystemColour(back & 0x7FFFFFFF) : back;
}

ChartTextMeasure Measure(const PaintSurface& surface) {
    return {[&surface](const std::string& text) { return surface.TextWidth(text); },
            [&surface](const std::string& text) { return surface.TextHeight(text); }};
}

// "Rita om kurva": a curve with its handles, drawn in the toolbar's colours.
QIcon RedrawIcon() {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 60, 110), 1.5));
    p.drawLine(QPointF(3, 3), QPointF(3, 21));
    p.drawLine(QPointF(3, 21), QPointF(21, 21));
    QPainterPath curve(QPointF(5, 6));
    curve.quadTo(QPointF(11, 20), QPointF(20, 15));
    p.setPen(QPen(QColor(60, 140, 220), 2));
    p.drawPath(curve);
    p.setBrush(QColor(60, 140, 220));
    for (const QPointF& handle : {QPointF(5, 6), QPointF(11.5, 14.5), QPointF(20, 15)})
        p.drawRect(QRectF(handle - QPointF(1.5, 1.5), QSizeF(3, 3)));
    return QIcon(pixmap);
}

// "Skriv ner nya signalvärden" with a mark in its corner: the chart holds values not yet written.
QIcon WithUnwrittenMark(const QIcon& icon) {
    QPixmap pixmap = icon.pixmap(24, 24);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::white, 1));
    p.setBrush(QColor(230, 120, 0));
    p.drawEllipse(QRectF(15, 1, 8, 8));
    return QIcon(pixmap);
}

// Compared as they are written, so that a value that comes back as written counts as the same.
bool SameWhenWritten(float a, float b) {
    return SingleText(a) == SingleText(b);
}

} // namespace

void LayoutCurveChart(CurveChart& chart, const PaintSurface& PaintObject, int32_t Top, int32_t Left,
                      int32_t Height, int32_t Width) {
    LayoutCurveChart(chart, ChartBackground(PaintObject), Measure(PaintObject), Top, Left, Height, Width);
}

void PaintCurveAxes(const CurveChart& chart, PaintSurface& PaintObject) {
    if (!CurveChartUsable(chart))
        return;
    const ChartAxesFigure axes = ChartAxes(chart, Measure(PaintObject));
    const ChartLine& frame = axes.frame;
    PaintObject.Line(frame.x1, frame.y1, frame.x2, frame.y2, frame.colour, LineKind::Box);
    PaintObject.SetForeColor(kBlack);
    for (const ChartLine& line : axes.lines)
        PaintObject.Line(line.x1, line.y1, line.x2, line.y2, line.colour);
    for (const ChartLabel& label : axes.labels) {
        PaintObject.SetCurrentX(label.x);
        PaintObject.SetCurrentY(label.y);
        PaintObject.Print(label.text);
    }
}

void PaintCurve(CurveChart& chart, PaintSurface& PaintObject) {
    UpdateCurveLimits(chart);
    if (!CurveChartUsable(chart))
        return;
    const ChartCurveFigure curve = ChartCurve(chart);
    PaintObject.SetDrawMode(DM_XOR_PEN);
    for (const ChartLine& segment : curve.segments)
        PaintObject.Line(segment.x1, segment.y1, segment.x2, segment.y2, segment.colour);
    for (const ChartSquare& handle : curve.handles)
        PaintObject.Line(handle.left, handle.top, handle.left + handle.side, handle.top + handle.side,
                         handle.colour, LineKind::FilledBox);
    if (curve.supportLine) {
        const ChartLine& line = *curve.supportLine;
        PaintObject.Line(line.x1, line.y1, line.x2, line.y2, line.colour);
    }
    PaintObject.SetDrawMode(DM_COPY_PEN);
}

CurveEditor::CurveEditor(QWidget* parent, CurveEditorContext context)
    : m_Setpoint(context.setpoint), m_Picture(context.picture), m_View(context.view),
      m_Sender(context.sender), m_CloseSetpoint(std::move(context.closeSetpoint)) {
    CreateFrame(parent);
    WireEvents();
}

CurveEditor::~CurveEditor() = default;

// The chart on the left; the parameters and the buttons that act on them on the right; the support
// line and "Åter" below.
void CurveEditor::CreateFrame(QWidget* parent) {
    Frame_SPV_Curve = m_Controls.Make<Frame>(parent, Latin1FromUtf8("&Börvärden"));
    Frame_SPV_Curve->SetWidth(7800);
    Frame_SPV_Curve->SetHeight(6000);
    QWidget* frame = Frame_SPV_Curve->widget();
    // The panel lies over the picture, which must not show through it.
    frame->setAutoFillBackground(true);
    Picture_SPV_Curve = new PictureBox(frame);
    Picture_SPV_Curve->setAccessibleName(QStringLiteral("Börvärdeskurva"));
    Place(*m_Controls.Make<ControlBase>(Picture_SPV_Curve), {120, 300, 5400, 4200});
    // The frame is hidden, so the box would get its size only when first shown: the chart is laid
    // out before that.
    Picture_SPV_Curve->SetPixelSize(Picture_SPV_Curve->size());

    for (size_t i = 0; i < Text_Curve_SPV.size(); ++i) {
        const double top = 300 + 660.0 * static_cast<double>(i);
        Label_SPV[i] = m_Controls.Make<Label>(frame, Latin1FromUtf8(kLabels[i]));
        Place(*Label_SPV[i], {5640, top, 2040, 192});
        Text_Curve_SPV[i] = m_Controls.Make<TextBox>(frame, TextBox::Kind::SingleLine);
        Place(*Text_Curve_SPV[i], {5640, top + 240, 1500, 288});
        Label_SPV[i]->Names(*Text_Curve_SPV[i]);
    }
    Text_Curve_SPV[0]->SetLocked(true);

    Command_SPV_Curve_Update = m_Controls.Make<CommandButton>(frame, std::string());
    Command_SPV_Curve_Update->SetIcon(RedrawIcon());
    Command_SPV_Curve_Update->SetToolTip("Rita om kurva");
    Place(*Command_SPV_Curve_Update, {5640, 3000, 600, 450});
    Command_Send_Curve_SPV = m_Controls.Make<CommandButton>(frame, std::string());
    m_SendIcon = ToolbarIcon(tb::kSendSetpoint);
    m_SendIconUnwritten = WithUnwrittenMark(m_SendIcon);
    Command_Send_Curve_SPV->SetIcon(m_SendIcon);
    Command_Send_Curve_SPV->SetToolTip(Latin1FromUtf8("Skriv ner nya signalvärden"));
    Place(*Command_Send_Curve_SPV, {6360, 3000, 600, 450});
    Check_Curve_SPV_SupportLine = m_Controls.Make<CheckBox>(frame, Latin1FromUtf8("Stödlinje"));
    Place(*Check_Curve_SPV_SupportLine, {120, 4680, 1500, 288});
    Command_Cancel_Curve_SPV = m_Controls.Make<CommandButton>(frame, Latin1FromUtf8("Åter"));
    Place(*Command_Cancel_Curve_SPV, {6840, 5460, 840, 315});
}

void CurveEditor::WireEvents() {
    Picture_SPV_Curve->OnPaint = [this] { Picture_SPV_Curve_Paint(); };
    Picture_SPV_Curve->OnMouseDown = [this](int button, int shift, float x, float y) {
        Picture_SPV_Curve_MouseDown(button, shift, x, y);
    };
    Picture_SPV_Curve->OnMouseMove = [this](int button, int shift, float x, float y) {
        Picture_SPV_Curve_MouseMove(button, shift, x, y);
    };
    Picture_SPV_Curve->OnMouseUp = [this](int button, int shift, float x, float y) {
        Picture_SPV_Curve_MouseUp(button, shift, x, y);
    };
    for (TextBox* box : Text_Curve_SPV)
        box->OnKeyPress = [this](int16_t& keyAscii) { Text_Curve_SPV_KeyPress(keyAscii); };
    Command_SPV_Curve_Update->OnClick = [this] { Command_SPV_Curve_Update_Click(); };
    Command_Send_Curve_SPV->OnClick = [this] { Command_Send_Curve_SPV_Click(); };
    Command_Cancel_Curve_SPV->OnClick = [this] { Command_Cancel_Curve_SPV_Click(); };
    Check_Curve_SPV_SupportLine->OnClick = [this] { Check_Curve_SPV_SupportLine_Click(); };
}

void CurveEditor::LayoutCurveChart() {
    const ImageSurface& box = Picture_SPV_Curve->Surface();
    pelorin::LayoutCurveChart(m_Chart, box, 0, 0, RoundTo<int32_t>(box.ScaleHeight()),
                              RoundTo<int32_t>(box.ScaleWidth()));
}

// The image is kept between exposes, so the previous block's curve would still be on it: the chart
// is drawn afresh once the frame shows.
void CurveEditor::Open(const cElement& block) {
    EndDrag();
    for (float CurveChart::*parameter : kParameters)
        m_Chart.*parameter = 0;
    m_Received = {};
    Frame_SPV_Curve->SetCaption(Latin1FromUtf8("&Börvärdeskurva ") + block.m_Address);
    m_View.ShowView(VS_SPV_CURVE);
    Text_Curve_SPV[kFirstWritable]->SetFocus();
    RedrawChart();
    ShowUnwritten();
}

// Only the arriving parameter's box is rewritten: the computed setpoint changes all the time, and the
// other boxes may hold what the operator is typing.
void CurveEditor::ShowParameter(int16_t Index, const std::string& ValueText) {
    if (Index < 0 || Index >= static_cast<int16_t>(kParameters.size()))
        return;
    const auto index = static_cast<size_t>(Index);
    const float value = ToParameter(ReadNumber(ValueText));
    ChangeCurve([&](CurveChart& chart) { chart.*kParameters[index] = value; });
    // As drawn: a value the chart clamps is no change of the operator's.
    m_Received[index] = m_Chart.*kParameters[index];
    ShowUnwritten();
    ShowCurveValue(index);
}

bool CurveEditor::HoldsTypedValue() const {
    for (size_t i = kFirstWritable; i < kParameters.size(); ++i)
        if (Text_Curve_SPV[i]->Text() != m_ShownTexts[i])
            return true;
    return ChartUnwritten();
}

// What the chart holds counts as received, so that no mark claims an unwritten change.
void CurveEditor::ForgetValues() {
    m_ShownTexts = {};
    for (TextBox* box : Text_Curve_SPV)
        box->SetText({});
    for (size_t i = 0; i < kParameters.size(); ++i)
        m_Received[i] = m_Chart.*kParameters[i];
    ShowUnwritten();
}

void CurveEditor::EndDrag() {
    EndCurveDrag(m_Chart);
    Picture_SPV_Curve->SetMousePointer(PictureBox::mpDefault);
}

void CurveEditor::ShowCurveValues() {
    for (size_t i = 0; i < kParameters.size(); ++i)
        ShowCurveValue(i);
}

void CurveEditor::ShowCurveValue(size_t index) {
    m_ShownTexts[index] = RegionalFixed(m_Chart.*kParameters[index], kDecimals[index]);
    Text_Curve_SPV[index]->SetText(m_ShownTexts[index]);
}

bool CurveEditor::ChartUnwritten() const {
    for (size_t i = kFirstWritable; i < kParameters.size(); ++i)
        if (!SameWhenWritten(m_Chart.*kParameters[i], m_Received[i]))
            return true;
    return false;
}

void CurveEditor::ShowUnwritten() {
    Command_Send_Curve_SPV->SetIcon(ChartUnwritten() ? m_SendIconUnwritten : m_SendIcon);
}

// Enter redraws from the typed numbers as "Rita om kurva" does, Escape leaves as "Åter" does.
void CurveEditor::Text_Curve_SPV_KeyPress(int16_t& KeyAscii) {
    if (KeyAscii == kKeyEnter)
        Command_SPV_Curve_Update_Click();
    else if (KeyAscii == kKeyEscape)
        Command_Cancel_Curve_SPV_Click();
    else
        return;
    KeyAscii = 0;
}

void CurveEditor::Picture_SPV_Curve_Paint() {
    RedrawChart();
}

void CurveEditor::Picture_SPV_Curve_MouseDown(int /*Button*/, int /*Shift*/, float X, float Y) {
    if (StartCurveDrag(m_Chart, m_ChartAtMouseDown, X, Y))
        Picture_SPV_Curve->SetMousePointer(PictureBox::mpSizeNS);
}

void CurveEditor::Picture_SPV_Curve_MouseMove(int /*Button*/, int /*Shift*/, float /*X*/, float Y) {
    const std::optional<CurveParameters> dragged = MoveCurveDrag(m_Chart, m_ChartAtMouseDown, Y);
    if (!dragged)
        return;
    ChangeCurve([&](CurveChart& chart) {
        chart.At0 = dragged->At0;
        chart.Slope = dragged->Slope;
        chart.Bend = dragged->Bend;
    });
    ShowCurveValues();
}

void CurveEditor::Picture_SPV_Curve_MouseUp(int /*Button*/, int /*Shift*/, float /*X*/, float /*Y*/) {
    if (EndCurveDrag(m_Chart))
        Picture_SPV_Curve->SetMousePointer(PictureBox::mpDefault);
}

// The typed numbers, clamped by the drawing; the boxes then show what the curve holds.
void CurveEditor::Command_SPV_Curve_Update_Click() {
    ChangeCurve([this](CurveChart& chart) {
        for (size_t i = kFirstWritable; i < kParameters.size(); ++i) {
            std::string typed = Text_Curve_SPV[i]->Text();
            std::replace(typed.begin(), typed.end(), ',', '.');
            chart.*kParameters[i] = ToParameter(ReadNumber(typed));
        }
    });
    ShowCurveValues();
}

// The curve's own numbers, not the boxes' rounded texts, in the order the controller expects them.
void CurveEditor::Command_Send_Curve_SPV_Click() {
    if (!m_Setpoint.m_SPVElement)
        return;
    for (size_t i = kFirstWritable; i < kParameters.size(); ++i)
        m_Sender.TCPSend(CMD_WRITE_VALUE, Long2String(m_Picture.m_DynamicPointers + static_cast<int32_t>(i)) +
                                              SingleText(m_Chart.*kParameters[i]));
}

void CurveEditor::Command_Cancel_Curve_SPV_Click() {
    m_CloseSetpoint();
}

void CurveEditor::Check_Curve_SPV_SupportLine_Click() {
    const int16_t shown = Check_Curve_SPV_SupportLine->Value() != 0 ? -1 : 0;
    ChangeCurve([shown](CurveChart& chart) { chart.SupportLine = shown; });
}

void CurveEditor::SetVisible(bool visible) {
    Frame_SPV_Curve->SetVisible(visible);
}

void CurveEditor::RedrawChart() {
    ImageSurface& box = Picture_SPV_Curve->Surface();
    box.Cls();
    PaintCurveAxes(m_Chart, box);
    PaintCurve(m_Chart, box);
}

void CurveEditor::ChangeCurve(const std::function<void(CurveChart&)>& change) {
    ImageSurface& box = Picture_SPV_Curve->Surface();
    PaintCurve(m_Chart, box);
    change(m_Chart);
    PaintCurve(m_Chart, box);
    ShowUnwritten();
}

} // namespace pelorin
