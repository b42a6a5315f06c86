#include "sysdial/SystemDialog.h"

#include "core/ClientProcs.h"
#include "core/Latin1.h"
#include "core/Payload.h"
#include "core/Protocol.h"
#include "platform/Winsock.h"
#include "ports/Ports.h"

#include <QDir>
#include <QFileInfo>
#include <QFont>
#include <QStandardPaths>
#include <QWidget>
#include <algorithm>

namespace pelorin {

namespace {

// The macro menu's entries are indexed by 16-bit numbers.
constexpr int32_t kMaxMacros = 32767;
const std::string kMacroDelimiter(1, '\0');
// A system-dialog channel is claimed again after this many milliseconds of ticks.
constexpr int32_t kSysdialKeepAliveMs = 10000;
constexpr int32_t kLargestPort = 65535;
// The per-user setting that remembers the last recording file.
constexpr const char* kLibraryApp = "Pelorin_ActiveX";
// Sent on connecting: wakes the server's terminal, which answers with its greeting.
const std::string kWakeUp(1, '\x10');
constexpr double kTerminalFontSize = 10;
constexpr int16_t kTrue = -1;
constexpr const char* kRecordingFilter = "Text (*.txt)|*.txt|Alla (*.*)|*.*";
constexpr const char* kRecordingTitle = "Spela in till fil";

int16_t ToInteger(int32_t v) {
    return static_cast<int16_t>(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX));
}

} // namespace

SystemDialog::SystemDialog(QWidget* parent, const SystemDialogContext& context)
    : m_Sysdial(context.sysdial), m_Keys(context.keys), m_Session(context.session),
      m_SettingsMembers(context.settingsMembers), m_Sender(context.sender), m_View(context.view),
      m_Settings(context.settings), m_Dialogs(context.dialogs), m_Socket(std::make_unique<Winsock>()) {
    Winsock_SysDial = m_Socket.get();
    Winsock_SysDial->OnConnect = [this] { Winsock_SysDial_Connect(); };
    Winsock_SysDial->OnDataArrival = [this](int64_t bytesTotal) { Winsock_SysDial_DataArrival(bytesTotal); };
    Winsock_SysDial->OnClose = [this] { Winsock_SysDial_Close(); };
    Winsock_SysDial->OnError = [this](int, const std::string&) { Winsock_SysDial_Error(); };

    Text_Sysdial = m_Controls.Make<TextBox>(parent, TextBox::Kind::MultiLine);
    Text_Sysdial->SetFont(kFixedPitchFont, kTerminalFontSize, false);
    Text_Sysdial->SetAccessibleName("Terminal");
    // Where the machine lacks the terminal's font its columns still line up.
    QFont font = Text_Sysdial->widget()->font();
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    Text_Sysdial->widget()->setFont(font);
    Text_Sysdial->OnKeyDown = [this](int16_t& keyCode, int16_t shift) {
        Text_Sysdial_KeyDown(keyCode, shift);
    };
    Text_Sysdial->OnKeyPress = [this](int16_t& keyAscii) { Text_Sysdial_KeyPress(keyAscii); };
    Text_Sysdial->OnGotFocus = [this] { Text_Sysdial_GotFocus(); };
    Text_Sysdial->OnDblClick = [this] { Text_Sysdial_DblClick(); };
    Text_Sysdial->OnChange = [this] { Text_Sysdial_Change(); };

    Menu_Popup = new PopupMenu(parent);
    Menu_Popup->OnMakroClick = [this](int32_t index) { Menu_Popup_MakroList_Click(ToInteger(index)); };
    Menu_Popup->OnRecordClick = [this] { Menu_Popup_Record_Click(); };
    Menu_Popup->OnPrintContinousClick = [this] { Menu_Popup_PrintContinous_Click(); };
    // The macro entry and its delimiter show only once a macro list has entries.
    ShowMacroEntry(false);
}

SystemDialog::~SystemDialog() = default;

