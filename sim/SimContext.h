#pragma once

#include "Plant.h"
#include "ProcessModel.h"
#include "SysdialChannels.h"
#include "TextStore.h"
#include "Users.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QString>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>

namespace pelorin::sim {

struct ServerOptions {
    QHostAddress listenAddress = QHostAddress(QHostAddress::LocalHost);
    // 0 picks a free port; Server::framedPort() and terminalPort() tell which.
    quint16 framedPort = 0;
    quint16 terminalPort = 0;
    // Empty: the built-in demo plant and users.
    QString plantFolder;
    QString usersFile;
    // Logbooks and function texts; must be given.
    QString dataFolder;
    int updateIntervalMs = 1000;
    unsigned seed = 1;
    // Simulated seconds per real second, and the simulated time of day at start.
    double speed = 60;
    double startHour = 8;
    // Time moves only through Server::advanceClock (tests).
    bool fakeClock = false;
    int channels = 2;
    int historySize = 20000;
    // Picture link connections. When all are taken, a new one displaces the oldest idle one (see
    // idleAfterMs); when none is idle it is refused.
    int maxConnections = 1000;
    // Picture link connections one address may hold at once, so that it cannot take them all even
    // with connections that log in; a newcomer beyond it displaces an idle one of that address or
    // is refused. Unset: half of maxConnections, rounded up.
    std::optional<int> maxConnectionsPerAddress;
    // A connection that has not logged in and has sent nothing this long after connecting is idle.
    // A younger one, or one that has begun a frame, is logging in and is never displaced.
    int idleAfterMs = 1000;
    // A terminal connection that arrives before its channel is claimed waits this long for the claim.
    int terminalGraceMs = 1000;
    // Terminal connections from one address that may wait for their claim at once.
    int maxPendingTerminalsPerAddress = 4;
    // A claimed channel is released when its keep-alive stops for longer than this.
    int keepAliveTimeoutMs = 30000;
    // A connection must log in this long after it connected (or logged out), or it is closed.
    int loginTimeoutMs = 5000;
    // A frame must be complete this long after its first byte, plus a millisecond per KiB it
    // announces (a slowest link of 1 MiB/s), or the connection is closed. Counting from the first
    // byte keeps a client that drips a byte now and then from holding a connection for ever.
    int frameTimeoutMs = 30000;
    // Unfinished frames of all connections together; a connection that would exceed it is closed.
    size_t maxBufferedInput = 256u * 1024u * 1024u;

    // Failure injection for tests and integrators.
    // A picture link connection stops reading and sending this long after it logged in; -1: never.
    int stallAfterLoginMs = -1;
    // Values a second sent to each connection showing a picture, on top of the model's changes.
    int floodValuesPerSecond = 0;
    // Bytes of text each terminal is sent after its banner, as fast as the client takes them.
    int64_t terminalBurstBytes = 0;
};

// One write request as it arrived, for tests and the trace. Writes that could not be applied are
// recorded too (no picture, a number outside it, parameters not watched): their address is empty.
struct WriteRecord {
    uint64_t session = 0;
    int32_t dynamicNumber = 0;
    std::string address;
    std::string text;
    bool accepted = false;
};

struct ReceivedFrame {
    uint64_t session = 0;
    uint8_t code = 0;
    std::string payload;
};

// What the sessions, the terminals and the server share.
class SimContext {
public:
    explicit SimContext(const ServerOptions& options)
        : options(options), texts(options.dataFolder), channels(options.channels) {}

    int64_t nowMs() const;
    void recordFrame(uint64_t session, uint8_t code, const std::string& payload);
    void clearReceived();
    void recordWrite(WriteRecord record);
    void recordTerminalInput(std::string_view bytes);

    ServerOptions options;
    Plant plant;
    UserDirectory users;
    std::unique_ptr<ProcessModel> model;
    TextStore texts;
    SysdialChannels channels;
    quint16 terminalPort = 0;
    int64_t fakeNowMs = 0;
    QElapsedTimer realClock;
    std::deque<ReceivedFrame> received;
    size_t receivedBytes = 0;
    std::deque<WriteRecord> writes;
    // What clients typed on their terminals, all terminals in arrival order.
    std::string terminalInput;
    // Bytes of unfinished frames held by all sessions.
    size_t bufferedInput = 0;
};

} // namespace pelorin::sim
