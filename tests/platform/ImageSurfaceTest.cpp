#include "SurfaceTestSupport.h"

#include <gtest/gtest.h>
#include <numbers>
#include <vector>

using namespace pelorin;
using namespace pelorin::test;

namespace {

constexpr double pi = std::numbers::pi;

struct PlainLineCase {
    const char* name;
    double x1, y1, x2, y2;
    std::vector<QPoint> drawn;
    QPoint leftOut;
};

class PlainLine : public ::testing::TestWithParam<PlainLineCase> {};

TEST_P(PlainLine, LeavesOutItsLastPixelOnly) {
    const PlainLineCase& c = GetParam();
    ImageSurface surface = WhiteSurface(16, 16);
    surface.Line(c.x1, c.y1, c.x2, c.y2, black);
    for (const QPoint& p : c.drawn)
        EXPECT_EQ(At(surface, p.x(), p.y()), black) << p.x() << "," << p.y();
    EXPECT_EQ(At(surface, c.leftOut.x(), c.leftOut.y()), white);
    EXPECT_EQ(CountOf(surface.Image(), black), static_cast<int>(c.drawn.size()));
}

std::vector<QPoint> Run(QPoint from, QPoint step, int count) {
    std::vector<QPoint> points;
    for (int i = 0; i < count; ++i)
        points.push_back(from + step * i);
    return points;
}

INSTANTIATE_TEST_SUITE_P(
    Directions, PlainLine,
    ::testing::Values(PlainLineCase{"right", 2, 5, 9, 5, Run({2, 5}, {1, 0}, 7), {9, 5}},
                      PlainLineCase{"left", 9, 5, 2, 5, Run({9, 5}, {-1, 0}, 7), {2, 5}},
                      PlainLineCase{"down", 4, 1, 4, 8, Run({4, 1}, {0, 1}, 7), {4, 8}},
                      PlainLineCase{"up", 4, 8, 4, 1, Run({4, 8}, {0, -1}, 7), {4, 1}},
                      PlainLineCase{"diagonal", 1, 1, 8, 8, Run({1, 1}, {1, 1}, 7), {8, 8}},
                      PlainLineCase{"diagonalBack", 8, 8, 1, 1, Run({8, 8}, {-1, -1}, 7), {1, 1}},
                      PlainLineCase{"antiDiagonal", 1, 8, 8, 1, Run({1, 8}, {1, -1}, 7), {8, 1}},
                      // fractional ends go to the nearest pixel, halves to even
                      PlainLineCase{"fractional", 2.4, 5.4, 8.5, 4.6, Run({2, 5}, {1, 0}, 6), {8, 5}},
                      PlainLineCase{"zeroLength", 5, 5, 5.2, 4.9, {}, {5, 5}}),
    [](const auto& info) { return info.param.name; });

TEST(ImageSurfaceLine, PlainLineMovesCurrentPointToItsEnd) {
    ImageSurface surface = WhiteSurface(16, 16);
    surface.Line(1, 2, 7.5, 9, black);
    EXPECT_DOUBLE_EQ(surface.CurrentX(), 7.5);
    EXPECT_DOUBLE_EQ(surface.CurrentY(), 9);
}

TEST(ImageSurfaceLine, BoxOutlineAndFilledBoxIncludeBothCorners) {
    for (const QRect& corners : {QRect(QPoint(2, 2), QPoint(8, 6)), QRect(QPoint(8, 6), QPoint(2, 2))}) {
        ImageSurface outline = WhiteSurface(12, 10);
        outline.Line(corners.left(), corners.top(), corners.right(), corners.bottom(), black, LineKind::Box);
        for (const QPoint& corner : {QPoint(2, 2), QPoint(8, 2), QPoint(2, 6), QPoint(8, 6)})
            EXPECT_EQ(At(outline, corner.x(), corner.y()), black);
        EXPECT_EQ(At(outline, 5, 4), white);
        EXPECT_EQ(CountOf(outline.Image(), black), 2 * 7 + 2 * 3);

        ImageSurface filled = WhiteSurface(12, 10);
        filled.Line(corners.left(), corners.top(), corners.right(), corners.bottom(), red,
                    LineKind::FilledBox);
        EXPECT_EQ(CountOf(filled.Image(), red), 7 * 5);
        EXPECT_EQ(InkBounds(filled.Image(), white), QRect(QPoint(2, 2), QPoint(8, 6)));
    }
}

TEST(ImageSurfaceLine, FlatBoxIsALineWithBothEnds) {
    ImageSurface surface = WhiteSurface(12, 10);
    surface.Line(2, 4, 8, 4, black, LineKind::Box);
    EXPECT_EQ(CountOf(surface.Image(), black), 7);
}

TEST(ImageSurfaceLine, BoxOutlineIsFilledBySolidFillStyle) {
    ImageSurface surface = WhiteSurface(12, 10);
    surface.SetFillStyle(FS_SOLID);
    surface.SetFillColor(green);
    surface.Line(2, 2, 8, 6, black, LineKind::Box);
    EXPECT_EQ(At(surface, 5, 4), green);
    EXPECT_EQ(At(surface, 2, 2), black);
}

TEST(ImageSurfaceLine, DottedLineHasGapsAndWideLineIsThick) {
    ImageSurface surface = WhiteSurface(40, 12);
    surface.SetDrawStyle(DS_DOT);
    surface.Line(0, 2, 36, 2, black);
    int gaps = 0;
    for (int x = 1; x < 35; ++x)
        gaps += At(surface, x, 2) == white && At(surface, x - 1, 2) == black ? 1 : 0;
    EXPECT_GE(gaps, 4);

    surface.SetDrawStyle(DS_SOLID);
    surface.SetDrawWidth(3);
    surface.Line(2, 8, 30, 8, black);
    for (int y = 7; y <= 9; ++y)
        EXPECT_EQ(At(surface, 15, y), black) << y;
    EXPECT_EQ(At(surface, 15, 5), white);
}

TEST(ImageSurfaceXor, DrawingTwiceRestoresTheImage) {
    ImageSurface surface = WhiteSurface(30, 30);
    surface.Line(0, 0, 29, 29, red, LineKind::FilledBox);
    surface.Line(5, 5, 20, 12, green, LineKind::Box);
    const QImage before = surface.Image().copy();

    surface.SetDrawMode(DM_XOR_PEN);
    auto drawFigures = [&] {
        surface.Line(0, 15, 29, 15, yellow);
        surface.Line(3, 3, 9, 9, yellow, LineKind::FilledBox);
    };
    drawFigures();
    EXPECT_EQ(At(surface, 10, 15), red ^ yellow);
    EXPECT_EQ(At(surface, 5, 5), green ^ yellow);
    const QRgb raw = reinterpret_cast<const QRgb*>(surface.Image().constScanLine(15))[10];
    EXPECT_EQ(qAlpha(raw), 255) << "an RGB32 image keeps its alpha byte";
    drawFigures();
    EXPECT_EQ(surface.Image(), before);
}

TEST(ImageSurfaceCircle, FullEllipseHasNoRadiusLines) {
    ImageSurface surface = WhiteSurface(41, 41);
    surface.Circle(20, 20, 10, black);
    for (const QPoint& extreme : {QPoint(30, 20), QPoint(10, 20), QPoint(20, 10), QPoint(20, 30)})
        EXPECT_EQ(At(surface, extreme.x(), extreme.y()), black) << extreme.x() << "," << extreme.y();
    EXPECT_EQ(At(surface, 25, 20), white);
    EXPECT_EQ(At(surface, 20, 20), white);
    EXPECT_DOUBLE_EQ(surface.CurrentX(), 20);
}

TEST(ImageSurfaceCircle, NegativeAnglesDrawAPieSliceFilledByFillStyle) {
    ImageSurface surface = WhiteSurface(41, 41);
    surface.SetFillStyle(FS_SOLID);
    surface.SetFillColor(red);
    surface.Circle(20, 20, 10, black, -0.001, -pi / 2);
    EXPECT_EQ(At(surface, 25, 20), black) << "radius along +x";
    EXPECT_EQ(At(surface, 20, 15), black) << "radius upwards";
    EXPECT_EQ(At(surface, 27, 13), black) << "arc at 45 degrees";
    EXPECT_EQ(At(surface, 24, 16), red) << "inside the slice";
    EXPECT_EQ(At(surface, 20, 30), white) << "no arc below";
    EXPECT_EQ(At(surface, 16, 24), white);
}

TEST(ImageSurfaceCircle, PositiveAnglesDrawAnOpenArc) {
    ImageSurface surface = WhiteSurface(41, 41);
    surface.SetFillStyle(FS_SOLID);
    surface.SetFillColor(red);
    surface.Circle(20, 20, 10, black, 0.001, pi / 2);
    EXPECT_EQ(At(surface, 27, 13), black);
    EXPECT_EQ(At(surface, 25, 20), white);
    EXPECT_EQ(At(surface, 20, 15), white);
    EXPECT_EQ(CountOf(surface.Image(), red), 0);
}

TEST(ImageSurfaceCircle, OneNegativeAngleDrawsOneRadius) {
    ImageSurface surface = WhiteSurface(41, 41);
    surface.Circle(20, 20, 10, black, pi / 2, -pi);
    EXPECT_EQ(At(surface, 15, 20), black) << "radius to the end at 180 degrees";
    EXPECT_EQ(At(surface, 20, 15), white) << "no radius at the start";
    EXPECT_EQ(At(surface, 13, 13), black) << "arc at 135 degrees";
}

TEST(ImageSurfaceCircle, AspectChoosesWhichHalfAxisIsTheRadius) {
    ImageSurface tall = WhiteSurface(41, 41);
    tall.Circle(20, 20, 10, black, std::nullopt, std::nullopt, 2);
    EXPECT_EQ(At(tall, 20, 10), black);
    EXPECT_EQ(At(tall, 25, 20), black);
    EXPECT_EQ(InkBounds(tall.Image(), white), QRect(QPoint(15, 10), QPoint(25, 30)));

    ImageSurface wide = WhiteSurface(41, 41);
    wide.Circle(20, 20, 10, black, std::nullopt, std::nullopt, 0.5);
    EXPECT_EQ(InkBounds(wide.Image(), white), QRect(QPoint(10, 15), QPoint(30, 25)));
}

TEST(ImageSurfaceFloodFill, FillsTheEnclosedRegionUpToTheBorderColour) {
    ImageSurface surface = WhiteSurface(30, 30);
    surface.Line(2, 2, 12, 12, black, LineKind::Box);
    surface.Line(4, 7, 11, 7, blue); // another colour inside is filled over
    surface.SetFillStyle(FS_SOLID);
    surface.SetFillColor(red);
    surface.FloodFill(6, 5, black);
    EXPECT_EQ(CountOf(surface.Image(), red), 9 * 9);
    EXPECT_EQ(At(surface, 2, 2), black);
    EXPECT_EQ(At(surface, 13, 13), white);
    EXPECT_EQ(At(surface, 20, 20), white);
}

TEST(ImageSurfaceFloodFill, DiagonalBorderDoesNotLeak) {
    ImageSurface surface = WhiteSurface(20, 20);
    surface.Line(2, 2, 14, 2, black);
    surface.Line(14, 2, 14, 14, black);
    surface.Line(2, 2, 15, 15, black);
    surface.SetFillStyle(FS_SOLID);
    surface.SetFillColor(red);
    surface.FloodFill(11, 5, black);
    EXPECT_EQ(At(surface, 12, 4), red);
    EXPECT_EQ(At(surface, 4, 10), white);
    EXPECT_EQ(At(surface, 18, 18), white);
}

TEST(ImageSurfaceFloodFill, StartsOutsideOrOnTheBorderOrTransparentDoNothing) {
    ImageSurface surface = WhiteSurface(20, 20);
    surface.Line(2, 2, 12, 12, black, LineKind::Box);
    surface.SetFillStyle(FS_SOLID);
    surface.SetFillColor(red);
    const QImage before = surface.Image().copy();
    for (const QPoint& start : {QPoint(-1, 5), QPoint(20, 5), QPoint(5, -3), QPoint(5, 20), QPoint(2, 5)}) {
        surface.FloodFill(start.x(), start.y(), black);
        EXPECT_EQ(surface.Image(), before) << start.x() << "," << start.y();
    }
    surface.SetFillStyle(FS_TRANSPARENT);
    surface.FloodFill(5, 5, black);
    EXPECT_EQ(surface.Image(), before);
}

// A serpentine corridor: every row of the region is reached only through the rows before it.
TEST(ImageSurfaceFloodFill, FollowsALongSerpentineToItsEnd) {
    const int size = 400;
    ImageSurface surface = WhiteSurface(size, size);
    for (int y = 1; y < size - 1; y += 2) {
        const bool gapRight = (y / 2) % 2 == 0;
        surface.Line(gapRight ? 0 : 1, y, gapRight ? size - 1 : size, y, black);
    }
    surface.SetFillStyle(FS_SOLID);
    surface.SetFillColor(red);
    surface.FloodFill(0, 0, black);
    EXPECT_EQ(At(surface, 0, size - 2), red);
    EXPECT_EQ(At(surface, size / 2, size - 2), red);
    EXPECT_EQ(CountOf(surface.Image(), white), 0);
}

TEST(ImageSurfacePixels, SetPixelSetsOnePixelInsideTheImageOnly) {
    ImageSurface surface = WhiteSurface(10, 10);
    surface.SetPixel(3, 4, red);
    surface.SetPixel(-1, 4, red);
    surface.SetPixel(10, 10, red);
    EXPECT_EQ(At(surface, 3, 4), red);
    EXPECT_EQ(CountOf(surface.Image(), red), 1);
}

TEST(ImageSurfacePixels, ResizeKeepsTheDrawingAndClsClears) {
    ImageSurface surface = WhiteSurface(10, 10);
    surface.SetPixel(3, 4, red);
    surface.SetBackColor(green);
    surface.Resize(QSize(20, 15));
    EXPECT_EQ(surface.ScaleWidth(), 20);
    EXPECT_EQ(surface.ScaleHeight(), 15);
    EXPECT_EQ(At(surface, 3, 4), red);
    EXPECT_EQ(At(surface, 5, 5), white);
    EXPECT_EQ(At(surface, 15, 12), green);

    surface.SetCurrentX(7);
    surface.Cls();
    EXPECT_EQ(CountOf(surface.Image(), green), 20 * 15);
    EXPECT_EQ(surface.CurrentX(), 0);
}

TEST(ImageSurfacePixels, StartsInButtonFaceAndResolvesSystemColours) {
    ImageSurface surface(QSize(4, 4), 96);
    EXPECT_EQ(surface.BackColor(), SystemColourValue(15));
    EXPECT_EQ(At(surface, 1, 1), SystemColour(15));
    surface.SetPixel(0, 0, SystemColourValue(5));
    EXPECT_EQ(At(surface, 0, 0), white);
}

TEST(Colours, ConvertBetweenColourValuesAndQt) {
    EXPECT_EQ(ColourToRgb(red), qRgb(255, 0, 0));
    EXPECT_EQ(ColourToRgb(0x804020), qRgb(0x20, 0x40, 0x80));
    EXPECT_EQ(RgbToColour(qRgb(0x20, 0x40, 0x80)), 0x804020);
    EXPECT_EQ(ColourToRgb(0x010000FF), qRgb(255, 0, 0)) << "bits above blue are ignored";
    EXPECT_EQ(ColourToRgb(SystemColourValue(5)), qRgb(255, 255, 255));
    EXPECT_EQ(ColourToRgb(SystemColourValue(8)), qRgb(0, 0, 0));
    EXPECT_EQ(ColourToRgb(SystemColourValue(15)), qRgb(192, 192, 192));
    EXPECT_EQ(ColourToRgb(SystemColourValue(999)), qRgb(0, 0, 0));
}

} // namespace
