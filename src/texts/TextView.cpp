#include "texts/TextView.h"

#include "control/Ports.h"
#include "core/Access.h"

namespace pelorin {

TextView::TextView(QWidget* parent, TextMembers& members, const SessionMembers& session, ViewSwitch& view,
                   CommandSender& sender)
    : m_(members), m_Session(session), m_View(view), m_Sender(sender) {
    Text_Any = m_Controls.Make<TextBox>(parent, TextBox::Kind::MultiLine);
}

// Requesting the texts comes with the text view's editing; until then the entries do nothing.
void TextView::RequestText(const std::string& /*MenuKey*/) {}

void TextView::OnFunctionText(const std::string& payload) {
    Text_Any->SetText(payload);
    m_View.ShowView(VS_FUNCTION_TEXT);
    Text_Any->SetFocus();
    Text_Any->SetLocked(true);
}

void TextView::OnPictureLog(const std::string& payload) {
    ShowLogbook(payload, VS_LOG_PCT, ACCESS_PICTURE_LOG);
}

void TextView::OnGlobalLog(const std::string& payload) {
    ShowLogbook(payload, VS_LOG_GLOBAL, ACCESS_GLOBAL_LOG);
}

// A logbook arrives unedited, with the caret at its end, editable only with the right access bit.
void TextView::ShowLogbook(const std::string& text, int16_t view, int32_t editBit) {
    Text_Any->SetText(text);
    Text_Any->SetSelLength(0);
    Text_Any->SetSelStart(static_cast<int32_t>(Text_Any->Text().size()));
    m_.m_TextAnyChanged = 0;
    m_View.ShowView(view);
    Text_Any->SetFocus();
    Text_Any->SetLocked((m_Session.m_AccessLevel & editBit) == 0);
}

void TextView::SetVisible(bool visible) {
    Text_Any->SetVisible(visible);
}

} // namespace pelorin
