#pragma once

#include <QString>
#include <cstdint>
#include <string>

// The small interfaces through which components reach what lies outside them.
namespace pelorin {

class Dialogs;
class PlantWatch;
class PrinterSurface;
class SettingsStore;

// Told where the control's documents and recordings went and which could not be written, so that the
// host can tell the operator: a PDF in the documents folder or a lost recording is otherwise unseen.
class OutputReport {
public:
    virtual ~OutputReport() = default;
    // A print job reached its printer (`toFile` false: `destination` names the printer) or its PDF file.
    virtual void Printed(const QString& destination, bool toFile) = 0;
    virtual void PrintFailed(const QString& destination, bool toFile) = 0;
    // The recording file could not be opened: recording did not start.
    virtual void RecordingNotStarted(const QString& file) = 0;
    // Writing the recording failed: recording stopped.
    virtual void RecordingStopped(const QString& file) = 0;
};

// Sends one request on the picture server link.
class CommandSender {
public:
    virtual ~CommandSender() = default;
    virtual void TCPSend(int16_t TCPCommand, const std::string& Buffer) = 0;
    // Whether a request sent now would go out; a caller that must not lose what it sends asks first.
    virtual bool Connected() const = 0;
};

// The view state and the one function that decides every visibility and enabled flag from it.
class ViewSwitch {
public:
    virtual ~ViewSwitch() = default;
    virtual int16_t View() const = 0;
    // Sets the view state, then updates the toolbar and every visibility.
    virtual void ShowView(int16_t view) = 0;
    virtual void UpdateToolBarView() = 0;
};

// The control's handlers that span subsystems, for the components whose events end in them.
class ControlActions {
public:
    virtual ~ControlActions() = default;
    virtual void Toolbar_ButtonClick(const std::string& ButtonKey) = 0;
    virtual void Toolbar_ButtonMenuClick(const std::string& MenuKey, const std::string& ParentKey,
                                         const std::string& MenuTag) = 0;
    virtual void DispatchFrame(uint8_t code, const std::string& payload) = 0;
    virtual void RemoveAllElements() = 0;
    virtual void Timer_System_Timer() = 0;
};

// The platform services the control uses. Any left null is made by the control (the per-user settings
// store, Qt's dialogs; the real printer when first printed on); tests and hosts hand in their own.
// Without an output report or a watch nobody is told.
struct ControlServices {
    PrinterSurface* printer = nullptr;
    SettingsStore* settings = nullptr;
    Dialogs* dialogs = nullptr;
    OutputReport* output = nullptr;
    PlantWatch* watch = nullptr;
};

} // namespace pelorin
