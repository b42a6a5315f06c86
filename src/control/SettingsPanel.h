#pragma once

#include "control/ControlMembers.h"
#include "platform/ChildControls.h"

class QWidget;

namespace pelorin {

class PropertyBag;
class SettingsStore;
class ViewSwitch;

// The picture's size and font: their start-up values, the host's parameters, the user's stored
// settings, and the settings panel that changes them.
class SettingsPanel {
public:
    SettingsPanel(QWidget* parent, SettingsMembers& members, SettingsStore& settings, ViewSwitch& view);

    Frame* Frame_Settings = nullptr;
    ComboBox* Combo_FontName = nullptr;
    ComboBox* Combo_FontSize = nullptr;
    ComboBox* Combo_Resolution = nullptr;
    CheckBox* Check_FontBold = nullptr;
    CommandButton* Command_Ok_Settings = nullptr;
    CommandButton* Command_Cancel_Settings = nullptr;
    CommandButton* Command_Settings_Default = nullptr;

    void SetStartUpValues();
    // The screen's fonts, the sizes 6..15 and the four resolutions.
    void FillFixedLists();
    // The host's picture and printer parameters, kept as the defaults "Återställ till standard" returns to.
    void ReadHostParameters(const PropertyBag& PropBag);
    void ApplyStoredSettings();
    // TB_SETTINGS: the lists show the current settings, which are kept until the panel closes.
    void Open();
    void SetVisible(bool visible);

private:
    void CreateFrame(QWidget* parent);

    SettingsMembers& m_;
    SettingsStore& m_Settings;
    ViewSwitch& m_View;
    ChildControls m_Controls;
};

} // namespace pelorin
