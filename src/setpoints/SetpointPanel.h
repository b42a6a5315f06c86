#pragma once

#include "platform/ChildControls.h"
#include "ports/ControlMembers.h"

#include <array>
#include <cstdint>
#include <string>

class QWidget;

namespace pelorin {

class CommandSender;
class CurveEditor;
class PictureView;
class ToolbarRow;
class ViewSwitch;

struct SetpointPanelContext {
    SetpointMembers& setpoint;
    const SelectionMembers& selection;
    const PictureMembers& picture;
    ToolbarRow& toolbar;
    PictureView& pictureView;
    CurveEditor& curve;
    ViewSwitch& view;
    CommandSender& sender;
};

// The setpoint blocks of the picture: their entries in the TB_SPV menu, opening one (the panel of a
// four-parameter block, or the curve editor), its parameter values, writing one parameter, and
// writing the value typed for the selected element (TB_SEND_SPV).
class SetpointPanel {
public:
    SetpointPanel(QWidget* parent, const SetpointPanelContext& context);

    Frame* Frame_SPV = nullptr;
    std::array<Label*, 4> Label_SPV{};
    std::array<TextBox*, 4> Text_SPV{};
    std::array<CommandButton*, 4> Command_SendSPV{};
    CommandButton* Command_CancelSPV = nullptr;

    // The block's entry in the TB_SPV menu, once its kind is known.
    void AddBlockEntry(const cElement& e);
    int32_t BlockEntryCount() const;
    // The picture's elements are gone: no block is open (the server stops sending its parameters) and
    // the menu lists none.
    void ForgetBlocks();

    void OpenSetpoint(const std::string& MenuTag);
    void ShowSetpointValue(int16_t Index, const std::string& Value);
    void Command_SendSPV_Click(int16_t Index);
    void Command_CancelSPV_Click();
    void Text_SPV_KeyPress(int16_t Index, int16_t& KeyAscii);
    void SendSelectedValue();
    // The open block is left some other way than by closing it (a new picture, another view): the
    // server stops sending its parameters.
    void LeaveSetpoint();
    void SetVisible(bool visible);
    // A value the operator typed that was not written: in the open panel's boxes, or for the value
    // selected in the picture.
    bool HoldsTypedValue() const;
    // The session ends: no block is open and no box holds a value of it.
    void EndSession();

private:
    void CreateFrame(QWidget* parent);
    cElement* FindBlock(const std::string& MenuTag) const;
    void ShowPanel(const std::array<std::string, 4>& labels);
    void ShowNoValues();

    SetpointMembers& m_Setpoint;
    const SelectionMembers& m_Selection;
    const PictureMembers& m_Picture;
    ToolbarRow& m_Toolbar;
    PictureView& m_PictureView;
    CurveEditor& m_Curve;
    ViewSwitch& m_View;
    CommandSender& m_Sender;
    ChildControls m_Controls;
    // What each parameter box showed last, so that typing in it can be told from the server's value.
    std::array<std::string, 4> m_ShownValues{};
};

} // namespace pelorin
