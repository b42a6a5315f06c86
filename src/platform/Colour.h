#pragma once

#include "platform/PaintSurface.h"

#include <QColor>
#include <QRgb>

namespace pelorin {

// The one place where colour values (&H00BBGGRR, negative = system colour) meet Qt's 0xAARRGGBB.

// The colour of a system colour index (the value AND &H7FFFFFFF of a negative colour). The table is the
// classic desktop scheme, fixed so that drawings look the same on every machine; indexes it does not
// know are black. Common ones: 5 window background (white), 8 window text (black), 15 button face
// (light grey), 18 button text (black).
Colour SystemColour(int index);

// A colour value as an opaque QRgb; system colours are looked up, bits above the blue byte ignored.
QRgb ColourToRgb(Colour colour);
QColor ToQColor(Colour colour);
Colour RgbToColour(QRgb rgb);

constexpr Colour SystemColourValue(int index) {
    return static_cast<Colour>(0x80000000u | unsigned(index));
}

} // namespace pelorin
