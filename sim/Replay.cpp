#include "Replay.h"

#include "Trace.h"
#include "core/ClientProcs.h"
#include "core/FrameCutter.h"
#include "core/FrameTrace.h"
#include "core/Protocol.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>
#include <cmath>

namespace pelorin::sim {

namespace {

// Offset of the terminal port in the login reply.
constexpr size_t kReplyPortOffset = 4;

struct TimedFrame {
    uint32_t timeMs;
    uint8_t code;
    std::string payload;
    size_t afterRequests;
    uint32_t lastRequestMs;
};

// The client's requests (its frames after the login) as the records go by.
class RequestCount {
public:
    bool take(const CaptureRecord& record) {
        return CutFrames(m_Buffer, record.bytes, [&](uint8_t code, const std::string&) {
                   if (m_LoggedIn) {
                       ++m_Count;
                       m_LastMs = record.timeMs;
                   }
                   m_LoggedIn = m_LoggedIn || code == CMD_LOGIN;
               }) == CutResult::Ok;
    }
    size_t count() const { return m_Count; }
    uint32_t lastMs() const { return m_LastMs; }

private:
    std::string m_Buffer;
    bool m_LoggedIn = false;
    size_t m_Count = 0;
    uint32_t m_LastMs = 0;
};

// The server's side of the picture link as frames, each at the time of the record that completed it,
// and the terminal's output; each with the client's requests before it.
bool CutServerSide(const std::vector<CaptureRecord>& records, std::vector<TimedFrame>& frames,
                   std::vector<TimedFrame>& terminal, QString* error) {
    std::string buffer;
    RequestCount requests;
    for (const CaptureRecord& record : records) {
        const bool toClient = record.direction == CaptureDirection::ToClient;
        bool ok = true;
        if (record.connection == CaptureConnection::Terminal && toClient)
            terminal.push_back({record.timeMs, 0, record.bytes, requests.count(), requests.lastMs()});
        else if (record.connection == CaptureConnection::PictureLink && toClient)
            ok = CutFrames(buffer, record.bytes, [&](uint8_t code, const std::string& payload) {
                     frames.push_back({record.timeMs, code, payload, requests.count(), requests.lastMs()});
                 }) == CutResult::Ok;
        else if (record.connection == CaptureConnection::PictureLink)
            ok = requests.take(record);
        if (!ok) {
            *error = QStringLiteral("the captured picture link is not a sequence of frames");
            return false;
        }
    }
    return true;
}

} // namespace

bool BuildReplayScript(const std::vector<CaptureRecord>& records, ReplayScript& script, QString* error) {
    std::vector<TimedFrame> frames, terminal;
    if (!CutServerSide(records, frames, terminal, error))
        return false;
    const auto login = std::find_if(frames.begin(), frames.end(),
                                    [](const TimedFrame& f) { return f.code == MSG_LOGIN_REPLY; });
    if (login == frames.end()) {
        *error = QStringLiteral("the capture holds no login reply");
        return false;
    }
    const int64_t start = login->timeMs;
    const size_t requestsBefore = login->afterRequests;
    const auto event = [&](const TimedFrame& f, CaptureConnection connection, std::string bytes) {
        const size_t after = f.afterRequests - std::min(f.afterRequests, requestsBefore);
        const int64_t anchor = after == 0 ? start : f.lastRequestMs;
        return ReplayScript::Event{std::max<int64_t>(0, f.timeMs - start), connection, std::move(bytes),
                                   after, std::max<int64_t>(0, f.timeMs - anchor)};
    };
    script.loginReply = login->payload;
    script.events.clear();
    for (auto frame = login + 1; frame != frames.end(); ++frame)
        script.events.push_back(
            event(*frame, CaptureConnection::PictureLink, EncodeFrame(frame->code, frame->payload)));
    for (const TimedFrame& output : terminal)
        script.events.push_back(event(output, CaptureConnection::Terminal, output.payload));
    std::stable_sort(script.events.begin(), script.events.end(),
                     [](const auto& a, const auto& b) { return a.atMs < b.atMs; });
    return true;
}

ReplayServer::ReplayServer(const ServerOptions& options, ReplayScript script, double speed, QObject* parent)
    : QObject(parent), m_Options(options), m_Script(std::move(script)), m_Speed(speed) {}

// Playbacks refer to the script: they go first.
ReplayServer::~ReplayServer() {
    for (Playback* playback : m_Playbacks) {
        disconnect(playback, nullptr, this, nullptr);
        delete playback;
    }
}

bool ReplayServer::start(QString* error) {
    m_Framed = new QTcpServer(this);
    m_Terminal = new QTcpServer(this);
    connect(m_Framed, &QTcpServer::newConnection, this, &ReplayServer::acceptFramed);
    connect(m_Terminal, &QTcpServer::newConnection, this, &ReplayServer::acceptTerminal);
    if (!m_Framed->listen(m_Options.listenAddress, m_Options.framedPort)) {
        *error =
            QStringLiteral("picture link port %1: %2").arg(m_Options.framedPort).arg(m_Framed->errorString());
        return false;
    }
    if (!m_Terminal->listen(m_Options.listenAddress, m_Options.terminalPort)) {
        *error =
            QStringLiteral("terminal port %1: %2").arg(m_Options.terminalPort).arg(m_Terminal->errorString());
        m_Framed->close();
        return false;
    }
    return true;
}

quint16 ReplayServer::framedPort() const {
    return m_Framed ? m_Framed->serverPort() : 0;
}

quint16 ReplayServer::terminalPort() const {
    return m_Terminal ? m_Terminal->serverPort() : 0;
}

void ReplayServer::acceptFramed() {
    while (QTcpSocket* socket = m_Framed->nextPendingConnection()) {
        if (static_cast<int>(m_Playbacks.size()) >= m_Options.maxConnections) {
            qCWarning(lcSim).noquote()
                << QStringLiteral("connection from %1 refused: all %2 connections in use")
                       .arg(socket->peerAddress().toString())
                       .arg(m_Options.maxConnections);
            socket->abort();
            socket->deleteLater();
            continue;
        }
        auto* playback = new Playback(socket, m_Script, m_Speed, m_InStep, terminalPort(), this);
        m_Playbacks.push_back(playback);
        connect(playback, &Playback::finished, this, [this](Playback* done) {
            std::erase(m_Playbacks, done);
            done->deleteLater();
        });
    }
}

// A terminal belongs to the newest client that has none yet.
void ReplayServer::acceptTerminal() {
    while (QTcpSocket* socket = m_Terminal->nextPendingConnection()) {
        const auto owner = std::find_if(m_Playbacks.rbegin(), m_Playbacks.rend(),
                                        [](const Playback* p) { return !p->hasTerminal(); });
        if (owner == m_Playbacks.rend()) {
            qCInfo(lcSim).noquote() << QStringLiteral(
                                           "terminal connection from %1 refused: no client waits for one")
                                           .arg(socket->peerAddress().toString());
            socket->abort();
            socket->deleteLater();
            continue;
        }
        (*owner)->attachTerminal(socket);
    }
}

Playback::Playback(QTcpSocket* socket, const ReplayScript& script, double speed, bool inStep,
                   quint16 terminalPort, QObject* parent)
    : QObject(parent), m_Socket(socket), m_Script(script), m_Speed(speed), m_InStep(inStep),
      m_TerminalPort(terminalPort) {
    socket->setParent(this);
    m_Timer.setSingleShot(true);
    connect(&m_Timer, &QTimer::timeout, this, &Playback::playDue);
    connect(socket, &QTcpSocket::readyRead, this, &Playback::onReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, [this] { emit finished(this); });
}

void Playback::attachTerminal(QTcpSocket* socket) {
    m_Terminal = socket;
    socket->setParent(this);
    // What the client types goes nowhere; it is read only so that it does not pile up.
    connect(socket, &QTcpSocket::readyRead, socket, [socket] { socket->readAll(); });
    // The client may open its terminal again later.
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
        if (m_Terminal == socket)
            m_Terminal = nullptr;
        socket->deleteLater();
    });
    const std::string backlog = std::exchange(m_TerminalBacklog, std::string());
    socket->write(backlog.data(), static_cast<qint64>(backlog.size()));
}

