// The toolbar's table and its rules as a pure function, the row the table makes, and where its buttons
// and the picture-number box take the operator.

#include "common/PortFakes.h"
#include "common/SessionSupport.h"
#include "core/Access.h"
#include "toolbar/ToolbarRules.h"
#include "toolbar/ToolbarTable.h"

#include <QMenu>
#include <QTest>
#include <QToolButton>
#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>

namespace pelorin::test {
namespace {

using Flag = bool ToolbarView::*;

// One character per view from VS_LOGIN to VS_SETTINGS ('1' on), at full rights with a function text,
// setpoint entries and a writable selection: the flags of the table's entries by key, the others by
// name.
const struct {
    const char* key;
    const char* byView;
} kEntryFlags[] = {
    {tb::kHome, ".11111111"},         {tb::kLogout, ".1.....1."},       {tb::kSystemDialog, ".1......."},
    {tb::kSettings, ".1......."},     {tb::kPrevious, ".1......."},     {tb::kNext, ".1......."},
    {tb::kFunctionText, ".1.111111"}, {tb::kGlobalLog, ".11.11111"},    {tb::kPictureLog, ".111.1111"},
    {tb::kSetpoints, ".1......."},    {tb::kSendSetpoint, ".1......."},
};
const struct {
    const char* name;
    Flag flag;
    const char* byView;
} kFlags[] = {
    {"updatesEnabledFlags", &ToolbarView::updatesEnabledFlags, ".11111111"},
    {"pictureNumberEnabled", &ToolbarView::pictureNumberEnabled, ".1...11.1"},
    {"addressEnabled", &ToolbarView::addressEnabled, ".1......."},
    {"newValueEnabled", &ToolbarView::newValueEnabled, ".1......."},
    {"toolbarVisible", &ToolbarView::toolbarVisible, ".11111111"},
    {"rowBoxesVisible", &ToolbarView::rowBoxesVisible, ".11111111"},
    {"indicatorVisible", &ToolbarView::indicatorVisible, ".1......."},
    {"userNameVisible", &ToolbarView::userNameVisible, ".11111111"},
    {"picture", &ToolbarView::picture, ".1...11.1"},
    {"textView", &ToolbarView::textView, "..111...."},
    {"terminal", &ToolbarView::terminal, ".......1."},
    {"setpointPanel", &ToolbarView::setpointPanel, "......1.."},
    {"curveEditor", &ToolbarView::curveEditor, ".....1..."},
    {"settingsPanel", &ToolbarView::settingsPanel, "........1"},
    {"loginFrame", &ToolbarView::loginFrame, "1........"},
};

struct ExpectedFlag {
    std::string name;
    Flag flag;
    const char* byView;
};

// The entries' rows take their flag from the table; an entry without one fails here.
std::vector<ExpectedFlag> AllFlags() {
    std::vector<ExpectedFlag> flags;
    for (const auto& [key, byView] : kEntryFlags) {
        const ToolbarEntry* entry = FindToolbarEntry(key);
        if (entry && entry->enabledBy)
            flags.push_back({key, entry->enabledBy, byView});
        else
            ADD_FAILURE() << key << " follows no rule";
    }
    for (const auto& f : kFlags)
        flags.push_back({f.name, f.flag, f.byView});
    return flags;
}

constexpr int32_t kAllRights = 31;

TEST(ToolbarRules, EveryViewSetsEveryFlag) {
    const std::vector<ExpectedFlag> flags = AllFlags();
    for (int16_t view = VS_LOGIN; view <= VS_SETTINGS; ++view) {
        const ToolbarView v = ToolbarRules({view, kAllRights, -1, 1, true});
        for (const auto& f : flags)
            EXPECT_EQ(v.*f.flag, f.byView[view - VS_LOGIN] == '1') << f.name << " in view " << view;
    }
}

TEST(ToolbarRules, RightsAndPictureTakeAwayOnlyTheirFlags) {
    const std::tuple<const char*, ToolbarState, std::vector<std::string>> cases[] = {
        {"no rights",
         {VS_PICTURE, 1, -1, 1, true},
         {tb::kSystemDialog, tb::kSetpoints, tb::kSendSetpoint, "newValueEnabled"}},
        {"write only", {VS_PICTURE, ACCESS_WRITE, -1, 1, true}, {tb::kSystemDialog}},
        {"system dialog only",
         {VS_PICTURE, ACCESS_SYSDIAL, -1, 1, true},
         {tb::kSetpoints, tb::kSendSetpoint, "newValueEnabled"}},
        {"no function text", {VS_PICTURE, kAllRights, 0, 1, true}, {tb::kFunctionText}},
        {"only -1 means a function text", {VS_PICTURE, kAllRights, 1, 1, true}, {tb::kFunctionText}},
        {"no setpoint entries", {VS_PICTURE, kAllRights, -1, 0, true}, {tb::kSetpoints}},
        {"selection not writable",
         {VS_PICTURE, kAllRights, -1, 1, false},
         {tb::kSendSetpoint, "newValueEnabled"}},
    };
    const std::vector<ExpectedFlag> flags = AllFlags();
    const ToolbarView everything = ToolbarRules({VS_PICTURE, kAllRights, -1, 1, true});
    for (const auto& [what, state, off] : cases) {
        const ToolbarView v = ToolbarRules(state);
        for (const auto& f : flags) {
            const bool takenAway = std::find(off.begin(), off.end(), f.name) != off.end();
            EXPECT_EQ(v.*f.flag, !takenAway && everything.*f.flag) << what << ": " << f.name;
        }
    }
}

TEST(ToolbarTable, EveryEntryThatFollowsARuleHasItsFlagsByView) {
    for (const ToolbarEntry& entry : kToolbarEntries) {
        const bool listed = std::any_of(std::begin(kEntryFlags), std::end(kEntryFlags),
                                        [&](const auto& row) { return row.key == std::string(entry.key); });
        EXPECT_EQ(listed, entry.enabledBy != nullptr) << entry.key;
    }
}

// The row as the operator sees it: the buttons' tool tips from left to right, each drop-down's
// entries, an image on every button.
TEST(ToolbarTable, TheRowShowsItsButtonsAndMenusInOrderEachButtonWithAnImage) {
    QWidget parent;
    RecordingActions actions;
    const ToolbarRow row(&parent, actions);
    using Shown = std::vector<std::pair<QString, QStringList>>;
    const QString separator = QStringLiteral("-");
    const Shown expected = {
        {QStringLiteral("Hämta bild 1"),
         {QStringLiteral("Logga ut"), separator, QStringLiteral("Systemdialog"), separator,
          QStringLiteral("Skriv ut"), separator, QStringLiteral("Inställningar")}},
        {QStringLiteral("Föregående bildnummer"), {}},
        {QStringLiteral("Nästa bildnummer"), {}},
        {QStringLiteral("Hämta bild"), {}},
        {QStringLiteral("Funktionsbeskrivning/loggbok"),
         {QStringLiteral("Funktionsbeskrivning"), QStringLiteral("Loggbok för aktuell bild"), separator,
          QStringLiteral("Global loggbok")}},
        {QStringLiteral("Börvärden"), {}},
        {QStringLiteral("Sänd börvärde till KRU"), {}},
    };
    Shown shown;
    for (const QToolButton* button :
         row.Toolbar->widget()->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly)) {
        QStringList entries;
        if (button->menu())
            for (const QAction* action : button->menu()->actions())
                entries << (action->isSeparator() ? separator : action->text());
        shown.emplace_back(button->toolTip(), entries);
        EXPECT_FALSE(button->icon().isNull()) << button->toolTip().toStdString();
    }
    EXPECT_EQ(shown, expected);
}

bool EntryEnabled(ToolbarRow& t, const ToolbarEntry& entry) {
    ToolButton& button = *t.Toolbar->Button(entry.parent ? entry.parent : entry.key);
    return entry.parent ? button.MenuEntry(entry.key)->Enabled() : button.Enabled();
}

// Each widget the rules decide, as the control shows it now, against what the rules make of its state.
void ExpectWidgetsFollowTheRules(PelorinControl& c) {
    const cElement* selected = c.m_SelectedElement;
    const ToolbarView v = ToolbarRules(
        {c.m_ViewState, c.m_AccessLevel, c.m_FunctionTextAvailable, c.setpoints().BlockEntryCount(),
         selected && IsWritableAddress(selected->m_Address, c.m_WriteParameters)});
    ToolbarRow& t = c.toolbar();
    for (const ToolbarEntry& entry : kToolbarEntries) {
        if (!entry.enabledBy || !v.updatesEnabledFlags)
            continue;
        EXPECT_EQ(EntryEnabled(t, entry), v.*entry.enabledBy) << entry.key << " in view " << c.m_ViewState;
    }
    const std::tuple<const char*, bool, Flag> enabled[] = {
        {"pictureNumberEnabled", t.Text_PCT->Enabled(), &ToolbarView::pictureNumberEnabled},
        {"addressEnabled", t.Text_Address->Enabled(), &ToolbarView::addressEnabled},
        {"newValueEnabled", t.Text_NewValue->Enabled(), &ToolbarView::newValueEnabled},
    };
    const std::tuple<const char*, bool, Flag> visible[] = {
        {"toolbarVisible", t.Toolbar->Visible(), &ToolbarView::toolbarVisible},
        {"rowBoxesVisible", t.Text_Address->Visible(), &ToolbarView::rowBoxesVisible},
        {"indicatorVisible", t.Text_Updated->Visible(), &ToolbarView::indicatorVisible},
        {"userNameVisible", t.Frame_UserName->Visible(), &ToolbarView::userNameVisible},
        {"picture", c.view().Picture_PCT->isVisible(), &ToolbarView::picture},
        {"textView", c.texts().Text_Any->Visible(), &ToolbarView::textView},
        {"setpointPanel", c.setpoints().Frame_SPV->Visible(), &ToolbarView::setpointPanel},
        {"settingsPanel", c.settingsPanel().Frame_Settings->Visible(), &ToolbarView::settingsPanel},
        {"loginFrame", c.session().Frame_Login->Visible(), &ToolbarView::loginFrame},
    };
    for (const auto& [name, shown, flag] : enabled)
        EXPECT_TRUE(!v.updatesEnabledFlags || shown == v.*flag) << name << " in view " << c.m_ViewState;
    for (const auto& [name, shown, flag] : visible)
        EXPECT_EQ(shown, v.*flag) << name << " in view " << c.m_ViewState;
}

using ToolbarViews = SessionTest;

TEST_F(ToolbarViews, TheControlShowsWhatTheRulesSayForUsersWithAndWithoutRights) {
    for (const auto& [visa, password, picture] :
         {std::tuple("DEMO", "demo", 1), std::tuple("LAS", "las", 2)}) {
        SCOPED_TRACE(visa);
        ExpectWidgetsFollowTheRules(c());
        LogIn(visa, password);
        ShowPicture(picture, true);
        ExpectWidgetsFollowTheRules(c());
        Inject(MSG_GLOBAL_LOG, "Loggbok");
        ExpectWidgetsFollowTheRules(c());
        ShowPicture(picture, true);
        c().Toolbar_ButtonMenuClick(tb::kSettings, tb::kHome);
        ExpectWidgetsFollowTheRules(c());
        c().Toolbar_ButtonMenuClick(tb::kLogout, tb::kHome);
    }
}

using Requests = std::vector<std::string>;

// Picture requests as the simulator receives them, with only the pictures the test lists in the table.
class Navigation : public SessionTest {
protected:
    void OnlyPicturesExist(const std::vector<int>& numbers) {
        std::string table(kPictureTableSize, '\0');
        for (int n : numbers)
            table[static_cast<size_t>(n)] = 1;
        c().DispatchFrame(MSG_PICTURE_TABLE, table + Long2String(7) + ",BV,DR,");
    }

