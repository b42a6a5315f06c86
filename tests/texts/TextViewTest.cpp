// Logbooks against the simulator: requests, the stamp, the save question, bytes that go back as they came.

#include "common/SessionSupport.h"

#include "TextStore.h"
#include "core/Latin1.h"
#include "toolbar/ToolbarTable.h"

#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

namespace pelorin::test {
namespace {

class TextViewTest : public SessionTest {
protected:
    TextBox& box() { return *c().texts().Text_Any; }

    // The view changes only when the asked-for text arrives.
    void Open(const char* menuKey, int16_t view) {
        c().Toolbar_ButtonMenuClick(menuKey, tb::kTexts);
        EXPECT_NE(c().m_ViewState, view);
        ASSERT_TRUE(waitFor([&] { return c().m_ViewState == view; }));
    }
    void Type(const char* text) { QTest::keyClicks(box().widget(), QString::fromLatin1(text)); }
    void Stamp(Qt::KeyboardModifiers modifiers = Qt::ShiftModifier | Qt::ControlModifier) {
        QTest::keyClick(box().widget(), Qt::Key_D, modifiers);
    }
    void Escape(Dialogs::Answer answer) {
        f.dialogs().asked.clear();
        f.dialogs().answers = {answer};
        QTest::keyClick(box().widget(), Qt::Key_Escape);
        ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_PICTURE; }));
    }
};

TEST_F(TextViewTest, OperatorEditsStampsAndSavesLogbooksAsHisRightsAllow) {
    LocaleScope swedish(QLocale(QLocale::Swedish, QLocale::Sweden));
    // Line feeds alone and a no-break space, as a logbook written by another program may hold them.
    const std::string original = "rad 1\nrad\xA0 2\n";
    ASSERT_TRUE(sim::TextStore(dataFolder()).savePictureLog(1, original));
    LogIn();
    ShowPicture(1);
    Sent();
    Open(tb::kPictureLog, VS_LOG_PCT);
    EXPECT_EQ(Sent(), (Commands{{CMD_GET_PICTURE, "0"}, {CMD_GET_PICTURE_LOG, Long2String(1)}}));
    Type("Filter bytt");
    // The stamp needs exactly Shift and Ctrl; it collapses a selection and splits the line at the caret.
    box().SetSelStart(static_cast<int32_t>(original.size()) + 6);
    box().SetSelLength(1);
    Stamp(Qt::ControlModifier);
    Stamp(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(box().Text(), original + "Filter bytt");
    Stamp();
    const std::string text = box().Text();
    const QRegularExpression stamp(
        QStringLiteral(R"(\nFilter\r\n\d{4}-\d\d-\d\d \d\d:\d\d:\d\d / DEMO\r\n bytt$)"));
    EXPECT_TRUE(stamp.match(FromLatin1(text)).hasMatch()) << text;
    EXPECT_EQ(box().SelStart(), static_cast<int32_t>(text.size()) - 5) << "the caret lands after the stamp";
    Escape(Dialogs::Answer::Yes);
    EXPECT_EQ(f.dialogs().asked, (std::vector<ScriptedDialogs::Question>{
                                     {ScriptedDialogs::Kind::YesNo,
                                      Latin1FromUtf8("Vill du spara ändringar gjorda i loggen?"), ""}}));
    EXPECT_EQ(Sent(), (Commands{{CMD_SAVE_PICTURE_LOG, Long2String(1) + text}, {CMD_GET_PICTURE, "1"}}));

    // An unchanged logbook is not saved; printing stays in the logbook; an edit answered No is dropped.
    Open(tb::kPictureLog, VS_LOG_PCT);
    EXPECT_EQ(box().Text(), text) << "the saved logbook comes back";
    Escape(Dialogs::Answer::Yes);
    EXPECT_EQ(
        Sent(),
        (Commands{{CMD_GET_PICTURE, "0"}, {CMD_GET_PICTURE_LOG, Long2String(1)}, {CMD_GET_PICTURE, "1"}}));
    Open(tb::kPictureLog, VS_LOG_PCT);
    Type("kasserad");
    c().Toolbar_ButtonMenuClick(tb::kPrint, tb::kHome);
    EXPECT_TRUE(f.dialogs().asked.empty());
    Escape(Dialogs::Answer::No);

    // Leaving through the toolbar asks, with the text taken before the question: a logbook that arrives
    // while it is open replaces the box, not what is saved.
    Open(tb::kPictureLog, VS_LOG_PCT);
    Type(" mitt");
    Sent();
    f.dialogs().answers = {Dialogs::Answer::Yes};
    f.dialogs().whileAsking = [this] { Inject(MSG_GLOBAL_LOG, "annan loggbok"); };
    c().Toolbar_ButtonMenuClick(tb::kFunctionText, tb::kTexts);
    EXPECT_EQ(Sent(), (Commands{{CMD_SAVE_PICTURE_LOG, Long2String(1) + text + " mitt"},
                                {CMD_GET_PICTURE, "0"},
                                {CMD_GET_FUNCTION_TEXT, "1"}}));

    // Without the global bit the stamp still goes in, but Escape neither asks nor sends.
    c().Toolbar_ButtonMenuClick(tb::kLogout, tb::kHome);
    LogIn("LOGG", "logg");
    Open(tb::kGlobalLog, VS_LOG_GLOBAL);
    Stamp();
    EXPECT_TRUE(box().Text().ends_with(" / LOGG\r\n"));
    Sent();
    Escape(Dialogs::Answer::Yes);
    EXPECT_EQ(Sent(), (Commands{{CMD_GET_PICTURE, "1"}}));
    Open(tb::kPictureLog, VS_LOG_PCT);
    EXPECT_FALSE(box().Locked()) << "bit 8 edits the picture's logbook";
}

// The global logbook is asked for with code 12 and no payload, and saved with code 14 and the bare text:
// no picture number in front of it.
TEST_F(TextViewTest, TheGlobalLogbookIsRequestedAndSavedWithoutAPictureNumber) {
    ASSERT_TRUE(sim::TextStore(dataFolder()).saveGlobalLog("global\r\n"));
    LogIn();
    ShowPicture(1);
    Sent();
    Open(tb::kGlobalLog, VS_LOG_GLOBAL);
    ASSERT_TRUE(waitFor([this] { return box().Text() == "global\r\n"; }));
    EXPECT_EQ(Sent(), (Commands{{CMD_GET_PICTURE, "0"}, {12, ""}}));
    box().SetSelStart(static_cast<int32_t>(box().Text().size()));
    Type("rad");
    Escape(Dialogs::Answer::Yes);
    EXPECT_EQ(Sent(), (Commands{{14, "global\r\nrad"}, {CMD_GET_PICTURE, "1"}}));
    EXPECT_EQ(sim::TextStore(dataFolder()).globalLog(), "global\r\nrad");
}

} // namespace
} // namespace pelorin::test
