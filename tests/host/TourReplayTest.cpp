// The demo tour run by the host executable against the simulator with --capture, and again against
// the simulator's replay of that capture in step with the tour's requests: every screenshot of the
// replayed tour must equal the live tour's, pixel for pixel.

#include "HostSupport.h"

#include "Replay.h"

#include <QDir>
#include <QProcess>

namespace pelorin::test {
namespace {

constexpr int kTourTimeoutMs = 120000;

// Runs `pelorin --tour folder` against `address`, processing events meanwhile (the servers are in
// this process). Returns its exit code, -1 when it did not end in time.
int RunTour(const std::string& address, const QString& folder, const QStringList& more = {}) {
    QProcess tour;
    tour.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    tour.setProcessEnvironment(environment);
    tour.start(QStringLiteral(PELORIN_EXECUTABLE),
               QStringList{QStringLiteral("--param"),
                           QStringLiteral("ServerAddress=%1").arg(QString::fromStdString(address)),
                           QStringLiteral("--settings-dir"), folder + QStringLiteral("-settings"),
                           QStringLiteral("--tour"), folder} +
                   more);
    if (!waitFor([&tour] { return tour.state() == QProcess::NotRunning; }, kTourTimeoutMs)) {
        tour.kill();
        tour.waitForFinished();
        return -1;
    }
    return tour.exitStatus() == QProcess::NormalExit ? tour.exitCode() : -1;
}

TEST(TourReplay, TheReplayedTourTakesTheLiveToursScreenshots) {
    QTemporaryDir dir;
    const QString capture = dir.filePath(QStringLiteral("tour.cap"));
    const QString live = dir.filePath(QStringLiteral("live"));
    const QString replayed = dir.filePath(QStringLiteral("replayed"));
    {
        DemoServer demo;
        ASSERT_TRUE(demo.started());
        ASSERT_EQ(RunTour(demo.address(), live, {QStringLiteral("--capture"), capture}), 0);
    }

    sim::ReplayScript script;
    QString error;
    ASSERT_TRUE(sim::BuildReplayScript(ReadCaptureFile(capture).records, script, &error))
        << error.toStdString();
    sim::ReplayServer replay(sim::ServerOptions{}, std::move(script), 1);
    replay.setInStep(true);
    ASSERT_TRUE(replay.start(&error)) << error.toStdString();
    ASSERT_EQ(RunTour("127.0.0.1:" + std::to_string(replay.framedPort()), replayed), 0);

    const QStringList shots = QDir(live).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name);
    ASSERT_GE(shots.size(), 6) << "login, picture, selected, typed, written, link";
    EXPECT_EQ(QDir(replayed).entryList({QStringLiteral("*.png")}, QDir::Files, QDir::Name), shots);
    for (const QString& shot : shots) {
        SCOPED_TRACE(shot.toStdString());
        EXPECT_EQ(ImageDifference(QImage(QDir(live).filePath(shot)), QImage(QDir(replayed).filePath(shot))),
                  "");
    }
}

} // namespace
} // namespace pelorin::test
