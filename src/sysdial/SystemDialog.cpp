#include "control/PelorinControl.h"

// Later work: the system-dialog terminal, recording and continuous printing. The two toggles only
// switch their feature off for now, which is what the picture handlers ask of them.
namespace pelorin {

void PelorinControl::OpenSystemDialog() {}

void PelorinControl::Menu_Popup_PrintContinous_Click() {
    m_IsPrintingContinous = 0;
}

void PelorinControl::Menu_Popup_Record_Click() {
    m_IsRecording = 0;
}

} // namespace pelorin
