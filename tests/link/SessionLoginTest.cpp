// Login and the ways a session ends: refused logins, connections that fail or close, protocol
// errors, and what is left of a half-received frame.

#include "control/SessionSupport.h"

#include <QApplication>
#include <QTest>
#include <chrono>

namespace pelorin::test {
namespace {

using SessionLogin = SessionTest;

void ExpectLoggedOut(PelorinControl& c) {
    EXPECT_EQ(c.m_AccessLevel, 0);
    EXPECT_EQ(c.m_ViewState, VS_LOGIN);
    EXPECT_TRUE(c.session().Frame_Login->Visible());
    EXPECT_FALSE(c.toolbar().Toolbar->Visible());
    EXPECT_NE(c.link().Winsock_Client->State(), Winsock::sckConnected);
}

// Enter moves through the login frame; the login fills the toolbar and asks for the picture table.
TEST_F(SessionLogin, EnterMovesThroughTheLoginFrameAndLogsIn) {
    QApplication::setActiveWindow(&c());
    ASSERT_TRUE(QTest::qWaitForWindowActive(&c()));
    // Enter in the visa box moves on, Enter in the password box only focuses the button.
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
    EXPECT_EQ(UnscrambleLogin(server().receivedFrames().front().payload), "DEMO\xFF"
                                                                          "demo");
}

// A reply in time keeps the session. The name, history and terminal port are kept even from a refused
// reply; a port outside the TCP range keeps the earlier one.
TEST_F(SessionLogin, ReplyFieldsAreKeptEvenWhenRefusedAndAWrongPortIsNot) {
    c().session().SetLoginTimeout(std::chrono::milliseconds(300));
    LogIn();
    QTest::qWait(900);
    EXPECT_EQ(c().link().Winsock_Client->State(), Winsock::sckConnected) << "the reply came in time";
    const int32_t port = c().systemDialog().Winsock_SysDial->RemotePort;
    for (int32_t wrong : {0, 65536, -1}) {
        c().DispatchFrame(MSG_LOGIN_REPLY,
                          Long2String(31) + Long2String(wrong) + Long2String(wrong) + "DEMO");
        EXPECT_EQ(c().m_MaxSysdialHistory, wrong);
        EXPECT_EQ(c().systemDialog().Winsock_SysDial->RemotePort, port) << wrong;
    }
    const std::string name = "Kalle \xC5"
                             "berg";
    server().sendFrameToAll(MSG_LOGIN_REPLY, Long2String(0) + Long2String(4321) + Long2String(777) + name);
    ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_LOGIN; }));
    ExpectLoggedOut(c());
    EXPECT_EQ(c().toolbar().Label_UserName->Caption(), name);
    EXPECT_EQ(c().systemDialog().Winsock_SysDial->RemotePort, 4321);
    EXPECT_EQ(c().m_MaxSysdialHistory, 777);
    EXPECT_TRUE(waitFor([this] { return Received(CMD_LOGOUT) == 1; }));
}

TEST_F(SessionLogin, LogoutFromEitherSideIsSentBeforeTheLinkCloses) {
    const std::function<void()> logouts[] = {[this] { server().sendFrameToAll(MSG_LOGOUT, {}); },
                                             [this] { c().Toolbar_ButtonMenuClick("TB_LOGOUT", "TB_HOME"); }};
    for (const auto& logout : logouts) {
        LogIn();
        server().clearReceivedFrames();
        logout();
        ASSERT_TRUE(waitFor([this] { return Received(CMD_LOGOUT) == 1 && server().sessionCount() == 0; }))
            << "what was sent before Winsock::Close must still reach the server";
        ExpectLoggedOut(c());
        const std::vector<sim::ReceivedFrame> frames = server().receivedFrames();
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(std::pair(frames[0].code, frames[0].payload),
                  std::pair(uint8_t{CMD_GET_PICTURE}, std::string("0")));
    }
}

