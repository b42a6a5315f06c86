#include "picture/PictureView.h"

#include "core/ClientProcs.h"
#include "core/NumberText.h"
#include "core/Protocol.h"
#include "picture/PictureModel.h"
#include "platform/ImageSurface.h"
#include "platform/InputCodes.h"
#include "platform/PictureBox.h"
#include "platform/Widgets.h"
#include "ports/Ports.h"
#include "toolbar/ToolbarRow.h"

#include <cstdlib>

// The picture view's mouse and key handling: picture links, selecting a value for writing, and
// dropping the selection.

namespace pelorin {

PictureView::PictureView(QWidget* parent, const PictureViewContext& context)
    : m_Selection(context.selection), m_Model(context.model), m_Picture(context.picture),
      m_Scale(context.scale), m_Toolbar(context.toolbar), m_View(context.view), m_Sender(context.sender) {
    Picture_PCT = new PictureBox(parent);
    Picture_PCT->setFocusPolicy(Qt::ClickFocus);
    m_Geometry = std::make_unique<ControlBase>(Picture_PCT);
    Picture_PCT->OnMouseMove = [this](int button, int shift, float x, float y) {
        Picture_PCT_MouseMove(static_cast<int16_t>(button), static_cast<int16_t>(shift), x, y);
    };
    Picture_PCT->OnClick = [this] { Picture_PCT_Click(); };
    Picture_PCT->OnDblClick = [this] { Picture_PCT_DblClick(); };
    Picture_PCT->OnKeyPress = [this](int16_t& keyAscii) { Picture_PCT_KeyPress(keyAscii); };
    Picture_PCT->OnPaint = [this] { Picture_PCT_Paint(); };
    m_ValueDrawing = std::make_unique<ValueDrawing>(m_Picture.m_Elements, Picture_PCT->Surface(),
                                                    [this] { return Painter(); });
    Picture_PCT->OnBeforeShow = [this] { m_ValueDrawing->BeforeShowing(); };
}

PictureView::~PictureView() = default;

ImageSurface& PictureView::Surface() {
    return Picture_PCT->Surface();
}

ElementPainter PictureView::Painter() const {
    return ElementPainter(m_Scale, m_Model.ColorPalette, m_Picture.m_DefaultBackgroundColor);
}

void PictureView::PaintElement(cElement& MyElement, int32_t PaintVisible, int16_t ClearBackground) {
    DrawPending();
    const ImageSurface::Batch batch(Surface());
    Painter().PaintElement(Surface(), MyElement, PaintVisible, ClearBackground);
}

void PictureView::PaintAllElements(int16_t ClearBackground) {
    // Even a cleared picture needs them: a group remembers which child it showed last.
    DrawPending();
    const ImageSurface::Batch batch(Surface());
    Painter().PaintAllElements(Surface(), m_Picture.m_Elements, ClearBackground);
    if (ClearBackground != 0)
        m_ValueDrawing->PictureDrawn();
}

void PictureView::Picture_PCT_MouseMove(int16_t /*Button*/, int16_t /*Shift*/, float X, float Y) {
    m_Selection.m_LastX = RoundTo<int32_t>(X);
    m_Selection.m_LastY = RoundTo<int32_t>(Y);
}

// A link's hit box is set when it is first drawn and stays: the values waiting to be drawn do not
// change it, so a click is answered without waiting for them.
void PictureView::Picture_PCT_Click() {
    for (const auto& e : m_Picture.m_Elements) {
        if (e->m_ElementType != ET_PICTURELINK || !e->HitTest(m_Selection.m_LastX, m_Selection.m_LastY))
            continue;
        const int32_t target = e->m_NewPicture;
        if (target > 0 && m_Model.PictureExists(target))
            m_Sender.TCPSend(CMD_GET_PICTURE, std::to_string(target));
        return;
    }
}

// Hit boxes are set by drawing: the changed values are drawn before they are tested.
void PictureView::Picture_PCT_DblClick() {
    DrawPending();
    cElement* chosen = nullptr;
    for (const auto& e : m_Picture.m_Elements) {
        if (e->m_ElementType == ET_DYNVALUE && e->HitTest(m_Selection.m_LastX, m_Selection.m_LastY)) {
            chosen = e.get();
            break;
        }
    }

    EndSelection();

    if (!chosen) {
        // Missing every value selects the nearest group, however far; the first wins a tie.
        int64_t nearest = 0;
        for (const auto& e : m_Picture.m_Elements) {
            if (e->m_ElementType != ET_DYNGROUP)
                continue;
            const int64_t distance = std::llabs(int64_t{m_Selection.m_LastY} - e->m_ScanBox_Y1) +
                                     std::llabs(int64_t{m_Selection.m_LastX} - e->m_ScanBox_X1);
            if (!chosen || distance < nearest) {
                chosen = e.get();
                nearest = distance;
            }
        }
        if (!chosen)
            return;
    }

    m_Selection.m_SelectedElement = chosen;
    PaintElement(*chosen, 0, 0);
    m_Toolbar.Text_Address->SetText(chosen->m_Address);
    m_SelectedValueText = RegionalNumber(chosen->m_Value);
    m_Toolbar.Text_NewValue->SetText(m_SelectedValueText);
    m_View.UpdateToolBarView();
}

void PictureView::Picture_PCT_KeyPress(int16_t& KeyAscii) {
    if (KeyAscii != kKeyEscape)
        return;
    if (m_Selection.m_SelectedElement) {
        EndSelection();
        m_View.UpdateToolBarView();
    }
    KeyAscii = 0;
}

void PictureView::Picture_PCT_Paint() {
    PaintAllElements(0);
}

void PictureView::Blink() {
    if (!m_Selection.m_SelectedElement)
        return;
    m_Selection.m_LastSelectedVisible = m_Selection.m_LastSelectedVisible ? 0 : -1;
    PaintElement(*m_Selection.m_SelectedElement, m_Selection.m_LastSelectedVisible, 0);
}

void PictureView::EndSelection() {
    if (!m_Selection.m_SelectedElement)
        return;
    PaintElement(*m_Selection.m_SelectedElement, -1, 0);
    m_Selection.m_SelectedElement = nullptr;
}

void PictureView::ForgetElements() {
    m_ValueDrawing->DropPending();
    m_Selection.m_SelectedElement = nullptr;
}

} // namespace pelorin
