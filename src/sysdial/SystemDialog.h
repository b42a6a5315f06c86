#pragma once

#include "control/ControlMembers.h"
#include "platform/ChildControls.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace pelorin {

class CommandSender;
class PopupMenu;
class SettingsStore;
class Winsock;

// The system dialog: the terminal on the second connection, its pop-up menu with the macros, and the
// recording and continuous-printing toggles.
class SystemDialog {
public:
    SystemDialog(QWidget* parent, SysdialMembers& members, CommandSender& sender, SettingsStore& settings);
    ~SystemDialog();

    Winsock* Winsock_SysDial = nullptr;
    TextBox* Text_Sysdial = nullptr;
    PopupMenu* Menu_Popup = nullptr;

    // MSG_SYSDIAL_INFO: the channels in use, their users, and the macro list.
    void OnSysdialInfo(const std::string& payload);
    void OpenSystemDialog();
    void Menu_Popup_Record_Click();
    void Menu_Popup_PrintContinous_Click();

    // Where the recording file dialog starts: the last recording file, from the stored settings.
    void ReadRecordingStartPath();
    void SetServerHost(const std::string& host);
    // The port from the login reply; one outside 1..65535 leaves the earlier port.
    void SetServerPort(int32_t port);
    bool Connected() const;
    void CloseTerminal();
    // The timer's part: while the terminal is connected the channel is claimed again every ten seconds.
    void KeepChannel(int32_t elapsedMs);
    // A new picture ends recording and continuous printing.
    void StopRecordingAndPrinting();
    void SetVisible(bool visible);

    const std::vector<std::string>& MacroTexts() const { return m_MacroTexts; }
    const std::string& RecordingStartPath() const { return m_RecordingStartPath; }

private:
    void LoadMacros(const std::string& macros);

    SysdialMembers& m_;
    CommandSender& m_Sender;
    SettingsStore& m_Settings;
    ChildControls m_Controls;
    std::unique_ptr<Winsock> m_Socket;
    std::vector<std::string> m_MacroTexts;
    std::string m_RecordingStartPath;
    int32_t m_TimerCounter = 0;
};

} // namespace pelorin
