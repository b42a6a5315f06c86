#pragma once

#include "common/ControlFixture.h"
#include "common/TestSupport.h"

#include "Server.h"
#include "core/FrameCutter.h"
#include "core/PictureWriter.h"
#include "platform/Colour.h"
#include "platform/PictureBox.h"
#include "platform/Winsock.h"
#include "toolbar/ToolbarTable.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTcpServer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace pelorin::test {

// A small plant: an outdoor unit and a pump group. Picture 1 holds a writable value, two measured
// values, a pump state group, a red filled box and a link to picture 2.
inline const char* const kSessionPlant = R"({
    "name": "Provanläggning",
    "writableKinds": ["BV", "DR"],
    "units": [{"type": "outdoor", "name": "UTE"}, {"type": "pumpGroup", "name": "PG01"}],
    "macros": [{"name": "Status", "text": "status^M"}]
})";

inline const char* const kSessionPicture1 = R"({
    "number": 1, "title": "Pumpar", "background": "#C0C0C0",
    "palette": ["#000000", "#FFFFFF", "#E00000", "#00A000", "#0000E0", "#FFFF00", "#606060", "#C0C0C0"],
    "elements": [
        {"type": "text", "fg": 0, "bg": 7, "x": 16, "y": 8, "text": "PG01 Pumpgrupp"},
        {"type": "box", "fg": 2, "filled": true, "x1": 20, "y1": 300, "x2": 100, "y2": 400},
        {"type": "value", "fg": 4, "bg": 1, "decimals": 1, "x": 200, "y": 100, "address": "PG01.BV.GP1"},
        {"type": "value", "fg": 4, "bg": 1, "decimals": 1, "x": 200, "y": 140, "address": "PG01.MV.GP1"},
        {"type": "value", "fg": 4, "bg": 1, "decimals": 1, "x": 200, "y": 180, "address": "UTE.MV.GT41"},
        {"type": "group", "x": 404, "y": 104, "default": 0, "address": "PG01.IND.P1", "children": [
            {"position": 0, "type": "circle", "fg": 0, "fill": 6, "x1": 396, "y1": 96, "x2": 412, "y2": 112},
            {"position": 1, "type": "circle", "fg": 0, "fill": 3, "x1": 396, "y1": 96, "x2": 412, "y2": 112}
        ]},
        {"type": "link", "fg": 1, "bg": 4, "x": 400, "y": 200, "picture": 2}
    ]
})";

inline const char* const kSessionPicture2 = R"({
    "number": 2, "title": "Ute", "background": "#C0C0C0",
    "palette": ["#000000", "#FFFFFF", "#E00000", "#00A000", "#0000E0", "#FFFF00", "#606060", "#C0C0C0"],
    "elements": [
        {"type": "text", "fg": 0, "bg": 7, "x": 16, "y": 8, "text": "Ute"},
        {"type": "value", "fg": 4, "bg": 1, "decimals": 1, "x": 200, "y": 100, "address": "UTE.MV.GT41"}
    ]
})";

// A command code the client never sends.
constexpr uint8_t kSyncMarker = 15;

// Colour values of the test palette.
constexpr Colour kPaletteRed = 0x0000E0;
constexpr Colour kPaletteGreen = 0x00A000;
constexpr Colour kPaletteBlue = 0xE00000;
constexpr Colour kPictureGrey = 0xC0C0C0;

// Commands as the simulator received them: code and payload.
using Commands = std::vector<std::pair<int, std::string>>;

// Sets the default locale for one test and restores the test executable's C locale.
class LocaleScope {
public:
    explicit LocaleScope(const QLocale& locale) { QLocale::setDefault(locale); }
    ~LocaleScope() { QLocale::setDefault(QLocale(QLocale::C)); }
};

// A started control pointed at the simulator on a loopback port, with the test plant and the demo users,
// its model frozen and its clock and the control's system timer moved only by the test.
class SessionTest : public ::testing::Test {
    // Declared first: the control goes before the simulator it talks to.
    QTemporaryDir m_PlantDir;
    QTemporaryDir m_DataDir;
    std::unique_ptr<sim::Server> m_Server;
    int m_SyncCount = 0;
    // What ElementWithAddress returns when the element is missing.
    cElement m_NoElement;

protected:
    void SetUp() override {
        sim::ServerOptions options;
        if (!m_DemoPlant) {
            const QDir plant(m_PlantDir.path());
            ASSERT_TRUE(plant.mkdir(QStringLiteral("pictures")));
            for (const auto& [name, text] : {std::pair{"plant.json", kSessionPlant},
                                             {"pictures/1-pumpar.json", kSessionPicture1},
                                             {"pictures/2-ute.json", kSessionPicture2}}) {
                QFile file(plant.filePath(QString::fromLatin1(name)));
                ASSERT_TRUE(file.open(QIODevice::WriteOnly) &&
                            file.write(text) == static_cast<qint64>(qstrlen(text)));
            }
            options.plantFolder = plant.path();
        }
        options.dataFolder = m_DataDir.path();
        options.fakeClock = true;
        m_Server = std::make_unique<sim::Server>(options);
        QString error;
        ASSERT_TRUE(m_Server->start(&error)) << error.toStdString();
        m_Server->setFrozen(true);
        f.Start(Bag({{"ServerAddress", "127.0.0.1:" + std::to_string(m_Server->framedPort())}}));
        c().session().Timer_System->SetEnabled(false);
    }

