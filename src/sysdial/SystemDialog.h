#pragma once

#include "core/TerminalBuffer.h"
#include "platform/ChildControls.h"
#include "ports/ControlMembers.h"
#include "sysdial/ContinuousPrinter.h"
#include "sysdial/Recorder.h"

#include <QString>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QWidget;

namespace pelorin {

class CommandSender;
class Dialogs;
class OutputReport;
class PopupMenu;
class PrinterSurface;
class SettingsStore;
class ViewSwitch;
class Winsock;

struct SystemDialogContext {
    SysdialMembers& sysdial;
    InputMembers& keys;
    const SessionMembers& session;
    const SettingsMembers& settingsMembers;
    CommandSender& sender;
    ViewSwitch& view;
    // Where the recording file is remembered.
    SettingsStore& settings;
    Dialogs& dialogs;
};

// The system dialog: the terminal on the second connection, its pop-up menu with the macros, and the
// recording and continuous-printing toggles. The terminal's byte logic is a TerminalBuffer whose text
// is always the box's text.
class SystemDialog {
public:
    SystemDialog(QWidget* parent, const SystemDialogContext& context);
    ~SystemDialog();

    Winsock* Winsock_SysDial = nullptr;
    TextBox* Text_Sysdial = nullptr;
    PopupMenu* Menu_Popup = nullptr;

    // MSG_SYSDIAL_INFO: the channels in use, their users, and the macro list.
    void OnSysdialInfo(const std::string& payload);
    // TB_SYSDIAL: claims a channel and connects, or tells that none is free.
    void OpenSystemDialog();

    void Winsock_SysDial_Connect();
    void Winsock_SysDial_DataArrival(int64_t bytesTotal);
    void Winsock_SysDial_Close();
    void Winsock_SysDial_Error();
    void Text_Sysdial_KeyDown(int16_t& KeyCode, int16_t Shift);
    void Text_Sysdial_KeyPress(int16_t& KeyAscii);
    void Text_Sysdial_GotFocus();
    void Text_Sysdial_DblClick();
    void Text_Sysdial_Change();
    void Menu_Popup_MakroList_Click(int16_t Index);
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
    // The session ends: the terminal connection closes, recording and continuous printing end, and
    // nothing of the terminal or of the server's channel list is left for the next login.
    void EndSession();
    void SetVisible(bool visible);
    // The continuous printer's target from the next start (by default the system's printer).
    void SetContinuousPrinter(PrinterSurface& printer);
    // Told of print jobs that end and of recordings that cannot be written.
    void SetOutputReport(OutputReport& report);

    // The terminal's text, as Text_Sysdial shows it (every line end CR LF), without a copy.
    std::string_view TerminalText() const { return m_Terminal.Text(); }
    const std::vector<std::string>& MacroTexts() const { return m_MacroTexts; }
    const QString& RecordingStartPath() const { return m_RecordingStartPath; }
    // Where the recording file dialog opens: on the last recording file while its folder exists.
    QString RecordingDialogStart() const;

private:
    // Loads the menu entries of a macro list; returns how many it loaded.
    int32_t LoadMacros(const std::string& macros);
    void ShowMacroEntry(bool shown);
    void ShowArrival(const TerminalBuffer::Arrival& arrival);
    void ShowWholeText();
    void CaretToEnd();
    void CopyRows();
    void LeaveTerminal();
    void StartRecording();
    void Record(std::string_view bytes);

    SysdialMembers& m_Sysdial;
    InputMembers& m_Keys;
    const SessionMembers& m_Session;
    const SettingsMembers& m_SettingsMembers;
    CommandSender& m_Sender;
    ViewSwitch& m_View;
    SettingsStore& m_Settings;
    Dialogs& m_Dialogs;
    ChildControls m_Controls;
    std::unique_ptr<Winsock> m_Socket;
    TerminalBuffer m_Terminal;
    Recorder m_Recorder;
    ContinuousPrinter m_Printer;
    OutputReport* m_Report = nullptr;
    std::vector<std::string> m_MacroTexts;
    QString m_RecordingStartPath;
    int32_t m_TimerCounter = 0;
    // Set while the program itself changes the box, whose change event then is no edit.
    bool m_SettingBox = false;
};

} // namespace pelorin
