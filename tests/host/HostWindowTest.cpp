#include "host/HostWindow.h"

#include "common/TestSupport.h"
#include "journal/JournalWindow.h"

#include <QLabel>
#include <QMenuBar>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>

namespace pelorin::test {
namespace {

// Each report becomes a Swedish notice in the window, naming the file or printer.
TEST(HostWindow, ReportsBecomeNoticesNamingTheFile) {
    host::HostWindow window;
    const struct {
        std::function<void()> report;
        QString notice;
    } cases[] = {
        {[&] { window.Printed(QStringLiteral("/d/Bild 007.pdf"), true); },
         QStringLiteral("Utskriven till /d/Bild 007.pdf")},
        {[&] { window.Printed(QStringLiteral("Kontor"), false); },
         QStringLiteral("Utskriven på skrivaren Kontor")},
        {[&] { window.PrintFailed(QStringLiteral("/dev/full"), true); },
         QStringLiteral("Utskriften kunde inte sparas i /dev/full")},
        {[&] { window.RecordingNotStarted(QStringLiteral("/x/rec.txt")); },
         QStringLiteral("Inspelningen kunde inte startas: /x/rec.txt går inte att skriva")},
        {[&] { window.RecordingStopped(QStringLiteral("/x/rec.txt")); },
         QStringLiteral("Inspelningen har stoppats: /x/rec.txt kunde inte skrivas")},
    };
    for (const auto& [report, notice] : cases) {
        report();
        EXPECT_EQ(window.Notice(), notice);
    }
}

// The window follows the control's size and keeps a line for notices below it.
TEST(HostWindow, TheWindowFollowsTheControlWithTheNoticeLineBelow) {
    host::HostWindow window;
    auto* control = new QLabel(&window);
    control->resize(300, 200);
    window.Hold(*control);
    window.show();
    control->resize(500, 400);
    EXPECT_EQ(window.width(), 500);
    EXPECT_GT(window.height(), 400);
    EXPECT_EQ(control->size(), QSize(500, 400));
    EXPECT_EQ(control->y(), window.findChild<QMenuBar*>()->height());
}

// The last write's fate stays on the notice line; a journal that cannot be written is flagged there
// until it can be written again.
TEST(HostWindow, WriteFeedbackAndJournalTroubleShowOnTheNoticeLine) {
    host::HostWindow window;
    window.show();
    window.WriteNoted({.address = QStringLiteral("LB01.GT11"),
                       .sent = QStringLiteral("22.5"),
                       .outcome = journal::Outcome::Confirmed,
                       .answer = QStringLiteral("22.5"),
                       .afterMs = 120});
    EXPECT_EQ(window.Notice(), QStringLiteral("LB01.GT11: 22,5 skickat, bekräftat efter 0,12 s"));
    EXPECT_FALSE(window.JournalTroubleShown());
    window.WriteNoted({.address = QStringLiteral("LB01.GT11"),
                       .sent = QStringLiteral("22.5"),
                       .outcome = journal::Outcome::Confirmed,
                       .answer = QStringLiteral("22.5"),
                       .afterMs = 3});
    EXPECT_EQ(window.Notice(), QStringLiteral("LB01.GT11: 22,5 skickat, bekräftat efter 0,003 s"));
    window.JournalFailed(QStringLiteral("/j/2026-12.jsonl"), QStringLiteral("Permission denied"));
    EXPECT_EQ(window.Notice(),
              QStringLiteral("Skrivloggen kan inte skrivas: /j/2026-12.jsonl (Permission denied)"));
    window.WriteNoted({.address = QStringLiteral("LB01.GT11"), .sent = QStringLiteral("23")});
    EXPECT_TRUE(window.JournalTroubleShown());
    window.JournalRecovered();
    EXPECT_FALSE(window.JournalTroubleShown());
}

// "Visa → Skrivlogg" opens the journal's window on the journal's folder.
TEST(HostWindow, TheViewMenuOpensTheJournal) {
    QTemporaryDir journalFolder;
    host::HostWindow window;
    window.ShowJournalFrom(journalFolder.path());
    window.show();
    const QList<QAction*> menus = window.findChild<QMenuBar*>()->actions();
    ASSERT_EQ(menus.size(), 1);
    EXPECT_EQ(menus[0]->text(), QStringLiteral("Visa"));
    QAction* entry = nullptr;
    for (QAction* action : menus[0]->menu()->actions())
        if (action->text() == QStringLiteral("Skrivlogg"))
            entry = action;
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    const auto* journalWindow = window.findChild<journal::JournalWindow*>();
    ASSERT_NE(journalWindow, nullptr);
    EXPECT_TRUE(journalWindow->isVisible());
    EXPECT_EQ(journalWindow->windowTitle(), QStringLiteral("Skrivlogg"));
}

// An open journal window shows a write as soon as its line is written.
TEST(HostWindow, AnOpenJournalWindowShowsANewWrite) {
    QTemporaryDir journalFolder;
    host::HostWindow window;
    journal::WriteJournal writes({.folder = journalFolder.path()}, &window);
    window.ShowJournalFrom(journalFolder.path());
    const journal::JournalWindow& journalWindow = window.OpenJournal();
    writes.WriteSent(4, "LB01.GT11", "22.5");
    ASSERT_TRUE(waitFor([&journalWindow] { return journalWindow.Shown().size() == 1; }));
    EXPECT_EQ(journalWindow.Shown()[0].address, QStringLiteral("LB01.GT11"));
}

// SIGTERM closes the window as its close button would, so that the program ends its documents whole.
TEST(HostWindow, SigtermClosesTheWindow) {
    host::HostWindow window;
    window.show();
    host::CloseOnTerminationSignals(window);
    ASSERT_EQ(std::raise(SIGTERM), 0);
    EXPECT_TRUE(waitFor([&] { return !window.isVisible(); }));
}

} // namespace
} // namespace pelorin::test
