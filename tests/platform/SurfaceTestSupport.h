#pragma once

#include "platform/Colour.h"
#include "platform/ImageSurface.h"

#include <QImage>
#include <QRect>
#include <cmath>
#include <numbers>

namespace pelorin::test {

constexpr Colour white = 0xFFFFFF;
constexpr Colour black = 0;
constexpr Colour red = 0x0000FF;
constexpr Colour green = 0x00FF00;
constexpr Colour blue = 0xFF0000;
constexpr Colour yellow = 0x00FFFF;

// A white surface at 96 dpi.
inline ImageSurface WhiteSurface(int width, int height) {
    ImageSurface surface(QSize(width, height), 96);
    surface.SetBackColor(white);
    surface.Cls();
    return surface;
}

inline Colour At(const ImageSurface& surface, int x, int y) {
    return RgbToColour(surface.Image().pixel(x, y));
}

inline int CountOf(const QImage& image, Colour colour) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += RgbToColour(image.pixel(x, y)) == colour ? 1 : 0;
    return count;
}

// The smallest rectangle holding every pixel that is not `background`.
inline QRect InkBounds(const QImage& image, Colour background) {
    QRect bounds;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (RgbToColour(image.pixel(x, y)) != background)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// The pixel at `fraction` of the way from the centre of an ellipse (half-axes rx, ry) to its outline,
// on the ray at `degrees` counter-clockwise from the positive x axis.
inline QPoint OnRay(QPointF centre, double rx, double ry, double degrees, double fraction) {
    const double a = degrees * std::numbers::pi / 180;
    const double toOutline = 1 / std::hypot(std::cos(a) / rx, std::sin(a) / ry);
    const double r = fraction * toOutline;
    return QPoint(qRound(centre.x() + r * std::cos(a)), qRound(centre.y() - r * std::sin(a)));
}

} // namespace pelorin::test
