#include "texts/TextView.h"

#include "core/Access.h"
#include "core/ClientProcs.h"
#include "core/Latin1.h"
#include "core/Protocol.h"
#include "core/RegionalTime.h"
#include "platform/InputCodes.h"
#include "platform/MessageLater.h"
#include "ports/Ports.h"
#include "toolbar/ToolbarRow.h"
#include "toolbar/ToolbarTable.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QWidget>
#include <algorithm>
#include <iterator>

namespace pelorin {

namespace {

// KeyAscii of Ctrl+D.
constexpr int16_t kKeyCtrlD = 4;

bool LeavesTextView(const std::string& key) {
    const ToolbarEntry* entry = FindToolbarEntry(key);
    return entry && entry->leavesTextView;
}

// Writes `bytes` to a new file "`name`.txt" in `folder` (made when missing), or "`name` (2).txt" and so on
// when that exists; returns its path, or nothing when no file could be written.
QString WriteNewFile(const QString& folder, const QString& name, const std::string& bytes) {
    if (!QDir().mkpath(folder))
        return {};
    for (int n = 1; n < 100; ++n) {
        const QString suffix = n == 1 ? QString() : QStringLiteral(" (%1)").arg(n);
        QFile file(QDir(folder).filePath(name + suffix + QStringLiteral(".txt")));
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (file.exists())
                continue;
            return {};
        }
        const auto size = static_cast<qint64>(bytes.size());
        if (file.write(bytes.data(), size) == size && file.flush())
            return file.fileName();
        file.remove();
        return {};
    }
    return {};
}

} // namespace

TextView::TextView(QWidget* parent, const TextViewContext& context)
    : m_Text(context.text), m_Keys(context.keys), m_Session(context.session), m_Picture(context.picture),
      m_View(context.view), m_Sender(context.sender), m_Toolbar(context.toolbar), m_Actions(context.actions),
      m_Dialogs(context.dialogs) {
    Text_Any = m_Controls.Make<TextBox>(parent, TextBox::Kind::MultiLine);
    Text_Any->SetFont(kFixedPitchFont, 0, false);
    Text_Any->SetAccessibleName("Text");
    Text_Any->OnChange = [this] { Text_Any_Change(); };
    Text_Any->OnKeyDown = [this](int16_t& keyCode, int16_t shift) { Text_Any_KeyDown(keyCode, shift); };
    Text_Any->OnKeyPress = [this](int16_t& keyAscii) { Text_Any_KeyPress(keyAscii); };
}

// The picture is left first; the view changes only when the text arrives.
void TextView::RequestText(const std::string& MenuKey) {
    int16_t command = 0;
    std::string payload;
    if (MenuKey == tb::kFunctionText) {
        command = CMD_GET_FUNCTION_TEXT;
        payload = std::to_string(m_Picture.m_PictureNumber);
    } else if (MenuKey == tb::kPictureLog) {
        command = CMD_GET_PICTURE_LOG;
        payload = Long2String(m_Picture.m_PictureNumber);
    } else if (MenuKey == tb::kGlobalLog) {
        command = CMD_GET_GLOBAL_LOG;
    } else {
        return;
    }
    m_Sender.TCPSend(CMD_GET_PICTURE, "0");
    m_Toolbar.Toolbar->Button(tb::kTexts)->MenuEntry(MenuKey)->SetEnabled(false);
    m_Sender.TCPSend(command, payload);
}

void TextView::OnFunctionText(const std::string& payload) {
    BeforeReplaced();
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
    BeforeReplaced();
    Text_Any->SetText(text);
    Text_Any->SetSelLength(0);
    Text_Any->SetSelStart(static_cast<int32_t>(Text_Any->Text().size()));
    m_Text.m_TextAnyChanged = 0;
    m_View.ShowView(view);
    Text_Any->SetFocus();
    Text_Any->SetLocked((m_Session.m_AccessLevel & editBit) == 0);
}

void TextView::SetVisible(bool visible) {
    Text_Any->SetVisible(visible);
}

void TextView::Text_Any_Change() {
    m_Text.m_TextAnyChanged = -1;
    m_Settled = false;
}

void TextView::Text_Any_KeyDown(int16_t& /*KeyCode*/, int16_t Shift) {
    m_Keys.m_ShiftState = Shift;
}

void TextView::Text_Any_KeyPress(int16_t& KeyAscii) {
    if (KeyAscii == kKeyEscape) {
        LeaveWithEscape();
        KeyAscii = 0;
    } else if (KeyAscii == kKeyCtrlD && m_Keys.m_ShiftState == kShiftCtrl) {
        InsertStamp();
        KeyAscii = 0;
    }
}

