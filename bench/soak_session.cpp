// Does a long session leak or grow? Logs in to the in-process simulator (demo plant, fake clock) and
// runs rounds of what an operator does all day: a picture typed into the toolbar (cycling the demo
// pictures) with all its values, a step of plant time whose changed values arrive on it, its
// function text, its logbook and the global logbook from the toolbar's menu, now and then a logbook
// saved, a command typed into the system-dialog terminal and the picture and a logbook printed (to
// a PDF file). Prints the
// resident memory every --every pictures, from the first sample after warm-up on, and how much it
// grew from there. Run it in an ASan build with detect_leaks=1 (tools/soak.sh) for a leak check at
// exit; the resident figures mean something in an optimised build without sanitizers.
//
//   soak_session [--pictures 10000] [--every 1000]

#include "common/ControlFixture.h"
#include "common/LeakSuppressions.h"
#include "common/TestSupport.h"

#include "Server.h"
#include "core/ClientProcs.h"
#include "platform/Widgets.h"
#include "sysdial/SystemDialog.h"
#include "toolbar/ToolbarTable.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <unistd.h>
#include <vector>

namespace {

using namespace pelorin;

constexpr int kReplyTimeoutMs = 30000;
// A saved logbook is a file write, a sync and a rename: every hundredth round saves one.
constexpr int kLogbookSaveEvery = 100;
// A terminal session is a connection of its own: every tenth round opens one.
constexpr int kTerminalEvery = 10;
// A printout is a PDF document written: every hundredth round prints the picture and a logbook.
constexpr int kPrintoutEvery = 100;
const std::string kPrompt = "PELORIN> ";

// Resident set size in KiB, from the kernel's page count.
long ResidentKiB() {
    long pages = 0;
    long resident = 0;
    std::ifstream("/proc/self/statm") >> pages >> resident;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// A step fails when its reply does not come: the session is then broken, and the figures with it.
void Await(const char* what, const std::function<bool()>& arrived) {
    if (!test::waitFor(arrived, kReplyTimeoutMs)) {
        std::fprintf(stderr, "soak_session: no reply: %s\n", what);
        std::exit(1);
    }
}

class Soak {
public:
    Soak(sim::Server& server, test::ControlFixture& fixture) : m_Server(server), c(fixture.control()) {
        for (const auto& [number, picture] : server.plant().pictures)
            m_Pictures.push_back(number);
    }

    void LogIn() {
        c.session().Text_UserVisa->SetText("DEMO");
        c.session().Text_PassWord->SetText("demo");
        c.session().Command_Login_Click();
        Await("login", [this] { return c.m_ViewState == VS_PICTURE && c.model().PictureExists(1); });
    }

    void Round(int round) {
        const int32_t number = m_Pictures[static_cast<size_t>(round) % m_Pictures.size()];
        ShowPicture(number);
        m_Server.advanceClock(1000);
        const bool print = round % kPrintoutEvery == 0;
        if (print)
            c.Toolbar_ButtonMenuClick(tb::kPrint, tb::kHome);
        ShowText(tb::kFunctionText, VS_FUNCTION_TEXT);
        if (round % kLogbookSaveEvery == 0)
            c.TCPSend(CMD_SAVE_PICTURE_LOG, Long2String(number) + "Kontroll runda " + std::to_string(round));
        ShowText(tb::kPictureLog, VS_LOG_PCT);
        ShowText(tb::kGlobalLog, VS_LOG_GLOBAL);
        if (print)
            c.Toolbar_ButtonMenuClick(tb::kPrint, tb::kHome);
        if (round % kTerminalEvery == 0)
            AskTheTerminal(QStringLiteral("status"));

        // The running program's event loop deletes what the control let go after each event.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    void LogOut() {
        c.Toolbar_ButtonMenuClick(tb::kLogout, tb::kHome);
        Await("logout", [this] { return m_Server.loggedInCount() == 0; });
    }

private:
    // Typed into the toolbar, as the operator asks for it; shown once every value has come.
    void ShowPicture(int32_t number) {
        c.toolbar().Text_PCT->SetText(std::to_string(number));
        c.Toolbar_ButtonClick(tb::kGetPicture);
        Await("picture", [this, number] {
            return c.m_ViewState == VS_PICTURE && c.m_PictureNumber == number &&
                   c.model().ElementsWithValue() >= c.m_DynamicPointers;
        });
    }

    void ShowText(const std::string& entry, ViewState view) {
        c.Toolbar_ButtonMenuClick(entry, tb::kTexts);
        Await("text", [this, view] { return c.m_ViewState == view; });
    }

    // Opens the terminal, types `command` and waits for the prompt after its answer; Escape leaves.
    // The box keeps a bounded history, so an answer shows as a change that ends in a prompt.
    void AskTheTerminal(const QString& command) {
        const std::string closed = Shown();
        c.Toolbar_ButtonMenuClick(tb::kSystemDialog, tb::kHome);
        Await("terminal", [this, &closed] { return Shown() != closed && EndsWithPrompt(); });
        QWidget* box = c.systemDialog().Text_Sysdial->widget();
        for (const QChar typed : command)
            Press(box, Qt::Key_unknown, typed);
        Press(box, Qt::Key_Return, QChar(u'\r'));
        const std::string asked = Shown();
        Await("terminal answer", [this, &asked] { return Shown() != asked && EndsWithPrompt(); });
        Press(box, Qt::Key_Escape, QChar(0x1b));
        Await("terminal closed", [this] { return m_Server.channelsInUse() == 0; });
    }

    std::string Shown() const { return c.systemDialog().Text_Sysdial->Text(); }
    bool EndsWithPrompt() const { return Shown().ends_with(kPrompt + "\r\n"); }

    static void Press(QWidget* widget, Qt::Key key, QChar text) {
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, QString(text));
        QApplication::sendEvent(widget, &event);
    }

    sim::Server& m_Server;
    PelorinControl& c;
    std::vector<int32_t> m_Pictures;
};

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    parser.addOptions({
        {QStringLiteral("pictures"), QStringLiteral("Pictures to show."), QStringLiteral("n"),
         QStringLiteral("10000")},
        {QStringLiteral("every"), QStringLiteral("Pictures between memory samples."), QStringLiteral("n"),
         QStringLiteral("1000")},
    });
    parser.process(app);
    const int pictures = parser.value(QStringLiteral("pictures")).toInt();
    const int every = std::max(parser.value(QStringLiteral("every")).toInt(), 1);

