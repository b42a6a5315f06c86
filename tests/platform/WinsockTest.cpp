#include "platform/Winsock.h"
#include "common/TestSupport.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <string>
#include <sys/socket.h>

using namespace pelorin;
using pelorin::test::waitFor;

namespace {

// Lets queued events run for a moment, to show that nothing more arrives.
void Settle() {
    waitFor([] { return false; }, 100);
}

// Whether the server's end of a connection goes away.
bool Gone(const QPointer<QTcpSocket>& peer) {
    return waitFor([&] { return !peer || peer->state() == QAbstractSocket::UnconnectedState; });
}

class WinsockTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            while (QTcpSocket* incoming = server.nextPendingConnection()) {
                peer = incoming;
                QObject::connect(incoming, &QTcpSocket::readyRead, incoming,
                                 [this, incoming] { received += incoming->readAll(); });
            }
        });
        socket.RemotePort = server.serverPort();
        socket.OnConnect = [this] { events += "connect "; };
        socket.OnDataArrival = [this](int64_t) {
            std::string data;
            socket.GetData(data);
            arrived += data;
        };
        socket.OnClose = [this] { events += "close "; };
        socket.OnError = [this](int number, const std::string&) {
            events += "error " + std::to_string(number) + " ";
        };
    }

    // Connects anew; true once the socket is connected and the server has a new peer.
    bool connectAndWait() {
        peer = nullptr;
        socket.Connect();
        return waitFor([&] { return socket.State() == Winsock::sckConnected && peer; });
    }

    QTcpServer server;
    QPointer<QTcpSocket> peer;
    QByteArray received;
    Winsock socket;
    std::string events, arrived;
};

// A request is on the wire before SendData returns (a channel claim precedes the connection that uses
// it), so the peer reads it while the sender's event loop stands still. What was sent before our own
// close still goes out and that close raises nothing; the peer's close is one Close, after its last bytes.
TEST_F(WinsockTest, CarriesEveryByteAtOnceOnlyWhileConnectedAndRaisesOneCloseWhenThePeerCloses) {
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<char>(i));
    socket.SendData("lost");
    socket.Connect();
    EXPECT_EQ(socket.State(), Winsock::sckConnecting);
    socket.SendData("also lost");
    ASSERT_TRUE(waitFor([&] { return socket.State() == Winsock::sckConnected && peer; }));
    for (const std::string& sent : {bytes, std::string("second request")}) {
        socket.SendData(sent);
        ASSERT_TRUE(peer->waitForReadyRead(2000)) << sent;
        EXPECT_EQ(received.toStdString(), sent);
        received.clear();
    }
    peer->write(bytes.data(), static_cast<qint64>(bytes.size()));
    ASSERT_TRUE(waitFor([&] { return arrived.size() >= bytes.size(); }));
    EXPECT_EQ(arrived, bytes);

    const QPointer<QTcpSocket> closed = peer;
    socket.SendData("logout");
    socket.Close();
    ASSERT_TRUE(Gone(closed));
    EXPECT_EQ(received.toStdString(), "logout");

    ASSERT_TRUE(connectAndWait());
    const QPointer<QTcpSocket> replaced = peer;
    ASSERT_TRUE(connectAndWait()) << "connecting again drops the old connection";
    ASSERT_TRUE(Gone(replaced));
    arrived.clear();
    peer->write("last words");
    peer->disconnectFromHost();
    ASSERT_TRUE(waitFor([&] { return events.ends_with("close "); }));
    Settle();
    EXPECT_EQ(std::tuple(events, arrived, socket.State()),
              std::tuple("connect connect connect close ", "last words", Winsock::sckClosing));

    socket.Close();
    socket.SendData("after close");
    std::string nothing = "stale";
    socket.GetData(nothing);
    EXPECT_TRUE(nothing.empty());
}

