#include "control/PelorinControl.h"
#include "core/Payload.h"
#include "platform/PictureBox.h"
#include "platform/Widgets.h"
#include "platform/Winsock.h"

// The life of the connection to the picture server: login frame, login request and reply, the
// logout paths, and the system timer.

namespace pelorin {

namespace {

constexpr int16_t kKeyEnter = 13;
constexpr char kVisaPasswordSeparator = '\xFF';
// A system-dialog channel is claimed again after this many milliseconds of ticks.
constexpr int32_t kSysdialKeepAliveMs = 10000;

} // namespace

void PelorinControl::Text_UserVisa_KeyPress(int16_t& KeyAscii) {
    if (KeyAscii != kKeyEnter)
        return;
    Text_PassWord->SetFocus();
    KeyAscii = 0;
}

void PelorinControl::Text_PassWord_KeyPress(int16_t& KeyAscii) {
    if (KeyAscii != kKeyEnter)
        return;
    // The button only gets the focus; a second Enter (or a click) logs in.
    Command_Login->SetFocus();
    KeyAscii = 0;
}

void PelorinControl::Command_Login_Click() {
    Frame_Login->SetVisible(false);
    // A new connection starts with an empty receive buffer (see link/Receive.cpp).
    m_TCPData.clear();
    Winsock_Client->Connect();
}

void PelorinControl::Frame_Login_DblClick() {
    Frame_Login->SetCaption("&Logga in: (" + m_ServerAddress + ")");
}

void PelorinControl::Winsock_Client_Connect() {
    const std::string loginText = Text_UserVisa->Text() + kVisaPasswordSeparator + Text_PassWord->Text();
    TCPSend(CMD_LOGIN, ScrambleLogin(loginText));
    m_UserVisa = Text_UserVisa->Text();
    Text_UserVisa->SetText({});
    Text_PassWord->SetText({});
}

// The server closed the connection, or the socket failed: the session ends quietly.
void PelorinControl::Winsock_Client_Close() {
    Winsock_Client->Close();
    m_TCPData.clear();
    Toolbar_ButtonMenuClick("TB_LOGOUT", "TB_HOME");
}

void PelorinControl::Winsock_Client_Error() {
    Winsock_Client_Close();
}

void PelorinControl::OnLoginReply(const std::string& payload) {
    m_AccessLevel = String2Long(payload, 0);
    if (m_AccessLevel < 1) {
        Toolbar_ButtonMenuClick("TB_LOGOUT", "TB_HOME");
    } else {
        TCPSend(CMD_GET_PICTURE_TABLE, {});
        RemoveAllElements();
        m_ViewState = VS_PICTURE;
        UpdateToolBarView();
    }
    // The rest is kept for a refused login too.
    Winsock_SysDial->RemotePort = String2Long(payload, 4);
    m_MaxSysdialHistory = String2Long(payload, 8);
    m_UserName = PayloadBytes(payload, 12);
    // The name's label, and its frame fitted to it left of the update indicator.
    LayoutUserName();
}

void PelorinControl::OnLogout(const std::string& /*payload*/) {
    Toolbar_ButtonMenuClick("TB_LOGOUT", "TB_HOME");
}

void PelorinControl::Timer_System_Timer() {
    m_TimerCounter += Timer_System->Interval();
    if (m_TimerCounter > kSysdialKeepAliveMs) {
        if (Winsock_SysDial->State() == Winsock::sckConnected)
            TCPSend(CMD_SYSDIAL_CHANNEL, {});
        m_TimerCounter = 0;
    }
    if (m_SelectedElement) {
        m_LastSelectedVisible = m_LastSelectedVisible ? 0 : -1;
        PaintElement(Picture_PCT->Surface(), *m_SelectedElement, m_LastSelectedVisible, 0);
    }
}

} // namespace pelorin
