#pragma once

#include "platform/ChildControls.h"
#include "toolbar/ToolbarRules.h"

#include <string>

class QWidget;

namespace pelorin {

class ControlActions;
struct ToolbarEntry;

// The toolbar and the boxes laid over its row: picture number, selected address and new value, the
// update indicator and the user's name. Its buttons and menu entries end in the control's toolbar
// handlers.
class ToolbarRow {
public:
    ToolbarRow(QWidget* parent, ControlActions& actions);

    ToolBar* Toolbar = nullptr;
    TextBox* Text_PCT = nullptr;
    TextBox* Text_Address = nullptr;
    TextBox* Text_NewValue = nullptr;
    TextBox* Text_Updated = nullptr;
    Frame* Frame_UserName = nullptr;
    Label* Label_UserName = nullptr;

    void Text_PCT_KeyPress(int16_t& KeyAscii);

    void Apply(const ToolbarView& view);
    // Places the boxes in the gaps of the button row, for a control `controlWidth` twips wide.
    void Layout(double controlWidth);
    // The user's name, right-aligned 150 twips left of the update indicator.
    void LayoutUserName(const std::string& name);

    // The update indicator: green with blue text once every value has come, red with white before.
    void ShowIndicator(const std::string& text, bool complete);
    void SetIndicatorText(const std::string& text);
    bool IndicatorComplete() const;

private:
    void CreateButtons();
    void AddButton(const ToolbarEntry& entry);
    void AddMenuEntry(const ToolbarEntry& entry);
    void SetEnabled(const ToolbarEntry& entry, bool enabled);
    void CreateBoxes(QWidget* parent);

    ControlActions& m_Actions;
    ChildControls m_Controls;
    bool m_IndicatorComplete = false;
};

} // namespace pelorin
