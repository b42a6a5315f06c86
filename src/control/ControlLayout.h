#pragma once

#include "ports/ControlMembers.h"

#include <vector>

namespace pelorin {

class ControlBase;
class Frame;
class PictureView;
class TextBox;
class ToolbarRow;

struct ControlLayoutContext {
    ControlBase& control;
    ScaleMembers& scale;
    const SettingsMembers& settings;
    const SessionMembers& session;
    PictureView& view;
    ToolbarRow& toolbar;
    // Centred in the control.
    std::vector<Frame*> panels;
    // Cover the picture exactly.
    std::vector<TextBox*> overlays;
};

// The layout for the chosen resolution: the picture's scale, the picture box's pixels, the control
// around it, the toolbar row, the picture font, the centred panels and the overlays.
class ControlLayout {
public:
    explicit ControlLayout(ControlLayoutContext context);

    // The picture starts 50 twips below the toolbar.
    void PlacePictureBelowToolbar();
    void UpdateSize();

private:
    void ApplyPictureFont(int32_t width);
    void CentrePanels();
    void CoverPictureWithOverlays();

    ControlBase& m_Control;
    ScaleMembers& m_Scale;
    const SettingsMembers& m_Settings;
    const SessionMembers& m_Session;
    PictureView& m_View;
    ToolbarRow& m_Toolbar;
    std::vector<Frame*> m_Panels;
    std::vector<TextBox*> m_Overlays;
};

} // namespace pelorin
