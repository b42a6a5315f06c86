#include "link/Session.h"

#include "core/ClientProcs.h"
#include "core/Latin1.h"
#include "core/Payload.h"
#include "core/Protocol.h"
#include "link/ServerLink.h"
#include "platform/InputCodes.h"
#include "platform/Screen.h"
#include "platform/Winsock.h"
#include "ports/Ports.h"
#include "sysdial/SystemDialog.h"
#include "toolbar/ToolbarRow.h"
#include "toolbar/ToolbarTable.h"

#include <QTime>
#include <QTimer>
#include <QWidget>
#include <algorithm>

namespace pelorin {

namespace {

constexpr int32_t kTimerIntervalMs = 500;
// A server that takes the connection but never answers the login would otherwise leave the operator
// without a login frame for good.
constexpr std::chrono::seconds kLoginReplyTimeout{30};
// The login frame grows by one line below its button, and as wide as that line needs, while it tells
// why the last session ended.
constexpr double kLoginFrameWidth = 4380;
constexpr double kLoginFrameHeight = 2040;
constexpr double kEndReasonLine = 330;
constexpr double kEndReasonLeft = 240;
constexpr double kEndReasonTop = 1950;
constexpr double kEndReasonHeight = 240;

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
    m_LoginTimeout->callOnTimeout([this] { EndByLink("Bildservern svarade inte"); });
}

Session::~Session() = default;

void Session::CreateLoginFrame(QWidget* parent) {
    Frame_Login = m_Controls.Make<Frame>(parent, "&Logga in:");
    Frame_Login->SetWidth(kLoginFrameWidth);
    Frame_Login->SetHeight(kLoginFrameHeight);
    QWidget* frame = Frame_Login->widget();
    Label* visaLabel = m_Controls.Make<Label>(frame, Latin1FromUtf8("Användarvisum:"));
    Place(*visaLabel, {240, 450, 1500, 240});
    Text_UserVisa = m_Controls.Make<TextBox>(frame, TextBox::Kind::SingleLine);
    Place(*Text_UserVisa, {1860, 390, 2280, 345});
    visaLabel->Names(*Text_UserVisa);
    Label* passwordLabel = m_Controls.Make<Label>(frame, Latin1FromUtf8("Lösenord:"));
    Place(*passwordLabel, {240, 960, 1500, 240});
    Text_PassWord = m_Controls.Make<TextBox>(frame, TextBox::Kind::Password);
    Place(*Text_PassWord, {1860, 900, 2280, 345});
    passwordLabel->Names(*Text_PassWord);
    Command_Login = m_Controls.Make<CommandButton>(frame, "Ok");
    Place(*Command_Login, {3060, 1470, 1080, 375});
    m_EndReason = m_Controls.Make<Label>(frame, std::string());
    Place(*m_EndReason,
          {kEndReasonLeft, kEndReasonTop, kLoginFrameWidth - 2 * kEndReasonLeft, kEndReasonHeight});
    m_EndReason->SetVisible(false);
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
    ShowEndReason({});
    m_LinkOpened = false;
    Frame_Login->SetVisible(false);
    m_LoginTimeout->start();
    m_Link.Connect();
}

void Session::Frame_Login_DblClick() {
    Frame_Login->SetCaption("&Logga in: (" + m_ServerAddress + ")");
}

void Session::Winsock_Client_Connect() {
    m_LinkOpened = true;
    const std::string loginText = Text_UserVisa->Text() + kVisaPasswordSeparator + Text_PassWord->Text();
    m_Link.TCPSend(CMD_LOGIN, ScrambleLogin(loginText));
    m_Session.m_UserVisa = Text_UserVisa->Text();
    Text_UserVisa->SetText({});
    Text_PassWord->SetText({});
}

// The server closed the connection, or the socket failed: the session ends without a message box.
void Session::Winsock_Client_Close() {
    m_Link.AfterReceived([this] {
        m_Link.Close();
        EndByLink(m_LinkOpened ? Latin1FromUtf8("Förbindelsen med bildservern bröts")
                               : std::string("Bildservern svarade inte"));
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
    EndByLink("Bildservern avslutade sessionen");
}

void Session::EndByLink(const std::string& reason) {
    ShowEndReason(reason + " " + ToLatin1(QTime::currentTime().toString(QStringLiteral("HH:mm:ss"))));
    EndAsIfLoggedOut();
}

// A refused login and every end by the link close the session through the toolbar's logout entry, as
// if the operator chose it, so that the session ends everywhere the operator's own logout ends it.
void Session::EndAsIfLoggedOut() {
    m_Actions.Toolbar_ButtonMenuClick(tb::kLogout, tb::kHome, {});
}

// The frame keeps its centre as it grows and shrinks.
void Session::ShowEndReason(const std::string& text) {
    m_EndReason->SetCaption(text);
    m_EndReason->SetVisible(!text.empty());
    const double textWidth = m_EndReason->widget()->sizeHint().width() * Screen::TwipsPerPixelX();
    const double width =
        text.empty() ? kLoginFrameWidth : std::max(kLoginFrameWidth, textWidth + 2 * kEndReasonLeft);
    Frame_Login->SetLeft(Frame_Login->Left() + (Frame_Login->Width() - width) / 2);
    Frame_Login->SetWidth(width);
    m_EndReason->SetWidth(width - 2 * kEndReasonLeft);
    Frame_Login->SetHeight(kLoginFrameHeight + (text.empty() ? 0 : kEndReasonLine));
}

bool Session::EndedByLink() const {
    return !m_EndReason->Caption().empty();
}

std::string Session::EndReason() const {
    return m_EndReason->Caption();
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
