#include "platform/ImageSurface.h"
#include "platform/Colour.h"

#include <cmath>
#include <gtest/gtest.h>
#include <numbers>
#include <optional>
#include <set>
#include <vector>

using namespace pelorin;

namespace {

constexpr double pi = std::numbers::pi;
constexpr Colour white = 0xFFFFFF, black = 0, red = 0x0000FF, green = 0x00FF00, yellow = 0x00FFFF;

ImageSurface WhiteSurface(int width, int height) {
    ImageSurface surface(QSize(width, height), 96);
    surface.SetBackColor(white);
    surface.Cls();
    return surface;
}

Colour At(const ImageSurface& surface, int x, int y) {
    return RgbToColour(surface.Image().pixel(x, y));
}

int CountOf(const ImageSurface& surface, Colour colour) {
    int count = 0;
    for (int y = 0; y < surface.Image().height(); ++y)
        for (int x = 0; x < surface.Image().width(); ++x)
            count += At(surface, x, y) == colour ? 1 : 0;
    return count;
}

// The smallest rectangle holding every pixel that is not white.
QRect InkBounds(const ImageSurface& surface) {
    QRect bounds;
    for (int y = 0; y < surface.Image().height(); ++y)
        for (int x = 0; x < surface.Image().width(); ++x)
            if (At(surface, x, y) != white)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// Fractional ends go to the nearest pixel, halves to even; the current point is the exact end.
TEST(ImageSurfaceLine, PlainLineLeavesOutItsLastPixelOnlyAndEndsThere) {
    const struct {
        double x1, y1, x2, y2;
        QPoint first, step;
        int drawn;
    } cases[] = {
        {2, 5, 9, 5, {2, 5}, {1, 0}, 7},     {4, 8, 4, 1, {4, 8}, {0, -1}, 7},
        {1, 8, 8, 1, {1, 8}, {1, -1}, 7},    {2.4, 5.4, 8.5, 4.6, {2, 5}, {1, 0}, 6},
        {5, 5, 5.2, 4.9, {5, 5}, {0, 0}, 0},
    };
    for (const auto& c : cases) {
        ImageSurface surface = WhiteSurface(16, 16);
        surface.Line(c.x1, c.y1, c.x2, c.y2, black);
        for (int i = 0; i < c.drawn; ++i)
            EXPECT_EQ(At(surface, c.first.x() + i * c.step.x(), c.first.y() + i * c.step.y()), black) << i;
        EXPECT_EQ(CountOf(surface, black), c.drawn) << c.x2;
        EXPECT_EQ(std::pair(surface.CurrentX(), surface.CurrentY()), std::pair(c.x2, c.y2));
    }
}

// Both corners are included whichever way round they come; an outline takes the fill style.
TEST(ImageSurfaceLine, BoxesIncludeBothCornersTakeTheFillStyleAndXorTwiceRestores) {
    for (const QRect& corners : {QRect(QPoint(2, 2), QPoint(8, 6)), QRect(QPoint(8, 6), QPoint(2, 2))}) {
        ImageSurface surface = WhiteSurface(12, 10);
        surface.Line(corners.left(), corners.top(), corners.right(), corners.bottom(), black, LineKind::Box);
        EXPECT_EQ(std::pair(CountOf(surface, black), At(surface, 8, 6)), std::pair(2 * 7 + 2 * 3, black));
        surface.Line(corners.left(), corners.top(), corners.right(), corners.bottom(), red,
                     LineKind::FilledBox);
        EXPECT_EQ(CountOf(surface, red), 7 * 5);
        EXPECT_EQ(InkBounds(surface), QRect(QPoint(2, 2), QPoint(8, 6)));
    }
    ImageSurface surface = WhiteSurface(40, 12);
    surface.Line(2, 4, 8, 4, black, LineKind::Box);
    EXPECT_EQ(CountOf(surface, black), 7) << "a flat box is a line with both ends";
    surface.SetFillStyle(FS_SOLID);
    surface.SetFillColor(green);
    surface.Line(2, 2, 8, 6, black, LineKind::Box);
    EXPECT_EQ(std::pair(At(surface, 5, 5), At(surface, 2, 2)), std::pair(green, black));

    const QImage before = surface.Image().copy();
    surface.SetDrawMode(DM_XOR_PEN);
    const auto drawFigures = [&] {
        surface.Line(0, 9, 39, 9, yellow);
        surface.Line(3, 3, 7, 5, yellow, LineKind::FilledBox);
    };
    drawFigures();
    EXPECT_EQ(std::pair(At(surface, 10, 9), At(surface, 5, 4)), std::pair(white ^ yellow, green ^ yellow));
    EXPECT_EQ(qAlpha(reinterpret_cast<const QRgb*>(surface.Image().constScanLine(9))[10]), 255);
    drawFigures();
    EXPECT_EQ(surface.Image(), before) << "XOR twice restores the image";
}

// Both angles negative draw a filled pie slice, others an open arc, with a radius only at a negative end.
TEST(ImageSurfaceCircle, ArcsAndPieSlices) {
    const struct {
        double start, end;
        std::vector<QPoint> ink, paper;
        bool filled;
    } cases[] = {
        {-0.001, -pi / 2, {{25, 20}, {20, 15}, {27, 13}}, {{20, 30}, {16, 24}}, true},
        {pi / 2, -pi, {{15, 20}, {13, 13}}, {{20, 15}}, false},
    };
    for (const auto& c : cases) {
        ImageSurface surface = WhiteSurface(41, 41);
        surface.SetFillStyle(FS_SOLID);
        surface.SetFillColor(red);
        surface.Circle(20, 20, 10, black, c.start, c.end);
        for (const QPoint& p : c.ink)
            EXPECT_EQ(At(surface, p.x(), p.y()), black) << c.end << " at " << p.x() << "," << p.y();
        for (const QPoint& p : c.paper)
            EXPECT_EQ(At(surface, p.x(), p.y()), white) << c.end << " at " << p.x() << "," << p.y();
        EXPECT_EQ(CountOf(surface, red) > 0, c.filled) << c.end;
    }
}

// Angles are polar: a pie from 0 to 45 degrees on a flat ellipse covers the 40 degree ray, not the 50 one.
TEST(ImageSurfaceCircle, PieAnglesOnAnEllipseAreMeasuredAsPolarAngles) {
    for (const double aspect : {0.5, 2.0}) {
        const double rx = aspect < 1 ? 100 : 50, ry = aspect < 1 ? 50 : 100;
        ImageSurface surface = WhiteSurface(240, 160);
        surface.SetFillStyle(FS_SOLID);
        surface.SetFillColor(red);
        surface.Circle(120, 80, 100, black, -0.001, -pi / 4, aspect);
        for (const auto& [degrees, expected] : {std::pair(40.0, red), {50.0, white}}) {
            const double a = degrees * pi / 180;
            const double r = 0.8 / std::hypot(std::cos(a) / rx, std::sin(a) / ry);
            EXPECT_EQ(At(surface, qRound(120 + r * std::cos(a)), qRound(80 - r * std::sin(a))), expected)
                << aspect << " at " << degrees;
        }
    }
}

// The fill stops at the border colour, not through a diagonal; starting outside or on the border does
// nothing. A serpentine corridor, each row reached only through the ones before it, is filled to its end.
TEST(ImageSurfaceFloodFill, FillsUpToTheBorderColourWithoutLeakingThroughDiagonals) {
    ImageSurface surface = WhiteSurface(20, 20);
    surface.Line(2, 2, 12, 12, black, LineKind::Box);
    surface.Line(2, 2, 12, 12, black);
    surface.Line(8, 4, 11, 4, green);
    surface.SetFillStyle(FS_SOLID);
    surface.SetFillColor(red);
    surface.FloodFill(9, 5, black);
    EXPECT_EQ(CountOf(surface, red), (9 * 9 - 9) / 2);
    EXPECT_EQ(std::tuple(At(surface, 8, 4), At(surface, 5, 9), At(surface, 13, 13)),
              std::tuple(red, white, white));
    const QImage before = surface.Image().copy();
    for (const QPoint& start : {QPoint(-1, 5), QPoint(20, 5), QPoint(5, -3), QPoint(5, 20), QPoint(2, 5)})
        surface.FloodFill(start.x(), start.y(), black);
    surface.SetFillStyle(FS_TRANSPARENT);
    surface.FloodFill(5, 9, black);
    EXPECT_EQ(surface.Image(), before);

    const int size = 400;
    ImageSurface corridor = WhiteSurface(size, size);
    for (int y = 1; y < size - 1; y += 2) {
        const bool gapRight = (y / 2) % 2 == 0;
        corridor.Line(gapRight ? 0 : 1, y, gapRight ? size - 1 : size, y, black);
    }
    corridor.SetFillStyle(FS_SOLID);
    corridor.SetFillColor(red);
    corridor.FloodFill(0, 0, black);
    EXPECT_EQ(CountOf(corridor, white), 0);
}

// "Courier New" is monospaced; text is placed by its top left, in plain fore colour (no XOR), without
// antialiasing or background, and a line end starts a new line at the left edge.
TEST(SurfaceText, MeasuresAndPrintsLinesFromTheCurrentPoint) {
    ImageSurface surface = WhiteSurface(200, 80);
    surface.SetFontName("Courier New");
    surface.SetFontSize(8.5);
    surface.SetFontBold(true);
    const double digit = surface.TextWidth("8");
    EXPECT_GT(digit, 0);
    EXPECT_EQ(std::tuple(surface.TextWidth("M"), surface.TextWidth("i"), surface.TextWidth("88888")),
              std::tuple(digit, digit, 5 * digit));
    const double line = surface.TextHeight("8");
    EXPECT_EQ(std::tuple(surface.TextHeight("ab\r\ncd"), surface.TextHeight("a\rb\nc"),
                         surface.TextWidth("a\r\nabc")),
              std::tuple(2 * line, 3 * line, surface.TextWidth("abc")));

    surface.SetForeColor(red);
    surface.SetDrawMode(DM_XOR_PEN);
    surface.SetCurrentX(10);
    surface.SetCurrentY(20);
    const std::string text = "\xC4gT|8"; // Ä reaches highest, g and | lowest
    surface.Print(text);
    const QRect ink = InkBounds(surface);
    EXPECT_GE(ink.top(), 20);
    EXPECT_LE(ink.top(), 22) << "the capital's accent starts near the top";
    EXPECT_GE(ink.left(), 10);
    EXPECT_LT(ink.bottom(), 20 + line);
    EXPECT_LE(ink.right(), 10 + surface.TextWidth(text));
    EXPECT_EQ(CountOf(surface, red) + CountOf(surface, white), 200 * 80);
    EXPECT_EQ(std::pair(surface.CurrentX(), surface.CurrentY()),
              std::pair(10 + surface.TextWidth(text), 20.0));

    surface.Print("\r\n");
    EXPECT_EQ(std::pair(surface.CurrentX(), surface.CurrentY()), std::pair(0.0, 20 + line));
}

} // namespace

// At a device pixel ratio of 2 (a high-resolution screen) every unit is two by two device pixels: a
// one-unit line is two pixels wide, in its own colour only, flood fill and single pixels fill whole units.
TEST(ImageSurfaceAtRatioTwo, DrawsEachUnitAsTwoByTwoSharpDevicePixels) {
    ImageSurface surface(QSize(40, 30), 96, 2);
    surface.SetBackColor(white);
    surface.Cls();
    surface.Line(2, 5, 30, 5, black);
    surface.Line(2, 10, 30, 25, red);
    surface.Line(5, 12, 15, 20, green, LineKind::Box);
    surface.SetFillStyle(FS_SOLID);
    surface.SetFillColor(yellow);
    surface.FloodFill(10, 16, green);
    surface.SetPixel(35, 2, red);
    ASSERT_EQ(surface.Image().size(), QSize(80, 60));
    EXPECT_EQ(std::pair(surface.ScaleWidth(), surface.ScaleHeight()), std::pair(40.0, 30.0));

    for (int x = 0; x < 80; ++x) {
        const bool inLine = x >= 4 && x < 60; // the last unit is left out
        for (int y : {9, 10, 11, 12})
            EXPECT_EQ(At(surface, x, y), inLine && (y == 10 || y == 11) ? black : white) << x << "," << y;
    }
    // Along the slanted line (which crosses the box) only the colours drawn: nothing blended in between.
    const std::set<Colour> palette = {white, black, red, green, yellow};
    int inked = 0;
    for (int step = 0; step <= 200; ++step) {
        const int x = 5 + (60 - 5) * step / 200, y = 21 + (50 - 21) * step / 200;
        const Colour c = At(surface, x, y);
        EXPECT_TRUE(palette.contains(c)) << x << "," << y;
        inked += c == red ? 1 : 0;
    }
    EXPECT_GT(inked, 100);
    EXPECT_EQ(std::tuple(At(surface, 10, 30), At(surface, 11, 30), At(surface, 12, 30), At(surface, 31, 41)),
              std::tuple(green, green, yellow, green));
    for (int y = 26; y < 40; ++y)
        for (int x = 12; x < 30; ++x)
            ASSERT_EQ(At(surface, x, y), yellow) << x << "," << y;
    EXPECT_EQ(std::tuple(At(surface, 70, 4), At(surface, 71, 5), At(surface, 72, 4)),
              std::tuple(red, red, white));
}
