#include "Server.h"

#include "ModelUnits.h"
#include "Session.h"
#include "Terminal.h"
#include "Trace.h"
#include "WireText.h"
#include "core/Protocol.h"

#include <QTcpServer>
#include <QTcpSocket>
#include <algorithm>

namespace pelorin::sim {

namespace {

// How often deadlines are looked at with the real clock; they may be passed by up to this much.
constexpr int kGuardIntervalMs = 200;
// Terminal connections waiting for their claim, and what each may send meanwhile (and later per read).
constexpr int kMaxPendingTerminals = 64;
constexpr qint64 kTerminalReadBuffer = 64 * 1024;
constexpr int kFloodIntervalMs = 10;

bool SameAddress(const QHostAddress& a, const QHostAddress& b) {
    return a.isEqual(b, QHostAddress::TolerantConversion);
}

} // namespace

Server::Server(const ServerOptions& options, QObject* parent)
    : QObject(parent), m_Context(options), m_Timer(new QTimer(this)), m_GuardTimer(new QTimer(this)),
      m_FloodTimer(new QTimer(this)) {
    connect(m_Timer, &QTimer::timeout, this, &Server::tick);
    connect(m_GuardTimer, &QTimer::timeout, this, &Server::enforceDeadlines);
    connect(m_FloodTimer, &QTimer::timeout, this, &Server::floodValues);
}

// Sessions and terminals go first: they use the shared context, and must not report their closing
// to a server that is being destroyed.
Server::~Server() {
    for (Session* session : sessions()) {
        disconnect(session, nullptr, this, nullptr);
        delete session;
    }
    for (const auto& [id, terminal] : m_Terminals) {
        disconnect(terminal, nullptr, this, nullptr);
        delete terminal;
    }
    for (const PendingTerminal& pending : m_PendingTerminals)
        disconnect(pending.socket, nullptr, this, nullptr);
}

bool Server::start(QString* error) {
    const ServerOptions& options = m_Context.options;
    if (!m_Context.users.load(options.usersFile.isEmpty() ? DemoUsersFile() : options.usersFile, error))
        return false;
    if (!LoadPlant(options.plantFolder.isEmpty() ? DemoPlantFolder() : options.plantFolder, m_Context.plant,
                   error))
        return false;
    m_Context.model = BuildModel(m_Context.plant, options.seed, options.startHour, error);
    if (!m_Context.model || !m_Context.texts.prepare(error))
        return false;

    m_Framed = new QTcpServer(this);
    m_Terminal = new QTcpServer(this);
    connect(m_Framed, &QTcpServer::newConnection, this, &Server::acceptFramed);
    connect(m_Terminal, &QTcpServer::newConnection, this, &Server::acceptTerminal);
    if (!m_Framed->listen(options.listenAddress, options.framedPort)) {
        *error =
            QStringLiteral("picture link port %1: %2").arg(options.framedPort).arg(m_Framed->errorString());
        return false;
    }
    if (!m_Terminal->listen(options.listenAddress, options.terminalPort)) {
        *error =
            QStringLiteral("terminal port %1: %2").arg(options.terminalPort).arg(m_Terminal->errorString());
        m_Framed->close();
        return false;
    }
    m_Context.terminalPort = m_Terminal->serverPort();
    m_Context.realClock.start();
    m_LastTickMs = m_LastFloodMs = m_Context.nowMs();
    if (!options.fakeClock) {
        m_Timer->start(std::max(10, options.updateIntervalMs));
        m_GuardTimer->start(kGuardIntervalMs);
        if (options.floodValuesPerSecond > 0)
            m_FloodTimer->start(kFloodIntervalMs);
    }
    return true;
}

quint16 Server::framedPort() const {
    return m_Framed ? m_Framed->serverPort() : 0;
}

quint16 Server::terminalPort() const {
    return m_Terminal ? m_Terminal->serverPort() : 0;
}

void Server::acceptFramed() {
    while (QTcpSocket* socket = m_Framed->nextPendingConnection()) {
        const QString refusal = refusalOf(socket->peerAddress());
        if (!refusal.isEmpty()) {
            qCWarning(lcSim).noquote() << QStringLiteral("connection from %1 refused: %2")
                                              .arg(socket->peerAddress().toString(), refusal);
            socket->abort();
            socket->deleteLater();
            continue;
        }
        const uint64_t id = m_NextId++;
        auto* session = new Session(id, socket, m_Context, this);
        m_Sessions.emplace(id, session);
        connect(session, &Session::closed, this, &Server::onSessionClosed);
        connect(session, &Session::valuesChanged, this, &Server::publishValues);
        connect(session, &Session::channelsChanged, this, &Server::channelsChanged);
        qCDebug(lcLink).noquote()
            << QStringLiteral("#%1 connected from %2").arg(id).arg(socket->peerAddress().toString());
    }
}

// An address at its share makes room only among its own connections, so that it never takes one more.
QString Server::refusalOf(const QHostAddress& address) {
    const int perAddress = maxConnectionsPerAddress();
    if (connectionsFrom(address) >= perAddress && !makeRoom(address))
        return QStringLiteral("it holds all %1 connections one address may").arg(perAddress);
    const int all = m_Context.options.maxConnections;
    if (static_cast<int>(m_Sessions.size()) >= all && !makeRoom())
        return QStringLiteral("all %1 connections in use").arg(all);
    return {};
}

int Server::connectionsFrom(const QHostAddress& address) const {
    return static_cast<int>(
        std::count_if(m_Sessions.begin(), m_Sessions.end(), [&address](const auto& entry) {
            return SameAddress(entry.second->peerAddress(), address);
        }));
}

int Server::maxConnectionsPerAddress() const {
    const ServerOptions& options = m_Context.options;
    return options.maxConnectionsPerAddress.value_or((options.maxConnections + 1) / 2);
}

// A client claims its channel and connects its terminal at once, so the terminal may come first:
// it waits a moment for the claim. Its first bytes (the wake-up) stay in the socket meanwhile.
void Server::acceptTerminal() {
    while (QTcpSocket* socket = m_Terminal->nextPendingConnection()) {
        socket->setReadBufferSize(kTerminalReadBuffer);
        if (static_cast<int>(m_PendingTerminals.size()) >= kMaxPendingTerminals ||
            !mayWaitForClaim(socket->peerAddress())) {
            qCWarning(lcSim).noquote()
                << QStringLiteral("terminal connection from %1 refused: too many already wait "
                                  "for their channel")
                       .arg(socket->peerAddress().toString());
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_PendingTerminals.push_back({socket, m_Context.nowMs()});
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            std::erase_if(m_PendingTerminals,
                          [socket](const PendingTerminal& p) { return p.socket == socket; });
            socket->deleteLater();
        });
    }
    attachTerminals();
}