// A failed connection, or a server that never answers the login, brings the login frame back with
// what the operator typed.
TEST(SessionUnreachable, FailedOrUnansweredLoginsReturnToTheLoginFrame) {
    QTcpServer closed, silent;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost) && silent.listen(QHostAddress::LocalHost));
    const std::string closedPort = ":" + std::to_string(closed.serverPort());
    closed.close();
    const std::string silentPort = ":" + std::to_string(silent.serverPort());
    for (const std::string& port : {closedPort, std::string(), silentPort}) {
        SCOPED_TRACE(port);
        ControlFixture f;
        PelorinControl& c = f.Start(Bag({{"ServerAddress", "127.0.0.1" + port}}));
        if (port == silentPort)
            c.session().SetLoginTimeout(std::chrono::milliseconds(300));
        c.session().Text_UserVisa->SetText("DEMO");
        c.session().Text_PassWord->SetText("demo");
        c.session().Command_Login_Click();
        EXPECT_FALSE(c.session().Frame_Login->Visible());
        ASSERT_TRUE(waitFor([&] { return c.session().Frame_Login->Visible(); }));
        ExpectLoggedOut(c);
        EXPECT_TRUE(c.m_TCPData.empty());
        const std::string kept = port == silentPort ? "" : "DEMOdemo";
        EXPECT_EQ(c.session().Text_UserVisa->Text() + c.session().Text_PassWord->Text(), kept);
    }
}

TEST_F(SessionLogin, ServerClosingMidFrameOrAProtocolErrorLogsOutAndEmptiesTheBuffer) {
    const std::function<void()> breaks[] = {
        [this] {
            server().dropMidFrame();
            c().Toolbar_ButtonClick("TB_HOME");
        },
        // A length with its top bit set: nothing after it can be framed.
        [this] {
            server().sendGarbage(std::string{static_cast<char>(MSG_VALUE), '\x80', 0, 0, 1} + "xyz");
        }};
    for (const auto& breakLink : breaks) {
        LogIn();
        breakLink();
        ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_LOGIN; }));
        ExpectLoggedOut(c());
        EXPECT_TRUE(c().m_TCPData.empty());
        ASSERT_TRUE(waitFor([this] { return server().sessionCount() == 0; })) << "the client closed its end";
    }
}

// The stream is taken in slices, but the server's close waits for every frame sent before it.
TEST_F(SessionLogin, FramesBeforeTheServerClosesAreAllHandled) {
    LogIn();
    ShowPicture(1);
    std::string burst;
    for (int i = 0; i < 20000; ++i)
        burst += EncodeFrame(MSG_VALUE, std::string{0, static_cast<char>(i % 4)} + std::to_string(i) + ".5");
    burst += EncodeFrame(MSG_PICTURE_TABLE, std::string(kPictureTableSize, '\0') + Long2String(5) + ",END,");
    server().sendGarbage(burst);
    server().dropMidFrame();
    c().Toolbar_ButtonClick("TB_HOME");
    ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_LOGIN; }));
    EXPECT_EQ(c().m_WriteParameters, ",END,");
    EXPECT_EQ(ElementWithAddress("UTE.MV.GT41").m_Text, "19998.5");
    EXPECT_TRUE(c().m_TCPData.empty()) << "the half picture went with its connection";
}

TEST_F(SessionLogin, AFragmentLeftAtLogoutDoesNotSpoilTheNextLogin) {
    LogIn();
    server().stallMidFrame();
    c().Toolbar_ButtonClick("TB_HOME");
    ASSERT_TRUE(waitFor([this] { return !c().m_TCPData.empty(); })) << "half a picture has arrived";
    c().Toolbar_ButtonMenuClick("TB_LOGOUT", "TB_HOME");
    LogIn();
    EXPECT_EQ(c().m_AccessLevel, 31);
    ShowPicture(1);
    EXPECT_EQ(c().m_DynamicPointers, 4);
}

// The keep-alive claims the system-dialog channel on every 21st tick, and only while the system
// dialog is connected; the count restarts either way.
TEST_F(SessionLogin, KeepAliveEveryTwentyFirstTickOnlyWhileTheSystemDialogIsConnected) {
    LogIn();
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
    c().systemDialog().Winsock_SysDial->Close();
}

} // namespace
} // namespace pelorin::test
