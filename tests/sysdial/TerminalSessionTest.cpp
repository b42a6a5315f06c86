#include "common/PdfSupport.h"
#include "common/SessionSupport.h"
#include "core/Latin1.h"
#include "toolbar/ToolbarTable.h"

#include <QAbstractScrollArea>
#include <QMenu>
#include <QScrollBar>
#include <QStandardPaths>
#include <QTest>
#include <algorithm>
#include <functional>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

namespace pelorin::test {
namespace {

// MSG_SYSDIAL_INFO: channels in use and in all, the users holding one, and the macro list.
std::string SysdialInfo(int32_t used, int32_t total, const std::vector<std::string>& users,
                        const std::string& macros = {}) {
    std::string payload = Long2String(used) + Long2String(total);
    for (const std::string& user : users)
        payload += Long2String(static_cast<int32_t>(user.size())) + user;
    return payload + Long2String(static_cast<int32_t>(macros.size())) + macros;
}

std::string FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("(no file)");
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++n;
    return n;
}

// Logged in as DEMO, who may use the system dialog; the terminal port comes with the login reply.
class TerminalSessionTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        LogIn();
        ASSERT_TRUE(waitFor([this] { return c().m_SysdialMax == 2; }));
        server().clearReceivedFrames();
    }

    SystemDialog& terminal() { return c().systemDialog(); }
    QWidget* Box() { return terminal().Text_Sysdial->widget(); }
    std::string Shown() { return terminal().Text_Sysdial->Text(); }
    bool Shows(const std::string& text) {
        return waitFor([&] { return Shown().find(text) != std::string::npos; });
    }

    void Open() {
        c().Toolbar_ButtonMenuClick(tb::kSystemDialog, tb::kHome);
        ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_SYSDIAL; }));
        ASSERT_TRUE(Shows("PELORIN> \r\n"));
    }

    // Types a line and waits until the prompt after its answer has come.
    void Enter(const QString& line) {
        const size_t prompts = Count(Shown(), "PELORIN> ");
        QTest::keyClicks(Box(), line);
        QTest::keyClick(Box(), Qt::Key_Return);
        ASSERT_TRUE(waitFor([&] { return Count(Shown(), "PELORIN> ") > prompts; }));
    }

    // The server sends `bytes` to the terminal; returns once the box shows their end.
    void Arrive(const std::string& bytes) {
        server().sendToTerminals(bytes);
        ASSERT_TRUE(
            waitFor([&] { return terminal().TerminalText().ends_with(bytes.substr(bytes.size() - 2)); }));
    }

    QTemporaryDir files;
};

TEST_F(TerminalSessionTest, WithoutAFreeChannelTheHoldersAreNamedAndEachMacroListRebuildsTheMenu) {
    const std::string noFree =
        Latin1FromUtf8("Det finns inga lediga systemdialog kanaler, följande användare "
                       "använder en kanal:\r\n\r\n");
    const struct {
        int32_t used, total;
        std::vector<std::string> users;
        std::string message;
    } busy[] = {
        {2, 2, {"\xC5sa", "M\xE4rta"}, noFree + "\xC5sa\r\nM\xE4rta\r\n"},
        {3, 2, {"A", "B", "C"}, noFree + "A\r\nB\r\nC\r\n"},
        {0, 0, {}, "Det finns inga systemdialog kanaler!"},
    };
    for (const auto& b : busy) {
        Inject(MSG_SYSDIAL_INFO, SysdialInfo(b.used, b.total, b.users));
        c().Toolbar_ButtonMenuClick(tb::kSystemDialog, tb::kHome);
        ASSERT_FALSE(f.dialogs().asked.empty());
        EXPECT_EQ(f.dialogs().asked.back(),
                  (ScriptedDialogs::Question{ScriptedDialogs::Kind::Ok, b.message, ""}));
    }
    EXPECT_EQ(Sent(), Commands{}) << "no claim without a free channel";

    // Each list replaces the menu; one whose first entry is empty loads nothing, and the entries of
    // the list before must not show with it.
    const PopupMenu& menu = *terminal().Menu_Popup;
    const struct {
        std::string list;
        std::vector<std::string> texts, captions;
    } lists[] = {
        {std::string("t1^M=Cap 1\0t2=Cap 2", 19), {"t1^M", "t2"}, {"Cap 1", "Cap 2"}},
        {std::string("\0late=Late", 10), {}, {}},
        {"", {}, {}},
        {std::string("only=One\0\0after=Ignored", 23), {"only"}, {"One"}},
    };
    for (const auto& l : lists) {
        Inject(MSG_SYSDIAL_INFO, SysdialInfo(1, 2, {"DRIFT"}, l.list));
        EXPECT_EQ(terminal().MacroTexts(), l.texts) << l.list;
        EXPECT_EQ(menu.MakroVisible() && menu.DelimiterVisible(), !l.texts.empty()) << l.list;
        EXPECT_EQ(menu.MakroCount(), std::max<int32_t>(1, static_cast<int32_t>(l.texts.size())));
        for (size_t i = 0; i < l.captions.size(); ++i)
            EXPECT_EQ(menu.MakroCaption(static_cast<int32_t>(i)), l.captions[i]);
    }
    Inject(MSG_SYSDIAL_INFO, Long2String(0) + Long2String(2));
    EXPECT_FALSE(menu.MakroVisible()) << "no macro part at all";
}

