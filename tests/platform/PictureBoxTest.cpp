#include "platform/PictureBox.h"
#include "platform/Colour.h"
#include "platform/InputCodes.h"
#include "platform/Screen.h"

#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace pelorin;

namespace {

struct KeyCase {
    const char* name;
    int key;
    Qt::KeyboardModifiers modifiers;
    QString text;
    int keyAscii;
};

class KeyAsciiCodes : public ::testing::TestWithParam<KeyCase> {};

TEST_P(KeyAsciiCodes, FollowKeyAndModifiers) {
    const KeyCase& c = GetParam();
    const QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers, c.text);
    EXPECT_EQ(KeyAscii(event), c.keyAscii);
}

const QString noText;

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyAsciiCodes,
    ::testing::Values(
        KeyCase{"letter", Qt::Key_P, Qt::NoModifier, QStringLiteral("p"), 'p'},
        KeyCase{"shiftWithLowerCaseText", Qt::Key_P, Qt::ShiftModifier, QStringLiteral("p"), 'P'},
        KeyCase{"capsLockText", Qt::Key_P, Qt::NoModifier, QStringLiteral("P"), 'P'},
        KeyCase{"letterWithoutText", Qt::Key_E, Qt::ShiftModifier, noText, 'E'},
        KeyCase{"ctrlLetter", Qt::Key_D, Qt::ControlModifier, QStringLiteral("d"), 4},
        KeyCase{"ctrlShiftLetter", Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier, QStringLiteral("d"),
                4},
        KeyCase{"ctrlBracket", Qt::Key_BracketLeft, Qt::ControlModifier, noText, 27},
        KeyCase{"ctrlDigit", Qt::Key_1, Qt::ControlModifier, QStringLiteral("1"), 0},
        KeyCase{"enter", Qt::Key_Enter, Qt::KeypadModifier, QStringLiteral("\r"), 13},
        KeyCase{"return", Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), 13},
        KeyCase{"escape", Qt::Key_Escape, Qt::NoModifier, QStringLiteral("\x1b"), 27},
        KeyCase{"backspace", Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"), 8},
        KeyCase{"swedishLetter", Qt::Key_Adiaeresis, Qt::NoModifier, QString(QChar(0xE4)), 0xE4},
        KeyCase{"digit", Qt::Key_5, Qt::NoModifier, QStringLiteral("5"), '5'},
        KeyCase{"caret", Qt::Key_AsciiCircum, Qt::NoModifier, QStringLiteral("^"), '^'},
        KeyCase{"arrow", Qt::Key_Left, Qt::NoModifier, noText, 0},
        KeyCase{"delete", Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"), 0},
        KeyCase{"euro", Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x20AC)), 0}),
    [](const auto& info) { return info.param.name; });

TEST(InputCodes, ShiftAndButtonStatesAddUp) {
    EXPECT_EQ(ShiftState(Qt::ShiftModifier | Qt::ControlModifier), 3);
    EXPECT_EQ(ShiftState(Qt::AltModifier), 4);
    EXPECT_EQ(ButtonState(Qt::LeftButton | Qt::MiddleButton), 5);
    EXPECT_EQ(ButtonState(Qt::RightButton), 2);
}

class PictureBoxEvents : public ::testing::Test {
protected:
    void SetUp() override {
        box.SetPixelSize(QSize(120, 80));
        box.OnMouseDown = [this](int b, int s, float x, float y) { record("down", b, s, x, y); };
        box.OnMouseUp = [this](int b, int s, float x, float y) { record("up", b, s, x, y); };
        box.OnMouseMove = [this](int b, int s, float x, float y) { record("move", b, s, x, y); };
        box.OnClick = [this] { events.push_back("click"); };
        box.OnDblClick = [this] { events.push_back("dblclick"); };
        box.OnKeyPress = [this](int16_t& key) {
            keys.push_back(key);
            key = 0;
        };
    }

    void record(const char* what, int button, int shift, float x, float y) {
        events.push_back(std::string(what) + " " + std::to_string(button) + " " + std::to_string(shift) +
                         " " + std::to_string(static_cast<int>(x)) + "," +
                         std::to_string(static_cast<int>(y)));
    }

