#include "SimFixture.h"

using namespace pelorin;
using namespace pelorin::test;

namespace {

using LimitsTest = SimFixture;

TEST_F(LimitsTest, LogbooksUpToTheFrameLimitAreTakenAndLongerFramesClosedWithTheReason) {
    auto client = loggedInClient();
    std::string logbook;
    for (int day = 0; logbook.size() < 10u * 1024u * 1024u; ++day)
        logbook += "Dag " + std::to_string(day) + ": filter bytt i LB01, fl\xE4kten g\xE5r.\r\n";
    client->send(CMD_SAVE_GLOBAL_LOG, logbook);
    client->send(CMD_GET_GLOBAL_LOG);
    const auto stored = client->next(MSG_GLOBAL_LOG, 20000);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->payload.size(), logbook.size());
    EXPECT_TRUE(stored->payload == logbook);

    LogCapture log("pelorin.link");
    client->sendRaw(QByteArray::fromStdString(Byte2String(CMD_SAVE_GLOBAL_LOG) +
                                              Long2String(kMaxPayloadLength + 1) + "text"));
    EXPECT_TRUE(client->waitForClose());
    EXPECT_TRUE(log.contains({QStringLiteral("closing"), QString::number(kMaxPayloadLength)}))
        << log.messages().join(QLatin1Char('\n')).toStdString();
}

} // namespace
