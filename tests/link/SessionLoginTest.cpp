// Login, the keep-alive, the ways a session ends, and the server's messages as the control handles them.

#include "common/SessionSupport.h"
#include "core/Latin1.h"
#include "toolbar/ToolbarTable.h"

#include <QApplication>
#include <QTest>
#include <chrono>

namespace pelorin::test {
namespace {

using SessionLogin = SessionTest;

constexpr Colour kIndicatorRed = 0xFF;

std::string PictureMessage(const PictureWriter& elements) {
    PictureHeader header;
    header.number = 7;
    header.background = kPictureGrey;
    header.palette = {0x000000,     0xFFFFFF, kPaletteRed, kPaletteGreen,
                      kPaletteBlue, 0x00FFFF, 0x606060,    kPictureGrey};
    return EncodePictureMessage(header, elements.data());
}

void ExpectLoggedOut(PelorinControl& c) {
    EXPECT_EQ(c.m_ViewState, VS_LOGIN);
    EXPECT_NE(c.link().Winsock_Client->State(), Winsock::sckConnected);
    EXPECT_TRUE(c.m_TCPData.empty());
}

TEST_F(SessionLogin, EnterLogsInTheKeepAliveClaimsTheChannelAndEitherSideLogsOut) {
    QApplication::setActiveWindow(&c());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&c()));
    Session& session = c().session();
    session.SetLoginTimeout(std::chrono::milliseconds(300));
    session.Text_UserVisa->widget()->setFocus();
    QTest::keyClicks(session.Text_UserVisa->widget(), QStringLiteral("DEMO"));
    QTest::keyClick(session.Text_UserVisa->widget(), Qt::Key_Return);
    ASSERT_EQ(QApplication::focusWidget(), session.Text_PassWord->widget());
    EXPECT_EQ(session.Text_UserVisa->Text(), "DEMO") << "Enter is swallowed, not typed";
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("demo"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    ASSERT_EQ(QApplication::focusWidget(), session.Command_Login->widget());
    QTest::qWait(50);
    EXPECT_EQ(c().link().Winsock_Client->State(), Winsock::sckClosed)
        << "the button was focused, not pressed";

    QTest::keyClick(session.Command_Login->widget(), Qt::Key_Return);
    ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_PICTURE && c().model().PictureExists(1); }));
    EXPECT_EQ(std::tuple(c().m_AccessLevel, c().m_UserVisa), std::tuple(31, "DEMO"));
    EXPECT_EQ(c().toolbar().Label_UserName->Caption(), Latin1FromUtf8("Åsa Öberg"));
    EXPECT_EQ(session.Text_UserVisa->Text() + session.Text_PassWord->Text(), "") << "emptied once connected";
    EXPECT_EQ(Received(CMD_GET_PICTURE_TABLE), 1);
    EXPECT_EQ(UnscrambleLogin(server().receivedFrames().front().payload), std::string("DEMO\xFF") + "demo");
    QTest::qWait(900);
    EXPECT_EQ(c().link().Winsock_Client->State(), Winsock::sckConnected) << "the reply came in time";
    const int32_t port = c().systemDialog().Winsock_SysDial->RemotePort;
    for (int32_t wrong : {0, 65536, -1}) {
        c().DispatchFrame(MSG_LOGIN_REPLY,
                          Long2String(31) + Long2String(wrong) + Long2String(wrong) + "DEMO");
        EXPECT_EQ(c().m_MaxSysdialHistory, wrong);
        EXPECT_EQ(c().systemDialog().Winsock_SysDial->RemotePort, port) << "a port outside the TCP range";
    }
    // The keep-alive claims the channel on every 21st tick, only while the system dialog is connected.
    const auto tick = [this](int n) {
        for (int i = 0; i < n; ++i)
            c().Timer_System_Timer();
        ClientSync();
        return Received(CMD_SYSDIAL_CHANNEL);
    };
    EXPECT_EQ(tick(21), 0) << "not connected: nothing, but the count restarts";
    QTcpServer terminal;
    ASSERT_TRUE(ConnectSysDial(terminal));
    EXPECT_EQ((std::vector{tick(20), tick(1), tick(20), tick(1)}), (std::vector{0, 1, 1, 2}));

    // The server's logout, the toolbar's, and a refused login reply, whose fields are kept all the same.
    const std::string name = Latin1FromUtf8("Kalle Åberg");
    const std::string refused = Long2String(0) + Long2String(4321) + Long2String(777) + name;
    const std::function<void()> logouts[] = {[this] { server().sendFrameToAll(MSG_LOGOUT, {}); },
                                             [this] { c().Toolbar_ButtonMenuClick(tb::kLogout, tb::kHome); },
                                             [&] { server().sendFrameToAll(MSG_LOGIN_REPLY, refused); }};
    for (const auto& logout : logouts) {
        if (c().m_AccessLevel == 0)
            LogIn();
        server().clearReceivedFrames();
        logout();
        ASSERT_TRUE(waitFor([this] { return Received(CMD_LOGOUT) == 1 && server().sessionCount() == 0; }))
            << "what was sent before Winsock::Close must still reach the server";
        ExpectLoggedOut(c());
        Commands sent;
        for (const sim::ReceivedFrame& frame : server().receivedFrames())
            sent.emplace_back(frame.code, frame.payload);
        EXPECT_EQ(sent, (Commands{{CMD_GET_PICTURE, "0"}, {CMD_LOGOUT, ""}}));
    }
    EXPECT_EQ(c().toolbar().Label_UserName->Caption(), name);
    EXPECT_EQ(std::tuple(c().systemDialog().Winsock_SysDial->RemotePort, c().m_MaxSysdialHistory),
              std::tuple(4321, 777));
}

