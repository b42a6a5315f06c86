#include "SurfaceTestSupport.h"

#include <gtest/gtest.h>
#include <numbers>
#include <optional>
#include <vector>

using namespace pelorin;
using namespace pelorin::test;

namespace {

constexpr double pi = std::numbers::pi;

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
        EXPECT_EQ(CountOf(surface.Image(), black), c.drawn) << c.x2;
        EXPECT_EQ(std::pair(surface.CurrentX(), surface.CurrentY()), std::pair(c.x2, c.y2));
    }
}

// Both corners are included whichever way round they come; an outline takes the fill style.
TEST(ImageSurfaceLine, BoxesIncludeBothCornersAndDottedLinesHaveGaps) {
    for (const QRect& corners : {QRect(QPoint(2, 2), QPoint(8, 6)), QRect(QPoint(8, 6), QPoint(2, 2))}) {
        ImageSurface surface = WhiteSurface(12, 10);
        surface.Line(corners.left(), corners.top(), corners.right(), corners.bottom(), black, LineKind::Box);
        EXPECT_EQ(std::tuple(CountOf(surface.Image(), black), At(surface, 8, 6)),
                  std::tuple(2 * 7 + 2 * 3, black));
        surface.Line(corners.left(), corners.top(), corners.right(), corners.bottom(), red,
                     LineKind::FilledBox);
        EXPECT_EQ(CountOf(surface.Image(), red), 7 * 5);
        EXPECT_EQ(InkBounds(surface.Image(), white), QRect(QPoint(2, 2), QPoint(8, 6)));
    }
    ImageSurface surface = WhiteSurface(40, 12);
    surface.Line(2, 4, 8, 4, black, LineKind::Box);
    EXPECT_EQ(CountOf(surface.Image(), black), 7) << "a flat box is a line with both ends";
    surface.SetFillStyle(FS_SOLID);
    surface.SetFillColor(green);
    surface.Line(2, 2, 8, 6, black, LineKind::Box);
    EXPECT_EQ(std::pair(At(surface, 5, 5), At(surface, 2, 2)), std::pair(green, black));

    surface.SetDrawStyle(DS_DOT);
    surface.Line(0, 10, 36, 10, black);
    int gaps = 0;
    for (int x = 1; x < 35; ++x)
        gaps += At(surface, x, 10) == white && At(surface, x - 1, 10) == black ? 1 : 0;
    EXPECT_GE(gaps, 4);
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
    EXPECT_EQ(std::pair(At(surface, 10, 15), At(surface, 5, 5)), std::pair(red ^ yellow, green ^ yellow));
    EXPECT_EQ(qAlpha(reinterpret_cast<const QRgb*>(surface.Image().constScanLine(15))[10]), 255)
        << "an RGB32 image keeps its alpha byte";
    drawFigures();
    EXPECT_EQ(surface.Image(), before);
}

// A full ellipse has no radius lines and the aspect picks the radius axis; both angles negative draw a
// filled pie slice, others an open arc, with a radius only at a negative end.
TEST(ImageSurfaceCircle, EllipsesArcsAndPieSlices) {
    for (const auto& [aspect, bounds] : {std::pair(1.0, QRect(QPoint(10, 10), QPoint(30, 30))),
                                         {2.0, QRect(QPoint(15, 10), QPoint(25, 30))},
                                         {0.5, QRect(QPoint(10, 15), QPoint(30, 25))}}) {
        ImageSurface surface = WhiteSurface(41, 41);
        surface.Circle(20, 20, 10, black, std::nullopt, std::nullopt, aspect);
        EXPECT_EQ(InkBounds(surface.Image(), white), bounds) << aspect;
        EXPECT_EQ(std::pair(At(surface, 20, 20), At(surface, 20 + bounds.width() / 4, 20)),
                  std::pair(white, white));
    }
    const struct {
        double start, end;
        std::vector<QPoint> ink, paper;
        bool filled;
    } cases[] = {
        {-0.001, -pi / 2, {{25, 20}, {20, 15}, {27, 13}}, {{20, 30}, {16, 24}}, true},
        {0.001, pi / 2, {{27, 13}}, {{25, 20}, {20, 15}}, false},
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
        EXPECT_EQ(At(surface, 24, 16) == red, c.filled) << c.end;
        EXPECT_EQ(CountOf(surface.Image(), red) == 0, !c.filled) << c.end;
    }
}

