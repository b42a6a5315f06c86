#include "platform/Widgets.h"
#include "platform/Screen.h"

#include <QAction>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWidget>
#include <gtest/gtest.h>

namespace pelorin {
using namespace std::string_literals;
namespace {

// 15 twips a pixel; a design size set in twips reads back exactly, a widget moved by someone else by
// its own position.
TEST(Widgets, GeometryIsInTwipsAndKeepsDesignSizesExact) {
    QWidget parent;
    TextBox box(&parent, TextBox::Kind::SingleLine);
    box.SetWidth(492);
    box.SetLeft(1000.5);
    EXPECT_EQ(box.widget()->width(), 33);
    EXPECT_EQ(std::tuple(box.Width(), box.Left()), std::tuple(492., 1000.5));
    box.widget()->move(10, 20);
    EXPECT_EQ(std::tuple(box.Left(), box.Top()), std::tuple(150., 300.));

    Label label(&parent, "A");
    const double narrow = label.Width();
    label.SetCaption("En mycket l\xE5ng anv\xE4ndare");
    EXPECT_GT(label.Width(), narrow) << "a label's size follows its caption";
}

TEST(Widgets, KeysAndProgrammaticChoicesRaiseTheirEventsLikeTheOperatorsDo) {
    QWidget parent;
    TextBox box(&parent, TextBox::Kind::SingleLine);
    std::vector<int16_t> seen;
    box.OnKeyPress = [&](int16_t& key) {
        seen.push_back(key);
        key = key == 'x' ? 0 : key == ',' ? '.' : key;
    };
    int16_t shift = -1;
    box.OnKeyDown = [&](int16_t&, int16_t s) { shift = s; };
    QTest::keyClicks(box.widget(), QStringLiteral("1x,5"));
    EXPECT_EQ(box.Text(), "1.5") << "a key can be swallowed or replaced";
    QTest::keyClick(box.widget(), Qt::Key_Return);
    QTest::keyClick(box.widget(), Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(shift, 3);
    EXPECT_EQ(seen, (std::vector<int16_t>{'1', 'x', ',', '5', 13, 4}));

    ComboBox combo(&parent);
    for (const char* item : {"6", "7", "8"})
        combo.AddItem(item);
    CheckBox check(&parent, "Fetstil");
    CommandButton button(&parent, "Ok");
    std::string events;
    combo.OnClick = [&] { events += "combo "; };
    check.OnClick = [&] { events += "check "; };
    button.OnEnter = [&] { events += "enter "; };
    button.OnClick = [&] { events += "button "; };
    for (int32_t index : {2, 2, 7}) // no entry 7
        combo.SetListIndex(index);
    check.SetValue(1);
    check.SetValue(1);
    QTest::keyClick(button.widget(), Qt::Key_Return);
    QTest::keyClick(button.widget(), Qt::Key_Space);
    EXPECT_EQ(std::tuple(events, combo.Text(), check.Value()),
              std::tuple("combo combo check enter button "s, "8", 1));
}

TEST(Widgets, ToolbarButtonsSitLeftToRightWithTheirGapsAndReportTheirMenus) {
    QWidget parent;
    ToolBar bar(&parent);
    ToolButton* a = bar.AddButton("A", "a", false);
    bar.AddGap(600);
    ToolButton* b = bar.AddButton("B", "b", true);
    EXPECT_NEAR(b->Left() - (a->Left() + a->Width()), 600, Screen::TwipsPerPixelX());
    EXPECT_EQ(bar.Button("C"), nullptr);

    std::vector<std::string> clicked;
    bar.OnButtonClick = [&](const std::string& key) { clicked.push_back(key); };
    bar.OnButtonMenuClick = [&](const std::string& key, const std::string& parent, const std::string& tag) {
        clicked.push_back(key + "/" + parent + "/" + tag);
        b->ClearMenu(); // a handler may clear the menu it was chosen from
    };
    b->AddMenuEntry("K", "Entry");
    b->AddMenuEntry({}, "-");
    b->AddMenuEntry({}, "PG01.BV\t(vanlig)", "4");
    EXPECT_EQ(b->MenuCount(), 3);
    const QList<QToolButton*> buttons = bar.widget()->findChildren<QToolButton*>();
    buttons.at(1)->menu()->actions().at(2)->trigger();
    EXPECT_EQ(b->MenuCount(), 0);
    QTest::mouseClick(buttons.at(0), Qt::LeftButton);
    EXPECT_EQ(clicked, (std::vector<std::string>{"/B/4", "A"}));
}

TEST(Widgets, PropertiesMatchWithoutCaseSettingsReadBackAsTheSameTextAndMacrosGoFromTheEnd) {
    PropertyBag bag;
    bag.Set("ServerAddress", "host:4000");
    EXPECT_EQ(bag.ReadProperty("serveraddress", ""), "host:4000");
    EXPECT_EQ(bag.ReadProperty("PCTWidth", "800"), "800");

    QTemporaryDir dir;
    SettingsStore store(dir.path().toStdString());
    for (const char* value : {"8,5", "C:\\Logg\\fil.txt", "\xC5sa", " lead", "-1"}) {
        store.SaveSetting("Pelorin_Client", "Picture", "Key", value);
        EXPECT_EQ(SettingsStore(dir.path().toStdString()).GetSetting("Pelorin_Client", "Picture", "Key"),
                  value);
    }
    store.DeleteSetting("Pelorin_Client", "Picture", "Key");
    EXPECT_EQ(store.GetSetting("Pelorin_Client", "Picture", "Key", "gone"), "gone");

    QWidget parent;
    PopupMenu menu(&parent);
    EXPECT_EQ(std::tuple(menu.MakroCount(), menu.MakroCaption(0)), std::tuple(1, "..."));
    menu.LoadMakro(2);
    EXPECT_EQ(menu.MakroCount(), 3);
    menu.UnloadMakro(1);
    EXPECT_EQ(menu.MakroCount(), 3) << "only the last one goes";
    for (const int index : {2, 1, 0})
        menu.UnloadMakro(index);
    EXPECT_EQ(menu.MakroCount(), 1);
}

} // namespace
} // namespace pelorin