// The server ends a link that announces a frame over the limit: such a frame is not sent, and the link
// goes on.
TEST_F(SessionLogin, AFrameOverTheLimitIsNotSentAndTheLinkStays) {
    LogIn();
    Sent();
    c().TCPSend(CMD_SAVE_GLOBAL_LOG, std::string(kMaxPayloadLength + 1, 'x'));
    c().TCPSend(CMD_SAVE_GLOBAL_LOG, "kort");
    EXPECT_EQ(Sent(), (Commands{{CMD_SAVE_GLOBAL_LOG, "kort"}}));
    EXPECT_EQ(c().m_ViewState, VS_PICTURE);
}

// A failed connection, or a server that never answers the login, brings the login frame back.
TEST(SessionUnreachable, FailedOrUnansweredLoginsReturnToTheLoginFrame) {
    QTcpServer closed, silent;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost) && silent.listen(QHostAddress::LocalHost));
    const std::string closedPort = ":" + std::to_string(closed.serverPort());
    closed.close();
    const std::string silentPort = ":" + std::to_string(silent.serverPort());
    for (const std::string& port : {closedPort, std::string(), silentPort}) {
        ControlFixture f;
        PelorinControl& c = f.Start(Bag({{"ServerAddress", "127.0.0.1" + port}}));
        c.session().SetLoginTimeout(std::chrono::milliseconds(300));
        c.session().Text_UserVisa->SetText("DEMO");
        c.session().Text_PassWord->SetText("demo");
        c.session().Command_Login_Click();
        ASSERT_TRUE(waitFor([&] { return c.session().Frame_Login->Visible(); })) << port;
        ExpectLoggedOut(c);
        EXPECT_EQ(c.session().Text_UserVisa->Text() + c.session().Text_PassWord->Text(),
                  port == silentPort ? "" : "DEMOdemo");
        EXPECT_TRUE(c.session().EndReason().starts_with("Bildservern svarade inte ")) << port;
    }
}

// Every frame sent before the link broke is handled; what is left of one never reaches the next login.
TEST_F(SessionLogin, ABrokenLinkLogsOutAndLeavesNoFragmentForTheNextLogin) {
    std::string burst;
    for (int i = 0; i < 20000; ++i)
        burst += EncodeFrame(MSG_VALUE, std::string{0, static_cast<char>(i % 4)} + std::to_string(i) + ".5");
    // The last frame before the close: the outdoor temperature (dynamic number 2) at its end value.
    burst += EncodeFrame(MSG_VALUE, ValuePayload(2, "-7.5"));
    const std::string half = EncodeFrame(MSG_FUNCTION_TEXT, "half").substr(0, 7);
    const std::function<void()> breaks[] = {
        // The stream is taken in slices, but the server's close waits for every frame sent before it.
        [&] {
            ShowPicture(1);
            server().sendGarbage(burst);
            server().dropMidFrame();
            c().Toolbar_ButtonClick(tb::kHome);
        },
        // A length with its top bit set: nothing after it can be framed.
        [this] {
            server().sendGarbage(std::string{static_cast<char>(MSG_VALUE), '\x80', 0, 0, 1} + "xyz");
        },
        // The logout handler closes the link in the middle of an arrival.
        [&] { server().sendGarbage(EncodeFrame(MSG_LOGOUT, "") + half); },
        [this] {
            server().stallMidFrame();
            c().Toolbar_ButtonClick(tb::kHome);
            ASSERT_TRUE(waitFor([this] { return !c().m_TCPData.empty(); })) << "half a picture has arrived";
            c().Toolbar_ButtonMenuClick(tb::kLogout, tb::kHome);
        }};
    for (size_t i = 0; i < std::size(breaks); ++i) {
        LogIn();
        breaks[i]();
        ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_LOGIN; }));
        ExpectLoggedOut(c());
        ASSERT_TRUE(waitFor([this] { return server().sessionCount() == 0; })) << "the client closed its end";
        if (i == 0) {
            EXPECT_EQ(ElementWithAddress("UTE.MV.GT41").m_Text, "-7.5");
        }
    }
    LogIn();
    c().Toolbar_ButtonClick(tb::kHome);
    EXPECT_TRUE(waitFor([this] { return c().m_DynamicPointers == 4; }));
}

