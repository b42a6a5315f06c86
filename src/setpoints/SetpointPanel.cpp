#include "setpoints/SetpointPanel.h"

#include "control/Ports.h"
#include "control/ToolbarRow.h"
#include "core/ClientProcs.h"
#include "core/Latin1.h"
#include "core/Protocol.h"
#include "picture/PictureView.h"

#include <algorithm>

namespace pelorin {

namespace {

std::string SetpointKindLabel(int32_t kind) {
    switch (kind) {
    case 0:
        return "(PLSetPnt.DTA)";
    case 1:
        return "(standard)";
    case 2:
        return "(kurva dag)";
    case 3:
        return "(kurva natt)";
    default:
        return {};
    }
}

} // namespace

SetpointPanel::SetpointPanel(QWidget* parent, SetpointMembers& members, const SelectionMembers& selection,
                             ToolbarRow& toolbar, PictureView& view, ViewSwitch& viewSwitch,
                             CommandSender& sender)
    : m_(members), m_Selection(selection), m_Toolbar(toolbar), m_PictureView(view), m_View(viewSwitch),
      m_Sender(sender) {
    Frame_SPV = m_Controls.Make<Frame>(parent, Latin1FromUtf8("&Börvärden"));
    Frame_SPV->SetWidth(5400);
    Frame_SPV->SetHeight(2400);
}

void SetpointPanel::AddBlockEntry(const cElement& e) {
    // Entries made at run time have no key; the tag names the element.
    m_Toolbar.Toolbar->Button("TB_SPV")->AddMenuEntry({}, e.m_Address + "\t" + SetpointKindLabel(e.m_SPVType),
                                                      std::to_string(e.m_DynamicArrayPointer));
}

int32_t SetpointPanel::BlockEntryCount() const {
    return m_Toolbar.Toolbar->Button("TB_SPV")->MenuCount();
}

void SetpointPanel::ForgetBlocks() {
    m_.m_SPVElement = nullptr;
    m_Toolbar.Toolbar->Button("TB_SPV")->ClearMenu();
}

// The panel and the curve editor come with the setpoint work; until then a block does not open and its
// parameters are not shown.
void SetpointPanel::OpenSetpoint(const std::string& /*MenuTag*/) {}

void SetpointPanel::ShowSetpointValue(int16_t /*Index*/, const std::string& /*Value*/) {}

// TB_SEND_SPV: writes the value typed in Text_NewValue to the selected element, then ends the
// selection. The server shows the result with its next value.
void SetpointPanel::SendSelectedValue() {
    const cElement* selected = m_Selection.m_SelectedElement;
    if (!selected)
        return;
    std::string value = m_Toolbar.Text_NewValue->Text();
    std::replace(value.begin(), value.end(), ',', '.');
    m_Sender.TCPSend(CMD_WRITE_VALUE, Long2String(selected->m_DynamicArrayPointer) + value);
    m_PictureView.EndSelection();
    m_View.UpdateToolBarView();
}

void SetpointPanel::SetVisible(bool visible) {
    Frame_SPV->SetVisible(visible);
}

} // namespace pelorin
