#include "SurfaceTestSupport.h"
#include "platform/Screen.h"

#include <QFontInfo>
#include <algorithm>
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

TEST(SurfaceText, CourierNewIsMonospacedAndLinesAddUp) {
    const ImageSurface surface = CourierSurface();
    EXPECT_EQ(QFontInfo(surface.Font()).family(), QStringLiteral("Liberation Mono"));
    const std::vector<std::string> fonts = Screen::Fonts();
    EXPECT_NE(std::find(fonts.begin(), fonts.end(), "Liberation Mono"), fonts.end());

    const double digit = surface.TextWidth("8");
    EXPECT_GT(digit, 0);
    EXPECT_EQ(std::tuple(surface.TextWidth("M"), surface.TextWidth("i"), surface.TextWidth("88888")),
              std::tuple(digit, digit, 5 * digit));
    EXPECT_EQ(
        std::tuple(surface.TextHeight("ab\r\ncd"), surface.TextHeight("a\rb\nc"),
                   surface.TextWidth("a\r\nabc")),
        std::tuple(2 * surface.TextHeight("ab"), 3 * surface.TextHeight("a"), surface.TextWidth("abc")));
}

TEST(SurfaceText, PrintPutsTheTopLeftAtTheCurrentPointInForeColorAndLineEndsStartANewLine) {
    ImageSurface surface = CourierSurface();
    surface.SetForeColor(red);
    surface.SetDrawMode(DM_XOR_PEN);
    surface.SetCurrentX(10);
    surface.SetCurrentY(20);
    const std::string text = "\xC4gT|8"; // Ä reaches highest, g and | lowest
    surface.Print(text);

    QRect ink = InkBounds(surface.Image(), white);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_GE(ink.top(), 20);
    EXPECT_LE(ink.top(), 22) << "the capital's accent starts near the top";
    EXPECT_GE(ink.left(), 10);
    EXPECT_LT(ink.bottom(), 20 + surface.TextHeight(text));
    EXPECT_LE(ink.right(), 10 + surface.TextWidth(text));
    EXPECT_EQ(CountOf(surface.Image(), red) + CountOf(surface.Image(), white), 200 * 80)
        << "glyphs are drawn in plain fore colour (no XOR), without antialiasing and without a background";
    EXPECT_EQ(std::pair(surface.CurrentX(), surface.CurrentY()),
              std::pair(10 + surface.TextWidth(text), 20.0));

    const double line = surface.TextHeight("8");
    surface.Print("\r\n");
    EXPECT_EQ(std::pair(surface.CurrentX(), surface.CurrentY()), std::pair(0.0, 20 + line));
    surface.Print("one\ntwo");
    EXPECT_EQ(std::pair(surface.CurrentX(), surface.CurrentY()),
              std::pair(surface.TextWidth("two"), 20 + 2 * line));
    ink = InkBounds(surface.Image(), white);
    EXPECT_LT(ink.left(), 10) << "the next lines start at the left edge";
    EXPECT_GE(ink.bottom(), 20 + 2 * line);
}

} // namespace
