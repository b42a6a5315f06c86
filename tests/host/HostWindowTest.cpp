#include "host/HostWindow.h"

#include "common/TestSupport.h"

#include <QLabel>
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
