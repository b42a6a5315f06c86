#include "setpoints/CurveEditor.h"

#include "core/Latin1.h"
#include "platform/PictureBox.h"

namespace pelorin {

CurveEditor::CurveEditor(QWidget* parent) {
    Frame_SPV_Curve = m_Controls.Make<Frame>(parent, Latin1FromUtf8("&Börvärden"));
    Frame_SPV_Curve->SetWidth(7800);
    Frame_SPV_Curve->SetHeight(6000);
    Picture_SPV_Curve = new PictureBox(Frame_SPV_Curve->widget());
    Place(*m_Controls.Make<ControlBase>(Picture_SPV_Curve), {120, 300, 5400, 4200});
}

CurveEditor::~CurveEditor() = default;

void CurveEditor::SetVisible(bool visible) {
    Frame_SPV_Curve->SetVisible(visible);
}

} // namespace pelorin