// Before any macro list the pop-up menu has no macro entry; the terminal box keeps its columns even
// where its font is missing.
TEST(TerminalAlone, NoMacroEntryBeforeAListAndTheBoxAsksForAFixedPitchFace) {
    ControlFixture f;
    PelorinControl& c = f.Start();
    const SystemDialog& terminal = c.systemDialog();
    EXPECT_FALSE(terminal.Menu_Popup->MakroVisible() || terminal.Menu_Popup->DelimiterVisible());
    const QFont font = terminal.Text_Sysdial->widget()->font();
    EXPECT_EQ(std::tuple(font.styleHint(), font.fixedPitch(), QFontInfo(font).fixedPitch()),
              std::tuple(QFont::TypeWriter, true, true));
}

// The recording's file may have any name the platform allows, and the next dialog opens on it.
TEST_F(TerminalSessionTest, ARecordingFileMayHaveAnyNameAndTheNextDialogOpensOnIt) {
    Open();
    const QString file = files.filePath(QStringLiteral("inspelning \u0142\u20ac\u4e2d.txt"));
    f.dialogs().savePaths.push_back(file);
    terminal().Menu_Popup_Record_Click();
    ASSERT_TRUE(c().m_IsRecording);
    Arrive("inspelad\r\nslut");
    EXPECT_EQ(FileBytes(file), "inspelad\r\nslut");
    terminal().Menu_Popup_Record_Click();
    terminal().Menu_Popup_Record_Click();
    EXPECT_EQ(f.dialogs().asked.back().text, file.toStdString());
    ControlFixture next(f.settingsFolder());
    EXPECT_EQ(next.Start().systemDialog().RecordingStartPath(), file) << "kept for the next start-up";
}

