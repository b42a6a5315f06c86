#include "picture/ElementPainter.h"

#include "core/ClientProcs.h"
#include "platform/Colour.h"

#include <cmath>

namespace pelorin {

namespace {

constexpr double kLastGroupPosition = 15;
// The circle's angles are converted with this value of pi, as pictures have always been drawn.
constexpr double Pi = 3.1415926;

// Yellow is unreadable and white invisible on paper.
Colour PrinterColour(Colour c) {
    if (c == kYellow)
        return kOrange;
    if (c == kWhite)
        return 0;
    return c;
}

int32_t Round(double value) {
    return RoundTo<int32_t>(value);
}

void PrintAt(PaintSurface& surface, const std::string& text, int32_t x, int32_t y) {
    surface.SetCurrentX(x);
    surface.SetCurrentY(y);
    surface.Print(text);
}

} // namespace

struct ElementPainter::Context {
    PaintSurface& surface;
    bool printer;
    double sx, sy;
    double tw, th;
    Colour fc, bc;
};

namespace {

// A filled rectangle the size of `text` in the current font, top-left at (x, y).
void FilledTextBox(const ElementPainter::Context& p, double x, double y, const std::string& text, Colour c) {
    p.surface.Line(x, y, x + p.surface.TextWidth(text), y + p.th, c, LineKind::FilledBox);
}

cElement* ChildAt(ElementList& children, int32_t position) {
    for (const auto& child : children)
        if (child->m_DynamicElementRealPosition == position)
            return child.get();
    return nullptr;
}

} // namespace

void ElementPainter::PaintText(const Context& p, const cElement& e, int32_t PaintVisible) const {
    if (PaintVisible == 0) {
        if (!(p.printer && m_Background == 0))
            FilledTextBox(p, p.sx - 1, p.sy, e.m_Text, m_Background);
        return;
    }
    if (e.m_Transparent == 0) {
        const Colour background = e.m_BCol != 0 ? e.m_BCol : m_Background;
        if (!(p.printer && background == 0))
            FilledTextBox(p, p.sx - 1, p.sy, e.m_Text, background);
    }
    p.surface.SetForeColor(p.fc);
    PrintAt(p.surface, e.m_Text, Round(p.sx), Round(p.sy));
}

void ElementPainter::PaintLine(const Context& p, const cElement& e) const {
    PaintSurface& s = p.surface;
    int savedDrawWidth = 0;
    if (e.m_Dashed != 0) {
        if (p.printer) {
            savedDrawWidth = s.DrawWidth();
            s.SetDrawWidth(1);
        }
        s.SetDrawStyle(DS_DOT);
    } else {
        s.SetDrawStyle(DS_SOLID);
    }
    const double x1 = p.sx, y1 = p.sy;
    const double x2 = e.m_X2 * m_XMul + m_XAdd;
    const double y2 = e.m_Y2 * m_YMul + m_YAdd;
    if (e.m_Thickness == 1) {
        // The surface leaves out a line's last pixel; both ends belong to the drawn line.
        const int32_t rx1 = Round(x1), ry1 = Round(y1), rx2 = Round(x2), ry2 = Round(y2);
        s.Line(rx1, ry1, rx2, ry2, p.fc);
        s.SetPixel(rx1, ry1, p.fc);
        s.SetPixel(rx2, ry2, p.fc);
    } else {
        // Thick lines are parallel lines alternating around the middle one; a mostly horizontal
        // line is thickened vertically.
        const bool horizontal = std::abs(e.m_X2 - e.m_X1) > std::abs(e.m_Y2 - e.m_Y1);
        const double stepX = horizontal ? 0 : 1, stepY = horizontal ? 1 : 0;
        double ox = 0, oy = 0;
        for (int32_t k = e.m_Thickness; k >= 1; --k) {
            if (k % 2 == 1) {
                s.Line(x1 + ox, y1 + oy, x2 + ox, y2 + oy, p.fc);
            } else {
                s.Line(x1 - ox, y1 - oy, x2 - ox, y2 - oy, p.fc);
                ox += stepX;
                oy += stepY;
            }
        }
    }
    if (e.m_Dashed != 0) {
        s.SetDrawStyle(DS_SOLID);
        if (p.printer)
            s.SetDrawWidth(savedDrawWidth);
    }
}

void ElementPainter::PaintBox(const Context& p, cElement& e) const {
    if (e.m_X1 > e.m_X2)
        SwapLong(e.m_X1, e.m_X2);
    if (e.m_Y1 > e.m_Y2)
        SwapLong(e.m_Y1, e.m_Y2);
    PaintSurface& s = p.surface;
    const double xMul = m_XMul, yMul = m_YMul;
    const double x1 = e.m_X1 * xMul + m_XAdd, y1 = e.m_Y1 * yMul + m_YAdd;
    const double x2 = e.m_X2 * xMul + m_XAdd, y2 = e.m_Y2 * yMul + m_YAdd;
    double o = 0;
    for (int32_t k = e.m_Thickness; k >= 1; --k) {
        s.Line(x1 + o, y1 + o, x2 - o, y2 - o, p.fc, LineKind::Box);
        o += 1;
    }
    if (e.m_Filled != 0) {
        s.SetFillStyle(FS_SOLID);
        s.SetFillColor(p.fc);
        const double cx = (e.m_X1 + e.m_X2) / 2.0 * xMul + m_XAdd;
        const double cy = (e.m_Y1 + e.m_Y2) / 2.0 * yMul + m_YAdd;
        s.FloodFill(Round(cx), Round(cy), p.fc);
        s.SetFillStyle(FS_TRANSPARENT);
    }
}

void ElementPainter::PaintCircle(const Context& p, const cElement& e, int32_t PaintVisible) const {
    PaintSurface& s = p.surface;
    const double xMul = m_XMul, yMul = m_YMul;
    float rx = static_cast<float>(std::abs(e.m_X1 * xMul - e.m_X2 * xMul) / 2);
    const float ry = static_cast<float>(std::abs(e.m_Y1 * yMul - e.m_Y2 * yMul) / 2);
    const double cx = RoundHalfEven((e.m_X1 + e.m_X2) * xMul / 2) + m_XAdd;
    const double cy = RoundHalfEven((e.m_Y1 + e.m_Y2) * yMul / 2) + m_YAdd;
    const double radius = RoundHalfEven(rx > ry ? rx : ry);
    if (rx == 0)
        rx = 0.05f;
    const double aspect = ry / rx;
    const float a = static_cast<float>(e.m_StartAngle * 2 * Pi / 360);
    const float b = static_cast<float>(e.m_EndAngle * 2 * Pi / 360);
    const bool full = std::abs(e.m_EndAngle - e.m_StartAngle) == 360;

    // A fill index outside the palette (only a host can set one) draws the outline.
    if (static_cast<uint32_t>(e.m_Option) < 8) {
        if (!p.printer) {
            s.SetFillStyle(FS_SOLID);
            const size_t fillIndex = static_cast<size_t>(e.m_Option);
            s.SetFillColor(PaintVisible != 0 ? m_Palette[fillIndex] : m_Background);
        }
        if (full) {
            s.Circle(cx, cy, radius, p.fc, std::nullopt, std::nullopt, aspect);
        } else {
            // Negative angles draw the radii: a pie slice. Zero has no negative, so it becomes 0.001.
            const double start = a == 0 ? 0.001f : a;
            const double end = b == 0 ? 0.001f : b;
            s.Circle(cx, cy, radius, p.fc, -start, -end, aspect);
        }
        s.SetFillStyle(FS_TRANSPARENT);
    } else if (full) {
        s.Circle(cx, cy, radius, p.fc, std::nullopt, std::nullopt, aspect);
    } else {
        s.Circle(cx, cy, radius, p.fc, static_cast<double>(a), static_cast<double>(b), aspect);
    }
}

void ElementPainter::PaintPictureLink(const Context& p, cElement& e) const {
    if (e.m_ScanBox_X1 == -1 && !p.printer) {
        e.m_ScanBox_X1 = Round(p.sx);
        e.m_ScanBox_Y1 = Round(p.sy);
        e.m_ScanBox_X2 = Round(e.m_ScanBox_X1 + m_XAdd + p.surface.TextWidth(e.m_Text));
        e.m_ScanBox_Y2 = Round(e.m_ScanBox_Y1 + m_YAdd + p.th);
    }
    FilledTextBox(p, p.sx - 1, p.sy, e.m_Text, p.printer ? kBlue : e.m_BCol);
    p.surface.SetForeColor(e.m_FCol);
    PrintAt(p.surface, e.m_Text, Round(p.sx), Round(p.sy));
}

void ElementPainter::PaintDynValue(const Context& p, cElement& e, int32_t PaintVisible) const {
    // The units digit stays in the cell of X1 whatever the length of the text.
    const auto length = static_cast<double>(e.m_Text.size());
    const double shift = e.m_Decimals > 0 ? e.m_Decimals + 2 - length : 1 - length;
    const double x = p.sx + shift * p.tw;
    if (!(p.printer && e.m_BCol == 0) && !e.m_Text.empty())
        FilledTextBox(p, x, p.sy, e.m_Text, e.m_BCol);
    if (PaintVisible != 0) {
        p.surface.SetForeColor(p.fc);
        PrintAt(p.surface, e.m_Text, Round(x), Round(p.sy));
    }
    // Hit boxes are where the operator points, on screen: a printout leaves them.
    if (p.printer)
        return;
    e.m_ScanBox_X1 = Round(x);
    e.m_ScanBox_Y1 = Round(p.sy);
    e.m_ScanBox_X2 = Round(e.m_ScanBox_X1 + m_XAdd + p.surface.TextWidth(e.m_Text) - shift * p.tw);
    e.m_ScanBox_Y2 = Round(e.m_ScanBox_Y1 + m_YAdd + p.th);
}

void ElementPainter::PaintDynGroup(const Context& p, cElement& e, int32_t PaintVisible,
                                   int16_t ClearBackground) const {
    const int32_t position = ShownChildPosition(e);
    if (ClearBackground == 0 && e.m_LastDynamicElementPosition >= 0) {
        if (cElement* shown = ChildAt(e.m_DynamicElements, e.m_LastDynamicElementPosition))
            PaintElement(p.surface, *shown, 0, ClearBackground);
    }
    if (cElement* chosen = ChildAt(e.m_DynamicElements, position)) {
        PaintElement(p.surface, *chosen, PaintVisible, ClearBackground);
        e.m_LastDynamicElementPosition = position;
    }
    if (e.m_ScanBox_X1 == -1 && !p.printer) {
        e.m_ScanBox_X1 = Round(p.sx);
        e.m_ScanBox_Y1 = Round(p.sy);
    }
}

int32_t ShownChildPosition(const cElement& group) {
    // Values that round to 0..15 choose a child: 15.4 shows child 15, -0.2 and 15.6 the default.
    if (group.m_Status == 1 && group.m_Value >= 0 && RoundHalfEven(group.m_Value) <= kLastGroupPosition)
        return Round(group.m_Value);
    return group.m_DefaultDynamicElementPosition;
}

ElementPainter::ElementPainter(const ScaleMembers& scale, const Palette& palette, Colour background)
    : m_XMul(scale.m_XMul), m_XAdd(scale.m_XAdd), m_YMul(scale.m_YMul), m_YAdd(scale.m_YAdd),
      m_Palette(palette), m_Background(background) {}

void ElementPainter::PaintAllElements(PaintSurface& PaintObject, const ElementList& elements,
                                      int16_t ClearBackground) const {
    if (!PaintObject.IsPrinter() && ClearBackground != 0) {
        PaintObject.SetBackColor(m_Background);
        PaintObject.Cls();
    }
    for (const auto& element : elements)
        PaintElement(PaintObject, *element, -1, ClearBackground);
}

void ElementPainter::PaintElement(PaintSurface& PaintObject, cElement& MyElement, int32_t PaintVisible,
                                  int16_t ClearBackground) const {
    const bool printer = PaintObject.IsPrinter();
    Colour fc = PaintVisible != 0 ? MyElement.m_FCol : m_Background;
    Colour bc = MyElement.m_BCol;
    if (printer) {
        fc = PrinterColour(fc);
        bc = PrinterColour(bc);
    }
    const Context p{PaintObject,
                    printer,
                    MyElement.m_X1 * m_XMul + m_XAdd,
                    MyElement.m_Y1 * m_YMul + m_YAdd,
                    RoundHalfEven(PaintObject.TextWidth("8")),
                    RoundHalfEven(PaintObject.TextHeight("8")),
                    fc,
                    bc};

    switch (MyElement.m_ElementType) {
    case ET_TEXT:
        PaintText(p, MyElement, PaintVisible);
        break;
    case ET_SYMBOL:
        for (const auto& child : MyElement.m_SymbolElements)
            PaintElement(PaintObject, *child, PaintVisible, ClearBackground);
        break;
    case ET_LINE:
        PaintLine(p, MyElement);
        break;
    case ET_BOX:
        PaintBox(p, MyElement);
        break;
    case ET_CIRCLE:
        PaintCircle(p, MyElement, PaintVisible);
        break;
    case ET_FILL:
        if (!(printer && fc == 0)) {
            PaintObject.SetFillStyle(FS_SOLID);
            PaintObject.SetFillColor(fc);
            PaintObject.FloodFill(Round(p.sx), Round(p.sy), printer ? bc : MyElement.m_BCol);
            PaintObject.SetFillStyle(FS_TRANSPARENT);
        }
        break;
    case ET_PICTURELINK:
        PaintPictureLink(p, MyElement);
        break;
    case ET_DYNVALUE:
        PaintDynValue(p, MyElement, PaintVisible);
        break;
    case ET_DYNGROUP:
        PaintDynGroup(p, MyElement, PaintVisible, ClearBackground);
        break;
    default:
        break;
    }
}

} // namespace pelorin
