#pragma once

#include <cstdint>

namespace pelorin {

// Key codes as the event handlers get them; platform/InputCodes translates Qt's events into these.

// KeyAscii values the handlers look for.
constexpr int16_t kKeyBackspace = 8;
constexpr int16_t kKeyEnter = 13;
constexpr int16_t kKeyEscape = 27;

// The Shift argument: Shift 1, Ctrl 2, Alt 4, added together.
constexpr int16_t kShift = 1;
constexpr int16_t kCtrl = 2;
constexpr int16_t kAlt = 4;
constexpr int16_t kShiftCtrl = kShift + kCtrl;

} // namespace pelorin
