#include "control/PelorinControl.h"
#include "platform/PictureBox.h"
#include "platform/Widgets.h"

#include <algorithm>

namespace pelorin {

// TB_SEND_SPV: writes the value typed in Text_NewValue to the selected element, then ends the
// selection. The server shows the result with its next value.
void PelorinControl::SendSelectedValue() {
    if (!m_SelectedElement)
        return;
    std::string value = Text_NewValue->Text();
    std::replace(value.begin(), value.end(), ',', '.');
    TCPSend(CMD_WRITE_VALUE, Long2String(m_SelectedElement->m_DynamicArrayPointer) + value);
    PaintElement(Picture_PCT->Surface(), *m_SelectedElement, -1, 0);
    m_SelectedElement = nullptr;
    UpdateToolBarView();
}

} // namespace pelorin
