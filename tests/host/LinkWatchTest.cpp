// The protocol trace and the capture of a client session, checked against each other: one trace line
// per frame that crossed the link, and neither holding the login's password or a terminal code word.

#include "HostSupport.h"

#include "core/FrameCutter.h"
#include "core/FrameTrace.h"
#include "platform/Winsock.h"

#include <QLoggingCategory>
#include <QTcpServer>
#include <QTcpSocket>

namespace pelorin::test {
namespace {

// The client's lines on pelorin.link (the simulator's begin "#3" or "terminal #3"); enable() is --trace.
class TraceLines {
public:
    TraceLines() {
        s_Lines.clear();
        m_Previous = qInstallMessageHandler(
            [](QtMsgType type, const QMessageLogContext& context, const QString& line) {
                const bool simulator =
                    line.startsWith(QLatin1Char('#')) || line.startsWith(QLatin1String("terminal #"));
                if (type == QtDebugMsg && qstrcmp(context.category, "pelorin.link") == 0 && !simulator)
                    s_Lines.push_back(line.toStdString());
            });
    }
    ~TraceLines() {
        qInstallMessageHandler(m_Previous);
        QLoggingCategory::setFilterRules({});
    }
    void enable() { QLoggingCategory::setFilterRules(QStringLiteral("pelorin.link.debug=true")); }

    std::vector<std::string> starting(const std::string& prefix) const {
        std::vector<std::string> lines;
        std::copy_if(s_Lines.begin(), s_Lines.end(), std::back_inserter(lines),
                     [&](const std::string& line) { return line.starts_with(prefix); });
        return lines;
    }
    const std::vector<std::string>& all() const { return s_Lines; }

private:
    static inline std::vector<std::string> s_Lines;
    QtMessageHandler m_Previous = nullptr;
};

// The trace lines of the frames the capture holds of the picture link in one direction.
std::vector<std::string> DescribedCapture(const QString& path, CaptureDirection direction) {
    const FrameDirection described =
        direction == CaptureDirection::ToServer ? FrameDirection::ToServer : FrameDirection::ToClient;
    std::string buffer;
    std::vector<std::string> lines;
    for (const CaptureRecord& record : ReadCaptureFile(path).records)
        if (record.connection == CaptureConnection::PictureLink && record.direction == direction)
            CutFrames(buffer, record.bytes, [&](uint8_t code, const std::string& payload) {
                lines.push_back(DescribeFrame(described, code, payload).toStdString());
            });
    return lines;
}

TEST(LinkWatch, TheTraceIsOneLinePerCapturedFrameAndNeitherHoldsThePassword) {
    QTemporaryDir dir;
    const auto demo = StartDemoServer(dir);
    const QString capture = dir.filePath(QStringLiteral("session.cap"));
    ControlFixture f;
    PelorinControl& c = StartClient(f, LoopbackAddress(demo->framedPort()), capture);
    TraceLines trace;
    trace.enable();

    ASSERT_TRUE(LogIn(c, "DEMO", "demo"));
    ASSERT_TRUE(ShowPicture(c, 1, true));
    c.TCPSend(CMD_WRITE_VALUE, Long2String(0) + "21.5");
    c.session().LogOut();
    ASSERT_TRUE(waitFor([&demo] {
        const auto frames = demo->receivedFrames();
        return !frames.empty() && frames.back().code == CMD_LOGOUT;
    }));

    const auto sent = trace.starting("-> ");
    const auto received = trace.starting("<- ");
    EXPECT_EQ(sent, DescribedCapture(capture, CaptureDirection::ToServer));
    EXPECT_EQ(received, DescribedCapture(capture, CaptureDirection::ToClient));
    EXPECT_EQ(sent.size() + received.size(), trace.all().size()) << "every line is a frame";
    EXPECT_EQ(sent.size(), demo->receivedFrames().size());
    ASSERT_GE(sent.size(), 5u);
    // The login as the capture keeps it: the visa and its end, not even the password's length.
    EXPECT_EQ(sent.front(), "-> CMD_LOGIN(3) 6 bytes: visa \"DEMO\", password ****");
}

TEST(LinkWatch, TerminalBytesAreTracedOnlyWhenSwitchedOnAndCapturedExceptTheCodeWordsLine) {
    QTemporaryDir dir;
    const QString capture = dir.filePath(QStringLiteral("terminal.cap"));
    ControlFixture f;
    PelorinControl& c = f.Start();
    host::WatchLinks(c, std::make_shared<CaptureWriter>(capture));
    TraceLines trace;

    QTcpServer terminalPort;
    ASSERT_TRUE(terminalPort.listen(QHostAddress::LocalHost));
    Winsock& terminal = *c.systemDialog().Winsock_SysDial;
    terminal.RemotePort = terminalPort.serverPort();
    terminal.OnDataArrival = [&terminal](int64_t) {
        std::string taken;
        terminal.GetData(taken);
    };
    terminal.Connect();
    ASSERT_TRUE(waitFor([&] { return terminalPort.hasPendingConnections(); }));
    QTcpSocket* server = terminalPort.nextPendingConnection();
    std::string got;
    ASSERT_TRUE(waitFor([&] { return (got += server->readAll().toStdString()) == "\x10"; }));
    EXPECT_TRUE(trace.all().empty()) << "nothing is traced unless switched on";
    trace.enable();

    for (const auto& [fromServer, fromClient] :
         {std::pair{"KODORD: \r\n", "hemligt\r"}, {"PELORIN> ", "status\r"}}) {
        const size_t before = trace.all().size();
        server->write(fromServer);
        ASSERT_TRUE(waitFor([&] { return trace.all().size() > before; }));
        terminal.SendData(fromClient);
    }
    ASSERT_TRUE(waitFor([&] { return (got += server->readAll().toStdString()).ends_with("status\r"); }));

    EXPECT_EQ(trace.all(),
              (std::vector<std::string>{"<- terminal 10 bytes: \"KODORD: \\x0d\\x0a\"",
                                        "-> terminal: code word ****", "<- terminal 9 bytes: \"PELORIN> \"",
                                        "-> terminal 7 bytes: \"status\\x0d\""}));
    std::vector<std::string> captured;
    for (const CaptureRecord& record : ReadCaptureFile(capture).records) {
        EXPECT_EQ(record.connection, CaptureConnection::Terminal);
        captured.push_back((record.direction == CaptureDirection::ToServer ? "> " : "< ") + record.bytes);
    }
    EXPECT_EQ(captured,
              (std::vector<std::string>{"> \x10", "< KODORD: \r\n", "> \r", "< PELORIN> ", "> status\r"}));
}

} // namespace
} // namespace pelorin::test
