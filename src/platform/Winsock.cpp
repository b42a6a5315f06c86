#include "platform/Winsock.h"

#include <QTcpSocket>
#include <algorithm>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <utility>

namespace pelorin {

namespace {

int ErrorNumber(QAbstractSocket::SocketError error) {
    switch (error) {
    case QAbstractSocket::ConnectionRefusedError:
        return Winsock::sckConnectionRefused;
    case QAbstractSocket::HostNotFoundError:
        return Winsock::sckHostNotFound;
    case QAbstractSocket::SocketTimeoutError:
        return Winsock::sckTimedOut;
    case QAbstractSocket::NetworkError:
        return Winsock::sckNetworkDown;
    default:
        return Winsock::sckConnectionAborted;
    }
}

// Handlers may replace themselves; the running copy stays valid.
template <typename... Params, typename... Args>
void Raise(const std::function<void(Params...)>& handler, Args&&... args) {
    if (auto running = handler)
        running(std::forward<Args>(args)...);
}

} // namespace

Winsock::Winsock(QObject* parent) : QObject(parent) {}

Winsock::~Winsock() {
    dropSocket();
}

// Connecting starts from the event loop, so that even an immediate failure is raised after Connect
// has returned, as an event.
void Winsock::Connect() {
    dropSocket();
    m_State = sckConnecting;
    const uint64_t attempt = m_Attempt;
    QMetaObject::invokeMethod(
        this,
        [this, attempt] {
            if (attempt == m_Attempt)
                startConnecting();
        },
        Qt::QueuedConnection);
}

void Winsock::startConnecting() {
    if (RemotePort < 1 || RemotePort > 65535) {
        raiseError(sckInvalidArgument, "Invalid port number");
        return;
    }
    m_Socket = new QTcpSocket(this);
    m_Socket->setReadBufferSize(kReadAhead);
    connect(m_Socket, &QTcpSocket::connected, this, &Winsock::connected);
    connect(m_Socket, &QTcpSocket::readyRead, this, &Winsock::readyRead);
    connect(m_Socket, &QTcpSocket::disconnected, this, &Winsock::peerClosed);
    connect(m_Socket, &QTcpSocket::errorOccurred, this, &Winsock::failed);
    m_Socket->connectToHost(QString::fromLatin1(RemoteHost.data(), static_cast<qsizetype>(RemoteHost.size())),
                            static_cast<quint16>(RemotePort));
}

void Winsock::Close() {
    dropSocket();
    m_State = sckClosed;
}

void Winsock::SendData(std::string_view bytes) {
    if (m_State != sckConnected || !m_Socket)
        return;
    m_Socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
    Raise(OnBytesSent, bytes);
    // Qt would send at the next event-loop turn; the protocol needs the bytes out before the handler
    // goes on. Only what the system takes without blocking leaves now: a peer that reads nothing
    // must not freeze the interface, and the rest follows from the event loop.
    m_Socket->flush();
}

void Winsock::GetData(std::string& data) {
    GetData(data, BytesReceived());
}

void Winsock::GetData(std::string& data, int64_t maxLength) {
    data.clear();
    if (!m_Socket)
        return;
    const QByteArray waiting = m_Socket->read(std::max<int64_t>(maxLength, 0));
    data.assign(waiting.constData(), static_cast<size_t>(waiting.size()));
    if (!data.empty())
        Raise(OnBytesTaken, std::string_view(data));
}

int64_t Winsock::BytesReceived() const {
    return m_Socket ? m_Socket->bytesAvailable() : 0;
}

intptr_t Winsock::SocketDescriptor() const {
    return m_Socket ? m_Socket->socketDescriptor() : -1;
}

int64_t Winsock::ReadBufferSize() const {
    return m_Socket ? m_Socket->readBufferSize() : 0;
}

void Winsock::connected() {
    m_State = sckConnected;
    m_Socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    WatchForDeadPeer();
    Raise(OnConnect);
}

// A peer whose host is gone sends no close: without probes the link would look alive for hours, and
// a request sent into it would be retried for a quarter of an hour. Either now ends in an Error.
void Winsock::WatchForDeadPeer() {
    const auto descriptor = static_cast<int>(m_Socket->socketDescriptor());
    const auto set = [descriptor](int level, int option, int value) {
        setsockopt(descriptor, level, option, &value, sizeof value);
    };
    set(SOL_SOCKET, SO_KEEPALIVE, 1);
    set(IPPROTO_TCP, TCP_KEEPIDLE, kIdleSeconds);
    set(IPPROTO_TCP, TCP_KEEPINTVL, kProbeSeconds);
    set(IPPROTO_TCP, TCP_KEEPCNT, kProbes);
    set(IPPROTO_TCP, TCP_USER_TIMEOUT, kDeadPeerSeconds * 1000);
}

void Winsock::readyRead() {
    Raise(OnDataArrival, static_cast<int64_t>(m_Socket->bytesAvailable()));
}

// Qt reports a peer's close both as an error and as a disconnection; it is one Close event.
void Winsock::peerClosed() {
    if (m_State != sckConnected)
        return;
    m_State = sckClosing;
    Raise(OnClose);
}

void Winsock::failed(QAbstractSocket::SocketError error) {
    if (error == QAbstractSocket::RemoteHostClosedError) {
        peerClosed();
        return;
    }
    if (m_State != sckConnecting && m_State != sckConnected)
        return;
    raiseError(ErrorNumber(error), m_Socket->errorString().toLatin1().toStdString());
}

void Winsock::raiseError(int number, const std::string& description) {
    m_State = sckError;
    Raise(OnError, number, description);
}

// Our own close raises nothing: the socket is cut loose before it is aborted. It is deleted later,
// because this may run inside one of its own signals.
void Winsock::dropSocket() {
    ++m_Attempt;
    if (!m_Socket)
        return;
    QTcpSocket* socket = std::exchange(m_Socket, nullptr);
    socket->disconnect(this);
    // What was sent before the close still goes out (a logout's last requests).
    socket->flush();
    socket->abort();
    socket->deleteLater();
}

} // namespace pelorin
