#include "Replay.h"
#include "SimFixture.h"
#include "WireText.h"
#include "core/Capture.h"

using namespace pelorin;
using namespace pelorin::test;

namespace {

using enum CaptureConnection;
using enum CaptureDirection;

std::string Value(int number, const std::string& text) {
    return EncodeFrame(MSG_VALUE, Short2String(number) + text);
}

// The picture link cut anywhere, the terminal as it came, and a picture that answers a request.
std::vector<CaptureRecord> RecordSession(const QString& path) {
    const std::string login =
        EncodeFrame(MSG_LOGIN_REPLY, Long2String(31) + Long2String(2002) + Long2String(500) + "\xC5sa");
    const std::string table = EncodeFrame(MSG_PICTURE_TABLE, std::string(1004, '\0'));
    {
        CaptureWriter writer(path);
        writer.RecordAt(0, PictureLink, ToServer, EncodeFrame(CMD_LOGIN, "scrambled"));
        writer.RecordAt(10, PictureLink, ToClient, login + table.substr(0, 7));
        writer.RecordAt(20, PictureLink, ToClient, table.substr(7));
        writer.RecordAt(100, PictureLink, ToServer, EncodeFrame(CMD_GET_PICTURE, "1"));
        writer.RecordAt(150, PictureLink, ToClient,
                        EncodeFrame(MSG_PICTURE, std::string(60, '\x01')) + Value(0, "21.5"));
        writer.RecordAt(200, Terminal, ToClient, "Pelorin\r\n");
        writer.RecordAt(250, Terminal, ToClient, "PELORIN> \r\n");
        writer.RecordAt(300, PictureLink, ToClient, Value(0, "22") + Value(1, "1"));
    }
    return ReadCaptureFile(path).records;
}

TEST(ReplayTest, CapturedOutputArrivesInOrderAfterTheCapturedLoginReplyEachAnswerAfterItsRequest) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("session.cap"));
    sim::ReplayScript script;
    QString error;
    ASSERT_TRUE(sim::BuildReplayScript(RecordSession(path), script, &error)) << error.toStdString();
    sim::ReplayServer replay(sim::ServerOptions(), std::move(script), 100);
    replay.setInStep(true);
    ASSERT_TRUE(replay.start(&error)) << error.toStdString();

    SimTestClient client;
    ASSERT_TRUE(client.connectTo(replay.framedPort()));
    client.send(CMD_GET_PICTURE, "7"); // before the login: no request of the script
    client.send(CMD_LOGIN, ScrambleLogin("ANY\xFFthing", 3));
    const auto reply = client.next(MSG_LOGIN_REPLY);
    ASSERT_TRUE(reply);
    EXPECT_EQ(String2Long(reply->payload, 0), 31);
    EXPECT_EQ(String2Long(reply->payload, 4), replay.terminalPort())
        << "the reply names this server's terminal";
    EXPECT_EQ(reply->payload.substr(8), Long2String(500) + "\xC5sa");
    ASSERT_TRUE(client.next(MSG_PICTURE_TABLE));
    SimTestClient terminal(false);
    ASSERT_TRUE(terminal.connectTo(replay.terminalPort()));
    // At a hundred times the recorded pace the picture would have come after 1.5 ms.
    EXPECT_FALSE(waitFor([&] { return client.value(0).has_value(); }, 300));

    client.send(CMD_GET_PICTURE, "1");
    EXPECT_EQ(terminal.waitForText("PELORIN> \r\n"), "Pelorin\r\nPELORIN> \r\n");
    ASSERT_TRUE(waitFor([&] { return client.value(1) == "1"; }));
    std::vector<std::pair<uint8_t, std::string>> frames;
    for (const Frame& frame : client.takeAll())
        frames.emplace_back(frame.code, frame.code == MSG_VALUE ? frame.payload.substr(2) : std::string());
    EXPECT_EQ(frames, (std::vector<std::pair<uint8_t, std::string>>{
                          {MSG_PICTURE, ""}, {MSG_VALUE, "21.5"}, {MSG_VALUE, "22"}, {MSG_VALUE, "1"}}));
}

} // namespace