// Errors come as one Error event after Connect has returned; a close inside DataArrival ends the events.
TEST_F(WinsockTest, RefusedConnectionOrBadPortRaisesOneErrorAndACloseInsideAHandlerEndsTheEvents) {
    QTcpServer gone;
    ASSERT_TRUE(gone.listen(QHostAddress::LocalHost, 0));
    const int32_t refusing = gone.serverPort();
    gone.close();
    const std::pair<int32_t, int> cases[] = {{0, Winsock::sckInvalidArgument},
                                             {65536, Winsock::sckInvalidArgument},
                                             {refusing, Winsock::sckConnectionRefused}};
    for (const auto& [port, number] : cases) {
        events.clear();
        socket.RemotePort = port;
        socket.Connect();
        EXPECT_EQ(events, "") << "not from inside Connect";
        ASSERT_TRUE(waitFor([&] { return !events.empty(); })) << port;
        Settle();
        EXPECT_EQ(events, "error " + std::to_string(number) + " ") << "one Error and no Close";
        EXPECT_EQ(socket.State(), Winsock::sckError);
    }

    events.clear();
    socket.RemotePort = server.serverPort();
    ASSERT_TRUE(connectAndWait()) << "a new Connect after an error";
    socket.OnDataArrival = [&](int64_t bytes) {
        EXPECT_GT(bytes, 0);
        std::string data;
        socket.GetData(data);
        arrived += data;
        socket.Close();
    };
    peer->write("x");
    ASSERT_TRUE(waitFor([&] { return !arrived.empty(); }));
    peer->write("y");
    peer->disconnectFromHost();
    Settle();
    EXPECT_EQ(std::pair(arrived, events), std::pair(std::string("x"), std::string("connect ")));
}

// A peer that vanishes without a close is found by probes after some ten seconds of silence, and a
// send it never acknowledges is given up after as long as the probes take.
TEST_F(WinsockTest, ProbesASilentPeerAndGivesUpUnacknowledgedSends) {
    ASSERT_TRUE(connectAndWait());
    const auto descriptor = static_cast<int>(socket.SocketDescriptor());
    const struct {
        int level, option, expected;
    } cases[] = {{SOL_SOCKET, SO_KEEPALIVE, 1},
                 {IPPROTO_TCP, TCP_KEEPIDLE, 10},
                 {IPPROTO_TCP, TCP_KEEPINTVL, 5},
                 {IPPROTO_TCP, TCP_KEEPCNT, 3},
                 {IPPROTO_TCP, TCP_USER_TIMEOUT, 30000}};
    for (const auto& c : cases) {
        int value = -1;
        socklen_t size = sizeof value;
        ASSERT_EQ(getsockopt(descriptor, c.level, c.option, &value, &size), 0) << c.option;
        EXPECT_EQ(value, c.expected) << c.option;
    }
}

// A flood costs no memory: no more than the read-ahead is taken in before GetData, the sender is held
// back meanwhile, and DataArrival comes again once bytes are taken, until every byte has come.
TEST_F(WinsockTest, TakesInNoMoreThanTheReadAheadAndGoesOnOnceBytesAreTaken) {
    ASSERT_TRUE(connectAndWait());
    EXPECT_EQ(socket.ReadBufferSize(), Winsock::kReadAhead);
    std::string bytes(16 << 20, '\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7 / 3);
    bool taking = false;
    int64_t mostWaiting = 0;
    socket.OnDataArrival = [&](int64_t waiting) {
        mostWaiting = std::max(mostWaiting, waiting);
        if (!taking)
            return;
        std::string data;
        socket.GetData(data);
        arrived += data;
    };
    peer->write(bytes.data(), static_cast<qint64>(bytes.size()));
    ASSERT_TRUE(waitFor([&] { return socket.BytesReceived() >= Winsock::kReadAhead; }));
    Settle();
    EXPECT_EQ(socket.BytesReceived(), Winsock::kReadAhead);
    EXPECT_GT(peer->bytesToWrite(), 0) << "the sender is held back";

    taking = true;
    std::string first;
    socket.GetData(first);
    arrived = first;
    ASSERT_TRUE(waitFor([&] { return arrived.size() >= bytes.size(); }, 30000)) << arrived.size();
    EXPECT_TRUE(arrived == bytes);
    EXPECT_LE(mostWaiting, Winsock::kReadAhead);
}

} // namespace
