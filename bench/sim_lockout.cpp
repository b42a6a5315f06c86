// Can hostile connections lock honest operators out of the simulator? Three attacks, each against
// honest users arriving at a steady pace, whose success and latency are printed with no attack and
// under it, with why the simulator closed connections:
//  - drippers and half frames: connections from another local address (127.0.0.2) that drip a frame
//    a byte at a time and connections that send half of a large frame and fall silent (half of each
//    kind logged in, the rest not), each reopened as soon as the simulator closes it; honest users
//    log in;
//  - the terminal port: connections from another local address (127.0.0.2) that connect to the
//    terminal port and never claim a channel, reopened as soon as they are closed; honest users log
//    in, claim a channel and wait for their terminal's prompt;
//  - fast logins at the connection limit (--limit): connections from 127.0.0.2 that log in at once,
//    and close and reconnect as soon as the reply comes; honest users log in. One address may hold
//    only its share of the limit (--max-per-address; the simulator's default, half, without it), so
//    the attackers cannot take the slots of 127.0.0.1.
//
//   sim_lockout [--drippers 300] [--half-frames 300] [--duration 40] [--port N]
//               [--terminal-cyclers 500] [--fast-logins 200] [--limit 50] [--max-per-address N]
//               [--attack-seconds 15]
//
// Without --port the simulator runs in this process on a thread of its own; both ends of every
// connection are then open here, so the open-file limit must allow twice the connections. With
// --port only the first attack runs, against that simulator.

#include "Server.h"
#include "core/ClientProcs.h"
#include "core/FrameCutter.h"
#include "core/Protocol.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QMutex>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

using namespace pelorin;

namespace {

std::string LoginFrame(const std::string& visa, const std::string& password) {
    return EncodeFrame(CMD_LOGIN, ScrambleLogin(visa + '\xFF' + password, 0x3C));
}

QByteArray Bytes(const std::string& text) {
    return QByteArray::fromStdString(text);
}

// Why the simulator closed connections, counted from its log (which comes from its own thread).
class CloseReasons {
public:
    static void install() { qInstallMessageHandler(&CloseReasons::handle); }
    static std::map<QString, int> counts() {
        QMutexLocker lock(&s_Mutex);
        return s_Counts;
    }

private:
    static void handle(QtMsgType, const QMessageLogContext& context, const QString& message) {
        if (!context.category || qstrcmp(context.category, "pelorin.sim") != 0)
            return;
        static const QString kReasons[] = {
            QStringLiteral("did not log in"),   QStringLiteral("did not complete a frame"),
            QStringLiteral("unfinished input"), QStringLiteral("to make room"),
            QStringLiteral("refused"),          QStringLiteral("does not read")};
        QMutexLocker lock(&s_Mutex);
        for (const QString& reason : kReasons)
            if (message.contains(reason))
                ++s_Counts[reason];
    }

    static inline QMutex s_Mutex;
    static inline std::map<QString, int> s_Counts;
};

// One hostile connection, reopened whenever the simulator closes it.
class Attacker : public QObject {
public:
    enum class Kind { Dripper, HalfFrame, TerminalSquatter, FastLogin };
    Attacker(Kind kind, bool logsIn, quint16 port, int dripIntervalMs, uint32_t halfFrameSize,
             const QHostAddress& from = {})
        : m_Kind(kind), m_LogsIn(logsIn), m_Port(port), m_HalfFrameSize(halfFrameSize), m_From(from) {
        m_Drip.setInterval(dripIntervalMs);
        connect(&m_Drip, &QTimer::timeout, this, [this] { dripOne(); });
        connect(&m_Socket, &QTcpSocket::connected, this, [this] { attack(); });
        connect(&m_Socket, &QTcpSocket::disconnected, this, [this] { reopenLater(); });
        connect(&m_Socket, &QTcpSocket::errorOccurred, this, [this] {
            if (m_Socket.state() == QAbstractSocket::UnconnectedState)
                reopenLater();
        });
        // Replies are read and dropped, so that the simulator never sees a client that does not read;
        // a fast login starts over as soon as its reply has come.
        connect(&m_Socket, &QTcpSocket::readyRead, this, [this] {
            m_Socket.readAll();
            if (m_Kind == Kind::FastLogin)
                reopenLater(0);
        });
    }
    void open() {
        if (!m_From.isNull())
            m_Socket.bind(m_From);
        m_Socket.connectToHost(QHostAddress::LocalHost, m_Port);
    }
    int closes() const { return m_Closes; }

private:
    void attack() {
        if (m_Kind == Kind::TerminalSquatter)
            return;
        if (m_LogsIn)
            m_Socket.write(Bytes(LoginFrame("DEMO", "demo")));
        if (m_Kind == Kind::FastLogin)
            return;
        if (m_Kind == Kind::HalfFrame) {
            const std::string head =
                Byte2String(CMD_SAVE_GLOBAL_LOG) + Long2String(static_cast<int32_t>(m_HalfFrameSize));
            m_Socket.write(Bytes(head + std::string(m_HalfFrameSize / 2, 'x')));
            return;
        }
        m_Dripped = 0;
        m_Drip.start();
    }
    void dripOne() {
        static const std::string frame = EncodeFrame(CMD_SAVE_GLOBAL_LOG, std::string(1000, 'x'));
        m_Socket.write(frame.data() + m_Dripped % frame.size(), 1);
        ++m_Dripped;
    }
    void reopenLater(int delayMs = 100) {
        if (m_Reopening)
            return;
        m_Reopening = true;
        ++m_Closes;
        m_Drip.stop();
        QTimer::singleShot(delayMs, this, [this] {
            m_Socket.abort();
            m_Reopening = false;
            open();
        });
    }

