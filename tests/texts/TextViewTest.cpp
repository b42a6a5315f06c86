// Function texts and logbooks against the simulator: the requests, the stamp, the save question on
// leaving, and logbook bytes that come back as they went out.

#include "control/SessionSupport.h"

#include "TextStore.h"
#include "core/Latin1.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTest>
#include <gtest/gtest.h>

namespace pelorin::test {
namespace {

using Frames = std::vector<std::pair<uint8_t, std::string>>;

const std::string kQuestion = Latin1FromUtf8("Vill du spara ändringar gjorda i loggen?");

class TextViewTest : public SessionTest {
protected:
    TextBox& box() { return *c().texts().Text_Any; }
    sim::TextStore store() { return sim::TextStore(dataFolder()); }

    void Open(const char* menuKey, int16_t view) {
        c().Toolbar_ButtonMenuClick(menuKey, "TB_SHOW_TEXTS");
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

    // What the control sent since the last call, without the test's own sync marker.
    Frames Sent() {
        ClientSync();
        Frames frames;
        for (const sim::ReceivedFrame& frame : server().receivedFrames())
            if (frame.code != kSyncMarker)
                frames.emplace_back(frame.code, frame.payload);
        server().clearReceivedFrames();
        return frames;
    }

    // Escape, answered as given; returns to the picture.
    void Escape(std::optional<Dialogs::Answer> answer = std::nullopt) {
        f.dialogs().asked.clear();
        if (answer)
            f.dialogs().answers = {*answer};
        Key(Qt::Key_Escape);
        ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_PICTURE; }));
    }

    const ScriptedDialogs::Question kSaveQuestion{ScriptedDialogs::Kind::YesNo, kQuestion, ""};
};

TEST_F(TextViewTest, EachEntryLeavesThePictureAsksForItsTextAndShowsIt) {
    ASSERT_TRUE(QDir(dataFolder()).mkpath(QStringLiteral("functiontexts")));
    QFile description(dataFolder() + QStringLiteral("/functiontexts/2.txt"));
    ASSERT_TRUE(description.open(QIODevice::WriteOnly));
    description.write(QStringLiteral("Utegivare GT41\r\nmäter ute").toUtf8());
    description.close();
    ASSERT_TRUE(store().savePictureLog(2, "Givare bytt"));
    ASSERT_TRUE(store().saveGlobalLog("Global rad"));
    LogIn();
    const struct {
        const char* menuKey;
        uint8_t command;
        std::string payload;
        int16_t view;
        std::string text;
        bool locked;
    } cases[] = {
        {"TB_SHOW_FB", CMD_GET_FUNCTION_TEXT, "2", VS_FUNCTION_TEXT,
         Latin1FromUtf8("Utegivare GT41\r\nmäter ute"), true},
        {"TB_SHOW_LOG_PCT", CMD_GET_PICTURE_LOG, Long2String(2), VS_LOG_PCT, "Givare bytt", false},
        {"TB_SHOW_LOG_GLOBAL", CMD_GET_GLOBAL_LOG, "", VS_LOG_GLOBAL, "Global rad", false},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.menuKey);
        ShowPicture(2);
        Sent();
        c().Toolbar_ButtonMenuClick(test.menuKey, "TB_SHOW_TEXTS");
        EXPECT_FALSE(c().toolbar().Toolbar->Button("TB_SHOW_TEXTS")->MenuEntry(test.menuKey)->Enabled());
        EXPECT_EQ(c().m_ViewState, VS_PICTURE) << "the view changes when the text arrives";
        ASSERT_TRUE(waitFor([&] { return c().m_ViewState == test.view; }));
        EXPECT_EQ(Sent(), (Frames{{CMD_GET_PICTURE, "0"}, {test.command, test.payload}}));
        EXPECT_EQ(box().Text(), test.text);
        EXPECT_EQ(box().Locked(), test.locked);
        EXPECT_EQ(box().widget()->font().family(), QStringLiteral("Courier New"));
    }
}

TEST_F(TextViewTest, DemoEditsStampsAndSavesThePictureLogbook) {
    LocaleScope swedish(QLocale(QLocale::Swedish, QLocale::Sweden));
    LogIn();
    ShowPicture(1);
    Open("TB_SHOW_LOG_PCT", VS_LOG_PCT);
    EXPECT_FALSE(box().Locked());
    EXPECT_EQ(box().Text(), "");
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
    EXPECT_EQ(Sent(), (Frames{{CMD_SAVE_PICTURE_LOG, Long2String(1) + saved}, {CMD_GET_PICTURE, "1"}}));
    EXPECT_EQ(store().pictureLog(1), saved);
    ASSERT_TRUE(waitFor([this] { return c().m_PictureNumber == 1 && c().m_ViewState == VS_PICTURE; }));

    Open("TB_SHOW_LOG_PCT", VS_LOG_PCT);
    EXPECT_EQ(box().Text(), saved);
    Escape();
    EXPECT_TRUE(f.dialogs().asked.empty()) << "an unchanged logbook is not asked about";
}

