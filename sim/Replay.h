#pragma once

#include "SimContext.h"
#include "core/Capture.h"

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <optional>
#include <string>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace pelorin::sim {

// What the server sent in a capture, from its login reply on: the picture link as whole frames,
// the terminal as it came, each at its time after the login reply.
struct ReplayScript {
    // The captured MSG_LOGIN_REPLY payload.
    std::string loginReply;
    struct Event {
        int64_t atMs;
        CaptureConnection connection;
        std::string bytes;
        // How many requests (frames after its login) the captured client had sent before this came,
        // and how long after the last of them (after the login reply when none).
        size_t afterRequests = 0;
        int64_t sinceRequestMs = 0;
    };
    std::vector<Event> events;
};

// Builds the script; false with a message when the capture holds no login reply or its picture
// link is not a sequence of frames.
bool BuildReplayScript(const std::vector<CaptureRecord>& records, ReplayScript& script, QString* error);

class Playback;

// Serves a capture back: each client that logs in gets the captured login reply (naming this
// server's terminal port), then the captured pictures, values and texts on the picture link and
// the captured output on its terminal, at the recorded pace divided by `speed`. What a client
// asks for is not answered: the capture decides what comes.
class ReplayServer : public QObject {
    Q_OBJECT
public:
    ReplayServer(const ServerOptions& options, ReplayScript script, double speed, QObject* parent = nullptr);
    ~ReplayServer() override;

    // In step: each event waits until the client has sent as many requests as the captured client
    // had, and then comes as long after the last of them as it did then; a client that repeats the
    // captured session (the demo tour) sees every answer after its question, however its pace
    // differs. Otherwise events come at their recorded times.
    void setInStep(bool inStep) { m_InStep = inStep; }

    bool start(QString* error);
    quint16 framedPort() const;
    quint16 terminalPort() const;

private:
    void acceptFramed();
    void acceptTerminal();

    ServerOptions m_Options;
    ReplayScript m_Script;
    double m_Speed;
    bool m_InStep = false;
    QTcpServer* m_Framed = nullptr;
    QTcpServer* m_Terminal = nullptr;
    std::vector<Playback*> m_Playbacks;
};

// One client's replay.
class Playback : public QObject {
    Q_OBJECT
public:
    Playback(QTcpSocket* socket, const ReplayScript& script, double speed, bool inStep, quint16 terminalPort,
             QObject* parent);

    bool hasTerminal() const { return m_Terminal != nullptr; }
    void attachTerminal(QTcpSocket* socket);

signals:
    void finished(pelorin::sim::Playback* playback);

private:
    void onReadyRead();
    void startScript();
    void playDue();
    // Milliseconds until `event` is due; none while it waits for a request.
    std::optional<double> msUntilDue(const ReplayScript::Event& event) const;
    void send(const ReplayScript::Event& event);

    QTcpSocket* m_Socket;
    QTcpSocket* m_Terminal = nullptr;
    const ReplayScript& m_Script;
    double m_Speed;
    bool m_InStep;
    quint16 m_TerminalPort;
    std::string m_Buffer;
    QElapsedTimer m_Clock;
    QTimer m_Timer;
    size_t m_Next = 0;
    bool m_Started = false;
    // When each request after the login came, on m_Clock.
    std::vector<int64_t> m_RequestTimes;
    // Terminal output that came due before the terminal connected.
    std::string m_TerminalBacklog;
};

} // namespace pelorin::sim
