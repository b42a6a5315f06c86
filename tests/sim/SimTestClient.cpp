#include "SimTestClient.h"

#include "common/TestSupport.h"
#include "link/ClientProcs.h"
#include "link/FrameCutter.h"
#include "link/Protocol.h"

#include <QHostAddress>
#include <algorithm>

namespace pelorin::test {

bool SimTestClient::connectTo(quint16 port) {
    startConnecting(port);
    return waitFor([this] { return isConnected(); });
}

void SimTestClient::startConnecting(quint16 port) {
    QObject::connect(&m_Socket, &QTcpSocket::readyRead, &m_Socket, [this] { readArrived(); });
    m_Socket.connectToHost(QHostAddress::LocalHost, port);
}

bool SimTestClient::sync() {
    send(CMD_GET_GLOBAL_LOG);
    return next(MSG_GLOBAL_LOG).has_value();
}

void SimTestClient::send(uint8_t code, std::string_view payload) {
    const std::string frame = EncodeFrame(code, payload);
    m_Socket.write(frame.data(), static_cast<qint64>(frame.size()));
}

void SimTestClient::sendRaw(const QByteArray& bytes) {
    m_Socket.write(bytes);
}

bool SimTestClient::waitForClose(int timeoutMs) {
    return waitFor([this] { return m_Socket.state() == QAbstractSocket::UnconnectedState; }, timeoutMs);
}

void SimTestClient::readArrived() {
    const QByteArray arrived = m_Socket.readAll();
    const auto result =
        CutFrames(m_Buffer, std::string_view(arrived.constData(), static_cast<size_t>(arrived.size())),
                  [this](uint8_t code, const std::string& payload) {
                      if (code == MSG_VALUE)
                          m_Values[String2Short(payload, 0)] = payload.substr(2);
                      m_Frames.push_back({code, payload});
                  });
    m_ProtocolError = m_ProtocolError || result == CutResult::ProtocolError;
}

int32_t SimTestClient::login(std::string_view visa, std::string_view password) {
    std::string text(visa);
    text += '\xFF';
    text += password;
    send(CMD_LOGIN, ScrambleLogin(text, 0x5A));
    const auto reply = next(MSG_LOGIN_REPLY);
    return reply ? String2Long(reply->payload, 0) : -1;
}

std::optional<Frame> SimTestClient::next(uint8_t code, int timeoutMs) {
    auto find = [&] {
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

std::optional<Frame> SimTestClient::getPicture(int number) {
    forgetValues();
    send(CMD_GET_PICTURE, std::to_string(number));
    return next(MSG_PICTURE);
}

bool SimTestClient::waitForValues(int first, int last, int timeoutMs) {
    return waitFor(
        [&] {
            for (int i = first; i <= last; ++i)
                if (!m_Values.count(i))
                    return false;
            return true;
        },
        timeoutMs);
}

std::optional<std::string> SimTestClient::value(int number) const {
    const auto it = m_Values.find(number);
    return it == m_Values.end() ? std::nullopt : std::optional<std::string>(it->second);
}

std::vector<Frame> SimTestClient::takeAll() {
    return std::exchange(m_Frames, {});
}

std::string WriteValuePayload(int32_t number, std::string_view text) {
    return Long2String(number) + std::string(text);
}

} // namespace pelorin::test
