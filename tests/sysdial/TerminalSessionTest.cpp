#include "SysdialSupport.h"
#include "control/SessionSupport.h"

#include <QAbstractScrollArea>
#include <QMenu>
#include <QTest>

namespace pelorin::test {
namespace {

// The control logged in as DEMO (who may use the system dialog) against the simulator, whose
// terminal port comes with the login reply.
class TerminalSessionTest : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        ASSERT_TRUE(files.isValid());
        LogIn();
        ASSERT_TRUE(waitFor([this] { return c().m_SysdialMax == 2; }));
    }

    SystemDialog& terminal() { return c().systemDialog(); }
    QWidget* Box() { return terminal().Text_Sysdial->widget(); }
    std::string Shown() { return terminal().Text_Sysdial->Text(); }
    bool Shows(const std::string& text) {
        return waitFor([&] { return Shown().find(text) != std::string::npos; });
    }
    static size_t Count(const std::string& text, const std::string& part) {
        size_t n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    }

    void Open() {
        c().Toolbar_ButtonMenuClick("TB_SYSDIAL", "TB_HOME");
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

    QTemporaryDir files;
};

TEST_F(TerminalSessionTest, TheTerminalAnswersRecordsPrintsAndClosesWithEscape) {
    Open();
    EXPECT_EQ(server().channelsInUse(), 1);
    EXPECT_TRUE(server().terminalInput().starts_with("\x10")) << "the wake-up character";
    EXPECT_NE(Shown().find("Pelorin simulator, systemdialog"), std::string::npos);

    const QString recording = files.filePath(QStringLiteral("rec.txt"));
    f.dialogs().savePaths.push_back(recording.toStdString());
    terminal().Menu_Popup_Record_Click();
    EXPECT_EQ(f.settings().GetSetting("Pelorin_ActiveX", "Settings", "Recording"), recording.toStdString());
    PrinterSurface paper(PrinterSurface::Output::Pdf);
    const QString printed = files.filePath(QStringLiteral("continuous.pdf"));
    paper.SetPdfPath(printed);
    terminal().SetContinuousPrinter(paper);
    terminal().Menu_Popup_PrintContinous_Click();
    const std::string before = Shown();

    Enter(QStringLiteral("status"));
    EXPECT_TRUE(Shows("Utetemperatur:"));
    EXPECT_EQ(Count(Shown(), "status"), 1u) << "typed once, its echo not shown again";

    QTest::keyClicks(Box(), QStringLiteral("skriv pg01.bv.gp1 55"));
    QTest::keyClick(Box(), Qt::Key_Return);
    ASSERT_TRUE(Shows("KODORD: \r\n"));
    QTest::keyClicks(Box(), QStringLiteral("1234"));
    EXPECT_EQ(Shown().find("1234"), std::string::npos);
    QTest::keyClick(Box(), Qt::Key_Return);
    ASSERT_TRUE(Shows("OK  PG01.BV.GP1 = 55"));
    EXPECT_EQ(server().modelValue("PG01.BV.GP1"), 55);
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
    ASSERT_TRUE(terminal().Menu_Popup->MakroVisible());
    ASSERT_EQ(terminal().Menu_Popup->MakroCaption(0), "Status");
    terminal().Menu_Popup_MakroList_Click(0);
    ASSERT_TRUE(waitFor([this] { return Count(Shown(), "Utetemperatur:") == 2; }));
    EXPECT_TRUE(server().terminalInput().ends_with("status\r")) << "^M sent as CR";
    EXPECT_EQ(Count(Shown(), "status"), 2u) << "a macro is no sent line: its echo shows";
    ASSERT_TRUE(waitFor([this] { return Shown().ends_with("PELORIN> \r\n"); }));

    QTest::keyClick(Box(), Qt::Key_Escape);
    EXPECT_EQ(c().m_ViewState, VS_PICTURE);
    EXPECT_FALSE(terminal().Text_Sysdial->Visible());
    EXPECT_EQ(c().m_IsRecording, 0);
    EXPECT_EQ(c().m_IsPrintingContinous, 0);
    EXPECT_TRUE(waitFor([this] { return server().channelsInUse() == 0; })) << "the channel is released";

    // What was received is what the terminal shows besides the operator's own typing.
    std::string received = Shown();
    ASSERT_TRUE(received.starts_with(before));
    received.erase(0, before.size());
    for (const std::string typed : {"status", "skriv pg01.bv.gp1 55"})
        received.erase(received.find(typed), typed.size());
    EXPECT_EQ(FileBytes(recording), received) << "the recording holds what was shown";
    EXPECT_EQ(Count(FileBytes(recording), "1234"), 0u);

    const QString text = PdfLayoutText(printed);
    EXPECT_TRUE(text.contains(QStringLiteral("Utetemperatur:")));
    EXPECT_TRUE(text.contains(QStringLiteral("PG01.BV.GP1 = 55")));
    EXPECT_FALSE(text.contains(QStringLiteral("1234")));
}

} // namespace
} // namespace pelorin::test
