// The journal as the control's watch, against the simulator on loopback: a write of the selected value
// and its confirmation.

#include "JournalSupport.h"

#include "common/ScriptedDialogs.h"
#include "common/SessionSupport.h"
#include "journal/JournalRecords.h"

#include <QTemporaryDir>

namespace pelorin::test {
namespace {

class JournalSession : public ::testing::Test {
protected:
    void SetUp() override {
        const QDir plant(m_Plant.path());
        ASSERT_TRUE(plant.mkdir(QStringLiteral("pictures")));
        for (const auto& [name, text] :
             {std::pair{"plant.json", kSessionPlant}, {"pictures/1-pumpar.json", kSessionPicture1}}) {
            QFile file(plant.filePath(QString::fromLatin1(name)));
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) > 0);
        }
        sim::ServerOptions options;
        options.plantFolder = plant.path();
        options.dataFolder = m_Data.path();
        options.fakeClock = true;
        m_Server = std::make_unique<sim::Server>(options);
        QString error;
        ASSERT_TRUE(m_Server->start(&error)) << error.toStdString();
        m_Server->setFrozen(true);
        m_Control.UserControl_Initialize();
        m_Control.UserControl_ReadProperties(
            Bag({{"ServerAddress", "127.0.0.1:" + std::to_string(m_Server->framedPort())}}));
        m_Control.show();
    }
    void TearDown() override { m_Control.UserControl_Terminate(); }

    // Double-clicks the value with `address`, as the operator selects it.
    void Select(const std::string& address) {
        for (const auto& e : m_Control.m_Elements)
            if (e->m_Address == address) {
                m_Control.view().Picture_PCT_MouseMove(
                    0, 0, static_cast<float>(e->m_ScanBox_X1 + e->m_ScanBox_X2) / 2,
                    static_cast<float>(e->m_ScanBox_Y1 + e->m_ScanBox_Y2) / 2);
                m_Control.view().Picture_PCT_DblClick();
            }
    }

    QTemporaryDir m_Plant, m_Data, m_Journal, m_Settings;
    std::unique_ptr<sim::Server> m_Server;
    JournalHeard m_Heard;
    journal::WriteJournal m_WriteJournal{{.folder = m_Journal.path()}, &m_Heard};
    SettingsStore m_Store{m_Settings.path().toStdString()};
    ScriptedDialogs m_Dialogs;
    PelorinControl m_Control{{.settings = &m_Store, .dialogs = &m_Dialogs, .watch = &m_WriteJournal}};
};

// The selected value written goes out, and the journal holds the write and, with the same id, the
// server's confirmation.
TEST_F(JournalSession, AWriteOfTheSelectedValueIsJournalledAndConfirmed) {
    ASSERT_TRUE(LogIn(m_Control));
    ASSERT_TRUE(ShowPicture(m_Control, 1, true));
    Select("PG01.BV.GP1");
    m_Control.toolbar().Text_NewValue->SetText("1,5");
    m_Control.Toolbar_ButtonClick(tb::kSendSetpoint);
    ASSERT_TRUE(waitFor([this] { return JournalLines(m_Journal.path()).size() == 2; }));

    const std::vector<QJsonObject> lines = JournalLines(m_Journal.path());
    EXPECT_EQ(lines[0].value(QStringLiteral("visa")), QStringLiteral("DEMO"));
    EXPECT_EQ(lines[0].value(QStringLiteral("picture")), 1);
    EXPECT_EQ(lines[0].value(QStringLiteral("address")), QStringLiteral("PG01.BV.GP1"));
    EXPECT_FALSE(lines[0].value(QStringLiteral("before")).toString().isEmpty());
    EXPECT_EQ(lines[0].value(QStringLiteral("sent")), QStringLiteral("1.5"));
    EXPECT_EQ(lines[1].value(QStringLiteral("id")), lines[0].value(QStringLiteral("id")));
    EXPECT_EQ(lines[1].value(QStringLiteral("outcome")), QStringLiteral("bekräftat"));
    EXPECT_EQ(journal::FeedbackText(m_Heard.reports.back()).left(37),
              QStringLiteral("PG01.BV.GP1: 1,5 skickat, bekräftat e"));
}

} // namespace
} // namespace pelorin::test
