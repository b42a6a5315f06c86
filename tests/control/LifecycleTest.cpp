// What the host's parameters and the stored settings make of a new control, and how its picture and
// panels are laid out for a size.

#include "common/TestSupport.h"
#include "control/ControlFixture.h"

#include "platform/ImageSurface.h"
#include "platform/PictureBox.h"
#include "platform/Screen.h"
#include "platform/Winsock.h"

#include <gtest/gtest.h>

namespace pelorin::test {
namespace {

QSize PictureArea(PelorinControl& c) {
    return c.view().Picture_PCT->Surface().Image().size();
}

TEST(ControlLifecycle, WithoutHostParametersKeepsTheStartUpValuesAndIgnoresStoredOnes) {
    ControlFixture f;
    f.settings().SaveSetting("Pelorin_Client", "Picture", "Resolution", "640 x 480");
    PelorinControl& c = f.Start();
    EXPECT_EQ(c.m_Width, 1024);
    EXPECT_EQ(c.m_Height, 800);
    EXPECT_EQ(PictureArea(c), QSize(1024, 800));
    EXPECT_EQ(c.m_PrinterFontBold, 0);
    EXPECT_EQ(c.m_FontBold, -1);
    EXPECT_EQ(c.m_DefaultWidth, 0) << "the host's values were never read";
    EXPECT_EQ(c.m_ViewState, VS_LOGIN);
}

TEST(ControlLifecycle, ServerAddressSetsTheHostsAndTheServerPort) {
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
        EXPECT_EQ(c.systemDialog().Winsock_SysDial->RemotePort, sysdialPort)
            << "the login reply sets that port";
    }
}

// The conversions and the order of host and stored values are the settings panel's (SettingsPanelTest);
// here the control reads both at start-up and lays the picture out for the result.
TEST(ControlLifecycle, StoredSettingsOverrideTheHostsParametersAtStartUp) {
    ControlFixture f;
    f.settings().SaveSetting("Pelorin_Client", "Picture", "Resolution", "1280 x 1024");
    f.settings().SaveSetting("Pelorin_Client", "Picture", "FontSize", "11");
    f.settings().SaveSetting("Pelorin_ActiveX", "Settings", "Recording", "/home/op/logg.txt");
    PelorinControl& c = f.Start(Bag({{"PCTWidth", "800"}, {"PCTHeight", "600"}, {"FontSize", "9"}}));
    EXPECT_EQ(PictureArea(c), QSize(1280, 1024));
    EXPECT_FLOAT_EQ(c.m_FontSize, 11);
    EXPECT_EQ(std::pair(c.m_DefaultWidth, c.m_PrinterFontBold), std::pair(800, int16_t{-1}));
    EXPECT_EQ(c.systemDialog().RecordingStartPath(), "/home/op/logg.txt");
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
                 {800, 600, 1.25f, 1.2658228f},
                 {1024, 768, 1.6f, 1.6202532f},
                 {1280, 1024, 2.0f, 2.1603374f}};
    for (const auto& r : cases) {
        SCOPED_TRACE(r.width);
        Resolution(r.width, r.height);
        EXPECT_FLOAT_EQ(c().m_XMul, r.xMul);
        EXPECT_FLOAT_EQ(c().m_YMul, r.yMul);
        EXPECT_EQ(RoundHalfEven(474 * static_cast<double>(c().m_YMul)), r.height)
            << "the logical corner lands on the last pixel";
        EXPECT_EQ(c().view().Picture_PCT->size(), QSize(r.width, r.height));
        EXPECT_EQ(c().width(), r.width);
        EXPECT_EQ(c().height(), c().view().Picture_PCT->y() + r.height);
        // Repainted in the picture background at the new size.
        const QImage& image = c().view().Picture_PCT->Surface().Image();
        EXPECT_EQ(image.size(), QSize(r.width, r.height));
        EXPECT_EQ(image.pixel(r.width - 1, r.height - 1), qRgb(0, 255, 0));
        for (TextBox* overlay : {c().systemDialog().Text_Sysdial, c().texts().Text_Any})
            EXPECT_EQ(overlay->widget()->geometry(), c().view().Picture_PCT->geometry());
    }
    // Today's largest screens are served; beyond them the side is clamped, with font and scale to match.
    Resolution(7680, 4320);
    EXPECT_EQ(PictureArea(c()), QSize(7680, 4320));
    EXPECT_FLOAT_EQ(c().m_XMul, 12.0f);
    Resolution(9000, 9000);
    EXPECT_EQ(PictureArea(c()), QSize(8192, 8192));
    EXPECT_FLOAT_EQ(c().m_XMul, 12.8f);
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

TEST_F(LayoutTest, EveryShowReturnsTheFocusToTheUserVisa) {
    c().session().Command_Login->SetFocus();
    c().hide();
    c().show();
    ASSERT_TRUE(waitFor([this] { return c().session().Text_UserVisa->widget()->hasFocus(); }));
}

TEST_F(LayoutTest, PanelsAreCentredAndNeverStickOutAtTheTopLeft) {
    Resolution(1024, 768);
    const double width = c().width() * Screen::TwipsPerPixelX();
    const double height = c().height() * Screen::TwipsPerPixelY();
    for (Frame* panel : {c().session().Frame_Login, c().settingsPanel().Frame_Settings,
                         c().setpoints().Frame_SPV, c().curveEditor().Frame_SPV_Curve}) {
        EXPECT_NEAR(panel->Left(), width / 2 - panel->Width() / 2, Screen::TwipsPerPixelX());
        EXPECT_NEAR(panel->Top(), height / 2 - panel->Height() / 2, Screen::TwipsPerPixelY());
    }
    // A picture area lower than the curve panel: that panel keeps to the top edge.
    Resolution(640, 100);
    EXPECT_GT(c().curveEditor().Frame_SPV_Curve->Height(), c().height() * Screen::TwipsPerPixelY());
    EXPECT_EQ(c().curveEditor().Frame_SPV_Curve->Top(), 0);
    EXPECT_GE(c().curveEditor().Frame_SPV_Curve->Left(), 0);
    Resolution(200, 100);
    EXPECT_EQ(c().curveEditor().Frame_SPV_Curve->Left(), 0);
}

} // namespace
} // namespace pelorin::test
