#pragma once

#include <QAbstractSocket>
#include <QObject>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class QTcpSocket;

namespace pelorin {

// The socket control: an asynchronous TCP client whose events arrive on the UI thread.
// Close raises no Close event for our own close; Close is raised once when the peer closes
// (never together with Error); a failed connection raises Error.
//
// Handlers may call Close or Connect from inside any event. After the peer closed, State is
// sckClosing and the bytes that came before the close can still be taken with GetData; after an
// error it is sckError. Close (or a new Connect) returns to a fresh start from either.
//
// At most kReadAhead bytes wait to be taken: beyond that TCP holds the peer back, so a flood costs
// no memory, and DataArrival is raised again once bytes have been taken. A peer that vanishes, or
// stops taking what is sent, is found within about kDeadPeerSeconds and raised as an Error.
class Winsock : public QObject {
    Q_OBJECT
public:
    static constexpr int sckClosed = 0;
    static constexpr int sckConnecting = 6;
    static constexpr int sckConnected = 7;
    static constexpr int sckClosing = 8;
    static constexpr int sckError = 9;

    // Error numbers raised with OnError.
    static constexpr int sckInvalidArgument = 10014;
    static constexpr int sckNetworkDown = 10050;
    static constexpr int sckConnectionAborted = 10053;
    static constexpr int sckTimedOut = 10060;
    static constexpr int sckConnectionRefused = 10061;
    static constexpr int sckHostNotFound = 11001;

    static constexpr int64_t kReadAhead = 1 << 20;
    // Keep-alive probes start after kIdleSeconds of silence, one every kProbeSeconds, and
    // kProbes unanswered ones end the connection; unacknowledged sends end it after as long.
    static constexpr int kIdleSeconds = 10;
    static constexpr int kProbeSeconds = 5;
    static constexpr int kProbes = 3;
    static constexpr int kDeadPeerSeconds = kIdleSeconds + kProbeSeconds * kProbes + kProbeSeconds;

    explicit Winsock(QObject* parent = nullptr);
    ~Winsock() override;

    std::string RemoteHost = "127.0.0.1";
    int32_t RemotePort = 0;

    // Starts connecting to RemoteHost:RemotePort, dropping any earlier connection without an event.
    void Connect();
    void Close();
    int State() const { return m_State; }
    // Sends the bytes in order, handing them to the system at once; nothing is sent unless connected.
    void SendData(std::string_view bytes);
    // Moves every waiting byte into `data`; with `maxLength`, at most that many.
    void GetData(std::string& data);
    void GetData(std::string& data, int64_t maxLength);
    // How many received bytes wait to be taken.
    int64_t BytesReceived() const;
    // The system's descriptor of the connection, -1 without one (tests read its options).
    intptr_t SocketDescriptor() const;
    // The most bytes taken in ahead of GetData; 0 without a connection.
    int64_t ReadBufferSize() const;

    std::function<void()> OnConnect;
    std::function<void(int64_t bytesTotal)> OnDataArrival;
    std::function<void()> OnClose;
    std::function<void(int number, const std::string& description)> OnError;

    // Watch what crosses the socket (traces, captures): the bytes handed to the system by SendData,
    // and those taken by GetData. The control never sets them.
    std::function<void(std::string_view bytes)> OnBytesSent;
    std::function<void(std::string_view bytes)> OnBytesTaken;

private:
    void startConnecting();
    void connected();
    void WatchForDeadPeer();
    void readyRead();
    void peerClosed();
    void failed(QAbstractSocket::SocketError error);
    void raiseError(int number, const std::string& description);
    void dropSocket();

    QTcpSocket* m_Socket = nullptr;
    int m_State = sckClosed;
    // Counts connections, so that a start queued for an abandoned one does nothing.
    uint64_t m_Attempt = 0;
};

} // namespace pelorin
