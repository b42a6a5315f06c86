// The settings panel over a live picture: every choice previews at once, and its three buttons keep,
// undo or forget the choices in the user's stored settings.

#include "control/SessionSupport.h"

#include <QAbstractButton>
#include <gtest/gtest.h>

namespace pelorin::test {
namespace {

const char* const kStoredKeys[] = {"FontName", "FontSize", "FontBold", "Resolution"};

std::string Stored(SettingsStore& settings, const char* key) {
    return settings.GetSetting("Pelorin_Client", "Picture", key);
}

// Chooses an entry as the operator would; the combo raises its click event.
void Choose(ComboBox& combo, const std::string& entry) {
    for (int32_t i = 0; i < combo.ListCount(); ++i)
        if (combo.List(i) == entry) {
            combo.SetListIndex(i);
            return;
        }
    ADD_FAILURE() << "no entry " << entry;
}

void Press(ControlBase& button) {
    qobject_cast<QAbstractButton*>(button.widget())->click();
}

void OpenPanel(PelorinControl& c) {
    c.Toolbar_ButtonMenuClick("TB_SETTINGS", "TB_HOME");
    ASSERT_EQ(c.m_ViewState, VS_SETTINGS);
}

// Host parameters 800 x 600, "Courier New" 8.5 bold (the defaults of a host that names only the server);
// logged in with picture 1 shown.
class SettingsPanelTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        if (HasFatalFailure())
            return;
        LogIn();
        ShowPicture(1);
    }

    SettingsPanel& panel() { return c().settingsPanel(); }

    int TextPixels() {
        const QImage& image = c().view().Picture_PCT->Surface().Image();
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.pixel(x, y) == qRgb(0, 0, 0) ? 1 : 0;
        return n;
    }
};

TEST_F(SettingsPanelTest, ChoicesPreviewAtOnceAndAvbrytReturnsToTheEarlierOnes) {
    // Outside the panel the change events do nothing.
    Choose(*panel().Combo_Resolution, "1280 x 1024");
    Press(*panel().Check_FontBold);
    EXPECT_EQ(PictureArea(c()), QSize(800, 600));
    EXPECT_EQ(c().m_FontBold, -1);
    const int boldPixels = TextPixels();

    OpenPanel(c());
    EXPECT_EQ(panel().Check_FontBold->Value(), 1);
    Choose(*panel().Combo_Resolution, "1280 x 1024");
    EXPECT_EQ(PictureArea(c()), QSize(1280, 1024));
    Choose(*panel().Combo_Resolution, "800 x 600");
    Press(*panel().Check_FontBold);
    EXPECT_LT(TextPixels(), boldPixels) << "the picture text is regular at once";
    Choose(*panel().Combo_FontSize, "12");
    EXPECT_DOUBLE_EQ(c().view().Surface().FontSize(), 12);
    const std::string otherFont =
        panel().Combo_FontName->List(panel().Combo_FontName->List(0) == "Courier New");
    Choose(*panel().Combo_FontName, otherFont);
    EXPECT_EQ(c().view().Surface().FontName(), otherFont);
    Choose(*panel().Combo_Resolution, "1280 x 1024");

    // The panel is drawn with its own background over the picture: the picture does not show through.
    const QPoint inside = panel().Frame_Settings->widget()->geometry().topLeft() + QPoint(20, 78);
    const QImage shown = c().grab().toImage();
    const QPoint behind = c().view().Picture_PCT->mapFrom(&c(), inside);
    EXPECT_NE(shown.pixel(inside), c().view().Surface().Image().pixel(behind));
    SaveShot(c().grab().toImage(), QStringLiteral("settings-panel.png"));

    Press(*panel().Command_Cancel_Settings);
    EXPECT_EQ(c().m_ViewState, VS_PICTURE);
    EXPECT_EQ(PictureArea(c()), QSize(800, 600));
    EXPECT_EQ(std::tuple(c().m_FontName, c().m_FontSize, c().m_FontBold),
              std::tuple("Courier New", 8.5f, -1));
    EXPECT_EQ(TextPixels(), boldPixels);
    for (const char* key : kStoredKeys)
        EXPECT_EQ(Stored(f.settings(), key), "") << key;
}

TEST_F(SettingsPanelTest, OkStoresTheFourKeysForTheNextStartAndDefaultForgetsThem) {
    // Under a decimal comma the size is still stored with a point, or 8.5 would come back as 8.
    LocaleScope swedish(QLocale(QLocale::Swedish, QLocale::Sweden));
    OpenPanel(c());
    Choose(*panel().Combo_Resolution, "1024 x 768");
    Press(*panel().Check_FontBold);
    Press(*panel().Command_Ok_Settings);
    EXPECT_EQ(c().m_ViewState, VS_PICTURE);
    EXPECT_EQ(PictureArea(c()), QSize(1024, 768));
    const std::pair<const char*, const char*> stored[] = {
        {"FontName", "Courier New"}, {"FontSize", "8.5"}, {"FontBold", "0"}, {"Resolution", "1024 x 768"}};
    for (const auto& [key, value] : stored)
        EXPECT_EQ(Stored(f.settings(), key), value) << key;

    ControlFixture next(f.settingsFolder());
    PelorinControl& second = next.Start(Bag({{"ServerAddress", "127.0.0.1:1"}}));
    EXPECT_EQ(PictureArea(second), QSize(1024, 768));
    EXPECT_EQ(std::tuple(second.m_FontName, second.m_FontSize, second.m_FontBold),
              std::tuple("Courier New", 8.5f, 0));

    OpenPanel(c());
    EXPECT_EQ(panel().Combo_Resolution->Text(), "1024 x 768");
    Press(*panel().Command_Settings_Default);
    EXPECT_EQ(PictureArea(c()), QSize(800, 600));
    EXPECT_EQ(c().m_FontBold, -1);
    for (const char* key : kStoredKeys)
        EXPECT_EQ(Stored(f.settings(), key), "") << key;
}

} // namespace
} // namespace pelorin::test