    Kind m_Kind;
    bool m_LogsIn;
    quint16 m_Port;
    uint32_t m_HalfFrameSize;
    QHostAddress m_From;
    QTcpSocket m_Socket;
    QTimer m_Drip;
    size_t m_Dripped = 0;
    int m_Closes = 0;
    bool m_Reopening = false;
};

// Honest logins at a steady pace; each measures connect-to-reply time. With a terminal port, each
// also claims a channel and is served once its terminal shows the prompt.
class Prober : public QObject {
public:
    Prober(quint16 port, int intervalMs, quint16 terminalPort = 0)
        : m_Port(port), m_TerminalPort(terminalPort) {
        m_Pace.setInterval(intervalMs);
        connect(&m_Pace, &QTimer::timeout, this, [this] { probe(); });
    }
    void start() { m_Pace.start(); }
    void stop() { m_Pace.stop(); }
    // Forgets the figures so far (the next phase starts counting afresh).
    void reset() {
        m_Latencies.clear();
        m_Started = m_Failed = 0;
    }
    int started() const { return m_Started; }
    int failed() const { return m_Failed; }
    std::vector<double> latencies() const { return m_Latencies; }

private:
    struct Probe {
        QTcpSocket socket;
        QTcpSocket terminal;
        QByteArray shown;
        QElapsedTimer clock;
        std::string buffer;
        bool done = false;
    };

    void probe() {
        ++m_Started;
        auto* p = new Probe;
        m_Probes.push_back(std::unique_ptr<Probe>(p));
        p->clock.start();
        connect(&p->socket, &QTcpSocket::connected, this,
                [p] { p->socket.write(Bytes(LoginFrame("DEMO", "demo"))); });
        connect(&p->socket, &QTcpSocket::readyRead, this, [this, p] { read(*p); });
        connect(&p->socket, &QTcpSocket::errorOccurred, this, [this, p] { finish(*p, false); });
        QTimer::singleShot(5000, &p->socket, [this, p] { finish(*p, false); });
        p->socket.connectToHost(QHostAddress::LocalHost, m_Port);
    }
    void read(Probe& p) {
        bool accepted = false, replied = false;
        CutFrames(p.buffer, p.socket.readAll().toStdString(), [&](uint8_t code, const std::string& payload) {
            if (code == MSG_LOGIN_REPLY) {
                replied = true;
                accepted = String2Long(payload, 0) >= 1;
            }
        });
        if (!replied)
            return;
        if (!accepted || m_TerminalPort == 0) {
            finish(p, accepted);
            return;
        }
        p.socket.write(Bytes(EncodeFrame(CMD_SYSDIAL_CHANNEL, {})));
        connect(&p.terminal, &QTcpSocket::connected, this, [&p] { p.terminal.write("\x10"); });
        connect(&p.terminal, &QTcpSocket::readyRead, this, [this, &p] {
            p.shown += p.terminal.readAll();
            if (p.shown.contains("PELORIN> "))
                finish(p, true);
        });
        connect(&p.terminal, &QTcpSocket::errorOccurred, this, [this, &p] { finish(p, false); });
        p.terminal.connectToHost(QHostAddress::LocalHost, m_TerminalPort);
    }
    void finish(Probe& p, bool accepted) {
        if (std::exchange(p.done, true))
            return;
        if (accepted)
            m_Latencies.push_back(static_cast<double>(p.clock.nsecsElapsed()) / 1e6);
        else
            ++m_Failed;
        p.socket.abort();
        p.terminal.abort();
        // Deleted later: this may run inside one of the probe's own signals.
        QTimer::singleShot(0, this, [this, &p] {
            std::erase_if(m_Probes, [&](const std::unique_ptr<Probe>& q) { return q.get() == &p; });
        });
    }