// One address cycling connections must not fill the waiting room for everyone else.
bool Server::mayWaitForClaim(const QHostAddress& address) const {
    const auto fromAddress = std::count_if(
        m_PendingTerminals.begin(), m_PendingTerminals.end(),
        [&address](const PendingTerminal& p) { return SameAddress(p.socket->peerAddress(), address); });
    return fromAddress < m_Context.options.maxPendingTerminalsPerAddress;
}

void Server::attachTerminals() {
    std::vector<PendingTerminal> waiting;
    for (const PendingTerminal& pending : std::exchange(m_PendingTerminals, {})) {
        Session* owner = terminalOwner(*pending.socket);
        if (!owner) {
            waiting.push_back(pending);
            continue;
        }
        disconnect(pending.socket, nullptr, this, nullptr);
        m_Context.channels.attachTerminal(owner->id());
        auto* terminal =
            new TerminalSession(owner->id(), pending.socket, *m_Context.model, *owner->user(),
                                m_Context.plant.name, m_Context.options.terminalBurstBytes, this);
        m_Terminals.emplace(owner->id(), terminal);
        connect(terminal, &TerminalSession::closed, this, &Server::onTerminalClosed);
        connect(terminal, &TerminalSession::valuesWritten, this, &Server::publishValues);
        connect(terminal, &TerminalSession::inputArrived, this, [this](const QByteArray& bytes) {
            m_Context.recordTerminalInput(
                std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
        });
    }
    m_PendingTerminals = std::move(waiting);
}

// The oldest claim from the same host that has no terminal yet.
Session* Server::terminalOwner(const QTcpSocket& socket) const {
    for (uint64_t id : m_Context.channels.awaitingTerminal()) {
        Session* session = findSession(id);
        if (session && session->user() && SameAddress(session->peerAddress(), socket.peerAddress()))
            return session;
    }
    return nullptr;
}

void Server::refuseLateTerminals(int64_t nowMs) {
    const int64_t grace = m_Context.options.terminalGraceMs;
    std::vector<QTcpSocket*> late;
    for (const PendingTerminal& pending : m_PendingTerminals)
        if (nowMs - pending.arrivedMs > grace)
            late.push_back(pending.socket);
    for (QTcpSocket* socket : late) {
        qCInfo(lcSim).noquote() << QStringLiteral(
                                       "terminal connection from %1 refused: no channel claimed within %2 ms")
                                       .arg(socket->peerAddress().toString())
                                       .arg(grace);
        std::erase_if(m_PendingTerminals, [socket](const PendingTerminal& p) { return p.socket == socket; });
        disconnect(socket, nullptr, this, nullptr);
        socket->abort();
        socket->deleteLater();
    }
}

// Never a connection that is logging in: under a flood of new connections nobody could log in.
bool Server::makeRoom(const QHostAddress& from) {
    const int64_t now = m_Context.nowMs();
    const auto waiting = std::find_if(m_Sessions.begin(), m_Sessions.end(), [now, &from](const auto& entry) {
        const Session& session = *entry.second;
        return session.idle(now) && (from.isNull() || SameAddress(session.peerAddress(), from));
    });
    if (waiting == m_Sessions.end())
        return false;
    qCInfo(lcSim).noquote() << QStringLiteral("%1 closed to make room for a new connection: it has not "
                                              "logged in and sends nothing")
                                   .arg(waiting->second->describe());
    waiting->second->close();
    return true;
}

void Server::tick() {
    const int64_t now = m_Context.nowMs();
    m_Context.model->advance(static_cast<double>(now - m_LastTickMs) * m_Context.options.speed / 1000.0);
    m_LastTickMs = now;
    if (!m_Context.channels.expire(now, m_Context.options.keepAliveTimeoutMs).empty())
        channelsChanged();
    publishValues();
}

void Server::enforceDeadlines() {
    const int64_t now = m_Context.nowMs();
    for (Session* session : sessions())
        session->enforceDeadlines(now);
    refuseLateTerminals(now);
}

void Server::publishValues() {
    for (Session* session : sessions())
        session->publishValues();
}

void Server::floodValues() {
    const int64_t now = m_Context.nowMs();
    m_FloodDue += static_cast<double>(m_Context.options.floodValuesPerSecond) *
                  static_cast<double>(now - m_LastFloodMs) / 1000.0;
    m_LastFloodMs = now;
    const auto count = static_cast<int>(m_FloodDue);
    m_FloodDue -= count;
    if (count > 0)
        for (Session* session : sessions())
            session->floodValues(count);
}

void Server::onSessionClosed(Session* session) {
    qCDebug(lcLink).noquote() << QStringLiteral("#%1 closed").arg(session->id());
    m_Sessions.erase(session->id());
    session->deleteLater();
    if (m_Context.channels.release(session->id()))
        channelsChanged();
}

void Server::onTerminalClosed(TerminalSession* terminal) {
    m_Terminals.erase(terminal->session());
    terminal->deleteLater();
    if (m_Context.channels.release(terminal->session()))
        channelsChanged();
}

void Server::channelsChanged() {
    attachTerminals();
    std::vector<TerminalSession*> orphaned;
    for (const auto& [id, terminal] : m_Terminals)
        if (!m_Context.channels.holds(id))
            orphaned.push_back(terminal);
    for (TerminalSession* terminal : orphaned)
        terminal->close();
    broadcastSysdialInfo();
}

void Server::broadcastSysdialInfo() {
    const std::string payload = m_Context.channels.infoPayload(m_Context.plant.macroList);
    for (Session* session : sessions())
        if (session->user())
            session->send(MSG_SYSDIAL_INFO, payload);
}

// A copy, as sessions() is.
std::vector<TerminalSession*> Server::terminals() const {
    std::vector<TerminalSession*> list;
    for (const auto& [id, terminal] : m_Terminals)
        list.push_back(terminal);
    return list;
}

Session* Server::findSession(uint64_t id) const {
    const auto it = m_Sessions.find(id);
    return it == m_Sessions.end() ? nullptr : it->second;
}

// A copy: handling one session may close another and change the map.
std::vector<Session*> Server::sessions() const {
    std::vector<Session*> list;
    for (const auto& [id, session] : m_Sessions)
        list.push_back(session);
    return list;
}

std::optional<double> Server::modelValue(const std::string& address) const {
    const Signal* signal = m_Context.model ? m_Context.model->find(address) : nullptr;
    return signal ? std::optional<double>(signal->value) : std::nullopt;
}

bool Server::forceValue(const std::string& address, double value) {
    if (!m_Context.model || !m_Context.model->force(address, value))
        return false;
    publishValues();
    return true;
}

void Server::setFrozen(bool frozen) {
    if (m_Context.model)
        m_Context.model->setFrozen(frozen);
}

void Server::advanceClock(int ms) {
    if (!m_Context.options.fakeClock || !m_Context.model || ms < 0)
        return;
    m_Context.fakeNowMs += ms;
    tick();
    floodValues();
    enforceDeadlines();
}

std::vector<ReceivedFrame> Server::receivedFrames() const {
    return {m_Context.received.begin(), m_Context.received.end()};
}

void Server::clearReceivedFrames() {
    m_Context.clearReceived();
}

std::vector<WriteRecord> Server::writes() const {
    return {m_Context.writes.begin(), m_Context.writes.end()};
}

std::optional<WriteRecord> Server::lastWrite(const std::string& address) const {
    const auto& writes = m_Context.writes;
    const auto it = std::find_if(writes.rbegin(), writes.rend(),
                                 [&](const WriteRecord& w) { return w.address == address; });
    return it == writes.rend() ? std::nullopt : std::optional<WriteRecord>(*it);
}

int Server::sendToTerminals(std::string_view bytes) {
    const std::vector<TerminalSession*> all = terminals();
    for (TerminalSession* terminal : all)
        terminal->sendRaw(bytes);
    return static_cast<int>(all.size());
}

int Server::loggedInCount() const {
    return static_cast<int>(std::count_if(m_Sessions.begin(), m_Sessions.end(),
                                          [](const auto& entry) { return entry.second->user() != nullptr; }));
}

void Server::dropMidFrame() {
    for (Session* session : sessions())
        session->dropMidFrame();
}

void Server::stallMidFrame() {
    for (Session* session : sessions())
        session->stallMidFrame();
}

void Server::resume() {
    for (Session* session : sessions())
        session->resume();
}

void Server::sendGarbage(const std::string& bytes) {
    for (Session* session : sessions())
        session->sendRaw(bytes);
}

void Server::stallConnections() {
    for (Session* session : sessions())
        session->stall();
}

void Server::sendBurstToTerminals(int64_t bytes) {
    for (TerminalSession* terminal : terminals())
        terminal->sendBurst(bytes);
}

void Server::sendFrameToAll(uint8_t code, const std::string& payload) {
    for (Session* session : sessions())
        session->send(code, payload);
}

void Server::closeAllConnections() {
    for (Session* session : sessions())
        session->close();
    for (TerminalSession* terminal : terminals())
        terminal->close();
}

} // namespace pelorin::sim
