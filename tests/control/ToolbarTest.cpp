#include "control/SessionSupport.h"
#include "control/ToolbarRules.h"
#include "core/Access.h"

#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <tuple>

namespace pelorin::test {
namespace {

using Requests = std::vector<std::string>;

// Every widget the toolbar's rules decide shows what the rules make of the control's current state.
void ExpectWidgetsFollowTheRules(PelorinControl& c) {
    const cElement* selected = c.m_SelectedElement;
    const ToolbarView v = ToolbarRules(
        {c.m_ViewState, c.m_AccessLevel, c.m_FunctionTextAvailable, c.setpoints().BlockEntryCount(),
         selected && IsWritableAddress(selected->m_Address, c.m_WriteParameters)});
    ToolbarRow& t = c.toolbar();
    ToolButton& home = *t.Toolbar->Button("TB_HOME");
    ToolButton& texts = *t.Toolbar->Button("TB_SHOW_TEXTS");
    const std::tuple<const char*, bool, bool> enabled[] = {
        {"TB_HOME", home.Enabled(), v.home},
        {"TB_LOGOUT", home.MenuEntry("TB_LOGOUT")->Enabled(), v.logout},
        {"TB_SYSDIAL", home.MenuEntry("TB_SYSDIAL")->Enabled(), v.systemDialog},
        {"TB_SETTINGS", home.MenuEntry("TB_SETTINGS")->Enabled(), v.settings},
        {"TB_GET_PREVIOUS", t.Toolbar->Button("TB_GET_PREVIOUS")->Enabled(), v.previous},
        {"TB_GET_NEXT", t.Toolbar->Button("TB_GET_NEXT")->Enabled(), v.next},
        {"TB_SHOW_FB", texts.MenuEntry("TB_SHOW_FB")->Enabled(), v.functionText},
        {"TB_SHOW_LOG_GLOBAL", texts.MenuEntry("TB_SHOW_LOG_GLOBAL")->Enabled(), v.globalLog},
        {"TB_SHOW_LOG_PCT", texts.MenuEntry("TB_SHOW_LOG_PCT")->Enabled(), v.pictureLog},
        {"TB_SPV", t.Toolbar->Button("TB_SPV")->Enabled(), v.setpoints},
        {"TB_SEND_SPV", t.Toolbar->Button("TB_SEND_SPV")->Enabled(), v.sendSetpoint},
        {"Text_PCT", t.Text_PCT->Enabled(), v.pictureNumberEnabled},
        {"Text_Address", t.Text_Address->Enabled(), v.addressEnabled},
        {"Text_NewValue", t.Text_NewValue->Enabled(), v.newValueEnabled},
    };
    for (const auto& [name, shown, rule] : enabled) {
        if (v.updatesEnabledFlags) {
            EXPECT_EQ(shown, rule) << name << " enabled in view " << c.m_ViewState;
        }
    }
    const std::tuple<const char*, bool, bool> visible[] = {
        {"Toolbar", t.Toolbar->Visible(), v.toolbarVisible},
        {"Text_PCT", t.Text_PCT->Visible(), v.rowBoxesVisible},
        {"Text_Address", t.Text_Address->Visible(), v.rowBoxesVisible},
        {"Text_NewValue", t.Text_NewValue->Visible(), v.rowBoxesVisible},
        {"Text_Updated", t.Text_Updated->Visible(), v.indicatorVisible},
        {"Frame_UserName", t.Frame_UserName->Visible(), v.userNameVisible},
        {"Picture_PCT", c.view().Picture_PCT->isVisible(), v.picture},
        {"Text_Any", c.texts().Text_Any->Visible(), v.textView},
        {"Text_Sysdial", c.systemDialog().Text_Sysdial->Visible(), v.terminal},
        {"Frame_SPV", c.setpoints().Frame_SPV->Visible(), v.setpointPanel},
        {"Frame_SPV_Curve", c.curveEditor().Frame_SPV_Curve->Visible(), v.curveEditor},
        {"Frame_Settings", c.settingsPanel().Frame_Settings->Visible(), v.settingsPanel},
        {"Frame_Login", c.session().Frame_Login->Visible(), v.loginFrame},
    };
    for (const auto& [name, shown, rule] : visible)
        EXPECT_EQ(shown, rule) << name << " visible in view " << c.m_ViewState;
}

using ToolbarViews = SessionTest;

// The views a user with and without rights reaches, each from the step or the server message that leads
// there.
TEST_F(ToolbarViews, TheControlAppliesTheRulesToItsWidgetsInEveryView) {
    const std::tuple<const char*, const char*, int> users[] = {{"DEMO", "demo", 1}, {"LAS", "las", 2}};
    for (const auto& [visa, password, picture] : users) {
        SCOPED_TRACE(visa);
        ExpectWidgetsFollowTheRules(c());
        LogIn(visa, password);
        ShowPicture(picture);
        ExpectWidgetsFollowTheRules(c());
        Inject(MSG_GLOBAL_LOG, "Loggbok");
        ASSERT_EQ(c().m_ViewState, VS_LOG_GLOBAL);
        ExpectWidgetsFollowTheRules(c());
        ShowPicture(picture);
        c().Toolbar_ButtonMenuClick("TB_SETTINGS", "TB_HOME");
        ASSERT_EQ(c().m_ViewState, VS_SETTINGS);
        ExpectWidgetsFollowTheRules(c());
        c().Toolbar_ButtonMenuClick("TB_LOGOUT", "TB_HOME");
        ASSERT_EQ(c().m_ViewState, VS_LOGIN);
    }
}

// Picture requests as the simulator receives them, with only pictures 3, 7, 12 and 999 in the table.
class NavigationTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        if (HasFatalFailure())
            return;
        LogIn();
        PictureRequests();
        OnlyPicturesExist({3, 7, 12, 999});
    }

