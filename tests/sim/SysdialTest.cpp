#include "SimFixture.h"

using namespace pelorin;
using namespace pelorin::test;

namespace {

// Prompts end their line, so that the line a client sends back holds only what was typed.
const QByteArray kPrompt = "PELORIN> \r\n";
const QByteArray kCodeWordPrompt = "KODORD: \r\n";

struct SysdialInfo {
    int32_t used;
    int32_t total;
    std::vector<std::string> users;
    std::string macros;
};

SysdialInfo ReadInfo(const std::string& payload) {
    SysdialInfo info{String2Long(payload, 0), String2Long(payload, 4), {}, {}};
    int64_t pos = 8;
    // The users' names, then the macros, each after its length.
    for (int i = 0; i <= info.used; ++i) {
        const auto n = static_cast<size_t>(String2Long(payload, pos));
        const std::string field = payload.substr(static_cast<size_t>(pos + 4), n);
        pos += 4 + static_cast<int64_t>(n);
        if (i < info.used)
            info.users.push_back(field);
        else
            info.macros = field;
    }
    return info;
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

TEST_F(SysdialTest, LoginGetsChannelInfoAndClaimingAChannelTellsEveryClient) {
    auto first = loggedInClient();
    auto second = loggedInClient("DRIFT", "drift");
    for (int used : {0, 1}) {
        if (used)
            first->send(CMD_SYSDIAL_CHANNEL);
        for (SimTestClient* client : {first.get(), second.get()}) {
            const auto info = client->next(MSG_SYSDIAL_INFO);
            ASSERT_TRUE(info);
            const SysdialInfo read = ReadInfo(info->payload);
            EXPECT_EQ(read.used, used);
            EXPECT_EQ(read.total, 2);
            EXPECT_EQ(read.users, used ? std::vector<std::string>{kDemoName} : std::vector<std::string>{});
            EXPECT_EQ(GetField(read.macros, 0, std::string(1, '\0')), "status^M=Status");
        }
    }
    first->send(CMD_SYSDIAL_CHANNEL); // the keep-alive changes nothing
    first->send(CMD_LOGOUT);
    const auto released = second->next(MSG_SYSDIAL_INFO);
    ASSERT_TRUE(released);
    EXPECT_EQ(ReadInfo(released->payload).used, 0);
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
    EXPECT_EQ(m_Server->terminalCount(), 1);

    ASSERT_TRUE(unclaimed.connectTo(m_Server->terminalPort()));
    ASSERT_TRUE(waitFor([&] { return m_Server->pendingTerminalCount() == 1; }));
    m_Server->advanceClock(1000);
    EXPECT_EQ(m_Server->pendingTerminalCount(), 1);
    m_Server->advanceClock(1);
    EXPECT_TRUE(unclaimed.waitForClose());
    EXPECT_EQ(m_Server->pendingTerminalCount(), 0);
    EXPECT_EQ(m_Server->terminalCount(), 1);
}

TEST_F(SysdialTest, ChannelNeedsTheRightAndAFreeChannel) {
    startServer([](sim::ServerOptions& o) { o.channels = 1; });
    auto reader = loggedInClient("LAS", "las");
    reader->send(CMD_SYSDIAL_CHANNEL);
    ASSERT_TRUE(reader->sync());
    EXPECT_EQ(m_Server->channelsInUse(), 0) << "no right to the system dialog";
    auto operatorA = loggedInClient();
    operatorA->send(CMD_SYSDIAL_CHANNEL);
    ASSERT_TRUE(waitFor([&] { return m_Server->channelsInUse() == 1; }));
    auto operatorB = loggedInClient("DRIFT", "drift");
    operatorB->send(CMD_SYSDIAL_CHANNEL);
    ASSERT_TRUE(operatorB->sync());
    EXPECT_EQ(m_Server->channelsInUse(), 1);
}

TEST_F(SysdialTest, TerminalEchoesLinesAndAsksForTheCodeWordWithoutEchoingIt) {
    auto [client, terminal] = openTerminal();
    terminal->sendRaw("status\r");
    const QByteArray status = terminal->waitForText(kPrompt);
    EXPECT_TRUE(status.startsWith("status\r\n")) << status.toStdString();
    EXPECT_TRUE(status.endsWith(kPrompt));
    EXPECT_TRUE(status.contains("Utetemperatur:")) << status.toStdString();
    terminal->sendRaw("lista vs01.dag\r");
    const QByteArray listing = terminal->waitForText(kPrompt);
    EXPECT_TRUE(listing.startsWith("lista vs01.dag\r\n"));
    EXPECT_TRUE(listing.contains("VS01.DAG.PAR2                    42  skrivbar")) << listing.toStdString();
    terminal->sendRaw("nonsens\r");
    EXPECT_TRUE(terminal->waitForText(kPrompt).contains("Ok\xE4nt kommando: NONSENS"));

    terminal->sendRaw("skriv pg01.bv.gp1 55\r");
    EXPECT_TRUE(terminal->waitForText(kCodeWordPrompt).startsWith("skriv pg01.bv.gp1 55\r\n"));
    terminal->sendRaw("9999\r");
    const QByteArray refused = terminal->waitForText(kPrompt);
    EXPECT_TRUE(refused.contains("Fel kodord."));
    EXPECT_FALSE(refused.contains("9999"));
    EXPECT_EQ(*m_Server->modelValue("PG01.BV.GP1"), 45);
    terminal->sendRaw("skriv pg01.bv.gp1 55\r");
    terminal->waitForText(kCodeWordPrompt);
    terminal->sendRaw("1234\r");
    const QByteArray accepted = terminal->waitForText(kPrompt);
    EXPECT_TRUE(accepted.contains("OK  PG01.BV.GP1 = 55")) << accepted.toStdString();
    EXPECT_FALSE(accepted.contains("1234"));
    EXPECT_EQ(*m_Server->modelValue("PG01.BV.GP1"), 55);
}

// Client tests check what their terminal sent and feed it any bytes (a CR LF split over two arrivals).
TEST_F(SysdialTest, TerminalInputIsRecordedAndAnyBytesCanBeSentToTerminals) {
    auto [client, terminal] = openTerminal();
    terminal->sendRaw("sta");
    ASSERT_TRUE(waitFor([&] { return m_Server->terminalInput() == "\x10sta"; }));
    terminal->sendRaw("tus\r");
    EXPECT_TRUE(waitFor([&] { return m_Server->terminalInput() == "\x10status\r"; }))
        << m_Server->terminalInput();
    terminal->waitForText(kPrompt);
    m_Server->clearTerminalInput();
    EXPECT_EQ(m_Server->terminalInput(), "");

    EXPECT_EQ(m_Server->sendToTerminals("KODORD:\r"), 1);
    ASSERT_TRUE(terminal->waitForText("KODORD:\r") == "KODORD:\r");
    m_Server->sendToTerminals(std::string("\n\xE5\0", 3));
    const QByteArray rest("\n\xE5\0", 3);
    EXPECT_EQ(terminal->waitForText(rest), rest);
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
        while ((info = client->next(MSG_SYSDIAL_INFO, 1000)) && ReadInfo(info->payload).used != 0) {
        }
        EXPECT_TRUE(info) << "no channel information after the release";
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
