#include "SimFixture.h"

using namespace pelorin;
using namespace pelorin::test;

namespace {

// Prompts end their line, so that the line a client sends back holds only what was typed.
const QByteArray kPrompt = "PELORIN> \r\n";
const QByteArray kCodeWordPrompt = "KODORD: \r\n";

// The channels in use, as the channel information tells every client.
int32_t ChannelsUsed(const Frame& info) {
    return String2Long(info.payload, 0);
}

class SysdialTest : public SimFixture {
protected:
    // A logged-in client holding a channel, with its terminal connected and woken.
    std::pair<std::unique_ptr<SimTestClient>, std::unique_ptr<SimTestClient>> openTerminal() {
        auto client = loggedInClient();
        client->send(CMD_SYSDIAL_CHANNEL);
        EXPECT_TRUE(waitFor([&] { return m_Server->channelsInUse() == 1; }));
        auto terminal = std::make_unique<SimTestClient>(false);
        EXPECT_TRUE(terminal->connectTo(m_Server->terminalPort()));
        terminal->sendRaw("\x10");
        EXPECT_TRUE(terminal->waitForText(kPrompt).contains(QByteArray::fromStdString(kDemoName)));
        return {std::move(client), std::move(terminal)};
    }
};

TEST_F(SysdialTest, ClaimsNeedTheRightAndAFreeChannelAndEveryClientHearsOfTheRelease) {
    startServer([](sim::ServerOptions& o) { o.channels = 1; });
    auto first = loggedInClient();
    auto second = loggedInClient("DRIFT", "drift");
    auto reader = loggedInClient("LAS", "las");
    for (const auto& [claimer, used] : {std::pair{reader.get(), 0}, {first.get(), 1}, {second.get(), 1}}) {
        claimer->send(CMD_SYSDIAL_CHANNEL);
        ASSERT_TRUE(claimer->sync());
        EXPECT_EQ(m_Server->channelsInUse(), used);
    }
    first->send(CMD_SYSDIAL_CHANNEL); // the keep-alive changes nothing
    ASSERT_TRUE(first->sync());
    second->takeAll();
    first->send(CMD_LOGOUT);
    const auto released = second->next(MSG_SYSDIAL_INFO);
    ASSERT_TRUE(released);
    EXPECT_EQ(ChannelsUsed(*released), 0);
}

TEST_F(SysdialTest, TerminalArrivingBeforeItsClaimIsHeldForASecond) {
    auto client = loggedInClient();
    SimTestClient early(false), unclaimed(false);
    ASSERT_TRUE(early.connectTo(m_Server->terminalPort()));
    early.sendRaw("\x10");
    ASSERT_TRUE(waitFor([&] { return m_Server->pendingTerminalCount() == 1; }));
    m_Server->advanceClock(1000);
    client->send(CMD_SYSDIAL_CHANNEL);
    EXPECT_TRUE(early.waitForText(kPrompt).contains("systemdialog")) << "the wake-up sent early counts";

    ASSERT_TRUE(unclaimed.connectTo(m_Server->terminalPort()));
    ASSERT_TRUE(waitFor([&] { return m_Server->pendingTerminalCount() == 1; }));
    m_Server->advanceClock(1000);
    EXPECT_EQ(m_Server->pendingTerminalCount(), 1);
    m_Server->advanceClock(1);
    EXPECT_TRUE(unclaimed.waitForClose());
    EXPECT_EQ(m_Server->terminalCount(), 1);
}

TEST_F(SysdialTest, AWrongCodeWordIsRefusedAndNeverEchoed) {
    auto [client, terminal] = openTerminal();
    terminal->sendRaw("skriv pg01.bv.gp1 55\r");
    EXPECT_TRUE(terminal->waitForText(kCodeWordPrompt).startsWith("skriv pg01.bv.gp1 55\r\n"));
    terminal->sendRaw("9999\r");
    const QByteArray refused = terminal->waitForText(kPrompt);
    EXPECT_TRUE(refused.contains("Fel kodord."));
    EXPECT_FALSE(refused.contains("9999"));
    EXPECT_EQ(*m_Server->modelValue("PG01.BV.GP1"), 45);
}

TEST_F(SysdialTest, ChannelIsReleasedWhenTheKeepAliveStopsOrEitherConnectionCloses) {
    {
        auto [client, terminal] = openTerminal();
        m_Server->advanceClock(20000);
        client->send(CMD_SYSDIAL_CHANNEL);
        ASSERT_TRUE(client->sync());
        m_Server->advanceClock(30000);
        EXPECT_EQ(m_Server->channelsInUse(), 1) << "30 s after the last keep-alive the channel is still held";
        m_Server->advanceClock(1000);
        EXPECT_EQ(m_Server->channelsInUse(), 0);
        EXPECT_TRUE(terminal->waitForClose());
        std::optional<Frame> info;
        while ((info = client->next(MSG_SYSDIAL_INFO, 1000)) && ChannelsUsed(*info) != 0) {
        }
        EXPECT_TRUE(info) << "the release is told";
    }
    {
        auto [client, terminal] = openTerminal();
        terminal->sendRaw("slut\r");
        EXPECT_TRUE(terminal->waitForClose());
        EXPECT_TRUE(waitFor([&] { return m_Server->channelsInUse() == 0; }));
    }
    auto [client, terminal] = openTerminal();
    client.reset();
    EXPECT_TRUE(terminal->waitForClose());
    EXPECT_EQ(m_Server->channelsInUse(), 0);
}

} // namespace
