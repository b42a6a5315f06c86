// Function texts and logbooks against the simulator: the requests, the stamp, the save question on
// leaving, and logbook bytes that come back as they went out.

#include "control/SessionSupport.h"

#include "TextStore.h"
#include "core/Latin1.h"

#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

namespace pelorin::test {
namespace {

const ScriptedDialogs::Question kSaveQuestion{ScriptedDialogs::Kind::YesNo,
                                              Latin1FromUtf8("Vill du spara ändringar gjorda i loggen?"), ""};

class TextViewTest : public SessionTest {
protected:
    TextBox& box() { return *c().texts().Text_Any; }
    sim::TextStore store() { return sim::TextStore(dataFolder()); }

    // The view changes only when the asked-for text arrives.
    void Open(const char* menuKey, int16_t view) {
        c().Toolbar_ButtonMenuClick(menuKey, "TB_SHOW_TEXTS");
        EXPECT_NE(c().m_ViewState, view);
        ASSERT_TRUE(waitFor([&] { return c().m_ViewState == view; }));
    }

    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(box().widget(), key, modifiers);
    }
    // Characters beyond ASCII come as a keyboard layout would send them: text without a key of their own.
    void Type(const QString& text) {
        for (const QChar ch : text)
            if (ch.unicode() < 0x80)
                QTest::keyClick(box().widget(), ch.toLatin1());
            else
                QTest::sendKeyEvent(QTest::Click, box().widget(), Qt::Key_unknown, QString(ch),
                                    Qt::NoModifier);
    }
    void Stamp() { Key(Qt::Key_D, Qt::ShiftModifier | Qt::ControlModifier); }

    // Escape, answered as given; returns to the picture.
    void Escape(std::optional<Dialogs::Answer> answer = std::nullopt) {
        f.dialogs().asked.clear();
        if (answer)
            f.dialogs().answers = {*answer};
        Key(Qt::Key_Escape);
        ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_PICTURE; }));
    }
};