    quint16 m_Port;
    quint16 m_TerminalPort;
    QTimer m_Pace;
    std::vector<std::unique_ptr<Probe>> m_Probes;
    std::vector<double> m_Latencies;
    int m_Started = 0;
    int m_Failed = 0;
};

void RunFor(int ms) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

double Percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const auto index = static_cast<size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[index];
}

void Report(const char* phase, const Prober& prober) {
    const std::vector<double> latencies = prober.latencies();
    std::printf(
        "%-26s honest users: %4d tried, %4zu succeeded, %3d failed; latency ms: min %.2f, median %.2f, "
        "p95 %.2f, max %.2f\n",
        phase, prober.started(), latencies.size(), prober.failed(), Percentile(latencies, 0),
        Percentile(latencies, 0.5), Percentile(latencies, 0.95), Percentile(latencies, 1));
}

// The simulator on a thread of its own; the attacks and honest users run on the main thread.
class SimulatorThread {
public:
    explicit SimulatorThread(sim::ServerOptions options) {
        options.dataFolder = m_Data.path();
        m_Server = new sim::Server(options);
        m_Server->moveToThread(&m_Thread);
        m_Thread.start();
        QString error;
        QMetaObject::invokeMethod(
            m_Server, [&] { m_Started = m_Server->start(&error); }, Qt::BlockingQueuedConnection);
        if (!m_Started)
            std::fprintf(stderr, "sim_lockout: %s\n", qPrintable(error));
    }
    ~SimulatorThread() {
        QMetaObject::invokeMethod(
            m_Server, [this] { delete m_Server; }, Qt::BlockingQueuedConnection);
        m_Thread.quit();
        m_Thread.wait();
    }
    bool started() const { return m_Started; }
    quint16 framedPort() const { return m_Server->framedPort(); }
    quint16 terminalPort() const { return m_Server->terminalPort(); }
    void printState() const {
        size_t buffered = 0;
        int sessions = 0;
        QMetaObject::invokeMethod(
            m_Server,
            [&] {
                buffered = m_Server->bufferedInput();
                sessions = m_Server->sessionCount();
            },
            Qt::BlockingQueuedConnection);
        std::printf("simulator: %d connections open, %.1f MiB of unfinished frames held\n", sessions,
                    static_cast<double>(buffered) / (1024.0 * 1024.0));
    }

private:
    QTemporaryDir m_Data;
    QThread m_Thread;
    sim::Server* m_Server = nullptr;
    bool m_Started = false;
};

// Honest users for `seconds` with no attack, then under the attackers, who are opened first.
void RunAttack(const char* name, Prober& prober, std::vector<std::unique_ptr<Attacker>>& attackers,
               int seconds) {
    prober.reset();
    prober.start();
    RunFor(3000);
    prober.stop();
    RunFor(500);
    Report((std::string(name) + ", no attack").c_str(), prober);

    for (auto& attacker : attackers)
        attacker->open();
    RunFor(1000);
    prober.reset();
    prober.start();
    RunFor(seconds * 1000);
    prober.stop();
    RunFor(500);
    Report((std::string(name) + ", under attack").c_str(), prober);
    int closes = 0;
    for (const auto& attacker : attackers)
        closes += attacker->closes();
    std::printf("attackers: %zu connections, closed by the simulator %d times\n", attackers.size(), closes);
    attackers.clear();
}

