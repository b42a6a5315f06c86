#pragma once

#include <QByteArray>
#include <QTcpSocket>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelorin::test {

struct Frame {
    uint8_t code;
    std::string payload;
};

// A picture-link client written from the protocol alone: frames out, frames in, values by number.
class SimTestClient {
public:
    bool connectTo(quint16 port);
    // Starts connecting without waiting (for connections the server may refuse at once).
    void startConnecting(quint16 port);
    void send(uint8_t code, std::string_view payload = {});
    void sendRaw(const QByteArray& bytes);
    void close() { m_Socket.abort(); }
    bool isConnected() const { return m_Socket.state() == QAbstractSocket::ConnectedState; }
    // True once the server has closed the connection.
    bool waitForClose(int timeoutMs = 5000);

    // Logs in and returns the access level of the reply (0 when refused; -1 when none came).
    int32_t login(std::string_view visa, std::string_view password);
    // Waits for a frame of `code` and removes it from what arrived.
    std::optional<Frame> next(uint8_t code, int timeoutMs = 5000);
    // Returns once everything the server sent before this call has arrived (frames are answered in
    // order, so the reply to a request sent now comes after them).
    bool sync();
    // Asks for a picture and waits for it; values start arriving right after.
    std::optional<Frame> getPicture(int number);
    // Waits until values for all numbers first..last (inclusive) arrived; the latest text of each.
    bool waitForValues(int first, int last, int timeoutMs = 5000);
    std::optional<std::string> value(int number) const;
    void forgetValues() { m_Values.clear(); }
    size_t pendingFrames() const { return m_Frames.size(); }
    std::vector<Frame> takeAll();

private:
    void readArrived();

    QTcpSocket m_Socket;
    std::string m_Buffer;
    std::vector<Frame> m_Frames;
    std::map<int, std::string> m_Values;
    bool m_ProtocolError = false;
};

// Picture-link Long and value payloads, as the client builds them.
std::string WriteValuePayload(int32_t number, std::string_view text);

} // namespace pelorin::test