TEST_F(TerminalSessionTest, TheTerminalAnswersRecordsAndPrintsInAJobOfItsOwnAndClosesWithEscape) {
    Open();
    EXPECT_EQ(server().channelsInUse(), 1);
    EXPECT_EQ(server().terminalInput(), "\x10") << "the wake-up character";
    terminal().Text_Sysdial->SetSelStart(0);
    Box()->clearFocus();
    Box()->setFocus();
    EXPECT_EQ(terminal().Text_Sysdial->SelStart(), static_cast<int32_t>(Shown().size()))
        << "caret at the end";

    const QString recording = files.filePath(QStringLiteral("rec.txt"));
    f.dialogs().savePaths.push_back(recording);
    terminal().Menu_Popup_Record_Click();
    PrinterSurface paper(PrinterSurface::Output::Pdf);
    const QString printed = files.filePath(QStringLiteral("continuous.pdf"));
    paper.SetPdfPath(printed);
    terminal().SetContinuousPrinter(paper);
    terminal().Menu_Popup_PrintContinous_Click();
    const std::string before = Shown();

    Enter(QStringLiteral("status"));
    EXPECT_EQ(Count(Shown(), "status"), 1u) << "typed once, its echo not shown again";

    QTest::keyClicks(Box(), QStringLiteral("skriv pg01.bv.gp1 55"));
    QTest::keyClick(Box(), Qt::Key_Return);
    ASSERT_TRUE(Shows("KODORD: \r\n"));
    QTest::keyClicks(Box(), QStringLiteral("1234"));
    EXPECT_EQ(Shown().find("1234"), std::string::npos);
    QTest::keyClick(Box(), Qt::Key_Return);
    ASSERT_TRUE(Shows("OK  PG01.BV.GP1 = 55"));
    EXPECT_NE(server().terminalInput().find("1234\r"), std::string::npos) << "the code word was sent";
    EXPECT_EQ(c().m_LastSysDialSentRow.find("1234"), std::string::npos) << "and not kept";

    // A double click opens the pop-up menu, whose macro list the server sent.
    QTest::mouseDClick(static_cast<QAbstractScrollArea*>(Box())->viewport(), Qt::LeftButton, {},
                       QPoint(160, 120));
    QMenu* popup = nullptr;
    for (QMenu* menu : c().findChildren<QMenu*>())
        popup = menu->isVisible() ? menu : popup;
    ASSERT_NE(popup, nullptr);
    popup->close();
    ASSERT_EQ(terminal().Menu_Popup->MakroCaption(0), "Status");
    terminal().Menu_Popup_MakroList_Click(0);
    ASSERT_TRUE(waitFor([this] { return Count(Shown(), "Utetemperatur:") == 2; }));
    EXPECT_TRUE(server().terminalInput().ends_with("status\r")) << "^M sent as CR";
    EXPECT_EQ(Count(Shown(), "status"), 2u) << "a macro is no sent line: its echo shows";
    ASSERT_TRUE(waitFor([this] { return Shown().ends_with("PELORIN> \r\n"); }));

    // The chords send control characters and type nothing.
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, std::string> chords[] = {
        {Qt::Key_Backspace, Qt::ShiftModifier | Qt::ControlModifier, "\x08"},
        {Qt::Key_C, Qt::ShiftModifier | Qt::ControlModifier, "\x03"},
        {Qt::Key_E, Qt::ShiftModifier, "\x05"},
        {Qt::Key_P, Qt::ShiftModifier, "\x10"},
    };
    for (const auto& [key, modifiers, chord] : chords) {
        const auto& sent = chord; // clang 14 lambdas cannot capture a structured binding
        const std::string shown = Shown();
        QTest::keyClick(Box(), key, modifiers);
        EXPECT_EQ(Shown(), shown) << key;
        EXPECT_TRUE(waitFor([&] { return server().terminalInput().ends_with(sent); })) << key;
    }

    c().Toolbar_ButtonMenuClick(tb::kPrint, tb::kHome);
    EXPECT_TRUE(paper.JobOpen()) << "a printout of the terminal meanwhile is a document of its own";
    QTest::keyClick(Box(), Qt::Key_Escape);
    EXPECT_EQ(c().m_ViewState, VS_PICTURE);
    EXPECT_EQ(std::tuple(c().m_IsRecording, c().m_IsPrintingContinous), std::tuple(0, 0));
    EXPECT_TRUE(waitFor([this] { return server().channelsInUse() == 0; })) << "the channel is released";

    // What was received is what the terminal shows besides the operator's own typing.
    std::string received = Shown();
    ASSERT_TRUE(received.starts_with(before));
    received.erase(0, before.size());
    for (const std::string typed : {"status", "skriv pg01.bv.gp1 55"})
        received.erase(received.find(typed), typed.size());
    EXPECT_EQ(FileBytes(recording), received) << "the recording holds what was shown";

    const QString text = PdfLayoutText(printed);
    EXPECT_TRUE(text.contains(QStringLiteral("Utetemperatur:")) &&
                text.contains(QStringLiteral("GP1 = 55")) && !text.contains(QStringLiteral("1234")));
}

// The box paints at the display's pace; what it holds does not wait for the paint: after every arrival
// the caret is at the end, the last line in view and the recording whole.
TEST_F(TerminalSessionTest, ArrivalsKeepTheCaretTheScrollAndTheRecordingExactWhilePaintingIsPaced) {
    Open();
    const QString file = files.filePath(QStringLiteral("rec.txt"));
    f.dialogs().savePaths.push_back(file);
    terminal().Menu_Popup_Record_Click();
    const QScrollBar* rows = static_cast<QAbstractScrollArea*>(Box())->verticalScrollBar();
    std::string recorded;
    for (int i = 0; i < 60; ++i) {
        // Ends in a number of its own, which Arrive waits for.
        const std::string line = "\r\nPG01.BV.GP1   = 55.0   OK " + std::to_string(10 + i);
        recorded += line;
        Arrive(line);
        ASSERT_EQ(terminal().Text_Sysdial->SelStart(), static_cast<int32_t>(Shown().size())) << i;
        ASSERT_EQ(rows->value(), rows->maximum()) << i;
        ASSERT_EQ(FileBytes(file), recorded) << i;
    }
    EXPECT_GT(rows->maximum(), 20);
}

