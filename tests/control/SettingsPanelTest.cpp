// The settings panel alone: the host's parameters and the stored settings it turns into the picture's
// size and font, and the choices it shows when opened.

#include "control/SettingsPanel.h"
#include "common/PortFakes.h"
#include "control/ControlFixture.h"

#include <QTemporaryDir>
#include <QWidget>
#include <functional>
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

TEST_F(SettingsPanelTest, HostParametersAreConvertedToTheMembersTypesAndKeptAsTheDefaults) {
    using Member = std::function<double(const SettingsMembers&)>;
    const Member width = [](const SettingsMembers& s) { return s.m_Width; };
    const Member height = [](const SettingsMembers& s) { return s.m_Height; };
    const Member fontSize = [](const SettingsMembers& s) { return s.m_FontSize; };
    const Member fontBold = [](const SettingsMembers& s) { return s.m_FontBold; };
    const Member printerBold = [](const SettingsMembers& s) { return s.m_PrinterFontBold; };
    const Member orientation = [](const SettingsMembers& s) { return s.m_Orientation; };
    const struct {
        const char* key;
        const char* value;
        Member member;
        double expected;
    } cases[] = {
        {"FontBold", "2", fontBold, -1},
        {"FontBold", "0", fontBold, 0},
        {"PrinterFontBold", "0", printerBold, 0},
        {"FontSize", "1e300", fontSize, std::numeric_limits<float>::max()},
        {"FontSize", "-1e300", fontSize, -std::numeric_limits<float>::max()},
        {"PCTWidth", "1e12", width, INT32_MAX},
        {"PCTHeight", "-7", height, -7},
        {"Orientation", "-1e20", orientation, INT32_MIN},
        // Keys the host leaves out take these values.
        {"Other", "", width, 800},
        {"Other", "", height, 600},
        {"Other", "", fontSize, 8.5},
        {"Other", "", fontBold, -1},
        {"Other", "", printerBold, -1},
        {"Other", "", orientation, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.key) + "=" + c.value);
        panel.ReadHostParameters(Bag({{c.key, c.value}}));
        EXPECT_EQ(c.member(m), c.expected);
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
