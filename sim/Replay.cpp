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
};

// The server's side of the picture link as frames, each at the time of the record that completed it.
bool CutServerFrames(const std::vector<CaptureRecord>& records, std::vector<TimedFrame>& frames,
                     QString* error) {
    std::string buffer;
    for (const CaptureRecord& record : records) {
        if (record.connection != CaptureConnection::PictureLink ||
            record.direction != CaptureDirection::ToClient)
            continue;
        const CutResult result =
            CutFrames(buffer, record.bytes, [&](uint8_t code, const std::string& payload) {
                frames.push_back({record.timeMs, code, payload});
            });
        if (result == CutResult::ProtocolError) {
            *error = QStringLiteral("the captured picture link is not a sequence of frames");
            return false;
        }
    }
    return true;
}

} // namespace

bool BuildReplayScript(const std::vector<CaptureRecord>& records, ReplayScript& script, QString* error) {
    std::vector<TimedFrame> frames;
    if (!CutServerFrames(records, frames, error))
        return false;
    const auto login = std::find_if(frames.begin(), frames.end(),
                                    [](const TimedFrame& f) { return f.code == MSG_LOGIN_REPLY; });
    if (login == frames.end()) {
        *error = QStringLiteral("the capture holds no login reply");
        return false;
    }
    const int64_t start = login->timeMs;
    script.loginReply = login->payload;
    script.events.clear();
    for (auto frame = login + 1; frame != frames.end(); ++frame)
        script.events.push_back({std::max<int64_t>(0, frame->timeMs - start), CaptureConnection::PictureLink,
                                 EncodeFrame(frame->code, frame->payload)});
    for (const CaptureRecord& record : records)
        if (record.connection == CaptureConnection::Terminal &&
            record.direction == CaptureDirection::ToClient)
            script.events.push_back(
                {std::max<int64_t>(0, record.timeMs - start), CaptureConnection::Terminal, record.bytes});
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
        auto* playback = new Playback(socket, m_Script, m_Speed, terminalPort(), this);
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

Playback::Playback(QTcpSocket* socket, const ReplayScript& script, double speed, quint16 terminalPort,
                   QObject* parent)
    : QObject(parent), m_Socket(socket), m_Script(script), m_Speed(speed), m_TerminalPort(terminalPort) {
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
        });
    if (result == CutResult::ProtocolError)
        m_Socket->abort();
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
    const auto dueBy = static_cast<int64_t>(std::floor(static_cast<double>(m_Clock.elapsed()) * m_Speed));
    for (; m_Next < events.size() && events[m_Next].atMs <= dueBy; ++m_Next)
        send(events[m_Next]);
    if (m_Next < events.size()) {
        const double wait = static_cast<double>(events[m_Next].atMs - dueBy) / m_Speed;
        m_Timer.start(static_cast<int>(std::clamp(std::ceil(wait), 0.0, 86400000.0)));
    }
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
