#include "platform/Colour.h"

#include <array>

namespace pelorin {

namespace {

constexpr Colour Rgb(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}

// Indexes 0..24 of the classic scheme (scroll bar, desktop, captions, menus, windows, 3-D faces, tips).
constexpr std::array<Colour, 25> systemColours = {
    Rgb(192, 192, 192), // 0 scroll bar
    Rgb(0, 128, 128),   // 1 desktop
    Rgb(0, 0, 128),     // 2 active caption
    Rgb(128, 128, 128), // 3 inactive caption
    Rgb(192, 192, 192), // 4 menu bar
    Rgb(255, 255, 255), // 5 window background
    Rgb(0, 0, 0),       // 6 window frame
    Rgb(0, 0, 0),       // 7 menu text
    Rgb(0, 0, 0),       // 8 window text
    Rgb(255, 255, 255), // 9 active caption text
    Rgb(192, 192, 192), // 10 active border
    Rgb(192, 192, 192), // 11 inactive border
    Rgb(128, 128, 128), // 12 application workspace
    Rgb(0, 0, 128),     // 13 highlight
    Rgb(255, 255, 255), // 14 highlight text
    Rgb(192, 192, 192), // 15 button face
    Rgb(128, 128, 128), // 16 button shadow
    Rgb(128, 128, 128), // 17 disabled text
    Rgb(0, 0, 0),       // 18 button text
    Rgb(192, 192, 192), // 19 inactive caption text
    Rgb(255, 255, 255), // 20 button highlight
    Rgb(0, 0, 0),       // 21 3-D dark shadow
    Rgb(223, 223, 223), // 22 3-D light
    Rgb(0, 0, 0),       // 23 tooltip text
    Rgb(255, 255, 225), // 24 tooltip background
};

} // namespace

Colour SystemColour(int index) {
    if (index < 0 || index >= static_cast<int>(systemColours.size()))
        return 0;
    return systemColours[static_cast<size_t>(index)];
}

QRgb ColourToRgb(Colour colour) {
    const Colour plain = colour < 0 ? SystemColour(colour & 0x7FFFFFFF) : colour;
    return qRgb(plain & 0xFF, (plain >> 8) & 0xFF, (plain >> 16) & 0xFF);
}

QColor ToQColor(Colour colour) {
    return QColor::fromRgb(ColourToRgb(colour));
}

Colour RgbToColour(QRgb rgb) {
    return Rgb(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

} // namespace pelorin
