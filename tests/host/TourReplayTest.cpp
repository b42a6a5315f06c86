// The demo tour run by the host executable live with --capture, then against the in-step replay of
// that capture: every screenshot of the control in the replayed tour must equal the live tour's, pixel
// for pixel.

#include "HostSupport.h"

#include "Replay.h"

#include <QDir>
#include <QProcess>

namespace pelorin::test {
namespace {

// Runs `pelorin --tour folder` against `address`, processing events meanwhile (the servers are in
// this process); its exit code, -1 when it did not end in time.
int RunTour(const std::string& address, const QString& folder, const QStringList& more = {}) {
    QProcess tour;
    // The tour's write goes to a journal of its own, not the user's.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder + QStringLiteral("-data"));
    tour.setProcessEnvironment(environment);
    tour.start(QStringLiteral(PELORIN_EXECUTABLE),
               QStringList{QStringLiteral("--param"),
                           QStringLiteral("ServerAddress=%1").arg(QString::fromStdString(address)),
                           QStringLiteral("--settings-dir"), folder + QStringLiteral("-settings"),
                           QStringLiteral("--tour"), folder} +
                   more);
    const bool ended = waitFor([&tour] { return tour.state() == QProcess::NotRunning; }, 120000);
    return ended && tour.exitStatus() == QProcess::NormalExit ? tour.exitCode() : -1;
}

TEST(TourReplay, TheReplayedTourTakesTheLiveToursScreenshots) {
    QTemporaryDir dir;
    const QString capture = dir.filePath(QStringLiteral("tour.cap"));
    const QString live = dir.filePath(QStringLiteral("live"));
    const QString replayed = dir.filePath(QStringLiteral("replayed"));
    {
        const auto demo = StartDemoServer(dir);
        ASSERT_EQ(RunTour(LoopbackAddress(demo->framedPort()), live, {QStringLiteral("--capture"), capture}),
                  0);
    }

    sim::ReplayScript script;
    QString error;
    ASSERT_TRUE(sim::BuildReplayScript(ReadCaptureFile(capture).records, script, &error))
        << error.toStdString();
    sim::ReplayServer replay(sim::ServerOptions{}, std::move(script), 1);
    replay.setInStep(true);
    ASSERT_TRUE(replay.start(&error)) << error.toStdString();
    ASSERT_EQ(RunTour(LoopbackAddress(replay.framedPort()), replayed), 0);

    const QStringList shots = QDir(live).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    ASSERT_GE(shots.size(), 7) << "login, picture, selected, typed, written, link, trend";
    EXPECT_TRUE(shots.last().endsWith(QStringLiteral("-trend.png")));
    EXPECT_EQ(QDir(replayed).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name), shots);
    // The trend's time axis is the clock's: only the control's shots can repeat.
    for (const QString& shot : shots) {
        if (shot.endsWith(QStringLiteral("-trend.png")))
            continue;
        EXPECT_TRUE(SamePixels(QImage(QDir(live).filePath(shot)), QImage(QDir(replayed).filePath(shot))))
            << shot.toStdString();
    }
}

} // namespace
} // namespace pelorin::test
