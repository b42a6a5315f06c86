#include "host/LinkWatch.h"

#include "control/PelorinControl.h"
#include "core/Capture.h"
#include "core/ClientProcs.h"
#include "core/FrameCutter.h"
#include "core/LinkLog.h"
#include "core/Protocol.h"
#include "link/ServerLink.h"
#include "platform/Winsock.h"
#include "sysdial/SystemDialog.h"

#include <utility>

namespace pelorin::host {

namespace {

// The terminal's state as far as secrets go: after the server asks for the code word, the next
// line the client sends is the code word.
class Watch {
public:
    explicit Watch(std::shared_ptr<CaptureWriter> capture) : m_Capture(std::move(capture)) {}

    void LinkSent(std::string_view bytes) {
        Record(CaptureConnection::PictureLink, CaptureDirection::ToServer, WithoutPassword(bytes));
    }
    void LinkTaken(std::string_view bytes) {
        Record(CaptureConnection::PictureLink, CaptureDirection::ToClient, bytes);
    }

    void TerminalSent(std::string_view bytes) {
        if (std::exchange(m_CodeWordAsked, false)) {
            qCDebug(lcLink).noquote() << QStringLiteral("-> terminal: code word ****");
            // The line end stays, so that the captured input keeps its lines.
            Record(CaptureConnection::Terminal, CaptureDirection::ToServer, bytes.substr(LineEndAt(bytes)));
            return;
        }
        qCDebug(lcLink).noquote() << DescribeTerminalBytes(FrameDirection::ToServer, bytes);
        Record(CaptureConnection::Terminal, CaptureDirection::ToServer, bytes);
    }
    void TerminalTaken(std::string_view bytes) {
        m_CodeWordAsked = bytes.find(kCodeWordPrompt) != std::string_view::npos;
        qCDebug(lcLink).noquote() << DescribeTerminalBytes(FrameDirection::ToClient, bytes);
        Record(CaptureConnection::Terminal, CaptureDirection::ToClient, bytes);
    }

private:
    static size_t LineEndAt(std::string_view bytes) {
        const size_t end = bytes.find_first_of("\r\n");
        return end == std::string_view::npos ? bytes.size() : end;
    }

    void Record(CaptureConnection connection, CaptureDirection direction, std::string_view bytes) {
        if (m_Capture)
            m_Capture->Record(connection, direction, bytes);
    }

    std::shared_ptr<CaptureWriter> m_Capture;
    bool m_CodeWordAsked = false;
};

} // namespace

void WatchLinks(PelorinControl& control, std::shared_ptr<CaptureWriter> capture) {
    // The login is shown as the capture keeps it, so that not even the password's length shows.
    control.link().OnFrame = [](FrameDirection direction, uint8_t code, const std::string& payload) {
        const bool login = direction == FrameDirection::ToServer && code == CMD_LOGIN;
        qCDebug(lcLink).noquote() << DescribeFrame(direction, code,
                                                   login ? LoginWithoutPassword(payload) : payload);
    };
    auto watch = std::make_shared<Watch>(std::move(capture));
    Winsock& link = *control.link().Winsock_Client;
    link.OnBytesSent = [watch](std::string_view bytes) { watch->LinkSent(bytes); };
    link.OnBytesTaken = [watch](std::string_view bytes) { watch->LinkTaken(bytes); };
    Winsock& terminal = *control.systemDialog().Winsock_SysDial;
    terminal.OnBytesSent = [watch](std::string_view bytes) { watch->TerminalSent(bytes); };
    terminal.OnBytesTaken = [watch](std::string_view bytes) { watch->TerminalTaken(bytes); };
}

QString DescribeTerminalBytes(FrameDirection direction, std::string_view bytes) {
    return QStringLiteral("%1 terminal %2 bytes: \"%3\"")
        .arg(direction == FrameDirection::ToServer ? QStringLiteral("->") : QStringLiteral("<-"))
        .arg(bytes.size())
        .arg(PrintableBytes(bytes));
}

// The link sends one whole frame at a time, so a login is always one send.
std::string WithoutPassword(std::string_view frame) {
    const bool login = frame.size() >= static_cast<size_t>(kFrameHeadSize) &&
                       static_cast<uint8_t>(frame[0]) == CMD_LOGIN &&
                       String2Long(frame, 1) == static_cast<int64_t>(frame.size()) - kFrameHeadSize;
    if (!login)
        return std::string(frame);
    return EncodeFrame(CMD_LOGIN, LoginWithoutPassword(frame.substr(kFrameHeadSize)));
}

std::string LoginWithoutPassword(std::string_view payload) {
    const std::string text = UnscrambleLogin(payload);
    return ScrambleLogin(text.substr(0, text.find(kVisaPasswordSeparator)) + kVisaPasswordSeparator);
}

} // namespace pelorin::host
