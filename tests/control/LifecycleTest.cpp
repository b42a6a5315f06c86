// What the host's parameters and the stored settings make of a new control, and how its picture and
// panels are laid out for a size.

#include "common/TestSupport.h"
#include "control/ControlFixture.h"

#include "platform/ImageSurface.h"
#include "platform/PictureBox.h"
#include "platform/Screen.h"
#include "platform/Winsock.h"

#include <functional>
#include <gtest/gtest.h>
#include <limits>

namespace pelorin::test {
namespace {

// Without host parameters the start-up values stand and stored ones are ignored; a host without size
// keys gets the parameters' defaults; stored settings override the host, whose values stay the defaults.
TEST(ControlLifecycle, StartUpValuesHostParametersAndStoredSettings) {
    ControlFixture bare;
    bare.settings().SaveSetting("Pelorin_Client", "Picture", "Resolution", "640 x 480");
    PelorinControl& start = bare.Start();
    EXPECT_EQ(PictureArea(start), QSize(1024, 800));
    EXPECT_EQ(std::tuple(start.m_FontBold, start.m_PrinterFontBold, start.m_DefaultWidth),
              std::tuple(-1, 0, 1024));
    EXPECT_EQ(start.m_ViewState, VS_LOGIN);

    ControlFixture named;
    PelorinControl& host = named.Start(Bag({{"FontName", "Arial"}}));
    EXPECT_EQ(PictureArea(host), QSize(800, 600));
    EXPECT_EQ(std::tuple(host.m_FontName, host.m_PrinterFontBold), std::tuple("Arial", -1));

    ControlFixture f;
    for (const auto& [key, value] :
         {std::pair{"Resolution", "1280 x 1024"}, {"FontSize", "11"}, {"FontBold", "0"}, {"FontName", ""}})
        f.settings().SaveSetting("Pelorin_Client", "Picture", key, value);
    f.settings().SaveSetting("Pelorin_ActiveX", "Settings", "Recording", "/home/op/logg.txt");
    PelorinControl& c =
        f.Start(Bag({{"PCTWidth", "800"}, {"PCTHeight", "600"}, {"FontName", "Arial"}, {"FontSize", "9"}}));
    EXPECT_EQ(PictureArea(c), QSize(1280, 1024));
    EXPECT_EQ(std::tuple(c.m_FontSize, c.m_FontBold, c.m_FontName), std::tuple(11.0f, 0, "Arial"))
        << "an empty stored name keeps the host's";
    EXPECT_EQ(std::tuple(c.m_DefaultWidth, c.m_DefaultHeight, c.m_DefaultFontSize, c.m_DefaultFontBold),
              std::tuple(800, 600, 9.0f, -1));
    EXPECT_EQ(c.systemDialog().RecordingStartPath(), "/home/op/logg.txt");
}

TEST(ControlLifecycle, HostParametersAreConvertedAndNeverStopTheControl) {
    const struct {
        const char* key;
        const char* value;
        std::function<double(const PelorinControl&)> member;
        double expected;
    } cases[] = {
        {"FontBold", "2", [](const PelorinControl& c) { return c.m_FontBold; }, -1},
        {"FontSize", "1e300", [](const PelorinControl& c) { return c.m_FontSize; },
         std::numeric_limits<float>::max()},
        {"PCTWidth", "1e12", [](const PelorinControl& c) { return c.m_Width; }, INT32_MAX},
        {"PCTHeight", "-7", [](const PelorinControl& c) { return c.m_Height; }, -7},
        {"Orientation", "-1e20", [](const PelorinControl& c) { return c.m_Orientation; }, INT32_MIN},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(std::string(test.key) + "=" + test.value);
        ControlFixture f;
        PelorinControl& c = f.Start(Bag({{test.key, test.value}}));
        EXPECT_EQ(test.member(c), test.expected);
        // The picture area stays drawable whatever the host asked for.
        const QSize area = PictureArea(c);
        EXPECT_TRUE(area.width() >= 1 && area.width() <= 8192 && area.height() >= 1 && area.height() <= 8192)
            << area.width() << " x " << area.height();
    }
}

TEST(ControlLifecycle, ServerAddressSetsTheHostsAndTheServerPortButNotTheTerminalPort) {
    const struct {
        const char* address;
        const char* host;
        int32_t port;
    } cases[] = {
        {"plant.example:4000", "plant.example", 4000}, {"10.1.2.3", "10.1.2.3", 0}, {"", "127.0.0.1", 23}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.address);
        ControlFixture f;
        const int32_t sysdialPort = f.control().systemDialog().Winsock_SysDial->RemotePort;
        PelorinControl& c = f.Start(Bag({{"ServerAddress", test.address}}));
        EXPECT_EQ(c.link().Winsock_Client->RemoteHost, test.host);
        EXPECT_EQ(c.link().Winsock_Client->RemotePort, test.port);
        if (*test.address) {
            EXPECT_EQ(c.systemDialog().Winsock_SysDial->RemoteHost, test.host);
        }
        EXPECT_EQ(c.systemDialog().Winsock_SysDial->RemotePort, sysdialPort);
    }
}

class LayoutTest : public ::testing::Test {
protected:
    void SetUp() override { f.Start(); }
    PelorinControl& c() { return f.control(); }

