// The settings panel over a live picture: a choice previews at once, and the three buttons keep, undo or
// forget the choices in the user's stored settings.

#include "common/SessionSupport.h"
#include "toolbar/ToolbarTable.h"

#include <QAbstractButton>
#include <gtest/gtest.h>

namespace pelorin::test {
namespace {

// Chooses an entry as the operator would; the combo raises its click event.
void Choose(ComboBox& combo, const std::string& entry) {
    for (int32_t i = 0; i < combo.ListCount(); ++i)
        if (combo.List(i) == entry)
            return combo.SetListIndex(i);
    ADD_FAILURE() << "no entry " << entry;
}

void Press(ControlBase& button) {
    qobject_cast<QAbstractButton*>(button.widget())->click();
}

using SettingsPanelTest = SessionTest;

// The host names only the server: 800 x 600, "Courier New" 8.5 bold.
TEST_F(SettingsPanelTest, OperatorPreviewsUndoesKeepsAndForgetsPictureSettings) {
    // Under a decimal comma the size is still stored with a point, or 8.5 would come back as 8.
    LocaleScope swedish(QLocale(QLocale::Swedish, QLocale::Sweden));
    LogIn();
    SettingsPanel& panel = c().settingsPanel();
    const auto stored = [this](const char* key) {
        return f.settings().GetSetting("Pelorin_Client", "Picture", key);
    };
    const auto open = [this] { c().Toolbar_ButtonMenuClick(tb::kSettings, tb::kHome); };
    Choose(*panel.Combo_Resolution, "1280 x 1024");
    Press(*panel.Check_FontBold);
    EXPECT_EQ(PictureArea(c()), QSize(800, 600)) << "outside the panel its events do nothing";
    EXPECT_EQ(c().m_FontBold, -1);

    open();
    ASSERT_EQ(c().m_ViewState, VS_SETTINGS);
    Choose(*panel.Combo_Resolution, "1280 x 1024");
    EXPECT_EQ(PictureArea(c()), QSize(1280, 1024));
    Press(*panel.Check_FontBold);
    Choose(*panel.Combo_FontSize, "12");
    EXPECT_DOUBLE_EQ(c().view().Surface().FontSize(), 12);
    Press(*panel.Command_Cancel_Settings);
    EXPECT_EQ(c().m_ViewState, VS_PICTURE);
    EXPECT_EQ(PictureArea(c()), QSize(800, 600));
    EXPECT_EQ(std::tuple(c().m_FontName, c().m_FontSize, c().m_FontBold),
              std::tuple("Courier New", 8.5f, -1));
    EXPECT_EQ(stored("Resolution"), "");

    // Ok stores all four keys, which the next start-up applies over the host's values.
    open();
    Choose(*panel.Combo_Resolution, "1024 x 768");
    Press(*panel.Check_FontBold);
    Press(*panel.Command_Ok_Settings);
    EXPECT_EQ(c().m_ViewState, VS_PICTURE);
    EXPECT_EQ(PictureArea(c()), QSize(1024, 768));
    const std::pair<const char*, const char*> keys[] = {
        {"FontName", "Courier New"}, {"FontSize", "8.5"}, {"FontBold", "0"}, {"Resolution", "1024 x 768"}};
    for (const auto& [key, value] : keys)
        EXPECT_EQ(stored(key), value) << key;
    ControlFixture next(f.settingsFolder());
    PelorinControl& second = next.Start(Bag({{"ServerAddress", "127.0.0.1:1"}, {"FontSize", "9"}}));
    EXPECT_EQ(PictureArea(second), QSize(1024, 768));
    EXPECT_EQ(std::tuple(second.m_FontName, second.m_FontSize, second.m_FontBold),
              std::tuple("Courier New", 8.5f, 0));
    EXPECT_EQ(std::tuple(second.m_DefaultWidth, second.m_DefaultFontSize, second.m_DefaultFontBold),
              std::tuple(800, 9.0f, -1))
        << "the host's values stay the defaults";

    // "Återställ till standard" returns to the host's values and forgets the stored ones.
    open();
    EXPECT_EQ(panel.Combo_Resolution->Text(), "1024 x 768");
    Press(*panel.Command_Settings_Default);
    EXPECT_EQ(PictureArea(c()), QSize(800, 600));
    EXPECT_EQ(c().m_FontBold, -1);
    for (const auto& [key, value] : keys)
        EXPECT_EQ(stored(key), "") << key;
}

void OpenSettings(PelorinControl& c) {
    c.Toolbar_ButtonMenuClick(tb::kSettings, tb::kHome);
}

// The lists show what is in effect, or no entry where none matches; a list never shows its first entry
// only because it was filled.
TEST(SettingsPanelOpening, ListsShowTheValuesInEffectOrNoEntry) {
    struct Case {
        std::string fontName, fontSize, resolution;
        std::string shownName, shownSize, shownResolution;
    };
    const Case cases[] = {{"Courier New", "8.5", "800", "", "", "800 x 600"},
                          {"dejavu sans mono", "12", "1024", "DejaVu Sans Mono", "12", "1024 x 768"},
                          {"No Such Font", "6", "1000", "", "6", ""}};
    for (const Case& given : cases) {
        ControlFixture f;
        PelorinControl& c = f.Start(Bag({{"FontName", given.fontName},
                                         {"FontSize", given.fontSize},
                                         {"PCTWidth", given.resolution},
                                         {"PCTHeight", given.resolution == "1024" ? "768" : "600"}}));
        OpenSettings(c);
        const SettingsPanel& panel = c.settingsPanel();
        EXPECT_EQ(std::tuple(panel.Combo_FontName->Text(), panel.Combo_FontSize->Text(),
                             panel.Combo_Resolution->Text()),
                  std::tuple(given.shownName, given.shownSize, given.shownResolution))
            << given.fontName;
        Press(*panel.Command_Ok_Settings);
        EXPECT_EQ(std::pair(f.settings().GetSetting("Pelorin_Client", "Picture", "FontName"),
                            f.settings().GetSetting("Pelorin_Client", "Picture", "FontSize")),
                  std::pair(given.fontName, given.fontSize))
            << "Ok keeps what is in effect";
    }
}

// Without host parameters the defaults are the control's own start-up values.
TEST(SettingsPanelOpening, DefaultsOfAControlWithoutHostParametersAreItsStartUpValues) {
    ControlFixture f;
    PelorinControl& c = f.Start();
    const QSize startUp = PictureArea(c);
    OpenSettings(c);
    SettingsPanel& panel = c.settingsPanel();
    Choose(*panel.Combo_Resolution, "640 x 480");
    Choose(*panel.Combo_FontSize, "12");
    ASSERT_EQ(PictureArea(c), QSize(640, 480));
    Press(*panel.Command_Settings_Default);
    EXPECT_EQ(PictureArea(c), startUp);
    EXPECT_EQ(std::tuple(c.m_FontName, c.m_FontSize, c.m_FontBold), std::tuple("Courier New", 8.5f, -1));
}

// "Anpassa till fönstret": the picture takes the largest size of its own proportions that the control
// has room for below the toolbar, and the control is laid out around it.
TEST(FitToWindow, ThePictureFollowsTheControlsSizeInItsOwnProportions) {
    ControlFixture f;
    PelorinControl& c = f.Start(Bag({{"PCTWidth", "800"}, {"PCTHeight", "600"}}));
    OpenSettings(c);
    Choose(*c.settingsPanel().Combo_Resolution, "Anpassa till f\xF6nstret");
    const int top = c.view().Picture_PCT->y();
    const std::pair<QSize, QSize> cases[] = {
        {QSize(1280, top + 474), QSize(640, 474)}, // the height limits
        {QSize(960, top + 2000), QSize(960, 711)}, // the width limits
    };
    for (const auto& [control, picture] : cases) {
        c.resize(control);
        EXPECT_EQ(PictureArea(c), picture) << control.width();
        EXPECT_EQ(c.size(), QSize(picture.width(), top + picture.height())) << "laid out around the picture";
    }
}

TEST(FitToWindow, IsStoredAsTheResolutionAndFollowedAtTheNextStartUp) {
    ControlFixture f;
    PelorinControl& c = f.Start(Bag({{"PCTWidth", "800"}, {"PCTHeight", "600"}}));
    OpenSettings(c);
    Choose(*c.settingsPanel().Combo_Resolution, "Anpassa till f\xF6nstret");
    Press(*c.settingsPanel().Command_Ok_Settings);
    EXPECT_EQ(f.settings().GetSetting("Pelorin_Client", "Picture", "Resolution"), "Anpassa till f\xF6nstret");

    ControlFixture next(f.settingsFolder());
    PelorinControl& second = next.Start(Bag({{"PCTWidth", "800"}, {"PCTHeight", "600"}}));
    second.resize(QSize(640, second.view().Picture_PCT->y() + 474));
    EXPECT_EQ(PictureArea(second), QSize(640, 474));
    OpenSettings(second);
    EXPECT_EQ(second.settingsPanel().Combo_Resolution->Text(), "Anpassa till f\xF6nstret");
}

// A stored value the panel could not have chosen counts as absent: the host's value stands.
TEST(StoredSettings, OnlyValuesThePanelCouldChooseAreApplied) {
    const struct {
        std::string resolution, fontSize;
        QSize area;
        float fontSizeApplied;
    } stored[] = {
        {"0 x 0", "1", {1024, 768}, 9},         {"-800 x -600", "-8", {1024, 768}, 9},
        {"bred x hog", "stor", {1024, 768}, 9}, {"30000 x 30000", "1e308", {1024, 768}, 9},
        {"800 x 600", "100000", {800, 600}, 9}, {"1280", "5.9", {1024, 768}, 9},
        {"640 x 480", "6", {640, 480}, 6},      {"1280 x 1024", "15", {1280, 1024}, 15},
        {"800 x 600", "8.5", {800, 600}, 8.5f},
    };
    for (const auto& s : stored) {
        ControlFixture f;
        f.settings().SaveSetting("Pelorin_Client", "Picture", "Resolution", s.resolution);
        f.settings().SaveSetting("Pelorin_Client", "Picture", "FontSize", s.fontSize);
        PelorinControl& c = f.Start(Bag({{"PCTWidth", "1024"}, {"PCTHeight", "768"}, {"FontSize", "9"}}));
        EXPECT_EQ(PictureArea(c), s.area) << s.resolution;
        EXPECT_EQ(c.m_FontSize, s.fontSizeApplied) << s.fontSize;
    }
}

} // namespace
} // namespace pelorin::test
