#include "SimFixture.h"
#include "common/TestSupport.h"
#include "link/ClientProcs.h"
#include "link/Protocol.h"

#include <QHostAddress>
#include <QTcpSocket>

using namespace pelorin;
using namespace pelorin::test;

namespace {

// The unframed terminal stream, as bytes.
class TerminalClient {
public:
    bool connectTo(quint16 port) {
        startConnecting(port);
        return pelorin::test::waitFor([this] { return m_Socket.state() == QAbstractSocket::ConnectedState; });
    }
    void startConnecting(quint16 port) { m_Socket.connectToHost(QHostAddress::LocalHost, port); }
    void send(const QByteArray& bytes) { m_Socket.write(bytes); }
    // Waits until the received text holds `text`; returns everything received so far and forgets it.
    QByteArray waitForText(const QByteArray& text) {
        pelorin::test::waitFor([&] {
            m_Received += m_Socket.readAll();
            return m_Received.contains(text);
        });
        return std::exchange(m_Received, QByteArray());
    }
    bool waitForClose() {
        return pelorin::test::waitFor(
            [this] { return m_Socket.state() == QAbstractSocket::UnconnectedState; });
    }

private:
    QTcpSocket m_Socket;
    QByteArray m_Received;
};

struct SysdialInfo {
    int32_t used;
    int32_t total;
    std::vector<std::string> users;
};

SysdialInfo ReadInfo(const std::string& payload) {
    SysdialInfo info{String2Long(payload, 0), String2Long(payload, 4), {}};
    int64_t pos = 8;
    for (int i = 0; i < info.used; ++i) {
        const int32_t n = String2Long(payload, pos);
        info.users.push_back(payload.substr(static_cast<size_t>(pos + 4), static_cast<size_t>(n)));
        pos += 4 + n;
    }
    return info;
}

class SysdialTest : public SimFixture {
protected:
    // A logged-in client holding a channel, with its terminal connected and woken.
    std::pair<std::unique_ptr<SimTestClient>, std::unique_ptr<TerminalClient>> openTerminal() {
        auto client = loggedInClient();
        client->send(CMD_SYSDIAL_CHANNEL);
        EXPECT_TRUE(waitFor([&] { return m_Server->channelsInUse() == 1; }));
        auto terminal = std::make_unique<TerminalClient>();
        EXPECT_TRUE(terminal->connectTo(m_Server->terminalPort()));
        terminal->send("\x10");
        EXPECT_TRUE(terminal->waitForText("PELORIN> ")
                        .contains("\xC5sa \xD6"
                                  "berg"));
        return {std::move(client), std::move(terminal)};
    }
};

TEST_F(SysdialTest, ClaimingAChannelTellsEveryClient) {
    auto first = loggedInClient();
    auto second = loggedInClient("DRIFT", "drift");
    ASSERT_TRUE(first->next(MSG_SYSDIAL_INFO));
    ASSERT_TRUE(second->next(MSG_SYSDIAL_INFO));
    first->send(CMD_SYSDIAL_CHANNEL);
    for (SimTestClient* client : {first.get(), second.get()}) {
        const auto info = client->next(MSG_SYSDIAL_INFO);
        ASSERT_TRUE(info);
        const SysdialInfo read = ReadInfo(info->payload);
        EXPECT_EQ(read.used, 1);
        EXPECT_EQ(read.total, 2);
        EXPECT_EQ(read.users, std::vector<std::string>{"\xC5sa \xD6"
                                                       "berg"});
    }
    first->send(CMD_SYSDIAL_CHANNEL); // the keep-alive changes nothing
    first->send(CMD_LOGOUT);
    const auto released = second->next(MSG_SYSDIAL_INFO);
    ASSERT_TRUE(released);
    EXPECT_EQ(ReadInfo(released->payload).used, 0);
}

TEST_F(SysdialTest, ChannelNeedsTheRightAndAFreeChannel) {
    startServer([](sim::ServerOptions& o) { o.channels = 1; });
    auto reader = loggedInClient("LAS", "las");
    reader->send(CMD_SYSDIAL_CHANNEL);
    auto operatorA = loggedInClient();
    operatorA->send(CMD_SYSDIAL_CHANNEL);
    ASSERT_TRUE(waitFor([&] { return m_Server->channelsInUse() == 1; }));
    auto operatorB = loggedInClient("DRIFT", "drift");
    operatorB->send(CMD_SYSDIAL_CHANNEL);
    operatorB->send(CMD_GET_PICTURE_TABLE);
    ASSERT_TRUE(operatorB->next(MSG_PICTURE_TABLE));
    EXPECT_EQ(m_Server->channelsInUse(), 1);
}

TEST_F(SysdialTest, TerminalWithoutAClaimedChannelIsClosed) {
    auto client = loggedInClient();
    TerminalClient terminal;
    terminal.startConnecting(m_Server->terminalPort());
    EXPECT_TRUE(terminal.waitForClose());
    EXPECT_EQ(m_Server->terminalCount(), 0);
}

TEST_F(SysdialTest, TerminalEchoesLinesAndAnswersCommands) {
    auto [client, terminal] = openTerminal();
    terminal->send("status\r");
    const QByteArray status = terminal->waitForText("PELORIN> ");
    EXPECT_TRUE(status.startsWith("status\r\n")) << status.toStdString();
    EXPECT_TRUE(status.contains("Utetemperatur:")) << status.toStdString();

    terminal->send("lista vs01.dag\r");
    const QByteArray listing = terminal->waitForText("PELORIN> ");
    EXPECT_TRUE(listing.startsWith("lista vs01.dag\r\n"));
    EXPECT_TRUE(listing.contains("VS01.DAG.PAR2                    42  skrivbar")) << listing.toStdString();

    terminal->send("nonsens\r");
    EXPECT_TRUE(terminal->waitForText("PELORIN> ").contains("Ok\xE4nt kommando: NONSENS"));
}

TEST_F(SysdialTest, PrivilegedCommandAsksForTheCodeWordAndNeverEchoesIt) {
    auto [client, terminal] = openTerminal();
    terminal->send("skriv pg01.bv.gp1 55\r");
    EXPECT_TRUE(terminal->waitForText("KODORD: ").startsWith("skriv pg01.bv.gp1 55\r\n"));
    terminal->send("9999\r");
    const QByteArray refused = terminal->waitForText("PELORIN> ");
    EXPECT_TRUE(refused.contains("Fel kodord."));
    EXPECT_FALSE(refused.contains("9999"));
    EXPECT_EQ(*m_Server->modelValue("PG01.BV.GP1"), 45);

    terminal->send("skriv pg01.bv.gp1 55\r");
    terminal->waitForText("KODORD: ");
    terminal->send("1234\r");
    const QByteArray accepted = terminal->waitForText("PELORIN> ");
    EXPECT_TRUE(accepted.contains("OK  PG01.BV.GP1 = 55")) << accepted.toStdString();
    EXPECT_FALSE(accepted.contains("1234"));
    EXPECT_EQ(*m_Server->modelValue("PG01.BV.GP1"), 55);
}

TEST_F(SysdialTest, ChannelIsReleasedWhenTheKeepAliveStops) {
    auto [client, terminal] = openTerminal();
    m_Server->advanceClock(20000);
    client->send(CMD_SYSDIAL_CHANNEL);
    ASSERT_TRUE(client->sync());
    m_Server->advanceClock(30000);
    EXPECT_EQ(m_Server->channelsInUse(), 1) << "30 s after the last keep-alive the channel is still held";
    m_Server->advanceClock(1000);
    EXPECT_EQ(m_Server->channelsInUse(), 0);
    EXPECT_TRUE(terminal->waitForClose());
    while (auto info = client->next(MSG_SYSDIAL_INFO, 1000))
        if (ReadInfo(info->payload).used == 0)
            return;
    ADD_FAILURE() << "no channel information after the release";
}

TEST_F(SysdialTest, ClosingEitherConnectionReleasesTheChannel) {
    {
        auto [client, terminal] = openTerminal();
        terminal->send("slut\r");
        EXPECT_TRUE(terminal->waitForClose());
        EXPECT_TRUE(waitFor([&] { return m_Server->channelsInUse() == 0; }));
    }
    auto [client, terminal] = openTerminal();
    client->close();
    EXPECT_TRUE(terminal->waitForClose());
    EXPECT_EQ(m_Server->channelsInUse(), 0);
}

} // namespace
