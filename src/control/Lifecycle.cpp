#include "control/PelorinControl.h"
#include "platform/PictureBox.h"
#include "platform/Screen.h"
#include "platform/Widgets.h"
#include "platform/Winsock.h"

#include <algorithm>
#include <limits>

// What happens when the host creates the control, hands it its parameters, shows it and destroys
// it; the stored user settings override the host's parameters.

namespace pelorin {

namespace {

constexpr const char* kCourierNew = "Courier New";
// The per-user settings: the picture settings under a fixed name, the recording path under the
// control library's name.
constexpr const char* kClientApp = "Pelorin_Client";
constexpr const char* kLibraryApp = "Pelorin_ActiveX";

const char* const kResolutions[] = {"640 x 480", "800 x 600", "1024 x 768", "1280 x 1024"};
constexpr int kSmallestFontSize = 6;
constexpr int kLargestFontSize = 15;

// A number that does not fit a Single keeps the largest one of its sign.
float ToSingle(double value) {
    constexpr double largest = std::numeric_limits<float>::max();
    return static_cast<float>(std::clamp(value, -largest, largest));
}

int32_t ToLong(const std::string& text) {
    return RoundTo<int32_t>(ReadNumber(text));
}

int32_t ToBoolean(const std::string& text) {
    return ReadNumber(text) != 0 ? -1 : 0;
}

} // namespace

void PelorinControl::UserControl_Initialize() {
    Pi = 3.1415926;
    m_Height = 800;
    m_Width = 1024;
    m_FontName = kCourierNew;
    m_PrinterFontName = kCourierNew;
    m_FontBold = -1;
    m_FontSize = 8.5f;
    m_Orientation = 2;
    Winsock_Client->RemoteHost = "127.0.0.1";
    Winsock_Client->RemotePort = 23;
    // The picture starts 50 twips below the toolbar. Both picture boxes and the printer draw in pixels.
    m_PictureGeometry->SetLeft(0);
    m_PictureGeometry->SetTop(Toolbar->Top() + Toolbar->Height() + 50);
    FillFixedLists();
    UpdateSize();
    m_ViewState = VS_LOGIN;
    UpdateToolBarView();
    PaintAllElements(Picture_PCT->Surface(), -1);
    m_RecordingStartPath = Settings->GetSetting(kLibraryApp, "Settings", "Recording", "C:\\");
}

void PelorinControl::FillFixedLists() {
    for (const std::string& font : Screen::Fonts())
        Combo_FontName->AddItem(font);
    for (int size = kSmallestFontSize; size <= kLargestFontSize; ++size)
        Combo_FontSize->AddItem(std::to_string(size));
    for (const char* resolution : kResolutions)
        Combo_Resolution->AddItem(resolution);
}

// A new instance without parameters keeps the values of UserControl_Initialize.
void PelorinControl::UserControl_InitProperties() {}

void PelorinControl::UserControl_ReadProperties(const PropertyBag& PropBag) {
    m_Height = ToLong(PropBag.ReadProperty("PCTHeight", "600"));
    m_Width = ToLong(PropBag.ReadProperty("PCTWidth", "800"));
    m_FontName = PropBag.ReadProperty("FontName", kCourierNew);
    m_FontSize = ToSingle(ReadNumber(PropBag.ReadProperty("FontSize", "8.5")));
    m_FontBold = ToBoolean(PropBag.ReadProperty("FontBold", "1"));
    m_Orientation = ToLong(PropBag.ReadProperty("Orientation", "2"));
    m_PrinterFontName = PropBag.ReadProperty("PrinterFontName", kCourierNew);
    m_PrinterFontBold = static_cast<int16_t>(ToBoolean(PropBag.ReadProperty("PrinterFontBold", "1")));

    // "Återställ till standard" returns to the host's values, not to the user's stored ones.
    m_DefaultFontSize = m_FontSize;
    m_DefaultFontName = m_FontName;
    m_DefaultFontBold = m_FontBold;
    m_DefaultHeight = m_Height;
    m_DefaultWidth = m_Width;

    m_ServerAddress = PropBag.ReadProperty("ServerAddress", {});
    if (!m_ServerAddress.empty()) {
        const std::string host = GetField(m_ServerAddress, 0, ":");
        Winsock_Client->RemoteHost = host;
        Winsock_SysDial->RemoteHost = host;
        Winsock_Client->RemotePort = ToLong(GetField(m_ServerAddress, 1, ":"));
    }
    ApplyStoredSettings();
    UpdateSize();
}

void PelorinControl::ApplyStoredSettings() {
    const auto stored = [this](const char* key) { return Settings->GetSetting(kClientApp, "Picture", key); };
    if (const std::string fontName = stored("FontName"); !fontName.empty())
        m_FontName = fontName;
    if (const std::string fontSize = stored("FontSize"); !fontSize.empty())
        m_FontSize = ToSingle(ReadNumber(fontSize));
    if (const std::string fontBold = stored("FontBold"); !fontBold.empty())
        m_FontBold = ToLong(fontBold);
    if (const std::string resolution = stored("Resolution"); !resolution.empty()) {
        m_Width = ToLong(GetField(resolution, 0, "x"));
        m_Height = ToLong(GetField(resolution, 1, "x"));
    }
}

void PelorinControl::UserControl_Show() {
    Text_UserVisa->SetFocus();
}

// Nothing is saved, and the system-dialog connection stays as it is.
void PelorinControl::UserControl_Terminate() {
    Winsock_Client->Close();
}

} // namespace pelorin
