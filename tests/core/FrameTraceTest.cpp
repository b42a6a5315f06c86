#include "core/FrameTrace.h"
#include "core/ClientProcs.h"
#include "core/Protocol.h"

#include <gtest/gtest.h>

using namespace pelorin;

namespace {

constexpr auto kToServer = FrameDirection::ToServer;
constexpr auto kToClient = FrameDirection::ToClient;

std::string PictureTable(const std::string& parameters) {
    std::string table(kPictureTableSize, '\0');
    table[1] = table[2] = table[17] = 1;
    return table + Long2String(static_cast<int32_t>(parameters.size())) + parameters;
}

TEST(FrameTraceTest, EachFrameIsOneLineWithItsNameAndTheFieldsThatMatter) {
    const struct {
        FrameDirection direction;
        uint8_t code;
        std::string payload;
        std::string line;
    } cases[] = {
        {kToServer, CMD_GET_PICTURE, "12", "-> CMD_GET_PICTURE(1) 2 bytes: picture \"12\""},
        {kToServer, CMD_WRITE_VALUE, Long2String(57) + "21.5",
         "-> CMD_WRITE_VALUE(8) 8 bytes: number 57 = \"21.5\""},
        {kToServer, CMD_WRITE_VALUE, "\x01", "-> CMD_WRITE_VALUE(8) 1 bytes: short payload \"\\x01\""},
        {kToServer, CMD_WATCH_SETPOINT, "LB01.REG.PAR1;LB01.REG.PAR2",
         "-> CMD_WATCH_SETPOINT(9) 27 bytes: addresses \"LB01.REG.PAR1;LB01.REG.PAR2\""},
        {kToServer, CMD_SAVE_PICTURE_LOG, Long2String(3) + "Bytt filter\r\n",
         "-> CMD_SAVE_PICTURE_LOG(13) 17 bytes: picture 3, text \"Bytt filter\\x0d\\x0a\""},
        {kToServer, 99, "?", "-> unknown(99) 1 bytes: bytes \"?\""},
        {kToClient, MSG_PICTURE, Long2String(3) + Long2String(-1) + std::string(40, '\0') + "elements",
         "<- MSG_PICTURE(1) 56 bytes: picture 3, function text yes"},
        {kToClient, MSG_PICTURE_TABLE, PictureTable(",BV,"),
         "<- MSG_PICTURE_TABLE(2) 1008 bytes: 3 pictures, parameters \",BV,\""},
        {kToClient, MSG_LOGIN_REPLY, Long2String(31) + Long2String(2002) + Long2String(20000) + "\xC5sa",
         "<- MSG_LOGIN_REPLY(3) 15 bytes: level 31, terminal port 2002, history 20000, name \"\xC3\x85sa\""},
        {kToClient, MSG_VALUE, std::string("\x01\x02", 2) + "-0.9",
         "<- MSG_VALUE(6) 6 bytes: number 258 = \"-0.9\""},
        {kToClient, MSG_GLOBAL_LOG, std::string(70, 'x'),
         "<- MSG_GLOBAL_LOG(12) 70 bytes: text \"" + std::string(60, 'x') + "...\""},
        {kToClient, MSG_SYSDIAL_INFO, Long2String(1) + Long2String(2) + Long2String(3) + "Bob",
         "<- MSG_SYSDIAL_INFO(15) 15 bytes: channels 1 of 2"}};
    for (const auto& c : cases)
        EXPECT_EQ(DescribeFrame(c.direction, c.code, c.payload).toStdString(), c.line);
}

// Without the visa's end mark nothing of the text is shown: it may be all password.
TEST(FrameTraceTest, LoginShowsTheVisaAndNeverThePassword) {
    const std::pair<std::string, std::string> logins[] = {{"\xC5SA\xFFl\xF6senord", "visa \"\xC3\x85SA\""},
                                                          {"\xFFtyst", "visa \"\""},
                                                          {"hemlig", "visa unreadable"},
                                                          {"", "visa unreadable"}};
    for (const auto& [login, visa] : logins) {
        const std::string payload = ScrambleLogin(login, 0x5A);
        EXPECT_EQ(DescribeFrame(kToServer, CMD_LOGIN, payload).toStdString(),
                  "-> CMD_LOGIN(3) " + std::to_string(payload.size()) + " bytes: " + visa +
                      ", password ****");
    }
}

} // namespace
