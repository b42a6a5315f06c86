#pragma once

#include "ports/ControlMembers.h"
#include "core/PictureParser.h"
#include "platform/PaintSurface.h"

#include <cstdint>
#include <string>

namespace pelorin {

// The position of the child a dynamic group shows for its value.
int32_t ShownChildPosition(const cElement& group);

// Draws picture elements on any surface (the picture box or the printer) at the scale, with the
// palette and background it is given, so that a printout scales the drawing and not the control.
class ElementPainter {
public:
    ElementPainter(const ScaleMembers& scale, const Palette& palette, Colour background);

    void PaintAllElements(PaintSurface& PaintObject, const ElementList& elements,
                          int16_t ClearBackground) const;
    void PaintElement(PaintSurface& PaintObject, cElement& MyElement, int32_t PaintVisible,
                      int16_t ClearBackground) const;

    // What every element drawing needs: the mapped first point, the digit cell and the working colours.
    struct Context;

private:
    void PaintText(const Context& p, const cElement& e, int32_t PaintVisible) const;
    void PaintLine(const Context& p, const cElement& e) const;
    void PaintBox(const Context& p, cElement& e) const;
    void PaintCircle(const Context& p, const cElement& e, int32_t PaintVisible) const;
    void PaintPictureLink(const Context& p, cElement& e) const;
    void PaintDynValue(const Context& p, cElement& e, int32_t PaintVisible) const;
    void PaintDynGroup(const Context& p, cElement& e, int32_t PaintVisible, int16_t ClearBackground) const;

    double m_XMul, m_XAdd, m_YMul, m_YAdd;
    const Palette& m_Palette;
    Colour m_Background;
};

} // namespace pelorin
