#include "platform/Winsock.h"
#include "common/TestSupport.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>
#include <string>

using namespace pelorin;
using pelorin::test::waitFor;
using namespace std::string_literals;

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

    // A port nobody listens on: one the system just handed out and took back.
    static int32_t UnusedPort() {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost, 0);
        return probe.serverPort();
    }

    QTcpServer server;
    QPointer<QTcpSocket> peer;
    QByteArray received;
    Winsock socket;
    std::string events, arrived;
};

TEST_F(WinsockTest, CarriesEveryByteValueBothWaysOnlyWhileConnected) {
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<char>(i));
    socket.SendData("lost");
    socket.Connect();
    EXPECT_EQ(socket.State(), Winsock::sckConnecting);
    socket.SendData("also lost");
    ASSERT_TRUE(waitFor([&] { return events == "connect " && peer; }));

    socket.SendData(bytes);
    peer->write(bytes.data(), static_cast<qint64>(bytes.size()));
    ASSERT_TRUE(waitFor([&] { return received.size() >= 256 && arrived.size() >= 256; }));
    Settle();
    EXPECT_EQ(std::tuple(received.toStdString(), arrived, events), std::tuple(bytes, bytes, "connect "s));

    socket.Close();
    socket.SendData("after close");
    std::string nothing = "stale";
    socket.GetData(nothing);
    EXPECT_TRUE(nothing.empty());
}

// A request must be on the wire before the handler goes on (a channel claim precedes the connection
// that uses it), so the peer reads it while the sender's event loop stands still. What was sent before
// our own close still goes out, ahead of the close, and the close raises nothing.
TEST_F(WinsockTest, SentBytesAreOnTheWireBeforeSendDataReturnsAndBeforeOurClose) {
    ASSERT_TRUE(connectAndWait());
    for (const std::string bytes : {"claim", "second request"}) {
        received.clear();
        socket.SendData(bytes);
        ASSERT_TRUE(peer->waitForReadyRead(2000)) << bytes;
        EXPECT_EQ(received.toStdString(), bytes);
    }
    received.clear();
    const QPointer<QTcpSocket> closed = peer;
    socket.SendData("logout");
    socket.Close();
    EXPECT_EQ(socket.State(), Winsock::sckClosed);
    ASSERT_TRUE(Gone(closed));
    EXPECT_EQ(received.toStdString(), "logout");

    ASSERT_TRUE(connectAndWait());
    const QPointer<QTcpSocket> replaced = peer;
    ASSERT_TRUE(connectAndWait()) << "connecting again drops the old connection";
    ASSERT_TRUE(Gone(replaced));
    Settle();
    EXPECT_EQ(events, "connect connect connect ");
}

TEST_F(WinsockTest, PeerCloseRaisesOneCloseAndNoError) {
    ASSERT_TRUE(connectAndWait());
    peer->write("last words");
    peer->disconnectFromHost();
    ASSERT_TRUE(waitFor([&] { return events == "connect close "; }));
    Settle();
    EXPECT_EQ(events, "connect close ");
    EXPECT_EQ(arrived, "last words");
    EXPECT_EQ(socket.State(), Winsock::sckClosing);
}

TEST_F(WinsockTest, RefusedConnectionOrBadPortRaisesOneErrorAfterConnectReturns) {
    const int32_t livePort = server.serverPort();
    const std::pair<int32_t, int> cases[] = {{0, Winsock::sckInvalidArgument},
                                             {65536, Winsock::sckInvalidArgument},
                                             {UnusedPort(), Winsock::sckConnectionRefused}};
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
    socket.RemotePort = livePort;
    ASSERT_TRUE(connectAndWait()) << "a new Connect after an error";
    EXPECT_EQ(events, "connect ");
}

TEST_F(WinsockTest, HandlersMayCloseAndConnectFromInsideEvents) {
    socket.RemotePort = UnusedPort();
    socket.OnError = [&](int, const std::string&) {
        events += "error ";
        socket.Close();
        socket.RemotePort = server.serverPort();
        peer = nullptr;
        socket.Connect();
    };
    socket.Connect();
    ASSERT_TRUE(waitFor([&] { return socket.State() == Winsock::sckConnected && peer; }));

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
    EXPECT_EQ(arrived, "x") << "closing inside DataArrival stops further events";
    EXPECT_EQ(events, "error connect ");
}

} // namespace
