#pragma once

// A picture server reduced to what a flood of values needs: it accepts one client, lets it log in
// (access level 31, every picture listed), serves the pictures it was given, and streams whatever
// bytes it is handed. Requests are reported with the moment they were read. It runs in the thread
// it lives in, so a flood can be fed from a thread of its own while the client runs in the main one.

#include "control/PelorinControl.h"
#include "core/ClientProcs.h"
#include "core/FrameCutter.h"
#include "core/PictureWriter.h"
#include "core/Protocol.h"
#include "platform/Widgets.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <chrono>
#include <functional>
#include <map>
#include <string>

namespace pelorin::bench {

using Clock = std::chrono::steady_clock;

// A MSG_PICTURE payload of `elements` on grey, with a fixed palette.
inline std::string PictureMessage(int32_t number, const PictureWriter& elements) {
    PictureHeader header;
    header.number = number;
    header.background = 0xC0C0C0;
    header.palette = {0x000000, 0xFFFFFF, 0x0000E0, 0x00A000, 0xE00000, 0x00FFFF, 0x606060, 0xC0C0C0};
    return EncodePictureMessage(header, elements.data());
}

// A picture of `count` dynamic values with one decimal in a grid of 20 columns (more when 52 rows do
// not hold them), and a link to picture `linkTarget` below them (when not 0). Addresses are short, so
// that 1,300 values fit the element data a picture may have.
inline std::string ValuePicture(int32_t number, int count, int16_t linkTarget = 0) {
    constexpr int kRows = 52;
    const int columns = std::max(20, (count + kRows - 1) / kRows);
    PictureWriter writer;
    for (int i = 0; i < count; ++i) {
        const auto x = static_cast<int16_t>(10 + (i % columns) * (620 / columns));
        const auto y = static_cast<int16_t>(5 + (i / columns) * 9);
        writer.dynValue(0, 1, 1, x, y, std::to_string(i % 10));
    }
    if (linkTarget != 0)
        writer.pictureLink(1, 4, 300, 460, linkTarget);
    return PictureMessage(number, writer);
}

inline std::string ValueFrame(int pointer, const std::string& text) {
    return EncodeFrame(MSG_VALUE, Short2String(pointer) + text);
}

// Values for pointers 0 .. count - 1 in turn, starting at `first`, from -9.9 to 99.9: texts of three
// and four characters, which fit the grid of ValuePicture.
inline std::string ValueFrames(int count, int frames, int first = 0) {
    std::string stream;
    for (int i = first; i < first + frames; ++i)
        stream += ValueFrame(i % count, std::to_string((i * 37) % 1099 / 10.0 - 9.9));
    return stream;
}

class FakePictureServer : public QObject {
public:
    // `pictures`: MSG_PICTURE payloads by picture number.
    explicit FakePictureServer(std::map<int32_t, std::string> pictures) : m_Pictures(std::move(pictures)) {
        connect(&m_Server, &QTcpServer::newConnection, this, [this] { accept(); });
    }

    bool listen() { return m_Server.listen(QHostAddress::LocalHost); }
    quint16 port() const { return m_Server.serverPort(); }
    QTcpSocket* client() const { return m_Client; }

    void send(const std::string& bytes) {
        if (m_Client)
            m_Client->write(bytes.data(), static_cast<qint64>(bytes.size()));
    }

    // Every request the client sends, with the moment it was read.
    std::function<void(uint8_t code, const std::string& payload, Clock::time_point read)> onRequest;
    // The client asked for picture `number` and it has been sent.
    std::function<void(int32_t number)> onPictureSent;

private:
    void accept() {
        m_Client = m_Server.nextPendingConnection();
        connect(m_Client, &QTcpSocket::readyRead, this, [this] { read(); });
    }

    void read() {
        const QByteArray bytes = m_Client->readAll();
        const Clock::time_point now = Clock::now();
        CutFrames(m_Input, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())),
                  [this, now](uint8_t code, const std::string& payload) {
                      if (onRequest)
                          onRequest(code, payload, now);
                      answer(code, payload);
                  });
    }

    void answer(uint8_t code, const std::string& payload) {
        switch (code) {
        case CMD_LOGIN:
            send(EncodeFrame(MSG_LOGIN_REPLY, Long2String(31) + Long2String(0) + Long2String(100) + "Flood"));
            break;
        case CMD_GET_PICTURE_TABLE:
            send(EncodeFrame(MSG_PICTURE_TABLE, std::string(kPictureTableSize, '\1') + Long2String(0)));
            break;
        case CMD_GET_PICTURE: {
            const auto picture = m_Pictures.find(static_cast<int32_t>(ReadNumber(payload)));
            if (picture == m_Pictures.end())
                break;
            send(EncodeFrame(MSG_PICTURE, picture->second));
            if (onPictureSent)
                onPictureSent(picture->first);
            break;
        }
        default:
            break;
        }
    }

    std::map<int32_t, std::string> m_Pictures;
    QTcpServer m_Server{this};
    QTcpSocket* m_Client = nullptr;
    std::string m_Input;
};

// Points an initialised control at a fake server listening on this machine.
inline void ConnectToFakeServer(PelorinControl& control, quint16 port) {
    PropertyBag bag;
    bag.Set("ServerAddress", "127.0.0.1:" + std::to_string(port));
    control.UserControl_ReadProperties(bag);
}

} // namespace pelorin::bench
