#include "platform/PictureBox.h"
#include "platform/Colour.h"
#include "platform/InputCodes.h"

#include <QKeyEvent>
#include <QTest>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace pelorin;

namespace {

TEST(InputCodes, KeyAsciiFollowsKeyAndModifiersAndStatesAddUp) {
    const std::tuple<int, Qt::KeyboardModifiers, QString, int> cases[] = {
        {Qt::Key_P, Qt::NoModifier, QStringLiteral("p"), 'p'},
        {Qt::Key_P, Qt::ShiftModifier, QStringLiteral("p"), 'P'},
        {Qt::Key_P, Qt::NoModifier, QStringLiteral("P"), 'P'}, // caps lock
        {Qt::Key_E, Qt::ShiftModifier, {}, 'E'},
        {Qt::Key_D, Qt::ControlModifier, QStringLiteral("d"), 4},
        {Qt::Key_BracketLeft, Qt::ControlModifier, {}, 27},
        {Qt::Key_1, Qt::ControlModifier, QStringLiteral("1"), 0},
        {Qt::Key_Enter, Qt::KeypadModifier, QStringLiteral("\r"), 13},
        {Qt::Key_Adiaeresis, Qt::NoModifier, QString(QChar(0xE4)), 0xE4},
        {Qt::Key_Left, Qt::NoModifier, {}, 0},
        {Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"), 0},
        {Qt::Key_unknown, Qt::NoModifier, QString(QChar(0x20AC)), 0}};
    for (const auto& [key, modifiers, text, keyAscii] : cases)
        EXPECT_EQ(KeyAscii(QKeyEvent(QEvent::KeyPress, key, modifiers, text)), keyAscii)
            << text.toStdString();
    EXPECT_EQ(std::tuple(ShiftState(Qt::ShiftModifier | Qt::ControlModifier), ShiftState(Qt::AltModifier)),
              std::tuple(3, 4));
    EXPECT_EQ(std::tuple(ButtonState(Qt::LeftButton | Qt::MiddleButton), ButtonState(Qt::RightButton)),
              std::tuple(5, 2));
}

TEST(PictureBox, MouseAndKeyEventsArriveWithButtonShiftPositionAndKeyAscii) {
    PictureBox box;
    box.SetPixelSize(QSize(120, 80));
    std::vector<std::string> events;
    auto recorder = [&](const char* what) {
        return [&events, what](int button, int shift, float x, float y) {
            events.push_back(std::string(what) + " " + std::to_string(button) + " " + std::to_string(shift) +
                             " " + std::to_string(static_cast<int>(x)) + "," +
                             std::to_string(static_cast<int>(y)));
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
}

// Showing the surface's own drawing is no exposure; the image follows the widget's size.
TEST(PictureBox, ShowsItsImageRaisesPaintOnlyForExposureAndFollowsTheWidgetSize) {
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
    EXPECT_EQ(paints, 0);
    EXPECT_EQ(std::tuple(RgbToColour(shown.pixel(15, 15)), RgbToColour(shown.pixel(30, 30))),
              std::tuple(0x0000FF, 0xFFFFFF));
    box.grab();
    EXPECT_EQ(paints, 1);
    EXPECT_EQ(RgbToColour(box.grab().toImage().pixel(1, 1)), 0x00FF00);

    box.show();
    box.resize(100, 30);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&box));
    EXPECT_EQ(box.Surface().Image().size(), QSize(100, 30));
}

TEST(PictureBox, MousePointerShowsTheSizingArrowOrTheDefault) {
    QWidget parent;
    PictureBox box(&parent);
    for (const auto& [pointer, shape] : {std::pair(PictureBox::mpSizeNS, Qt::SizeVerCursor),
                                         {PictureBox::mpDefault, Qt::ArrowCursor},
                                         {3, Qt::ArrowCursor}}) {
        box.SetMousePointer(pointer);
        EXPECT_EQ(box.MousePointer(), pointer);
        EXPECT_EQ(box.cursor().shape(), shape) << pointer;
        EXPECT_EQ(box.testAttribute(Qt::WA_SetCursor), pointer == PictureBox::mpSizeNS) << pointer;
    }
}

} // namespace