// Angles are polar: a pie from 0 to 45 degrees on a flat ellipse covers the 40 degree ray, not the 50 one.
TEST(ImageSurfaceCircle, PieAnglesOnAnEllipseAreMeasuredAsPolarAngles) {
    const QPointF centre(120, 80);
    for (const double aspect : {0.5, 2.0}) {
        const double rx = aspect < 1 ? 100 : 50, ry = aspect < 1 ? 50 : 100;
        ImageSurface surface = WhiteSurface(240, 160);
        surface.SetFillStyle(FS_SOLID);
        surface.SetFillColor(red);
        surface.Circle(centre.x(), centre.y(), 100, black, -0.001, -pi / 4, aspect);
        const QPoint inside = OnRay(centre, rx, ry, 40, 0.8), outside = OnRay(centre, rx, ry, 50, 0.8);
        EXPECT_EQ(std::pair(At(surface, inside.x(), inside.y()), At(surface, outside.x(), outside.y())),
                  std::pair(red, white))
            << aspect;
    }
}

// The fill stops at the border colour, not leaking through a diagonal, and fills over other colours;
// starting outside the image or on the border, or with a transparent fill, does nothing. A serpentine
// corridor, each row reached only through the ones before it, is followed to its end.
TEST(ImageSurfaceFloodFill, FillsUpToTheBorderColourWithoutLeakingThroughDiagonals) {
    ImageSurface surface = WhiteSurface(20, 20);
    surface.Line(2, 2, 12, 12, black, LineKind::Box);
    surface.Line(2, 2, 12, 12, black);
    surface.Line(8, 4, 11, 4, blue);
    surface.SetFillStyle(FS_SOLID);
    surface.SetFillColor(red);
    surface.FloodFill(9, 5, black);
    EXPECT_EQ(CountOf(surface.Image(), red), (9 * 9 - 9) / 2);
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
    EXPECT_EQ(CountOf(corridor.Image(), white), 0);
}

TEST(ImageSurfacePixels, StartsInButtonFaceSetPixelStaysInsideResizeKeepsTheDrawingAndClsClears) {
    ImageSurface surface(QSize(10, 10), 96);
    const Colour buttonFace = RgbToColour(qRgb(192, 192, 192));
    EXPECT_EQ(std::pair(surface.BackColor(), At(surface, 1, 1)),
              std::pair(SystemColourValue(15), buttonFace));
    for (const QPoint& p : {QPoint(3, 4), QPoint(-1, 4), QPoint(10, 10)})
        surface.SetPixel(p.x(), p.y(), red);
    EXPECT_EQ(CountOf(surface.Image(), red), 1);
    surface.SetPixel(0, 0, SystemColourValue(5));
    EXPECT_EQ(At(surface, 0, 0), white);

    surface.SetBackColor(green);
    surface.Resize(QSize(20, 15));
    EXPECT_EQ(std::tuple(At(surface, 3, 4), At(surface, 5, 5), At(surface, 15, 12)),
              std::tuple(red, buttonFace, green));
    surface.SetCurrentX(7);
    surface.Cls();
    EXPECT_EQ(std::pair(CountOf(surface.Image(), green), surface.CurrentX()), std::pair(20 * 15, 0.0));
    EXPECT_EQ(ColourToRgb(0x01804020), qRgb(0x20, 0x40, 0x80)) << "bits above blue are ignored";
    EXPECT_EQ(ColourToRgb(SystemColourValue(999)), qRgb(0, 0, 0));
}

} // namespace
