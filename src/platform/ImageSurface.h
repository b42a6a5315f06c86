#pragma once

#include "platform/PainterSurface.h"

#include <QImage>
#include <QPainter>
#include <functional>
#include <memory>

namespace pelorin {

// A drawing surface over a persistent image in device pixels (Format_RGB32): what a picture box shows.
// It starts in the button face colour with button text, as picture boxes do.
class ImageSurface : public PainterSurface {
public:
    // `dpi` is the resolution fonts are rendered at; by default the screen's logical resolution.
    // `ratio` device pixels make one unit each way (a high-resolution screen's device pixel ratio,
    // rounded to whole pixels): drawing stays in units and comes out sharp on that screen.
    explicit ImageSurface(QSize size, double dpi = 0, double ratio = 1);

    bool IsPrinter() const override { return false; }
    double ScaleWidth() const override { return m_Image.width() / m_Ratio; }
    double ScaleHeight() const override { return m_Image.height() / m_Ratio; }
    // The size in units.
    QSize UnitSize() const { return m_Image.size() / m_Ratio; }

    // Fills the image with BackColor and puts the print position at the top-left corner.
    void Cls() override;

    // Keeps what is drawn at the top-left and fills any new area with BackColor. Sizes below one
    // pixel become one pixel, so that the surface always has a resolution for measuring text.
    void Resize(QSize size);

    // In device pixels, with the ratio as its device pixel ratio.
    const QImage& Image() const { return m_Image; }

    // Raised after every change of the image; within a batch, once at its end.
    std::function<void()> OnChanged;

    // While a batch lives, every figure is drawn with one painter and the change is told once at its
    // end: a picture's thousands of figures need not each set up a painter and ask for a repaint.
    // Batches nest; the outermost ends the painting.
    class Batch {
    public:
        explicit Batch(ImageSurface& surface);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        ImageSurface& m_Surface;
    };

protected:
    void drawOnTargets(const std::function<void(QPainter&)>& draw) override;
    QImage& raster() override { return m_Image; }
    const QPaintDevice& metricsDevice() const override { return m_Image; }

private:
    QImage blankImage(QSize size) const;
    void notifyChanged();
    void endBatch();

    double m_Dpi;
    int m_Ratio;
    QImage m_Image;
    int m_Batches = 0;
    bool m_ChangedInBatch = false;
    std::unique_ptr<QPainter> m_BatchPainter;
};

} // namespace pelorin
