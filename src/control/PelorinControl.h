#pragma once

#include "ports/ControlMembers.h"
#include "ports/Ports.h"

#include <QWidget>
#include <cstdint>
#include <memory>
#include <string>

namespace pelorin {

class ControlBase;
class ControlLayout;
class CurveEditor;
class Dialogs;
class PaintSurface;
class PictureModel;
class PictureView;
class Printout;
class PropertyBag;
class ServerLink;
class Session;
class SettingsPanel;
class SettingsStore;
class SetpointPanel;
class SystemDialog;
class TextView;
class ToolbarRow;

// The operator client control as its host sees it: the public members, the public methods and the
// lifecycle calls. Inside it is a set of components, one per subsystem, wired here; the handlers that
// span subsystems stay here and read as their steps, each a call into a component.
class PelorinControl : public QWidget,
                       public ScaleMembers,
                       public LinkMembers,
                       public SessionMembers,
                       public PictureMembers,
                       public SelectionMembers,
                       public InputMembers,
                       public SettingsMembers,
                       public ViewMembers,
                       public SetpointMembers,
                       public TextMembers,
                       public SysdialMembers,
                       public PrintMembers,
                       private ViewSwitch,
                       private ControlActions,
                       private CommandSender {
    Q_OBJECT
public:
    explicit PelorinControl(ControlServices services = {}, QWidget* parent = nullptr);
    ~PelorinControl() override;

    // ---- Lifecycle ----
    void UserControl_Initialize();
    void UserControl_InitProperties();
    void UserControl_ReadProperties(const PropertyBag& PropBag);
    void UserControl_Show();
    void UserControl_Terminate();

    // ---- Public methods ----
    void UpdateToolBarView() override;
    void ExtractAllElements(const std::string& StringArray);
    void ExtractElement(cElement& MyElement, int32_t& ElementPointer, int32_t& Length,
                        int32_t& ParameterPointer);
    void RemoveAllElements() override;
    int32_t String2Long(const std::string& DataBlock, int32_t Location) const;
    int32_t String2Short(const std::string& DataBlock, int32_t Location) const;
    void TCPSend(int16_t TCPCommand, const std::string& Buffer) override;
    void UpdateSize();
    void PaintElement(PaintSurface& PaintObject, cElement& MyElement, int32_t PaintVisible,
                      int16_t ClearBackground);

    // ---- Handlers that span subsystems ----
    void Toolbar_ButtonClick(const std::string& ButtonKey) override;
    // `MenuTag` tells apart the entries made at run time (setpoint blocks), which have no key.
    void Toolbar_ButtonMenuClick(const std::string& MenuKey, const std::string& ParentKey,
                                 const std::string& MenuTag = {}) override;
    void DispatchFrame(uint8_t code, const std::string& payload) override;
    void OnPicture(const std::string& payload);
    void OnNoPicture(const std::string& payload);
    void OnValue(const std::string& payload);
    void Timer_System_Timer() override;

    // ---- Components ----
    ServerLink& link() { return *m_Link; }
    Session& session() { return *m_Session; }
    PictureModel& model() { return *m_Model; }
    PictureView& view() { return *m_View; }
    ToolbarRow& toolbar() { return *m_Toolbar; }
    ControlLayout& layout() { return *m_Layout; }
    SettingsPanel& settingsPanel() { return *m_SettingsPanel; }
    SetpointPanel& setpoints() { return *m_Setpoints; }
    CurveEditor& curveEditor() { return *m_CurveEditor; }
    TextView& texts() { return *m_Texts; }
    SystemDialog& systemDialog() { return *m_SystemDialog; }
    Printout& printout() { return *m_Printout; }

protected:
    // The toolbar is aligned to the top edge: it follows the control's width.
    void resizeEvent(QResizeEvent* event) override;
    // Each time the control becomes visible its host's UserControl_Show is delivered.
    void showEvent(QShowEvent* event) override;

private:
    int16_t View() const override { return m_ViewState; }
    void ShowView(int16_t view) override;
    bool Connected() const override;
    void CreateComponents();
    void StackChildren();
    void GetTypedPicture();
    void StepPicture(int direction);
    void UpdateIndicator();
    void LogOut();
    void TellValue(int32_t pointer, const std::string& valueText);
    std::string WatchedAddress(int32_t pointer);

    std::unique_ptr<SettingsStore> m_OwnSettings;
    std::unique_ptr<Dialogs> m_OwnDialogs;
    ControlServices m_Services;

    // Twips geometry of the control itself.
    std::unique_ptr<ControlBase> m_Geometry;
    std::unique_ptr<ToolbarRow> m_Toolbar;
    std::unique_ptr<PictureModel> m_Model;
    std::unique_ptr<ServerLink> m_Link;
    std::unique_ptr<PictureView> m_View;
    std::unique_ptr<TextView> m_Texts;
    std::unique_ptr<SystemDialog> m_SystemDialog;
    std::unique_ptr<SetpointPanel> m_Setpoints;
    std::unique_ptr<CurveEditor> m_CurveEditor;
    std::unique_ptr<SettingsPanel> m_SettingsPanel;
    std::unique_ptr<Session> m_Session;
    std::unique_ptr<Printout> m_Printout;
    std::unique_ptr<ControlLayout> m_Layout;
};

} // namespace pelorin