// A picture message leaves the terminal connected; the server closing it ends recording and printing.
TEST_F(TerminalSessionTest, RecordingFollowsTheFileDialogAndLeavingTheTerminalEndsIt) {
    server().sendFrameToAll(MSG_LOGIN_REPLY, Long2String(31) + Long2String(server().terminalPort()) +
                                                 Long2String(11) + "DEMO");
    ASSERT_TRUE(waitFor([this] { return c().m_MaxSysdialHistory == 11; }));
    Open();
    Arrive("0123456789AB");
    EXPECT_EQ(Shown(), "123456789AB");

    const std::string documents =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toLatin1().toStdString();
    terminal().Menu_Popup_Record_Click();
    EXPECT_EQ(f.dialogs().asked.back().text, documents) << "the documents folder before any choice";
    EXPECT_EQ(c().m_IsRecording, 0) << "cancelled";
    const QString missing = files.filePath(QStringLiteral("missing/rec.txt"));
    f.dialogs().savePaths.push_back(missing);
    terminal().Menu_Popup_Record_Click();
    EXPECT_EQ(c().m_IsRecording, 0) << "a file that cannot be made";
    EXPECT_EQ(f.settings().GetSettingText("Pelorin_ActiveX", "Settings", "Recording"), missing);

    const QString file = files.filePath(QStringLiteral("rec.txt"));
    f.dialogs().savePaths.push_back(file);
    terminal().Menu_Popup_Record_Click();
    EXPECT_EQ(f.dialogs().asked.back().text, documents) << "a folder that does not exist is not offered";
    EXPECT_TRUE(c().m_IsRecording && terminal().Menu_Popup->RecordChecked());
    const std::string bytes("status\r\n\0\xFF", 10);
    Arrive(bytes);
    EXPECT_EQ(FileBytes(file), bytes) << "on disk as soon as it arrived";
    terminal().Menu_Popup_Record_Click();
    Arrive("after\r\n");
    EXPECT_EQ(FileBytes(file), bytes);
    f.dialogs().savePaths.push_back(file);
    terminal().Menu_Popup_Record_Click();
    EXPECT_EQ(f.dialogs().asked.back().text, file.toStdString()) << "on the last recording file";
    EXPECT_EQ(FileBytes(file), "") << "a new recording empties the file";

    PrinterSurface paper(PrinterSurface::Output::Pdf);
    paper.SetPdfPath(files.filePath(QStringLiteral("continuous.pdf")));
    terminal().SetContinuousPrinter(paper);
    terminal().Menu_Popup_PrintContinous_Click();
    Arrive("ABC\r\nDEF");
    Inject(MSG_NO_PICTURE, {});
    EXPECT_EQ(
        std::tuple(c().m_ViewState, c().m_IsRecording, c().m_IsPrintingContinous, terminal().Connected()),
        std::tuple(VS_PICTURE, 0, 0, true));
    EXPECT_TRUE(PdfLayoutText(paper.OutputFileName()).contains(QStringLiteral("DEF")))
        << "the job is complete";

    // Shown again at once, though the terminal's own channel leaves none free.
    server().clearTerminalInput();
    c().Toolbar_ButtonMenuClick(tb::kSystemDialog, tb::kHome);
    EXPECT_EQ(c().m_ViewState, VS_SYSDIAL);
    ASSERT_TRUE(waitFor([this] { return server().terminalInput() == "\x10"; })) << "woken again";
    EXPECT_TRUE(waitFor([this] { return Received(CMD_SYSDIAL_CHANNEL) == 2; }))
        << "and the channel claimed again";
    f.dialogs().savePaths.push_back(file);
    terminal().Menu_Popup_Record_Click();
    terminal().Menu_Popup_PrintContinous_Click();
    server().advanceClock(31000);
    ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_PICTURE; })) << "the server closed it";
    EXPECT_EQ(std::tuple(c().m_IsRecording, c().m_IsPrintingContinous, terminal().Connected()),
              std::tuple(0, 0, false));
    EXPECT_FALSE(terminal().Menu_Popup->RecordChecked() || terminal().Menu_Popup->PrintContinousChecked());
}

