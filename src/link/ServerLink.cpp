#include "link/ServerLink.h"

#include "core/ClientProcs.h"
#include "core/FrameCutter.h"
#include "core/LinkLog.h"
#include "core/Protocol.h"
#include "platform/Winsock.h"

#include <QTimer>
#include <utility>

// A half-received frame never outlives its connection. It is dropped when the link ends (the socket's
// Close and Error events, and a protocol error, which ends the link as a socket error does), when a
// handler ends the session in the middle of an arrival (refused login, server logout: the socket is
// closed by then, so what is left of the arrival belongs to no connection), and again when a new
// connection is opened. Otherwise the fragment would be read as the head of the next connection's
// first frame, and its length field would swallow or garble the frames that follow.
//
// The stream is taken in slices, one per event-loop turn; the rest waits in the socket, in order.
// A slice still queued when the connection ends reads nothing of it, and the peer's close is handled
// only after the frames it sent before closing.

namespace pelorin {

namespace {

// The most of the stream handled in one event-loop turn: some five thousand values, a few
// milliseconds of work.
constexpr int64_t kSliceBytes = 64 * 1024;

} // namespace

ServerLink::ServerLink(LinkMembers& members, ControlActions& actions)
    : m_Link(members), m_Actions(actions), m_Socket(std::make_unique<Winsock>()),
      m_NextSlice(std::make_unique<QTimer>()) {
    Winsock_Client = m_Socket.get();
    Winsock_Client->OnDataArrival = [this](int64_t bytesTotal) { Winsock_Client_DataArrival(bytesTotal); };
    m_NextSlice->setSingleShot(true);
    m_NextSlice->setInterval(0);
    m_NextSlice->callOnTimeout([this] { ReceiveSlice(); });
}

ServerLink::~ServerLink() = default;

void ServerLink::TCPSend(int16_t TCPCommand, const std::string& Buffer) {
    // Requests are fire-and-forget: one made while not connected is lost, and no one is told.
    if (Winsock_Client->State() != Winsock::sckConnected)
        return;
    // The server ends a link that announces a longer frame: everything after it would be lost too.
    if (Buffer.size() > kMaxPayloadLength) {
        qCWarning(lcLink) << "not sent: a frame of" << Buffer.size() << "bytes is over the limit of"
                          << kMaxPayloadLength;
        return;
    }
    const auto code = static_cast<uint8_t>(TCPCommand);
    if (OnFrame)
        OnFrame(FrameDirection::ToServer, code, Buffer);
    if (code == CMD_GET_PICTURE && ReadNumber(Buffer) >= 1)
        ++m_PicturesRequested;
    Winsock_Client->SendData(EncodeFrame(code, Buffer));
}

// A server that has no picture says so instead of sending one; no earlier request is answered then.
void ServerLink::NotePictureAnswer(uint8_t code) {
    if (code == MSG_PICTURE && m_PicturesRequested > 0)
        --m_PicturesRequested;
    else if (code == MSG_NO_PICTURE)
        m_PicturesRequested = 0;
}

void ServerLink::Winsock_Client_DataArrival(int64_t /*bytesTotal*/) {
    ReceiveSlice();
}

void ServerLink::ReceiveSlice() {
    if (m_StreamBroken)
        return;
    const uint64_t connection = m_Connection;
    std::string arrived;
    Winsock_Client->GetData(arrived, kSliceBytes);
    const CutResult result =
        CutFrames(m_Link.m_TCPData, arrived, [this](uint8_t code, const std::string& payload) {
            if (OnFrame)
                OnFrame(FrameDirection::ToClient, code, payload);
            NotePictureAnswer(code);
            m_Actions.DispatchFrame(code, payload);
        });
    if (result == CutResult::ProtocolError) {
        ProtocolError();
        return;
    }
    if (connection != m_Connection || Winsock_Client->State() == Winsock::sckClosed) {
        m_Link.m_TCPData.clear();
        return;
    }
    if (Winsock_Client->BytesReceived() > 0)
        m_NextSlice->start();
    else if (m_AfterReceived)
        std::exchange(m_AfterReceived, nullptr)();
}

// A length field we cannot accept leaves no way to find the next frame.
void ServerLink::ProtocolError() {
    m_StreamBroken = true;
    qCWarning(lcLink) << "closing the link: a frame announces more than" << kMaxPayloadLength
                      << "bytes or a negative length";
    if (Winsock_Client->OnError)
        Winsock_Client->OnError(Winsock::sckConnectionAborted, "protocol error");
}

void ServerLink::AfterReceived(std::function<void()> then) {
    if (m_StreamBroken || Winsock_Client->BytesReceived() == 0) {
        then();
        return;
    }
    m_AfterReceived = std::move(then);
    m_NextSlice->start();
}

void ServerLink::SetServer(const std::string& host, int32_t port) {
    Winsock_Client->RemoteHost = host;
    Winsock_Client->RemotePort = port;
}

void ServerLink::Connect() {
    Close();
    Winsock_Client->Connect();
}

void ServerLink::Close() {
    Winsock_Client->Close();
    ++m_Connection;
    m_Link.m_TCPData.clear();
    m_StreamBroken = false;
    m_PicturesRequested = 0;
    m_NextSlice->stop();
    m_AfterReceived = nullptr;
}

bool ServerLink::Connected() const {
    return Winsock_Client->State() == Winsock::sckConnected;
}

} // namespace pelorin