    void OnlyPicturesExist(const std::vector<int>& numbers) {
        std::string table(kPictureTableSize, '\0');
        for (int n : numbers)
            table[static_cast<size_t>(n)] = 1;
        c().DispatchFrame(MSG_PICTURE_TABLE, table + Long2String(7) + ",BV,DR,");
    }

    Requests After(const std::function<void()>& action) {
        action();
        return PictureRequests();
    }

    Requests Step(int direction, int32_t from) {
        c().m_PictureNumber = from;
        return After([&] { c().Toolbar_ButtonClick(direction > 0 ? "TB_GET_NEXT" : "TB_GET_PREVIOUS"); });
    }
};

TEST_F(NavigationTest, NextPreviousAndTypedNumbersAskOnlyForExistingPictures) {
    // Numbers outside the table step safely, previous only ever wrapping below 1 and next above 999.
    const struct {
        int direction;
        int32_t from;
        const char* expected;
    } steps[] = {{+1, 7, "12"}, {+1, 999, "3"},       {-1, 3, "999"},         {-1, 12, "7"},
                 {+1, 0, "3"},  {+1, INT32_MAX, "3"}, {-1, INT32_MIN, "999"}, {-1, 1001, "999"}};
    for (const auto& test : steps)
        EXPECT_EQ(Step(test.direction, test.from), Requests{test.expected})
            << test.direction << " from " << test.from;

    const std::vector<std::pair<const char*, Requests>> typed = {
        {"", {"0"}},     {"abc", {"0"}}, {"1000", {}}, {"-5", {}},      {"999", {"999"}}, {"8", {}},
        {" 12", {"12"}}, {"3.4", {"3"}}, {"1e9", {}},  {"7abc", {"7"}}, {"65543", {}},
    };
    QWidget* box = c().toolbar().Text_PCT->widget();
    for (const auto& [text, expected] : typed) {
        SCOPED_TRACE(text);
        c().toolbar().Text_PCT->SetText(text);
        EXPECT_EQ(After([&] { QTest::keyClick(box, Qt::Key_Return); }), expected);
        EXPECT_EQ(c().toolbar().Text_PCT->Text(), text) << "Enter is swallowed";
    }

    // The only picture is found after a full turn; picture 0 is never stepped to.
    for (int direction : {+1, -1}) {
        OnlyPicturesExist({5});
        EXPECT_EQ(Step(direction, 5), Requests{"5"});
        OnlyPicturesExist({0});
        EXPECT_EQ(Step(direction, 5), Requests{});
    }
}

TEST_F(NavigationTest, HomeActsOnlyInThePictureViewAndLeavingTheSystemDialogClosesIt) {
    EXPECT_EQ(After([&] { c().Toolbar_ButtonClick("TB_HOME"); }), Requests{}) << "picture 1 does not exist";
    OnlyPicturesExist({1, 7});
    QToolButton* home = nullptr;
    for (QToolButton* button : c().toolbar().Toolbar->widget()->findChildren<QToolButton*>())
        if (button->toolTip() == QStringLiteral("Hämta bild 1"))
            home = button;
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(After([&] { QTest::mouseClick(home, Qt::LeftButton); }), Requests{"1"});
    c().Toolbar_ButtonMenuClick("TB_SETTINGS", "TB_HOME");
    EXPECT_EQ(After([&] { c().Toolbar_ButtonClick("TB_HOME"); }), Requests{});

    // The system dialog's view is set as a host would set it; a menu entry or a typed picture closes it.
    QTcpServer terminal;
    for (const std::function<void()>& leave :
         {std::function<void()>([&] { c().Toolbar_ButtonMenuClick("TB_PRINT", "TB_HOME"); }),
          std::function<void()>([&] {
              c().toolbar().Text_PCT->SetText("7");
              EXPECT_EQ(After([&] { c().Toolbar_ButtonClick("TB_GET_PCT"); }), Requests{"7"});
          })}) {
        ASSERT_TRUE(ConnectSysDial(terminal));
        c().m_ViewState = VS_SYSDIAL;
        c().UpdateToolBarView();
        leave();
        EXPECT_EQ(c().systemDialog().Winsock_SysDial->State(), Winsock::sckClosed);
    }
}

} // namespace
} // namespace pelorin::test
