// The protocol trace and the capture of a client session, checked against each other: one trace line
// per frame that crossed the link, and neither holding the login's password or a terminal code word.

#include "HostSupport.h"

#include "core/ClientProcs.h"
#include "core/FrameCutter.h"
#include "core/FrameTrace.h"
#include "platform/Winsock.h"

#include <QLoggingCategory>
#include <QTcpServer>
#include <QTcpSocket>

namespace pelorin::test {
namespace {

// Collects the client's debug lines of pelorin.link while it lives; `enabled` switches the trace on as
// --trace does. The simulator in this process traces on the same category, its lines marked with its
// connection numbers ("#3 ...", "terminal #3 ..."); they are left out.
class TraceLines {
public:
    explicit TraceLines(bool enabled) {
        s_Lines.clear();
        if (enabled)
            QLoggingCategory::setFilterRules(QStringLiteral("pelorin.link.debug=true"));
        m_Previous = qInstallMessageHandler(&TraceLines::collect);
    }
    ~TraceLines() {
        qInstallMessageHandler(m_Previous);
        QLoggingCategory::setFilterRules({});
    }

    // The lines beginning with `prefix`, in order.
    std::vector<std::string> starting(const std::string& prefix) const {
        std::vector<std::string> lines;
        for (const std::string& line : s_Lines)
            if (line.rfind(prefix, 0) == 0)
                lines.push_back(line);
        return lines;
    }
    const std::vector<std::string>& all() const { return s_Lines; }

private:
    static void collect(QtMsgType type, const QMessageLogContext& context, const QString& message) {
        const bool simulator =
            message.startsWith(QLatin1Char('#')) || message.startsWith(QLatin1String("terminal #"));
        if (type == QtDebugMsg && qstrcmp(context.category, "pelorin.link") == 0 && !simulator)
            s_Lines.push_back(message.toStdString());
    }

