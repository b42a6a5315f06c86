#include "link/ServerLink.h"

#include "core/FrameCutter.h"
#include "core/Protocol.h"
#include "platform/Winsock.h"

#include <QLoggingCategory>

// A half-received frame never outlives its connection. It is dropped when the link ends (the socket's
// Close and Error events, and a protocol error, which ends the link as a socket error does), when a
// handler ends the session in the middle of an arrival (refused login, server logout: the socket is
// closed by then, so what is left of the arrival belongs to no connection), and again when a new
// connection is opened. Otherwise the fragment would be read as the head of the next connection's
// first frame, and its length field would swallow or garble the frames that follow.

namespace pelorin {

namespace {
Q_LOGGING_CATEGORY(lcLink, "pelorin.link")
} // namespace

ServerLink::ServerLink(LinkMembers& members, ControlActions& actions)
    : m_(members), m_Actions(actions), m_Socket(std::make_unique<Winsock>()) {
    Winsock_Client = m_Socket.get();
    Winsock_Client->OnDataArrival = [this](int64_t bytesTotal) { Winsock_Client_DataArrival(bytesTotal); };
}

ServerLink::~ServerLink() = default;

void ServerLink::TCPSend(int16_t TCPCommand, const std::string& Buffer) {
    // Requests are fire-and-forget: one made while not connected is lost, and no one is told.
    if (Winsock_Client->State() != Winsock::sckConnected)
        return;
    const auto code = static_cast<uint8_t>(TCPCommand);
    if (OnFrame)
        OnFrame(FrameDirection::ToServer, code, Buffer);
    Winsock_Client->SendData(EncodeFrame(code, Buffer));
}

void ServerLink::Winsock_Client_DataArrival(int64_t /*bytesTotal*/) {
    std::string arrived;
    Winsock_Client->GetData(arrived);
    const CutResult result =
        CutFrames(m_.m_TCPData, arrived, [this](uint8_t code, const std::string& payload) {
            if (OnFrame)
                OnFrame(FrameDirection::ToClient, code, payload);
            m_Actions.DispatchFrame(code, payload);
        });
    if (result == CutResult::ProtocolError) {
        // A length field we cannot accept leaves no way to find the next frame.
        qCWarning(lcLink) << "closing the link: a frame announces more than" << kMaxPayloadLength
                          << "bytes or a negative length";
        if (Winsock_Client->OnError)
            Winsock_Client->OnError(Winsock::sckConnectionAborted, "protocol error");
        return;
    }
    if (Winsock_Client->State() != Winsock::sckConnected)
        m_.m_TCPData.clear();
}

void ServerLink::SetServer(const std::string& host, int32_t port) {
    Winsock_Client->RemoteHost = host;
    Winsock_Client->RemotePort = port;
}

void ServerLink::Connect() {
    m_.m_TCPData.clear();
    Winsock_Client->Connect();
}

void ServerLink::Close() {
    Winsock_Client->Close();
    m_.m_TCPData.clear();
}

bool ServerLink::Connected() const {
    return Winsock_Client->State() == Winsock::sckConnected;
}

} // namespace pelorin
