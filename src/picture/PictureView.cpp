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

#include <QString>
#include <algorithm>
#include <cstdlib>
#include <utility>

// The picture view's mouse and key handling: picture links, selecting a value for writing, and
// dropping the selection.

namespace pelorin {

PictureView::PictureView(QWidget* parent, const PictureViewContext& context)
    : m_Selection(context.selection), m_Model(context.model), m_Picture(context.picture),
      m_Scale(context.scale), m_Toolbar(context.toolbar), m_View(context.view), m_Sender(context.sender) {
    Picture_PCT = new PictureBox(parent);
    Picture_PCT->setAccessibleName(QStringLiteral("Processbild"));
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
    Picture_PCT->Items = [this] { return AccessibleItems(); };
    Picture_PCT->OnActivateItem = [this](const PictureItem& item) { ActivateItem(item); };
    m_ValueDrawing->OnDrawn = [this](const std::vector<size_t>& positions) {
        TellPictureValuesChanged(*Picture_PCT, positions);
    };
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
    if (ClearBackground != 0) {
        m_ValueDrawing->PictureDrawn();
        Picture_PCT->ItemsShown();
    }
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
        FollowLink(*e);
        return;
    }
}

void PictureView::FollowLink(const cElement& link) {
    const int32_t target = link.m_NewPicture;
    if (target > 0 && m_Model.PictureExists(target))
        m_Sender.TCPSend(CMD_GET_PICTURE, std::to_string(target));
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
    Select(*chosen);
}

void PictureView::Select(cElement& chosen) {
    m_Selection.m_SelectedElement = &chosen;
    PaintElement(chosen, 0, 0);
    m_Toolbar.Text_Address->SetText(chosen.m_Address);
    m_SelectedValueText = RegionalNumber(chosen.m_Value);
    m_Toolbar.Text_NewValue->SetText(m_SelectedValueText);
    m_View.UpdateToolBarView();
}

// Enter on a link follows it as a click does; on a value it selects the value as a double click does.
void PictureView::ActivateItem(const PictureItem& item) {
    DrawPending();
    if (item.id >= m_Picture.m_Elements.size())
        return;
    cElement& e = *m_Picture.m_Elements[item.id];
    if (e.m_ElementType == ET_PICTURELINK) {
        FollowLink(e);
        return;
    }
    EndSelection();
    Select(e);
}

namespace {

QRect HitBox(const cElement& e) {
    if (e.m_ScanBox_X1 < 0 || e.m_ScanBox_X2 < e.m_ScanBox_X1)
        return {};
    return QRect(QPoint(e.m_ScanBox_X1, e.m_ScanBox_Y1), QPoint(e.m_ScanBox_X2, e.m_ScanBox_Y2));
}

// The unit a picture writes beside a value: a short text starting on the value's row just after it.
const cElement* UnitBeside(const ElementList& elements, const cElement& value, double valueRight) {
    constexpr int32_t kRowTolerance = 4;
    constexpr double kMaxGap = 24;
    constexpr size_t kMaxUnitLength = 6;
    const cElement* nearest = nullptr;
    for (const auto& e : elements) {
        if (e->m_ElementType != ET_TEXT || e->m_Text.empty() || e->m_Text.size() > kMaxUnitLength ||
            std::abs(e->m_Y1 - value.m_Y1) > kRowTolerance || e->m_X1 < valueRight - 2 ||
            e->m_X1 > valueRight + kMaxGap)
            continue;
        if (!nearest || e->m_X1 < nearest->m_X1)
            nearest = e.get();
    }
    return nearest;
}

} // namespace

std::vector<PictureItem> PictureView::AccessibleItems() const {
    std::vector<PictureItem> items;
    const ElementList& elements = m_Picture.m_Elements;
    for (size_t i = 0; i < elements.size(); ++i) {
        const cElement& e = *elements[i];
        const QRect rect = HitBox(e);
        if (e.m_ElementType == ET_PICTURELINK) {
            items.push_back(
                {.kind = PictureItem::Kind::Link,
                 .id = i,
                 .name = QStringLiteral("Bildlänk till bild %1").arg(e.m_NewPicture, 3, 10, QLatin1Char('0')),
                 .value = {},
                 .number = 0,
                 .rect = rect});
        } else if (e.m_ElementType == ET_DYNVALUE) {
            QString value = QString::fromLatin1(e.m_Text).trimmed();
            const double right = (e.m_ScanBox_X2 - m_Scale.m_XAdd) / m_Scale.m_XMul;
            if (const cElement* unit = rect.isEmpty() ? nullptr : UnitBeside(elements, e, right))
                value += QLatin1Char(' ') + QString::fromLatin1(unit->m_Text).trimmed();
            items.push_back({.kind = PictureItem::Kind::Value,
                             .id = i,
                             .name = QString::fromLatin1(e.m_Address) + QLatin1Char(' ') + value,
                             .value = value,
                             .number = e.m_Value,
                             .rect = rect});
        }
    }
    // Reading order: rows top to bottom, each left to right, by where the picture places them, so that
    // an item keeps its place while values come and go.
    std::stable_sort(items.begin(), items.end(), [&elements](const PictureItem& a, const PictureItem& b) {
        const cElement& ea = *elements[a.id];
        const cElement& eb = *elements[b.id];
        return std::pair(ea.m_Y1, ea.m_X1) < std::pair(eb.m_Y1, eb.m_X1);
    });
    return items;
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
    Picture_PCT->ItemsGoing();
    m_Selection.m_SelectedElement = nullptr;
}

} // namespace pelorin
