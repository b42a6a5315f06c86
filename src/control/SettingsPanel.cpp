#include "control/SettingsPanel.h"

#include "core/ClientProcs.h"
#include "core/Latin1.h"
#include "core/NumberText.h"
#include "core/PictureFormat.h"
#include "picture/PictureView.h"
#include "platform/PictureBox.h"
#include "platform/Screen.h"
#include "ports/Ports.h"

#include <QSize>
#include <algorithm>
#include <functional>
#include <limits>
#include <optional>
#include <utility>

namespace pelorin {

namespace {

// The per-user picture settings are kept under a fixed application name.
constexpr const char* kClientApp = "Pelorin_Client";
constexpr const char* kPictureSection = "Picture";
const char* const kStoredKeys[] = {"FontName", "FontSize", "FontBold", "Resolution"};

const char* const kResolutions[] = {"640 x 480", "800 x 600", "1024 x 768", "1280 x 1024"};
// After the fixed resolutions; stored as the resolution's text.
const std::string kFitToWindow = Latin1FromUtf8("Anpassa till fönstret");
// The smallest picture the window can shrink it to.
constexpr int32_t kSmallestFittedWidth = 160;
// The first and the last of the resolutions.
constexpr int32_t kSmallestWidth = 640, kSmallestHeight = 480, kLargestWidth = 1280, kLargestHeight = 1024;
constexpr int kSmallestFontSize = 6;
constexpr int kLargestFontSize = 15;
constexpr int32_t kNoEntry = -1;

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

// A stored value is used only when it is one the settings panel could have chosen; anything else (an
// empty or hand-edited setting, a picture that cannot be laid out or takes ages to) counts as absent.
std::optional<double> NumberWithin(const std::string& text, double smallest, double largest) {
    const std::optional<double> number = ReadLeadingNumber(text);
    if (!number || *number < smallest || *number > largest)
        return std::nullopt;
    return number;
}

std::optional<double> StoredFontSize(const std::string& text) {
    return NumberWithin(text, kSmallestFontSize, kLargestFontSize);
}

// Between the smallest and the largest of the panel's resolutions.
std::optional<std::pair<int32_t, int32_t>> StoredResolution(const std::string& text) {
    const std::optional<double> width = NumberWithin(GetField(text, 0, "x"), kSmallestWidth, kLargestWidth);
    const std::optional<double> height =
        NumberWithin(GetField(text, 1, "x"), kSmallestHeight, kLargestHeight);
    if (!width || !height)
        return std::nullopt;
    return std::pair(RoundTo<int32_t>(*width), RoundTo<int32_t>(*height));
}

// A value in effect that no entry shows leaves no entry selected, so that nothing claims to be it.
void SelectMatching(ComboBox& combo, const std::function<bool(const std::string&)>& matches) {
    int32_t matching = kNoEntry;
    for (int32_t i = 0; i < combo.ListCount(); ++i)
        if (matches(combo.List(i)))
            matching = i;
    combo.SetListIndex(matching);
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    return FromLatin1(a).compare(FromLatin1(b), Qt::CaseInsensitive) == 0;
}

} // namespace

SettingsPanel::SettingsPanel(QWidget* parent, SettingsPanelContext context)
    : m_Settings(context.settings), m_Store(context.store), m_View(context.view), m_Picture(context.picture),
      m_UpdateSize(std::move(context.updateSize)) {
    CreateFrame(parent);
    ConnectEvents();
}

void SettingsPanel::CreateFrame(QWidget* parent) {
    Frame_Settings = m_Controls.Make<Frame>(parent, Latin1FromUtf8("&Inställningar"));
    Frame_Settings->SetWidth(5952);
    Frame_Settings->SetHeight(1812);
    Frame_Settings->SetFontSize(8);
    QWidget* frame = Frame_Settings->widget();
    Label* fontLabel = m_Controls.Make<Label>(frame, "Typsnitt:");
    Place(*fontLabel, {60, 360, 912, 192});
    Combo_FontName = m_Controls.Make<ComboBox>(frame);
    Place(*Combo_FontName, {1140, 288, 2052, 288});
    fontLabel->Names(*Combo_FontName);
    Combo_FontSize = m_Controls.Make<ComboBox>(frame);
    Place(*Combo_FontSize, {3300, 288, 1332, 288});
    Combo_FontSize->SetAccessibleName("Teckenstorlek");
    Check_FontBold = m_Controls.Make<CheckBox>(frame, "Fetstil");
    Place(*Check_FontBold, {4740, 324, 972, 192});
    Label* resolutionLabel = m_Controls.Make<Label>(frame, Latin1FromUtf8("Upplösning:"));
    Place(*resolutionLabel, {60, 864, 972, 192});
    Combo_Resolution = m_Controls.Make<ComboBox>(frame);
    Place(*Combo_Resolution, {1140, 792, 2052, 288});
    resolutionLabel->Names(*Combo_Resolution);
    Command_Settings_Default =
        m_Controls.Make<CommandButton>(frame, Latin1FromUtf8("Återställ till standard"));
    Place(*Command_Settings_Default, {1260, 1296, 1752, 315});
    Command_Cancel_Settings = m_Controls.Make<CommandButton>(frame, "Avbryt");
    Place(*Command_Cancel_Settings, {3780, 1296, 795, 315});
    Command_Ok_Settings = m_Controls.Make<CommandButton>(frame, "Ok");
    Place(*Command_Ok_Settings, {4740, 1296, 795, 315});
}

void SettingsPanel::ConnectEvents() {
    Combo_Resolution->OnClick = [this] { Combo_Resolution_Click(); };
    Combo_FontName->OnClick = [this] { Combo_FontName_Click(); };
    Combo_FontSize->OnClick = [this] { Combo_FontSize_Click(); };
    Check_FontBold->OnClick = [this] { Check_FontBold_Click(); };
    Command_Ok_Settings->OnClick = [this] { Command_Ok_Settings_Click(); };
    Command_Cancel_Settings->OnClick = [this] { Command_Cancel_Settings_Click(); };
    Command_Settings_Default->OnClick = [this] { Command_Settings_Default_Click(); };
}

void SettingsPanel::SetStartUpValues() {
    m_Settings.m_Height = 800;
    m_Settings.m_Width = 1024;
    m_Settings.m_FontName = kFixedPitchFont;
    m_Settings.m_PrinterFontName = kFixedPitchFont;
    m_Settings.m_FontBold = -1;
    m_Settings.m_FontSize = 8.5f;
    m_Settings.m_Orientation = 2;
    KeepHostValuesAsDefaults();
}

void SettingsPanel::FillFixedLists() {
    for (const std::string& font : Screen::Fonts())
        Combo_FontName->AddItem(font);
    for (int size = kSmallestFontSize; size <= kLargestFontSize; ++size)
        Combo_FontSize->AddItem(std::to_string(size));
    for (const char* resolution : kResolutions)
        Combo_Resolution->AddItem(resolution);
    Combo_Resolution->AddItem(kFitToWindow);
    // A list makes its first entry current as it is filled; the panel's opening selects what is in effect.
    for (ComboBox* combo : {Combo_FontName, Combo_FontSize, Combo_Resolution})
        combo->SetListIndex(kNoEntry);
}

void SettingsPanel::ReadHostParameters(const PropertyBag& PropBag) {
    m_Settings.m_Height = ToLong(PropBag.ReadProperty("PCTHeight", "600"));
    m_Settings.m_Width = ToLong(PropBag.ReadProperty("PCTWidth", "800"));
    m_Settings.m_FontName = PropBag.ReadProperty("FontName", kFixedPitchFont);
    m_Settings.m_FontSize = ToSingle(ReadNumber(PropBag.ReadProperty("FontSize", "8.5")));
    m_Settings.m_FontBold = ToBoolean(PropBag.ReadProperty("FontBold", "1"));
    m_Settings.m_Orientation = ToLong(PropBag.ReadProperty("Orientation", "2"));
    m_Settings.m_PrinterFontName = PropBag.ReadProperty("PrinterFontName", kFixedPitchFont);
    m_Settings.m_PrinterFontBold =
        static_cast<int16_t>(ToBoolean(PropBag.ReadProperty("PrinterFontBold", "1")));

    // "Återställ till standard" returns to the host's values, not to the user's stored ones.
    KeepHostValuesAsDefaults();
}

void SettingsPanel::KeepHostValuesAsDefaults() {
    m_Settings.m_DefaultFontSize = m_Settings.m_FontSize;
    m_Settings.m_DefaultFontName = m_Settings.m_FontName;
    m_Settings.m_DefaultFontBold = m_Settings.m_FontBold;
    m_Settings.m_DefaultHeight = m_Settings.m_Height;
    m_Settings.m_DefaultWidth = m_Settings.m_Width;
}

void SettingsPanel::ApplyStoredSettings() {
    const auto stored = [this](const char* key) {
        return m_Store.GetSetting(kClientApp, kPictureSection, key);
    };
    if (const std::string fontName = stored("FontName"); !fontName.empty())
        m_Settings.m_FontName = fontName;
    if (const std::optional<double> fontSize = StoredFontSize(stored("FontSize")))
        m_Settings.m_FontSize = static_cast<float>(*fontSize);
    if (const std::string fontBold = stored("FontBold"); !fontBold.empty())
        m_Settings.m_FontBold = ToLong(fontBold);
    const std::string resolutionText = stored("Resolution");
    m_FitToWindow = resolutionText == kFitToWindow;
    if (const std::optional<std::pair<int32_t, int32_t>> resolution = StoredResolution(resolutionText)) {
        m_Settings.m_Width = resolution->first;
        m_Settings.m_Height = resolution->second;
    }
}

void SettingsPanel::Open() {
    // Selecting raises the panel's change events; they do nothing until the view is VS_SETTINGS.
    SelectMatching(*Combo_FontName, [this](const std::string& entry) {
        return EqualIgnoringCase(entry, m_Settings.m_FontName);
    });
    const std::string fontSize = SingleText(m_Settings.m_FontSize);
    SelectMatching(*Combo_FontSize, [&](const std::string& entry) { return entry == fontSize; });
    Check_FontBold->SetValue(m_Settings.m_FontBold != 0 ? 1 : 0);
    const std::string resolution =
        std::to_string(m_Settings.m_Width) + " x " + std::to_string(m_Settings.m_Height);
    SelectMatching(*Combo_Resolution, [&](const std::string& entry) {
        return m_FitToWindow ? entry == kFitToWindow : entry == resolution;
    });
    m_TempFitToWindow = m_FitToWindow;
    m_Settings.m_TempFontSize = m_Settings.m_FontSize;
    m_Settings.m_TempFontName = m_Settings.m_FontName;
    m_Settings.m_TempFontBold = m_Settings.m_FontBold;
    m_Settings.m_TempHeight = m_Settings.m_Height;
    m_Settings.m_TempWidth = m_Settings.m_Width;
    m_View.ShowView(VS_SETTINGS);
}

void SettingsPanel::SetVisible(bool visible) {
    Frame_Settings->SetVisible(visible);
}

// The control's size follows the picture's, and the panels are centred in the control's new size.
void SettingsPanel::UpdateSizeTwice() {
    m_UpdateSize();
    m_UpdateSize();
}

void SettingsPanel::Combo_Resolution_Click() {
    if (m_View.View() != VS_SETTINGS)
        return;
    const std::string resolution = Combo_Resolution->Text();
    m_FitToWindow = resolution == kFitToWindow;
    if (m_FitToWindow) {
        FitPictureTo(m_Picture.Picture_PCT->parentWidget()->size());
        return;
    }
    m_Settings.m_Width = ToLong(GetField(resolution, 0, "x"));
    m_Settings.m_Height = ToLong(GetField(resolution, 1, "x"));
    UpdateSizeTwice();
}

void SettingsPanel::Combo_FontName_Click() {
    if (m_View.View() != VS_SETTINGS)
        return;
    m_Settings.m_FontName = Combo_FontName->Text();
    m_UpdateSize();
}

void SettingsPanel::Combo_FontSize_Click() {
    if (m_View.View() != VS_SETTINGS)
        return;
    m_Settings.m_FontSize = ToSingle(ReadNumber(Combo_FontSize->Text()));
    m_UpdateSize();
}

void SettingsPanel::Check_FontBold_Click() {
    if (m_View.View() != VS_SETTINGS)
        return;
    m_Settings.m_FontBold = Check_FontBold->Value() != 0 ? -1 : 0;
    m_UpdateSize();
}

// All four keys, changed or not. The size is written with "." whatever the locale, so that 8.5 reads
// back as 8.5 and not as 8.
void SettingsPanel::Command_Ok_Settings_Click() {
    m_Store.SaveSetting(kClientApp, kPictureSection, "FontName", m_Settings.m_FontName);
    m_Store.SaveSetting(kClientApp, kPictureSection, "FontSize", SingleText(m_Settings.m_FontSize));
    m_Store.SaveSetting(kClientApp, kPictureSection, "FontBold", std::to_string(m_Settings.m_FontBold));
    m_Store.SaveSetting(kClientApp, kPictureSection, "Resolution",
                        m_FitToWindow ? kFitToWindow
                                      : std::to_string(m_Settings.m_Width) + " x " +
                                            std::to_string(m_Settings.m_Height));
    m_View.ShowView(VS_PICTURE);
    m_Picture.PaintAllElements(-1);
}

// Back to the values from before the panel opened; nothing is stored or deleted.
void SettingsPanel::Command_Cancel_Settings_Click() {
    m_Settings.m_FontSize = m_Settings.m_TempFontSize;
    m_Settings.m_FontName = m_Settings.m_TempFontName;
    m_Settings.m_FontBold = m_Settings.m_TempFontBold;
    m_Settings.m_Height = m_Settings.m_TempHeight;
    m_Settings.m_Width = m_Settings.m_TempWidth;
    m_FitToWindow = m_TempFitToWindow;
    UpdateSizeTwice();
    m_View.ShowView(VS_PICTURE);
}

// Back to the host's values, and the stored ones are forgotten so that the next start-up uses them too.
// A size or font name the host left unusable (none, zero) keeps the current one.
void SettingsPanel::Command_Settings_Default_Click() {
    m_Settings.m_FontSize = m_Settings.m_DefaultFontSize;
    if (!m_Settings.m_DefaultFontName.empty())
        m_Settings.m_FontName = m_Settings.m_DefaultFontName;
    m_Settings.m_FontBold = m_Settings.m_DefaultFontBold;
    if (m_Settings.m_DefaultHeight > 0 && m_Settings.m_DefaultWidth > 0) {
        m_Settings.m_Height = m_Settings.m_DefaultHeight;
        m_Settings.m_Width = m_Settings.m_DefaultWidth;
    }
    m_FitToWindow = false;
    for (const char* key : kStoredKeys)
        m_Store.DeleteSetting(kClientApp, kPictureSection, key);
    UpdateSizeTwice();
    m_View.ShowView(VS_PICTURE);
}

void SettingsPanel::ControlResized(QSize controlSize) {
    if (m_FitToWindow && !m_Fitting)
        FitPictureTo(controlSize);
}

// The largest picture of the picture's own proportions that fits below the toolbar. Laying it out sizes
// the control around it, which comes back here with the size just chosen.
void SettingsPanel::FitPictureTo(QSize controlSize) {
    const double areaWidth = controlSize.width();
    const double areaHeight = controlSize.height() - m_Picture.Picture_PCT->y();
    const double scale = std::min(areaWidth / kPictureWidth, areaHeight / kPictureHeight);
    const int32_t width = std::max(kSmallestFittedWidth, RoundTo<int32_t>(kPictureWidth * scale));
    const int32_t height = RoundTo<int32_t>(width * kPictureHeight / kPictureWidth);
    if (width == m_Settings.m_Width && height == m_Settings.m_Height)
        return;
    m_Settings.m_Width = width;
    m_Settings.m_Height = height;
    m_Fitting = true;
    UpdateSizeTwice();
    m_Fitting = false;
}

} // namespace pelorin
