#include "platform/PainterSurface.h"

#include "core/Latin1.h"
#include "core/TextLines.h"
#include "platform/Colour.h"
#include "platform/FloodFill.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QVarLengthArray>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace pelorin {

namespace {

// Far enough outside any page to be invisible, small enough for Qt's fixed-point rasteriser.
constexpr double coordinateLimit = 1 << 22;
// Widths kept per font: a picture's texts and values, without growing for ever.
constexpr size_t keptLineWidths = 4096;

// A coordinate on its device pixel: nearest, halves to even.
int Pixel(double value) {
    if (!std::isfinite(value))
        return 0;
    return static_cast<int>(std::nearbyint(std::clamp(value, -coordinateLimit, coordinateLimit)));
}

double FiniteOr(double value, double fallback) {
    return std::isfinite(value) ? value : fallback;
}

QPoint PixelPoint(double x, double y) {
    return {Pixel(x), Pixel(y)};
}

// A line of the text to draw; `ended` tells whether a line end followed it.
struct TextLine {
    QString text;
    bool ended;
};

bool HasLineEnd(const std::string& bytes) {
    return bytes.find_first_of("\r\n") != std::string::npos;
}

std::vector<TextLine> TextLines(const std::string& bytes) {
    const std::vector<std::string_view> parts = SplitLines(bytes);
    std::vector<TextLine> lines;
    lines.reserve(parts.size());
    for (size_t i = 0; i < parts.size(); ++i)
        lines.push_back({FromLatin1(parts[i]), i + 1 < parts.size()});
    return lines;
}

double Degrees(double radians) {
    return radians * 180.0 / std::numbers::pi;
}

// The bounding box of an ellipse on whole pixels; its right and bottom edges are drawn.
QRectF EllipseBounds(double x, double y, double rx, double ry) {
    const QPoint topLeft = PixelPoint(x - rx, y - ry);
    const QPoint bottomRight = PixelPoint(x + rx, y + ry);
    return QRectF(topLeft, bottomRight);
}

// Qt's arcs take the ellipse's parametric angle t, the point (rx cos t, ry sin t); the surface's
// angles are polar, the direction of the point seen from the centre. The result is in [0, 2 pi).
double ParametricAngle(const QRectF& bounds, double polar) {
    const double t = std::atan2(bounds.width() * std::sin(polar), bounds.height() * std::cos(polar));
    return t < 0 ? t + 2 * std::numbers::pi : t;
}

// An arc counter-clockwise from `start` to `end` (radians; a negative one adds the radius to that end).
QPainterPath ArcPath(const QRectF& bounds, double start, double end) {
    const double fullTurn = 2 * std::numbers::pi;
    const double from = ParametricAngle(bounds, std::fmod(std::abs(start), fullTurn));
    double span = ParametricAngle(bounds, std::fmod(std::abs(end), fullTurn)) - from;
    if (span <= 0)
        span += fullTurn;

    QPainterPath path;
    path.arcMoveTo(bounds, Degrees(from));
    if (start < 0) {
        const QPointF arcStart = path.currentPosition();
        path = QPainterPath(bounds.center());
        path.lineTo(arcStart);
    }
    path.arcTo(bounds, Degrees(from), Degrees(span));
    if (end < 0)
        path.lineTo(bounds.center());
    if (start < 0 && end < 0)
        path.closeSubpath();
    return path;
}

} // namespace

namespace {

// On a device of more than one pixel per unit, a one-unit pen is centred on the unit's middle, so that
// it covers the unit's own device pixels as a one-pixel pen covers its pixel.
void AlignStrokes(QPainter& painter) {
    if (painter.device()->devicePixelRatio() > 1)
        painter.translate(0.5, 0.5);
}

// How many device pixels a unit of `raster` spans each way (1 on screens of ratio 1 and paper).
int RasterRatio(const QImage& raster) {
    return std::max(1, static_cast<int>(std::lround(raster.devicePixelRatio())));
}

// The device pixels of unit `p`.
QRect DevicePixels(const QImage& raster, QPoint p) {
    const int ratio = RasterRatio(raster);
    return QRect(p * ratio, QSize(ratio, ratio));
}

} // namespace

void SetUpPixelPainter(QPainter& painter) {
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setRenderHint(QPainter::TextAntialiasing, false);
}

void SetImageDpi(QImage& image, double dpi) {
    const int dotsPerMetre = qRound(dpi / 0.0254);
    image.setDotsPerMeterX(dotsPerMetre);
    image.setDotsPerMeterY(dotsPerMetre);
}

