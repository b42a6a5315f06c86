#include "SimFixture.h"
#include "common/TestSupport.h"
#include "link/ClientProcs.h"
#include "link/Protocol.h"

using namespace pelorin;
using namespace pelorin::test;

namespace {

using FailureInjectionTest = SimFixture;

TEST_F(FailureInjectionTest, RefusedLoginsAnswerLevelZero) {
    m_Server->setRefuseLogins(true);
    SimTestClient client;
    ASSERT_TRUE(client.connectTo(m_Server->framedPort()));
    EXPECT_EQ(client.login("DEMO", "demo"), 0);
    m_Server->setRefuseLogins(false);
    EXPECT_EQ(client.login("DEMO", "demo"), 31);
}

TEST_F(FailureInjectionTest, DropMidFrameSendsHalfAFrameAndCloses) {
    auto client = loggedInClient();
    m_Server->dropMidFrame();
    client->send(CMD_GET_PICTURE, "1");
    EXPECT_TRUE(client->waitForClose());
    EXPECT_FALSE(client->next(MSG_PICTURE, 0));
}

TEST_F(FailureInjectionTest, StalledFrameArrivesWhenResumed) {
    auto client = loggedInClient();
    client->takeAll();
    m_Server->stallMidFrame();
    client->send(CMD_GET_FUNCTION_TEXT, "1");
    client->send(CMD_GET_PICTURE_TABLE);
    ASSERT_TRUE(waitFor([&] { return m_Server->receivedFrames().back().code == CMD_GET_PICTURE_TABLE; }));
    EXPECT_FALSE(client->next(MSG_FUNCTION_TEXT, 100));
    m_Server->resume();
    EXPECT_TRUE(client->next(MSG_FUNCTION_TEXT));
    EXPECT_TRUE(client->next(MSG_PICTURE_TABLE));
}

TEST_F(FailureInjectionTest, FramesAndGarbageOnDemandReachEveryClient) {
    auto first = loggedInClient();
    auto second = loggedInClient();
    m_Server->sendFrameToAll(MSG_LOGOUT, "");
    EXPECT_TRUE(first->next(MSG_LOGOUT));
    EXPECT_TRUE(second->next(MSG_LOGOUT));
    m_Server->sendFrameToAll(9, "ignored code");
    EXPECT_TRUE(first->next(9));
    m_Server->sendGarbage(std::string("\x06\x00\x00\x00\x04\x00\x01"
                                      "42",
                                      9));
    EXPECT_TRUE(second->next(MSG_VALUE));
    EXPECT_EQ(second->value(1), "42");
    m_Server->closeAllConnections();
    EXPECT_TRUE(first->waitForClose());
    EXPECT_TRUE(second->waitForClose());
}

} // namespace
