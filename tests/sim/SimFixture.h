#pragma once

#include "Server.h"
#include "common/TestSupport.h"
#include "core/ClientProcs.h"
#include "core/FrameCutter.h"
#include "core/Protocol.h"

#include <QHostAddress>
#include <QStringList>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <algorithm>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <optional>

namespace pelorin::test {

// The demo user's name in Latin-1.
inline const std::string kDemoName = "\xC5sa \xD6"
                                     "berg";

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
    bool connectTo(quint16 port) {
        startConnecting(port);
        return waitFor([this] { return isConnected(); });
    }
    // Starts connecting without waiting (for connections the server may refuse at once).
    void startConnecting(quint16 port) {
        QObject::connect(&m_Socket, &QTcpSocket::readyRead, &m_Socket, [this] { readArrived(); });
        m_Socket.connectToHost(QHostAddress::LocalHost, port);
    }
    void send(uint8_t code, std::string_view payload = {}) {
        sendRaw(QByteArray::fromStdString(EncodeFrame(code, payload)));
    }
    void sendRaw(const QByteArray& bytes) { m_Socket.write(bytes); }
    bool isConnected() const { return m_Socket.state() == QAbstractSocket::ConnectedState; }
    // True once the server has closed the connection.
    bool waitForClose() {
        return waitFor([this] { return m_Socket.state() == QAbstractSocket::UnconnectedState; });
    }
    // Waits until the unframed text holds `text`; returns everything received so far and forgets it.
    QByteArray waitForText(const QByteArray& text) {
        waitFor([&] { return m_Text.contains(text); });
        return std::exchange(m_Text, QByteArray());
    }
    // Logs in and returns the access level of the reply (0 when refused; -1 when none came).
    int32_t login(std::string_view visa, std::string_view password) {
        send(CMD_LOGIN, ScrambleLogin(std::string(visa) + '\xFF' + std::string(password), 0x5A));
        const auto reply = next(MSG_LOGIN_REPLY);
        return reply ? String2Long(reply->payload, 0) : -1;
    }
    // Waits for a frame of `code` and removes it from what arrived.
    std::optional<Frame> next(uint8_t code, int timeoutMs = 5000) {
        const auto find = [&] {
            return std::find_if(m_Frames.begin(), m_Frames.end(),
                                [code](const Frame& f) { return f.code == code; });
        };
        if (!waitFor([&] { return find() != m_Frames.end(); }, timeoutMs))
            return std::nullopt;
        const auto it = find();
        Frame frame = *it;
        m_Frames.erase(it);
        return frame;
    }
    // Returns once everything the server sent before this call has arrived (frames are answered in order).
    bool sync() {
        send(CMD_GET_GLOBAL_LOG);
        return next(MSG_GLOBAL_LOG).has_value();
    }
    // Asks for a picture and waits for it; its values start arriving right after.
    std::optional<Frame> getPicture(int number) {
        forgetValues();
        send(CMD_GET_PICTURE, std::to_string(number));
        return next(MSG_PICTURE);
    }
    // Waits until values for all numbers first..last (inclusive) arrived.
    bool waitForValues(int first, int last) {
        return waitFor([&] {
            for (int i = first; i <= last; ++i)
                if (!m_Values.count(i))
                    return false;
            return true;
        });
    }
    // The latest text sent for `number`.
    std::optional<std::string> value(int number) const {
        const auto it = m_Values.find(number);
        return it == m_Values.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
    void forgetValues() { m_Values.clear(); }
    std::vector<Frame> takeAll() { return std::exchange(m_Frames, {}); }
    // Sends a frame and returns what answered it (frames are answered in order).
    std::vector<Frame> answersTo(uint8_t code, std::string_view payload) {
        takeAll();
        send(code, payload);
        if (!sync())
            return {{MSG_GLOBAL_LOG, "(no sync)"}};
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

// Collects what is logged on one category while it lives (one capture at a time; the rest is dropped).
class LogCapture {
public:
    explicit LogCapture(const char* category) {
        s_Category = category;
        s_Messages.clear();
        m_Previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext& context, const QString& text) {
                if (context.category && qstrcmp(context.category, s_Category) == 0)
                    s_Messages.append(text);
            });
    }
    ~LogCapture() { qInstallMessageHandler(m_Previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // True when a message that contains every one of `parts` was logged.
    bool contains(const QStringList& parts) const {
        return std::any_of(s_Messages.begin(), s_Messages.end(), [&](const QString& message) {
            return std::all_of(parts.begin(), parts.end(),
                               [&](const QString& part) { return message.contains(part); });
        });
    }

private:
    static inline const char* s_Category = nullptr;
    static inline QStringList s_Messages;
    QtMessageHandler m_Previous = nullptr;
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

    // The dynamic number the demo picture gives `address`.
    int numberOf(int picture, const std::string& address) const {
        const auto& dynamics = m_Server->plant().picture(picture)->dynamics;
        for (size_t i = 0; i < dynamics.size(); ++i)
            if (dynamics[i].address == address)
                return static_cast<int>(i);
        ADD_FAILURE() << address << " is not in picture " << picture;
        return -1;
    }
    int dynamicCount(int picture) const {
        return static_cast<int>(m_Server->plant().picture(picture)->dynamics.size());
    }

    QTemporaryDir m_Data;
    std::unique_ptr<sim::Server> m_Server;
};

} // namespace pelorin::test