    PictureBox box;
    std::vector<std::string> events;
    std::vector<int> keys;
};

TEST_F(PictureBoxEvents, MouseEventsCarryButtonShiftAndPixelPosition) {
    QTest::mousePress(&box, Qt::RightButton, Qt::ShiftModifier, QPoint(30, 40));
    QTest::mouseRelease(&box, Qt::RightButton, Qt::ShiftModifier, QPoint(31, 41));
    EXPECT_EQ(events, (std::vector<std::string>{"down 2 1 30,40", "up 2 1 31,41"}))
        << "no click for the right button";

    events.clear();
    QTest::mouseClick(&box, Qt::LeftButton, Qt::ControlModifier, QPoint(5, 6));
    EXPECT_EQ(events, (std::vector<std::string>{"down 1 2 5,6", "up 1 2 5,6", "click"}));
}

TEST_F(PictureBoxEvents, DoubleClickGivesOneClickThenDblClick) {
    // what a window system delivers: press, release, double-click press, release
    QTest::mouseClick(&box, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseDClick(&box, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mouseRelease(&box, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    EXPECT_EQ(events, (std::vector<std::string>{"down 1 0 10,10", "up 1 0 10,10", "click", "dblclick",
                                                "up 1 0 10,10"}));
}

TEST_F(PictureBoxEvents, MouseMoveWithoutButtonsIsReported) {
    QMouseEvent move(QEvent::MouseMove, QPointF(12.5, 7.25), box.mapToGlobal(QPointF(12.5, 7.25)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&box, &move);
    EXPECT_EQ(events, (std::vector<std::string>{"move 0 0 12,7"}));
}

TEST_F(PictureBoxEvents, KeyPressesArriveAsKeyAscii) {
    QTest::keyClick(&box, Qt::Key_Escape);
    QTest::keyClick(&box, Qt::Key_D, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(&box, Qt::Key_A, Qt::ShiftModifier);
    QTest::keyClick(&box, Qt::Key_Left);
    EXPECT_EQ(keys, (std::vector<int>{27, 4, 'A'}));
}

TEST(PictureBox, ShowsItsImageAndRaisesPaintOnlyForExposure) {
    PictureBox box;
    box.SetPixelSize(QSize(50, 40));
    int paints = 0;
    box.OnPaint = [&] {
        ++paints;
        box.Surface().SetPixel(1, 1, 0x00FF00); // drawing from the handler must not ask for more paints
    };
    box.Surface().SetBackColor(0xFFFFFF);
    box.Surface().Cls();
    box.Surface().Line(10, 10, 20, 20, 0x0000FF, LineKind::FilledBox);

    const QImage shown = box.grab().toImage();
    EXPECT_EQ(paints, 0) << "showing the surface's own drawing is no exposure";
    EXPECT_EQ(RgbToColour(shown.pixel(15, 15)), 0x0000FF);
    EXPECT_EQ(RgbToColour(shown.pixel(30, 30)), 0xFFFFFF);

    box.grab();
    EXPECT_EQ(paints, 1);
    EXPECT_EQ(RgbToColour(box.grab().toImage().pixel(1, 1)), 0x00FF00);
}

TEST(PictureBox, ImageFollowsTheWidgetSize) {
    PictureBox box;
    box.SetPixelSize(QSize(64, 48));
    EXPECT_EQ(box.Surface().ScaleWidth(), 64);
    EXPECT_EQ(box.Surface().ScaleHeight(), 48);
    box.show();
    box.resize(100, 30);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(box.Surface().ScaleWidth(), 100);
    EXPECT_EQ(box.Surface().ScaleHeight(), 30);
}

TEST(Screen, TwipsPerPixelAndFonts) {
    EXPECT_DOUBLE_EQ(Screen::TwipsPerPixelX(), 15);
    EXPECT_DOUBLE_EQ(Screen::TwipsPerPixelY(), 15);
    const std::vector<std::string> fonts = Screen::Fonts();
    EXPECT_EQ(Screen::FontCount(), static_cast<int>(fonts.size()));
    EXPECT_NE(std::find(fonts.begin(), fonts.end(), "Liberation Mono"), fonts.end());
}

} // namespace
