#include "control/ControlFixture.h"
#include "control/SessionSupport.h"

#include "platform/PictureBox.h"

#include <QAction>
#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

namespace pelorin::test {
namespace {

using Requests = std::vector<std::string>;

void View(PelorinControl& c, int16_t view, int32_t access = 31) {
    c.m_ViewState = view;
    c.m_AccessLevel = access;
    c.UpdateToolBarView();
}

class ToolbarTest : public ::testing::Test {
protected:
    void SetUp() override { f.Start(); }

    PelorinControl& c() { return f.control(); }
    bool ButtonEnabled(const char* key) { return c().toolbar().Toolbar->Button(key)->Enabled(); }
    bool EntryEnabled(const char* button, const char* key) {
        return c().toolbar().Toolbar->Button(button)->MenuEntry(key)->Enabled();
    }

    ControlFixture f;
};

TEST_F(ToolbarTest, EachViewShowsItsControls) {
    const struct {
        int16_t view;
        bool toolbar, picture, textAny, sysdial, updated, spv, spvCurve, settings, login;
    } cases[] = {
        {VS_LOGIN, false, false, false, false, false, false, false, false, true},
        {VS_PICTURE, true, true, false, false, true, false, false, false, false},
        {VS_FUNCTION_TEXT, true, false, true, false, false, false, false, false, false},
        {VS_LOG_GLOBAL, true, false, true, false, false, false, false, false, false},
        {VS_LOG_PCT, true, false, true, false, false, false, false, false, false},
        {VS_SPV_CURVE, true, true, false, false, false, false, true, false, false},
        {VS_SPV, true, true, false, false, false, true, false, false, false},
        {VS_SYSDIAL, true, false, false, true, false, false, false, false, false},
        {VS_SETTINGS, true, true, false, false, false, false, false, true, false},
    };
    for (const auto& v : cases) {
        SCOPED_TRACE(v.view);
        View(c(), v.view);
        EXPECT_EQ(c().toolbar().Toolbar->Visible(), v.toolbar);
        EXPECT_EQ(c().view().Picture_PCT->isVisible(), v.picture);
        EXPECT_EQ(c().texts().Text_Any->Visible(), v.textAny);
        EXPECT_EQ(c().systemDialog().Text_Sysdial->Visible(), v.sysdial);
        EXPECT_EQ(c().toolbar().Text_Updated->Visible(), v.updated);
        EXPECT_EQ(c().setpoints().Frame_SPV->Visible(), v.spv);
        EXPECT_EQ(c().curveEditor().Frame_SPV_Curve->Visible(), v.spvCurve);
        EXPECT_EQ(c().settingsPanel().Frame_Settings->Visible(), v.settings);
        EXPECT_EQ(c().session().Frame_Login->Visible(), v.login);
        for (ControlBase* box :
             std::initializer_list<ControlBase*>{c().toolbar().Text_PCT, c().toolbar().Text_Address,
                                                 c().toolbar().Text_NewValue, c().toolbar().Frame_UserName})
            EXPECT_EQ(box->Visible(), v.view != VS_LOGIN);
    }
}

TEST_F(ToolbarTest, EnabledRulesFollowTheViewAndTheAccessLevel) {
    c().m_FunctionTextAvailable = -1;
    c().toolbar().Toolbar->Button("TB_SPV")->AddMenuEntry({}, "PG01.BV\t(vanlig)", "2");
    cElement selected;
    selected.m_Address = "PG01.BV.GP1";
    c().m_SelectedElement = &selected;
    c().m_WriteParameters = ",BV,";
    // Access bit 2 writes, bit 4 opens the system dialog.
    for (int32_t access : {1, 2, 4, 31})
        for (int16_t v = VS_PICTURE; v <= VS_SETTINGS; ++v) {
            SCOPED_TRACE(::testing::Message() << "view " << v << ", access " << access);
            View(c(), v, access);
            const bool picture = v == VS_PICTURE;
            const bool write = picture && (access & 2) != 0;
            EXPECT_TRUE(ButtonEnabled("TB_HOME"));
            EXPECT_TRUE(ButtonEnabled("TB_GET_PCT"));
            EXPECT_EQ(ButtonEnabled("TB_GET_PREVIOUS"), picture);
            EXPECT_EQ(ButtonEnabled("TB_GET_NEXT"), picture);
            EXPECT_EQ(ButtonEnabled("TB_SPV"), write);
            EXPECT_EQ(ButtonEnabled("TB_SEND_SPV"), write);
            EXPECT_EQ(c().toolbar().Text_NewValue->Enabled(), write);
            EXPECT_EQ(EntryEnabled("TB_HOME", "TB_SYSDIAL"), picture && (access & 4) != 0);
            EXPECT_EQ(EntryEnabled("TB_HOME", "TB_LOGOUT"), picture || v == VS_SYSDIAL);
            EXPECT_EQ(EntryEnabled("TB_HOME", "TB_SETTINGS"), picture);
            EXPECT_TRUE(EntryEnabled("TB_HOME", "TB_PRINT"));
            EXPECT_EQ(EntryEnabled("TB_SHOW_TEXTS", "TB_SHOW_FB"), v != VS_FUNCTION_TEXT);
            EXPECT_EQ(EntryEnabled("TB_SHOW_TEXTS", "TB_SHOW_LOG_GLOBAL"), v != VS_LOG_GLOBAL);
            EXPECT_EQ(EntryEnabled("TB_SHOW_TEXTS", "TB_SHOW_LOG_PCT"), v != VS_LOG_PCT);
            EXPECT_EQ(c().toolbar().Text_PCT->Enabled(),
                      picture || v == VS_SPV_CURVE || v == VS_SPV || v == VS_SETTINGS);
            EXPECT_EQ(c().toolbar().Text_Address->Enabled(), picture);
        }
    c().m_SelectedElement = nullptr;
    c().m_FunctionTextAvailable = 0;
    c().RemoveAllElements();
    View(c(), VS_PICTURE);
    EXPECT_FALSE(ButtonEnabled("TB_SEND_SPV")) << "nothing selected";
    EXPECT_FALSE(ButtonEnabled("TB_SPV")) << "a new picture empties the setpoint menu";
    EXPECT_FALSE(EntryEnabled("TB_SHOW_TEXTS", "TB_SHOW_FB")) << "the picture has no function text";
}

TEST_F(ToolbarTest, SendNeedsAListedParameterAfterTheFirstPoint) {
    c().m_WriteParameters = ",PAR2,BV,";
    cElement selected;
    c().m_SelectedElement = &selected;
    const std::pair<const char*, bool> cases[] = {
        {"PG01.PAR2.X", true}, {"PG01.PAR2", true},   {"PG01.BV.X", true},    {"PG01.PAR", false},
        {"PAR2", false},       {"PG01..PAR2", false}, {"PG01.ARR2.X", false},
    };
    for (const auto& [address, enabled] : cases) {
        selected.m_Address = address;
        View(c(), VS_PICTURE, 2);
        EXPECT_EQ(ButtonEnabled("TB_SEND_SPV"), enabled) << address;
    }
    c().m_SelectedElement = nullptr;
}

TEST_F(ToolbarTest, SettingsPanelOpensWithTheCurrentChoicesSelected) {
    View(c(), VS_PICTURE);
    c().settingsPanel().Combo_FontName->AddItem("Pelorin Mono");
    c().settingsPanel().Combo_FontName->AddItem("PELORIN MONO");
    c().m_FontName = "pelorin mono";
    c().m_FontSize = 12;
    c().m_Width = 1280;
    c().m_Height = 1024;
    int clicks = 0;
    c().settingsPanel().Combo_Resolution->OnClick = [&] { ++clicks; };
    c().Toolbar_ButtonMenuClick("TB_SETTINGS", "TB_HOME");
    EXPECT_EQ(c().settingsPanel().Combo_FontName->ListIndex(),
              c().settingsPanel().Combo_FontName->ListCount() - 1)
        << "the last match stays";
    EXPECT_EQ(c().settingsPanel().Combo_FontSize->Text(), "12");
    EXPECT_EQ(c().settingsPanel().Combo_Resolution->Text(), "1280 x 1024");
    EXPECT_EQ(clicks, 1) << "selecting raises the panel's own event";
    EXPECT_EQ(c().m_TempWidth, 1280);
    EXPECT_TRUE(c().settingsPanel().Frame_Settings->Visible());

    View(c(), VS_PICTURE);
    c().m_FontSize = 8.5f;
    c().Toolbar_ButtonMenuClick("TB_SETTINGS", "TB_HOME");
    EXPECT_EQ(c().settingsPanel().Combo_FontSize->Text(), "12")
        << "a size not in the list keeps the previous selection";
}

// Picture requests as the simulator receives them.
class NavigationTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        if (HasFatalFailure())
            return;
        LogIn();
        PictureRequests();
        OnlyPicturesExist({3, 7, 12});
    }