    PelorinControl& c() { return f.control(); }
    sim::Server& server() { return *m_Server; }
    // Where the simulator keeps the logbooks.
    QString dataFolder() const { return m_DataDir.path(); }

    // How many frames with `code` the clients sent.
    int Received(uint8_t code) const {
        int n = 0;
        for (const sim::ReceivedFrame& frame : m_Server->receivedFrames())
            n += frame.code == code ? 1 : 0;
        return n;
    }

    void LogIn(const std::string& visa = "DEMO", const std::string& password = "demo") {
        ASSERT_TRUE(test::LogIn(c(), visa, password));
    }
    void ShowPicture(int number, bool withValues = false) {
        ASSERT_TRUE(test::ShowPicture(c(), number, withValues));
    }

    // Sends a frame from the server and waits until the control has handled everything sent so far.
    void Inject(uint8_t code, const std::string& payload) {
        server().sendFrameToAll(code, payload);
        Sync();
    }

    // Once the control holds a picture table with a fresh marker, every frame sent before is handled.
    void Sync() {
        const std::string marker = ",SYNC" + std::to_string(++m_SyncCount) + ",BV,DR,";
        std::string table = server().plant().pictureTable().substr(0, kPictureTableSize);
        server().sendFrameToAll(MSG_PICTURE_TABLE,
                                table + Long2String(static_cast<int32_t>(marker.size())) + marker);
        ASSERT_TRUE(waitFor([this, marker] { return c().m_WriteParameters == marker; }));
    }

    // Waits until the simulator has received every command the control sent so far.
    void ClientSync() {
        const int before = Received(kSyncMarker);
        c().TCPSend(kSyncMarker, {});
        ASSERT_TRUE(waitFor([this, before] { return Received(kSyncMarker) > before; }));
    }

    // The commands the control sent since the last call, without the sync marker.
    Commands Sent() {
        ClientSync();
        Commands commands;
        for (const sim::ReceivedFrame& frame : server().receivedFrames())
            if (frame.code != kSyncMarker)
                commands.emplace_back(frame.code, frame.payload);
        server().clearReceivedFrames();
        return commands;
    }

    // Chooses the block's entry in the TB_SPV menu, once its kind has come with the picture's values.
    void OpenBlock(const std::string& address) {
        const ToolMenuEntry* chosen = nullptr;
        ASSERT_TRUE(waitFor([&] {
            for (const auto& entry : c().toolbar().Toolbar->Button(tb::kSetpoints)->MenuEntries())
                if (entry->Text.rfind(address + "\t", 0) == 0)
                    chosen = entry.get();
            return chosen != nullptr;
        }));
        c().Toolbar_ButtonMenuClick({}, tb::kSetpoints, chosen->Tag);
    }

    // Connects the system-dialog link to `terminal`, standing in for the server's terminal port.
    bool ConnectSysDial(QTcpServer& terminal) {
        if (!terminal.isListening() && !terminal.listen(QHostAddress::LocalHost))
            return false;
        c().systemDialog().Winsock_SysDial->RemotePort = terminal.serverPort();
        c().systemDialog().Winsock_SysDial->Connect();
        return waitFor(
            [this] { return c().systemDialog().Winsock_SysDial->State() == Winsock::sckConnected; });
    }

    cElement& ElementWithAddress(const std::string& address) {
        for (const auto& e : c().m_Elements)
            if (e->m_Address == address)
                return *e;
        ADD_FAILURE() << "no element " << address;
        return m_NoElement;
    }

    // The pixel at a point of the picture's own coordinates, once the values received are drawn.
    Colour PictureAt(double x, double y) {
        EXPECT_TRUE(waitFor([this] { return !c().view().Drawing().HasPending(); }));
        return RgbToColour(c().view().Picture_PCT->Surface().Image().pixel(static_cast<int>(x * c().m_XMul),
                                                                           static_cast<int>(y * c().m_YMul)));
    }

    ControlFixture f;
    // The simulator's demo plant (setpoint blocks of every kind) instead of the small test plant.
    bool m_DemoPlant = false;
};

} // namespace pelorin::test
