#include "platform/Winsock.h"
#include "common/TestSupport.h"

#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>
#include <memory>
#include <string>

using namespace pelorin;
using pelorin::test::waitFor;

namespace {

// Lets queued events run for a moment, to show that nothing more arrives.
void Settle() {
    waitFor([] { return false; }, 100);
}

std::string AllByteValues() {
    std::string bytes;
    for (int i = 0; i < 256; ++i)
        bytes.push_back(static_cast<char>(i));
    return bytes;
}

class WinsockTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            while (QTcpSocket* incoming = server.nextPendingConnection()) {
                ++accepted;
                peer = incoming;
                QObject::connect(incoming, &QTcpSocket::readyRead, incoming,
                                 [this, incoming] { received += incoming->readAll(); });
            }
        });
        socket.RemotePort = server.serverPort();
        socket.OnConnect = [this] { ++connects; };
        socket.OnDataArrival = [this](int64_t) {
            std::string data;
            socket.GetData(data);
            arrived += data;
        };
        socket.OnClose = [this] { ++closes; };
        socket.OnError = [this](int number, const std::string&) {
            ++errors;
            lastError = number;
        };
    }

    bool connectAndWait() {
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
    std::string arrived;
    int accepted = 0, connects = 0, closes = 0, errors = 0, lastError = 0;
};

TEST_F(WinsockTest, ConnectsAndCarriesEveryByteValueBothWays) {
    EXPECT_EQ(socket.State(), Winsock::sckClosed);
    socket.Connect();
    EXPECT_EQ(socket.State(), Winsock::sckConnecting);
    ASSERT_TRUE(waitFor([&] { return connects == 1 && peer; }));
    EXPECT_EQ(socket.State(), Winsock::sckConnected);

    const std::string bytes = AllByteValues();
    socket.SendData(bytes);
    socket.SendData("tail");
    ASSERT_TRUE(waitFor([&] { return received.size() == 260; }));
    EXPECT_EQ(received.toStdString(), bytes + "tail");

    peer->write(bytes.data(), static_cast<qint64>(bytes.size()));
    ASSERT_TRUE(waitFor([&] { return arrived.size() == 256; }));
    EXPECT_EQ(arrived, bytes);
    EXPECT_EQ(errors, 0);
}

TEST_F(WinsockTest, PeerCloseRaisesOneCloseAndNoError) {
    ASSERT_TRUE(connectAndWait());
    peer->write("last words");
    peer->disconnectFromHost();
    ASSERT_TRUE(waitFor([&] { return closes == 1; }));
    Settle();
    EXPECT_EQ(closes, 1);
    EXPECT_EQ(errors, 0);
    EXPECT_EQ(arrived, "last words");
    EXPECT_EQ(socket.State(), Winsock::sckClosing);
    socket.Close();
    EXPECT_EQ(socket.State(), Winsock::sckClosed);
}

TEST_F(WinsockTest, OwnCloseRaisesNoEventAndReconnectWorks) {
    ASSERT_TRUE(connectAndWait());
    QPointer<QTcpSocket> first = peer;
    socket.Close();
    EXPECT_EQ(socket.State(), Winsock::sckClosed);
    ASSERT_TRUE(waitFor([&] { return !first || first->state() == QAbstractSocket::UnconnectedState; }));
    Settle();
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(errors, 0);

    peer = nullptr;
    ASSERT_TRUE(connectAndWait());
    EXPECT_EQ(connects, 2);
    EXPECT_EQ(accepted, 2);
}

TEST_F(WinsockTest, SendingWhileNotConnectedSendsNothing) {
    socket.SendData("lost");
    socket.Connect();
    socket.SendData("also lost");
    ASSERT_TRUE(waitFor([&] { return connects == 1 && peer; }));
    socket.SendData("kept");
    ASSERT_TRUE(waitFor([&] { return received.size() >= 4; }));
    Settle();
    EXPECT_EQ(received, QByteArray("kept"));

    socket.Close();
    socket.SendData("after close");
    std::string nothing = "stale";
    socket.GetData(nothing);
    EXPECT_TRUE(nothing.empty());
}

TEST_F(WinsockTest, RefusedConnectionRaisesErrorAndAllowsANewConnect) {
    const quint16 livePort = server.serverPort();
    socket.RemotePort = UnusedPort();
    socket.Connect();
    ASSERT_TRUE(waitFor([&] { return errors == 1; }));
    EXPECT_EQ(lastError, Winsock::sckConnectionRefused);
    EXPECT_EQ(socket.State(), Winsock::sckError);
    Settle();
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(errors, 1);

    socket.RemotePort = livePort;
    ASSERT_TRUE(connectAndWait());
    EXPECT_EQ(connects, 1);
}

TEST_F(WinsockTest, PortOutOfRangeRaisesErrorAfterConnectReturns) {
    for (const int32_t port : {0, -1, 65536, 100000}) {
        errors = 0;
        socket.RemotePort = port;
        socket.Connect();
        EXPECT_EQ(errors, 0) << "not from inside Connect";
        ASSERT_TRUE(waitFor([&] { return errors == 1; })) << port;
        EXPECT_EQ(lastError, Winsock::sckInvalidArgument);
        EXPECT_EQ(socket.State(), Winsock::sckError);
    }
}

TEST_F(WinsockTest, HandlersMayCloseAndConnectFromInsideEvents) {
    int reconnects = 0;
    socket.OnConnect = [&] {
        ++connects;
        socket.Close();
        if (connects < 3)
            socket.Connect();
    };
    socket.Connect();
    ASSERT_TRUE(waitFor([&] { return connects == 3; }));
    EXPECT_EQ(socket.State(), Winsock::sckClosed);

    socket.RemotePort = UnusedPort();
    socket.OnError = [&](int, const std::string&) {
        ++errors;
        socket.Close();
        if (errors == 1) {
            socket.RemotePort = server.serverPort();
            socket.OnConnect = [&] { ++reconnects; };
            socket.Connect();
        }
    };
    socket.Connect();
    ASSERT_TRUE(waitFor([&] { return reconnects == 1; }));
    EXPECT_EQ(errors, 1);
}

TEST_F(WinsockTest, CloseInsideDataArrivalStopsFurtherEvents) {
    socket.OnDataArrival = [&](int64_t bytes) {
        EXPECT_GT(bytes, 0);
        std::string data;
        socket.GetData(data);
        arrived += data;
        socket.Close();
    };
    ASSERT_TRUE(connectAndWait());
    peer->write("x");
    ASSERT_TRUE(waitFor([&] { return !arrived.empty(); }));
    peer->write("y");
    peer->disconnectFromHost();
    Settle();
    EXPECT_EQ(arrived, "x");
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(errors, 0);
}

TEST_F(WinsockTest, ConnectWhileConnectedDropsTheOldConnectionQuietly) {
    ASSERT_TRUE(connectAndWait());
    QPointer<QTcpSocket> first = peer;
    peer = nullptr;
    ASSERT_TRUE(connectAndWait());
    ASSERT_TRUE(waitFor([&] { return !first || first->state() == QAbstractSocket::UnconnectedState; }));
    Settle();
    EXPECT_EQ(connects, 2);
    EXPECT_EQ(closes, 0);
    EXPECT_EQ(errors, 0);
}

} // namespace
