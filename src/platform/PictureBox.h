#pragma once

#include "platform/ImageSurface.h"
#include "platform/PictureAccess.h"

#include <QWidget>
#include <cstdint>
#include <functional>
#include <vector>

namespace pelorin {

// A picture box: a widget showing the persistent image of its ImageSurface, which follows the widget's
// size (content kept at the top-left). Its events reach the handlers with the control's usual
// arguments: Button and Shift as codes (InputCodes.h), X and Y in pixels, the key as KeyAscii.
//
// Event order of a double click: MouseDown, MouseUp, Click, DblClick, MouseUp. Click and DblClick are
// for the left button. OnPaint is raised when the widget is exposed (shown, resized, uncovered), not
// when the surface's own drawing is shown; the image is persistent, so a handler need not redraw.
class PictureBox : public QWidget {
    Q_OBJECT
public:
    explicit PictureBox(QWidget* parent = nullptr);

    ImageSurface& Surface() { return m_Surface; }
    const ImageSurface& Surface() const { return m_Surface; }

    // Sets the widget and its image to `size` pixels at once, also while the widget is hidden.
    void SetPixelSize(QSize size);

    // The pointer shape over the box: 0 the default arrow, 7 the north-south sizing arrow; other
    // values show the default.
    static constexpr int mpDefault = 0;
    static constexpr int mpSizeNS = 7;
    void SetMousePointer(int pointer);

    std::function<void(int button, int shift, float x, float y)> OnMouseDown;
    std::function<void(int button, int shift, float x, float y)> OnMouseMove;
    std::function<void(int button, int shift, float x, float y)> OnMouseUp;
    std::function<void()> OnClick;
    std::function<void()> OnDblClick;
    // The handler may set the key to 0 to swallow it; picture boxes use every key they are given.
    std::function<void(int16_t& keyAscii)> OnKeyPress;
    std::function<void()> OnPaint;
    // Raised whenever the widget is about to show its image: drawing held back can still join it.
    std::function<void()> OnBeforeShow;

    QSize sizeHint() const override { return m_Surface.UnitSize(); }

    // The values and links the box shows, in reading order: what a screen reader lists, and what Tab
    // and Shift+Tab move a focus ring over while the box has the keyboard.
    std::function<std::vector<PictureItem>()> Items;
    // Enter on the item under the focus ring, or a screen reader's press on an item.
    std::function<void(const PictureItem& item)> OnActivateItem;
    void ActivateItem(int index);
    // The item under the focus ring, -1 for none. The ring shows only once the keyboard moved it.
    int FocusItem() const { return m_FocusItem; }
    void ClearFocusItem();
    // The items are about to be replaced by another picture's.
    void ItemsGoing();
    // The picture is drawn: its items are there.
    void ItemsShown();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void imageChanged();
    void MoveFocusItem(int index);
    void PaintFocusRing(QPainter& painter);
    static void raiseMouse(const std::function<void(int, int, float, float)>& handler, int button,
                           const QMouseEvent& event);

    ImageSurface m_Surface;
    bool m_DrawingShownPending = false;
    bool m_InPaintHandler = false;
    bool m_ReleaseEndsDoubleClick = false;
    int m_FocusItem = -1;
    // How many items screen readers were told of.
    int m_ItemsTold = 0;
};

} // namespace pelorin
