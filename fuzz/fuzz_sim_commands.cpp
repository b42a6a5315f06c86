// The simulator's command handling: arbitrary frames, in fuzzer-chosen pieces, into one session of
// the demo plant, in process. The session reads from a socket object with no connection behind it,
// so no event loop or port is involved. A marked piece is followed by one step of plant time (values
// move as the server moves them and are pushed). Whatever a client sends, the server answers only
// with whole frames the client handles, every login gets one reply, and every value it sends is one
// its own value reader accepts.

#include "FuzzSupport.h"
#include "ModelUnits.h"
#include "Session.h"
#include "SimContext.h"
#include "WireText.h"
#include "core/ClientProcs.h"
#include "core/FrameCutter.h"
#include "core/Protocol.h"

#include <QCoreApplication>
#include <QDir>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <algorithm>
#include <memory>

namespace {

using namespace pelorin;
using namespace pelorin::sim;

// A connected socket in memory: arrive() hands the session bytes as if they came from the peer,
// and what the session writes is kept.
class MemorySocket : public QTcpSocket {
public:
    MemorySocket() {
        setSocketState(ConnectedState);
        setOpenMode(ReadWrite);
    }
    // Once the session has closed the connection, nothing more arrives.
    void arrive(std::string_view bytes) {
        if (!isOpen())
            return;
        m_Incoming.assign(bytes);
        emit readyRead();
    }
    const std::string& written() const { return m_Written; }

protected:
    qint64 readData(char* data, qint64 maxSize) override {
        const size_t count = std::min(m_Incoming.size(), static_cast<size_t>(maxSize));
        m_Incoming.copy(data, count);
        m_Incoming.erase(0, count);
        return static_cast<qint64>(count);
    }
    qint64 writeData(const char* data, qint64 size) override {
        m_Written.append(data, static_cast<size_t>(size));
        return size;
    }

private:
    std::string m_Incoming;
    std::string m_Written;
};

// The demo plant and its users, loaded once; each input gets a fresh model, channels and logbooks.
class DemoServer {
public:
    DemoServer() : m_Context(Options(m_Data.path())) {
        QString error;
        fuzz::Check(m_Context.users.load(DemoUsersFile(), &error) &&
                        LoadPlant(DemoPlantFolder(), m_Context.plant, &error) &&
                        m_Context.texts.prepare(&error),
                    "the demo plant loads:", error.toStdString());
    }

    SimContext& freshContext() {
        QString error;
        const ServerOptions& options = m_Context.options;
        m_Context.model = BuildModel(m_Context.plant, options.seed, options.startHour, &error);
        fuzz::Check(m_Context.model != nullptr, "the demo model builds:", error.toStdString());
        m_Context.channels = SysdialChannels(options.channels);
        m_Context.fakeNowMs = 0;
        m_Context.clearReceived();
        m_Context.writes.clear();
        QDir logbooks(m_Data.filePath(QStringLiteral("logbooks")));
        if (!logbooks.isEmpty()) {
            logbooks.removeRecursively();
            m_Context.texts.prepare(&error);
        }
        return m_Context;
    }

private:
    static ServerOptions Options(const QString& dataFolder) {
        ServerOptions options;
        options.dataFolder = dataFolder;
        options.fakeClock = true;
        return options;
    }

    // Logbooks go to memory where there is a tmpfs: a save is a write, a sync and a rename.
    QTemporaryDir m_Data{QDir(QStringLiteral("/dev/shm")).exists()
                             ? QStringLiteral("/dev/shm/pelorin-fuzz-XXXXXX")
                             : QDir::tempPath() + QStringLiteral("/pelorin-fuzz-XXXXXX")};
    SimContext m_Context;
};

// Made once, after the application object, and destroyed at exit, which removes its data folder.
DemoServer& Demo() {
    static DemoServer server;
    return server;
}

void CheckAnswers(const std::string& written, const SimContext& context) {
    std::string buffer;
    std::vector<std::pair<uint8_t, std::string>> frames;
    const CutResult result = CutFrames(buffer, written, [&](uint8_t code, const std::string& payload) {
        frames.emplace_back(code, payload);
    });
    fuzz::Check(result == CutResult::Ok && buffer.empty(), "the server sends whole frames only");
    const auto isLogin = [](const ReceivedFrame& frame) { return frame.code == CMD_LOGIN; };
    const auto logins = std::count_if(context.received.begin(), context.received.end(), isLogin);
    const auto replies = std::count_if(frames.begin(), frames.end(),
                                       [](const auto& frame) { return frame.first == MSG_LOGIN_REPLY; });
    fuzz::Check(logins == replies, "every login is answered once");
    for (const auto& [code, payload] : frames) {
        fuzz::Check(IsHandledMessageCode(code), "the server sends only messages the client handles");
        if (code == MSG_VALUE)
            fuzz::Check(payload.size() > 2 && ParseValueText(std::string_view(payload).substr(2)).has_value(),
                        "a value carries a number the server reads back:", payload);
        if (code == MSG_LOGIN_REPLY)
            fuzz::Check(payload.size() >= 12, "a login reply carries its three fields");
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    Demo();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    SimContext& context = Demo().freshContext();
    auto* socket = new MemorySocket;
    Session session(1, socket, context, nullptr);
    QObject::connect(&session, &Session::valuesChanged, &session, &Session::publishValues);

    for (const fuzz::Piece& piece : fuzz::SplitArrivals(data, size).pieces) {
        socket->arrive(piece.bytes);
        if (piece.marked) {
            context.fakeNowMs += 1000;
            context.model->advance(ProcessModel::kStepSeconds);
            session.enforceDeadlines(context.fakeNowMs);
            session.publishValues();
        }
    }
    CheckAnswers(socket->written(), context);
    return 0;
}
