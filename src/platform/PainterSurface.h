#pragma once

#include "platform/PaintSurface.h"

#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QPen>
#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

class QPainter;
class QPaintDevice;

namespace pelorin {

// The drawing state and the figures common to every surface painted with QPainter: the picture boxes
// draw on one image, the printer on paper and on a shadow image of the page. Figures are placed on
// whole device pixels, without antialiasing, so that FloodFill finds exact border colours.
//
// Line leaves the current position at its end point and Circle at its centre; DrawStyle 2 (dotted, 3 pixels
// on and 3 off) applies to one-pixel pens only and other styles draw solid; DrawMode values other than 7
// (XOR) copy; FillStyle values other than 0 are transparent. A box outline (LineKind::Box) is filled by
// FillStyle/FillColor like the other closed figures.
class PainterSurface : public PaintSurface {
public:
    void SetFontName(const std::string& name) override;
    std::string FontName() const override { return m_FontName; }
    void SetFontSize(double points) override;
    double FontSize() const override { return m_FontSize; }
    void SetFontBold(bool bold) override;
    bool FontBold() const override { return m_Font.bold(); }
    void SetFontItalic(bool italic) override;
    bool FontItalic() const override { return m_Font.italic(); }

    // Width of the widest line; height of one font line (ascent, descent and leading) per line.
    double TextWidth(const std::string& text) const override;
    double TextHeight(const std::string& text) const override;
    void SetCurrentX(double x) override { m_CurrentX = x; }
    void SetCurrentY(double y) override { m_CurrentY = y; }
    double CurrentX() const override { return m_CurrentX; }
    double CurrentY() const override { return m_CurrentY; }
    // CR LF, a lone CR and a lone LF each end a line. Text is always drawn in copy mode, whatever DrawMode.
    void Print(const std::string& text) override;

    void SetForeColor(Colour c) override { m_ForeColor = c; }
    Colour ForeColor() const override { return m_ForeColor; }
    void SetBackColor(Colour c) override { m_BackColor = c; }
    Colour BackColor() const override { return m_BackColor; }

    void Line(double x1, double y1, double x2, double y2, Colour c, LineKind kind = LineKind::Plain) override;
    void Circle(double x, double y, double radius, Colour c, std::optional<double> start = std::nullopt,
                std::optional<double> end = std::nullopt, double aspect = 1.0) override;

    void SetDrawWidth(int width) override { m_DrawWidth = width; }
    int DrawWidth() const override { return m_DrawWidth; }
    void SetDrawStyle(int style) override { m_DrawStyle = style; }
    int DrawStyle() const override { return m_DrawStyle; }
    void SetDrawMode(int mode) override { m_DrawMode = mode; }
    int DrawMode() const override { return m_DrawMode; }
    void SetFillStyle(int style) override { m_FillStyle = style; }
    int FillStyle() const override { return m_FillStyle; }
    void SetFillColor(Colour c) override { m_FillColor = c; }
    Colour FillColor() const override { return m_FillColor; }

    void FloodFill(int x, int y, Colour border) override;
    void SetPixel(int x, int y, Colour c) override;

    const QFont& Font() const { return m_Font; }
    // Drawing of the caller's own on every target, with a painter set up as for the figures above.
    void DrawWith(const std::function<void(QPainter&)>& draw) { drawOnTargets(draw); }

protected:
    PainterSurface(Colour foreColor, Colour backColor);

    // Runs `draw` once for every target, each painter set up for pixel-exact drawing.
    virtual void drawOnTargets(const std::function<void(QPainter&)>& draw) = 0;
    // The pixels that FloodFill reads and that a plain line's end pixel is restored in; may be null.
    virtual QImage& raster() = 0;
    // The device whose resolution text is measured at.
    virtual const QPaintDevice& metricsDevice() const = 0;
    // Paper cannot be read back: XOR drawing shows what it would give on white paper.
    virtual bool xorOnWhitePaper() const { return false; }
    // Called before each line of printed text is drawn; the printer starts a new page when it is full.
    virtual void beforeTextLine(double lineHeight) { (void)lineHeight; }

    // Measured once per font: drawing asks for the same metrics and widths for every element.
    const QFontMetricsF& metrics() const;

private:
    void drawPlainLine(QPoint from, QPoint to, Colour c);
    QColor inkColour(Colour c) const;
    QPen figurePen(Colour c) const;
    QBrush fillBrush() const;
    void setDrawingMode(QPainter& painter) const;
    void printLine(const QString& line, double width);
    double lineWidth(const std::string& line) const;
    void fontChanged();

    QFont m_Font;
    std::string m_FontName;
    double m_FontSize = 8.25;
    double m_CurrentX = 0;
    double m_CurrentY = 0;
    Colour m_ForeColor;
    Colour m_BackColor;
    int m_DrawWidth = 1;
    int m_DrawStyle = DS_SOLID;
    int m_DrawMode = DM_COPY_PEN;
    int m_FillStyle = FS_TRANSPARENT;
    Colour m_FillColor = 0;
    mutable std::optional<QFontMetricsF> m_Metrics;
    mutable std::unordered_map<std::string, double> m_LineWidths;
};

// Prepares a painter for aliased drawing on whole pixels.
void SetUpPixelPainter(QPainter& painter);
// The resolution text drawn on `image` is rendered at.
void SetImageDpi(QImage& image, double dpi);

} // namespace pelorin
