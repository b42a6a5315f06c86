#include "control/PelorinControl.h"

#include "control/SettingsPanel.h"
#include "core/Access.h"
#include "core/ClientProcs.h"
#include "core/Latin1.h"
#include "core/Payload.h"
#include "core/Protocol.h"
#include "link/ServerLink.h"
#include "link/Session.h"
#include "picture/PictureModel.h"
#include "picture/PictureView.h"
#include "platform/ImageSurface.h"
#include "platform/MessageLater.h"
#include "ports/PlantWatch.h"
#include "printing/Printout.h"
#include "setpoints/CurveEditor.h"
#include "setpoints/SetpointPanel.h"
#include "sysdial/SystemDialog.h"
#include "texts/TextView.h"
#include "toolbar/ToolbarRow.h"
#include "toolbar/ToolbarRules.h"
#include "toolbar/ToolbarTable.h"

// The handlers that span subsystems: the view switch, the toolbar's two events, the dispatch of the
// server's messages with the picture and value handlers, and the system timer.

namespace pelorin {

namespace {

constexpr int32_t kLastSteppedPicture = kPictureTableSize - 1;
// One full turn over 1..kLastSteppedPicture and back to the start.
constexpr int kStepAttempts = kLastSteppedPicture + 2;
constexpr int32_t kSetpointParameters = 4;
// Pointer numbers are signed 16-bit values on the wire; above this a value addresses nothing.
constexpr int32_t kLargestPointer = 32767;

} // namespace

void PelorinControl::ShowView(int16_t view) {
    m_ViewState = view;
    UpdateToolBarView();
}

void PelorinControl::UpdateToolBarView() {
    const bool selectionWritable =
        m_SelectedElement && IsWritableAddress(m_SelectedElement->m_Address, m_WriteParameters);
    const ToolbarView v = ToolbarRules({m_ViewState, m_AccessLevel, m_FunctionTextAvailable,
                                        m_Setpoints->BlockEntryCount(), selectionWritable});
    m_Toolbar->Apply(v);
    m_View->Geometry().SetVisible(v.picture);
    m_Texts->SetVisible(v.textView);
    m_SystemDialog->SetVisible(v.terminal);
    m_Setpoints->SetVisible(v.setpointPanel);
    m_CurveEditor->SetVisible(v.curveEditor);
    m_SettingsPanel->SetVisible(v.settingsPanel);
    m_Session->ShowLoginFrame(v.loginFrame);
}

void PelorinControl::Toolbar_ButtonClick(const std::string& ButtonKey) {
    if (!m_Texts->BeforeToolbarAction(ButtonKey))
        return;
    if (ButtonKey == tb::kHome) {
        if (m_ViewState == VS_PICTURE && m_Model->PictureExists(1))
            TCPSend(CMD_GET_PICTURE, "1");
    } else if (ButtonKey == tb::kGetPicture) {
        GetTypedPicture();
    } else if (ButtonKey == tb::kPrevious) {
        StepPicture(-1);
    } else if (ButtonKey == tb::kNext) {
        StepPicture(+1);
    } else if (ButtonKey == tb::kSendSetpoint) {
        m_Setpoints->SendSelectedValue();
    }
}

void PelorinControl::GetTypedPicture() {
    if (m_ViewState == VS_SYSDIAL)
        m_SystemDialog->CloseTerminal();
    // A number beyond 16 bits cannot be a picture number: it is ignored like other unknown ones.
    const double typed = RoundHalfEven(ReadNumber(m_Toolbar->Text_PCT->Text()));
    if (typed < INT16_MIN || typed > INT16_MAX)
        return;
    const auto number = static_cast<int16_t>(typed);
    if (number == 0)
        TCPSend(CMD_GET_PICTURE, "0");
    else if (number >= 1 && number <= kLastSteppedPicture && m_Model->PictureExists(number))
        TCPSend(CMD_GET_PICTURE, std::to_string(number));
}

// Previous wraps below 1 to 999 and next above 999 to 1; a number the server sent outside 1..999 is
// stepped from as it is.
void PelorinControl::StepPicture(int direction) {
    // Wide enough that no current number can overflow while stepping.
    int64_t number = m_PictureNumber;
    for (int attempt = 0; attempt < kStepAttempts; ++attempt) {
        number += direction;
        if (direction < 0 && number < 1)
            number = kLastSteppedPicture;
        else if (direction > 0 && number > kLastSteppedPicture)
            number = 1;
        if (m_Model->PictureExists(number)) {
            TCPSend(CMD_GET_PICTURE, std::to_string(number));
            return;
        }
    }
}

void PelorinControl::Toolbar_ButtonMenuClick(const std::string& MenuKey, const std::string& ParentKey,
                                             const std::string& MenuTag) {
    // A printout, like anything else that reads the picture, comes after the values waiting to be drawn.
    m_View->DrawPending();
    if (!m_Texts->BeforeToolbarAction(MenuKey))
        return;
    if (m_ViewState == VS_SYSDIAL)
        m_SystemDialog->CloseTerminal();
    // Every entry but printing leads away from an open setpoint block (another block opens afresh).
    if (MenuKey != tb::kPrint && ParentKey != tb::kSetpoints)
        m_Setpoints->LeaveSetpoint();
    if (MenuKey == tb::kLogout)
        LogOut();
    else if (MenuKey == tb::kSystemDialog)
        m_SystemDialog->OpenSystemDialog();
    else if (MenuKey == tb::kPrint)
        m_Printout->PrintCurrentView();
    else if (MenuKey == tb::kFunctionText || MenuKey == tb::kGlobalLog || MenuKey == tb::kPictureLog)
        m_Texts->RequestText(MenuKey);
    else if (MenuKey == tb::kSettings)
        m_SettingsPanel->Open();
    if (ParentKey == tb::kSetpoints)
        m_Setpoints->OpenSetpoint(MenuTag);
}

// Every way a session ends comes here: nothing of it is left for the next login, and nothing the
// operator typed goes without a word.
void PelorinControl::LogOut() {
    const bool valueLost = m_Session->EndedByLink() && m_Setpoints->HoldsTypedValue();
    m_Texts->EndSession();
    m_SystemDialog->EndSession();
    m_View->EndSelection();
    m_Setpoints->EndSession();
    m_Model->ForgetPictureTable();
    m_Session->LogOut();
    if (m_Services.watch)
        m_Services.watch->LoggedOut();
    if (valueLost)
        MessageLater(
            *m_Services.dialogs, this,
            Latin1FromUtf8("Det inskrivna värdet skrevs inte ner: sessionen med bildservern avslutades."));
}

void PelorinControl::DispatchFrame(uint8_t code, const std::string& payload) {
    switch (code) {
    case MSG_NO_PICTURE:
        OnNoPicture(payload);
        break;
    case MSG_PICTURE:
        OnPicture(payload);
        break;
    case MSG_PICTURE_TABLE:
        m_Model->OnPictureTable(payload);
        break;
    case MSG_LOGIN_REPLY:
        m_Session->OnLoginReply(payload);
        if (m_AccessLevel > 0 && m_Services.watch)
            m_Services.watch->LoggedIn(m_UserVisa, m_Session->ServerAddress());
        break;
    case MSG_LOGOUT:
        m_Session->OnLogout(payload);
        break;
    case MSG_FUNCTION_TEXT:
        m_Texts->OnFunctionText(payload);
        break;
    case MSG_VALUE:
        OnValue(payload);
        break;
    case MSG_PICTURE_LOG:
        m_Texts->OnPictureLog(payload);
        break;
    case MSG_GLOBAL_LOG:
        m_Texts->OnGlobalLog(payload);
        break;
    case MSG_SYSDIAL_INFO:
        m_SystemDialog->OnSysdialInfo(payload);
        break;
    default:
        break; // codes the client has no use for are consumed and dropped
    }
}

void PelorinControl::OnNoPicture(const std::string& /*payload*/) {
    m_Texts->BeforeReplaced();
    RemoveAllElements();
    m_View->Surface().Cls();
    m_ViewState = VS_PICTURE;
    m_SystemDialog->StopRecordingAndPrinting();
    UpdateToolBarView();
}

void PelorinControl::OnPicture(const std::string& payload) {
    m_Texts->BeforeReplaced();
    ExtractAllElements(m_Model->ReadPictureHeader(payload));
    m_Toolbar->ShowIndicator(m_DynamicPointers == 0 ? "100%" : "0%", m_DynamicPointers == 0);
    m_Toolbar->Text_Address->SetText({});
    m_Toolbar->Text_NewValue->SetText({});
    m_Toolbar->Text_PCT->SetText(std::to_string(m_PictureNumber));
    m_ViewState = VS_PICTURE;
    m_SystemDialog->StopRecordingAndPrinting();
    m_View->PaintAllElements(-1);
    UpdateToolBarView();
    if (m_Services.watch)
        m_Services.watch->PictureShown(m_PictureNumber);
}

void PelorinControl::OnValue(const std::string& payload) {
    const int32_t pointer = String2Short(payload, 0);
    const std::string valueText = PayloadBytes(payload, 2);
    if (pointer > kLargestPointer)
        return;
    if (m_Services.watch)
        TellValue(pointer, valueText);
    if (pointer >= m_DynamicPointers) {
        const int32_t parameter = pointer - m_DynamicPointers;
        if (parameter < kSetpointParameters)
            m_Setpoints->ShowSetpointValue(static_cast<int16_t>(parameter), valueText);
        return;
    }
    // Values for a picture the operator has left are kept but not drawn: the picture asked for
    // replaces the drawing, and a backlog of them drains at the pace of taking them in.
    const bool drawn = !m_Link->PictureRequested();
    if (!drawn)
        m_View->Drawing().DropPending();
    for (size_t position : m_Model->PositionsOfPointer(pointer)) {
        cElement& e = *m_Elements[position];
        // Values are drawn at the display's pace; the view notes what the picture shows now.
        if (drawn)
            m_View->BeforeValueChange(position);
        if (m_Model->ApplyValue(e, valueText) == ValueEffect::SetpointKindKnown)
            m_Setpoints->AddBlockEntry(e);
    }
    if (drawn)
        m_View->ValuesChanged();
    UpdateIndicator();
}

void PelorinControl::TellValue(int32_t pointer, const std::string& valueText) {
    const std::string address = WatchedAddress(pointer);
    if (!address.empty())
        m_Services.watch->ValueArrived(pointer, address, valueText);
}

// The name a watch knows a pointer by: its element's address, or a parameter of the open setpoint
// block; empty for a pointer that names neither.
std::string PelorinControl::WatchedAddress(int32_t pointer) {
    if (pointer < m_DynamicPointers) {
        const std::vector<size_t>& positions = m_Model->PositionsOfPointer(pointer);
        return positions.empty() ? std::string() : m_Elements[positions.front()]->m_Address;
    }
    const int32_t parameter = pointer - m_DynamicPointers;
    if (!m_SPVElement || parameter >= kSetpointParameters)
        return {};
    return m_SPVElement->m_Address + ".PAR" + std::to_string(parameter + 1);
}

// The share of the picture's dynamic elements that hold a value; complete turns the indicator green.
void PelorinControl::UpdateIndicator() {
    const int32_t withValue = m_Model->ElementsWithValue();
    if (withValue < 1 || m_DynamicPointers < 1)
        return;
    const std::string percent = std::to_string(RoundTo<int64_t>(withValue * 100.0 / m_DynamicPointers)) + "%";
    if (withValue >= m_DynamicPointers && !m_Toolbar->IndicatorComplete()) {
        // Green tells the operator that every value is on the picture.
        m_View->DrawPending();
        m_Toolbar->ShowIndicator(percent, true);
        // The toolbar may enable what waits for complete values.
        UpdateToolBarView();
    }
    // Most values leave the share as it was; setting the same text again would cost more than the value.
    if (m_Toolbar->Text_Updated->Text() != percent)
        m_Toolbar->SetIndicatorText(percent);
}

void PelorinControl::Timer_System_Timer() {
    m_SystemDialog->KeepChannel(m_Session->Timer_System->Interval());
    m_View->Blink();
}

} // namespace pelorin