    // A picture table from the server that lists only `numbers`.
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

    QToolButton* QtButton(const char* toolTip) {
        for (QToolButton* button : c().toolbar().Toolbar->widget()->findChildren<QToolButton*>())
            if (button->toolTip() == QString::fromUtf8(toolTip))
                return button;
        return nullptr;
    }
};

TEST_F(NavigationTest, NextAndPreviousStepOverMissingPicturesAndWrapAround) {
    // From no picture next finds the lowest and previous the highest; numbers outside the table step safely,
    // previous only ever wrapping below 1 and next above 999.
    const struct {
        int direction;
        int32_t from;
        const char* expected;
    } cases[] = {{+1, 7, "12"},  {+1, 12, "3"},        {-1, 3, "12"},         {-1, 7, "3"},
                 {-1, 12, "7"},  {+1, 0, "3"},         {-1, 0, "12"},         {+1, 5000, "3"},
                 {+1, -40, "3"}, {+1, INT32_MAX, "3"}, {-1, INT32_MIN, "12"}, {-1, 1001, "12"}};
    for (const auto& test : cases)
        EXPECT_EQ(Step(test.direction, test.from), Requests{test.expected})
            << test.direction << " from " << test.from;
    // The only picture is found after a full turn; picture 0 is never stepped to.
    for (int direction : {+1, -1}) {
        OnlyPicturesExist({5});
        EXPECT_EQ(Step(direction, 5), Requests{"5"});
        OnlyPicturesExist({0});
        EXPECT_EQ(Step(direction, 5), Requests{});
    }
}