TEST_F(TextViewTest, DemoEditsStampsAndSavesThePictureLogbook) {
    LocaleScope swedish(QLocale(QLocale::Swedish, QLocale::Sweden));
    LogIn();
    ShowPicture(1);
    Sent();
    Open("TB_SHOW_LOG_PCT", VS_LOG_PCT);
    EXPECT_EQ(Sent(), (Commands{{CMD_GET_PICTURE, "0"}, {CMD_GET_PICTURE_LOG, Long2String(1)}}));
    Type(QStringLiteral("Filter bytt"));
    // The stamp needs exactly Shift and Ctrl; it collapses a selection and splits the line at the caret.
    box().SetSelStart(6);
    box().SetSelLength(1);
    Key(Qt::Key_D, Qt::ControlModifier);
    Key(Qt::Key_D, Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    EXPECT_EQ(box().Text(), "Filter bytt");
    Stamp();
    const std::string text = box().Text();
    EXPECT_TRUE(
        QRegularExpression(QString::fromLatin1(R"(^Filter\r\n\d{4}-\d\d-\d\d \d\d:\d\d / DEMO\r\n bytt$)"))
            .match(FromLatin1(text))
            .hasMatch())
        << text;
    EXPECT_EQ(box().SelStart(), static_cast<int32_t>(text.size()) - 5) << "the caret lands after the stamp";
    box().SetSelStart(static_cast<int32_t>(text.size()));
    Key(Qt::Key_Return);
    Type(QStringLiteral("Pump P1 kontrollerad"));
    SaveShot(c().grab().toImage(), QStringLiteral("logbook.png"));
    const std::string saved = box().Text();
    Sent();

    Escape(Dialogs::Answer::Yes);
    EXPECT_EQ(f.dialogs().asked, std::vector{kSaveQuestion});
    EXPECT_EQ(Sent(), (Commands{{CMD_SAVE_PICTURE_LOG, Long2String(1) + saved}, {CMD_GET_PICTURE, "1"}}));
    EXPECT_EQ(store().pictureLog(1), saved);
    ASSERT_TRUE(waitFor([this] { return c().m_PictureNumber == 1 && c().m_ViewState == VS_PICTURE; }));

    Open("TB_SHOW_LOG_PCT", VS_LOG_PCT);
    EXPECT_EQ(box().Text(), saved);
    Escape();
    EXPECT_TRUE(f.dialogs().asked.empty()) << "an unchanged logbook is not asked about";

    // Leaving through the toolbar asks too, with the text taken before the question: a logbook that
    // arrives while it is shown replaces the box, not what is saved. Printing stays in the logbook.
    Open("TB_SHOW_LOG_PCT", VS_LOG_PCT);
    Type(QStringLiteral(" mitt"));
    c().Toolbar_ButtonMenuClick("TB_PRINT", "TB_HOME");
    EXPECT_TRUE(f.dialogs().asked.empty());
    Sent();
    f.dialogs().answers = {Dialogs::Answer::Yes};
    f.dialogs().whileAsking = [this] { Inject(MSG_GLOBAL_LOG, "annan loggbok"); };
    c().Toolbar_ButtonMenuClick("TB_SHOW_FB", "TB_SHOW_TEXTS");
    EXPECT_EQ(f.dialogs().asked, std::vector{kSaveQuestion});
    EXPECT_EQ(Sent(), (Commands{{CMD_SAVE_PICTURE_LOG, Long2String(1) + saved + " mitt"},
                                {CMD_GET_PICTURE, "0"},
                                {CMD_GET_FUNCTION_TEXT, "1"}}));
    EXPECT_EQ(store().globalLog(), "");
}

TEST_F(TextViewTest, LogbookBytesGoBackAsTheyCameWithOnlyTheEditAdded) {
    // Line feeds alone and a no-break space, as a logbook written by another program may hold them.
    const std::string original = "rad 1\nrad\xA0"
                                 "2\nrad 3\n";
    const auto onDisk = [this] {
        QFile file(dataFolder() + QStringLiteral("/logbooks/picture-1.txt"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    LogIn();
    ShowPicture(1);
    ASSERT_TRUE(store().savePictureLog(1, original));
    for (const auto answer : {Dialogs::Answer::No, Dialogs::Answer::Yes}) {
        Open("TB_SHOW_LOG_PCT", VS_LOG_PCT);
        EXPECT_EQ(box().Text(), original);
        box().SetSelStart(11);
        Type(QStringLiteral("-5"));
        Escape(answer);
        Sent();
    }
    EXPECT_EQ(onDisk(), FromLatin1("rad 1\nrad\xA0"
                                   "2-5\nrad 3\n")
                            .toUtf8())
        << "the first edit was not kept";
}

TEST_F(TextViewTest, WithoutTheGlobalBitAStampAndEscapeNeitherAskNorSend) {
    LogIn("LOGG", "logg");
    ShowPicture(1);
    Sent();
    Open("TB_SHOW_LOG_GLOBAL", VS_LOG_GLOBAL);
    EXPECT_EQ(Sent(), (Commands{{CMD_GET_PICTURE, "0"}, {CMD_GET_GLOBAL_LOG, ""}}));
    EXPECT_TRUE(box().Locked());
    Type(QStringLiteral("x"));
    EXPECT_EQ(box().Text(), "") << "a locked logbook takes no typing";
    Stamp();
    EXPECT_TRUE(box().Text().ends_with(" / LOGG\r\n")) << "the stamp goes in all the same";
    Escape(Dialogs::Answer::Yes);
    EXPECT_TRUE(f.dialogs().asked.empty());
    EXPECT_EQ(Sent(), (Commands{{CMD_GET_PICTURE, "1"}}));

    Open("TB_SHOW_LOG_PCT", VS_LOG_PCT);
    EXPECT_FALSE(box().Locked()) << "bit 8 edits the picture's logbook";
}

} // namespace
} // namespace pelorin::test
