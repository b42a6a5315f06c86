#pragma once

#include "platform/ImageSurface.h"
#include "platform/PictureBox.h"
#include "setpoints/CurveEditor.h"

#include <QImage>

namespace pelorin::test {

// What the curve box must show for the editor's chart: the box cleared, the axes, and the current
// curve drawn once, on a fresh surface of the same size, font and background.
inline QImage FreshChart(const CurveEditor& editor) {
    const ImageSurface& box = editor.Picture_SPV_Curve->Surface();
    ImageSurface fresh(box.Image().size());
    fresh.SetBackColor(box.BackColor());
    fresh.Cls();
    CurveChart chart = editor.Chart();
    PaintCurveAxes(chart, fresh);
    PaintCurve(chart, fresh);
    return fresh.Image();
}

// The chart point of the curve at temperature T.
inline QPointF CurvePoint(const CurveChart& chart, float T) {
    return {ChartX(chart, T), ChartY(chart, CurveValue(chart, T))};
}

} // namespace pelorin::test
