#include "SimFixture.h"

using namespace pelorin;
using namespace pelorin::test;

namespace {

using BadInputTest = SimFixture;

// Commands the simulator cannot use are ignored or answered empty, and the connection goes on.
TEST_F(BadInputTest, UnusableCommandsAreIgnoredOrAnsweredEmpty) {
    auto client = loggedInClient();
    ASSERT_TRUE(client->getPicture(3));
    ASSERT_TRUE(client->waitForValues(0, dynamicCount(3) - 1));
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
        {CMD_GET_PICTURE, "0", none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << int{c.code} << " '" << c.payload << "'");
        EXPECT_EQ(client->answersTo(c.code, c.payload), c.answers);
    }
    for (const std::string& login : {std::string(), std::string(300, '\xFF')}) {
        client->send(CMD_LOGIN, login);
        const auto refused = client->next(MSG_LOGIN_REPLY);
        ASSERT_TRUE(refused);
        EXPECT_EQ(String2Long(refused->payload, 0), 0);
    }
    EXPECT_EQ(client->login("DEMO", "demo"), 31);
}

} // namespace
