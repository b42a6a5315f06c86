#pragma once

#include "core/FrameTrace.h"
#include "ports/ControlMembers.h"
#include "ports/Ports.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

class QTimer;

namespace pelorin {

class Winsock;

// The framed link to the picture server: sending, and the receive step that cuts frames out of the
// byte stream and hands each to the control's dispatch. Its Connect, Close and Error events belong to
// the session.
//
// The receive step takes the stream in slices, one per event-loop turn, so that the operator's input
// never waits behind more than a few milliseconds of frames however much has arrived.
class ServerLink : public CommandSender {
public:
    ServerLink(LinkMembers& members, ControlActions& actions);
    ~ServerLink() override;

    Winsock* Winsock_Client = nullptr;

    void TCPSend(int16_t TCPCommand, const std::string& Buffer) override;
    void Winsock_Client_DataArrival(int64_t bytesTotal);

    void SetServer(const std::string& host, int32_t port);
    // A new connection starts with an empty receive buffer.
    void Connect();
    // Ends the connection; a half-received frame goes with it.
    void Close();
    bool Connected() const override;
    // Whether a picture has been asked for and has not come yet: the one shown has been left.
    bool PictureRequested() const { return m_PicturesRequested > 0; }
    // Runs `then` once every byte received so far has been handled (at once when none waits): the
    // peer's last frames come before the end of its connection.
    void AfterReceived(std::function<void()> then);

    // Watches every frame sent and every frame cut from the stream, before it is handled (the
    // host's protocol trace). The control never sets it.
    std::function<void(FrameDirection direction, uint8_t code, const std::string& payload)> OnFrame;

private:
    void ReceiveSlice();
    void ProtocolError();
    void NotePictureAnswer(uint8_t code);

    LinkMembers& m_Link;
    ControlActions& m_Actions;
    std::unique_ptr<Winsock> m_Socket;
    std::unique_ptr<QTimer> m_NextSlice;
    std::function<void()> m_AfterReceived;
    // Counts connections, so that a slice knows whether a handler ended its connection.
    uint64_t m_Connection = 0;
    // After a protocol error nothing more of the stream can be read as frames.
    bool m_StreamBroken = false;
    // Each request for a picture is answered by one picture.
    int32_t m_PicturesRequested = 0;
};

} // namespace pelorin
