#include "SimFixture.h"
#include "WireText.h"

#include <QDir>

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
                 {"", "", 0, ""}};
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.visa) + "/" + c.password);
        SimTestClient client;
        ASSERT_TRUE(client.connectTo(m_Server->framedPort()));
        client.send(CMD_LOGIN, ScrambleLogin(std::string(c.visa) + '\xFF' + c.password, 0xA7));
        EXPECT_EQ(client.next(MSG_LOGIN_REPLY),
                  (Frame{MSG_LOGIN_REPLY, Long2String(c.level) + Long2String(m_Server->terminalPort()) +
                                              Long2String(20000) + c.name}));
        if (c.level > 0)
            continue;
        client.send(CMD_GET_PICTURE, "1");
        // Once the next login's reply is in, nothing else came before it.
        EXPECT_EQ(client.login("DEMO", "wrong"), 0);
        EXPECT_TRUE(client.takeAll().empty());
    }
}

// A logged-in client shown picture 4 of the frozen model, with nothing left to read.
class ShownPictureTest : public SimFixture {
protected:
    void SetUp() override {
        SimFixture::SetUp();
        client = loggedInClient();
        m_Server->setFrozen(true);
        ASSERT_TRUE(client->getPicture(4));
        ASSERT_TRUE(client->sync());
        client->takeAll();
    }

    std::unique_ptr<SimTestClient> client;
};

TEST_F(ShownPictureTest, OnlyChangedValuesAreSent) {
    m_Server->advanceClock(600000);
    EXPECT_TRUE(m_Server->forceValue("PG01.MV.GP1", 61.25));
    ASSERT_TRUE(client->sync());
    EXPECT_EQ(client->takeAll(),
              (std::vector<Frame>{{MSG_VALUE, Short2String(numberOf(4, "PG01.MV.GP1")) + "61.25"}}));
}

// A written value comes back as the plant holds it, taken or not.
TEST_F(ShownPictureTest, AWrittenValueComesBackAsThePlantHoldsIt) {
    const struct {
        const char* address;
        const char* text;
        bool accepted;
    } writes[] = {
        {"PG01.BV.GP1", "50.5", true}, {"PG01.BV.GP1", " 48 ", true},
        {"PG01.BV.GP1", "1e9", true}, // clamped to the setpoint's range
        {"PG01.BV.GP1", "abc", false}, {"PG01.BV.GP1", "", false},
        {"PG01.MV.GP1", "10", false}, // measured values are read only
    };
    for (const auto& w : writes) {
        SCOPED_TRACE(std::string(w.address) + " '" + w.text + "'");
        const int number = numberOf(4, w.address);
        const double before = *m_Server->modelValue(w.address);
        client->forgetValues();
        client->send(CMD_WRITE_VALUE, Long2String(number) + w.text);
        ASSERT_TRUE(client->waitForValue(number));
        const double after = *m_Server->modelValue(w.address);
        EXPECT_EQ(*client->value(number), sim::FormatValue(after));
        const auto record = m_Server->lastWrite(w.address);
        ASSERT_TRUE(record);
        EXPECT_EQ(std::pair(record->accepted, record->text), std::pair(w.accepted, std::string(w.text)));
        EXPECT_EQ(after, w.accepted ? std::min(sim::ParseValueText(w.text).value(), 150.0) : before);
    }
}

