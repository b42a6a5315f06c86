#include "platform/PictureBox.h"

#include "platform/InputCodes.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPen>
#include <utility>

namespace pelorin {

// Drawn at the screen's device pixel ratio, so that a high-resolution screen shows it sharp.
PictureBox::PictureBox(QWidget* parent) : QWidget(parent), m_Surface(QSize(1, 1), 0, devicePixelRatioF()) {
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    m_Surface.OnChanged = [this] { imageChanged(); };
    InstallPictureAccess();
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
    PaintFocusRing(painter);
}

// Over the image, not in it: printouts and captures of the picture never show the ring.
void PictureBox::PaintFocusRing(QPainter& painter) {
    if (m_FocusItem < 0 || !hasFocus() || !Items)
        return;
    const std::vector<PictureItem> items = Items();
    if (static_cast<size_t>(m_FocusItem) >= items.size())
        return;
    // Two pixels in the highlight colour over a dark edge: visible on any picture background.
    const QRect ring = items[static_cast<size_t>(m_FocusItem)].rect.adjusted(-3, -3, 3, 3);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(ring.adjusted(-1, -1, 1, 1));
    painter.setPen(QPen(palette().highlight().color(), 2));
    painter.drawRect(ring);
}

void PictureBox::ActivateItem(int index) {
    if (!Items || !OnActivateItem || index < 0)
        return;
    const std::vector<PictureItem> items = Items();
    if (static_cast<size_t>(index) < items.size())
        OnActivateItem(items[static_cast<size_t>(index)]);
}

void PictureBox::ClearFocusItem() {
    m_FocusItem = -1;
    update();
}

void PictureBox::ItemsGoing() {
    ClearFocusItem();
    TellPictureItems(*this, QAccessible::ObjectDestroyed, 0, m_ItemsTold);
    m_ItemsTold = 0;
}

void PictureBox::ItemsShown() {
    const int count = Items ? static_cast<int>(Items().size()) : 0;
    TellPictureItems(*this, QAccessible::ObjectCreated, m_ItemsTold, count);
    m_ItemsTold = count;
}

void PictureBox::MoveFocusItem(int index) {
    m_FocusItem = index;
    update();
    TellPictureFocus(*this, index);
}

// Tab walks the items and leaves the box after the last (Shift+Tab before the first).
bool PictureBox::focusNextPrevChild(bool next) {
    const int count = Items ? static_cast<int>(Items().size()) : 0;
    const int target = m_FocusItem < 0 ? (next ? 0 : count - 1) : m_FocusItem + (next ? 1 : -1);
    if (target >= 0 && target < count) {
        MoveFocusItem(target);
        return true;
    }
    ClearFocusItem();
    return QWidget::focusNextPrevChild(next);
}

void PictureBox::focusInEvent(QFocusEvent* event) {
    const int count = Items ? static_cast<int>(Items().size()) : 0;
    if (event->reason() == Qt::TabFocusReason && count > 0)
        MoveFocusItem(0);
    else if (event->reason() == Qt::BacktabFocusReason && count > 0)
        MoveFocusItem(count - 1);
    QWidget::focusInEvent(event);
}

void PictureBox::focusOutEvent(QFocusEvent* event) {
    update();
    QWidget::focusOutEvent(event);
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
    if (m_FocusItem >= 0)
        ClearFocusItem();
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
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && m_FocusItem >= 0 && OnActivateItem) {
        ActivateItem(m_FocusItem);
        event->accept();
        return;
    }
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