TEST_F(TextViewTest, LogbookBytesGoBackAsTheyCameWithOnlyTheEditAdded) {
    // Line feeds alone and a no-break space, as a logbook written by another program may hold them.
    const std::string original = "rad 1\nrad\xA0"
                                 "2\nrad 3\n";
    const int32_t endOfLine2 = 11;
    const struct {
        const char* name;
        std::function<void()> edit;
        std::string expected;
    } cases[] = {
        {"unedited", [] {}, original},
        {"one line edited",
         [&] {
             box().SetSelStart(endOfLine2);
             Type(QStringLiteral("X"));
         },
         "rad 1\nrad\xA0"
         "2X\nrad 3\n"},
        {"typed and pasted beyond Latin-1",
         [&] {
             box().SetSelStart(endOfLine2);
             Type(QStringLiteral("\u2212"
                                 "5 \u20AC"));
             for (const QString& pasted : {QStringLiteral("\u22124"), QStringLiteral("20 \u20AC")}) {
                 QGuiApplication::clipboard()->setText(pasted);
                 Key(Qt::Key_V, Qt::ControlModifier);
             }
         },
         "rad 1\nrad\xA0"
         "2-5 -4\nrad 3\n"},
    };
    LogIn();
    ShowPicture(1);
    for (const auto& test : cases) {
        SCOPED_TRACE(test.name);
        ASSERT_TRUE(store().savePictureLog(1, original));
        Open("TB_SHOW_LOG_PCT", VS_LOG_PCT);
        EXPECT_EQ(box().Text(), original);
        test.edit();
        Escape(Dialogs::Answer::Yes);
        EXPECT_EQ(f.dialogs().asked.size(), test.expected == original ? 0u : 1u);
        Sent();
        EXPECT_EQ(store().pictureLog(1), test.expected);
        QFile file(dataFolder() + QStringLiteral("/logbooks/picture-1.txt"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.readAll(), FromLatin1(test.expected).toUtf8())
            << "the stored file holds the saved text";
    }
}

TEST_F(TextViewTest, WithoutTheGlobalBitAStampAndEscapeNeitherAskNorSend) {
    LogIn("LOGG", "logg");
    ShowPicture(1);
    Open("TB_SHOW_LOG_GLOBAL", VS_LOG_GLOBAL);
    EXPECT_TRUE(box().Locked());
    Type(QStringLiteral("x"));
    EXPECT_EQ(box().Text(), "") << "a locked logbook takes no typing";
    Stamp();
    EXPECT_TRUE(box().Text().ends_with(" / LOGG\r\n")) << "the stamp goes in all the same";
    Sent();
    Escape(Dialogs::Answer::Yes);
    EXPECT_TRUE(f.dialogs().asked.empty());
    EXPECT_EQ(Sent(), (Frames{{CMD_GET_PICTURE, "1"}}));

    Open("TB_SHOW_LOG_PCT", VS_LOG_PCT);
    EXPECT_FALSE(box().Locked()) << "bit 8 edits the picture's logbook";
}

TEST_F(TextViewTest, ToolbarActionsThatLeaveAChangedLogbookAskFirst) {
    LogIn();
    ShowPicture(1);
    const struct {
        const char* key;
        bool menu;
        Dialogs::Answer answer;
        Frames sent;
    } cases[] = {
        {"TB_SHOW_FB",
         true,
         Dialogs::Answer::Yes,
         {{CMD_SAVE_GLOBAL_LOG, "ny rad"}, {CMD_GET_PICTURE, "0"}, {CMD_GET_FUNCTION_TEXT, "1"}}},
        {"TB_GET_PCT", false, Dialogs::Answer::No, {{CMD_GET_PICTURE, "1"}}},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(test.key);
        ASSERT_TRUE(store().saveGlobalLog({}));
        Open("TB_SHOW_LOG_GLOBAL", VS_LOG_GLOBAL);
        Type(QStringLiteral("ny rad"));
        c().Toolbar_ButtonMenuClick("TB_PRINT", "TB_HOME");
        EXPECT_TRUE(f.dialogs().asked.empty()) << "printing stays in the logbook";
        Sent();
        f.dialogs().answers = {test.answer};
        if (test.menu)
            c().Toolbar_ButtonMenuClick(test.key, "TB_SHOW_TEXTS");
        else
            c().Toolbar_ButtonClick(test.key);
        EXPECT_EQ(f.dialogs().asked, std::vector{kSaveQuestion});
        f.dialogs().asked.clear();
        EXPECT_EQ(Sent(), test.sent);
        ShowPicture(1);
    }
}

TEST_F(TextViewTest, WhatIsSavedIsTakenBeforeTheQuestionIsShown) {
    LogIn();
    ShowPicture(1);
    Open("TB_SHOW_LOG_PCT", VS_LOG_PCT);
    Type(QStringLiteral("mitt"));
    Sent();
    // While the box is open the server's messages are handled: another logbook replaces the text.
    f.dialogs().whileAsking = [this] { Inject(MSG_GLOBAL_LOG, "annan loggbok"); };
    Escape(Dialogs::Answer::Yes);
    const Frames sent = Sent();
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent.front(), (std::pair<uint8_t, std::string>{CMD_SAVE_PICTURE_LOG, Long2String(1) + "mitt"}));
    EXPECT_EQ(store().pictureLog(1), "mitt");
    EXPECT_EQ(store().globalLog(), "");
}

} // namespace
} // namespace pelorin::test