void PrintCloseReasons() {
    for (const auto& [reason, count] : CloseReasons::counts())
        std::printf("  closed or refused, \"%s\": %d\n", qPrintable(reason), count);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("drippers"), QStringLiteral("Connections that drip a byte at a time."),
         QStringLiteral("n"), QStringLiteral("300")},
        {QStringLiteral("half-frames"), QStringLiteral("Connections that send half a frame."),
         QStringLiteral("n"), QStringLiteral("300")},
        {QStringLiteral("half-frame-size"), QStringLiteral("Payload the half frames announce."),
         QStringLiteral("bytes"), QStringLiteral("1048576")},
        {QStringLiteral("drip-interval"), QStringLiteral("Milliseconds between dripped bytes."),
         QStringLiteral("ms"), QStringLiteral("2000")},
        {QStringLiteral("duration"), QStringLiteral("Seconds of the first attack."), QStringLiteral("s"),
         QStringLiteral("40")},
        {QStringLiteral("probe-interval"), QStringLiteral("Milliseconds between honest logins."),
         QStringLiteral("ms"), QStringLiteral("100")},
        {QStringLiteral("max-connections"), QStringLiteral("The in-process simulator's connection limit."),
         QStringLiteral("n"), QStringLiteral("1000")},
        {QStringLiteral("port"), QStringLiteral("Attack a running simulator on this port instead."),
         QStringLiteral("port")},
        {QStringLiteral("terminal-cyclers"),
         QStringLiteral("Connections from 127.0.0.2 that squat on the terminal port."), QStringLiteral("n"),
         QStringLiteral("500")},
        {QStringLiteral("fast-logins"),
         QStringLiteral("Connections from 127.0.0.2 that log in, close and reconnect at once."),
         QStringLiteral("n"), QStringLiteral("200")},
        {QStringLiteral("limit"), QStringLiteral("The connection limit for the fast logins."),
         QStringLiteral("n"), QStringLiteral("50")},
        {QStringLiteral("max-per-address"),
         QStringLiteral("Connections one address may hold under the fast logins (default: half the limit)."),
         QStringLiteral("n")},
        {QStringLiteral("attack-seconds"), QStringLiteral("Seconds of the terminal and fast-login attacks."),
         QStringLiteral("s"), QStringLiteral("15")},
    });
    parser.process(app);
    const auto number = [&](const char* name) { return parser.value(QString::fromLatin1(name)).toInt(); };
    const QHostAddress other(QStringLiteral("127.0.0.2"));

    std::unique_ptr<SimulatorThread> simulator;
    quint16 port = static_cast<quint16>(number("port"));
    if (!parser.isSet(QStringLiteral("port"))) {
        CloseReasons::install();
        sim::ServerOptions options;
        options.maxConnections = number("max-connections");
        options.channels = 4;
        simulator = std::make_unique<SimulatorThread>(options);
        if (!simulator->started())
            return 1;
        port = simulator->framedPort();
    }

    {
        Prober prober(port, number("probe-interval"));
        std::vector<std::unique_ptr<Attacker>> attackers;
        const auto halfFrameSize = static_cast<uint32_t>(number("half-frame-size"));
        for (int i = 0; i < number("drippers"); ++i)
            attackers.push_back(std::make_unique<Attacker>(Attacker::Kind::Dripper, i % 2 == 0, port,
                                                           number("drip-interval"), halfFrameSize, other));
        for (int i = 0; i < number("half-frames"); ++i)
            attackers.push_back(std::make_unique<Attacker>(Attacker::Kind::HalfFrame, i % 2 == 0, port,
                                                           number("drip-interval"), halfFrameSize, other));
        RunAttack("drippers, half frames", prober, attackers, number("duration"));
    }
    if (!simulator)
        return 0;
    simulator->printState();

    {
        Prober prober(port, 500, simulator->terminalPort());
        std::vector<std::unique_ptr<Attacker>> attackers;
        for (int i = 0; i < number("terminal-cyclers"); ++i)
            attackers.push_back(std::make_unique<Attacker>(Attacker::Kind::TerminalSquatter, false,
                                                           simulator->terminalPort(), 0, 0, other));
        RunAttack("terminal port", prober, attackers, number("attack-seconds"));
    }
    simulator.reset();

    sim::ServerOptions limited;
    limited.maxConnections = number("limit");
    if (parser.isSet(QStringLiteral("max-per-address")))
        limited.maxConnectionsPerAddress = number("max-per-address");
    simulator = std::make_unique<SimulatorThread>(limited);
    if (!simulator->started())
        return 1;
    {
        Prober prober(simulator->framedPort(), 500);
        std::vector<std::unique_ptr<Attacker>> attackers;
        for (int i = 0; i < number("fast-logins"); ++i)
            attackers.push_back(std::make_unique<Attacker>(Attacker::Kind::FastLogin, true,
                                                           simulator->framedPort(), 0, 0, other));
        RunAttack("fast logins at the limit", prober, attackers, number("attack-seconds"));
    }
    simulator.reset();
    PrintCloseReasons();
    return 0;
}
