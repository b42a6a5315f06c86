#pragma once

#include "platform/PaintSurface.h"

#include <QObject>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QEvent;
class QIcon;
class QKeyEvent;
class QMenu;
class QObject;
class QTimer;
class QWidget;

namespace pelorin {

class ByteTextEdit;

// Thin wrappers over Qt widgets with the control's vocabulary: geometry in twips (converted with
// Screen), byte text (Latin-1) and the key codes of the control's handlers. Each wrapper owns
// nothing: its widget is a child of the control and dies with it.
class ControlBase {
public:
    explicit ControlBase(QWidget* widget);
    virtual ~ControlBase();
    ControlBase(const ControlBase&) = delete;
    ControlBase& operator=(const ControlBase&) = delete;

    QWidget* widget() const { return m_Widget; }

    double Left() const;
    double Top() const;
    double Width() const;
    double Height() const;
    void SetLeft(double twips);
    void SetTop(double twips);
    void SetWidth(double twips);
    void SetHeight(double twips);

    bool Visible() const;
    void SetVisible(bool visible);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    // False when the widget cannot take the focus now (hidden, disabled).
    bool SetFocus();
    void SetToolTip(const std::string& text);
    // What a screen reader calls the control (byte text), where no caption or tooltip names it.
    void SetAccessibleName(const std::string& name);
    void SetFontSize(double points);
    // Family, size (ignored unless positive) and weight; a missing family falls back as Qt chooses
    // ("Courier New" resolves to a metric-compatible fixed-pitch font).
    void SetFont(const std::string& name, double points, bool bold);

protected:
    QWidget* m_Widget;
    // Signal connections and the event filter live as long as the wrapper, not the widget.
    QObject* m_Relay = nullptr;
    QObject* m_Filter = nullptr;

private:
    // The twips last set, kept while the widget still has the pixel size they gave.
    double m_Left = 0;
    double m_Top = 0;
    double m_TwipsWidth = 0;
    double m_TwipsHeight = 0;
};

// QLineEdit, or a ByteTextEdit when multi-line. Key handlers receive KeyAscii (Ctrl + letter gives
// 1..26, Enter 13, Escape 27, Backspace 8) and may set it to 0 to swallow the key.
//
// A multi-line box holds byte text exactly: Text() returns what SetText was given until it is edited,
// every line end (CR LF, lone CR, lone LF) and byte value included, and SelStart and SelLength count
// bytes. Its lines never wrap (both scroll bars), and lines of megabytes stay quick. OnChange is raised by
// every change, SetText included.
class TextBox : public ControlBase {
public:
    enum class Kind { SingleLine, MultiLine, Password };
    TextBox(QWidget* parent, Kind kind);

    std::string Text() const;
    void SetText(const std::string& text);
    int32_t SelStart() const;
    void SetSelStart(int32_t position);
    int32_t SelLength() const;
    void SetSelLength(int32_t length);
    std::string SelText() const;
    void SetSelText(const std::string& text);
    // Drops the first `trimmed` characters and appends `appended`, the caret at the end: a log that
    // keeps its tail. A multi-line box does it at the cost of the bytes added, however long its text.
    void TrimAndAppend(int32_t trimmed, const std::string& appended);
    bool Locked() const;
    void SetLocked(bool locked);
    void SetBackColor(Colour c);
    void SetForeColor(Colour c);
    Colour BackColor() const;
    Colour ForeColor() const;
    // A single-line box without its sunken border leaves the whole width to the text.
    void SetBorderless(bool borderless);

    std::function<void(int16_t& keyAscii)> OnKeyPress;
    std::function<void(int16_t& keyCode, int16_t shift)> OnKeyDown;
    std::function<void()> OnChange;
    std::function<void()> OnDblClick;
    std::function<void()> OnGotFocus;

private:
    ByteTextEdit* edit() const; // null for a single-line box
    bool HandleEvent(QEvent* event);
    bool HandleKey(const QKeyEvent& event);
};

class Frame : public ControlBase {
public:
    Frame(QWidget* parent, const std::string& caption);
    std::string Caption() const;
    void SetCaption(const std::string& caption);
    std::function<void()> OnDblClick;
};

// An auto-sizing label: Width and Height follow the caption.
class Label : public ControlBase {
public:
    Label(QWidget* parent, const std::string& caption);
    std::string Caption() const;
    void SetCaption(const std::string& caption);
    // The label names `control` for a screen reader, now and whenever its caption changes.
    void Names(ControlBase& control);

private:
    void NameLabelled();
    ControlBase* m_Labelled = nullptr;
};

class ComboBox : public ControlBase {
public:
    explicit ComboBox(QWidget* parent);
    void AddItem(const std::string& text);
    int32_t ListCount() const;
    std::string List(int32_t index) const;
    // Selecting raises OnClick, as the operator's choice would.
    void SetListIndex(int32_t index);
    std::string Text() const;
    std::function<void()> OnClick;
};

class CheckBox : public ControlBase {
public:
    CheckBox(QWidget* parent, const std::string& caption);
    int32_t Value() const; // 0 unchecked, 1 checked
    void SetValue(int32_t value);
    std::function<void()> OnClick;
};

class CommandButton : public ControlBase {
public:
    CommandButton(QWidget* parent, const std::string& caption);
    std::string Caption() const;
    void SetCaption(const std::string& caption);
    // A picture on the button, beside its caption (a button with only a tooltip shows just the picture).
    void SetIcon(const QIcon& icon);
    std::function<void()> OnClick;
    // Enter while the button has the focus (Qt clicks on Space only, outside dialogs).
    std::function<void()> OnEnter;
};

// One entry of a toolbar button's drop-down menu; a text of "-" is a separator.
class ToolMenuEntry {
public:
    std::string Key;
    std::string Text;
    std::string Tag;
    std::string ParentKey;
    bool Enabled() const;
    void SetEnabled(bool enabled);

private:
    friend class ToolBar;
    friend class ToolButton;
    struct Impl;
    std::shared_ptr<Impl> m_Impl;
};

class ToolButton {
public:
    std::string Key;
    std::string Tag;
    bool Enabled() const;
    void SetEnabled(bool enabled);
    double Left() const;  // twips, within the toolbar
    double Width() const; // twips
    void SetIcon(const QIcon& icon);
    ToolMenuEntry* AddMenuEntry(const std::string& key, const std::string& text, const std::string& tag = {});
    ToolMenuEntry* MenuEntry(const std::string& key);
    const std::vector<std::unique_ptr<ToolMenuEntry>>& MenuEntries() const;
    int32_t MenuCount() const;
    void ClearMenu();

private:
    friend class ToolBar;
    struct Impl;
    std::shared_ptr<Impl> m_Impl;
};

// A row of keyed tool buttons (menu buttons for the drop-downs) placed left to right, so that their
// positions are known at once; gaps leave room for the text boxes laid over the toolbar row.
class ToolBar : public ControlBase {
public:
    explicit ToolBar(QWidget* parent);
    ToolButton* AddButton(const std::string& key, const std::string& toolTip, bool hasMenu);
    // An empty space of `twips` width, for text boxes laid over the toolbar row.
    void AddGap(double twips);
    ToolButton* Button(const std::string& key);

