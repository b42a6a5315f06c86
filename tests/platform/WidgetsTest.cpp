#include "platform/Widgets.h"
#include "platform/Colour.h"
#include "platform/InputCodes.h"
#include "platform/PictureBox.h"
#include "platform/Screen.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

// Geometry is in twips, 15 a pixel: a design size reads back exactly, a widget moved by someone else by
// its own position. Keys and programmatic choices raise the events the operator's would.
TEST(Widgets, GeometryIsInTwipsAndKeysAndChoicesRaiseTheirEvents) {
    QWidget parent;
    TextBox box(&parent, TextBox::Kind::SingleLine);
    box.SetWidth(492);
    box.SetLeft(1000.5);
    EXPECT_EQ(std::tuple(box.widget()->width(), box.Width(), box.Left()), std::tuple(33, 492., 1000.5));
    box.widget()->move(10, 20);
    EXPECT_EQ(std::tuple(box.Left(), box.Top()), std::tuple(150., 300.));

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
              std::tuple(std::string("combo combo check enter button "), "8", 1));
}

TEST(Widgets, ToolbarButtonsSitLeftToRightWithTheirGapsAndReportTheirMenus) {
    QWidget parent;
    ToolBar bar(&parent);
    ToolButton* a = bar.AddButton("A", "a", false);
    bar.AddGap(600);
    ToolButton* b = bar.AddButton("B", "b", true);
    EXPECT_NEAR(b->Left() - (a->Left() + a->Width()), 600, Screen::TwipsPerPixelX());

    std::vector<std::string> clicked;
    bar.OnButtonClick = [&](const std::string& key) { clicked.push_back(key); };
    bar.OnButtonMenuClick = [&](const std::string& key, const std::string& parent, const std::string& tag) {
        clicked.push_back(key + "/" + parent + "/" + tag);
        b->ClearMenu(); // a handler may clear the menu it was chosen from
    };
    b->AddMenuEntry("K", "Entry");
    b->AddMenuEntry({}, "-");
    b->AddMenuEntry({}, "PG01.BV\t(vanlig)", "4");
    const QList<QToolButton*> buttons = bar.widget()->findChildren<QToolButton*>();
    buttons.at(1)->menu()->actions().at(2)->trigger();
    EXPECT_EQ(b->MenuCount(), 0);
    QTest::mouseClick(buttons.at(0), Qt::LeftButton);
    EXPECT_EQ(clicked, (std::vector<std::string>{"/B/4", "A"}));
}

TEST(Widgets, PropertiesMatchWithoutCaseAndSettingsReadBackAsTheSameText) {
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
}

TEST(Screen, FontNamesAreFamiliesWithoutFoundryEachOnce) {
    const QStringList families = {QStringLiteral("C059 [UKWN]"), QStringLiteral("C059 [urw]"),
                                  QStringLiteral("DejaVu Sans Mono"), QStringLiteral("Noto [x] Sans"),
                                  QStringLiteral("\u6587\u6cc9\u9a7f")};
    EXPECT_EQ(Screen::FamilyNames(families),
              (std::vector<std::string>{"C059", "DejaVu Sans Mono", "Noto [x] Sans"}));
}

TEST(Dialogs, AskIsAYesNoQuestionAndClosingTheBoxAnswersNo) {
    using Answer = Dialogs::Answer;
    const std::pair<std::function<void(QMessageBox&)>, Answer> cases[] = {
        {[](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); }, Answer::Yes},
        {[](QMessageBox& box) { box.button(QMessageBox::No)->click(); }, Answer::No},
        {[](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }, Answer::No},
        {[](QMessageBox& box) { box.close(); }, Answer::No}};
    QWidget parent;
    QtDialogs dialogs(&parent);
    for (const auto& [action, expected] : cases) {
        const auto& operatorDoes = action; // clang 14 lambdas cannot capture a structured binding
        bool seen = false;
        QTimer::singleShot(0, &parent, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen = true;
            EXPECT_EQ(std::pair(box->text(), box->windowTitle()),
                      std::pair(QStringLiteral("Vill du spara \u00e4ndringar gjorda i loggen?"),
                                QStringLiteral("Loggbok")));
            operatorDoes(*box);
        });
        EXPECT_EQ(dialogs.Ask("Vill du spara \xE4ndringar gjorda i loggen?", "Loggbok"), expected);
        EXPECT_TRUE(seen);
    }
}

TEST(Dialogs, QuestionButtonsReadJaAndNej) {
    QWidget parent;
    QtDialogs dialogs(&parent);
    std::pair<QString, QString> captions;
    QTimer::singleShot(0, &parent, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        captions = {box->button(QMessageBox::Yes)->text().remove(QLatin1Char('&')),
                    box->button(QMessageBox::No)->text().remove(QLatin1Char('&'))};
        box->button(QMessageBox::No)->click();
    });
    dialogs.Ask("Vill du spara \xE4ndringar gjorda i loggen?", "Loggbok");
    EXPECT_EQ(captions, std::pair(QStringLiteral("Ja"), QStringLiteral("Nej")));
}

