#include "SurfaceTestSupport.h"

#include <gtest/gtest.h>
#include <numbers>
#include <optional>
#include <vector>

using namespace pelorin;
using namespace pelorin::test;

namespace {

constexpr double pi = std::numbers::pi;

TEST(ImageSurfaceLine, PlainLineLeavesOutItsLastPixelOnlyAndEndsThere) {
    struct Case {
        const char* name;
        double x1, y1, x2, y2;
        QPoint first, step;
        int drawn;
        QPoint leftOut;
    };
    const Case cases[] = {
        {"right", 2, 5, 9, 5, {2, 5}, {1, 0}, 7, {9, 5}},
        {"up", 4, 8, 4, 1, {4, 8}, {0, -1}, 7, {4, 1}},
        {"diagonalBack", 8, 8, 1, 1, {8, 8}, {-1, -1}, 7, {1, 1}},
        {"antiDiagonal", 1, 8, 8, 1, {1, 8}, {1, -1}, 7, {8, 1}},
        // fractional ends go to the nearest pixel, halves to even
        {"fractional", 2.4, 5.4, 8.5, 4.6, {2, 5}, {1, 0}, 6, {8, 5}},
        {"zeroLength", 5, 5, 5.2, 4.9, {5, 5}, {0, 0}, 0, {5, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImageSurface surface = WhiteSurface(16, 16);
        surface.Line(c.x1, c.y1, c.x2, c.y2, black);
        for (int i = 0; i < c.drawn; ++i)
            EXPECT_EQ(At(surface, c.first.x() + i * c.step.x(), c.first.y() + i * c.step.y()), black) << i;
        EXPECT_EQ(At(surface, c.leftOut.x(), c.leftOut.y()), white);
        EXPECT_EQ(CountOf(surface.Image(), black), c.drawn);
        EXPECT_DOUBLE_EQ(surface.CurrentX(), c.x2);
        EXPECT_DOUBLE_EQ(surface.CurrentY(), c.y2);
    }
}

TEST(ImageSurfaceLine, BoxesIncludeBothCornersAndOutlinesTakeTheFillStyle) {
    for (const QRect& corners : {QRect(QPoint(2, 2), QPoint(8, 6)), QRect(QPoint(8, 6), QPoint(2, 2))}) {
        ImageSurface outline = WhiteSurface(12, 10);
        outline.Line(corners.left(), corners.top(), corners.right(), corners.bottom(), black, LineKind::Box);
        for (const QPoint& corner : {QPoint(2, 2), QPoint(8, 2), QPoint(2, 6), QPoint(8, 6)})
            EXPECT_EQ(At(outline, corner.x(), corner.y()), black);
        EXPECT_EQ(CountOf(outline.Image(), black), 2 * 7 + 2 * 3);

        ImageSurface filled = WhiteSurface(12, 10);
        filled.Line(corners.left(), corners.top(), corners.right(), corners.bottom(), red,
                    LineKind::FilledBox);
        EXPECT_EQ(CountOf(filled.Image(), red), 7 * 5);
        EXPECT_EQ(InkBounds(filled.Image(), white), QRect(QPoint(2, 2), QPoint(8, 6)));
    }

    ImageSurface surface = WhiteSurface(12, 10);
    surface.Line(2, 4, 8, 4, black, LineKind::Box);
    EXPECT_EQ(CountOf(surface.Image(), black), 7) << "a flat box is a line with both ends";

    surface.SetFillStyle(FS_SOLID);
    surface.SetFillColor(green);
    surface.Line(2, 2, 8, 6, black, LineKind::Box);
    EXPECT_EQ(At(surface, 5, 5), green);
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

TEST(ImageSurfaceCircle, FullEllipseHasNoRadiusLinesAndAspectPicksTheRadiusAxis) {
    const std::pair<double, QRect> cases[] = {{1, QRect(QPoint(10, 10), QPoint(30, 30))},
                                              {2, QRect(QPoint(15, 10), QPoint(25, 30))},
                                              {0.5, QRect(QPoint(10, 15), QPoint(30, 25))}};
    for (const auto& [aspect, bounds] : cases) {
        ImageSurface surface = WhiteSurface(41, 41);
        surface.Circle(20, 20, 10, black, std::nullopt, std::nullopt, aspect);
        EXPECT_EQ(InkBounds(surface.Image(), white), bounds) << aspect;
        EXPECT_EQ(At(surface, 20, 20), white) << aspect;
        EXPECT_EQ(At(surface, 20 + bounds.width() / 4, 20), white) << aspect;
        EXPECT_DOUBLE_EQ(surface.CurrentX(), 20);
    }
}

TEST(ImageSurfaceCircle, BothAnglesNegativeDrawAFilledPieSliceOthersAnOpenArc) {
    struct Case {
        const char* name;
        double start, end;
        std::vector<QPoint> ink, paper;
        std::optional<QPoint> filled;
    };
    const Case cases[] = {
        {"pie", -0.001, -pi / 2, {{25, 20}, {20, 15}, {27, 13}}, {{20, 30}, {16, 24}}, QPoint(24, 16)},
        {"arc", 0.001, pi / 2, {{27, 13}}, {{25, 20}, {20, 15}}, std::nullopt},
        {"radiusAtTheEndOnly", pi / 2, -pi, {{15, 20}, {13, 13}}, {{20, 15}}, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ImageSurface surface = WhiteSurface(41, 41);
        surface.SetFillStyle(FS_SOLID);
        surface.SetFillColor(red);
        surface.Circle(20, 20, 10, black, c.start, c.end);
        for (const QPoint& p : c.ink)
            EXPECT_EQ(At(surface, p.x(), p.y()), black) << p.x() << "," << p.y();
        for (const QPoint& p : c.paper)
            EXPECT_EQ(At(surface, p.x(), p.y()), white) << p.x() << "," << p.y();
        if (c.filled)
            EXPECT_EQ(At(surface, c.filled->x(), c.filled->y()), red);
        else
            EXPECT_EQ(CountOf(surface.Image(), red), 0);
    }
}

// Angles are polar: a pie from 0 to 45 degrees on a flat ellipse covers the 40 degree ray, not the 50 one.
TEST(ImageSurfaceCircle, PieAnglesOnAnEllipseAreMeasuredAsPolarAngles) {
    const QPointF centre(120, 80);
    for (const double aspect : {0.5, 2.0}) {
        SCOPED_TRACE(aspect);
        const double rx = aspect < 1 ? 100 : 50, ry = aspect < 1 ? 50 : 100;
        ImageSurface surface = WhiteSurface(240, 160);
        surface.SetFillStyle(FS_SOLID);
        surface.SetFillColor(red);
        surface.Circle(centre.x(), centre.y(), 100, black, -0.001, -pi / 4, aspect);
        const QPoint inside = OnRay(centre, rx, ry, 40, 0.8);
        const QPoint outside = OnRay(centre, rx, ry, 50, 0.8);
        EXPECT_EQ(At(surface, inside.x(), inside.y()), red);
        EXPECT_EQ(At(surface, outside.x(), outside.y()), white);
    }
}

TEST(ImageSurfaceFloodFill, FillsUpToTheBorderColourWithoutLeakingThroughDiagonals) {
    ImageSurface surface = WhiteSurface(20, 20);
    surface.Line(2, 2, 12, 12, black, LineKind::Box);
    surface.Line(2, 2, 12, 12, black); // splits the inside along a diagonal
    surface.Line(8, 4, 11, 4, blue);   // another colour inside is filled over
    surface.SetFillStyle(FS_SOLID);
    surface.SetFillColor(red);
    surface.FloodFill(9, 5, black);
    EXPECT_EQ(CountOf(surface.Image(), red), (9 * 9 - 9) / 2);
    EXPECT_EQ(At(surface, 8, 4), red);
    EXPECT_EQ(At(surface, 5, 9), white);
    EXPECT_EQ(At(surface, 13, 13), white);

    // Starting outside the image or on the border, or with a transparent fill, does nothing.
    const QImage before = surface.Image().copy();
    for (const QPoint& start : {QPoint(-1, 5), QPoint(20, 5), QPoint(5, -3), QPoint(5, 20), QPoint(2, 5)}) {
        surface.FloodFill(start.x(), start.y(), black);
        EXPECT_EQ(surface.Image(), before) << start.x() << "," << start.y();
    }
    surface.SetFillStyle(FS_TRANSPARENT);
    surface.FloodFill(5, 9, black);
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
    EXPECT_EQ(At(surface, size / 2, size - 2), red);
    EXPECT_EQ(CountOf(surface.Image(), white), 0);
}

TEST(ImageSurfacePixels, StartsInButtonFaceSetPixelStaysInsideResizeKeepsTheDrawingAndClsClears) {
    ImageSurface surface(QSize(10, 10), 96);
    const Colour buttonFace = RgbToColour(qRgb(192, 192, 192));
    EXPECT_EQ(surface.BackColor(), SystemColourValue(15));
    EXPECT_EQ(At(surface, 1, 1), buttonFace);
    surface.SetPixel(3, 4, red);
    surface.SetPixel(-1, 4, red);
    surface.SetPixel(10, 10, red);
    EXPECT_EQ(CountOf(surface.Image(), red), 1);
    surface.SetPixel(0, 0, SystemColourValue(5));
    EXPECT_EQ(At(surface, 0, 0), white);

    surface.SetBackColor(green);
    surface.Resize(QSize(20, 15));
    EXPECT_EQ(surface.Image().size(), QSize(20, 15));
    EXPECT_EQ(At(surface, 3, 4), red);
    EXPECT_EQ(At(surface, 5, 5), buttonFace);
    EXPECT_EQ(At(surface, 15, 12), green);

    surface.SetCurrentX(7);
    surface.Cls();
    EXPECT_EQ(CountOf(surface.Image(), green), 20 * 15);
    EXPECT_EQ(surface.CurrentX(), 0);

    EXPECT_EQ(ColourToRgb(0x01804020), qRgb(0x20, 0x40, 0x80)) << "bits above blue are ignored";
    EXPECT_EQ(ColourToRgb(SystemColourValue(999)), qRgb(0, 0, 0));
}

} // namespace