    std::function<void(const std::string& key)> OnButtonClick;
    // Entries made at run time carry no key: the tag tells them apart.
    std::function<void(const std::string& key, const std::string& parentKey, const std::string& tag)>
        OnButtonMenuClick;

private:
    std::vector<std::unique_ptr<ToolButton>> m_Buttons;
    int m_NextLeft; // pixels: where the next button or gap starts
};

// The control's pop-up menu: recording, continuous printing, and the macro list (entry 0 is
// always there; entries 1.. are loaded at run time).
class PopupMenu : public QObject {
    Q_OBJECT
public:
    explicit PopupMenu(QWidget* parent);
    int32_t MakroCount() const;
    void LoadMakro(int32_t index);
    void UnloadMakro(int32_t index);
    std::string MakroCaption(int32_t index) const;
    void SetMakroCaption(int32_t index, const std::string& caption);
    bool MakroVisible() const;
    void SetMakroVisible(bool visible);
    bool DelimiterVisible() const;
    void SetDelimiterVisible(bool visible);
    bool RecordChecked() const;
    void SetRecordChecked(bool checked);
    bool PrintContinousChecked() const;
    void SetPrintContinousChecked(bool checked);
    void Popup();

    std::function<void(int32_t index)> OnMakroClick;
    std::function<void()> OnRecordClick;
    std::function<void()> OnPrintContinousClick;

private:
    QMenu* m_Menu;
    QMenu* m_MakroMenu;
    QAction* m_Delimiter;
    QAction* m_Record;
    QAction* m_PrintContinous;
    std::vector<QAction*> m_MakroList;
};

class SystemTimer : public QObject {
    Q_OBJECT
public:
    explicit SystemTimer(QObject* parent);
    int32_t Interval() const;
    void SetInterval(int32_t ms);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    std::function<void()> OnTimer;

private:
    QTimer* m_Timer;
};

// The host's parameters: ReadProperty returns the value for `key`, or `defaultValue`.
class PropertyBag {
public:
    void Set(const std::string& key, const std::string& value);
    std::string ReadProperty(const std::string& key, const std::string& defaultValue) const;

private:
    std::map<std::string, std::string> m_Values;
};

// Per-user settings addressed by application, section and key (QSettings, INI format).
class SettingsStore {
public:
    // `folder` empty: the platform's per-user location; tests give a temporary folder.
    explicit SettingsStore(const std::string& folder = {});
    std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                           const std::string& defaultValue = {}) const;
    void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                     const std::string& value);
    // The same for a text beyond Latin-1, such as a file name.
    QString GetSettingText(const std::string& app, const std::string& section, const std::string& key,
                           const QString& defaultValue = {}) const;
    void SaveSettingText(const std::string& app, const std::string& section, const std::string& key,
                         const QString& value);
    void DeleteSetting(const std::string& app, const std::string& section, const std::string& key);

private:
    std::string m_Folder;
};

// Modal dialogs behind an interface, so that tests answer them without a modal loop.
class Dialogs {
public:
    enum class Answer { Yes, No, Cancel, Ok };
    virtual ~Dialogs() = default;
    // An OK box (returns Ok) or a Yes/No/Cancel question.
    virtual Answer Message(const std::string& text, const std::string& title, bool yesNoCancel) = 0;
    // A Yes/No question; closing the box answers No. By default the Yes/No/Cancel question, where
    // anything but Yes counts as No.
    virtual Answer Ask(const std::string& text, const std::string& title) {
        return Message(text, title, true) == Answer::Yes ? Answer::Yes : Answer::No;
    }
    // Returns the chosen path, any name the platform allows, or empty when cancelled.
    virtual QString SaveFile(const std::string& title, const QString& startPath,
                             const std::string& filter) = 0;
};

// The dialogs of the running program: QMessageBox and QFileDialog.
class QtDialogs : public Dialogs {
public:
    explicit QtDialogs(QWidget* parent);
    Answer Message(const std::string& text, const std::string& title, bool yesNoCancel) override;
    Answer Ask(const std::string& text, const std::string& title) override;
    QString SaveFile(const std::string& title, const QString& startPath, const std::string& filter) override;

private:
    QWidget* m_Parent;
};

} // namespace pelorin
