#include "link/Session.h"

#include "core/ClientProcs.h"
#include "core/Latin1.h"
#include "core/Payload.h"
#include "core/Protocol.h"
#include "link/ServerLink.h"
#include "platform/InputCodes.h"
#include "platform/Winsock.h"
#include "ports/Ports.h"
#include "sysdial/SystemDialog.h"
#include "toolbar/ToolbarRow.h"
#include "toolbar/ToolbarTable.h"

#include <QTimer>
#include <QWidget>

namespace pelorin {

namespace {

constexpr int32_t kTimerIntervalMs = 500;
// A server that takes the connection but never answers the login would otherwise leave the operator
// without a login frame for good.
constexpr std::chrono::seconds kLoginReplyTimeout{30};

int32_t ToLong(const std::string& text) {
    return RoundTo<int32_t>(ReadNumber(text));
}

} // namespace

Session::Session(QWidget* parent, const SessionContext& context)
    : m_Session(context.session), m_Link(context.link), m_SystemDialog(context.systemDialog),
      m_Toolbar(context.toolbar), m_View(context.view), m_Actions(context.actions),
      m_Timer(std::make_unique<SystemTimer>(nullptr)), m_LoginTimeout(std::make_unique<QTimer>()) {
    CreateLoginFrame(parent);
    Timer_System = m_Timer.get();
    Text_UserVisa->OnKeyPress = [this](int16_t& keyAscii) { Text_UserVisa_KeyPress(keyAscii); };
    Text_PassWord->OnKeyPress = [this](int16_t& keyAscii) { Text_PassWord_KeyPress(keyAscii); };
    Command_Login->OnClick = [this] { Command_Login_Click(); };
    Command_Login->OnEnter = [this] { Command_Login_Click(); };
    Frame_Login->OnDblClick = [this] { Frame_Login_DblClick(); };
    Winsock* socket = m_Link.Winsock_Client;
    socket->OnConnect = [this] { Winsock_Client_Connect(); };
    socket->OnClose = [this] { Winsock_Client_Close(); };
    socket->OnError = [this](int, const std::string&) { Winsock_Client_Error(); };
    Timer_System->OnTimer = [this] { m_Actions.Timer_System_Timer(); };
    Timer_System->SetInterval(kTimerIntervalMs);
    Timer_System->SetEnabled(true);
    m_LoginTimeout->setSingleShot(true);
    m_LoginTimeout->setInterval(kLoginReplyTimeout);
    m_LoginTimeout->callOnTimeout([this] { EndAsIfLoggedOut(); });
}

Session::~Session() = default;

void Session::CreateLoginFrame(QWidget* parent) {
    Frame_Login = m_Controls.Make<Frame>(parent, "&Logga in:");
    Frame_Login->SetWidth(4380);
    Frame_Login->SetHeight(2040);
    QWidget* frame = Frame_Login->widget();
    Place(*m_Controls.Make<Label>(frame, Latin1FromUtf8("Användarvisum:")), {240, 450, 1500, 240});
    Text_UserVisa = m_Controls.Make<TextBox>(frame, TextBox::Kind::SingleLine);
    Place(*Text_UserVisa, {1860, 390, 2280, 345});
    Place(*m_Controls.Make<Label>(frame, Latin1FromUtf8("Lösenord:")), {240, 960, 1500, 240});
    Text_PassWord = m_Controls.Make<TextBox>(frame, TextBox::Kind::Password);
    Place(*Text_PassWord, {1860, 900, 2280, 345});
    Command_Login = m_Controls.Make<CommandButton>(frame, "Ok");
    Place(*Command_Login, {3060, 1470, 1080, 375});
}

void Session::Text_UserVisa_KeyPress(int16_t& KeyAscii) {
    if (KeyAscii != kKeyEnter)
        return;
    Text_PassWord->SetFocus();
    KeyAscii = 0;
}

void Session::Text_PassWord_KeyPress(int16_t& KeyAscii) {
    if (KeyAscii != kKeyEnter)
        return;
    // The button only gets the focus; a second Enter (or a click) logs in.
    Command_Login->SetFocus();
    KeyAscii = 0;
}

void Session::Command_Login_Click() {
    Frame_Login->SetVisible(false);
    m_LoginTimeout->start();
    m_Link.Connect();
}

void Session::Frame_Login_DblClick() {
    Frame_Login->SetCaption("&Logga in: (" + m_ServerAddress + ")");
}

void Session::Winsock_Client_Connect() {
    const std::string loginText = Text_UserVisa->Text() + kVisaPasswordSeparator + Text_PassWord->Text();
    m_Link.TCPSend(CMD_LOGIN, ScrambleLogin(loginText));
    m_Session.m_UserVisa = Text_UserVisa->Text();
    Text_UserVisa->SetText({});
    Text_PassWord->SetText({});
}

// The server closed the connection, or the socket failed: the session ends quietly.
void Session::Winsock_Client_Close() {
    m_Link.AfterReceived([this] {
        m_Link.Close();
        EndAsIfLoggedOut();
    });
}

void Session::Winsock_Client_Error() {
    Winsock_Client_Close();
}

void Session::OnLoginReply(const std::string& payload) {
    m_LoginTimeout->stop();
    m_Session.m_AccessLevel = String2Long(payload, 0);
    if (m_Session.m_AccessLevel < 1) {
        EndAsIfLoggedOut();
    } else {
        m_Link.TCPSend(CMD_GET_PICTURE_TABLE, {});
        m_Actions.RemoveAllElements();
        m_View.ShowView(VS_PICTURE);
    }
    // The rest is kept for a refused login too.
    m_SystemDialog.SetServerPort(String2Long(payload, 4));
    m_Session.m_MaxSysdialHistory = String2Long(payload, 8);
    m_Session.m_UserName = PayloadBytes(payload, 12);
    m_Toolbar.LayoutUserName(m_Session.m_UserName);
}

void Session::OnLogout(const std::string& /*payload*/) {
    EndAsIfLoggedOut();
}

// A refused login, the server's logout, a lost link and an unanswered login end the session through
// the toolbar's logout entry, as if the operator chose it: so the terminal is closed and an open
// setpoint block left on the way.
void Session::EndAsIfLoggedOut() {
    m_Actions.Toolbar_ButtonMenuClick(tb::kLogout, tb::kHome, {});
}

void Session::SetServerAddress(const std::string& address) {
    m_ServerAddress = address;
    if (address.empty())
        return;
    const std::string host = GetField(address, 0, ":");
    m_Link.SetServer(host, ToLong(GetField(address, 1, ":")));
    m_SystemDialog.SetServerHost(host);
}

void Session::LogOut() {
    m_LoginTimeout->stop();
    m_Link.TCPSend(CMD_GET_PICTURE, "0");
    m_Link.TCPSend(CMD_LOGOUT, {});
    m_Session.m_AccessLevel = 0;
    m_View.ShowView(VS_LOGIN);
    m_Link.Close();
    Text_UserVisa->SetFocus();
}

void Session::ShowLoginFrame(bool visible) {
    Frame_Login->SetVisible(visible);
}

void Session::FocusUserVisa() {
    Text_UserVisa->SetFocus();
}

void Session::SetLoginTimeout(std::chrono::milliseconds timeout) {
    m_LoginTimeout->setInterval(timeout);
}

} // namespace pelorin