// Both links probe for a vanished peer and take in no more than a bounded amount ahead of the
// control; a burst many times that amount still reaches the terminal whole, and the terminal answers.
TEST_F(TerminalSessionTest, BothLinksWatchForADeadPeerAndABurstComesInBoundedSteps) {
    Open();
    for (const Winsock* socket : {c().link().Winsock_Client, terminal().Winsock_SysDial}) {
        int idle = 0;
        socklen_t size = sizeof idle;
        ASSERT_EQ(
            getsockopt(static_cast<int>(socket->SocketDescriptor()), IPPROTO_TCP, TCP_KEEPIDLE, &idle, &size),
            0);
        EXPECT_EQ(idle, Winsock::kIdleSeconds);
        EXPECT_EQ(socket->ReadBufferSize(), Winsock::kReadAhead);
    }

    constexpr int64_t kBurst = 16 << 20;
    int64_t taken = 0, mostWaiting = 0;
    const auto arrival = terminal().Winsock_SysDial->OnDataArrival;
    terminal().Winsock_SysDial->OnDataArrival = [&](int64_t waiting) {
        taken += waiting;
        mostWaiting = std::max(mostWaiting, waiting);
        arrival(waiting);
    };
    server().sendBurstToTerminals(kBurst);
    ASSERT_TRUE(waitFor([&] { return taken >= kBurst; }, 60000)) << taken;
    EXPECT_EQ(taken, kBurst);
    EXPECT_LE(mostWaiting, Winsock::kReadAhead);
    EXPECT_LE(static_cast<int64_t>(Shown().size()), c().m_MaxSysdialHistory);
    Enter(QStringLiteral("STATUS"));
}

// A recording file that cannot be opened leaves recording off, and one that cannot be written stops it:
// both are told, never shown as recording.
TEST_F(TerminalSessionTest, ARecordingThatCannotBeWrittenStopsAndIsTold) {
    Open();
    const struct {
        std::string path;
        std::string told;
    } cases[] = {
        {"/dev/null/x/rec.txt", "not recorded /dev/null/x/rec.txt"},
        {"/dev/full", "recording stopped /dev/full"},
    };
    for (const auto& [path, told] : cases) {
        f.dialogs().savePaths.push_back(QString::fromStdString(path));
        terminal().Menu_Popup_Record_Click();
        server().sendToTerminals("status " + path + "\r\n");
        ASSERT_TRUE(Shows("status " + path));
        EXPECT_EQ(std::tuple(c().m_IsRecording, terminal().Menu_Popup->RecordChecked()), std::tuple(0, false))
            << path;
        EXPECT_EQ(f.output().lines, std::vector<std::string>{told});
        f.output().lines.clear();
    }
}

// Whether the toggle or Escape ends it, the continuous log is one PDF holding everything received, and
// its file is told. (The server closing the terminal ends it as Escape does.)
TEST_F(TerminalSessionTest, TheContinuousLogIsCompleteAndToldWhenTheTerminalEnds) {
    Open();
    const struct {
        const char* way;
        std::function<void()> end;
    } ways[] = {
        {"toggle", [this] { terminal().Menu_Popup_PrintContinous_Click(); }},
        {"Escape", [this] { QTest::keyClick(Box(), Qt::Key_Escape); }},
    };
    for (const auto& [way, end] : ways) {
        PrinterSurface paper(PrinterSurface::Output::Pdf);
        const QString pdf = files.filePath(QString::fromLatin1(way) + QStringLiteral(".pdf"));
        paper.SetPdfPath(pdf);
        terminal().SetContinuousPrinter(paper);
        terminal().Menu_Popup_PrintContinous_Click();
        server().sendToTerminals(std::string(3000, 'x') + "\r\nSLUT " + way + "\r\n");
        ASSERT_TRUE(Shows(std::string("SLUT ") + way));
        end();
        EXPECT_EQ(c().m_IsPrintingContinous, 0) << way;
        const QString printed = PdfLayoutText(pdf);
        EXPECT_EQ(std::tuple(printed.count(u'x'), printed.count(QStringLiteral("SLUT"))), std::tuple(3000, 1))
            << way;
        EXPECT_EQ(f.output().lines, std::vector<std::string>{"printed " + pdf.toStdString()}) << way;
        f.output().lines.clear();
    }
}

} // namespace
} // namespace pelorin::test
