#include "control/PelorinControl.h"
#include "core/FrameCutter.h"
#include "platform/Winsock.h"

// The framed link to the picture server: sending, and the receive step that cuts frames out of the
// byte stream and hands each to its handler.
//
// A half-received frame never outlives its connection. It is dropped when the link ends (the socket's
// Close and Error events, and a protocol error, which ends the link as a socket error does), when a
// handler ends the session in the middle of an arrival (refused login, server logout: the socket is
// closed by then, so what is left of the arrival belongs to no connection), and again when a new
// connection is opened (Command_Login_Click). Otherwise the fragment would be read as the head of the
// next connection's first frame, and its length field would swallow or garble the frames that follow.

namespace pelorin {

void PelorinControl::TCPSend(int16_t TCPCommand, const std::string& Buffer) {
    // Requests are fire-and-forget: one made while not connected is lost, and no one is told.
    if (Winsock_Client->State() != Winsock::sckConnected)
        return;
    Winsock_Client->SendData(EncodeFrame(static_cast<uint8_t>(TCPCommand), Buffer));
}

int32_t PelorinControl::String2Long(const std::string& DataBlock, int32_t Location) const {
    return pelorin::String2Long(DataBlock, Location);
}

int32_t PelorinControl::String2Short(const std::string& DataBlock, int32_t Location) const {
    return pelorin::String2Short(DataBlock, Location);
}

void PelorinControl::Winsock_Client_DataArrival(int64_t /*bytesTotal*/) {
    std::string arrived;
    Winsock_Client->GetData(arrived);
    const CutResult result = CutFrames(m_TCPData, arrived, [this](uint8_t code, const std::string& payload) {
        DispatchFrame(code, payload);
    });
    if (result == CutResult::ProtocolError) {
        // A length field we cannot accept leaves no way to find the next frame.
        Winsock_Client_Error();
        return;
    }
    if (Winsock_Client->State() != Winsock::sckConnected)
        m_TCPData.clear();
}

void PelorinControl::DispatchFrame(uint8_t code, const std::string& payload) {
    switch (code) {
    case MSG_NO_PICTURE:
        OnNoPicture(payload);
        break;
    case MSG_PICTURE:
        OnPicture(payload);
        break;
    case MSG_PICTURE_TABLE:
        OnPictureTable(payload);
        break;
    case MSG_LOGIN_REPLY:
        OnLoginReply(payload);
        break;
    case MSG_LOGOUT:
        OnLogout(payload);
        break;
    case MSG_FUNCTION_TEXT:
        OnFunctionText(payload);
        break;
    case MSG_VALUE:
        OnValue(payload);
        break;
    case MSG_PICTURE_LOG:
        OnPictureLog(payload);
        break;
    case MSG_GLOBAL_LOG:
        OnGlobalLog(payload);
        break;
    case MSG_SYSDIAL_INFO:
        OnSysdialInfo(payload);
        break;
    default:
        break; // codes the client has no use for are consumed and dropped
    }
}

} // namespace pelorin
