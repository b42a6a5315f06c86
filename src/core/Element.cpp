#include "core/Element.h"

namespace pelorin {

bool cElement::HitTest(int32_t x, int32_t y) const {
    return m_ScanBox_X1 <= x && x <= m_ScanBox_X2 && m_ScanBox_Y1 <= y && y <= m_ScanBox_Y2;
}

} // namespace pelorin
