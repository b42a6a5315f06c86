#pragma once

#include "platform/ChildControls.h"

#include <memory>

class QWidget;

namespace pelorin {

class PictureBox;

// The editor of a setpoint curve: its frame and the chart box.
class CurveEditor {
public:
    explicit CurveEditor(QWidget* parent);
    ~CurveEditor();

    Frame* Frame_SPV_Curve = nullptr;
    PictureBox* Picture_SPV_Curve = nullptr;

    void SetVisible(bool visible);

private:
    ChildControls m_Controls;
};

} // namespace pelorin