// Commands the simulator cannot use are ignored or answered empty, and the connection goes on.
TEST_F(ShownPictureTest, UnusableCommandsAreIgnoredOrAnsweredEmpty) {
    const std::vector<Frame> none;
    const struct {
        uint8_t code;
        std::string payload;
        std::vector<Frame> answers;
    } cases[] = {
        {0, "", none},
        {6, "xy", none},
        {15, std::string(3, '\0'), none},
        {200, "z", none},
        {255, "", none},
        {CMD_WRITE_VALUE, "\x01", none},
        {CMD_WRITE_VALUE, Long2String(30000) + "5", none},
        {CMD_WRITE_VALUE, Long2String(-1) + "5", none},
        {CMD_WATCH_SETPOINT, "", none},
        {CMD_WATCH_SETPOINT, ";;;;;;;", none},
        {CMD_WATCH_SETPOINT, "NO.SUCH;X", none},
        {CMD_SAVE_PICTURE_LOG, "\x01", none},
        {CMD_GET_PICTURE_LOG, "", {{MSG_PICTURE_LOG, ""}}},
        {CMD_GET_FUNCTION_TEXT, "", {{MSG_FUNCTION_TEXT, ""}}},
        {CMD_GET_FUNCTION_TEXT, "3x", {{MSG_FUNCTION_TEXT, ""}}},
        {CMD_GET_PICTURE, "", {{MSG_NO_PICTURE, ""}}},
        {CMD_GET_PICTURE, "-1", {{MSG_NO_PICTURE, ""}}},
        {CMD_GET_PICTURE, "1x", {{MSG_NO_PICTURE, ""}}},
        {CMD_GET_PICTURE, "999", {{MSG_NO_PICTURE, ""}}},
        {CMD_GET_PICTURE, "99999999999", {{MSG_NO_PICTURE, ""}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << int{c.code} << " '" << c.payload << "'");
        EXPECT_EQ(client->answersTo(c.code, c.payload), c.answers);
    }
}

// A login without the separator is refused, and a later one on the same connection is taken.
TEST_F(ShownPictureTest, MalformedLoginsAreRefused) {
    const Frame refusal{MSG_LOGIN_REPLY,
                        Long2String(0) + Long2String(m_Server->terminalPort()) + Long2String(20000)};
    for (const std::string& login : {std::string(), std::string(300, '\xFF')}) {
        client->send(CMD_LOGIN, login);
        EXPECT_EQ(client->next(MSG_LOGIN_REPLY), refusal);
    }
    EXPECT_EQ(client->login("DEMO", "demo"), 31);
}

TEST_F(ShownPictureTest, PictureZeroStopsTheValues) {
    EXPECT_TRUE(client->answersTo(CMD_GET_PICTURE, "0").empty());
    m_Server->forceValue("PG01.MV.GP1", 62);
    m_Server->setFrozen(false);
    m_Server->advanceClock(60000);
    ASSERT_TRUE(client->sync());
    EXPECT_TRUE(client->takeAll().empty());
}

// A watched curve parameter comes back exactly as written, however many decimals it needs.
TEST_F(LinkTest, AWrittenCurveParameterComesBackAsTheModelHoldsIt) {
    auto client = loggedInClient();
    m_Server->setFrozen(true);
    ASSERT_TRUE(client->getPicture(3));
    client->send(CMD_WATCH_SETPOINT, "VS01.DAG.PAR1;VS01.DAG.PAR2;VS01.DAG.PAR3;VS01.DAG.PAR4");
    ASSERT_TRUE(client->sync());
    const auto firstWatched = static_cast<int>(m_Server->plant().picture(3)->dynamics.size());
    const std::pair<int, const char*> writes[] = {
        {3, "0.0004"}, {3, "-0.005555556"}, {2, "-1.2345678"}, {1, "41.25"}, {1, "-0"}};
    for (const auto& [parameter, text] : writes) {
        client->forgetValues();
        client->send(CMD_WRITE_VALUE, Long2String(firstWatched + parameter) + text);
        ASSERT_TRUE(client->waitForValue(firstWatched + parameter));
        EXPECT_EQ(*client->value(firstWatched + parameter), std::string(text) == "-0" ? "0" : text);
    }
}

TEST_F(LinkTest, EachAccessBitAllowsItsCommandsAndNoOthers) {
    const struct {
        const char* visa;
        const char* password;
        bool writes, savesPictureLog, savesGlobalLog, claimsChannel;
    } users[] = {{"LAS", "las", false, false, false, false},
                 {"LOGG", "logg", false, true, false, false},
                 {"DRIFT", "drift", true, false, false, true},
                 {"DEMO", "demo", true, true, true, true}};
    for (const auto& u : users) {
        SCOPED_TRACE(u.visa);
        auto client = loggedInClient(u.visa, u.password);
        ASSERT_TRUE(client->getPicture(4));
        client->send(CMD_WRITE_VALUE, Long2String(numberOf(4, "PG01.BV.GP1")) + "47");
        client->send(CMD_SAVE_PICTURE_LOG, Long2String(2) + u.visa);
        client->send(CMD_SAVE_PICTURE_LOG, Long2String(500) + "a picture that does not exist");
        client->send(CMD_SAVE_GLOBAL_LOG, u.visa);
        client->send(CMD_SYSDIAL_CHANNEL);
        client->send(CMD_GET_PICTURE_LOG, Long2String(2));
        client->send(CMD_GET_GLOBAL_LOG);
        EXPECT_EQ(client->next(MSG_PICTURE_LOG) == (Frame{MSG_PICTURE_LOG, u.visa}), u.savesPictureLog);
        EXPECT_EQ(client->next(MSG_GLOBAL_LOG) == (Frame{MSG_GLOBAL_LOG, u.visa}), u.savesGlobalLog);
        EXPECT_EQ(m_Server->lastWrite("PG01.BV.GP1")->accepted, u.writes);
        EXPECT_EQ(m_Server->channelsInUse(), u.claimsChannel ? 1 : 0);
        client.reset();
        ASSERT_TRUE(waitFor([&] { return m_Server->channelsInUse() == 0; }));
    }
    EXPECT_EQ(QDir(m_Data.filePath(QStringLiteral("logbooks"))).entryList(QDir::Files),
              QStringList({QStringLiteral("global.txt"), QStringLiteral("picture-2.txt")}));
}

} // namespace