    // Logbooks go to memory where there is a tmpfs.
    const QTemporaryDir data(QDir(QStringLiteral("/dev/shm")).exists()
                                 ? QStringLiteral("/dev/shm/pelorin-soak-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/pelorin-soak-XXXXXX"));
    sim::ServerOptions options;
    options.dataFolder = data.path();
    options.fakeClock = true;
    sim::Server server(options);
    QString error;
    if (!server.start(&error)) {
        std::fprintf(stderr, "soak_session: %s\n", qPrintable(error));
        return 1;
    }
    auto fixture = std::make_unique<test::ControlFixture>();
    fixture->Start(test::Bag({{"ServerAddress", "127.0.0.1:" + std::to_string(server.framedPort())}}));
    fixture->control().session().Timer_System->SetEnabled(false);

    Soak soak(server, *fixture);
    soak.LogIn();
    QElapsedTimer clock;
    clock.start();
    long warmedUp = 0;
    std::printf("%10s %12s %12s %10s\n", "pictures", "RSS KiB", "growth KiB", "seconds");
    for (int round = 1; round <= pictures; ++round) {
        soak.Round(round);
        if (round % every != 0 && round != pictures)
            continue;
        const long resident = ResidentKiB();
        if (warmedUp == 0)
            warmedUp = resident;
        std::printf("%10d %12ld %12ld %10.1f\n", round, resident, resident - warmedUp,
                    clock.elapsed() / 1000.0);
        std::fflush(stdout);
    }
    soak.LogOut();
    fixture.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
