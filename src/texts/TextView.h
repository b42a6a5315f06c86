#pragma once

#include "control/ControlMembers.h"
#include "platform/ChildControls.h"

#include <cstdint>
#include <string>

class QWidget;

namespace pelorin {

class CommandSender;
class ViewSwitch;

// The text view over the picture: the function description of the current picture and the logbooks.
class TextView {
public:
    TextView(QWidget* parent, TextMembers& members, const SessionMembers& session, ViewSwitch& view,
             CommandSender& sender);

    TextBox* Text_Any = nullptr;

    // TB_SHOW_FB, TB_SHOW_LOG_PCT and TB_SHOW_LOG_GLOBAL.
    void RequestText(const std::string& MenuKey);
    void OnFunctionText(const std::string& payload);
    void OnPictureLog(const std::string& payload);
    void OnGlobalLog(const std::string& payload);
    void SetVisible(bool visible);

private:
    void ShowLogbook(const std::string& text, int16_t view, int32_t editBit);

    TextMembers& m_;
    const SessionMembers& m_Session;
    ViewSwitch& m_View;
    CommandSender& m_Sender;
    ChildControls m_Controls;
};

} // namespace pelorin
