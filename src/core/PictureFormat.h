#pragma once

#include <cstdint>

namespace pelorin {

// A picture is drawn in logical units, this wide and high, whatever the screen or the paper.
constexpr double kPictureWidth = 640;
constexpr double kPictureHeight = 474;

// Each record of the element data begins with its type byte and its body's length (a Short).
constexpr int32_t kRecordHeadSize = 3;

} // namespace pelorin
