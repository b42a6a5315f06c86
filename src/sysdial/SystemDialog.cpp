#include "sysdial/SystemDialog.h"

#include "control/Ports.h"
#include "core/ClientProcs.h"
#include "core/Payload.h"
#include "core/Protocol.h"
#include "platform/Winsock.h"

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

int16_t ToInteger(int32_t v) {
    return static_cast<int16_t>(std::clamp<int32_t>(v, INT16_MIN, INT16_MAX));
}

} // namespace

SystemDialog::SystemDialog(QWidget* parent, SysdialMembers& members, CommandSender& sender,
                           SettingsStore& settings)
    : m_(members), m_Sender(sender), m_Settings(settings), m_Socket(std::make_unique<Winsock>()) {
    Winsock_SysDial = m_Socket.get();
    Text_Sysdial = m_Controls.Make<TextBox>(parent, TextBox::Kind::MultiLine);
    Menu_Popup = new PopupMenu(parent);
    Menu_Popup->OnRecordClick = [this] { Menu_Popup_Record_Click(); };
    Menu_Popup->OnPrintContinousClick = [this] { Menu_Popup_PrintContinous_Click(); };
}

SystemDialog::~SystemDialog() = default;

void SystemDialog::OnSysdialInfo(const std::string& payload) {
    m_.m_SysdialAllocated = ToInteger(String2Long(payload, 0));
    m_.m_SysdialMax = ToInteger(String2Long(payload, 4));
    m_.m_SysdialUsers.clear();

    const auto size = static_cast<int64_t>(payload.size());
    int64_t pos = 8;
    for (int16_t i = 0; i < m_.m_SysdialAllocated && pos + 4 <= size; ++i) {
        const int64_t length = std::clamp<int64_t>(String2Long(payload, pos), 0, size - pos - 4);
        m_.m_SysdialUsers += PayloadBytes(payload, pos + 4, length) + "\r\n";
        pos += 4 + length;
    }

    const bool hasMacroPart = size > pos;
    std::string macros;
    if (hasMacroPart) {
        macros = PayloadBytes(payload, pos + 4, std::max(String2Long(payload, pos), 0));
        LoadMacros(macros);
    }
    const bool showMacros = hasMacroPart && !macros.empty();
    Menu_Popup->SetMakroVisible(showMacros);
    Menu_Popup->SetDelimiterVisible(showMacros);
}

void SystemDialog::LoadMacros(const std::string& macros) {
    while (Menu_Popup->MakroCount() > 1)
        Menu_Popup->UnloadMakro(Menu_Popup->MakroCount() - 1);
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
        m_MacroTexts.resize(static_cast<size_t>(i) + 1);
        m_MacroTexts[static_cast<size_t>(i)] = GetField(entry, 0, "=");
        start = end + 1;
    }
}

void SystemDialog::OpenSystemDialog() {}

// Until the recording and the continuous printing exist, their toggles only switch them off, which is
// what a new picture asks of them.
void SystemDialog::Menu_Popup_Record_Click() {
    m_.m_IsRecording = 0;
}

void SystemDialog::Menu_Popup_PrintContinous_Click() {
    m_.m_IsPrintingContinous = 0;
}

void SystemDialog::ReadRecordingStartPath() {
    m_RecordingStartPath = m_Settings.GetSetting(kLibraryApp, "Settings", "Recording", "C:\\");
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
    if (m_.m_IsPrintingContinous)
        Menu_Popup_PrintContinous_Click();
    if (m_.m_IsRecording)
        Menu_Popup_Record_Click();
}

void SystemDialog::SetVisible(bool visible) {
    Text_Sysdial->SetVisible(visible);
}

} // namespace pelorin