    Requests After(const std::function<void()>& action) {
        action();
        Requests requests;
        for (const auto& [code, payload] : Sent())
            if (code == CMD_GET_PICTURE)
                requests.push_back(payload);
        return requests;
    }

    Requests Step(int direction, int32_t from) {
        c().m_PictureNumber = from;
        return After([&] { c().Toolbar_ButtonClick(direction > 0 ? tb::kNext : tb::kPrevious); });
    }
};

TEST_F(Navigation, NextPreviousHomeAndTypedNumbersAskOnlyForExistingPictures) {
    LogIn();
    Sent();
    OnlyPicturesExist({3, 7, 12, 999});
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

    // Home asks for picture 1 only when it exists and the picture is shown.
    EXPECT_EQ(After([&] { c().Toolbar_ButtonClick(tb::kHome); }), Requests{});
    OnlyPicturesExist({1, 7});
    QToolButton* home = nullptr;
    for (QToolButton* button : c().toolbar().Toolbar->widget()->findChildren<QToolButton*>())
        if (button->toolTip() == QStringLiteral("Hämta bild 1"))
            home = button;
    ASSERT_NE(home, nullptr);
    EXPECT_EQ(After([&] { QTest::mouseClick(home, Qt::LeftButton); }), Requests{"1"});
    c().Toolbar_ButtonMenuClick(tb::kSettings, tb::kHome);
    EXPECT_EQ(After([&] { c().Toolbar_ButtonClick(tb::kHome); }), Requests{});

    // The system dialog's view is set as a host would set it; a menu entry or a typed picture closes it.
    QTcpServer terminal;
    for (const std::function<void()>& leave :
         {std::function<void()>([&] { c().Toolbar_ButtonMenuClick(tb::kPrint, tb::kHome); }),
          std::function<void()>([&] {
              c().toolbar().Text_PCT->SetText("7");
              EXPECT_EQ(After([&] { c().Toolbar_ButtonClick(tb::kGetPicture); }), Requests{"7"});
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