// 330 of 400 is 82.5: counts above 327 overflow a 16-bit product. Values numbered beyond the picture
// count nothing; the toolbar is updated once, when the last value makes the picture complete.
TEST_F(SessionLogin, TheIndicatorCountsDistinctValuesRoundsHalfToEvenAndTurnsGreenOnce) {
    PictureWriter values;
    for (int i = 0; i < 400; ++i)
        values.dynValue(4, 1, 0, static_cast<int16_t>(10 + i % 20 * 30),
                        static_cast<int16_t>(10 + i / 20 * 20), "PG01.BV.V" + std::to_string(i));
    std::string burst = EncodeFrame(MSG_PICTURE, PictureMessage(values));
    for (int i = 0; i < 330; ++i)
        burst += EncodeFrame(MSG_VALUE, ValuePayload(i, "1"));
    for (int pointer : {400, 405, 32767, 32768, 40000, 65535})
        burst += EncodeFrame(MSG_VALUE, ValuePayload(pointer, "5"));
    LogIn();
    server().sendGarbage(burst);
    ToolbarRow& toolbar = c().toolbar();
    ASSERT_TRUE(waitFor([&] { return toolbar.Text_Updated->Text() == "82%"; }));
    const struct {
        int first, last;
        const char* shown;
        bool complete;
    } steps[] = {{330, 332, "83%", false},  {333, 333, "84%", false}, {333, 333, "84%", false},
                 {334, 398, "100%", false}, {399, 399, "100%", true}, {399, 399, "100%", false}};
    for (const auto& step : steps) {
        // UpdateToolBarView shows the user name in the picture view: hidden, it tells whether that ran.
        toolbar.Frame_UserName->SetVisible(false);
        for (int i = step.first; i <= step.last; ++i)
            Inject(MSG_VALUE, ValuePayload(i, "1"));
        EXPECT_EQ(toolbar.Text_Updated->Text(), step.shown) << step.first;
        EXPECT_EQ(toolbar.Frame_UserName->Visible(), step.complete) << step.first;
        EXPECT_EQ(toolbar.Text_Updated->BackColor(), step.first < 399 ? kIndicatorRed : kGreen);
    }
    Inject(MSG_VALUE, std::string(1, '\0'));
    EXPECT_EQ(c().m_Elements[0]->m_Text, "0") << "a value cut short is 0 for number 0";
}

// Each setpoint kind named adds one menu entry; no picture empties the view and the menu. A picture
// without live values is complete at once.
TEST_F(SessionLogin, SetpointKindsAddTheirMenuEntriesOnceAndNoPictureEmptiesAll) {
    LogIn();
    Inject(MSG_PICTURE, PictureMessage(PictureWriter()
                                           .setpoint("SP.A", "Tryck", "", "", "")
                                           .setpoint("SP.B", "", "", "", "")
                                           .box(2, true, false, 1, 10, 10, 300, 300)));
    for (const auto& [pointer, kind] : {std::pair(0, "0"), std::pair(1, "3"), std::pair(1, "1")})
        Inject(MSG_VALUE, ValuePayload(pointer, kind));
    std::vector<std::pair<std::string, std::string>> menu;
    for (const auto& entry : c().toolbar().Toolbar->Button(tb::kSetpoints)->MenuEntries())
        menu.emplace_back(entry->Text, entry->Tag);
    EXPECT_EQ(menu, (decltype(menu){{"SP.A\t(PLSetPnt.DTA)", "0"}, {"SP.B\t(kurva natt)", "1"}}));
    ASSERT_EQ(PictureAt(100, 100), kPaletteRed);

    Inject(MSG_NO_PICTURE, {});
    EXPECT_TRUE(c().toolbar().Toolbar->Button(tb::kSetpoints)->MenuEntries().empty());
    EXPECT_TRUE(c().m_Elements.empty());
    EXPECT_EQ(PictureAt(100, 100), kPictureGrey);
    Inject(MSG_PICTURE, PictureMessage(PictureWriter().text(0, 7, 10, 10, "Tom")));
    EXPECT_EQ(c().toolbar().Text_Updated->Text(), "100%");
    EXPECT_EQ(c().toolbar().Text_Updated->BackColor(), kGreen);
}

} // namespace
} // namespace pelorin::test