PainterSurface::PainterSurface(Colour foreColor, Colour backColor)
    : m_Font(QGuiApplication::font()), m_ForeColor(foreColor), m_BackColor(backColor) {
    m_Font.setStyleStrategy(QFont::NoAntialias);
    m_Font.setPointSizeF(m_FontSize);
    m_FontName = m_Font.family().toLatin1().toStdString();
}

void PainterSurface::SetFontName(const std::string& name) {
    m_FontName = name;
    m_Font.setFamily(FromLatin1(name));
    fontChanged();
}

void PainterSurface::SetFontSize(double points) {
    if (!(points > 0) || !std::isfinite(points))
        return;
    m_FontSize = points;
    m_Font.setPointSizeF(points);
    fontChanged();
}

void PainterSurface::SetFontBold(bool bold) {
    m_Font.setBold(bold);
    fontChanged();
}

void PainterSurface::SetFontItalic(bool italic) {
    m_Font.setItalic(italic);
    fontChanged();
}

void PainterSurface::fontChanged() {
    m_Metrics.reset();
    m_LineWidths.clear();
}

const QFontMetricsF& PainterSurface::metrics() const {
    if (!m_Metrics)
        m_Metrics.emplace(m_Font, &metricsDevice());
    return *m_Metrics;
}

double PainterSurface::lineWidth(const std::string& line) const {
    if (const auto kept = m_LineWidths.find(line); kept != m_LineWidths.end())
        return kept->second;
    if (m_LineWidths.size() >= keptLineWidths)
        m_LineWidths.clear();
    const double width = metrics().horizontalAdvance(FromLatin1(line));
    m_LineWidths.emplace(line, width);
    return width;
}

double PainterSurface::TextWidth(const std::string& text) const {
    if (!HasLineEnd(text))
        return lineWidth(text);
    double widest = 0;
    for (const TextLine& line : TextLines(text))
        widest = std::max(widest, metrics().horizontalAdvance(line.text));
    return widest;
}

double PainterSurface::TextHeight(const std::string& text) const {
    const size_t lines = HasLineEnd(text) ? SplitLines(text).size() : 1;
    return metrics().lineSpacing() * static_cast<double>(lines);
}

void PainterSurface::Print(const std::string& text) {
    const double lineHeight = metrics().lineSpacing();
    if (!HasLineEnd(text)) {
        if (!text.empty()) {
            beforeTextLine(lineHeight);
            printLine(FromLatin1(text), lineWidth(text));
        }
        return;
    }
    for (const TextLine& line : TextLines(text)) {
        if (!line.text.isEmpty()) {
            beforeTextLine(lineHeight);
            printLine(line.text, metrics().horizontalAdvance(line.text));
        }
        if (line.ended) {
            m_CurrentX = 0;
            m_CurrentY += lineHeight;
        }
    }
}

void PainterSurface::printLine(const QString& line, double width) {
    const QPoint topLeft = PixelPoint(m_CurrentX, m_CurrentY);
    const QPointF baseline(topLeft.x(), topLeft.y() + metrics().ascent());
    drawOnTargets([&](QPainter& painter) {
        painter.setFont(m_Font);
        painter.setPen(ToQColor(m_ForeColor));
        painter.drawText(baseline, line);
    });
    m_CurrentX += width;
}

void PainterSurface::Line(double x1, double y1, double x2, double y2, Colour c, LineKind kind) {
    const QPoint from = PixelPoint(x1, y1);
    const QPoint to = PixelPoint(x2, y2);
    m_CurrentX = x2;
    m_CurrentY = y2;
    if (kind == LineKind::Plain) {
        drawPlainLine(from, to, c);
        return;
    }
    const QRect box(QPoint(std::min(from.x(), to.x()), std::min(from.y(), to.y())),
                    QPoint(std::max(from.x(), to.x()), std::max(from.y(), to.y())));
    drawOnTargets([&](QPainter& painter) {
        setDrawingMode(painter);
        if (kind == LineKind::FilledBox) {
            painter.fillRect(box, inkColour(c));
            return;
        }
        painter.setPen(figurePen(c));
        painter.setBrush(fillBrush());
        AlignStrokes(painter);
        if (box.width() == 1 || box.height() == 1)
            painter.drawLine(box.topLeft(), box.bottomRight());
        else
            painter.drawRect(QRectF(box.topLeft(), box.bottomRight()));
    });
}

