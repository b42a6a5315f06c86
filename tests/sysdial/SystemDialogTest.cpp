#include "sysdial/SystemDialog.h"

#include "SysdialSupport.h"
#include "common/PortFakes.h"
#include "common/ScriptedDialogs.h"
#include "common/TestSupport.h"
#include "control/Ports.h"
#include "core/ClientProcs.h"
#include "core/Protocol.h"
#include "platform/PrinterSurface.h"
#include "platform/Winsock.h"

#include <QDir>
#include <QFile>
#include <QMenu>
#include <QStandardPaths>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace pelorin::test {
namespace {

// MSG_SYSDIAL_INFO: channels in use and in all, the users holding one, and the macro list.
std::string SysdialInfo(int32_t used, int32_t total, const std::vector<std::string>& users,
                        const std::string& macros) {
    std::string payload = Long2String(used) + Long2String(total);
    for (const std::string& user : users)
        payload += Long2String(static_cast<int32_t>(user.size())) + user;
    return payload + Long2String(static_cast<int32_t>(macros.size())) + macros;
}

const std::string kNoFreeChannel = "Det finns inga lediga systemdialog kanaler, f\xF6ljande anv\xE4ndare "
                                   "anv\xE4nder en kanal:\r\n\r\n";

// The system dialog alone: a real terminal box and socket, the server's terminal port played by the
// test over loopback, fakes for the rest of the control.
class SystemDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        ASSERT_TRUE(terminalPort.listen(QHostAddress::LocalHost));
        session.m_MaxSysdialHistory = 20000;
        settingsMembers.m_PrinterFontName = "Courier New";
        parent.resize(640, 480);
        dialog.Text_Sysdial->widget()->resize(640, 480);
        view.onUpdate = [this](int16_t v) { dialog.SetVisible(v == VS_SYSDIAL); };
        dialog.SetVisible(false);
        parent.show();
        dialog.SetServerHost("127.0.0.1");
        dialog.SetServerPort(terminalPort.serverPort());
        const auto arrival = dialog.Winsock_SysDial->OnDataArrival;
        dialog.Winsock_SysDial->OnDataArrival = [this, arrival](int64_t bytesTotal) {
            handled += bytesTotal;
            arrival(bytesTotal);
        };
    }

    // TB_SYSDIAL with a free channel; returns once the terminal port has the connection and its wake-up.
    void Open() {
        if (members.m_SysdialAllocated >= members.m_SysdialMax)
            dialog.OnSysdialInfo(SysdialInfo(1, 2, {"DRIFT"}, {}));
        dialog.OpenSystemDialog();
        ASSERT_TRUE(waitFor([this] { return terminalPort.hasPendingConnections(); }));
        peer.reset(terminalPort.nextPendingConnection());
        ASSERT_EQ(Sent(1), "\x10");
        ASSERT_EQ(view.view, VS_SYSDIAL);
    }

    // The next `n` bytes the control sent on the terminal connection.
    std::string Sent(size_t n) {
        waitFor([&] { return peer->bytesAvailable() >= static_cast<qint64>(n); });
        return peer->read(static_cast<qint64>(n)).toStdString();
    }

    // The server sends `bytes`; returns once the control has handled them.
    void Arrive(const std::string& bytes) {
        peer->write(bytes.data(), static_cast<qint64>(bytes.size()));
        peer->flush();
        arrived += static_cast<int64_t>(bytes.size());
        ASSERT_TRUE(waitFor([this] { return handled >= arrived; }));
    }

    QWidget* Box() { return dialog.Text_Sysdial->widget(); }
    void Type(const QString& text) { QTest::keyClicks(Box(), text); }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(Box(), key, modifiers);
    }
    std::string Shown() { return dialog.Text_Sysdial->Text(); }

    QAction* MenuAction(const QString& text) {
        for (QMenu* menu : parent.findChildren<QMenu*>())
            for (QAction* action : menu->actions())
                if (action->text() == text)
                    return action;
        ADD_FAILURE() << "no menu entry " << text.toStdString();
        return nullptr;
    }

    QTemporaryDir folder;
    QWidget parent;
    SysdialMembers members;
    SelectionMembers keys;
    SessionMembers session;
    SettingsMembers settingsMembers;
    RecordingSender sender;
    ViewSwitchFake view;
    SettingsStore settings{folder.filePath(QStringLiteral("settings")).toStdString()};
    ScriptedDialogs dialogs;
    SystemDialog dialog{&parent, members, keys, session, settingsMembers, sender, view, settings, dialogs};
    QTcpServer terminalPort;
    std::unique_ptr<QTcpSocket> peer;
    int64_t handled = 0;
    int64_t arrived = 0;
};

