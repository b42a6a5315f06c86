// The link under load: values for a picture the operator has left, and a server that hangs.

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

} // namespace
} // namespace pelorin::test
