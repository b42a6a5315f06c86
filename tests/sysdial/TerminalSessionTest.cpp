#include "SysdialSupport.h"
#include "control/SessionSupport.h"
#include "sim/SimFixture.h"

#include <QAbstractScrollArea>
#include <QMenu>
#include <QPainter>
#include <QTest>
#include <algorithm>

namespace pelorin::test {
namespace {

constexpr double kMarginPt = 5 / 25.4 * 72;

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
    const std::vector<PdfWord> words = PdfWords(printed);
    const double digit = paper.ScaleWidth() / 100 / (PrinterSurface::dotsPerInch / 72.0);
    int indented = 0;
    for (const PdfWord& word : words) {
        if (word.text == QStringLiteral("Utetemperatur:") || word.text == QStringLiteral("PELORIN>")) {
            EXPECT_NEAR(word.xMin, kMarginPt + 10 * digit, 1) << word.text.toStdString();
            ++indented;
        }
    }
    EXPECT_GE(indented, 5);
}

TEST_F(TerminalSessionTest, WithNoFreeChannelTheMessageNamesTheUsersHoldingThem) {
    std::vector<std::unique_ptr<SimTestClient>> holders;
    for (const auto& [visa, password] : {std::pair{"DRIFT", "drift"}, std::pair{"DEMO", "demo"}}) {
        holders.push_back(std::make_unique<SimTestClient>());
        ASSERT_TRUE(holders.back()->connectTo(server().framedPort()));
        ASSERT_GE(holders.back()->login(visa, password), 1);
        holders.back()->send(CMD_SYSDIAL_CHANNEL);
        const int claimed = static_cast<int>(holders.size());
        ASSERT_TRUE(waitFor([this, claimed] { return c().m_SysdialAllocated == claimed; }));
    }
    ClientSync();
    const int claims = Received(CMD_SYSDIAL_CHANNEL);
    c().Toolbar_ButtonMenuClick("TB_SYSDIAL", "TB_HOME");
    ASSERT_EQ(f.dialogs().asked.size(), 1u);
    EXPECT_EQ(
        f.dialogs().asked.back().text,
        "Det finns inga lediga systemdialog kanaler, f\xF6ljande anv\xE4ndare anv\xE4nder en kanal:\r\n\r\n"
        "M\xE4rta Str\xF6m\r\n" +
            kDemoName + "\r\n");
    ClientSync();
    EXPECT_EQ(Received(CMD_SYSDIAL_CHANNEL), claims) << "no claim";
    EXPECT_EQ(c().m_ViewState, VS_PICTURE);
    EXPECT_EQ(terminal().Winsock_SysDial->State(), Winsock::sckClosed);
}

TEST_F(TerminalSessionTest, ATerminalLeftOpenByAPictureMessageOpensAgain) {
    Open();
    Inject(MSG_NO_PICTURE, {});
    EXPECT_EQ(c().m_ViewState, VS_PICTURE);
    EXPECT_TRUE(terminal().Connected());
    c().Toolbar_ButtonMenuClick("TB_SYSDIAL", "TB_HOME");
    EXPECT_EQ(c().m_ViewState, VS_SYSDIAL);
    EXPECT_TRUE(terminal().Text_Sysdial->Visible());
    EXPECT_TRUE(waitFor([this] { return Count(Shown(), "Pelorin simulator, systemdialog") == 2; }))
        << "woken again";
}

// Draws the visible pop-up menus over the control where they stand on the screen.
QImage WithMenus(QWidget& control) {
    QImage shot = control.grab().toImage();
    QPainter painter(&shot);
    for (QMenu* menu : control.findChildren<QMenu*>())
        if (menu->isVisible())
            painter.drawPixmap(menu->pos() - control.mapToGlobal(QPoint(0, 0)), menu->grab());
    return shot;
}

TEST_F(TerminalSessionTest, DoubleClickOpensTheMenuWithTheServersMacros) {
    Open();
    Enter(QStringLiteral("status"));
    auto* area = static_cast<QAbstractScrollArea*>(Box());
    const QPoint at(160, 120);
    QCursor::setPos(area->viewport()->mapToGlobal(at));
    QTest::mouseDClick(area->viewport(), Qt::LeftButton, {}, at);
    QMenu* popup = nullptr;
    QMenu* macros = nullptr;
    for (QMenu* menu : c().findChildren<QMenu*>()) {
        if (menu->title() == QStringLiteral("Makro"))
            macros = menu;
        else if (menu->isVisible())
            popup = menu;
    }
    ASSERT_NE(popup, nullptr) << "the pop-up menu is open";
    ASSERT_NE(macros, nullptr);
    EXPECT_TRUE(macros->menuAction()->isVisible()) << "the server sent macros";
    ASSERT_EQ(macros->actions().size(), 1);
    EXPECT_EQ(macros->actions()[0]->text(), QStringLiteral("Status"));
    popup->setActiveAction(macros->menuAction());
    macros->popup(popup->mapToGlobal(popup->actionGeometry(macros->menuAction()).topRight()));
    ASSERT_TRUE(waitFor([macros] { return macros->isVisible(); }));
    SaveShot(WithMenus(c()), QStringLiteral("terminal-macro-menu.png"));
    macros->close();
    popup->close();
}

} // namespace
} // namespace pelorin::test
