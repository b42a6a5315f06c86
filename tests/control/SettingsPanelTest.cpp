// The settings panel alone: the host's parameters and the stored settings it turns into the picture's
// size and font, and the choices it shows when opened.

#include "control/SettingsPanel.h"
#include "common/PortFakes.h"
#include "control/ControlFixture.h"

#include <QTemporaryDir>
#include <QWidget>
#include <array>
#include <gtest/gtest.h>
#include <limits>

namespace pelorin::test {
namespace {

class SettingsPanelTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    SettingsStore store{dir.path().toStdString()};
    QWidget parent;
    SettingsMembers m;
    CountingViewSwitch view;
    SettingsPanel panel{&parent, m, store, view};
};

// Width, height, font size, font bold, printer font bold and orientation.
std::array<double, 6> Picture(const SettingsMembers& s) {
    return {double(s.m_Width),    double(s.m_Height),          s.m_FontSize,
            double(s.m_FontBold), double(s.m_PrinterFontBold), double(s.m_Orientation)};
}

TEST_F(SettingsPanelTest, HostParametersAreConvertedToTheMembersTypesAndKeptAsTheDefaults) {
    constexpr double kLargestSingle = std::numeric_limits<float>::max();
    const struct {
        const char* key;
        const char* value;
        std::array<double, 6> picture; // the keys left out take their defaults
    } cases[] = {
        {"FontBold", "2", {800, 600, 8.5, -1, -1, 2}},
        {"FontBold", "0", {800, 600, 8.5, 0, -1, 2}},
        {"PrinterFontBold", "0", {800, 600, 8.5, -1, 0, 2}},
        {"FontSize", "1e300", {800, 600, kLargestSingle, -1, -1, 2}},
        {"FontSize", "-1e300", {800, 600, -kLargestSingle, -1, -1, 2}},
        {"PCTWidth", "1e12", {INT32_MAX, 600, 8.5, -1, -1, 2}},
        {"PCTHeight", "-7", {800, -7, 8.5, -1, -1, 2}},
        {"Orientation", "-1e20", {800, 600, 8.5, -1, -1, INT32_MIN}},
    };
    for (const auto& c : cases) {
        panel.ReadHostParameters(Bag({{c.key, c.value}}));
        EXPECT_EQ(Picture(m), c.picture) << c.key << "=" << c.value;
        EXPECT_EQ(std::tuple(m.m_DefaultWidth, m.m_DefaultHeight, m.m_DefaultFontSize, m.m_DefaultFontBold),
                  std::tuple(m.m_Width, m.m_Height, m.m_FontSize, m.m_FontBold));
    }
}

TEST_F(SettingsPanelTest, StoredSettingsOverrideTheHostsValuesButNotTheDefaults) {
    store.SaveSetting("Pelorin_Client", "Picture", "Resolution", "1280 x 1024");
    store.SaveSetting("Pelorin_Client", "Picture", "FontSize", "11");
    store.SaveSetting("Pelorin_Client", "Picture", "FontBold", "0");
    store.SaveSetting("Pelorin_Client", "Picture", "FontName", "");
    panel.ReadHostParameters(
        Bag({{"PCTWidth", "800"}, {"PCTHeight", "600"}, {"FontName", "Arial"}, {"FontSize", "9"}}));
    panel.ApplyStoredSettings();
    EXPECT_EQ(std::tuple(m.m_Width, m.m_Height, m.m_FontSize, m.m_FontBold), std::tuple(1280, 1024, 11.f, 0));
    EXPECT_EQ(m.m_FontName, "Arial") << "an empty stored name keeps the host's";
    EXPECT_EQ(std::tuple(m.m_DefaultWidth, m.m_DefaultHeight, m.m_DefaultFontSize, m.m_DefaultFontBold),
              std::tuple(800, 600, 9.f, -1));
}

TEST_F(SettingsPanelTest, OpeningSelectsTheCurrentChoicesAndShowsTheSettingsView) {
    panel.FillFixedLists();
    panel.Combo_FontName->AddItem("Pelorin Mono");
    panel.Combo_FontName->AddItem("PELORIN MONO");
    m.m_FontName = "pelorin mono";
    m.m_FontSize = 12;
    m.m_Width = 1280;
    m.m_Height = 1024;
    int clicks = 0;
    panel.Combo_Resolution->OnClick = [&] { ++clicks; };
    panel.Open();
    EXPECT_EQ(panel.Combo_FontName->ListIndex(), panel.Combo_FontName->ListCount() - 1)
        << "the last match stays";
    EXPECT_EQ(panel.Combo_FontSize->Text(), "12");
    EXPECT_EQ(panel.Combo_Resolution->Text(), "1280 x 1024");
    EXPECT_EQ(clicks, 1) << "selecting raises the panel's own event";
    EXPECT_EQ(std::tuple(m.m_TempWidth, m.m_TempHeight, m.m_TempFontName),
              std::tuple(1280, 1024, m.m_FontName));
    EXPECT_EQ(std::pair(view.view, view.updates), std::pair(int16_t{VS_SETTINGS}, 1));

    m.m_FontSize = 8.5f;
    panel.Open();
    EXPECT_EQ(panel.Combo_FontSize->Text(), "12") << "a size not in the list keeps the previous selection";
}

} // namespace
} // namespace pelorin::test
