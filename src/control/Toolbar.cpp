#include "control/PelorinControl.h"
#include "platform/PictureBox.h"
#include "platform/Widgets.h"
#include "platform/Winsock.h"

#include <QString>
#include <initializer_list>

// The view state decides every visibility and enabled flag; the toolbar's two events dispatch on
// the keys of its buttons and menu entries.

namespace pelorin {

namespace {

constexpr int16_t kKeyEnter = 13;
constexpr int32_t kLastSteppedPicture = 999;
// One full turn over 1..999 and back to the start.
constexpr int kStepAttempts = 1001;

bool IsOneOf(int16_t view, std::initializer_list<int16_t> views) {
    for (int16_t v : views)
        if (view == v)
            return true;
    return false;
}

// The views that show the picture, alone or under a panel.
bool ShowsPicture(int16_t view) {
    return IsOneOf(view, {VS_PICTURE, VS_SPV_CURVE, VS_SPV, VS_SETTINGS});
}

bool Exists(const std::array<uint8_t, 1001>& table, int64_t number) {
    return number >= 0 && number < static_cast<int64_t>(table.size()) &&
           table[static_cast<size_t>(number)] != 0;
}

// A Single as the shortest decimal text of up to 7 significant digits ("8.5", "10").
std::string SingleText(float value) {
    return QString::number(static_cast<double>(value), 'g', 7).toStdString();
}

void SelectMatching(ComboBox& combo, const std::function<bool(const std::string&)>& matches) {
    for (int32_t i = 0; i < combo.ListCount(); ++i)
        if (matches(combo.List(i)))
            combo.SetListIndex(i);
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return QString::fromLatin1(a.data(), static_cast<qsizetype>(a.size()))
               .compare(QString::fromLatin1(b.data(), static_cast<qsizetype>(b.size())),
                        Qt::CaseInsensitive) == 0;
}

} // namespace

void PelorinControl::UpdateToolBarView() {
    const int16_t v = m_ViewState;
    if (v == VS_LOGIN) {
        for (TextBox* box : {Text_PCT, Text_Address, Text_NewValue, Text_Updated, Text_Sysdial, Text_Any})
            box->SetVisible(false);
        Toolbar->SetVisible(false);
        m_PictureGeometry->SetVisible(false);
        Frame_SPV->SetVisible(false);
        Frame_SPV_Curve->SetVisible(false);
        Frame_Login->SetVisible(true);
        Frame_Settings->SetVisible(false);
        Frame_UserName->SetVisible(false);
        return;
    }
    const int32_t a = m_AccessLevel;
    const bool picture = v == VS_PICTURE;
    Toolbar->Button("TB_HOME")->SetEnabled(v >= VS_PICTURE && v <= VS_SETTINGS);
    ToolButton& home = *Toolbar->Button("TB_HOME");
    home.MenuEntry("TB_SYSDIAL")->SetEnabled((a & ACCESS_SYSDIAL) != 0 && picture);
    home.MenuEntry("TB_LOGOUT")->SetEnabled(v == VS_SYSDIAL || picture);
    home.MenuEntry("TB_SETTINGS")->SetEnabled(picture);
    Toolbar->Button("TB_GET_PREVIOUS")->SetEnabled(picture);
    Toolbar->Button("TB_GET_NEXT")->SetEnabled(picture);

    ToolButton& texts = *Toolbar->Button("TB_SHOW_TEXTS");
    texts.MenuEntry("TB_SHOW_FB")->SetEnabled(m_FunctionTextAvailable == -1 && v != VS_FUNCTION_TEXT);
    texts.MenuEntry("TB_SHOW_LOG_GLOBAL")->SetEnabled(v != VS_LOG_GLOBAL);
    texts.MenuEntry("TB_SHOW_LOG_PCT")->SetEnabled(v != VS_LOG_PCT);

    ToolButton& setpoints = *Toolbar->Button("TB_SPV");
    setpoints.SetEnabled((a & ACCESS_WRITE) != 0 && picture && setpoints.MenuCount() > 0);

    bool sendEnabled = false;
    if (picture && m_SelectedElement) {
        const std::string parameter = GetField(m_SelectedElement->m_Address, 1, ".");
        sendEnabled = !parameter.empty() &&
                      m_WriteParameters.find("," + parameter + ",") != std::string::npos &&
                      (a & ACCESS_WRITE) != 0;
    }
    Toolbar->Button("TB_SEND_SPV")->SetEnabled(sendEnabled);

    for (TextBox* box : {Text_PCT, Text_Address, Text_NewValue})
        box->SetVisible(true);
    Text_PCT->SetEnabled(ShowsPicture(v));
    Text_Address->SetEnabled(picture);
    Text_NewValue->SetEnabled(Toolbar->Button("TB_SEND_SPV")->Enabled());
    Text_Updated->SetVisible(picture);
    Text_Sysdial->SetVisible(v == VS_SYSDIAL);
    Toolbar->SetVisible(true);
    m_PictureGeometry->SetVisible(ShowsPicture(v));
    Text_Any->SetVisible(IsOneOf(v, {VS_FUNCTION_TEXT, VS_LOG_GLOBAL, VS_LOG_PCT}));
    Frame_SPV->SetVisible(v == VS_SPV);
    Frame_SPV_Curve->SetVisible(v == VS_SPV_CURVE);
    Frame_Settings->SetVisible(v == VS_SETTINGS);
    Frame_Login->SetVisible(false);
    Frame_UserName->SetVisible(true);
}

void PelorinControl::Toolbar_ButtonClick(const std::string& ButtonKey) {
    if (ButtonKey == "TB_HOME") {
        if (m_ViewState == VS_PICTURE && Exists(m_PictureExists, 1))
            TCPSend(CMD_GET_PICTURE, "1");
    } else if (ButtonKey == "TB_GET_PCT") {
        GetTypedPicture();
    } else if (ButtonKey == "TB_GET_PREVIOUS") {
        StepPicture(-1);
    } else if (ButtonKey == "TB_GET_NEXT") {
        StepPicture(+1);
    } else if (ButtonKey == "TB_SEND_SPV") {
        SendSelectedValue();
    }
}

void PelorinControl::GetTypedPicture() {
    if (m_ViewState == VS_SYSDIAL)
        Winsock_SysDial->Close();
    // A number beyond 16 bits cannot be a picture number: it is ignored like other unknown ones.
    const double typed = RoundHalfEven(ReadNumber(Text_PCT->Text()));
    if (typed < INT16_MIN || typed > INT16_MAX)
        return;
    const auto number = static_cast<int16_t>(typed);
    if (number == 0)
        TCPSend(CMD_GET_PICTURE, "0");
    else if (number >= 1 && number <= kLastSteppedPicture && Exists(m_PictureExists, number))
        TCPSend(CMD_GET_PICTURE, std::to_string(number));
}

void PelorinControl::StepPicture(int direction) {
    // Wide enough that no current number can overflow while stepping.
    int64_t number = m_PictureNumber;
    for (int attempt = 0; attempt < kStepAttempts; ++attempt) {
        number += direction;
        if (number < 1)
            number = kLastSteppedPicture;
        else if (number > kLastSteppedPicture)
            number = 1;
        if (Exists(m_PictureExists, number)) {
            TCPSend(CMD_GET_PICTURE, std::to_string(number));
            return;
        }
    }
}

void PelorinControl::Toolbar_ButtonMenuClick(const std::string& MenuKey, const std::string& ParentKey,
                                             const std::string& MenuTag) {
    if (m_ViewState == VS_SYSDIAL)
        Winsock_SysDial->Close();
    if (MenuKey == "TB_LOGOUT")
        LogOut();
    else if (MenuKey == "TB_SYSDIAL")
        OpenSystemDialog();
    else if (MenuKey == "TB_PRINT")
        PrintCurrentView();
    else if (MenuKey == "TB_SHOW_FB" || MenuKey == "TB_SHOW_LOG_GLOBAL" || MenuKey == "TB_SHOW_LOG_PCT")
        RequestText(MenuKey);
    else if (MenuKey == "TB_SETTINGS")
        OpenSettingsPanel();
    if (ParentKey == "TB_SPV")
        OpenSetpoint(MenuTag);
}

void PelorinControl::LogOut() {
    TCPSend(CMD_GET_PICTURE, "0");
    TCPSend(CMD_LOGOUT, {});
    m_AccessLevel = 0;
    m_ViewState = VS_LOGIN;
    UpdateToolBarView();
    Winsock_Client->Close();
    Text_UserVisa->SetFocus();
}

void PelorinControl::OpenSettingsPanel() {
    // Selecting raises the panel's change events; they do nothing until the view is VS_SETTINGS.
    SelectMatching(*Combo_FontName,
                   [this](const std::string& entry) { return EqualIgnoringCase(entry, m_FontName); });
    const std::string fontSize = SingleText(m_FontSize);
    SelectMatching(*Combo_FontSize, [&](const std::string& entry) { return entry == fontSize; });
    Check_FontBold->SetValue(m_FontBold != 0 ? 1 : 0);
    const std::string resolution = std::to_string(m_Width) + " x " + std::to_string(m_Height);
    SelectMatching(*Combo_Resolution, [&](const std::string& entry) { return entry == resolution; });
    m_TempFontSize = m_FontSize;
    m_TempFontName = m_FontName;
    m_TempFontBold = m_FontBold;
    m_TempHeight = m_Height;
    m_TempWidth = m_Width;
    m_ViewState = VS_SETTINGS;
    UpdateToolBarView();
}

void PelorinControl::Text_PCT_KeyPress(int16_t& KeyAscii) {
    if (KeyAscii != kKeyEnter)
        return;
    KeyAscii = 0;
    Toolbar_ButtonClick("TB_GET_PCT");
}

} // namespace pelorin
