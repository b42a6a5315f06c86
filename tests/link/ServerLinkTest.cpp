// The link under load: values for a picture the operator has left, and a server that hangs; and the
// link alone on a recording dispatch: the stream cut into frames, and work deferred behind it.

#include "link/ServerLink.h"
#include "common/PortFakes.h"
#include "common/SessionSupport.h"
#include "toolbar/ToolbarTable.h"

namespace pelorin::test {
namespace {

using ServerLinkTest = SessionTest;

// Values that come after the operator asked for another picture are taken in but not drawn: the
// picture asked for replaces the drawing. The request is answered once the server reads again.
TEST_F(ServerLinkTest, ValuesForAPictureLeftAreKeptButNotDrawn) {
    LogIn();
    ShowPicture(1, true);
    ASSERT_TRUE(waitFor([this] { return !c().view().Drawing().HasPending(); }));
    const QImage shown = c().view().Picture_PCT->Surface().Image();

    ASSERT_TRUE(server().forceValue("PG01.MV.GP1", 42));
    server().stallConnections();
    c().toolbar().Text_PCT->SetText("2");
    c().Toolbar_ButtonClick(tb::kGetPicture);
    ASSERT_TRUE(waitFor([this] { return ElementWithAddress("PG01.MV.GP1").m_Text == "42.0"; }));
    ASSERT_TRUE(waitFor([this] { return !c().view().Drawing().HasPending(); }));
    EXPECT_TRUE(c().view().Picture_PCT->Surface().Image() == shown);

    server().resume();
    EXPECT_TRUE(waitFor([this] { return c().m_PictureNumber == 2; }));
}

using Frames = std::vector<std::pair<uint8_t, std::string>>;

// Three frames, one of them empty, in one stream.
const Frames kFrames = {{21, "12.5"}, {22, ""}, {23, "PG01.BV.GP1"}};

std::string Stream(const Frames& frames) {
    std::string stream;
    for (const auto& frame : frames)
        stream += EncodeFrame(frame.first, frame.second);
    return stream;
}

// The link alone, connected to the simulator, which sends it raw bytes; the control's dispatch records.
class ServerLinkAlone : public ::testing::Test {
protected:
    void SetUp() override {
        sim::ServerOptions options;
        options.dataFolder = m_DataDir.path();
        options.fakeClock = true;
        m_Server = std::make_unique<sim::Server>(options);
        QString error;
        ASSERT_TRUE(m_Server->start(&error)) << error.toStdString();
        link.Winsock_Client->OnBytesTaken = [this](std::string_view bytes) { m_Taken += bytes.size(); };
        link.SetServer("127.0.0.1", m_Server->framedPort());
        link.Connect();
        ASSERT_TRUE(waitFor([this] { return link.Connected() && m_Server->sessionCount() == 1; }));
    }

    // Sends `bytes` as one arrival: the link hears of them only once all have come. Returns once it
    // has taken them all.
    void Arrive(const std::string& bytes) {
        Winsock& socket = *link.Winsock_Client;
        const auto receive = std::exchange(socket.OnDataArrival, [](int64_t) {});
        m_Server->sendGarbage(bytes);
        const auto size = static_cast<int64_t>(bytes.size());
        ASSERT_TRUE(waitFor([&socket, size] { return socket.BytesReceived() == size; }));
        socket.OnDataArrival = receive;
        const size_t taken = m_Taken + bytes.size();
        receive(size);
        ASSERT_TRUE(waitFor([this, taken] { return m_Taken == taken; }));
    }

    RecordingActions actions;
    LinkMembers members;
    ServerLink link{members, actions};

private:
    QTemporaryDir m_DataDir;
    std::unique_ptr<sim::Server> m_Server;
    size_t m_Taken = 0;
};

TEST_F(ServerLinkAlone, SeveralFramesInOneArrivalAreHandledInOrder) {
    Arrive(Stream(kFrames));
    EXPECT_EQ(actions.frames, kFrames);
}

// Each frame is handled once, as soon as its last byte has come.
TEST_F(ServerLinkAlone, FramesSplitAtAnyByteAreHandledOnceWhenComplete) {
    const std::string stream = Stream(kFrames);
    std::vector<size_t> ends;
    for (const auto& frame : kFrames)
        ends.push_back((ends.empty() ? 0 : ends.back()) + EncodeFrame(frame.first, frame.second).size());
    for (size_t cut = 1; cut < stream.size(); ++cut) {
        SCOPED_TRACE(cut);
        Arrive(stream.substr(0, cut));
        const auto complete = std::upper_bound(ends.begin(), ends.end(), cut) - ends.begin();
        ASSERT_EQ(actions.frames, Frames(kFrames.begin(), kFrames.begin() + complete));
        Arrive(stream.substr(cut));
        ASSERT_EQ(actions.frames, kFrames);
        actions.frames.clear();
    }
}

TEST_F(ServerLinkAlone, AfterReceivedRunsAtOnceWhenNothingWaits) {
    bool ran = false;
    link.AfterReceived([&ran] { ran = true; });
    EXPECT_TRUE(ran);
}

// Asked for by the first frame's handler while more than one slice has come: it runs after the last
// frame received, not in between.
TEST_F(ServerLinkAlone, AfterReceivedRunsOnceEveryFrameReceivedIsHandled) {
    const Frames frames = {{21, std::string(40000, 'a')}, {22, std::string(40000, 'b')}, {23, "c"}};
    std::vector<int> order;
    actions.onFrame = [&](uint8_t code) {
        order.push_back(code);
        if (code == 21)
            link.AfterReceived([&order] { order.push_back(0); });
    };
    Arrive(Stream(frames));
    EXPECT_EQ(order, (std::vector<int>{21, 22, 23, 0}));
}

} // namespace
} // namespace pelorin::test
