#include "Replay.h"
#include "SimFixture.h"
#include "WireText.h"
#include "core/Capture.h"

#include <QTemporaryDir>

using namespace pelorin;
using namespace pelorin::test;

namespace {

constexpr auto kLink = CaptureConnection::PictureLink;
constexpr auto kToServer = CaptureDirection::ToServer;
constexpr auto kToClient = CaptureDirection::ToClient;

std::string Value(int number, const std::string& text) {
    return EncodeFrame(MSG_VALUE, sim::Short2String(number) + text);
}

class ReplayTest : public ::testing::Test {
protected:
    // Starts a replay of what `record` writes to a capture file, as a client records one.
    bool startReplay(const std::function<void(CaptureWriter&)>& record, double speed, bool inStep = false) {
        const QString path = m_Dir.filePath(QStringLiteral("session.cap"));
        {
            CaptureWriter writer(path);
            record(writer);
        }
        sim::ReplayScript script;
        if (!sim::BuildReplayScript(ReadCaptureFile(path).records, script, &m_Error))
            return false;
        m_Replay = std::make_unique<sim::ReplayServer>(sim::ServerOptions(), std::move(script), speed);
        m_Replay->setInStep(inStep);
        return m_Replay->start(&m_Error);
    }

    QTemporaryDir m_Dir;
    QString m_Error;
    std::unique_ptr<sim::ReplayServer> m_Replay;
};

// The picture link cut anywhere, the terminal as it came.
void RecordSession(CaptureWriter& writer, bool withLogin) {
    const std::string login =
        EncodeFrame(MSG_LOGIN_REPLY, Long2String(31) + Long2String(2002) + Long2String(500) + "\xC5sa");
    const std::string table = EncodeFrame(MSG_PICTURE_TABLE, std::string(1004, '\0'));
    writer.RecordAt(0, kLink, kToServer, EncodeFrame(CMD_LOGIN, "scrambled"));
    writer.RecordAt(10, kLink, kToClient, (withLogin ? login : std::string()) + table.substr(0, 7));
    writer.RecordAt(20, kLink, kToClient, table.substr(7));
    writer.RecordAt(150, kLink, kToClient,
                    EncodeFrame(MSG_PICTURE, std::string(60, '\x01')) + Value(0, "21.5"));
    writer.RecordAt(200, CaptureConnection::Terminal, kToClient, "Pelorin\r\n");
    writer.RecordAt(250, CaptureConnection::Terminal, kToClient, "PELORIN> \r\n");
    writer.RecordAt(300, kLink, kToClient, Value(0, "22") + Value(1, "1"));
}

TEST_F(ReplayTest, CapturedFramesAndTerminalOutputArriveInOrderAfterTheCapturedLoginReply) {
    EXPECT_FALSE(startReplay([](CaptureWriter& w) { RecordSession(w, false); }, 10));
    EXPECT_EQ(m_Error.toStdString(), "the capture holds no login reply");

    ASSERT_TRUE(startReplay([](CaptureWriter& w) { RecordSession(w, true); }, 10)) << m_Error.toStdString();
    SimTestClient client;
    ASSERT_TRUE(client.connectTo(m_Replay->framedPort()));
    client.send(CMD_GET_PICTURE, "7"); // asks for nothing the capture does not hold: not answered
    client.send(CMD_LOGIN, ScrambleLogin("ANY\xFFthing", 3));
    const auto reply = client.next(MSG_LOGIN_REPLY);
    ASSERT_TRUE(reply);
    EXPECT_EQ(String2Long(reply->payload, 0), 31);
    EXPECT_EQ(String2Long(reply->payload, 4), m_Replay->terminalPort())
        << "the reply names this server's terminal";
    EXPECT_EQ(reply->payload.substr(8), Long2String(500) + "\xC5sa");

    SimTestClient terminal(false);
    ASSERT_TRUE(terminal.connectTo(m_Replay->terminalPort()));
    EXPECT_EQ(terminal.waitForText("PELORIN> \r\n"), "Pelorin\r\nPELORIN> \r\n");
    ASSERT_TRUE(waitFor([&] { return client.value(1) == "1"; }));
    std::vector<std::pair<uint8_t, std::string>> frames;
    for (const Frame& frame : client.takeAll())
        frames.emplace_back(frame.code, frame.code == MSG_VALUE ? frame.payload.substr(2) : std::string());
    EXPECT_EQ(frames, (std::vector<std::pair<uint8_t, std::string>>{{MSG_PICTURE_TABLE, ""},
                                                                    {MSG_PICTURE, ""},
                                                                    {MSG_VALUE, "21.5"},
                                                                    {MSG_VALUE, "22"},
                                                                    {MSG_VALUE, "1"}}));
}

// In step, an answer waits for its request however early the recorded pace would have sent it.
TEST_F(ReplayTest, InStepEachAnswerWaitsForItsRequest) {
    ASSERT_TRUE(startReplay(
        [](CaptureWriter& writer) {
            writer.RecordAt(0, kLink, kToServer, EncodeFrame(CMD_LOGIN, "scrambled"));
            writer.RecordAt(10, kLink, kToClient, EncodeFrame(MSG_LOGIN_REPLY, std::string(12, '\0')));
            writer.RecordAt(20, kLink, kToServer, EncodeFrame(CMD_GET_PICTURE_TABLE, {}));
            writer.RecordAt(30, kLink, kToClient, Value(0, "table"));
            writer.RecordAt(2900, kLink, kToServer, EncodeFrame(CMD_GET_PICTURE, "1"));
            writer.RecordAt(3000, kLink, kToClient, Value(1, "picture"));
        },
        100, true))
        << m_Error.toStdString();
    SimTestClient client;
    ASSERT_TRUE(client.connectTo(m_Replay->framedPort()));
    client.send(CMD_LOGIN, ScrambleLogin("ANY\xFFthing", 3));
    ASSERT_TRUE(client.next(MSG_LOGIN_REPLY));
    client.send(CMD_GET_PICTURE_TABLE, {});
    ASSERT_TRUE(waitFor([&] { return client.value(0) == "table"; }));
    // At a hundred times the recorded pace the picture would have come after 30 ms.
    EXPECT_FALSE(waitFor([&] { return client.value(1).has_value(); }, 300));
    client.send(CMD_GET_PICTURE, "1");
    EXPECT_TRUE(waitFor([&] { return client.value(1) == "picture"; }));
}

} // namespace
