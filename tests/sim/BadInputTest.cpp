#include "SimFixture.h"

#include <random>

using namespace pelorin;
using namespace pelorin::test;

namespace {

class BadInputTest : public SimFixture {
protected:
    // Another client is still served in full: login, table, picture and its values.
    void expectOthersServed() {
        auto other = loggedInClient();
        other->send(CMD_GET_PICTURE_TABLE);
        EXPECT_TRUE(other->next(MSG_PICTURE_TABLE));
        ASSERT_TRUE(other->getPicture(2));
        EXPECT_TRUE(other->waitForValues(0, dynamicCount(2) - 1));
    }
};

TEST_F(BadInputTest, ImpossibleFrameLengthsCloseTheConnection) {
    const QByteArray heads[] = {
        QByteArray("\x01\x80\x00\x00\x00", 5), // top bit set
        QByteArray("\x0E\x7F\xFF\xFF\xFF", 5), // two gigabytes of logbook
        QByteArray::fromStdString(Byte2String(CMD_SAVE_GLOBAL_LOG) + Long2String(kMaxPayloadLength + 1)),
    };
    for (const QByteArray& head : heads) {
        SCOPED_TRACE(head.toHex().toStdString());
        auto client = loggedInClient();
        client->sendRaw(head + "abc");
        EXPECT_TRUE(client->waitForClose());
    }
    expectOthersServed();
}

TEST_F(BadInputTest, RandomGarbageNeitherCrashesNorStopsOthers) {
    std::mt19937 random(12345);
    for (int round = 0; round < 20; ++round) {
        SimTestClient client;
        ASSERT_TRUE(client.connectTo(m_Server->framedPort()));
        if (round % 2)
            client.login("DEMO", "demo");
        QByteArray garbage;
        for (int i = 0; i < 2000; ++i)
            garbage += static_cast<char>(random() & 0xFF);
        client.sendRaw(garbage);
        // Small lengths make frames (answered or ignored); a huge one closes the link.
        client.send(CMD_GET_PICTURE_TABLE);
        waitFor([&] { return client.pendingFrames() > 1 || !client.isConnected(); }, 200);
    }
    expectOthersServed();
}

TEST_F(BadInputTest, HalfFramesAndSilenceHoldUpNobodyAndAreClosedLater) {
    SimTestClient neverLoggedIn, halfHead, halfPayload;
    for (SimTestClient* client : {&neverLoggedIn, &halfHead, &halfPayload})
        ASSERT_TRUE(client->connectTo(m_Server->framedPort()));
    halfHead.login("DEMO", "demo");
    halfHead.sendRaw(QByteArray("\x0D\x00\x00", 3));
    halfPayload.login("DEMO", "demo");
    halfPayload.sendRaw(QByteArray("\x0E\x00\x00\x01\x00half", 9));
    auto active = loggedInClient();
    expectOthersServed();
    EXPECT_TRUE(halfHead.isConnected());
    m_Server->advanceClock(31000);
    for (SimTestClient* client : {&neverLoggedIn, &halfHead, &halfPayload})
        EXPECT_TRUE(client->waitForClose());
    active->send(CMD_GET_PICTURE_TABLE);
    EXPECT_TRUE(active->next(MSG_PICTURE_TABLE));
}

TEST_F(BadInputTest, UnknownCodesAndShortPayloadsAreIgnored) {
    auto client = loggedInClient();
    ASSERT_TRUE(client->getPicture(3));
    const std::pair<uint8_t, std::string> frames[] = {
        {0, ""},
        {6, "xy"},
        {15, std::string(3, '\0')},
        {200, "z"},
        {255, ""},
        {CMD_WRITE_VALUE, "\x01"},
        {CMD_WRITE_VALUE, Long2String(30000) + "5"},
        {CMD_WRITE_VALUE, std::string("\xFF\xFF\xFF\xFF", 4) + "5"},
        {CMD_WATCH_SETPOINT, ""},
        {CMD_WATCH_SETPOINT, ";;;;;;;"},
        {CMD_WATCH_SETPOINT, "NO.SUCH;X"},
        {CMD_GET_PICTURE, ""},
        {CMD_GET_PICTURE, "-1"},
        {CMD_GET_PICTURE, "1x"},
        {CMD_GET_PICTURE, "99999999999"},
        {CMD_GET_PICTURE_LOG, ""},
        {CMD_SAVE_PICTURE_LOG, "\x01"},
        {CMD_GET_FUNCTION_TEXT, ""},
        {CMD_LOGIN, ""},
        {CMD_LOGIN, std::string(300, '\xFF')}};
    for (const auto& [code, payload] : frames)
        client->send(code, payload);
    for (int garbageLogin = 0; garbageLogin < 2; ++garbageLogin) {
        const auto refused = client->next(MSG_LOGIN_REPLY);
        ASSERT_TRUE(refused);
        EXPECT_EQ(String2Long(refused->payload, 0), 0);
    }
    EXPECT_TRUE(client->isConnected());
    EXPECT_EQ(client->login("DEMO", "demo"), 31);
    client->send(CMD_GET_PICTURE_TABLE);
    EXPECT_TRUE(client->next(MSG_PICTURE_TABLE));
}

TEST_F(BadInputTest, ManyConnectionsAreServed) {
    std::vector<std::unique_ptr<SimTestClient>> crowd;
    for (int i = 0; i < 200; ++i) {
        crowd.push_back(std::make_unique<SimTestClient>());
        ASSERT_TRUE(crowd.back()->connectTo(m_Server->framedPort()));
        if (i % 10 == 0)
            crowd.back()->login("LAS", "las");
    }
    ASSERT_TRUE(waitFor([&] { return m_Server->sessionCount() == 200; }));
    expectOthersServed();
    crowd.clear();
    EXPECT_TRUE(waitFor([&] { return m_Server->sessionCount() == 0; }));
}

// The failure seams that the control's tests rely on.
TEST_F(BadInputTest, FailureSeamsRefuseSendStallDropAndClose) {
    m_Server->setRefuseLogins(true);
    SimTestClient refused;
    ASSERT_TRUE(refused.connectTo(m_Server->framedPort()));
    EXPECT_EQ(refused.login("DEMO", "demo"), 0);
    m_Server->setRefuseLogins(false);

    auto client = loggedInClient();
    auto other = loggedInClient();
    m_Server->sendFrameToAll(9, "ignored code");
    m_Server->sendGarbage(EncodeFrame(MSG_VALUE, std::string("\x00\x01", 2) + "42"));
    for (SimTestClient* c : {client.get(), other.get()}) {
        EXPECT_TRUE(c->next(9));
        EXPECT_TRUE(c->next(MSG_VALUE));
        EXPECT_EQ(c->value(1), "42");
    }

    m_Server->stallMidFrame();
    client->send(CMD_GET_FUNCTION_TEXT, "1");
    client->send(CMD_GET_PICTURE_TABLE);
    ASSERT_TRUE(waitFor([&] { return m_Server->receivedFrames().back().code == CMD_GET_PICTURE_TABLE; }));
    EXPECT_FALSE(client->next(MSG_FUNCTION_TEXT, 100));
    m_Server->resume();
    EXPECT_TRUE(client->next(MSG_FUNCTION_TEXT));
    EXPECT_TRUE(client->next(MSG_PICTURE_TABLE));

    m_Server->dropMidFrame();
    client->send(CMD_GET_PICTURE, "1");
    EXPECT_TRUE(client->waitForClose());
    EXPECT_FALSE(client->next(MSG_PICTURE, 0));
    m_Server->closeAllConnections();
    EXPECT_TRUE(other->waitForClose());
    EXPECT_TRUE(refused.waitForClose());
}

} // namespace