void SystemDialog::OnSysdialInfo(const std::string& payload) {
    m_Sysdial.m_SysdialAllocated = ToInteger(String2Long(payload, 0));
    m_Sysdial.m_SysdialMax = ToInteger(String2Long(payload, 4));
    m_Sysdial.m_SysdialUsers.clear();

    const auto size = static_cast<int64_t>(payload.size());
    int64_t pos = 8;
    for (int16_t i = 0; i < m_Sysdial.m_SysdialAllocated && pos + 4 <= size; ++i) {
        const int64_t length = std::clamp<int64_t>(String2Long(payload, pos), 0, size - pos - 4);
        m_Sysdial.m_SysdialUsers += PayloadBytes(payload, pos + 4, length) + "\r\n";
        pos += 4 + length;
    }

    // The menu shows only what this message loaded: a list whose first entry is empty loads nothing,
    // and the entries of an earlier list must not come back with it.
    int32_t loaded = 0;
    if (size > pos)
        loaded = LoadMacros(PayloadBytes(payload, pos + 4, std::max(String2Long(payload, pos), 0)));
    ShowMacroEntry(loaded > 0);
}

void SystemDialog::ShowMacroEntry(bool shown) {
    Menu_Popup->SetMakroVisible(shown);
    Menu_Popup->SetDelimiterVisible(shown);
}

int32_t SystemDialog::LoadMacros(const std::string& macros) {
    while (Menu_Popup->MakroCount() > 1)
        Menu_Popup->UnloadMakro(Menu_Popup->MakroCount() - 1);
    m_MacroTexts.clear();
    // Entries are walked once, in order, up to the first empty one.
    size_t start = 0;
    for (int32_t i = 0; i < kMaxMacros && start < macros.size(); ++i) {
        const size_t end = std::min(macros.find(kMacroDelimiter, start), macros.size());
        const std::string entry = macros.substr(start, end - start);
        if (entry.empty())
            break;
        if (i > 0)
            Menu_Popup->LoadMakro(i);
        Menu_Popup->SetMakroCaption(i, GetField(entry, 1, "="));
        m_MacroTexts.push_back(GetField(entry, 0, "="));
        start = end + 1;
    }
    return static_cast<int32_t>(m_MacroTexts.size());
}

// A terminal left connected (a picture message took the view away) holds its channel and is shown again
// at once: no second Connect event would come for it. Otherwise a channel counts as free while fewer are
// in use than there are.
void SystemDialog::OpenSystemDialog() {
    if (Connected()) {
        m_Sender.TCPSend(CMD_SYSDIAL_CHANNEL, {});
        Winsock_SysDial_Connect();
    } else if (m_Sysdial.m_SysdialAllocated < m_Sysdial.m_SysdialMax) {
        m_Sender.TCPSend(CMD_SYSDIAL_CHANNEL, {});
        Winsock_SysDial->Connect();
    } else if (m_Sysdial.m_SysdialMax != 0) {
        m_Dialogs.Message(Latin1FromUtf8("Det finns inga lediga systemdialog kanaler, följande användare "
                                         "använder en kanal:") +
                              "\r\n\r\n" + m_Sysdial.m_SysdialUsers,
                          {}, false);
    } else {
        m_Dialogs.Message("Det finns inga systemdialog kanaler!", {}, false);
    }
}

void SystemDialog::Winsock_SysDial_Connect() {
    m_View.ShowView(VS_SYSDIAL);
    Text_Sysdial->SetFocus();
    m_Terminal.Connected();
    CopyRows();
    Winsock_SysDial->SendData(kWakeUp);
}

