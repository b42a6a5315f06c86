#include "SimFixture.h"
#include "WireText.h"

using namespace pelorin;
using namespace pelorin::test;

namespace {

using LinkTest = SimFixture;

TEST_F(LinkTest, LoginReplyCarriesLevelPortHistoryAndNameAndARefusalNothingElse) {
    const struct {
        const char* visa;
        const char* password;
        int32_t level;
        std::string name;
    } cases[] = {{"DEMO", "demo", 31, kDemoName},
                 {"demo", "demo", 31, kDemoName},
                 {"LAS", "las", 1, "\xD6rjan L\xE4sare"},
                 {"DEMO", "Demo", 0, ""},
                 {"NOBODY", "demo", 0, ""},
                 {"", "", 0, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.visa) + "/" + c.password);
        SimTestClient client;
        ASSERT_TRUE(client.connectTo(m_Server->framedPort()));
        client.send(CMD_LOGIN, ScrambleLogin(std::string(c.visa) + '\xFF' + c.password, 0xA7));
        const auto reply = client.next(MSG_LOGIN_REPLY);
        ASSERT_TRUE(reply);
        EXPECT_EQ(String2Long(reply->payload, 0), c.level);
        EXPECT_EQ(String2Long(reply->payload, 4), m_Server->terminalPort());
        EXPECT_GT(String2Long(reply->payload, 8), 0);
        EXPECT_EQ(reply->payload.substr(12), c.name);
        if (c.level > 0)
            continue;
        client.send(CMD_GET_PICTURE_TABLE);
        client.send(CMD_GET_PICTURE, "1");
        // Once the next login's reply is in, nothing else came before it.
        EXPECT_EQ(client.login("DEMO", "wrong"), 0);
        EXPECT_TRUE(client.takeAll().empty());
    }
}

TEST_F(LinkTest, OnlyChangedValuesAreSentAndPictureZeroStopsThem) {
    auto client = loggedInClient();
    ASSERT_TRUE(client->getPicture(1));
    ASSERT_TRUE(client->waitForValues(0, dynamicCount(1) - 1));
    const int clock = numberOf(1, "UTE.MV.TID");
    EXPECT_EQ(client->value(clock), "8");
    m_Server->advanceClock(30000); // half an hour at 60 simulated seconds per second
    ASSERT_TRUE(waitFor([&] { return client->value(clock) == "8.3"; }));

    // Frozen, the model moves nothing but takes forced values.
    m_Server->setFrozen(true);
    ASSERT_TRUE(client->sync());
    client->takeAll();
    client->forgetValues();
    m_Server->advanceClock(600000);
    const int pressure = numberOf(1, "PG01.MV.GP1");
    EXPECT_TRUE(m_Server->forceValue("PG01.MV.GP1", 61.25));
    EXPECT_FALSE(m_Server->forceValue("NO.SUCH.SIGNAL", 1));
    ASSERT_TRUE(client->waitForValues(pressure, pressure));
    EXPECT_EQ(client->value(pressure), "61.25");
    ASSERT_TRUE(client->sync());
    EXPECT_EQ(client->takeAll().size(), 1u) << "the one changed value and nothing else";

    EXPECT_TRUE(client->answersTo(CMD_GET_PICTURE, "0").empty());
    m_Server->forceValue("PG01.MV.GP1", 62);
    m_Server->setFrozen(false);
    m_Server->advanceClock(60000);
    ASSERT_TRUE(client->sync());
    EXPECT_TRUE(client->takeAll().empty());
}

TEST_F(LinkTest, WrittenValueIsAppliedAndComesBackOrTheOldValueComesBack) {
    const struct {
        const char* user;
        const char* password;
        const char* address;
        const char* text;
        bool accepted;
    } cases[] = {
        {"DEMO", "demo", "PG01.BV.GP1", "50.5", true}, {"DEMO", "demo", "PG01.BV.GP1", " 48 ", true},
        {"DEMO", "demo", "PG01.BV.GP1", "1e9", true}, // clamped to the setpoint's range
        {"DEMO", "demo", "PG01.BV.GP1", "abc", false}, {"DEMO", "demo", "PG01.BV.GP1", "", false},
        {"DEMO", "demo", "PG01.MV.GP1", "10", false}, // measured values are read only
        {"LAS", "las", "PG01.BV.GP1", "20", false},   // no right to write
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.user) + " " + c.address + " '" + c.text + "'");
        auto client = loggedInClient(c.user, c.password);
        ASSERT_TRUE(client->getPicture(4));
        const int number = numberOf(4, c.address);
        ASSERT_TRUE(client->waitForValues(0, dynamicCount(4) - 1));
        const double before = *m_Server->modelValue(c.address);
        client->forgetValues();
        client->send(CMD_WRITE_VALUE, Long2String(number) + c.text);
        ASSERT_TRUE(client->waitForValues(number, number));
        const double after = *m_Server->modelValue(c.address);
        EXPECT_EQ(*client->value(number), sim::FormatValue(after));
        const auto record = m_Server->lastWrite(c.address);
        ASSERT_TRUE(record);
        EXPECT_EQ(std::pair(record->accepted, record->text), std::pair(c.accepted, std::string(c.text)));
        EXPECT_EQ(after, c.accepted ? std::min(sim::ParseValueText(c.text).value(), 150.0) : before);
    }
}

TEST_F(LinkTest, SameSeedGivesTheSameRunAndAnotherSeedAnother) {
    auto runOutdoor = [this](unsigned seed) {
        startServer([seed](sim::ServerOptions& o) { o.seed = seed; });
        for (int i = 0; i < 10; ++i)
            m_Server->advanceClock(7000);
        return *m_Server->modelValue("UTE.MV.GT41");
    };
    const double first = runOutdoor(7);
    EXPECT_EQ(runOutdoor(7), first);
    EXPECT_NE(runOutdoor(8), first);
}

} // namespace
