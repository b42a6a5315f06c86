#include "control/PelorinControl.h"

#include "control/ControlLayout.h"
#include "control/SettingsPanel.h"
#include "core/ClientProcs.h"
#include "core/Payload.h"
#include "core/Protocol.h"
#include "link/ServerLink.h"
#include "link/Session.h"
#include "picture/PictureModel.h"
#include "picture/PictureView.h"
#include "platform/PictureBox.h"
#include "platform/Widgets.h"
#include "ports/PlantWatch.h"
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

// Each component is made after those it is handed: the toolbar row, the model and the link first; the
// curve editor before the setpoint panel that opens it; the system dialog before the session that
// tells it the server; the printout and the layout last, as they read or place every view. Widgets
// stack in the order they are made (see StackChildren). The callbacks run only once all exist.
void PelorinControl::CreateComponents() {
    ViewSwitch& viewSwitch = *this;
    ControlActions& actions = *this;
    // Requests go out through the control, so that a watch learns of every write whoever sends it.
    CommandSender& sender = *this;
    m_Toolbar = std::make_unique<ToolbarRow>(this, actions);
    m_Model = std::make_unique<PictureModel>(*this);
    m_Link = std::make_unique<ServerLink>(*this, actions);
    m_View = std::make_unique<PictureView>(this, PictureViewContext{.selection = *this,
                                                                    .model = *m_Model,
                                                                    .picture = *this,
                                                                    .scale = *this,
                                                                    .toolbar = *m_Toolbar,
                                                                    .view = viewSwitch,
                                                                    .sender = sender});
    m_Texts = std::make_unique<TextView>(this, TextViewContext{.text = *this,
                                                               .keys = *this,
                                                               .session = *this,
                                                               .picture = *this,
                                                               .view = viewSwitch,
                                                               .sender = sender,
                                                               .toolbar = *m_Toolbar,
                                                               .actions = actions,
                                                               .dialogs = *m_Services.dialogs});
    m_SystemDialog =
        std::make_unique<SystemDialog>(this, SystemDialogContext{.sysdial = *this,
                                                                 .keys = *this,
                                                                 .session = *this,
                                                                 .settingsMembers = *this,
                                                                 .sender = sender,
                                                                 .view = viewSwitch,
                                                                 .settings = *m_Services.settings,
                                                                 .dialogs = *m_Services.dialogs});
    m_CurveEditor = std::make_unique<CurveEditor>(
        this, CurveEditorContext{.setpoint = *this,
                                 .picture = *this,
                                 .view = viewSwitch,
                                 .sender = sender,
                                 .closeSetpoint = [this] { m_Setpoints->Command_CancelSPV_Click(); }});
    m_Setpoints = std::make_unique<SetpointPanel>(this, SetpointPanelContext{.setpoint = *this,
                                                                             .selection = *this,
                                                                             .picture = *this,
                                                                             .toolbar = *m_Toolbar,
                                                                             .pictureView = *m_View,
                                                                             .curve = *m_CurveEditor,
                                                                             .view = viewSwitch,
                                                                             .sender = sender});
    m_SettingsPanel =
        std::make_unique<SettingsPanel>(this, SettingsPanelContext{.settings = *this,
                                                                   .store = *m_Services.settings,
                                                                   .view = viewSwitch,
                                                                   .picture = *m_View,
                                                                   .updateSize = [this] { UpdateSize(); }});
    m_Session = std::make_unique<Session>(this, SessionContext{.session = *this,
                                                               .link = *m_Link,
                                                               .systemDialog = *m_SystemDialog,
                                                               .toolbar = *m_Toolbar,
                                                               .view = viewSwitch,
                                                               .actions = actions});
    m_Printout = std::make_unique<Printout>(PrintoutContext{.printer = m_Services.printer,
                                                            .report = m_Services.output,
                                                            .picture = *this,
                                                            .session = *this,
                                                            .settings = *this,
                                                            .setpoint = *this,
                                                            .viewState = *this,
                                                            .model = *m_Model,
                                                            .view = *m_View,
                                                            .terminal = *m_SystemDialog,
                                                            .texts = *m_Texts,
                                                            .setpoints = *m_Setpoints,
                                                            .curve = *m_CurveEditor});
    if (m_Services.output)
        m_SystemDialog->SetOutputReport(*m_Services.output);
    m_Layout = std::make_unique<ControlLayout>(
        ControlLayoutContext{.control = *m_Geometry,
                             .scale = *this,
                             .settings = *this,
                             .session = *this,
                             .view = *m_View,
                             .toolbar = *m_Toolbar,
                             .panels = {m_Session->Frame_Login, m_Setpoints->Frame_SPV,
                                        m_CurveEditor->Frame_SPV_Curve, m_SettingsPanel->Frame_Settings},
                             .overlays = {m_SystemDialog->Text_Sysdial, m_Texts->Text_Any}});
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
    if (m_SettingsPanel)
        m_SettingsPanel->ControlResized(event->size());
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
    if (TCPCommand == CMD_WRITE_VALUE && m_Services.watch && m_Link->Connected()) {
        const int32_t pointer = pelorin::String2Long(Buffer, 0);
        m_Services.watch->WriteSent(pointer, WatchedAddress(pointer), PayloadBytes(Buffer, 4));
    }
    m_Link->TCPSend(TCPCommand, Buffer);
}

bool PelorinControl::Connected() const {
    return m_Link->Connected();
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