// The box, then the recording and the printout, get what remains after the echo of the sent line.
void SystemDialog::Winsock_SysDial_DataArrival(int64_t /*bytesTotal*/) {
    std::string data;
    Winsock_SysDial->GetData(data);
    m_Terminal.SetMaxHistory(m_Session.m_MaxSysdialHistory);
    const TerminalBuffer::Arrival arrival = m_Terminal.Receive(data);
    CopyRows();
    ShowArrival(arrival);
    if (m_Sysdial.m_IsPrintingContinous)
        m_Printer.Print(arrival.record);
    if (m_Sysdial.m_IsRecording)
        Record(arrival.record);
}

// A recording that cannot be written stops, and says so, rather than look as if it went on.
void SystemDialog::Record(std::string_view bytes) {
    if (m_Recorder.Write(bytes))
        return;
    Menu_Popup_Record_Click();
    if (m_Report)
        m_Report->RecordingStopped(m_Recorder.FileName());
}

void SystemDialog::Winsock_SysDial_Close() {
    Winsock_SysDial->Close();
    if (m_View.View() == VS_SYSDIAL)
        LeaveTerminal();
}

void SystemDialog::Winsock_SysDial_Error() {
    Winsock_SysDial_Close();
}

void SystemDialog::Text_Sysdial_KeyDown(int16_t& /*KeyCode*/, int16_t Shift) {
    m_Keys.m_ShiftState = Shift;
}

void SystemDialog::Text_Sysdial_KeyPress(int16_t& KeyAscii) {
    const TerminalBuffer::KeyOutcome outcome = m_Terminal.KeyPress(
        KeyAscii, m_Keys.m_ShiftState, Text_Sysdial->SelStart(), Text_Sysdial->SelLength());
    CopyRows();
    KeyAscii = outcome.keyAscii;
    if (outcome.close) {
        Winsock_SysDial->Close();
        LeaveTerminal();
    }
    if (outcome.textChanged)
        ShowWholeText();
    if (!outcome.send.empty() && Connected())
        Winsock_SysDial->SendData(outcome.send);
}

void SystemDialog::Text_Sysdial_GotFocus() {
    CaretToEnd();
}

void SystemDialog::Text_Sysdial_DblClick() {
    Menu_Popup->Popup();
}

// Only the operator's own changes are edits; the program's updates keep the buffer and box equal.
void SystemDialog::Text_Sysdial_Change() {
    if (!m_SettingBox)
        m_Terminal.Edited(Text_Sysdial->Text());
}

// Entry 0 exists before any macro does: a click on it then sends nothing.
void SystemDialog::Menu_Popup_MakroList_Click(int16_t Index) {
    if (Index < 0 || static_cast<size_t>(Index) >= m_MacroTexts.size())
        return;
    if (Connected())
        Winsock_SysDial->SendData(DecodeMacro(m_MacroTexts[static_cast<size_t>(Index)]));
}

// The menu checks its entry by itself when clicked; the check mark always follows the flag.
void SystemDialog::Menu_Popup_Record_Click() {
    if (m_Sysdial.m_IsRecording) {
        m_Recorder.Close();
        m_Sysdial.m_IsRecording = 0;
    } else {
        StartRecording();
    }
    Menu_Popup->SetRecordChecked(m_Sysdial.m_IsRecording != 0);
}

// A cancelled dialog, or a file that cannot be written, leaves recording off.
void SystemDialog::StartRecording() {
    const QString path = m_Dialogs.SaveFile(kRecordingTitle, RecordingDialogStart(), kRecordingFilter);
    if (path.isEmpty())
        return;
    m_Settings.SaveSettingText(kLibraryApp, "Settings", "Recording", path);
    m_RecordingStartPath = path;
    if (m_Recorder.Open(path))
        m_Sysdial.m_IsRecording = kTrue;
    else if (m_Report)
        m_Report->RecordingNotStarted(path);
}

void SystemDialog::Menu_Popup_PrintContinous_Click() {
    if (m_Sysdial.m_IsPrintingContinous) {
        m_Printer.Stop();
        m_Sysdial.m_IsPrintingContinous = 0;
    } else {
        m_Printer.Start(m_SettingsMembers.m_PrinterFontName);
        m_Sysdial.m_IsPrintingContinous = kTrue;
    }
    Menu_Popup->SetPrintContinousChecked(m_Sysdial.m_IsPrintingContinous != 0);
}

