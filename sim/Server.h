#pragma once

#include "SimContext.h"

#include <QObject>
#include <QTimer>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace pelorin::sim {

class Session;
class TerminalSession;

// The picture server simulator: the framed picture link and the system-dialog terminal port,
// many clients at once, each with its own session, over one process model. Tests start it
// in-process on port 0; the executable pelorin-sim wraps it.
class Server : public QObject {
    Q_OBJECT
public:
    explicit Server(const ServerOptions& options, QObject* parent = nullptr);
    ~Server() override;

    // Loads users and plant, prepares the data folder and listens; false with a message if not.
    bool start(QString* error);
    quint16 framedPort() const;
    quint16 terminalPort() const;

    const Plant& plant() const { return m_Context.plant; }
    const UserDirectory& users() const { return m_Context.users; }

    // The model, for tests and tools. Forcing a value sends it to every client showing it.
    std::optional<double> modelValue(const std::string& address) const;
    bool forceValue(const std::string& address, double value);
    // A frozen model moves no value by itself; writes and forced values still apply.
    void setFrozen(bool frozen);
    // With the fake clock: lets `ms` of time pass at once (model, keep-alives, time-outs).
    void advanceClock(int ms);

    // What clients sent: every frame, and the write requests with their outcome.
    std::vector<ReceivedFrame> receivedFrames() const;
    void clearReceivedFrames();
    // Every CMD_WRITE_VALUE in order, applied or not.
    std::vector<WriteRecord> writes() const;
    std::optional<WriteRecord> lastWrite(const std::string& address) const;
    // What clients typed on their terminals (all terminals, in arrival order), and bytes sent as
    // they are to every terminal; returns how many terminals there were.
    std::string terminalInput() const { return m_Context.terminalInput; }
    void clearTerminalInput() { m_Context.terminalInput.clear(); }
    int sendToTerminals(std::string_view bytes);

    int sessionCount() const { return static_cast<int>(m_Sessions.size()); }
    int loggedInCount() const;
    int channelsInUse() const { return m_Context.channels.inUse(); }
    int terminalCount() const { return static_cast<int>(m_Terminals.size()); }
    // Terminal connections waiting for their channel claim.
    int pendingTerminalCount() const { return static_cast<int>(m_PendingTerminals.size()); }
    // Bytes of unfinished frames held for all connections.
    size_t bufferedInput() const { return m_Context.bufferedInput; }

    // Failure injection for the client's tests, applied to every connected session.
    void dropMidFrame();
    void stallMidFrame();
    void resume();
    void sendGarbage(const std::string& bytes);
    // Every picture link connection stops reading and sending, as a hung server does, until resume().
    void stallConnections();
    // Sends `bytes` of text to every terminal, as fast as each client takes it.
    void sendBurstToTerminals(int64_t bytes);
    void sendFrameToAll(uint8_t code, const std::string& payload);
    void broadcastSysdialInfo();
    void closeAllConnections();

private:
    void acceptFramed();
    void acceptTerminal();
    // Gives waiting terminal connections to the claims that have come, oldest first.
    void attachTerminals();
    Session* terminalOwner(const QTcpSocket& socket) const;
    void refuseLateTerminals(int64_t nowMs);
    void tick();
    void enforceDeadlines();
    // Why a new picture link connection from `address` is refused; empty when it may stay, after
    // room has been made for it if need be.
    QString refusalOf(const QHostAddress& address);
    int connectionsFrom(const QHostAddress& address) const;
    int maxConnectionsPerAddress() const;
    // Closes the oldest idle connection (Session::idle), only among those from `from` unless it is
    // null; false when none is.
    bool makeRoom(const QHostAddress& from = {});
    void publishValues();
    void floodValues();
    // Whether `address` may open one more terminal connection that waits for its claim.
    bool mayWaitForClaim(const QHostAddress& address) const;
    void onSessionClosed(Session* session);
    void onTerminalClosed(TerminalSession* terminal);
    // Closes terminals whose channel is gone and tells every client the channel use.
    void channelsChanged();
    Session* findSession(uint64_t id) const;
    std::vector<Session*> sessions() const;
    std::vector<TerminalSession*> terminals() const;

    SimContext m_Context;
    QTcpServer* m_Framed = nullptr;
    QTcpServer* m_Terminal = nullptr;
    QTimer* m_Timer;
    QTimer* m_GuardTimer;
    QTimer* m_FloodTimer;
    int64_t m_LastTickMs = 0;
    int64_t m_LastFloodMs = 0;
    double m_FloodDue = 0;
    uint64_t m_NextId = 1;
    std::map<uint64_t, Session*> m_Sessions;
    std::map<uint64_t, TerminalSession*> m_Terminals;
    struct PendingTerminal {
        QTcpSocket* socket;
        int64_t arrivedMs;
    };
    std::vector<PendingTerminal> m_PendingTerminals;
};

} // namespace pelorin::sim
