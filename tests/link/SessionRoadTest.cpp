// The road of one picture against the simulator: login typed into the login frame, the picture
// drawn, live values until the indicator is complete, a value selected, blinking, written with a
// decimal comma and coming back, and a picture link followed.

#include "control/SessionSupport.h"

#include <QApplication>
#include <QTest>

namespace pelorin::test {
namespace {

QPoint CentreOf(const cElement& e) {
    return {(e.m_ScanBox_X1 + e.m_ScanBox_X2) / 2, (e.m_ScanBox_Y1 + e.m_ScanBox_Y2) / 2};
}

// A double click as the window system delivers it: press, release (a click), double click, release.
void DoubleClick(QWidget* widget, QPoint pos) {
    QTest::mouseMove(widget, pos);
    QTest::mouseClick(widget, Qt::LeftButton, {}, pos);
    QTest::mouseDClick(widget, Qt::LeftButton, {}, pos);
    QTest::mouseRelease(widget, Qt::LeftButton, {}, pos);
}

using SessionRoad = SessionTest;

TEST_F(SessionRoad, FromLoginToAWrittenValueAndAFollowedLink) {
    LocaleScope swedish(QLocale(QLocale::Swedish, QLocale::Sweden));

    // Enter in the visa box moves on, Enter in the password box only focuses the button.
    QApplication::setActiveWindow(&c());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&c()));
    c().session().Text_UserVisa->widget()->setFocus();
    QTest::keyClicks(c().session().Text_UserVisa->widget(), QStringLiteral("DEMO"));
    QTest::keyClick(c().session().Text_UserVisa->widget(), Qt::Key_Return);
    ASSERT_EQ(QApplication::focusWidget(), c().session().Text_PassWord->widget());
    EXPECT_EQ(c().session().Text_UserVisa->Text(), "DEMO") << "Enter is swallowed, not typed";
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("demo"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_EQ(QApplication::focusWidget(), c().session().Command_Login->widget());
    QTest::qWait(50);
    EXPECT_EQ(c().link().Winsock_Client->State(), Winsock::sckClosed)
        << "the button was focused, not pressed";

    // Enter on the focused button logs in: the login frame goes, the picture table arrives.
    QTest::keyClick(c().session().Command_Login->widget(), Qt::Key_Return);
    ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_PICTURE && c().model().PictureExists(1); }));
    EXPECT_EQ(c().m_AccessLevel, 31);
    EXPECT_EQ(c().m_UserVisa, "DEMO");
    EXPECT_EQ(c().toolbar().Label_UserName->Caption(), "\xC5sa \xD6"
                                                       "berg");
    EXPECT_EQ(c().session().Text_UserVisa->Text() + c().session().Text_PassWord->Text(), "")
        << "emptied once connected";
    EXPECT_FALSE(c().session().Frame_Login->Visible());
    EXPECT_EQ(Received(CMD_GET_PICTURE_TABLE), 1);

    // TB_HOME asks for picture 1; its values arrive until the indicator is complete and green.
    c().Toolbar_ButtonClick("TB_HOME");
    ASSERT_TRUE(
        waitFor([this] { return c().m_PictureNumber == 1 && c().toolbar().Text_Updated->Text() == "100%"; }));
    EXPECT_EQ(c().m_DynamicPointers, 4);
    EXPECT_EQ(c().toolbar().Text_Updated->BackColor(), kIndicatorGreen);
    EXPECT_EQ(c().toolbar().Text_PCT->Text(), "1");

    // The picture is drawn at the control's scale: the filled box, the values, the pump's state.
    EXPECT_EQ(PictureAt(60, 350), kPaletteRed);
    EXPECT_EQ(PictureAt(300, 300), kPictureGrey);
    EXPECT_EQ(PictureAt(404, 104), kPaletteGreen) << "the pump runs: the group shows its child 1";
    cElement& setpoint = ElementWithAddress("PG01.BV.GP1");
    EXPECT_EQ(setpoint.m_Text, "45.0");
    EXPECT_GT(PixelsInHitBox(setpoint, kPaletteBlue), 0);

    // A value that changes in the plant is redrawn.
    ASSERT_TRUE(server().forceValue("PG01.BV.GP1", 45.5));
    ASSERT_TRUE(waitFor([&] { return setpoint.m_Text == "45.5"; }));

    // A double click on it selects it: address and value (with the regional comma) in the toolbar,
    // the value blanked, and the send button enabled for this user and this writable kind.
    QWidget* picture = c().view().Picture_PCT;
    DoubleClick(picture, CentreOf(setpoint));
    ASSERT_EQ(c().m_SelectedElement, &setpoint);
    EXPECT_EQ(c().toolbar().Text_Address->Text(), "PG01.BV.GP1");
    EXPECT_EQ(c().toolbar().Text_NewValue->Text(), "45,5");
    EXPECT_TRUE(c().toolbar().Toolbar->Button("TB_SEND_SPV")->Enabled());
    EXPECT_EQ(PixelsInHitBox(setpoint, kPaletteBlue), 0);

    // The timer makes it blink.
    c().Timer_System_Timer();
    EXPECT_EQ(c().m_LastSelectedVisible, -1);
    EXPECT_GT(PixelsInHitBox(setpoint, kPaletteBlue), 0);
    c().Timer_System_Timer();
    EXPECT_EQ(c().m_LastSelectedVisible, 0);
    EXPECT_EQ(PixelsInHitBox(setpoint, kPaletteBlue), 0);

    // A new value typed with a decimal comma goes out with a point; the selection ends.
    QWidget* newValue = c().toolbar().Text_NewValue->widget();
    QTest::keyClick(newValue, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(newValue, QStringLiteral("62,5"));
    ASSERT_EQ(c().toolbar().Text_NewValue->Text(), "62,5");
    c().Toolbar_ButtonClick("TB_SEND_SPV");
    EXPECT_EQ(c().m_SelectedElement, nullptr);
    EXPECT_FALSE(c().toolbar().Toolbar->Button("TB_SEND_SPV")->Enabled());
    EXPECT_GT(PixelsInHitBox(setpoint, kPaletteBlue), 0) << "redrawn with its text";

    // The plant takes it and the new value comes back and is drawn.
    ASSERT_TRUE(waitFor([&] { return setpoint.m_Text == "62.5"; }));
    const std::optional<sim::WriteRecord> write = server().lastWrite("PG01.BV.GP1");
    ASSERT_TRUE(write.has_value());
    EXPECT_EQ(std::tuple(write->text, write->dynamicNumber, write->accepted), std::tuple("62.5", 0, true));
    EXPECT_GT(PixelsInHitBox(setpoint, kPaletteBlue), 0);
    EXPECT_EQ(c().toolbar().Text_Updated->Text(), "100%");

    // A click on the picture link brings picture 2.
    const QPoint link = CentreOf(*c().m_Elements.back());
    ASSERT_EQ(c().m_Elements.back()->m_ElementType, ET_PICTURELINK);
    QTest::mouseMove(picture, link);
    QTest::mouseClick(picture, Qt::LeftButton, {}, link);
    ASSERT_TRUE(
        waitFor([this] { return c().m_PictureNumber == 2 && c().toolbar().Text_Updated->Text() == "100%"; }));
    EXPECT_EQ(c().m_DynamicPointers, 1);
    EXPECT_EQ(c().toolbar().Text_PCT->Text(), "2");
    EXPECT_EQ(c().toolbar().Text_Address->Text(), "");
    EXPECT_EQ(c().toolbar().Text_NewValue->Text(), "");
    EXPECT_EQ(PictureAt(60, 350), kPictureGrey) << "the old picture is cleared";
}

} // namespace
} // namespace pelorin::test