bool TextView::BeforeToolbarAction(const std::string& key) {
    return m_LeavingAsked || !LeavesTextView(key) || OfferToSave();
}

void TextView::BeforeReplaced() {
    if (HoldsUnsentEdit())
        KeepInFile(m_View.View(), m_Picture.m_PictureNumber, Text_Any->Text());
    m_Settled = true;
}

void TextView::EndSession() {
    BeforeReplaced();
    Text_Any->SetText({});
    m_Text.m_TextAnyChanged = 0;
}

bool TextView::IsChangedEditableLogbook() const {
    if (m_Text.m_TextAnyChanged == 0)
        return false;
    const int16_t view = m_View.View();
    const int32_t access = m_Session.m_AccessLevel;
    return (view == VS_LOG_PCT && (access & ACCESS_PICTURE_LOG) != 0) ||
           (view == VS_LOG_GLOBAL && (access & ACCESS_GLOBAL_LOG) != 0);
}

bool TextView::HoldsUnsentEdit() const {
    return IsChangedEditableLogbook() && !m_Settled && !m_Asking;
}

// What is saved is taken before the question: the server's messages are handled while the box is open
// and may replace the text, the view or the picture, or end the session.
bool TextView::OfferToSave() {
    if (!IsChangedEditableLogbook() || m_Settled)
        return true;
    const int16_t view = m_View.View();
    const int32_t picture = m_Picture.m_PictureNumber;
    const std::string text = Text_Any->Text();
    m_Asking = true;
    const bool save =
        m_Dialogs.Ask(Latin1FromUtf8("Vill du spara ändringar gjorda i loggen?"), {}) == Dialogs::Answer::Yes;
    m_Asking = false;
    if (save && !Save(view, picture, text))
        return false;
    m_Settled = true;
    return true;
}

// A logbook the server cannot get now is kept in a file. False when it is too large ever to be sent: the
// operator keeps it on screen to shorten it.
bool TextView::Save(int16_t view, int32_t picture, const std::string& text) {
    if (!m_Sender.Connected()) {
        KeepInFile(view, picture, text);
        return true;
    }
    const std::string payload = view == VS_LOG_PCT ? Long2String(picture) + text : text;
    if (payload.size() > kMaxPayloadLength) {
        m_Dialogs.Message(Latin1FromUtf8("Loggboken är för stor för att sparas på bildservern."), {}, false);
        return false;
    }
    m_Sender.TCPSend(view == VS_LOG_PCT ? CMD_SAVE_PICTURE_LOG : CMD_SAVE_GLOBAL_LOG, payload);
    return true;
}

void TextView::KeepInFile(int16_t view, int32_t picture, const std::string& text) {
    const QString logbook = view == VS_LOG_PCT
                                ? QStringLiteral("Loggbok %1").arg(picture, 3, 10, QLatin1Char('0'))
                                : QStringLiteral("Global loggbok");
    const QString path =
        WriteNewFile(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                     logbook + QStringLiteral(" ej sparad ") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HHmmss")),
                     text);
    const std::string where = ToLatin1(QDir::toNativeSeparators(path));
    MessageLater(m_Dialogs, Text_Any->widget(),
                 path.isEmpty()
                     ? Latin1FromUtf8("Loggboken sparades inte på bildservern, och texten kunde inte "
                                      "sparas i dokumentmappen.")
                     : Latin1FromUtf8("Loggboken sparades inte på bildservern. Texten finns i filen:") +
                           "\r\n\r\n" + where);
}

void TextView::LeaveWithEscape() {
    if (!OfferToSave())
        return;
    m_LeavingAsked = true;
    m_Actions.Toolbar_ButtonClick(tb::kGetPicture);
    m_LeavingAsked = false;
}

// A line of its own at the caret with the date, the time and the user's visa; the caret lands after it.
// A selection is collapsed, not replaced, and a read-only logbook gets the stamp too.
void TextView::InsertStamp() {
    const int32_t at = Text_Any->SelStart();
    Text_Any->SetSelLength(0);
    const std::string stamp = "\r\n" + RegionalDateTimeWithSeconds(QDateTime::currentDateTime()) + " / " +
                              m_Session.m_UserVisa + "\r\n";
    Text_Any->SetSelText(stamp);
    Text_Any->SetSelStart(at + static_cast<int32_t>(stamp.size()));
}

} // namespace pelorin