TEST_F(NavigationTest, TypedNumbersAskOnlyForExistingPictures) {
    const std::vector<std::pair<const char*, Requests>> cases = {
        {"0", {"0"}},   {"", {"0"}}, {"abc", {"0"}},  {"1000", {}},   {"-5", {}},
        {"7", {"7"}},   {"8", {}},   {" 12", {"12"}}, {"3.4", {"3"}}, {"99999", {}},
        {"-40000", {}}, {"1e9", {}}, {"7abc", {"7"}}, {"65543", {}},
    };
    QWidget* box = c().toolbar().Text_PCT->widget();
    for (const auto& [typed, expected] : cases) {
        SCOPED_TRACE(typed);
        c().toolbar().Text_PCT->SetText(typed);
        EXPECT_EQ(After([&] { QTest::keyClick(box, Qt::Key_Return); }), expected);
        EXPECT_EQ(c().toolbar().Text_PCT->Text(), typed) << "Enter is swallowed";
    }
    c().toolbar().Text_PCT->SetText({});
    EXPECT_EQ(After([&] { QTest::keyClicks(box, QStringLiteral("12")); }), Requests{});
    EXPECT_EQ(c().toolbar().Text_PCT->Text(), "12") << "other keys are typed";
}

TEST_F(NavigationTest, HomeAsksForPictureOneOnlyInThePictureView) {
    EXPECT_EQ(After([&] { c().Toolbar_ButtonClick("TB_HOME"); }), Requests{}) << "picture 1 does not exist";
    OnlyPicturesExist({1});
    EXPECT_EQ(After([&] { c().Toolbar_ButtonClick("TB_HOME"); }), Requests{"1"});
    View(c(), VS_SETTINGS);
    EXPECT_EQ(After([&] { c().Toolbar_ButtonClick("TB_HOME"); }), Requests{});
}

TEST_F(NavigationTest, ToolbarButtonsAndMenuEntriesReachTheirHandlers) {
    c().m_PictureNumber = 3;
    QToolButton* next = QtButton("Nästa bildnummer");
    ASSERT_NE(next, nullptr);
    EXPECT_EQ(After([&] { QTest::mouseClick(next, Qt::LeftButton); }), Requests{"7"});

    QToolButton* home = QtButton("Hämta bild 1");
    ASSERT_NE(home, nullptr);
    QAction* settings = nullptr;
    for (QAction* action : home->menu()->actions())
        if (action->text() == QString::fromUtf8("Inställningar"))
            settings = action;
    ASSERT_NE(settings, nullptr);
    settings->trigger();
    EXPECT_EQ(c().m_ViewState, VS_SETTINGS);
}

TEST_F(NavigationTest, AnyMenuEntryOrTypedPictureInTheSystemDialogClosesItsConnectionFirst) {
    QTcpServer terminal;
    ASSERT_TRUE(ConnectSysDial(terminal));
    View(c(), VS_SYSDIAL);
    c().Toolbar_ButtonMenuClick("TB_PRINT", "TB_HOME");
    EXPECT_EQ(c().systemDialog().Winsock_SysDial->State(), Winsock::sckClosed);

    ASSERT_TRUE(ConnectSysDial(terminal));
    View(c(), VS_SYSDIAL);
    c().toolbar().Text_PCT->SetText("7");
    EXPECT_EQ(After([&] { c().Toolbar_ButtonClick("TB_GET_PCT"); }), Requests{"7"});
    EXPECT_EQ(c().systemDialog().Winsock_SysDial->State(), Winsock::sckClosed);
}

} // namespace
} // namespace pelorin::test
