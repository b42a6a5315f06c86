#include "SimFixture.h"

using namespace pelorin;
using namespace pelorin::test;

namespace {

class LimitsTest : public SimFixture {
protected:
    // Sends the start of a frame and waits until the simulator holds it as unfinished input.
    void sendUnfinished(SimTestClient& client, const std::string& bytes) {
        const size_t before = m_Server->bufferedInput();
        client.sendRaw(QByteArray::fromStdString(bytes));
        ASSERT_TRUE(waitFor([&] { return m_Server->bufferedInput() == before + bytes.size(); }));
    }
    static std::string logbookHead(uint32_t length) {
        return Byte2String(CMD_SAVE_GLOBAL_LOG) + Long2String(static_cast<int32_t>(length));
    }
};

TEST_F(LimitsTest, LongFramesAreTakenAndImpossibleLengthsCloseLeavingOthersServed) {
    auto writer = loggedInClient();
    const std::string logbook(10 * 1024 * 1024, '\xE5');
    writer->send(CMD_SAVE_GLOBAL_LOG, logbook);
    writer->send(CMD_GET_GLOBAL_LOG);
    EXPECT_TRUE(writer->next(MSG_GLOBAL_LOG, 20000) == (Frame{MSG_GLOBAL_LOG, logbook}));

    // The top bit set, two gigabytes, and one byte more than a frame may hold.
    for (const std::string& head :
         {std::string("\x01\x80\x00\x00\x00", 5), std::string("\x0E\x7F\xFF\xFF\xFF", 5),
          logbookHead(kMaxPayloadLength + 1)}) {
        auto client = loggedInClient();
        client->sendRaw(QByteArray::fromStdString(head + "abc"));
        EXPECT_TRUE(client->waitForClose());
    }
    EXPECT_TRUE(writer->getPicture(2));
}

TEST_F(LimitsTest, DeadlinesRunFromConnectingAndFromTheFirstByteOfAFrame) {
    SimTestClient silent;
    ASSERT_TRUE(silent.connectTo(m_Server->framedPort()));
    auto dripper = loggedInClient();
    auto bigFrame = loggedInClient();
    auto idle = loggedInClient();
    ASSERT_TRUE(waitFor([&] { return m_Server->sessionCount() == 4; }));
    const std::string drip = logbookHead(100) + "text";
    sendUnfinished(*dripper, drip.substr(0, 1));
    // Two MiB announced: two seconds more than the frame time-out.
    sendUnfinished(*bigFrame, logbookHead(2u * 1024u * 1024u) + "start");

    // A byte every five seconds does not keep a frame alive past 30 s from its first byte.
    m_Server->advanceClock(5000);
    EXPECT_EQ(m_Server->sessionCount(), 4) << "five seconds to log in";
    for (size_t i = 1; i <= 5; ++i) {
        sendUnfinished(*dripper, drip.substr(i, 1));
        m_Server->advanceClock(5000);
    }
    EXPECT_TRUE(silent.waitForClose());
    EXPECT_EQ(m_Server->sessionCount(), 3);
    m_Server->advanceClock(1);
    EXPECT_TRUE(dripper->waitForClose());
    m_Server->advanceClock(2047);
    EXPECT_EQ(m_Server->sessionCount(), 2);
    m_Server->advanceClock(1);
    EXPECT_TRUE(bigFrame->waitForClose());
    m_Server->advanceClock(600000);
    EXPECT_TRUE(idle->sync()) << "a logged-in connection with no unfinished frame may idle";
    EXPECT_EQ(m_Server->bufferedInput(), 0u);
}

TEST_F(LimitsTest, ConnectionsAndTheirUnfinishedInputAreCappedForAllTogether) {
    startServer([](sim::ServerOptions& o) {
        o.maxBufferedInput = 64 * 1024;
        o.maxConnections = 4;
        o.maxConnectionsPerAddress = 4;
    });
    auto a = loggedInClient();
    auto b = loggedInClient();
    const std::string logbook(60 * 1024, 'x');
    sendUnfinished(*a, logbookHead(60 * 1024) + logbook.substr(0, 40 * 1024));
    b->sendRaw(QByteArray::fromStdString(logbookHead(60 * 1024) + logbook.substr(0, 30 * 1024)));
    EXPECT_TRUE(b->waitForClose());
    a->sendRaw(QByteArray::fromStdString(logbook.substr(40 * 1024)));
    a->send(CMD_GET_GLOBAL_LOG);
    EXPECT_TRUE(a->next(MSG_GLOBAL_LOG) == (Frame{MSG_GLOBAL_LOG, logbook}));
    EXPECT_EQ(m_Server->bufferedInput(), 0u);

    // When all connections are taken, the oldest idle one makes room: not logged in, and silent for a
    // second. One that is logging in (connected a moment ago, or in the middle of its login frame)
    // stays, and the newcomer is refused instead.
    b = loggedInClient();
    SimTestClient idle, loggingIn;
    ASSERT_TRUE(idle.connectTo(m_Server->framedPort()));
    ASSERT_TRUE(waitFor([&] { return m_Server->sessionCount() == 3; }));
    m_Server->advanceClock(1000);
    ASSERT_TRUE(loggingIn.connectTo(m_Server->framedPort()));
    ASSERT_TRUE(waitFor([&] { return m_Server->sessionCount() == 4; }));
    auto c = loggedInClient();
    EXPECT_TRUE(idle.waitForClose());

    const std::string login = EncodeFrame(CMD_LOGIN, ScrambleLogin("DEMO\xFF"
                                                                   "demo",
                                                                   0x5A));
    sendUnfinished(loggingIn, login.substr(0, 3));
    m_Server->advanceClock(1000);
    SimTestClient refused;
    refused.connectTo(m_Server->framedPort(), false);
    EXPECT_TRUE(refused.waitForClose());
    loggingIn.sendRaw(QByteArray::fromStdString(login.substr(3)));
    EXPECT_TRUE(loggingIn.next(MSG_LOGIN_REPLY).has_value());
    EXPECT_EQ(m_Server->loggedInCount(), 4);
    EXPECT_TRUE(a->sync() && c->sync());
}

// Connections that log in are never displaced, so one address could otherwise take every slot: beyond
// half of them it is refused at once, and the other half stays for everyone else.
TEST_F(LimitsTest, OneAddressMayHoldOnlyHalfTheConnections) {
    startServer([](sim::ServerOptions& o) { o.maxConnections = 4; });
    const QHostAddress other(QStringLiteral("127.0.0.2"));
    std::vector<std::unique_ptr<SimTestClient>> fromOther;
    for (int i = 0; i < 2; ++i) {
        fromOther.push_back(std::make_unique<SimTestClient>());
        ASSERT_TRUE(fromOther.back()->connectTo(m_Server->framedPort(), true, other));
        ASSERT_GE(fromOther.back()->login("DEMO", "demo"), 1);
    }
    SimTestClient refused;
    refused.connectTo(m_Server->framedPort(), false, other);
    EXPECT_TRUE(refused.waitForClose());

    auto first = loggedInClient();
    auto second = loggedInClient();
    EXPECT_EQ(m_Server->loggedInCount(), 4);
}

// A stalled server keeps the connection open but neither reads nor sends until it resumes; a flood
// sends values of the picture shown at the rate given, on top of those that change.
TEST_F(LimitsTest, InjectedStallsHoldAnswersBackAndFloodsComeAtTheirRate) {
    startServer([](sim::ServerOptions& o) {
        o.stallAfterLoginMs = 1000;
        o.floodValuesPerSecond = 2000;
    });
    m_Server->setFrozen(true);
    auto client = loggedInClient();
    ASSERT_TRUE(client->getPicture(1));
    ASSERT_TRUE(client->sync());
    client->takeAll();
    m_Server->advanceClock(100);
    ASSERT_TRUE(client->sync());
    const std::vector<Frame> frames = client->takeAll();
    EXPECT_EQ(std::count_if(frames.begin(), frames.end(), [](const Frame& f) { return f.code == MSG_VALUE; }),
              200);

    m_Server->advanceClock(900);
    client->send(CMD_GET_GLOBAL_LOG);
    EXPECT_FALSE(client->next(MSG_GLOBAL_LOG, 300).has_value());
    EXPECT_TRUE(client->isConnected());
    m_Server->resume();
    EXPECT_TRUE(client->next(MSG_GLOBAL_LOG).has_value());
}

} // namespace
