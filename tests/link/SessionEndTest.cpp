// Every way a session ends: nothing of it is left for the next login, and the login frame says why when
// the link ended it.

#include "common/SessionSupport.h"
#include "core/Latin1.h"
#include "toolbar/ToolbarTable.h"

#include <QRegularExpression>
#include <QTest>

namespace pelorin::test {
namespace {

std::string FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string("(no file)");
}

class SessionEnd : public SessionTest {
protected:
    SystemDialog& terminal() { return c().systemDialog(); }
    QWidget* TerminalBox() { return terminal().Text_Sysdial->widget(); }

    void OpenTerminal() {
        c().Toolbar_ButtonMenuClick(tb::kSystemDialog, tb::kHome);
        ASSERT_TRUE(waitFor([this] {
            return c().m_ViewState == VS_SYSDIAL && terminal().TerminalText().ends_with("PELORIN> \r\n");
        }));
    }

    void SelectValue(const std::string& address) {
        const cElement& e = ElementWithAddress(address);
        c().view().Picture_PCT_MouseMove(0, 0, static_cast<float>(e.m_ScanBox_X1 + e.m_ScanBox_X2) / 2,
                                         static_cast<float>(e.m_ScanBox_Y1 + e.m_ScanBox_Y2) / 2);
        c().view().Picture_PCT_DblClick();
        ASSERT_EQ(c().m_SelectedElement, &e);
    }

    void EndAndWaitForTheLoginFrame(const std::function<void()>& end) {
        end();
        ASSERT_TRUE(waitFor([this] {
            return c().m_ViewState == VS_LOGIN && server().sessionCount() == 0 &&
                   server().terminalCount() == 0;
        }));
    }

    QTemporaryDir files;
};

TEST_F(SessionEnd, EveryEndLeavesNothingOfTheSessionForTheNextOperator) {
    // The client closes the terminal itself; the simulator would close it too, a moment later.
    const auto operatorLogout = [this] {
        c().Toolbar_ButtonMenuClick(tb::kLogout, tb::kHome);
        EXPECT_FALSE(terminal().Connected());
    };
    const struct {
        const char* end;
        bool pictureTookTheView;
        std::function<void()> run;
    } ends[] = {
        {"the operator, in the terminal", false, operatorLogout},
        {"the operator, after a picture took the view", true, operatorLogout},
        {"the server's logout", true, [this] { server().sendFrameToAll(MSG_LOGOUT, {}); }},
        {"the server's close", false,
         [this] {
             server().dropMidFrame();
             c().TCPSend(CMD_GET_PICTURE, "1");
         }},
        {"a frame no link can carry", false,
         [this] {
             server().sendGarbage(std::string{static_cast<char>(MSG_VALUE), '\x80', 0, 0, 1});
         }},
    };
    for (const auto& e : ends) {
        SCOPED_TRACE(e.end);
        LogIn();
        // The last session's picture number and indicator are still shown: its elements are not.
        ShowPicture(1);
        ASSERT_TRUE(waitFor([this] {
            return !c().m_Elements.empty() && c().toolbar().Text_Updated->Text() == "100%" &&
                   c().m_SysdialMax == 2;
        }));
        SelectValue("PG01.BV.GP1");
        c().toolbar().Text_NewValue->SetText("42");
        OpenTerminal();
        const QString recording = files.filePath(QStringLiteral("rec.txt"));
        f.dialogs().savePaths.push_back(recording);
        terminal().Menu_Popup_Record_Click();
        PrinterSurface paper(PrinterSurface::Output::Pdf);
        paper.SetPdfPath(files.filePath(QStringLiteral("continuous.pdf")));
        terminal().SetContinuousPrinter(paper);
        terminal().Menu_Popup_PrintContinous_Click();
        QTest::keyClicks(TerminalBox(), QStringLiteral("status"));
        QTest::keyClick(TerminalBox(), Qt::Key_Return);
        ASSERT_TRUE(
            waitFor([this] { return terminal().TerminalText().find("Utetemperatur") != std::string::npos; }));
        if (e.pictureTookTheView)
            Inject(MSG_NO_PICTURE, {});

        EndAndWaitForTheLoginFrame(e.run);
        EXPECT_EQ(std::tuple(c().m_IsRecording, c().m_IsPrintingContinous), std::tuple(0, 0));
        EXPECT_FALSE(paper.JobOpen()) << "the printout is complete";
        EXPECT_NE(FileBytes(recording).find("Utetemperatur"), std::string::npos)
            << "the recording is complete";
        EXPECT_EQ(
            std::tuple(terminal().TerminalText(), terminal().Text_Sysdial->Text(), c().m_LastSysDialRecvRow),
            std::tuple("", "", ""));
        EXPECT_EQ(std::tuple(c().m_SysdialMax, c().m_SysdialUsers, terminal().MacroTexts().size()),
                  std::tuple(0, "", 0u));
        EXPECT_EQ(c().m_SelectedElement, nullptr);
        EXPECT_EQ(c().toolbar().Text_NewValue->Text() + c().toolbar().Text_Address->Text(), "");
        EXPECT_FALSE(c().model().PictureExists(1));
        EXPECT_EQ(c().m_WriteParameters, "");

        // The next operator on the same control gets a terminal connection of his own and an empty screen.
        LogIn("DRIFT", "drift");
        ASSERT_TRUE(waitFor([this] { return c().m_SysdialMax == 2; }));
        server().clearTerminalInput();
        OpenTerminal();
        EXPECT_EQ(server().terminalInput(), "\x10") << "a new connection was woken";
        EXPECT_EQ(terminal().TerminalText().find("status"), std::string::npos);
        EndAndWaitForTheLoginFrame(operatorLogout);
        f.dialogs().asked.clear();
    }
}

TEST_F(SessionEnd, TheLoginFrameSaysWhyTheLinkEndedTheSessionUntilTheNextLogin) {
    const std::string refused = Long2String(0) + Long2String(0) + Long2String(0) + "X";
    const struct {
        const char* end;
        std::function<void()> run;
        std::string reason;
    } ends[] = {
        {"the operator", [this] { c().Toolbar_ButtonMenuClick(tb::kLogout, tb::kHome); }, ""},
        {"a refused login", [&] { server().sendFrameToAll(MSG_LOGIN_REPLY, refused); }, ""},
        {"the server's logout", [this] { server().sendFrameToAll(MSG_LOGOUT, {}); },
         "Bildservern avslutade sessionen"},
        {"the server's close",
         [this] {
             server().dropMidFrame();
             c().TCPSend(CMD_GET_PICTURE, "1");
         },
         Latin1FromUtf8("Förbindelsen med bildservern bröts")},
    };
    const QRegularExpression time(QStringLiteral(R"(^ \d\d:\d\d:\d\d$)"));
    for (const auto& e : ends) {
        SCOPED_TRACE(e.end);
        LogIn();
        EXPECT_EQ(c().session().EndReason(), "") << "until the next login";
        EndAndWaitForTheLoginFrame(e.run);
        const std::string shown = c().session().EndReason();
        ASSERT_TRUE(shown.starts_with(e.reason));
        EXPECT_EQ(time.match(FromLatin1(shown.substr(e.reason.size()))).hasMatch(), !e.reason.empty())
            << shown;
        EXPECT_EQ(c().session().EndedByLink(), !e.reason.empty());
    }
    EXPECT_TRUE(f.dialogs().asked.empty()) << "no message box";
}

} // namespace
} // namespace pelorin::test