// Qt includes a thin line's last pixel, which a plain line leaves out: it is put back afterwards.
void PainterSurface::drawPlainLine(QPoint from, QPoint to, Colour c) {
    const bool thin = m_DrawWidth <= 1;
    if (thin && from == to)
        return;
    QImage& pixels = raster();
    const QRect end = DevicePixels(pixels, to) & pixels.rect();
    const bool restoreEnd = thin && !end.isEmpty();
    QVarLengthArray<QRgb, 16> endPixels;
    if (restoreEnd)
        for (int y = end.top(); y <= end.bottom(); ++y)
            for (int x = end.left(); x <= end.right(); ++x)
                endPixels.append(pixels.pixel(x, y));
    drawOnTargets([&](QPainter& painter) {
        setDrawingMode(painter);
        painter.setPen(figurePen(c));
        AlignStrokes(painter);
        painter.drawLine(from, to);
    });
    if (!restoreEnd)
        return;
    qsizetype next = 0;
    for (int y = end.top(); y <= end.bottom(); ++y)
        for (int x = end.left(); x <= end.right(); ++x)
            pixels.setPixel(x, y, endPixels[next++]);
}

void PainterSurface::Circle(double x, double y, double radius, Colour c, std::optional<double> start,
                            std::optional<double> end, double aspect) {
    m_CurrentX = x;
    m_CurrentY = y;
    aspect = std::abs(FiniteOr(aspect, 1));
    radius = std::abs(FiniteOr(radius, 0));
    const double rx = aspect <= 1 ? radius : radius / aspect;
    const double ry = aspect <= 1 ? radius * aspect : radius;
    const QRectF bounds = EllipseBounds(x, y, rx, ry);

    drawOnTargets([&](QPainter& painter) {
        setDrawingMode(painter);
        painter.setPen(figurePen(c));
        if (!start && !end) {
            painter.setBrush(fillBrush());
            AlignStrokes(painter);
            painter.drawEllipse(bounds);
            return;
        }
        const double from = FiniteOr(start.value_or(0), 0);
        const double to = FiniteOr(end.value_or(2 * std::numbers::pi), 0);
        const bool pieSlice = from < 0 && to < 0;
        painter.setBrush(pieSlice ? fillBrush() : Qt::NoBrush);
        // Paths are stroked through the pixels their points fall in; the shift makes that the
        // nearest pixel, as for the full ellipse.
        painter.translate(0.5, 0.5);
        painter.drawPath(ArcPath(bounds, from, to));
    });
}

void PainterSurface::FloodFill(int x, int y, Colour border) {
    if (m_FillStyle != FS_SOLID)
        return;
    // The region is found and filled in device pixels, where the borders are drawn.
    const int ratio = RasterRatio(raster());
    const std::vector<QRect> region = FloodRegion(raster(), QPoint(x, y) * ratio, ColourToRgb(border));
    if (region.empty())
        return;
    const QColor fill = ToQColor(m_FillColor);
    drawOnTargets([&](QPainter& painter) {
        painter.scale(1.0 / ratio, 1.0 / ratio);
        for (const QRect& rect : region)
            painter.fillRect(rect, fill);
    });
}

void PainterSurface::SetPixel(int x, int y, Colour c) {
    if (!raster().valid(DevicePixels(raster(), QPoint(x, y)).topLeft()))
        return;
    drawOnTargets([&](QPainter& painter) { painter.fillRect(QRect(x, y, 1, 1), ToQColor(c)); });
}

QColor PainterSurface::inkColour(Colour c) const {
    const QRgb rgb = ColourToRgb(c);
    if (m_DrawMode == DM_XOR_PEN && xorOnWhitePaper())
        return QColor::fromRgb(rgb ^ 0xFFFFFF);
    return QColor::fromRgb(rgb);
}

QPen PainterSurface::figurePen(Colour c) const {
    QPen pen(inkColour(c));
    if (m_DrawWidth <= 1) {
        if (m_DrawStyle == DS_DOT)
            pen.setDashPattern({3, 3});
        return pen;
    }
    pen.setWidth(m_DrawWidth);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    return pen;
}

QBrush PainterSurface::fillBrush() const {
    if (m_FillStyle != FS_SOLID)
        return Qt::NoBrush;
    return inkColour(m_FillColor);
}

void PainterSurface::setDrawingMode(QPainter& painter) const {
    const bool rasterXor = m_DrawMode == DM_XOR_PEN && !xorOnWhitePaper();
    painter.setCompositionMode(rasterXor ? QPainter::RasterOp_SourceXorDestination
                                         : QPainter::CompositionMode_SourceOver);
}

} // namespace pelorin
