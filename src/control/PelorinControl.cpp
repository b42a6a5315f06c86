#include "control/PelorinControl.h"

#include "control/ControlLayout.h"
#include "control/SettingsPanel.h"
#include "core/ClientProcs.h"
#include "link/ServerLink.h"
#include "link/Session.h"
#include "picture/PictureModel.h"
#include "picture/PictureView.h"
#include "platform/PictureBox.h"
#include "platform/Widgets.h"
#include "printing/Printout.h"
#include "setpoints/CurveEditor.h"
#include "setpoints/SetpointPanel.h"
#include "sysdial/SystemDialog.h"
#include "texts/TextView.h"
#include "toolbar/ToolbarRow.h"

#include <QResizeEvent>

// Construction, the lifecycle calls and the public methods. Each lifecycle step is a call into the
// component it belongs to.

namespace pelorin {

PelorinControl::PelorinControl(ControlServices services, QWidget* parent)
    : QWidget(parent), m_Services(services) {
    if (!m_Services.settings) {
        m_OwnSettings = std::make_unique<SettingsStore>();
        m_Services.settings = m_OwnSettings.get();
    }
    if (!m_Services.dialogs) {
        m_OwnDialogs = std::make_unique<QtDialogs>(this);
        m_Services.dialogs = m_OwnDialogs.get();
    }
    m_Geometry = std::make_unique<ControlBase>(this);
    CreateComponents();
    StackChildren();
}

PelorinControl::~PelorinControl() {
    // The timer and the sockets go first, so that none of their events reaches a half-destroyed control.
    m_Session.reset();
    m_Link.reset();
    m_SystemDialog.reset();
}

void PelorinControl::CreateComponents() {
    ViewSwitch& viewSwitch = *this;
    ControlActions& actions = *this;
    m_Toolbar = std::make_unique<ToolbarRow>(this, actions);
    m_Model = std::make_unique<PictureModel>(*this);
    m_Link = std::make_unique<ServerLink>(*this, actions);
    m_View =
        std::make_unique<PictureView>(this, *this, *m_Model, *this, *this, *m_Toolbar, viewSwitch, *m_Link);
    m_Texts = std::make_unique<TextView>(this, *this, *this, *this, *this, viewSwitch, *m_Link, *m_Toolbar,
                                         actions, *m_Services.dialogs);
    m_SystemDialog = std::make_unique<SystemDialog>(this, *this, *this, *this, *this, *m_Link, viewSwitch,
                                                    *m_Services.settings, *m_Services.dialogs);
    m_CurveEditor = std::make_unique<CurveEditor>(this, *this, *this, viewSwitch, *m_Link,
                                                  [this] { m_Setpoints->Command_CancelSPV_Click(); });
    m_Setpoints = std::make_unique<SetpointPanel>(this, *this, *this, *this, *m_Toolbar, *m_View,
                                                  *m_CurveEditor, viewSwitch, *m_Link);
    m_SettingsPanel = std::make_unique<SettingsPanel>(this, *this, *m_Services.settings, viewSwitch, *m_View,
                                                      [this] { UpdateSize(); });
    m_Session =
        std::make_unique<Session>(this, *this, *m_Link, *m_SystemDialog, *m_Toolbar, viewSwitch, actions);
    m_Printout = std::make_unique<Printout>(m_Services.printer, m_Services.output, *this, *this, *this, *this,
                                            *this, *m_Model, *m_View, *m_SystemDialog, *m_Texts, *m_Setpoints,
                                            *m_CurveEditor);
    if (m_Services.output)
        m_SystemDialog->SetOutputReport(*m_Services.output);
    m_Layout = std::make_unique<ControlLayout>(
        *m_Geometry, *this, *this, *this, *m_View, *m_Toolbar,
        std::vector<Frame*>{m_Session->Frame_Login, m_Setpoints->Frame_SPV, m_CurveEditor->Frame_SPV_Curve,
                            m_SettingsPanel->Frame_Settings},
        std::vector<TextBox*>{m_SystemDialog->Text_Sysdial, m_Texts->Text_Any});
}

// Children cover each other in this order, bottom to top: the picture, the two text overlays, then the
// toolbar row and the panels in the order they were made.
void PelorinControl::StackChildren() {
    m_SystemDialog->Text_Sysdial->widget()->lower();
    m_Texts->Text_Any->widget()->lower();
    m_View->Picture_PCT->lower();
}

void PelorinControl::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    QWidget* toolbar = m_Toolbar->Toolbar->widget();
    toolbar->resize(event->size().width(), toolbar->height());
}

void PelorinControl::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    UserControl_Show();
}

// ---- Lifecycle ----

void PelorinControl::UserControl_Initialize() {
    m_SettingsPanel->SetStartUpValues();
    m_Link->SetServer("127.0.0.1", 23);
    m_Layout->PlacePictureBelowToolbar();
    m_SettingsPanel->FillFixedLists();
    UpdateSize();
    ShowView(VS_LOGIN);
    m_View->PaintAllElements(-1);
    m_CurveEditor->LayoutCurveChart();
    m_SystemDialog->ReadRecordingStartPath();
}

// A new instance without parameters keeps the values of UserControl_Initialize.
void PelorinControl::UserControl_InitProperties() {}

void PelorinControl::UserControl_ReadProperties(const PropertyBag& PropBag) {
    m_SettingsPanel->ReadHostParameters(PropBag);
    m_Session->SetServerAddress(PropBag.ReadProperty("ServerAddress", {}));
    m_SettingsPanel->ApplyStoredSettings();
    UpdateSize();
}

void PelorinControl::UserControl_Show() {
    m_Session->FocusUserVisa();
}

// Nothing is saved, and the system-dialog connection stays as it is.
void PelorinControl::UserControl_Terminate() {
    m_Link->Close();
}

// ---- Public methods ----

void PelorinControl::ExtractAllElements(const std::string& StringArray) {
    RemoveAllElements();
    // Picture links are sized by the picture box's digit cell in its current font and scale.
    const ImageSurface& surface = m_View->Surface();
    m_Model->ExtractAllElements(StringArray, surface.TextWidth("8"), surface.TextHeight("8"));
}

void PelorinControl::ExtractElement(cElement& MyElement, int32_t& ElementPointer, int32_t& Length,
                                    int32_t& ParameterPointer) {
    m_Model->ExtractElement(MyElement, ElementPointer, Length, ParameterPointer);
}

void PelorinControl::RemoveAllElements() {
    m_View->ForgetElements();
    m_Setpoints->ForgetBlocks();
    m_Model->RemoveAllElements();
}

int32_t PelorinControl::String2Long(const std::string& DataBlock, int32_t Location) const {
    return pelorin::String2Long(DataBlock, Location);
}

int32_t PelorinControl::String2Short(const std::string& DataBlock, int32_t Location) const {
    return pelorin::String2Short(DataBlock, Location);
}

void PelorinControl::TCPSend(int16_t TCPCommand, const std::string& Buffer) {
    m_Link->TCPSend(TCPCommand, Buffer);
}

void PelorinControl::UpdateSize() {
    m_Layout->UpdateSize();
    m_View->PaintAllElements(-1);
}

void PelorinControl::PaintElement(PaintSurface& PaintObject, cElement& MyElement, int32_t PaintVisible,
                                  int16_t ClearBackground) {
    m_View->DrawPending();
    m_View->Painter().PaintElement(PaintObject, MyElement, PaintVisible, ClearBackground);
}

} // namespace pelorin
