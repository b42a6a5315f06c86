#pragma once

#include "platform/ChildControls.h"
#include "ports/ControlMembers.h"

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

class QTimer;
class QWidget;

namespace pelorin {

class ControlActions;
class ServerLink;
class SystemDialog;
class ToolbarRow;
class ViewSwitch;

struct SessionContext {
    SessionMembers& session;
    ServerLink& link;
    SystemDialog& systemDialog;
    ToolbarRow& toolbar;
    ViewSwitch& view;
    ControlActions& actions;
};

// The life of the connection to the picture server: the login frame, the login request and reply,
// the logout paths, and the system timer that drives the keep-alive and the blink.
class Session {
public:
    Session(QWidget* parent, const SessionContext& context);
    ~Session();

    Frame* Frame_Login = nullptr;
    TextBox* Text_UserVisa = nullptr;
    TextBox* Text_PassWord = nullptr;
    CommandButton* Command_Login = nullptr;
    SystemTimer* Timer_System = nullptr;

    void Text_UserVisa_KeyPress(int16_t& KeyAscii);
    void Text_PassWord_KeyPress(int16_t& KeyAscii);
    void Command_Login_Click();
    void Frame_Login_DblClick();
    void Winsock_Client_Connect();
    // Both end the session once the frames received before have been handled.
    void Winsock_Client_Close();
    void Winsock_Client_Error();
    void OnLoginReply(const std::string& payload);
    void OnLogout(const std::string& payload);

    // The host's "ServerAddress" (host ":" port): both connections' host and the server's port.
    void SetServerAddress(const std::string& address);
    const std::string& ServerAddress() const { return m_ServerAddress; }
    // The TB_LOGOUT action: tells the server, returns to the login frame and closes the link.
    void LogOut();
    void ShowLoginFrame(bool visible);
    void FocusUserVisa();
    // A login that has no reply this long after it was started is given up: the login frame returns.
    void SetLoginTimeout(std::chrono::milliseconds timeout);
    // Whether the link, not the operator, ended the last session: the login frame says why until the
    // next login.
    bool EndedByLink() const;
    std::string EndReason() const;

private:
    void CreateLoginFrame(QWidget* parent);
    void EndAsIfLoggedOut();
    // The link ended the session: `reason` and the time are shown, then the logout action runs.
    void EndByLink(const std::string& reason);
    void ShowEndReason(const std::string& text);

    SessionMembers& m_Session;
    ServerLink& m_Link;
    SystemDialog& m_SystemDialog;
    ToolbarRow& m_Toolbar;
    ViewSwitch& m_View;
    ControlActions& m_Actions;
    ChildControls m_Controls;
    std::unique_ptr<SystemTimer> m_Timer;
    std::unique_ptr<QTimer> m_LoginTimeout;
    Label* m_EndReason = nullptr;
    // The link of this login was established: its failure is a broken link, not an unanswered login.
    bool m_LinkOpened = false;
    // The host's ServerAddress text, shown by the login frame.
    std::string m_ServerAddress;
};

} // namespace pelorin
