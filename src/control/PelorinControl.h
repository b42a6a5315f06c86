#pragma once

#include "core/ClientProcs.h"
#include "core/Protocol.h"
#include "core/Element.h"
#include "core/PictureParser.h"
#include "platform/PaintSurface.h"

#include <QWidget>
#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pelorin {

class CheckBox;
class ComboBox;
class ControlBase;
class CommandButton;
class Frame;
class Label;
class PictureBox;
class PopupMenu;
class PrinterSurface;
class PropertyBag;
class SettingsStore;
class SystemTimer;
class TextBox;
class ToolBar;
class ToolButton;
class ToolMenuEntry;
class Winsock;
class Dialogs;

// View states.
enum ViewState : int16_t {
    VS_LOGIN = 1,
    VS_PICTURE = 2,
    VS_FUNCTION_TEXT = 3,
    VS_LOG_GLOBAL = 4,
    VS_LOG_PCT = 5,
    VS_SPV_CURVE = 6,
    VS_SPV = 7,
    VS_SYSDIAL = 8,
    VS_SETTINGS = 9,
};

// Access-level bits.
enum AccessBit : int32_t {
    ACCESS_WRITE = 2,
    ACCESS_SYSDIAL = 4,
    ACCESS_PICTURE_LOG = 8,
    ACCESS_GLOBAL_LOG = 16,
};

// The operator client control. One object holds all state as public members; its member functions
// are defined in the folder of the subsystem they belong to (control/, link/, picture/, ...).
class PelorinControl : public QWidget {
    Q_OBJECT
public:
    explicit PelorinControl(QWidget* parent = nullptr);
    ~PelorinControl() override;

    // ---- Members ----
    float m_XMul = 1;
    float m_XAdd = 0;
    float m_YMul = 1;
    float m_YAdd = 0;
    int32_t m_VGFileLen = 0;
    ElementList m_Elements;
    int32_t m_DefaultBackgroundColor = 0;
    std::string m_TCPData;
    int32_t m_AccessLevel = 0;
    int32_t m_PictureNumber = 0;
    int32_t m_FunctionTextAvailable = 0;
    int32_t m_Height = 0;
    int32_t m_Width = 0;
    int32_t m_DynamicPointers = 0;
    int32_t m_LastX = 0;
    int32_t m_LastY = 0;
    cElement* m_SelectedElement = nullptr;
    int32_t m_LastSelectedVisible = 0;
    cElement* m_SPVElement = nullptr;
    std::string m_WriteParameters;
    float m_FontSize = 0;
    std::string m_FontName;
    int32_t m_FontBold = 0;
    int16_t m_LastButton = 0;
    int32_t m_ShiftState = 0;
    int32_t m_MaxSysdialHistory = 0;
    std::string m_UserVisa;
    std::string m_UserName;
    int32_t m_Orientation = 0;
    std::string m_PrinterFontName;
    int16_t m_PrinterFontBold = 0;
    std::string m_LastSysDialSentRow;
    std::string m_LastSysDialRecvRow;
    int16_t m_ViewState = VS_LOGIN;
    float m_TempFontSize = 0;
    std::string m_TempFontName;
    int32_t m_TempFontBold = 0;
    int32_t m_TempHeight = 0;
    int32_t m_TempWidth = 0;
    float m_DefaultFontSize = 0;
    std::string m_DefaultFontName;
    int32_t m_DefaultFontBold = 0;
    int32_t m_DefaultHeight = 0;
    int32_t m_DefaultWidth = 0;
    int16_t m_TextAnyChanged = 0;
    int16_t m_SysdialAllocated = 0;
    int16_t m_SysdialMax = 0;
    std::string m_SysdialUsers;
    float m_CharsPerRow = 0;
    float m_RowsPerPaper = 0;
    int16_t m_IsPrintingContinous = 0;
    int16_t m_IsRecording = 0;