    static inline std::vector<std::string> s_Lines;
    QtMessageHandler m_Previous = nullptr;
};

struct CapturedFrame {
    CaptureDirection direction;
    uint8_t code;
    std::string payload;
};

// The frames of each direction of the captured picture link, in order.
std::vector<CapturedFrame> CapturedFrames(const QString& path) {
    const CaptureContents capture = ReadCaptureFile(path);
    EXPECT_TRUE(capture.error.isEmpty()) << capture.error.toStdString();
    std::string toServer, toClient;
    std::vector<CapturedFrame> frames;
    for (const CaptureRecord& record : capture.records) {
        if (record.connection != CaptureConnection::PictureLink)
            continue;
        std::string& buffer = record.direction == CaptureDirection::ToServer ? toServer : toClient;
        EXPECT_EQ(CutFrames(buffer, record.bytes,
                            [&](uint8_t code, const std::string& payload) {
                                frames.push_back({record.direction, code, payload});
                            }),
                  CutResult::Ok);
    }
    return frames;
}

std::vector<std::string> Described(const std::vector<CapturedFrame>& frames, CaptureDirection direction) {
    std::vector<std::string> lines;
    for (const CapturedFrame& f : frames)
        if (f.direction == direction)
            lines.push_back(DescribeFrame(direction == CaptureDirection::ToServer ? FrameDirection::ToServer
                                                                                  : FrameDirection::ToClient,
                                          f.code, f.payload)
                                .toStdString());
    return lines;
}

TEST(LinkWatch, TheTraceIsOneLinePerCapturedFrameAndNeitherHoldsThePassword) {
    DemoServer demo;
    ASSERT_TRUE(demo.started());
    QTemporaryDir dir;
    const QString capture = dir.filePath(QStringLiteral("session.cap"));
    ControlFixture f;
    PelorinControl& c = StartClient(f, demo.address(), capture);
    TraceLines trace(true);

    ASSERT_TRUE(LogIn(c, "DEMO", "demo"));
    ASSERT_TRUE(ShowPicture(c, 1));
    c.TCPSend(CMD_WRITE_VALUE, Long2String(0) + "21.5");
    c.session().LogOut();
    ASSERT_TRUE(waitFor([&demo] {
        const auto frames = demo.server().receivedFrames();
        return !frames.empty() && frames.back().code == CMD_LOGOUT;
    }));

    const std::vector<CapturedFrame> frames = CapturedFrames(capture);
    const auto sent = trace.starting("-> ");
    const auto received = trace.starting("<- ");
    EXPECT_EQ(sent, Described(frames, CaptureDirection::ToServer));
    EXPECT_EQ(received, Described(frames, CaptureDirection::ToClient));
    EXPECT_EQ(sent.size() + received.size(), trace.all().size()) << "every line is a frame";
    EXPECT_EQ(sent.size(), demo.server().receivedFrames().size());
    ASSERT_GE(sent.size(), 5u);
    EXPECT_EQ(sent.front(), "-> CMD_LOGIN(3) 6 bytes: visa \"DEMO\", password ****");
    EXPECT_EQ(sent.back(), "-> CMD_LOGOUT(4) 0 bytes");
    EXPECT_EQ(received.front().rfind("<- MSG_LOGIN_REPLY(3)", 0), 0u) << received.front();
    for (const std::string& line : trace.all())
        EXPECT_EQ(line.find("demo"), std::string::npos) << line;

    ASSERT_EQ(frames.front().code, CMD_LOGIN);
    EXPECT_EQ(UnscrambleLogin(frames.front().payload), "DEMO\xFF");
}

TEST(LinkWatch, NothingIsTracedUnlessSwitchedOn) {
    DemoServer demo;
    ASSERT_TRUE(demo.started());
    ControlFixture f;
    PelorinControl& c = StartClient(f, demo.address());
    TraceLines trace(false);
    ASSERT_TRUE(LogIn(c));
    ASSERT_TRUE(ShowPicture(c, 1));
    EXPECT_TRUE(trace.all().empty()) << trace.all().front();
}

// The terminal's stream is traced one line per send and arrival; the line answering "KODORD:" is
// neither traced nor captured, only its line end.
TEST(LinkWatch, TerminalBytesAreTracedAndCapturedExceptTheCodeWord) {
    QTemporaryDir dir;
    const QString capture = dir.filePath(QStringLiteral("terminal.cap"));
    ControlFixture f;
    PelorinControl& c = f.Start();
    host::WatchLinks(c, std::make_shared<CaptureWriter>(capture));
    TraceLines trace(true);

    QTcpServer terminalPort;
    ASSERT_TRUE(terminalPort.listen(QHostAddress::LocalHost));
    Winsock& terminal = *c.systemDialog().Winsock_SysDial;
    terminal.RemotePort = terminalPort.serverPort();
    // What the terminal does with arrivals is not the watch's business: here they are only taken.
    terminal.OnDataArrival = [&terminal](int64_t) {
        std::string taken;
        terminal.GetData(taken);
    };
    terminal.Connect();
    ASSERT_TRUE(waitFor([&] { return terminalPort.hasPendingConnections(); }));
    QTcpSocket* server = terminalPort.nextPendingConnection();
    ASSERT_TRUE(waitFor([&] { return terminal.State() == Winsock::sckConnected; }));

    std::string serverGot;
    const auto exchange = [&](const std::string& fromServer, const std::string& fromClient) {
        server->write(fromServer.data(), static_cast<qint64>(fromServer.size()));
        const size_t before = trace.all().size();
        ASSERT_TRUE(waitFor([&] { return trace.all().size() > before; }));
        terminal.SendData(fromClient);
        ASSERT_TRUE(waitFor([&] {
            serverGot += server->readAll().toStdString();
            return serverGot.size() >= fromClient.size();
        }));
        serverGot.clear();
    };
    exchange("KODORD: \r\n", "hemligt\r");
    exchange("PELORIN> ", "status\r");

    EXPECT_EQ(trace.all(),
              (std::vector<std::string>{"-> terminal 1 bytes: \"\\x10\"",
                                        "<- terminal 10 bytes: \"KODORD: \\x0d\\x0a\"",
                                        "-> terminal: code word ****", "<- terminal 9 bytes: \"PELORIN> \"",
                                        "-> terminal 7 bytes: \"status\\x0d\""}));
    std::vector<std::string> captured;
    for (const CaptureRecord& record : ReadCaptureFile(capture).records) {
        EXPECT_EQ(record.connection, CaptureConnection::Terminal);
        captured.push_back((record.direction == CaptureDirection::ToServer ? "> " : "< ") + record.bytes);
    }
    // The terminal wakes the control system up as it connects.
    EXPECT_EQ(captured,
              (std::vector<std::string>{"> \x10", "< KODORD: \r\n", "> \r", "< PELORIN> ", "> status\r"}));
}

} // namespace
} // namespace pelorin::test
