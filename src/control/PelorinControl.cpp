#include "control/PelorinControl.h"

#include "control/ToolbarIcons.h"
#include "platform/PictureBox.h"
#include "platform/PrinterSurface.h"
#include "platform/Widgets.h"
#include "platform/Winsock.h"

#include <QResizeEvent>
#include <QString>

// Construction: every child control as a child of the control, in the z-order in which they cover
// each other (picture, overlays, toolbar row, panels), and every event wired to its handler.

namespace pelorin {

namespace {

// Texts in the source are UTF-8; the control's byte text is Latin-1.
std::string Latin1(const char* utf8) {
    return QString::fromUtf8(utf8).toLatin1().toStdString();
}

// Design sizes, twips.
constexpr double kTextPctWidth = 492;
constexpr double kTextAddressWidth = 1395;
constexpr double kTextNewValueWidth = 615;
constexpr double kTextUpdatedWidth = 492;
// Toolbar gaps that hold the picture-number box and the address and value pair.
constexpr double kPictureNumberGap = 650;
constexpr double kAddressGap = 2250;

constexpr int32_t kTimerIntervalMs = 500;

struct Rect {
    double left, top, width, height;
};

void Place(ControlBase& control, Rect r) {
    control.SetLeft(r.left);
    control.SetTop(r.top);
    control.SetWidth(r.width);
    control.SetHeight(r.height);
}

} // namespace

template <typename T, typename... Args> T* PelorinControl::MakeControl(Args&&... args) {
    auto control = std::make_unique<T>(std::forward<Args>(args)...);
    T* raw = control.get();
    m_Controls.push_back(std::move(control));
    return raw;
}

PelorinControl::PelorinControl(QWidget* parent) : QWidget(parent) {
    m_Geometry = MakeControl<ControlBase>(this);
    Picture_PCT = new PictureBox(this);
    Picture_PCT->setFocusPolicy(Qt::ClickFocus);
    m_PictureGeometry = MakeControl<ControlBase>(Picture_PCT);
    Text_Any = MakeControl<TextBox>(this, TextBox::Kind::MultiLine);
    Text_Sysdial = MakeControl<TextBox>(this, TextBox::Kind::MultiLine);
    CreateToolbar();
    CreateToolbarRow();
    CreatePanels();
    CreateSettingsFrame();
    CreateLoginFrame();

    Menu_Popup = new PopupMenu(this);
    Timer_System = new SystemTimer(this);
    Winsock_Client = new Winsock(this);
    Winsock_SysDial = new Winsock(this);
    m_OwnPrinter = std::make_unique<PrinterSurface>();
    Printer = m_OwnPrinter.get();
    m_OwnSettings = std::make_unique<SettingsStore>();
    Settings = m_OwnSettings.get();
    m_OwnDialogs = std::make_unique<QtDialogs>(this);
    Dialog = m_OwnDialogs.get();

    ConnectEvents();
    Timer_System->SetInterval(kTimerIntervalMs);
    Timer_System->SetEnabled(true);
}

PelorinControl::~PelorinControl() {
    // Sockets and timer go first, so that none of their events reaches a half-destroyed control.
    delete Timer_System;
    delete Winsock_Client;
    delete Winsock_SysDial;
}

void PelorinControl::CreateToolbar() {
    Toolbar = MakeControl<ToolBar>(this);
    Toolbar->SetLeft(0);
    Toolbar->SetTop(0);
    ToolButton* home = Toolbar->AddButton("TB_HOME", Latin1("Hämta bild 1"), true);
    home->AddMenuEntry("TB_LOGOUT", "Logga ut");
    home->AddMenuEntry({}, "-");
    home->AddMenuEntry("TB_SYSDIAL", "Systemdialog");
    home->AddMenuEntry({}, "-");
    home->AddMenuEntry("TB_PRINT", "Skriv ut");
    home->AddMenuEntry({}, "-");
    home->AddMenuEntry("TB_SETTINGS", Latin1("Inställningar"));
    Toolbar->AddButton("TB_GET_PREVIOUS", Latin1("Föregående bildnummer"), false);
    Toolbar->AddButton("TB_GET_NEXT", Latin1("Nästa bildnummer"), false);
    Toolbar->AddGap(kPictureNumberGap);
    Toolbar->AddButton("TB_GET_PCT", Latin1("Hämta bild"), false);
    ToolButton* texts = Toolbar->AddButton("TB_SHOW_TEXTS", "Funktionsbeskrivning/loggbok", true);
    texts->AddMenuEntry("TB_SHOW_FB", "Funktionsbeskrivning");
    texts->AddMenuEntry("TB_SHOW_LOG_PCT", Latin1("Loggbok för aktuell bild"));
    texts->AddMenuEntry({}, "-");
    texts->AddMenuEntry("TB_SHOW_LOG_GLOBAL", "Global loggbok");
    Toolbar->AddButton("TB_SPV", Latin1("Börvärden"), true);
    Toolbar->AddGap(kAddressGap);
    Toolbar->AddButton("TB_SEND_SPV", Latin1("Sänd börvärde till KRU"), false);
    for (const char* key : {"TB_HOME", "TB_GET_PREVIOUS", "TB_GET_NEXT", "TB_GET_PCT", "TB_SHOW_TEXTS",
                            "TB_SPV", "TB_SEND_SPV"})
        Toolbar->Button(key)->SetIcon(ToolbarIcon(key));
}

void PelorinControl::CreateToolbarRow() {
    Text_PCT = MakeControl<TextBox>(this, TextBox::Kind::SingleLine);
    Text_PCT->SetWidth(kTextPctWidth);
    Text_PCT->SetText("1");
    Text_Address = MakeControl<TextBox>(this, TextBox::Kind::SingleLine);
    Text_Address->SetWidth(kTextAddressWidth);
    Text_Address->SetToolTip("Vald adress");
    Text_NewValue = MakeControl<TextBox>(this, TextBox::Kind::SingleLine);
    Text_NewValue->SetWidth(kTextNewValueWidth);
    Text_NewValue->SetToolTip(Latin1("Signalvärde för vald adress"));
    Text_Updated = MakeControl<TextBox>(this, TextBox::Kind::SingleLine);
    Text_Updated->SetWidth(kTextUpdatedWidth);
    Text_Updated->SetToolTip("Uppdaterad dynamik");
    Text_Updated->SetText("0%");
    Text_Updated->SetLocked(true);
    // The indicator's design width holds "100%" only without the edit border.
    Text_Updated->SetBorderless(true);
    Frame_UserName = MakeControl<Frame>(this, std::string());
    Frame_UserName->widget()->setStyleSheet(
        QStringLiteral("QGroupBox { border: none; margin: 0; padding: 0; }"));
    Label_UserName = MakeControl<Label>(Frame_UserName->widget(), std::string());
}

void PelorinControl::CreatePanels() {
    Frame_SPV = MakeControl<Frame>(this, Latin1("&Börvärden"));
    Frame_SPV->SetWidth(5400);
    Frame_SPV->SetHeight(2400);
    Frame_SPV_Curve = MakeControl<Frame>(this, Latin1("&Börvärden"));
    Frame_SPV_Curve->SetWidth(7800);
    Frame_SPV_Curve->SetHeight(6000);
    Picture_SPV_Curve = new PictureBox(Frame_SPV_Curve->widget());
    m_CurveGeometry = MakeControl<ControlBase>(Picture_SPV_Curve);
    Place(*m_CurveGeometry, {120, 300, 5400, 4200});
}

void PelorinControl::CreateSettingsFrame() {
    Frame_Settings = MakeControl<Frame>(this, Latin1("&Inställningar"));
    Frame_Settings->SetWidth(5952);
    Frame_Settings->SetHeight(1812);
    QWidget* frame = Frame_Settings->widget();
    Place(*MakeControl<Label>(frame, "Typsnitt:"), {60, 360, 912, 192});
    Combo_FontName = MakeControl<ComboBox>(frame);
    Place(*Combo_FontName, {1140, 288, 2052, 288});
    Combo_FontSize = MakeControl<ComboBox>(frame);
    Place(*Combo_FontSize, {3300, 288, 1332, 288});
    Check_FontBold = MakeControl<CheckBox>(frame, "Fetstil");
    Place(*Check_FontBold, {4740, 324, 972, 192});
    Place(*MakeControl<Label>(frame, Latin1("Upplösning:")), {60, 864, 972, 192});
    Combo_Resolution = MakeControl<ComboBox>(frame);
    Place(*Combo_Resolution, {1140, 792, 2052, 288});
    Command_Settings_Default = MakeControl<CommandButton>(frame, Latin1("Återställ till standard"));
    Place(*Command_Settings_Default, {1260, 1296, 1752, 315});
    Command_Cancel_Settings = MakeControl<CommandButton>(frame, "Avbryt");
    Place(*Command_Cancel_Settings, {3780, 1296, 795, 315});
    Command_Ok_Settings = MakeControl<CommandButton>(frame, "Ok");
    Place(*Command_Ok_Settings, {4740, 1296, 795, 315});
}

void PelorinControl::CreateLoginFrame() {
    Frame_Login = MakeControl<Frame>(this, "&Logga in:");
    Frame_Login->SetWidth(4380);
    Frame_Login->SetHeight(2040);
    QWidget* frame = Frame_Login->widget();
    Place(*MakeControl<Label>(frame, Latin1("Användarvisum:")), {240, 450, 1500, 240});
    Text_UserVisa = MakeControl<TextBox>(frame, TextBox::Kind::SingleLine);
    Place(*Text_UserVisa, {1860, 390, 2280, 345});
    Place(*MakeControl<Label>(frame, Latin1("Lösenord:")), {240, 960, 1500, 240});
    Text_PassWord = MakeControl<TextBox>(frame, TextBox::Kind::Password);
    Place(*Text_PassWord, {1860, 900, 2280, 345});
    Command_Login = MakeControl<CommandButton>(frame, "Ok");
    Place(*Command_Login, {3060, 1470, 1080, 375});
}

void PelorinControl::ConnectEvents() {
    Winsock_Client->OnConnect = [this] { Winsock_Client_Connect(); };
    Winsock_Client->OnDataArrival = [this](int64_t bytesTotal) { Winsock_Client_DataArrival(bytesTotal); };
    Winsock_Client->OnClose = [this] { Winsock_Client_Close(); };
    Winsock_Client->OnError = [this](int, const std::string&) { Winsock_Client_Error(); };

    Picture_PCT->OnMouseMove = [this](int button, int shift, float x, float y) {
        Picture_PCT_MouseMove(static_cast<int16_t>(button), static_cast<int16_t>(shift), x, y);
    };
    Picture_PCT->OnClick = [this] { Picture_PCT_Click(); };
    Picture_PCT->OnDblClick = [this] { Picture_PCT_DblClick(); };
    Picture_PCT->OnKeyPress = [this](int16_t& keyAscii) { Picture_PCT_KeyPress(keyAscii); };
    Picture_PCT->OnPaint = [this] { Picture_PCT_Paint(); };

    Text_UserVisa->OnKeyPress = [this](int16_t& keyAscii) { Text_UserVisa_KeyPress(keyAscii); };
    Text_PassWord->OnKeyPress = [this](int16_t& keyAscii) { Text_PassWord_KeyPress(keyAscii); };
    Command_Login->OnClick = [this] { Command_Login_Click(); };
    Command_Login->OnEnter = [this] { Command_Login_Click(); };
    Frame_Login->OnDblClick = [this] { Frame_Login_DblClick(); };
    Text_PCT->OnKeyPress = [this](int16_t& keyAscii) { Text_PCT_KeyPress(keyAscii); };

    Timer_System->OnTimer = [this] { Timer_System_Timer(); };
    Toolbar->OnButtonClick = [this](const std::string& key) { Toolbar_ButtonClick(key); };
    Toolbar->OnButtonMenuClick = [this](const std::string& key, const std::string& parentKey,
                                        const std::string& tag) {
        Toolbar_ButtonMenuClick(key, parentKey, tag);
    };
    Menu_Popup->OnRecordClick = [this] { Menu_Popup_Record_Click(); };
    Menu_Popup->OnPrintContinousClick = [this] { Menu_Popup_PrintContinous_Click(); };
}

void PelorinControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Toolbar->widget()->resize(event->size().width(), Toolbar->widget()->height());
}

} // namespace pelorin
