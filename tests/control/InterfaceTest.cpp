// What a host sees of the control: every public member with its type, read and written plainly, the
// nine public methods, the lifecycle calls, and what its parameters and the stored settings make of it.

#include "common/ControlFixture.h"
#include "platform/ImageSurface.h"
#include "platform/Winsock.h"

#include <cfloat>
#include <functional>
#include <gtest/gtest.h>
#include <type_traits>

namespace pelorin::test {
namespace {

// Compiles only if every member is public and of type T; each is read and written back.
template <typename T, typename... Member> void ReadAndWrite(Member&... members) {
    static_assert((std::is_same_v<Member, T> && ...));
    (..., (members = T(members)));
}

TEST(HostInterface, EveryMemberMethodAndLifecycleCallIsPublic) {
    ControlFixture f;
    PelorinControl& c = f.control();
    c.UserControl_Initialize();
    c.UserControl_InitProperties();
    c.UserControl_ReadProperties(Bag({{"PCTWidth", "640"}, {"PCTHeight", "480"}}));
    c.show();
    c.UserControl_Show();

    ReadAndWrite<float>(c.m_XMul, c.m_XAdd, c.m_YMul, c.m_YAdd, c.m_FontSize, c.m_TempFontSize,
                        c.m_DefaultFontSize, c.m_CharsPerRow, c.m_RowsPerPaper);
    ReadAndWrite<int16_t>(c.m_LastButton, c.m_PrinterFontBold, c.m_ViewState, c.m_TextAnyChanged,
                          c.m_SysdialAllocated, c.m_SysdialMax, c.m_IsPrintingContinous, c.m_IsRecording);
    ReadAndWrite<int32_t>(c.m_VGFileLen, c.m_DefaultBackgroundColor, c.m_AccessLevel, c.m_PictureNumber,
                          c.m_FunctionTextAvailable, c.m_Height, c.m_Width, c.m_DynamicPointers, c.m_LastX,
                          c.m_LastY, c.m_LastSelectedVisible, c.m_FontBold, c.m_ShiftState,
                          c.m_MaxSysdialHistory, c.m_Orientation, c.m_TempFontBold, c.m_TempHeight,
                          c.m_TempWidth, c.m_DefaultFontBold, c.m_DefaultHeight, c.m_DefaultWidth);
    ReadAndWrite<std::string>(c.m_TCPData, c.m_WriteParameters, c.m_FontName, c.m_UserVisa, c.m_UserName,
                              c.m_PrinterFontName, c.m_LastSysDialSentRow, c.m_LastSysDialRecvRow,
                              c.m_TempFontName, c.m_DefaultFontName, c.m_SysdialUsers);
    ReadAndWrite<cElement*>(c.m_SelectedElement, c.m_SPVElement);
    static_assert(std::is_same_v<decltype(PelorinControl::m_Elements), ElementList>);

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
    c.UserControl_Terminate();
}

// Without host parameters the start-up values stand and stored ones are ignored; with them, stored
// settings override the host's values (an empty stored font name keeps the host's).
TEST(HostInterface, StartUpValuesHostParametersAndStoredSettings) {
    ControlFixture bare;
    bare.settings().SaveSetting("Pelorin_Client", "Picture", "Resolution", "640 x 480");
    PelorinControl& start = bare.Start();
    EXPECT_EQ(PictureArea(start), QSize(1024, 800));
    EXPECT_EQ(std::tuple(start.m_FontBold, start.m_PrinterFontBold, start.m_ViewState),
              std::tuple(-1, 0, VS_LOGIN));
    start.session().Command_Login->SetFocus();
    start.hide();
    start.show();
    EXPECT_TRUE(waitFor([&start] { return start.session().Text_UserVisa->widget()->hasFocus(); }));

    ControlFixture f;
    for (const auto& [key, value] : {std::pair{"FontSize", "11"}, {"FontBold", "0"}, {"FontName", ""}})
        f.settings().SaveSetting("Pelorin_Client", "Picture", key, value);
    f.settings().SaveSetting("Pelorin_ActiveX", "Settings", "Recording", "/home/op/logg.txt");
    PelorinControl& c = f.Start(Bag({{"FontName", "Arial"}, {"FontSize", "9"}}));
    EXPECT_EQ(PictureArea(c), QSize(800, 600));
    EXPECT_EQ(std::tuple(c.m_FontSize, c.m_FontBold, c.m_FontName, c.m_PrinterFontBold),
              std::tuple(11.0f, 0, "Arial", -1));
    EXPECT_EQ(c.systemDialog().RecordingStartPath(), QStringLiteral("/home/op/logg.txt"));
}

// Host values are read as numbers and clamped; the picture stays drawable and the scale follows it.
TEST(HostInterface, HostParametersAreConvertedAndNeverStopTheControl) {
    const struct {
        const char* key;
        const char* value;
        std::function<double(PelorinControl&)> member;
        double expected;
    } cases[] = {
        {"FontBold", "2", [](PelorinControl& c) { return c.m_FontBold; }, -1},
        {"FontSize", "1e300", [](PelorinControl& c) { return c.m_FontSize; }, FLT_MAX},
        {"FontSize", "1e300", [](PelorinControl& c) { return c.view().Surface().FontSize(); }, 1000},
        {"PCTWidth", "1e12", [](PelorinControl& c) { return c.m_Width; }, INT32_MAX},
        {"PCTWidth", "9000", [](PelorinControl& c) { return c.m_XMul; }, 12.8},
        {"PCTHeight", "1024", [](PelorinControl& c) { return c.m_YMul; }, 1024 / 474.0},
        {"PCTHeight", "-7", [](PelorinControl& c) { return c.m_Height; }, -7},
        {"Orientation", "-1e20", [](PelorinControl& c) { return c.m_Orientation; }, INT32_MIN},
    };
    for (const auto& test : cases) {
        SCOPED_TRACE(std::string(test.key) + "=" + test.value);
        ControlFixture f;
        PelorinControl& c = f.Start(Bag({{test.key, test.value}}));
        EXPECT_NEAR(test.member(c), test.expected, 1e-5);
        const QSize area = PictureArea(c);
        EXPECT_TRUE(area.width() >= 1 && area.width() <= 8192 && area.height() >= 1 && area.height() <= 8192)
            << area.width() << " x " << area.height();
    }
}

TEST(HostInterface, ServerAddressSetsTheHostsAndTheServerPortButNotTheTerminalPort) {
    const struct {
        const char* address;
        const char* host;
        int32_t port;
    } cases[] = {
        {"plant.example:4000", "plant.example", 4000}, {"10.1.2.3", "10.1.2.3", 0}, {"", "127.0.0.1", 23}};
    for (const auto& test : cases) {
        SCOPED_TRACE(test.address);
        ControlFixture f;
        const int32_t sysdialPort = f.control().systemDialog().Winsock_SysDial->RemotePort;
        PelorinControl& c = f.Start(Bag({{"ServerAddress", test.address}}));
        EXPECT_EQ(c.link().Winsock_Client->RemoteHost, test.host);
        EXPECT_EQ(c.link().Winsock_Client->RemotePort, test.port);
        EXPECT_EQ(c.systemDialog().Winsock_SysDial->RemoteHost, test.host);
        EXPECT_EQ(c.systemDialog().Winsock_SysDial->RemotePort, sysdialPort);
    }
}

} // namespace
} // namespace pelorin::test
