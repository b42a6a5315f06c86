// A session captured by the client and served back by the simulator's replay shows a fresh client
// what the live client showed.

#include "HostSupport.h"

#include "Replay.h"

namespace pelorin::test {
namespace {

constexpr double kReplaySpeed = 4;

TEST(CaptureReplay, AReplayedCaptureShowsAFreshClientWhatTheLiveClientShowed) {
    QTemporaryDir dir;
    const QString capture = dir.filePath(QStringLiteral("session.cap"));
    QImage liveImage;
    std::vector<std::string> liveTexts;
    {
        DemoServer demo;
        ASSERT_TRUE(demo.started());
        ControlFixture live;
        PelorinControl& c = StartClient(live, demo.address(), capture);
        ASSERT_TRUE(LogIn(c));
        ASSERT_TRUE(ShowPicture(c, 1, true));
        ASSERT_TRUE(ShowPicture(c, 2, true));
        // A value that moves while the picture is shown.
        const auto value = std::find_if(c.m_Elements.begin(), c.m_Elements.end(),
                                        [](const auto& e) { return e->m_ElementType == ET_DYNVALUE; });
        ASSERT_NE(value, c.m_Elements.end());
        const std::vector<std::string> before = ValueTexts(c);
        ASSERT_TRUE(demo.server().forceValue((*value)->m_Address, 12.25));
        ASSERT_TRUE(waitFor([&] { return ValueTexts(c) != before; }));
        liveImage = DrawnPicture(c).copy();
        liveTexts = ValueTexts(c);
    }

    const CaptureContents recorded = ReadCaptureFile(capture);
    ASSERT_TRUE(recorded.error.isEmpty()) << recorded.error.toStdString();
    sim::ReplayScript script;
    QString error;
    ASSERT_TRUE(sim::BuildReplayScript(recorded.records, script, &error)) << error.toStdString();
    sim::ReplayServer replay(sim::ServerOptions{}, std::move(script), kReplaySpeed);
    ASSERT_TRUE(replay.start(&error)) << error.toStdString();

    ControlFixture fresh;
    PelorinControl& c = StartClient(fresh, "127.0.0.1:" + std::to_string(replay.framedPort()));
    ASSERT_TRUE(LogIn(c, "NAGON", "annat"));
    waitFor([&] { return c.m_PictureNumber == 2 && ValueTexts(c) == liveTexts; });
    EXPECT_EQ(ValueTexts(c), liveTexts);
    EXPECT_EQ(ImageDifference(liveImage, DrawnPicture(c)), "");
}

} // namespace
} // namespace pelorin::test
