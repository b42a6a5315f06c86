#pragma once

#include "core/Element.h"

#include <cstdint>
#include <string>

// The control's public members, grouped by the component that writes them. The control inherits every
// block publicly, so a host reads and writes `control.m_FontSize` as a plain member of its type; each
// component is handed the blocks it owns (mutable) and those it reads (const).
namespace pelorin {

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

// The views that show the picture, alone or under a panel.
constexpr bool ShowsPicture(int16_t view) {
    return view == VS_PICTURE || view == VS_SPV_CURVE || view == VS_SPV || view == VS_SETTINGS;
}

// The views of the text view: the function text and the two logbooks.
constexpr bool ShowsText(int16_t view) {
    return view == VS_FUNCTION_TEXT || view == VS_LOG_GLOBAL || view == VS_LOG_PCT;
}

// Written by the layout: picture-to-screen scale and offset.
struct ScaleMembers {
    float m_XMul = 1;
    float m_XAdd = 0;
    float m_YMul = 1;
    float m_YAdd = 0;
};

// Written by the server link: the receive buffer.
struct LinkMembers {
    std::string m_TCPData;
};

// Written by the session: the logged-in user and what the login reply granted.
struct SessionMembers {
    int32_t m_AccessLevel = 0;
    std::string m_UserVisa;
    std::string m_UserName;
    int32_t m_MaxSysdialHistory = 0;
};

// Written by the picture model: the current picture and the server's lists.
struct PictureMembers {
    int32_t m_VGFileLen = 0;
    ElementList m_Elements;
    int32_t m_DefaultBackgroundColor = 0;
    int32_t m_PictureNumber = 0;
    int32_t m_FunctionTextAvailable = 0;
    int32_t m_DynamicPointers = 0;
    std::string m_WriteParameters;
};

// Written by the picture view: the pointer and the selection.
struct SelectionMembers {
    int32_t m_LastX = 0;
    int32_t m_LastY = 0;
    cElement* m_SelectedElement = nullptr;
    int32_t m_LastSelectedVisible = 0;
    int16_t m_LastButton = 0;
};

// Written by the text view and the system dialog: the shift keys held with the last key.
struct InputMembers {
    int32_t m_ShiftState = 0;
};

// Written at start-up and by the settings panel: picture size, fonts and the printer's settings.
struct SettingsMembers {
    int32_t m_Height = 0;
    int32_t m_Width = 0;
    float m_FontSize = 0;
    std::string m_FontName;
    int32_t m_FontBold = 0;
    int32_t m_Orientation = 0;
    std::string m_PrinterFontName;
    int16_t m_PrinterFontBold = 0;
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
};

// Written by the view switch.
struct ViewMembers {
    int16_t m_ViewState = VS_LOGIN;
};

// Written by the setpoint panel.
struct SetpointMembers {
    cElement* m_SPVElement = nullptr;
};

// Written by the text view.
struct TextMembers {
    int16_t m_TextAnyChanged = 0;
};

// Written by the system dialog.
struct SysdialMembers {
    std::string m_LastSysDialSentRow;
    std::string m_LastSysDialRecvRow;
    int16_t m_SysdialAllocated = 0;
    int16_t m_SysdialMax = 0;
    std::string m_SysdialUsers;
    int16_t m_IsPrintingContinous = 0;
    int16_t m_IsRecording = 0;
};

// Part of the public interface; nothing changes them.
struct PrintMembers {
    float m_CharsPerRow = 0;
    float m_RowsPerPaper = 0;
};

} // namespace pelorin