    // The program-wide colour palette (entries 0..7 from the picture header, 8 stays 0).
    Palette ColorPalette{};
    // Table of existing picture numbers 0..1000 (1000 is never written).
    std::array<uint8_t, 1001> m_PictureExists{};
    // Texts sent by the macro menu entries.
    std::vector<std::string> m_MacroTexts;
    // The program-wide constant used by element painting.
    double Pi = 0;
    // The host's ServerAddress text, shown by the login frame.
    std::string m_ServerAddress;
    // Where the recording file dialog starts: the last recording file, read at start-up.
    std::string m_RecordingStartPath;

    // ---- Child controls (owned through Qt parenthood) ----
    ToolBar* Toolbar = nullptr;
    PictureBox* Picture_PCT = nullptr;
    PictureBox* Picture_SPV_Curve = nullptr;
    TextBox* Text_PCT = nullptr;
    TextBox* Text_Address = nullptr;
    TextBox* Text_NewValue = nullptr;
    TextBox* Text_Updated = nullptr;
    TextBox* Text_Any = nullptr;
    TextBox* Text_Sysdial = nullptr;
    Frame* Frame_Login = nullptr;
    TextBox* Text_UserVisa = nullptr;
    TextBox* Text_PassWord = nullptr;
    CommandButton* Command_Login = nullptr;
    Frame* Frame_UserName = nullptr;
    Label* Label_UserName = nullptr;
    Frame* Frame_SPV = nullptr;
    Frame* Frame_SPV_Curve = nullptr;
    Frame* Frame_Settings = nullptr;
    ComboBox* Combo_FontName = nullptr;
    ComboBox* Combo_FontSize = nullptr;
    ComboBox* Combo_Resolution = nullptr;
    CheckBox* Check_FontBold = nullptr;
    CommandButton* Command_Ok_Settings = nullptr;
    CommandButton* Command_Cancel_Settings = nullptr;
    CommandButton* Command_Settings_Default = nullptr;
    PopupMenu* Menu_Popup = nullptr;
    SystemTimer* Timer_System = nullptr;
    Winsock* Winsock_Client = nullptr;
    Winsock* Winsock_SysDial = nullptr;
    PrinterSurface* Printer = nullptr;
    SettingsStore* Settings = nullptr;
    Dialogs* Dialog = nullptr;

    // ---- Public methods ----
    void UpdateToolBarView();
    void ExtractAllElements(const std::string& StringArray);
    void ExtractElement(cElement& MyElement, int32_t& ElementPointer, int32_t& Length,
                        int32_t& ParameterPointer);
    void RemoveAllElements();
    int32_t String2Long(const std::string& DataBlock, int32_t Location) const;
    int32_t String2Short(const std::string& DataBlock, int32_t Location) const;
    void TCPSend(int16_t TCPCommand, const std::string& Buffer);
    void UpdateSize();
    void PaintElement(PaintSurface& PaintObject, cElement& MyElement, int32_t PaintVisible,
                      int16_t ClearBackground);

    // ---- Lifecycle (control/Lifecycle.cpp) ----
    void UserControl_Initialize();
    void UserControl_InitProperties();
    void UserControl_ReadProperties(const PropertyBag& PropBag);
    void UserControl_Show();
    void UserControl_Terminate();

    // ---- Painting (picture/Painting.cpp) ----
    void PaintAllElements(PaintSurface& PaintObject, int16_t ClearBackground);
    void PrintAt(PaintSurface& PaintObject, const std::string& Text, int32_t X, int32_t Y);

    // ---- Toolbar and view state (control/Toolbar.cpp) ----
    void Toolbar_ButtonClick(const std::string& ButtonKey);
    // `MenuTag` tells apart the entries made at run time (setpoint blocks), which have no key.
    void Toolbar_ButtonMenuClick(const std::string& MenuKey, const std::string& ParentKey,
                                 const std::string& MenuTag = {});
    void Text_PCT_KeyPress(int16_t& KeyAscii);

    // ---- Receive step and message dispatch (link/Receive.cpp) ----
    void Winsock_Client_DataArrival(int64_t bytesTotal);
    // Runs the handler of one received frame; codes without a handler are dropped.
    void DispatchFrame(uint8_t code, const std::string& payload);