    void Resolution(int32_t width, int32_t height) {
        c().m_Width = width;
        c().m_Height = height;
        c().UpdateSize();
    }

    ControlFixture f;
};

TEST_F(LayoutTest, EachResolutionStretchesThePictureToFillTheArea) {
    c().m_DefaultBackgroundColor = 0x00FF00;
    const struct {
        int32_t width, height;
        float xMul, yMul;
    } cases[] = {{640, 480, 1.0f, 1.0126582f},
                 {1280, 1024, 2.0f, 2.1603374f},
                 {7680, 4320, 12.0f, 9.113924f},
                 {9000, 9000, 12.8f, 17.282701f}};
    for (const auto& r : cases) {
        SCOPED_TRACE(r.width);
        Resolution(r.width, r.height);
        // Beyond today's largest screens the side is clamped, with the scale to match.
        const QSize area(std::min(r.width, 8192), std::min(r.height, 8192));
        EXPECT_FLOAT_EQ(c().m_XMul, r.xMul);
        EXPECT_FLOAT_EQ(c().m_YMul, r.yMul);
        EXPECT_EQ(RoundHalfEven(474 * static_cast<double>(c().m_YMul)), area.height())
            << "the logical corner lands on the last pixel";
        EXPECT_EQ(c().view().Picture_PCT->size(), area);
        EXPECT_EQ(c().size(), QSize(area.width(), c().view().Picture_PCT->y() + area.height()));
        // Repainted in the picture background at the new size.
        const QImage& image = c().view().Picture_PCT->Surface().Image();
        EXPECT_EQ(image.size(), area);
        EXPECT_EQ(image.pixel(area.width() - 1, area.height() - 1), qRgb(0, 255, 0));
        for (TextBox* overlay : {c().systemDialog().Text_Sysdial, c().texts().Text_Any})
            EXPECT_EQ(overlay->widget()->geometry(), c().view().Picture_PCT->geometry());
    }
    // The picture starts 50 twips below the toolbar.
    EXPECT_NEAR(c().view().Picture_PCT->y() * Screen::TwipsPerPixelY(),
                c().toolbar().Toolbar->Top() + c().toolbar().Toolbar->Height() + 50,
                Screen::TwipsPerPixelY() / 2);
}

TEST_F(LayoutTest, AutomaticFontSizeFitsTheDigitCellToTheWidth) {
    // Size 0: as large as twelve digit heights and eight digit widths fit the logical 640 width.
    const ImageSurface& picture = c().view().Picture_PCT->Surface();
    c().m_FontSize = 0;
    Resolution(1280, 480);
    ImageSurface probe(QSize(10, 10));
    probe.SetFontName("Courier New");
    probe.SetFontBold(true);
    probe.SetFontSize(100);
    EXPECT_NEAR(picture.FontSize(), std::min(probe.TextHeight("8") / 12, probe.TextWidth("8") / 8) / 2, 1e-9);
    // A width below one pixel is laid out as one: the font follows the width used, at most 1000 points.
    Resolution(0, 480);
    EXPECT_EQ(PictureArea(c()), QSize(1, 480));
    EXPECT_DOUBLE_EQ(picture.FontSize(), 1000);
}

TEST_F(LayoutTest, PanelsAreCentredAndNeverStickOutAtTheTopLeftAndShowingFocusesTheVisa) {
    Resolution(1024, 768);
    const double width = c().width() * Screen::TwipsPerPixelX();
    const double height = c().height() * Screen::TwipsPerPixelY();
    for (Frame* panel : {c().session().Frame_Login, c().settingsPanel().Frame_Settings,
                         c().setpoints().Frame_SPV, c().curveEditor().Frame_SPV_Curve}) {
        EXPECT_NEAR(panel->Left(), width / 2 - panel->Width() / 2, Screen::TwipsPerPixelX());
        EXPECT_NEAR(panel->Top(), height / 2 - panel->Height() / 2, Screen::TwipsPerPixelY());
    }
    Resolution(200, 100);
    EXPECT_EQ(std::tuple(c().curveEditor().Frame_SPV_Curve->Left(), c().curveEditor().Frame_SPV_Curve->Top()),
              std::tuple(0, 0));

    c().session().Command_Login->SetFocus();
    c().hide();
    c().show();
    ASSERT_TRUE(waitFor([this] { return c().session().Text_UserVisa->widget()->hasFocus(); }));
}

} // namespace
} // namespace pelorin::test
