#pragma once

#include "control/ControlMembers.h"
#include "control/Ports.h"
#include "core/FrameTrace.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace pelorin {

class Winsock;

// The framed link to the picture server: sending, and the receive step that cuts frames out of the
// byte stream and hands each to the control's dispatch. Its Connect, Close and Error events belong to
// the session.
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
    bool Connected() const;

    // Watches every frame sent and every frame cut from the stream, before it is handled (the
    // host's protocol trace). The control never sets it.
    std::function<void(FrameDirection direction, uint8_t code, const std::string& payload)> OnFrame;

private:
    LinkMembers& m_;
    ControlActions& m_Actions;
    std::unique_ptr<Winsock> m_Socket;
};

} // namespace pelorin
