#include "platform/PictureBox.h"

#include "platform/InputCodes.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <utility>

namespace pelorin {

PictureBox::PictureBox(QWidget* parent) : QWidget(parent), m_Surface(QSize(1, 1)) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_Surface.OnChanged = [this] { imageChanged(); };
}

void PictureBox::SetPixelSize(QSize size) {
    resize(size);
    m_Surface.Resize(size);
}

void PictureBox::SetMousePointer(int pointer) {
    if (pointer == mpSizeNS)
        setCursor(Qt::SizeVerCursor);
    else
        unsetCursor();
}

void PictureBox::imageChanged() {
    if (m_InPaintHandler)
        return;
    m_DrawingShownPending = true;
    update();
}

void PictureBox::paintEvent(QPaintEvent*) {
    const bool exposed = !m_DrawingShownPending;
    m_DrawingShownPending = false;
    m_InPaintHandler = true;
    if (OnBeforeShow)
        OnBeforeShow();
    if (exposed && OnPaint)
        OnPaint();
    m_InPaintHandler = false;
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.drawImage(0, 0, m_Surface.Image());
}

void PictureBox::resizeEvent(QResizeEvent*) {
    m_Surface.Resize(size());
}

void PictureBox::raiseMouse(const std::function<void(int, int, float, float)>& handler, int button,
                            const QMouseEvent& event) {
    if (!handler)
        return;
    const QPointF at = event.position();
    handler(button, ShiftState(event.modifiers()), static_cast<float>(at.x()), static_cast<float>(at.y()));
}

void PictureBox::mousePressEvent(QMouseEvent* event) {
    raiseMouse(OnMouseDown, ButtonState(event->button()), *event);
}

void PictureBox::mouseMoveEvent(QMouseEvent* event) {
    raiseMouse(OnMouseMove, ButtonState(event->buttons()), *event);
}

void PictureBox::mouseReleaseEvent(QMouseEvent* event) {
    const bool endsDoubleClick = std::exchange(m_ReleaseEndsDoubleClick, false);
    raiseMouse(OnMouseUp, ButtonState(event->button()), *event);
    if (event->button() == Qt::LeftButton && !endsDoubleClick &&
        rect().contains(event->position().toPoint()) && OnClick)
        OnClick();
}

void PictureBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        mousePressEvent(event);
        return;
    }
    m_ReleaseEndsDoubleClick = true;
    if (OnDblClick)
        OnDblClick();
}

void PictureBox::keyPressEvent(QKeyEvent* event) {
    const int code = KeyAscii(*event);
    if (code == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    int16_t keyAscii = static_cast<int16_t>(code);
    if (OnKeyPress)
        OnKeyPress(keyAscii);
    event->accept();
}

} // namespace pelorin