void SystemDialog::ReadRecordingStartPath() {
    m_RecordingStartPath =
        m_Settings.GetSettingText(kLibraryApp, "Settings", "Recording", QStringLiteral("C:\\"));
}

// The documents folder when the last recording's folder is gone. A path that is not absolute on this
// system (the default "C:\" off Windows) names no folder.
QString SystemDialog::RecordingDialogStart() const {
    const QFileInfo last(m_RecordingStartPath);
    if (last.isAbsolute() && last.absoluteDir().exists())
        return last.absoluteFilePath();
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
}

void SystemDialog::SetServerHost(const std::string& host) {
    Winsock_SysDial->RemoteHost = host;
}

void SystemDialog::SetServerPort(int32_t port) {
    if (port >= 1 && port <= kLargestPort)
        Winsock_SysDial->RemotePort = port;
}

bool SystemDialog::Connected() const {
    return Winsock_SysDial->State() == Winsock::sckConnected;
}

void SystemDialog::CloseTerminal() {
    Winsock_SysDial->Close();
}

void SystemDialog::KeepChannel(int32_t elapsedMs) {
    m_TimerCounter += elapsedMs;
    if (m_TimerCounter <= kSysdialKeepAliveMs)
        return;
    if (Connected())
        m_Sender.TCPSend(CMD_SYSDIAL_CHANNEL, {});
    m_TimerCounter = 0;
}

void SystemDialog::StopRecordingAndPrinting() {
    if (m_Sysdial.m_IsPrintingContinous)
        Menu_Popup_PrintContinous_Click();
    if (m_Sysdial.m_IsRecording)
        Menu_Popup_Record_Click();
}

void SystemDialog::EndSession() {
    CloseTerminal();
    StopRecordingAndPrinting();
    m_Terminal = TerminalBuffer();
    CopyRows();
    ShowWholeText();
    m_Sysdial.m_SysdialAllocated = 0;
    m_Sysdial.m_SysdialMax = 0;
    m_Sysdial.m_SysdialUsers.clear();
    LoadMacros({});
    Menu_Popup->SetMakroVisible(false);
    Menu_Popup->SetDelimiterVisible(false);
}

void SystemDialog::SetVisible(bool visible) {
    Text_Sysdial->SetVisible(visible);
}

void SystemDialog::SetContinuousPrinter(PrinterSurface& printer) {
    m_Printer.SetPrinter(printer);
}

void SystemDialog::SetOutputReport(OutputReport& report) {
    m_Report = &report;
    m_Printer.SetOutputReport(report);
}

void SystemDialog::ShowArrival(const TerminalBuffer::Arrival& arrival) {
    m_SettingBox = true;
    Text_Sysdial->TrimAndAppend(static_cast<int32_t>(arrival.removedFront), arrival.appended);
    m_SettingBox = false;
}

// A line copied to the end for sending: the box shows the buffer's text with the caret after it.
void SystemDialog::ShowWholeText() {
    m_SettingBox = true;
    Text_Sysdial->SetText(std::string(m_Terminal.Text()));
    m_SettingBox = false;
    CaretToEnd();
}

void SystemDialog::CaretToEnd() {
    Text_Sysdial->SetSelStart(static_cast<int32_t>(m_Terminal.Text().size()));
}

void SystemDialog::CopyRows() {
    m_Sysdial.m_LastSysDialSentRow = m_Terminal.LastSysDialSentRow();
    m_Sysdial.m_LastSysDialRecvRow = m_Terminal.LastSysDialRecvRow();
}

// Back to the picture; recording and continuous printing end with the terminal.
void SystemDialog::LeaveTerminal() {
    StopRecordingAndPrinting();
    m_View.ShowView(VS_PICTURE);
}

} // namespace pelorin
