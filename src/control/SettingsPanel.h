#pragma once

#include "platform/ChildControls.h"
#include "ports/ControlMembers.h"

#include <functional>

class QWidget;
class QSize;

namespace pelorin {

class PictureView;
class PropertyBag;
class SettingsStore;
class ViewSwitch;

struct SettingsPanelContext {
    SettingsMembers& settings;
    SettingsStore& store;
    ViewSwitch& view;
    PictureView& picture;
    // Lays the control out for the current size and font and repaints the picture.
    std::function<void()> updateSize;
};

// The picture's size and font: their start-up values, the host's parameters, the user's stored
// settings, and the settings panel that changes them. Every choice in the panel is applied to the live
// picture at once; the panel's buttons keep, undo or forget the choices.
class SettingsPanel {
public:
    SettingsPanel(QWidget* parent, SettingsPanelContext context);

    Frame* Frame_Settings = nullptr;
    ComboBox* Combo_FontName = nullptr;
    ComboBox* Combo_FontSize = nullptr;
    ComboBox* Combo_Resolution = nullptr;
    CheckBox* Check_FontBold = nullptr;
    CommandButton* Command_Ok_Settings = nullptr;
    CommandButton* Command_Cancel_Settings = nullptr;
    CommandButton* Command_Settings_Default = nullptr;

    // The start-up values are also the defaults until the host gives its own, so that "Återställ till
    // standard" on a control without host parameters keeps a usable picture.
    void SetStartUpValues();
    // The screen's fonts, the sizes 6..15 and the four resolutions.
    void FillFixedLists();
    // The host's picture and printer parameters, kept as the defaults "Återställ till standard" returns to.
    void ReadHostParameters(const PropertyBag& PropBag);
    void ApplyStoredSettings();
    // TB_SETTINGS: the lists show the current settings, which are kept until the panel closes.
    void Open();
    void SetVisible(bool visible);

    // The four change handlers act only while the panel is open (VS_SETTINGS).
    void Combo_Resolution_Click();
    void Combo_FontName_Click();
    void Combo_FontSize_Click();
    void Check_FontBold_Click();
    void Command_Ok_Settings_Click();
    void Command_Cancel_Settings_Click();
    void Command_Settings_Default_Click();

    // The control got a new size: with "Anpassa till fönstret" chosen, the picture follows it.
    void ControlResized(QSize controlSize);
    bool FitsToWindow() const { return m_FitToWindow; }

private:
    void FitPictureTo(QSize controlSize);
    void CreateFrame(QWidget* parent);
    void ConnectEvents();
    void KeepHostValuesAsDefaults();
    void UpdateSizeTwice();

    SettingsMembers& m_Settings;
    SettingsStore& m_Store;
    ViewSwitch& m_View;
    PictureView& m_Picture;
    std::function<void()> m_UpdateSize;
    ChildControls m_Controls;
    // The picture follows the control's size instead of a fixed resolution; kept like the resolution.
    bool m_FitToWindow = false;
    bool m_TempFitToWindow = false;
    bool m_Fitting = false;
};

} // namespace pelorin
