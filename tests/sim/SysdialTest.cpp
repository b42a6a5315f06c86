#include "SimFixture.h"

using namespace pelorin;
using namespace pelorin::test;

namespace {

const QByteArray kPrompt = "PELORIN> \r\n";

using SysdialTest = SimFixture;

TEST_F(SysdialTest, AClaimNeedsAFreeChannelAndLastsUntilLogoutOr30sWithoutKeepAlive) {
    startServer([](sim::ServerOptions& o) { o.channels = 1; });
    auto first = loggedInClient();
    auto second = loggedInClient("DRIFT", "drift");
    first->send(CMD_SYSDIAL_CHANNEL);
    ASSERT_TRUE(first->sync());
    second->send(CMD_SYSDIAL_CHANNEL);
    ASSERT_TRUE(second->sync());
    EXPECT_EQ(m_Server->channelsInUse(), 1) << "the only channel, claimed by the first";
    second->takeAll();
    first->send(CMD_LOGOUT);
    const auto released = second->next(MSG_SYSDIAL_INFO);
    ASSERT_TRUE(released);
    EXPECT_EQ(String2Long(released->payload, 0), 0) << "no channel in use";

    second->send(CMD_SYSDIAL_CHANNEL);
    ASSERT_TRUE(second->sync());
    m_Server->advanceClock(20000);
    second->send(CMD_SYSDIAL_CHANNEL);
    ASSERT_TRUE(second->sync());
    m_Server->advanceClock(30000);
    EXPECT_EQ(m_Server->channelsInUse(), 1) << "30 s after the last keep-alive the channel is still held";
    m_Server->advanceClock(1000);
    EXPECT_EQ(m_Server->channelsInUse(), 0);
}

// A logged-in client whose terminal connected, and sent its wake-up, a second before the claim came.
class ClaimedTerminalTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        client = loggedInClient();
        ASSERT_TRUE(terminal.connectTo(m_Server->terminalPort()));
        terminal.sendRaw("\x10");
        ASSERT_TRUE(waitFor([this] { return m_Server->pendingTerminalCount() == 1; }));
        m_Server->advanceClock(1000);
        client->send(CMD_SYSDIAL_CHANNEL);
        banner = terminal.waitForText(kPrompt);
    }

    std::unique_ptr<SimTestClient> client;
    SimTestClient terminal{false};
    QByteArray banner;
};

TEST_F(ClaimedTerminalTest, TheWakeUpSentBeforeTheClaimCounts) {
    EXPECT_TRUE(banner.contains("systemdialog"));
    EXPECT_TRUE(banner.contains(QByteArray::fromStdString(kDemoName)));
}

TEST_F(ClaimedTerminalTest, ATerminalWithoutAClaimIsClosedAfterASecond) {
    SimTestClient unclaimed(false);
    ASSERT_TRUE(unclaimed.connectTo(m_Server->terminalPort()));
    ASSERT_TRUE(waitFor([&] { return m_Server->pendingTerminalCount() == 1; }));
    m_Server->advanceClock(1000);
    EXPECT_EQ(m_Server->pendingTerminalCount(), 1);
    m_Server->advanceClock(1);
    EXPECT_TRUE(unclaimed.waitForClose());
    EXPECT_EQ(m_Server->terminalCount(), 1);
}

TEST_F(ClaimedTerminalTest, AWrongCodeWordIsRefusedUnechoedAndWritesNothing) {
    terminal.sendRaw("skriv pg01.bv.gp1 55\r");
    EXPECT_TRUE(terminal.waitForText("KODORD: \r\n").startsWith("skriv pg01.bv.gp1 55\r\n"));
    terminal.sendRaw("9999\r");
    const QByteArray refused = terminal.waitForText(kPrompt);
    EXPECT_TRUE(refused.contains("Fel kodord."));
    EXPECT_FALSE(refused.contains("9999"));
    EXPECT_EQ(*m_Server->modelValue("PG01.BV.GP1"), 45);
}

TEST_F(ClaimedTerminalTest, SlutClosesTheTerminalAndReleasesItsChannel) {
    terminal.sendRaw("slut\r");
    EXPECT_TRUE(terminal.waitForClose());
    EXPECT_TRUE(waitFor([this] { return m_Server->channelsInUse() == 0; }));
}

// Connections cycling from one address cannot fill the terminal port's waiting room: beyond a few
// waiting for their claim, that address is refused at once while another still gets in.
TEST_F(SysdialTest, OneAddressMayHaveOnlyAFewTerminalConnectionsWaitingForTheirClaim) {
    const QHostAddress other(QStringLiteral("127.0.0.2"));
    std::vector<std::unique_ptr<SimTestClient>> waiting;
    for (int i = 0; i < 4; ++i) {
        waiting.push_back(std::make_unique<SimTestClient>(false));
        ASSERT_TRUE(waiting.back()->connectTo(m_Server->terminalPort(), true, other));
    }
    ASSERT_TRUE(waitFor([&] { return m_Server->pendingTerminalCount() == 4; }));
    SimTestClient refused(false);
    refused.connectTo(m_Server->terminalPort(), false, other);
    EXPECT_TRUE(refused.waitForClose());

    SimTestClient honest(false);
    ASSERT_TRUE(honest.connectTo(m_Server->terminalPort()));
    EXPECT_TRUE(waitFor([&] { return m_Server->pendingTerminalCount() == 5; }));
    EXPECT_TRUE(honest.isConnected());
}

} // namespace
