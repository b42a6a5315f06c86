// What a host sees of the control: every public member with its type, read and written plainly, the
// nine public methods and the lifecycle calls.

#include "control/ControlFixture.h"
#include "platform/ImageSurface.h"

#include <gtest/gtest.h>
#include <type_traits>

namespace pelorin::test {
namespace {

// Reads the member, checks its type, writes the value back.
#define HOST_MEMBER(member, type)                                                                            \
    do {                                                                                                     \
        static_assert(std::is_same_v<decltype(PelorinControl::member), type>, #member);                      \
        type value = c.member;                                                                               \
        c.member = std::move(value);                                                                         \
    } while (false)

TEST(HostInterface, EveryMemberMethodAndLifecycleCallIsPublic) {
    ControlFixture f;
    PelorinControl& c = f.control();
    c.UserControl_Initialize();
    c.UserControl_InitProperties();
    c.UserControl_ReadProperties(Bag({{"PCTWidth", "640"}, {"PCTHeight", "480"}}));
    c.show();
    c.UserControl_Show();

    HOST_MEMBER(m_XMul, float);
    HOST_MEMBER(m_XAdd, float);
    HOST_MEMBER(m_YMul, float);
    HOST_MEMBER(m_YAdd, float);
    HOST_MEMBER(m_VGFileLen, int32_t);
    static_assert(std::is_same_v<decltype(PelorinControl::m_Elements), ElementList>);
    HOST_MEMBER(m_DefaultBackgroundColor, int32_t);
    HOST_MEMBER(m_TCPData, std::string);
    HOST_MEMBER(m_AccessLevel, int32_t);
    HOST_MEMBER(m_PictureNumber, int32_t);
    HOST_MEMBER(m_FunctionTextAvailable, int32_t);
    HOST_MEMBER(m_Height, int32_t);
    HOST_MEMBER(m_Width, int32_t);
    HOST_MEMBER(m_DynamicPointers, int32_t);
    HOST_MEMBER(m_LastX, int32_t);
    HOST_MEMBER(m_LastY, int32_t);
    HOST_MEMBER(m_SelectedElement, cElement*);
    HOST_MEMBER(m_LastSelectedVisible, int32_t);
    HOST_MEMBER(m_SPVElement, cElement*);
    HOST_MEMBER(m_WriteParameters, std::string);
    HOST_MEMBER(m_FontSize, float);
    HOST_MEMBER(m_FontName, std::string);
    HOST_MEMBER(m_FontBold, int32_t);
    HOST_MEMBER(m_LastButton, int16_t);
    HOST_MEMBER(m_ShiftState, int32_t);
    HOST_MEMBER(m_MaxSysdialHistory, int32_t);
    HOST_MEMBER(m_UserVisa, std::string);
    HOST_MEMBER(m_UserName, std::string);
    HOST_MEMBER(m_Orientation, int32_t);
    HOST_MEMBER(m_PrinterFontName, std::string);
    HOST_MEMBER(m_PrinterFontBold, int16_t);
    HOST_MEMBER(m_LastSysDialSentRow, std::string);
    HOST_MEMBER(m_LastSysDialRecvRow, std::string);
    HOST_MEMBER(m_ViewState, int16_t);
    HOST_MEMBER(m_TempFontSize, float);
    HOST_MEMBER(m_TempFontName, std::string);
    HOST_MEMBER(m_TempFontBold, int32_t);
    HOST_MEMBER(m_TempHeight, int32_t);
    HOST_MEMBER(m_TempWidth, int32_t);
    HOST_MEMBER(m_DefaultFontSize, float);
    HOST_MEMBER(m_DefaultFontName, std::string);
    HOST_MEMBER(m_DefaultFontBold, int32_t);
    HOST_MEMBER(m_DefaultHeight, int32_t);
    HOST_MEMBER(m_DefaultWidth, int32_t);
    HOST_MEMBER(m_TextAnyChanged, int16_t);
    HOST_MEMBER(m_SysdialAllocated, int16_t);
    HOST_MEMBER(m_SysdialMax, int16_t);
    HOST_MEMBER(m_SysdialUsers, std::string);
    HOST_MEMBER(m_CharsPerRow, float);
    HOST_MEMBER(m_RowsPerPaper, float);
    HOST_MEMBER(m_IsPrintingContinous, int16_t);
    HOST_MEMBER(m_IsRecording, int16_t);

    c.UpdateToolBarView();
    c.ExtractAllElements(std::string());
    cElement element;
    int32_t pointer = 0, length = 0, parameter = 0;
    c.ExtractElement(element, pointer, length, parameter);
    c.RemoveAllElements();
    EXPECT_EQ(c.String2Long(Long2String(70000), 0), 70000);
    EXPECT_EQ(c.String2Short(std::string("\x01\x02", 2), 0), 258);
    c.TCPSend(CMD_GET_PICTURE, "1");
    c.UpdateSize();
    ImageSurface surface(QSize(8, 8));
    c.PaintElement(surface, element, -1, 0);
    EXPECT_TRUE(c.m_Elements.empty());
    EXPECT_EQ(c.m_Width, 640);
    c.UserControl_Terminate();
}

#undef HOST_MEMBER

} // namespace
} // namespace pelorin::test
