#include "setpoints/SetpointPanel.h"

#include "core/ClientProcs.h"
#include "core/Latin1.h"
#include "core/NumberText.h"
#include "core/Protocol.h"
#include "picture/PictureView.h"
#include "platform/InputCodes.h"
#include "ports/Ports.h"
#include "setpoints/CurveEditor.h"
#include "toolbar/ToolbarIcons.h"
#include "toolbar/ToolbarRow.h"
#include "toolbar/ToolbarTable.h"

#include <QWidget>
#include <algorithm>
#include <optional>

namespace pelorin {

namespace {

// The kinds of setpoint block: a table described by the block, the standard four, and two curves.
constexpr int32_t SPV_TABLE = 0;
constexpr int32_t SPV_STANDARD = 1;
constexpr int32_t SPV_CURVE_DAY = 2;
constexpr int32_t SPV_CURVE_NIGHT = 3;

std::string SetpointKindLabel(int32_t kind) {
    switch (kind) {
    case SPV_TABLE:
        return "(PLSetPnt.DTA)";
    case SPV_STANDARD:
        return "(standard)";
    case SPV_CURVE_DAY:
        return "(kurva dag)";
    case SPV_CURVE_NIGHT:
        return "(kurva natt)";
    default:
        return {};
    }
}

std::array<std::string, 4> StandardLabels() {
    return {Latin1FromUtf8("Rum-/frånluftstemp:"), Latin1FromUtf8("Dödzon:"),
            "Min tilluftstemp:", "Max tilluftstemp:"};
}

std::array<std::string, 4> DescribedLabels(const cElement& block) {
    return {block.m_PAR1_Description + ":", block.m_PAR2_Description + ":", block.m_PAR3_Description + ":",
            block.m_PAR4_Description + ":"};
}

// The block's four parameters, to be delivered under the numbers after the picture's own.
std::string WatchList(const std::string& address) {
    return address + ".PAR1;" + address + ".PAR2;" + address + ".PAR3;" + address + ".PAR4";
}

// The value typed in `box` with "," as ".", or none when it holds no number: a server reads such a
// text as 0 and would write 0 to the controller. The box then gets the focus with its text selected,
// to be typed again.
std::optional<std::string> TypedValue(TextBox& box) {
    std::string value = box.Text();
    std::replace(value.begin(), value.end(), ',', '.');
    if (ReadLeadingNumber(value))
        return value;
    box.SetFocus();
    box.SetSelStart(0);
    box.SetSelLength(static_cast<int32_t>(box.Text().size()));
    return std::nullopt;
}

} // namespace

SetpointPanel::SetpointPanel(QWidget* parent, const SetpointPanelContext& context)
    : m_Setpoint(context.setpoint), m_Selection(context.selection), m_Picture(context.picture),
      m_Toolbar(context.toolbar), m_PictureView(context.pictureView), m_Curve(context.curve),
      m_View(context.view), m_Sender(context.sender) {
    CreateFrame(parent);
}

// One row per parameter, top to bottom: its label, its value box and the button that writes it; "Åter"
// below, right-aligned with the buttons.
void SetpointPanel::CreateFrame(QWidget* parent) {
    Frame_SPV = m_Controls.Make<Frame>(parent, Latin1FromUtf8("&Börvärden"));
    Frame_SPV->SetWidth(5400);
    Frame_SPV->SetHeight(2400);
    QWidget* frame = Frame_SPV->widget();
    // The panel lies over the picture, which must not show through it.
    frame->setAutoFillBackground(true);
    for (int16_t i = 0; i < static_cast<int16_t>(Text_SPV.size()); ++i) {
        const auto row = static_cast<size_t>(i);
        const double top = 300 + 400.0 * i;
        Label_SPV[row] = m_Controls.Make<Label>(frame, std::string());
        Place(*Label_SPV[row], {120, top + 48, 2760, 192});
        Text_SPV[row] = m_Controls.Make<TextBox>(frame, TextBox::Kind::SingleLine);
        Text_SPV[row]->SetToolTip(Latin1FromUtf8("Signalvärde för vald adress"));
        Place(*Text_SPV[row], {2940, top + 21, 1500, 288});
        Label_SPV[row]->Names(*Text_SPV[row]);
        Text_SPV[row]->OnKeyPress = [this, i](int16_t& keyAscii) { Text_SPV_KeyPress(i, keyAscii); };
        Command_SendSPV[row] = m_Controls.Make<CommandButton>(frame, std::string());
        Command_SendSPV[row]->SetIcon(ToolbarIcon(tb::kSendSetpoint));
        Command_SendSPV[row]->SetToolTip(Latin1FromUtf8("Skriv ner nytt signalvärde"));
        Place(*Command_SendSPV[row], {4500, top, 480, 330});
        Command_SendSPV[row]->OnClick = [this, i] { Command_SendSPV_Click(i); };
    }
    Command_CancelSPV = m_Controls.Make<CommandButton>(frame, Latin1FromUtf8("Åter"));
    Place(*Command_CancelSPV, {4140, 1980, 840, 315});
    Command_CancelSPV->OnClick = [this] { Command_CancelSPV_Click(); };
}

void SetpointPanel::AddBlockEntry(const cElement& e) {
    // Entries made at run time have no key; the tag names the element.
    m_Toolbar.Toolbar->Button(tb::kSetpoints)
        ->AddMenuEntry({}, e.m_Address + "\t" + SetpointKindLabel(e.m_SPVType),
                       std::to_string(e.m_DynamicArrayPointer));
}

int32_t SetpointPanel::BlockEntryCount() const {
    return m_Toolbar.Toolbar->Button(tb::kSetpoints)->MenuCount();
}

void SetpointPanel::ForgetBlocks() {
    LeaveSetpoint();
    m_Toolbar.Toolbar->Button(tb::kSetpoints)->ClearMenu();
}

// A block stays open with its request standing even when its kind opens nothing.
void SetpointPanel::OpenSetpoint(const std::string& MenuTag) {
    m_Sender.TCPSend(CMD_UNWATCH_SETPOINT, {});
    m_Setpoint.m_SPVElement = FindBlock(MenuTag);
    if (!m_Setpoint.m_SPVElement)
        return;
    const cElement& block = *m_Setpoint.m_SPVElement;
    m_Sender.TCPSend(CMD_WATCH_SETPOINT, WatchList(block.m_Address));
    ShowNoValues();
    switch (block.m_SPVType) {
    case SPV_TABLE:
        ShowPanel(DescribedLabels(block));
        break;
    case SPV_STANDARD:
        ShowPanel(StandardLabels());
        break;
    case SPV_CURVE_DAY:
    case SPV_CURVE_NIGHT:
        m_Curve.Open(block);
        break;
    default:
        break;
    }
}

cElement* SetpointPanel::FindBlock(const std::string& MenuTag) const {
    const double tag = ReadNumber(MenuTag);
    for (const auto& e : m_Picture.m_Elements)
        if (e->m_ElementType == ET_SETPOINT && e->m_DynamicArrayPointer == tag)
            return e.get();
    return nullptr;
}

void SetpointPanel::ShowPanel(const std::array<std::string, 4>& labels) {
    for (size_t i = 0; i < labels.size(); ++i)
        Label_SPV[i]->SetCaption(labels[i]);
    Frame_SPV->SetCaption(Latin1FromUtf8("&Börvärden ") + m_Setpoint.m_SPVElement->m_Address);
    m_View.ShowView(VS_SPV);
    Text_SPV[0]->SetFocus();
}

// The block's kind is also its value; an unsent edit gives way to the value that arrives.
void SetpointPanel::ShowSetpointValue(int16_t Index, const std::string& Value) {
    if (!m_Setpoint.m_SPVElement || Index < 0 || Index >= static_cast<int16_t>(Text_SPV.size()))
        return;
    const double kind = m_Setpoint.m_SPVElement->m_Value;
    if (kind == SPV_TABLE || kind == SPV_STANDARD) {
        const auto row = static_cast<size_t>(Index);
        m_ShownValues[row] = RegionalNumber(ReadNumber(Value));
        Text_SPV[row]->SetText(m_ShownValues[row]);
    } else if (kind == SPV_CURVE_DAY || kind == SPV_CURVE_NIGHT)
        m_Curve.ShowParameter(Index, Value);
}

// The panel stays open; the box shows what the controller reports next.
void SetpointPanel::Command_SendSPV_Click(int16_t Index) {
    if (!m_Setpoint.m_SPVElement || Index < 0 || Index >= static_cast<int16_t>(Text_SPV.size()))
        return;
    if (const std::optional<std::string> value = TypedValue(*Text_SPV[static_cast<size_t>(Index)]))
        m_Sender.TCPSend(CMD_WRITE_VALUE, Long2String(m_Picture.m_DynamicPointers + Index) + *value);
}

void SetpointPanel::Command_CancelSPV_Click() {
    m_View.ShowView(VS_PICTURE);
    m_Sender.TCPSend(CMD_UNWATCH_SETPOINT, {});
    m_Setpoint.m_SPVElement = nullptr;
    m_Curve.EndDrag();
}

void SetpointPanel::Text_SPV_KeyPress(int16_t /*Index*/, int16_t& KeyAscii) {
    if (KeyAscii != kKeyEscape)
        return;
    Command_CancelSPV_Click();
    KeyAscii = 0;
}

// TB_SEND_SPV: writes the value typed in Text_NewValue to the selected element, then ends the
// selection. The server shows the result with its next value.
void SetpointPanel::SendSelectedValue() {
    const cElement* selected = m_Selection.m_SelectedElement;
    if (!selected)
        return;
    const std::optional<std::string> value = TypedValue(*m_Toolbar.Text_NewValue);
    if (!value)
        return;
    m_Sender.TCPSend(CMD_WRITE_VALUE, Long2String(selected->m_DynamicArrayPointer) + *value);
    m_PictureView.EndSelection();
    m_View.UpdateToolBarView();
}

void SetpointPanel::LeaveSetpoint() {
    if (!m_Setpoint.m_SPVElement)
        return;
    // Decided beyond the closing buttons: a watch nobody reads any more is stopped, whatever the server
    // would do about it with the next picture.
    m_Sender.TCPSend(CMD_UNWATCH_SETPOINT, {});
    m_Setpoint.m_SPVElement = nullptr;
    m_Curve.EndDrag();
}

void SetpointPanel::SetVisible(bool visible) {
    Frame_SPV->SetVisible(visible);
}

bool SetpointPanel::HoldsTypedValue() const {
    if (m_Selection.m_SelectedElement && m_Toolbar.Text_NewValue->Text() != m_PictureView.SelectedValueText())
        return true;
    if (m_View.View() == VS_SPV_CURVE)
        return m_Curve.HoldsTypedValue();
    if (m_View.View() != VS_SPV)
        return false;
    for (size_t i = 0; i < Text_SPV.size(); ++i)
        if (Text_SPV[i]->Text() != m_ShownValues[i])
            return true;
    return false;
}

void SetpointPanel::EndSession() {
    LeaveSetpoint();
    ShowNoValues();
    m_Curve.ForgetValues();
    m_Toolbar.Text_Address->SetText({});
    m_Toolbar.Text_NewValue->SetText({});
}

void SetpointPanel::ShowNoValues() {
    m_ShownValues = {};
    for (TextBox* box : Text_SPV)
        box->SetText({});
}

} // namespace pelorin
