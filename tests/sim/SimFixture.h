#pragma once

#include "Server.h"
#include "common/TestSupport.h"
#include "core/ClientProcs.h"
#include "core/FrameCutter.h"
#include "core/Protocol.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>

namespace pelorin::test {

inline const std::string kDemoName = std::string("\xC5sa \xD6") + "berg";

struct Frame {
    uint8_t code;
    std::string payload;
    bool operator==(const Frame&) const = default;
};

// A picture-link client written from the protocol alone: frames out, frames in, values by number.
// Unframed, it is a terminal client that keeps what arrives as text.
class SimTestClient {
public:
    explicit SimTestClient(bool framed = true) : m_Framed(framed) {}
    // Without `wait`, for connections the server may refuse at once. `from` is a local address to
    // connect from (any address of 127.0.0.0/8).
    bool connectTo(quint16 port, bool wait = true, const QHostAddress& from = {}) {
        if (!from.isNull() && !m_Socket.bind(from))
            return false;
        QObject::connect(&m_Socket, &QTcpSocket::readyRead, &m_Socket, [this] { readArrived(); });
        m_Socket.connectToHost(QHostAddress::LocalHost, port);
        return !wait || waitFor([this] { return isConnected(); });
    }
    void send(uint8_t code, std::string_view payload = {}) {
        sendRaw(QByteArray::fromStdString(EncodeFrame(code, payload)));
    }
    void sendRaw(const QByteArray& bytes) { m_Socket.write(bytes); }
    bool isConnected() const { return m_Socket.state() == QAbstractSocket::ConnectedState; }
    bool waitForClose() {
        return waitFor([this] { return m_Socket.state() == QAbstractSocket::UnconnectedState; });
    }
    // Everything received until it holds `text`.
    QByteArray waitForText(const QByteArray& text) {
        waitFor([&] { return m_Text.contains(text); });
        return std::exchange(m_Text, QByteArray());
    }
    int32_t login(std::string_view visa, std::string_view password) {
        send(CMD_LOGIN, ScrambleLogin(std::string(visa) + '\xFF' + std::string(password), 0x5A));
        const auto reply = next(MSG_LOGIN_REPLY);
        return reply ? String2Long(reply->payload, 0) : -1;
    }
    // Waits for a frame of `code` and removes it from what arrived.
    std::optional<Frame> next(uint8_t code, int timeoutMs = 20000) {
        std::vector<Frame>::iterator it;
        const auto found = [&] {
            it = std::find_if(m_Frames.begin(), m_Frames.end(),
                              [code](const Frame& f) { return f.code == code; });
            return it != m_Frames.end();
        };
        if (!waitFor(found, timeoutMs))
            return std::nullopt;
        Frame frame = std::move(*it);
        m_Frames.erase(it);
        return frame;
    }
    // Returns once everything the server sent before this call has arrived (frames are answered in order).
    bool sync() {
        send(CMD_GET_GLOBAL_LOG);
        return next(MSG_GLOBAL_LOG).has_value();
    }
    std::optional<Frame> getPicture(int number) {
        forgetValues();
        send(CMD_GET_PICTURE, std::to_string(number));
        return next(MSG_PICTURE);
    }
    // Values come in number order: the last one's arrival means all came.
    bool waitForValue(int number) {
        return waitFor([&] { return m_Values.count(number) > 0; });
    }
    std::optional<std::string> value(int number) const {
        const auto it = m_Values.find(number);
        return it == m_Values.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    void forgetValues() { m_Values.clear(); }
    std::vector<Frame> takeAll() { return std::exchange(m_Frames, {}); }
    std::vector<Frame> answersTo(uint8_t code, std::string_view payload) {
        takeAll();
        send(code, payload);
        EXPECT_TRUE(sync());
        return takeAll();
    }

private:
    void readArrived() {
        if (!m_Framed) {
            m_Text += m_Socket.readAll();
            return;
        }
        CutFrames(m_Buffer, m_Socket.readAll().toStdString(),
                  [this](uint8_t code, const std::string& payload) {
                      if (code == MSG_VALUE)
                          m_Values[String2Short(payload, 0)] = payload.substr(2);
                      m_Frames.push_back({code, payload});
                  });
    }

    const bool m_Framed;
    QTcpSocket m_Socket;
    QByteArray m_Text;
    std::string m_Buffer;
    std::vector<Frame> m_Frames;
    std::map<int, std::string> m_Values;
};

// A simulator with the demo plant on free ports, a fake clock and its own data folder.
class SimFixture : public ::testing::Test {
protected:
    void SetUp() override { startServer(); }

    void startServer(const std::function<void(sim::ServerOptions&)>& adjust = {}) {
        sim::ServerOptions options;
        options.dataFolder = m_Data.path();
        options.fakeClock = true;
        if (adjust)
            adjust(options);
        m_Server = std::make_unique<sim::Server>(options);
        QString error;
        ASSERT_TRUE(m_Server->start(&error)) << error.toStdString();
    }

    std::unique_ptr<SimTestClient> loggedInClient(std::string_view visa = "DEMO",
                                                  std::string_view password = "demo") {
        auto client = std::make_unique<SimTestClient>();
        EXPECT_TRUE(client->connectTo(m_Server->framedPort()));
        EXPECT_GE(client->login(visa, password), 1);
        return client;
    }

    int numberOf(int picture, const std::string& address) const {
        const auto& dynamics = m_Server->plant().picture(picture)->dynamics;
        for (size_t i = 0; i < dynamics.size(); ++i)
            if (dynamics[i].address == address)
                return static_cast<int>(i);
        ADD_FAILURE() << address << " is not in picture " << picture;
        return -1;
    }

    QTemporaryDir m_Data;
    std::unique_ptr<sim::Server> m_Server;
};

} // namespace pelorin::test