    // ---- Session (link/Session.cpp) ----
    void Text_UserVisa_KeyPress(int16_t& KeyAscii);
    void Text_PassWord_KeyPress(int16_t& KeyAscii);
    void Command_Login_Click();
    void Frame_Login_DblClick();
    void Winsock_Client_Connect();
    void Winsock_Client_Close();
    void Winsock_Client_Error();
    void Timer_System_Timer();
    void OnLoginReply(const std::string& payload);
    void OnLogout(const std::string& payload);

    // ---- Server message handlers (link/MessageHandlers.cpp) ----
    void OnNoPicture(const std::string& payload);
    void OnPicture(const std::string& payload);
    void OnPictureTable(const std::string& payload);
    void OnFunctionText(const std::string& payload);
    void OnValue(const std::string& payload);
    void OnPictureLog(const std::string& payload);
    void OnGlobalLog(const std::string& payload);
    void OnSysdialInfo(const std::string& payload);

    // ---- Picture view interaction (picture/PictureView.cpp) ----
    void Picture_PCT_MouseMove(int16_t Button, int16_t Shift, float X, float Y);
    void Picture_PCT_Click();
    void Picture_PCT_DblClick();
    void Picture_PCT_KeyPress(int16_t& KeyAscii);
    void Picture_PCT_Paint();

    // ---- Hand-offs to subsystems built later ----
    void ShowSetpointValue(int16_t Index, const std::string& Value); // setpoints/
    void SendSelectedValue();                                        // setpoints/: TB_SEND_SPV
    void OpenSetpoint(const std::string& MenuTag);                   // setpoints/: TB_SPV menu entry
    void OpenSystemDialog();                                         // sysdial/: TB_SYSDIAL
    void RequestText(const std::string& MenuKey);                    // texts/: TB_SHOW_*
    void PrintCurrentView();                                         // printing/: TB_PRINT
    void Menu_Popup_PrintContinous_Click();                          // sysdial/
    void Menu_Popup_Record_Click();                                  // sysdial/

protected:
    // The toolbar is aligned to the top edge: it follows the control's width.
    void resizeEvent(QResizeEvent* event) override;

private:
    // ---- Construction (control/PelorinControl.cpp) ----
    template <typename T, typename... Args> T* MakeControl(Args&&... args);
    void CreateToolbar();
    void CreateToolbarRow();
    void CreateLoginFrame();
    void CreateSettingsFrame();
    void CreatePanels();
    void ConnectEvents();

    // ---- Lifecycle and layout (control/Lifecycle.cpp, control/Layout.cpp) ----
    void FillFixedLists();
    void ApplyStoredSettings();
    void LayoutToolbarRow();
    void LayoutUserName();
    void ApplyPictureFont();
    void CentrePanels();

    // ---- Toolbar dispatch (control/Toolbar.cpp) ----
    void GetTypedPicture();
    void StepPicture(int direction);
    void LogOut();
    void OpenSettingsPanel();

    // The wrappers of the child controls (their widgets belong to the control through Qt).
    std::vector<std::unique_ptr<ControlBase>> m_Controls;
    // Twips geometry of widgets that are not wrappers: the control itself and the picture boxes.
    ControlBase* m_Geometry = nullptr;
    ControlBase* m_PictureGeometry = nullptr;
    ControlBase* m_CurveGeometry = nullptr;
    std::unique_ptr<PrinterSurface> m_OwnPrinter;
    std::unique_ptr<SettingsStore> m_OwnSettings;
    std::unique_ptr<Dialogs> m_OwnDialogs;

    PictureParser m_Parser{ColorPalette, 0, 0};
    int32_t m_TimerCounter = 0;

    // ---- Server messages (link/MessageHandlers.cpp) ----
    void ShowLogbook(const std::string& text, int16_t view, int32_t editBit);

    // Value index (link/MessageHandlers.cpp): positions in m_Elements by dynamic number, and how many
    // elements hold a value, so that a value is applied without walking the whole picture.
    std::vector<std::vector<size_t>> m_PositionsByPointer;
    size_t m_IndexedElementCount = 0;
    int32_t m_ElementsWithValue = 0;
    void BuildValueIndex();
    const std::vector<size_t>& PositionsOfPointer(int32_t pointer);
};

} // namespace pelorin