TEST_F(SystemDialogTest, OpeningClaimsAFreeChannelElseNamesWhoHoldsThem) {
    dialog.Menu_Popup_MakroList_Click(0); // the menu's first entry exists before any macro: nothing happens
    const struct {
        int32_t used, total;
        std::vector<std::string> users;
        std::string message;
    } busy[] = {
        {2, 2, {"\xC5sa", "M\xE4rta"}, kNoFreeChannel + "\xC5sa\r\nM\xE4rta\r\n"},
        {3, 2, {"A", "B", "C"}, kNoFreeChannel + "A\r\nB\r\nC\r\n"},
        {0, 0, {}, "Det finns inga systemdialog kanaler!"},
    };
    for (const auto& c : busy) {
        dialog.OnSysdialInfo(SysdialInfo(c.used, c.total, c.users, {}));
        dialog.OpenSystemDialog();
        ASSERT_FALSE(dialogs.asked.empty());
        EXPECT_EQ(dialogs.asked.back(),
                  (ScriptedDialogs::Question{ScriptedDialogs::Kind::Ok, c.message, ""}));
    }
    EXPECT_TRUE(sender.sent.empty()) << "no claim without a free channel";
    EXPECT_EQ(dialog.Winsock_SysDial->State(), Winsock::sckClosed);

    Open();
    EXPECT_EQ(sender.sent, (Requests{{CMD_SYSDIAL_CHANNEL, ""}}));
    EXPECT_TRUE(dialog.Text_Sysdial->Visible());
    EXPECT_TRUE(Box()->hasFocus());

    // A picture message takes the view while the terminal stays connected: opening shows it at once,
    // though its own channel leaves none free.
    view.ShowView(VS_PICTURE);
    dialog.OnSysdialInfo(SysdialInfo(2, 2, {"DRIFT", "DEMO"}, {}));
    dialog.OpenSystemDialog();
    EXPECT_EQ(view.view, VS_SYSDIAL);
    EXPECT_EQ(Sent(1), "\x10") << "woken again";
    EXPECT_EQ(sender.sent.size(), 2u) << "and the channel claimed again";
}

TEST_F(SystemDialogTest, InfoKeepsTheUsersAndRebuildsTheMacroMenuFromEachList) {
    const auto& menu = *dialog.Menu_Popup;
    const auto info = [this](const std::string& macros) {
        dialog.OnSysdialInfo(SysdialInfo(2, 5, {"A", "B"}, macros));
    };
    info(std::string("t1^M=Cap 1") + '\0' + "t2=Cap 2");
    EXPECT_EQ(members.m_SysdialAllocated, 2);
    EXPECT_EQ(members.m_SysdialMax, 5);
    EXPECT_EQ(members.m_SysdialUsers, "A\r\nB\r\n");
    ASSERT_EQ(menu.MakroCount(), 2);
    EXPECT_EQ(menu.MakroCaption(1), "Cap 2");
    EXPECT_EQ(dialog.MacroTexts(), (std::vector<std::string>{"t1^M", "t2"}));
    EXPECT_TRUE(menu.MakroVisible());
    EXPECT_TRUE(menu.DelimiterVisible());

    info(std::string("only=One") + '\0' + '\0' + "after=Ignored");
    ASSERT_EQ(menu.MakroCount(), 1);
    EXPECT_EQ(menu.MakroCaption(0), "One");
    EXPECT_EQ(dialog.MacroTexts(), std::vector<std::string>{"only"});

    // A list whose first entry is empty loads nothing: the entry of the list before must not show.
    for (const std::string& empty : {std::string(), std::string(1, '\0') + "late=Late"}) {
        info(empty);
        EXPECT_FALSE(menu.MakroVisible());
        EXPECT_FALSE(menu.DelimiterVisible());
        EXPECT_TRUE(dialog.MacroTexts().empty());
    }
    dialog.OnSysdialInfo(Long2String(0) + Long2String(2)); // no macro part at all
    EXPECT_FALSE(menu.MakroVisible());
}

