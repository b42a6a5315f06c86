#include "control/PelorinControl.h"
#include "platform/PictureBox.h"
#include "platform/Widgets.h"

#include <QLocale>
#include <QString>
#include <cstdlib>

// The picture view's mouse and key handling: picture links, selecting a value for writing, and
// dropping the selection.

namespace pelorin {

namespace {

constexpr int16_t kKeyEscape = 27;

// The value as the operator reads numbers: the regional decimal separator, no digit grouping (the text
// is sent back after "," becomes "."), and plain ASCII signs and exponent so that it reads back as a
// number.
std::string RegionalNumber(double value) {
    QString text = QString::number(value, 'g', QLocale::FloatingPointShortest);
    text.replace(QLatin1Char('.'), QLocale().decimalPoint());
    return text.toLatin1().toStdString();
}

} // namespace

void PelorinControl::Picture_PCT_MouseMove(int16_t /*Button*/, int16_t /*Shift*/, float X, float Y) {
    m_LastX = RoundTo<int32_t>(X);
    m_LastY = RoundTo<int32_t>(Y);
}

void PelorinControl::Picture_PCT_Click() {
    for (const auto& e : m_Elements) {
        if (e->m_ElementType != ET_PICTURELINK || !e->HitTest(m_LastX, m_LastY))
            continue;
        const int32_t target = e->m_NewPicture;
        if (target > 0 && target < kPictureTableSize && m_PictureExists[static_cast<size_t>(target)] != 0)
            TCPSend(CMD_GET_PICTURE, std::to_string(target));
        return;
    }
}

void PelorinControl::Picture_PCT_DblClick() {
    cElement* chosen = nullptr;
    for (const auto& e : m_Elements) {
        if (e->m_ElementType == ET_DYNVALUE && e->HitTest(m_LastX, m_LastY)) {
            chosen = e.get();
            break;
        }
    }

    if (m_SelectedElement) {
        PaintElement(Picture_PCT->Surface(), *m_SelectedElement, -1, 0);
        m_SelectedElement = nullptr;
    }

    if (!chosen) {
        // Missing every value selects the nearest group, however far; the first wins a tie.
        int64_t nearest = 0;
        for (const auto& e : m_Elements) {
            if (e->m_ElementType != ET_DYNGROUP)
                continue;
            const int64_t distance = std::llabs(int64_t{m_LastY} - e->m_ScanBox_Y1) +
                                     std::llabs(int64_t{m_LastX} - e->m_ScanBox_X1);
            if (!chosen || distance < nearest) {
                chosen = e.get();
                nearest = distance;
            }
        }
        if (!chosen)
            return;
    }

    m_SelectedElement = chosen;
    PaintElement(Picture_PCT->Surface(), *chosen, 0, 0);
    Text_Address->SetText(chosen->m_Address);
    Text_NewValue->SetText(RegionalNumber(chosen->m_Value));
    UpdateToolBarView();
}

void PelorinControl::Picture_PCT_KeyPress(int16_t& KeyAscii) {
    if (KeyAscii != kKeyEscape)
        return;
    if (m_SelectedElement) {
        PaintElement(Picture_PCT->Surface(), *m_SelectedElement, -1, 0);
        m_SelectedElement = nullptr;
        UpdateToolBarView();
    }
    KeyAscii = 0;
}

void PelorinControl::Picture_PCT_Paint() {
    PaintAllElements(Picture_PCT->Surface(), 0);
}

} // namespace pelorin
