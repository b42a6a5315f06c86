#pragma once

#include "common/PortFakes.h"
#include "common/ScriptedDialogs.h"
#include "common/TestSupport.h"
#include "control/ControlLayout.h"
#include "control/PelorinControl.h"
#include "control/SettingsPanel.h"
#include "core/ClientProcs.h"
#include "core/Protocol.h"
#include "link/ServerLink.h"
#include "link/Session.h"
#include "picture/PictureModel.h"
#include "picture/PictureView.h"
#include "platform/PictureBox.h"
#include "platform/PrinterSurface.h"
#include "platform/Widgets.h"
#include "setpoints/CurveEditor.h"
#include "setpoints/SetpointPanel.h"
#include "sysdial/SystemDialog.h"
#include "texts/TextView.h"
#include "toolbar/ToolbarRow.h"
#include "toolbar/ToolbarTable.h"

#include <QTemporaryDir>
#include <deque>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pelorin::test {

inline PropertyBag Bag(std::initializer_list<std::pair<const char*, std::string>> values) {
    PropertyBag bag;
    for (const auto& [key, value] : values)
        bag.Set(key, value);
    return bag;
}

// MSG_VALUE for dynamic number `pointer`.
inline std::string ValuePayload(int pointer, const std::string& text) {
    return Short2String(pointer) + text;
}

inline QSize PictureArea(PelorinControl& c) {
    return c.view().Picture_PCT->Surface().Image().size();
}

// Logs in through the login frame's controls; whether the picture table came.
inline bool LogIn(PelorinControl& c, const std::string& visa = "DEMO", const std::string& password = "demo") {
    c.session().Text_UserVisa->SetText(visa);
    c.session().Text_PassWord->SetText(password);
    c.session().Command_Login_Click();
    return waitFor([&c] { return c.m_ViewState == VS_PICTURE && c.model().PictureExists(1); });
}

// Asks for a picture through the toolbar; whether it came, with all its values when `withValues`.
inline bool ShowPicture(PelorinControl& c, int number, bool withValues = false) {
    c.toolbar().Text_PCT->SetText(std::to_string(number));
    c.Toolbar_ButtonClick(tb::kGetPicture);
    return waitFor([&c, number, withValues] {
        return c.m_PictureNumber == number && c.m_ViewState == VS_PICTURE &&
               (!withValues || c.toolbar().Text_Updated->Text() == "100%");
    });
}

// A control with its settings store and a PDF printer in a temporary folder, its questions answered by
// ScriptedDialogs; made at once, so that a test can store settings before starting it. Another
// control's `settingsFolder` makes a second start-up on the same computer. A `watch` given is told in
// place of the fixture's log.
class ControlFixture {
public:
    explicit ControlFixture(const std::string& settingsFolder = {}, PlantWatch* watch = nullptr)
        : m_SettingsFolder(settingsFolder.empty() ? m_Dir.path().toStdString() : settingsFolder),
          m_Settings(m_SettingsFolder), m_Printer(PrinterSurface::Output::Pdf) {
        m_Printer.SetPdfPath(m_Dir.filePath(QStringLiteral("printout.pdf")));
        m_Control = std::make_unique<PelorinControl>(ControlServices{.printer = &m_Printer,
                                                                     .settings = &m_Settings,
                                                                     .dialogs = &m_Dialogs,
                                                                     .output = &m_Output,
                                                                     .watch = watch ? watch : &m_Watch});
    }

    ~ControlFixture() {
        if (m_Started)
            m_Control->UserControl_Terminate();
    }

    // The host's lifecycle calls in their order; without parameters UserControl_InitProperties.
    PelorinControl& Start(const std::optional<PropertyBag>& parameters = std::nullopt) {
        m_Control->UserControl_Initialize();
        if (parameters)
            m_Control->UserControl_ReadProperties(*parameters);
        else
            m_Control->UserControl_InitProperties();
        m_Control->show();
        m_Started = true;
        return *m_Control;
    }

    PelorinControl& control() { return *m_Control; }
    PelorinControl* operator->() { return m_Control.get(); }
    SettingsStore& settings() { return m_Settings; }
    const std::string& settingsFolder() const { return m_SettingsFolder; }
    ScriptedDialogs& dialogs() { return m_Dialogs; }
    OutputLog& output() { return m_Output; }
    WatchLog& watch() { return m_Watch; }

private:
    QTemporaryDir m_Dir;
    std::string m_SettingsFolder;
    SettingsStore m_Settings;
    ScriptedDialogs m_Dialogs;
    OutputLog m_Output;
    WatchLog m_Watch;
    PrinterSurface m_Printer;
    std::unique_ptr<PelorinControl> m_Control;
    bool m_Started = false;
};

} // namespace pelorin::test
