#pragma once

#include "platform/ChildControls.h"
#include "ports/ControlMembers.h"

#include <cstdint>
#include <string>

class QWidget;

namespace pelorin {

class CommandSender;
class ControlActions;
class Dialogs;
class ToolbarRow;
class ViewSwitch;

struct TextViewContext {
    TextMembers& text;
    InputMembers& keys;
    const SessionMembers& session;
    const PictureMembers& picture;
    ViewSwitch& view;
    CommandSender& sender;
    ToolbarRow& toolbar;
    ControlActions& actions;
    Dialogs& dialogs;
};

// The text view over the picture: the function description of the current picture and the logbooks.
// A logbook the user may edit is offered for saving on the server before the view is left.
class TextView {
public:
    TextView(QWidget* parent, const TextViewContext& context);

    TextBox* Text_Any = nullptr;

    // tb::kFunctionText, tb::kPictureLog and tb::kGlobalLog.
    void RequestText(const std::string& MenuKey);
    void OnFunctionText(const std::string& payload);
    void OnPictureLog(const std::string& payload);
    void OnGlobalLog(const std::string& payload);
    void SetVisible(bool visible);

    void Text_Any_Change();
    void Text_Any_KeyDown(int16_t& KeyCode, int16_t Shift);
    void Text_Any_KeyPress(int16_t& KeyAscii);

    // Called before every toolbar action: one that leaves a changed logbook the user may edit asks
    // whether to save it first. False when the action must not go on: the logbook is too large to save.
    bool BeforeToolbarAction(const std::string& key);
    // The server replaces the view (a picture, or no picture): an edit not yet sent is kept in a file.
    void BeforeReplaced();
    // The session ends: an edit not yet sent is kept in a file, and the text leaves the view.
    void EndSession();

private:
    void ShowLogbook(const std::string& text, int16_t view, int32_t editBit);
    bool IsChangedEditableLogbook() const;
    bool HoldsUnsentEdit() const;
    // Returns whether the view may be left.
    bool OfferToSave();
    bool Save(int16_t view, int32_t picture, const std::string& text);
    void LeaveWithEscape();
    void InsertStamp();
    // The logbook could not be saved on the server: its text goes to a file in the documents folder,
    // and the operator is told where once the current event is handled.
    void KeepInFile(int16_t view, int32_t picture, const std::string& text);

    TextMembers& m_Text;
    InputMembers& m_Keys;
    const SessionMembers& m_Session;
    const PictureMembers& m_Picture;
    ViewSwitch& m_View;
    CommandSender& m_Sender;
    ToolbarRow& m_Toolbar;
    ControlActions& m_Actions;
    Dialogs& m_Dialogs;
    ChildControls m_Controls;
    // Escape has asked already while it leaves through tb::kGetPicture.
    bool m_LeavingAsked = false;
    // The save question is open: its answer decides what becomes of the edit.
    bool m_Asking = false;
    // The edit was saved or its saving declined; the next change is a new edit.
    bool m_Settled = false;
};

} // namespace pelorin
