#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <vector>

namespace pelorin {

// The 4-connected region around `start` whose pixels are not `border` (compared without alpha), as
// rectangles: runs of one row, merged with identical runs on the rows below. Empty when `start` lies
// outside the image or on a border pixel. Scanline fill with an explicit stack and a visited map, so
// it neither recurses nor revisits a pixel.
std::vector<QRect> FloodRegion(const QImage& image, QPoint start, QRgb border);

} // namespace pelorin