void Playback::onReadyRead() {
    const QByteArray arrived = m_Socket->readAll();
    const CutResult result =
        CutFrames(m_Buffer, arrived.toStdString(), [this](uint8_t code, const std::string& payload) {
            qCDebug(lcLink).noquote() << DescribeFrame(FrameDirection::ToServer, code, payload);
            if (code == CMD_LOGIN)
                startScript();
            else if (m_Started)
                m_RequestTimes.push_back(m_Clock.elapsed());
        });
    if (result == CutResult::ProtocolError)
        m_Socket->abort();
    else if (m_InStep && m_Started)
        playDue();
}

// Every login gets the captured reply; the first one starts the script.
void Playback::startScript() {
    std::string reply = m_Script.loginReply;
    if (reply.size() >= kReplyPortOffset + 4)
        reply.replace(kReplyPortOffset, 4, Long2String(m_TerminalPort));
    const std::string frame = EncodeFrame(MSG_LOGIN_REPLY, reply);
    m_Socket->write(frame.data(), static_cast<qint64>(frame.size()));
    if (std::exchange(m_Started, true))
        return;
    m_Clock.start();
    playDue();
}

void Playback::playDue() {
    const auto& events = m_Script.events;
    for (; m_Next < events.size(); ++m_Next) {
        const std::optional<double> wait = msUntilDue(events[m_Next]);
        if (!wait) {
            m_Timer.stop();
            return;
        }
        if (*wait > 0) {
            m_Timer.start(static_cast<int>(std::clamp(std::ceil(*wait), 1.0, 86400000.0)));
            return;
        }
        send(events[m_Next]);
    }
}

std::optional<double> Playback::msUntilDue(const ReplayScript::Event& event) const {
    double anchor = 0;
    double offset = static_cast<double>(event.atMs);
    if (m_InStep) {
        if (event.afterRequests > m_RequestTimes.size())
            return std::nullopt;
        anchor = event.afterRequests == 0 ? 0 : static_cast<double>(m_RequestTimes[event.afterRequests - 1]);
        offset = static_cast<double>(event.sinceRequestMs);
    }
    return anchor + offset / m_Speed - static_cast<double>(m_Clock.elapsed());
}

void Playback::send(const ReplayScript::Event& event) {
    const std::string& bytes = event.bytes;
    if (event.connection == CaptureConnection::PictureLink)
        m_Socket->write(bytes.data(), static_cast<qint64>(bytes.size()));
    else if (m_Terminal)
        m_Terminal->write(bytes.data(), static_cast<qint64>(bytes.size()));
    else
        m_TerminalBacklog += bytes;
}

} // namespace pelorin::sim