// The echo, the line ends and the keys are TerminalBuffer's: here what the box and the members show.
TEST_F(SystemDialogTest, TheBoxFollowsTheHistoryKeepsTheCaretAtTheEndAndSendsTheChords) {
    Open();
    Arrive("KODORD: \r\n");
    Type(QStringLiteral("1234"));
    Key(Qt::Key_Return);
    EXPECT_EQ(Sent(5), "1234\r");
    EXPECT_EQ(members.m_LastSysDialSentRow, "") << "the code word is not kept as the sent row";
    Arrive("OK\r\nB");
    EXPECT_EQ(members.m_LastSysDialRecvRow, "B");
    dialog.Text_Sysdial->SetSelStart(0);
    Box()->clearFocus();
    Box()->setFocus();
    EXPECT_EQ(dialog.Text_Sysdial->SelStart(), static_cast<int32_t>(Shown().size())) << "caret at the end";

    session.m_MaxSysdialHistory = 10;
    Arrive("0123456789AB");
    EXPECT_EQ(Shown(), "23456789AB");
    const std::tuple<Qt::Key, Qt::KeyboardModifiers, std::string> chords[] = {
        {Qt::Key_Backspace, Qt::ShiftModifier | Qt::ControlModifier, "\x08"},
        {Qt::Key_C, Qt::ShiftModifier | Qt::ControlModifier, "\x03"},
        {Qt::Key_E, Qt::ShiftModifier, "\x05"},
        {Qt::Key_P, Qt::ShiftModifier, "\x10"},
    };
    for (const auto& [key, modifiers, sent] : chords) {
        Key(key, modifiers);
        EXPECT_EQ(Sent(1), sent) << key;
    }
    EXPECT_EQ(Shown(), "23456789AB") << "chords insert nothing";
}

TEST_F(SystemDialogTest, RecordingHoldsExactlyTheBytesShownAndFollowsTheFileDialog) {
    dialog.ReadRecordingStartPath();
    EXPECT_EQ(dialog.RecordingStartPath(), "C:\\");
    const std::string documents =
        QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation).toLatin1().toStdString();
    Open();
    QAction* record = MenuAction(QStringLiteral("&Spela in till fil..."));
    record->trigger();
    ASSERT_EQ(dialogs.asked.size(), 1u);
    EXPECT_EQ(dialogs.asked.back().text, documents) << "the documents folder before any choice";
    EXPECT_EQ(members.m_IsRecording, 0) << "cancelled";

    const std::string missing = folder.filePath(QStringLiteral("missing/rec.txt")).toStdString();
    dialogs.savePaths.push_back(missing);
    record->trigger();
    EXPECT_EQ(members.m_IsRecording, 0) << "a file that cannot be made";
    EXPECT_FALSE(dialog.Menu_Popup->RecordChecked());
    EXPECT_EQ(settings.GetSetting("Pelorin_ActiveX", "Settings", "Recording"), missing);

    const QString file = folder.filePath(QStringLiteral("rec.txt"));
    dialogs.savePaths.push_back(file.toStdString());
    record->trigger();
    EXPECT_EQ(dialogs.asked.back().text, documents) << "a folder that does not exist is not offered";
    EXPECT_EQ(members.m_IsRecording, -1);
    EXPECT_TRUE(dialog.Menu_Popup->RecordChecked());

    const std::string bytes("status\r\n\0\xFF", 10);
    Arrive(bytes);
    EXPECT_EQ(FileBytes(file), bytes) << "on disk as soon as it arrived";
    record->trigger();
    EXPECT_EQ(members.m_IsRecording, 0);
    Arrive("after\r\n");
    EXPECT_EQ(FileBytes(file), bytes);
    dialogs.savePaths.push_back(file.toStdString());
    record->trigger();
    EXPECT_EQ(dialogs.asked.back().text, folder.path().toStdString()) << "the folder of the last choice";
    EXPECT_EQ(FileBytes(file), "") << "a new recording empties the file";
}

// Escape is the terminal session test's; here the server closing the connection.
TEST_F(SystemDialogTest, LeavingTheTerminalEndsRecordingAndPrinting) {
    PrinterSurface pdf(PrinterSurface::Output::Pdf);
    const QString printed = folder.filePath(QStringLiteral("continuous.pdf"));
    pdf.SetPdfPath(printed);
    dialog.SetContinuousPrinter(pdf);
    const QString recorded = folder.filePath(QStringLiteral("rec.txt"));
    Open();
    dialogs.savePaths.push_back(recorded.toStdString());
    dialog.Menu_Popup_Record_Click();
    dialog.Menu_Popup_PrintContinous_Click();
    Arrive("ABC\r\nDEF");
    peer->disconnectFromHost();
    ASSERT_TRUE(waitFor([this] { return view.view == VS_PICTURE; }));
    EXPECT_EQ(std::tuple(members.m_IsRecording, members.m_IsPrintingContinous, dialog.Connected()),
              std::tuple(0, 0, false));
    EXPECT_FALSE(dialog.Menu_Popup->RecordChecked() || dialog.Menu_Popup->PrintContinousChecked());
    EXPECT_TRUE(PdfLayoutText(printed).contains(QStringLiteral("DEF"))) << "the job is complete";
}

} // namespace
} // namespace pelorin::test
