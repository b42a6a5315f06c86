#pragma once

#include <cstdint>
#include <string>

// The small interfaces through which components reach what lies outside them.
namespace pelorin {

class Dialogs;
class PrinterSurface;
class SettingsStore;

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
struct ControlServices {
    PrinterSurface* printer = nullptr;
    SettingsStore* settings = nullptr;
    Dialogs* dialogs = nullptr;
};

} // namespace pelorin
