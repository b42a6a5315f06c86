#include "platform/ImageSurface.h"

#include "platform/Colour.h"
#include "platform/Screen.h"

#include <QPainter>
#include <algorithm>
#include <cmath>
#include <utility>

namespace pelorin {

namespace {

QSize AtLeastOnePixel(QSize size) {
    return size.expandedTo(QSize(1, 1));
}

} // namespace

ImageSurface::ImageSurface(QSize size, double dpi, double ratio)
    : PainterSurface(SystemColourValue(18), SystemColourValue(15)),
      m_Dpi(dpi > 0 ? dpi : Screen::LogicalDpiY()),
      m_Ratio(std::max(1, static_cast<int>(std::lround(ratio)))), m_Image(blankImage(size)) {}

QImage ImageSurface::blankImage(QSize size) const {
    QImage image(AtLeastOnePixel(size) * m_Ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(m_Ratio);
    SetImageDpi(image, m_Dpi);
    image.fill(ToQColor(BackColor()));
    return image;
}

void ImageSurface::Cls() {
    m_Image.fill(ToQColor(BackColor()));
    SetCurrentX(0);
    SetCurrentY(0);
    notifyChanged();
}

void ImageSurface::Resize(QSize size) {
    if (AtLeastOnePixel(size) == UnitSize())
        return;
    // The batch's painter paints the image being replaced; the next figure opens one on the new image.
    m_BatchPainter.reset();
    QImage resized = blankImage(size);
    {
        QPainter painter(&resized);
        painter.drawImage(0, 0, m_Image);
    }
    m_Image = std::move(resized);
    notifyChanged();
}

void ImageSurface::drawOnTargets(const std::function<void(QPainter&)>& draw) {
    if (m_Batches == 0) {
        {
            QPainter painter(&m_Image);
            SetUpPixelPainter(painter);
            draw(painter);
        }
        notifyChanged();
        return;
    }
    if (!m_BatchPainter) {
        m_BatchPainter = std::make_unique<QPainter>(&m_Image);
        SetUpPixelPainter(*m_BatchPainter);
    }
    // Each figure starts from the state a painter of its own would have.
    m_BatchPainter->save();
    draw(*m_BatchPainter);
    m_BatchPainter->restore();
    notifyChanged();
}

void ImageSurface::notifyChanged() {
    if (m_Batches > 0) {
        m_ChangedInBatch = true;
        return;
    }
    if (OnChanged)
        OnChanged();
}

ImageSurface::Batch::Batch(ImageSurface& surface) : m_Surface(surface) {
    ++m_Surface.m_Batches;
}

ImageSurface::Batch::~Batch() {
    if (--m_Surface.m_Batches == 0)
        m_Surface.endBatch();
}

void ImageSurface::endBatch() {
    m_BatchPainter.reset();
    if (std::exchange(m_ChangedInBatch, false))
        notifyChanged();
}

} // namespace pelorin
