#include "platform/ImageSurface.h"

#include "platform/Colour.h"
#include "platform/Screen.h"

#include <QPainter>

namespace pelorin {

namespace {

QSize AtLeastOnePixel(QSize size) {
    return size.expandedTo(QSize(1, 1));
}

} // namespace

ImageSurface::ImageSurface(QSize size, double dpi)
    : PainterSurface(SystemColourValue(18), SystemColourValue(15)),
      m_Dpi(dpi > 0 ? dpi : Screen::LogicalDpiY()), m_Image(blankImage(size)) {}

QImage ImageSurface::blankImage(QSize size) const {
    QImage image(AtLeastOnePixel(size), QImage::Format_RGB32);
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
    if (AtLeastOnePixel(size) == m_Image.size())
        return;
    QImage resized = blankImage(size);
    {
        QPainter painter(&resized);
        painter.drawImage(0, 0, m_Image);
    }
    m_Image = std::move(resized);
    notifyChanged();
}

void ImageSurface::drawOnTargets(const std::function<void(QPainter&)>& draw) {
    {
        QPainter painter(&m_Image);
        SetUpPixelPainter(painter);
        draw(painter);
    }
    notifyChanged();
}

void ImageSurface::notifyChanged() {
    if (OnChanged)
        OnChanged();
}

} // namespace pelorin
