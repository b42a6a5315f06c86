#pragma once

#include <cstdint>

namespace pelorin {

// Colour values are &H00BBGGRR (red in the low byte); a negative value names a system colour whose
// index is the value AND &H7FFFFFFF.
using Colour = int32_t;

// Named colour values of the drawings, the curve chart and the indicators.
constexpr Colour kBlack = 0x000000;
constexpr Colour kRed = 0x0000FF;
constexpr Colour kGreen = 0x00FF00;
constexpr Colour kBlue = 0xFF0000;
constexpr Colour kYellow = 0x00FFFF;
constexpr Colour kOrange = 0x0080FF;
constexpr Colour kDarkGrey = 0x404040;
constexpr Colour kWhite = 0xFFFFFF;

} // namespace pelorin
