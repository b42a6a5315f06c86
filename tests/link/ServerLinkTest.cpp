// The server link alone: a plain loopback peer stands in for the server and the control's handlers are
// recorded. What is left of an arrival never outlives the connection it came on.

#include "link/ServerLink.h"
#include "common/PortFakes.h"
#include "common/TestSupport.h"
#include "core/FrameCutter.h"
#include "core/Protocol.h"
#include "platform/Winsock.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>

namespace pelorin::test {
namespace {

class ServerLinkTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
        link.SetServer("127.0.0.1", server.serverPort());
        link.Winsock_Client->OnError = [this](int, const std::string& description) {
            errors.push_back(description);
        };
        Connect();
    }

    void Connect() {
        link.Connect();
        ASSERT_TRUE(waitFor([this] { return link.Connected() && server.hasPendingConnections(); }));
        peer = server.nextPendingConnection();
    }

    // The bytes reach the link in one arrival.
    void Arrive(const std::string& bytes) {
        peer->write(bytes.data(), static_cast<qint64>(bytes.size()));
        ASSERT_TRUE(
            waitFor([&] { return !actions.frames.empty() || !m.m_TCPData.empty() || !errors.empty(); }));
    }

    QTcpServer server;
    QTcpSocket* peer = nullptr;
    LinkMembers m;
    RecordingActions actions;
    ServerLink link{m, actions};
    std::vector<std::string> errors;
};

// A refused login or a logout from the server closes the link inside its handler.
TEST_F(ServerLinkTest, FramesAfterAHandlerClosedTheLinkAreHandledAndTheTailIsDropped) {
    actions.onFrame = [this](uint8_t code) {
        if (code == MSG_LOGOUT)
            link.Close();
    };
    Arrive(EncodeFrame(MSG_LOGOUT, "") + EncodeFrame(MSG_VALUE, "v") +
           EncodeFrame(MSG_FUNCTION_TEXT, "half").substr(0, 7));
    EXPECT_EQ(actions.frames,
              (std::vector<std::pair<uint8_t, std::string>>{{MSG_LOGOUT, ""}, {MSG_VALUE, "v"}}));
    EXPECT_EQ(m.m_TCPData, "");
    EXPECT_FALSE(link.Connected());
}

TEST_F(ServerLinkTest, AnImpossibleLengthIsASocketErrorAndAFragmentGoesWithItsConnection) {
    Arrive(EncodeFrame(MSG_VALUE, "a") + std::string("\x06\x80\x00\x00\x00xyz", 8));
    EXPECT_EQ(actions.frames.size(), 1u);
    EXPECT_EQ(errors, std::vector<std::string>{"protocol error"});
    EXPECT_EQ(m.m_TCPData, "");

    for (const std::function<void()>& end : {std::function<void()>([this] { link.Close(); }),
                                             std::function<void()>([this] { link.Connect(); })}) {
        Connect();
        actions.frames.clear();
        errors.clear();
        Arrive(EncodeFrame(MSG_PICTURE, "picture").substr(0, 6));
        ASSERT_EQ(m.m_TCPData.size(), 6u);
        end();
        EXPECT_EQ(m.m_TCPData, "");
    }
}

} // namespace
} // namespace pelorin::test