// Shift 1, Ctrl 2 and Alt 4 add up, as do the left 1, right 2 and middle 4 buttons.
TEST(InputCodes, KeyAsciiFollowsKeyAndModifiers) {
    const std::tuple<int, Qt::KeyboardModifiers, QString, int> cases[] = {
        {Qt::Key_P, Qt::ShiftModifier, QStringLiteral("p"), 'P'},
        {Qt::Key_P, Qt::NoModifier, QStringLiteral("P"), 'P'}, // caps lock
        {Qt::Key_E, Qt::ShiftModifier, {}, 'E'},
        {Qt::Key_BracketLeft, Qt::ControlModifier, {}, 27},
        {Qt::Key_1, Qt::ControlModifier, QStringLiteral("1"), 0},
        {Qt::Key_Enter, Qt::KeypadModifier, QStringLiteral("\r"), 13},
        {Qt::Key_Adiaeresis, Qt::NoModifier, QString(QChar(0xE4)), 0xE4},
        {Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"), 0},
        {Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x20AC)), 0}};
    for (const auto& [key, modifiers, text, keyAscii] : cases)
        EXPECT_EQ(KeyAscii(QKeyEvent(QEvent::KeyPress, key, modifiers, text)), keyAscii)
            << text.toStdString();
    EXPECT_EQ(std::pair(ShiftState(Qt::AltModifier), ButtonState(Qt::MiddleButton)), std::pair(4, 4));
}

// Mouse and key events arrive with button, shift, position and KeyAscii. Showing the surface's own drawing
// is no exposure; the image follows the widget's size.
TEST(PictureBox, RaisesMouseKeyAndExposurePaintEventsAndFollowsTheWidgetSize) {
    PictureBox box;
    box.SetPixelSize(QSize(120, 80));
    std::vector<std::string> events;
    auto recorder = [&](const char* what) {
        return [&events, what](int button, int shift, float x, float y) {
            const auto at = QPoint(static_cast<int>(x), static_cast<int>(y));
            events.push_back(
                QString::asprintf("%s %d %d %d,%d", what, button, shift, at.x(), at.y()).toStdString());
        };
    };
    box.OnMouseDown = recorder("down");
    box.OnMouseUp = recorder("up");
    box.OnMouseMove = recorder("move");
    box.OnClick = [&] { events.push_back("click"); };
    box.OnDblClick = [&] { events.push_back("dblclick"); };
    box.OnKeyPress = [&](int16_t& key) {
        events.push_back("key " + std::to_string(key));
        key = 0;
    };

    QTest::mousePress(&box, Qt::RightButton, Qt::ShiftModifier, QPoint(30, 40));
    QTest::mouseRelease(&box, Qt::RightButton, Qt::ShiftModifier, QPoint(31, 41)); // no click
    QTest::mouseClick(&box, Qt::LeftButton, Qt::ControlModifier, QPoint(5, 6));
    // what a window system delivers for a double click: press, release, double-click press, release
    QTest::mouseDClick(&box, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseRelease(&box, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QMouseEvent move(QEvent::MouseMove, QPointF(12.5, 7.25), box.mapToGlobal(QPointF(12.5, 7.25)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&box, &move);
    QTest::keyClick(&box, Qt::Key_Escape);
    QTest::keyClick(&box, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(&box, Qt::Key_Left);
    EXPECT_EQ(events, (std::vector<std::string>{"down 2 1 30,40", "up 2 1 31,41", "down 1 2 5,6",
                                                "up 1 2 5,6", "click", "dblclick", "up 1 0 10,10",
                                                "move 0 0 12,7", "key 27", "key 4"}));

    int paints = 0;
    box.OnPaint = [&] {
        ++paints;
        box.Surface().SetPixel(1, 1, 0x00FF00); // drawing from the handler must not ask for more paints
    };
    box.Surface().SetBackColor(0xFFFFFF);
    box.Surface().Cls();
    box.Surface().Line(10, 10, 20, 20, 0x0000FF, LineKind::FilledBox);
    const QImage shown = box.grab().toImage();
    EXPECT_EQ(paints, 0);
    EXPECT_EQ(std::tuple(RgbToColour(shown.pixel(15, 15)), RgbToColour(shown.pixel(30, 30))),
              std::tuple(0x0000FF, 0xFFFFFF));
    box.grab();
    EXPECT_EQ(paints, 1);
    EXPECT_EQ(RgbToColour(box.grab().toImage().pixel(1, 1)), 0x00FF00);
    EXPECT_EQ(paints, 2) << "the handler's own drawing does not hide the next exposure";

    box.show();
    box.resize(100, 30);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(box.Surface().Image().size(), QSize(100, 30));
}

} // namespace
} // namespace pelorin
