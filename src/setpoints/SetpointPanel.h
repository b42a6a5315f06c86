#pragma once

#include "control/ControlMembers.h"
#include "platform/ChildControls.h"

#include <cstdint>
#include <string>

class QWidget;

namespace pelorin {

class CommandSender;
class PictureView;
class ToolbarRow;
class ViewSwitch;

// The setpoint blocks of the picture: their entries in the TB_SPV menu, the panel of a four-parameter
// block, and writing the value typed for the selected element (TB_SEND_SPV).
class SetpointPanel {
public:
    SetpointPanel(QWidget* parent, SetpointMembers& members, const SelectionMembers& selection,
                  ToolbarRow& toolbar, PictureView& view, ViewSwitch& viewSwitch, CommandSender& sender);

    Frame* Frame_SPV = nullptr;

    // The block's entry in the TB_SPV menu, once its kind is known.
    void AddBlockEntry(const cElement& e);
    int32_t BlockEntryCount() const;
    // The picture's elements are gone: no block is open and the menu lists none.
    void ForgetBlocks();

    void OpenSetpoint(const std::string& MenuTag);
    void ShowSetpointValue(int16_t Index, const std::string& Value);
    void SendSelectedValue();
    void SetVisible(bool visible);

private:
    SetpointMembers& m_;
    const SelectionMembers& m_Selection;
    ToolbarRow& m_Toolbar;
    PictureView& m_PictureView;
    ViewSwitch& m_View;
    CommandSender& m_Sender;
    ChildControls m_Controls;
};

} // namespace pelorin
