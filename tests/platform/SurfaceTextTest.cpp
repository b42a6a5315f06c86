#include "SurfaceTestSupport.h"

#include <QFontInfo>
#include <gtest/gtest.h>

using namespace pelorin;
using namespace pelorin::test;

namespace {

ImageSurface CourierSurface() {
    ImageSurface surface = WhiteSurface(200, 80);
    surface.SetFontName("Courier New");
    surface.SetFontSize(8.5);
    surface.SetFontBold(true);
    return surface;
}

TEST(SurfaceText, CourierNewIsAMonospacedFontWithPositiveMetrics) {
    const ImageSurface surface = CourierSurface();
    EXPECT_EQ(QFontInfo(surface.Font()).family(), QStringLiteral("Liberation Mono"));
    const double digit = surface.TextWidth("8");
    EXPECT_GT(digit, 0);
    EXPECT_DOUBLE_EQ(surface.TextWidth("M"), digit);
    EXPECT_DOUBLE_EQ(surface.TextWidth("i"), digit);
    EXPECT_DOUBLE_EQ(surface.TextWidth("88888"), 5 * digit);
    EXPECT_GT(surface.TextHeight("8"), digit);
    EXPECT_EQ(surface.FontName(), "Courier New");
    EXPECT_DOUBLE_EQ(surface.FontSize(), 8.5);
    EXPECT_TRUE(surface.FontBold());
}

TEST(SurfaceText, LinesAddHeightAndTheWidestLineIsTheWidth) {
    const ImageSurface surface = CourierSurface();
    EXPECT_DOUBLE_EQ(surface.TextHeight("ab\r\ncd"), 2 * surface.TextHeight("ab"));
    EXPECT_DOUBLE_EQ(surface.TextHeight("a\rb\nc"), 3 * surface.TextHeight("a"));
    EXPECT_DOUBLE_EQ(surface.TextWidth("a\r\nabc"), surface.TextWidth("abc"));
}

TEST(SurfaceText, PrintPutsTheTopLeftAtTheCurrentPointInForeColor) {
    ImageSurface surface = CourierSurface();
    surface.SetForeColor(red);
    surface.SetCurrentX(10);
    surface.SetCurrentY(20);
    const std::string text = "\xC4gT|8"; // Ä reaches highest, g and | lowest
    surface.Print(text);

    const QRect ink = InkBounds(surface.Image(), white);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.top(), 20);
    EXPECT_LE(ink.top(), 22) << "the capital's accent starts near the top";
    EXPECT_GE(ink.left(), 10);
    EXPECT_LT(ink.bottom(), 20 + surface.TextHeight(text));
    EXPECT_LE(ink.right(), 10 + surface.TextWidth(text));
    EXPECT_EQ(CountOf(surface.Image(), red) + CountOf(surface.Image(), white), 200 * 80)
        << "glyphs are drawn without antialiasing and without a background";
    EXPECT_DOUBLE_EQ(surface.CurrentX(), 10 + surface.TextWidth(text));
    EXPECT_DOUBLE_EQ(surface.CurrentY(), 20);
}

TEST(SurfaceText, PrintWithLineEndsMovesToTheStartOfTheNextLine) {
    ImageSurface surface = CourierSurface();
    const double line = surface.TextHeight("8");
    surface.SetCurrentX(30);
    surface.SetCurrentY(5);
    surface.Print("ab\r\n");
    EXPECT_DOUBLE_EQ(surface.CurrentX(), 0);
    EXPECT_DOUBLE_EQ(surface.CurrentY(), 5 + line);

    surface.Print("one\ntwo");
    EXPECT_DOUBLE_EQ(surface.CurrentX(), surface.TextWidth("two"));
    EXPECT_DOUBLE_EQ(surface.CurrentY(), 5 + 2 * line);
    const QRect ink = InkBounds(surface.Image(), white);
    EXPECT_LT(ink.left(), 30) << "the second line starts at the left edge";
    EXPECT_GE(ink.bottom(), 5 + 2 * line);
}

TEST(SurfaceText, TextIgnoresTheXorDrawMode) {
    ImageSurface surface = CourierSurface();
    surface.SetDrawMode(DM_XOR_PEN);
    surface.SetForeColor(blue);
    surface.Print("88");
    EXPECT_GT(CountOf(surface.Image(), blue), 0);
}

} // namespace
