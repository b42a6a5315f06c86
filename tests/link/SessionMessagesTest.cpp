// The server's messages as the control handles them, sent by the simulator over loopback: the update
// indicator, values beyond the picture, the setpoint menu, short payloads, texts and the system-dialog
// information.

#include "control/SessionSupport.h"

namespace pelorin::test {
namespace {

constexpr Colour kIndicatorRed = 0xFF;

std::string ValuePayload(int pointer, const std::string& text) {
    return std::string{static_cast<char>((pointer >> 8) & 0xFF), static_cast<char>(pointer & 0xFF)} + text;
}

class SessionMessages : public SessionTest {
protected:
    void SetUp() override {
        SessionTest::SetUp();
        if (!HasFatalFailure())
            LogIn();
    }

    static std::string PictureMessage(const PictureWriter& elements, int32_t number = 7) {
        PictureHeader header;
        header.number = number;
        header.background = kPictureGrey;
        header.palette = {0x000000,     0xFFFFFF, kPaletteRed, kPaletteGreen,
                          kPaletteBlue, 0x00FFFF, 0x606060,    kPictureGrey};
        return EncodePictureMessage(header, elements.data());
    }

    void ShowPicture(const PictureWriter& elements) { Inject(MSG_PICTURE, PictureMessage(elements)); }
    void Value(int pointer, const std::string& text) { Inject(MSG_VALUE, ValuePayload(pointer, text)); }
    std::string Indicator() { return c().toolbar().Text_Updated->Text(); }
};

PictureWriter Values(int count, uint8_t decimals = 1) {
    PictureWriter w;
    for (int i = 0; i < count; ++i)
        w.dynValue(4, 1, decimals, static_cast<int16_t>(10 + i % 20 * 30),
                   static_cast<int16_t>(10 + i / 20 * 20), "PG01.BV.V" + std::to_string(i));
    return w;
}

TEST_F(SessionMessages, IndicatorCountsDistinctValuesAndTurnsGreenOnceWithOneToolbarUpdate) {
    ShowPicture(Values(4));
    EXPECT_EQ(c().m_DynamicPointers, 4);
    EXPECT_EQ(Indicator(), "0%");
    EXPECT_EQ(c().toolbar().Text_Updated->BackColor(), kIndicatorRed);

    const struct {
        int pointer;
        const char* shown;
        bool updatesToolbar;
    } steps[] = {{0, "25%", false}, {0, "25%", false}, {1, "50%", false},
                 {2, "75%", false}, {3, "100%", true}, {3, "100%", false}};
    for (const auto& step : steps) {
        SCOPED_TRACE(step.pointer);
        // UpdateToolBarView shows the user name in the picture view: hidden, it tells whether that ran.
        c().toolbar().Frame_UserName->SetVisible(false);
        Value(step.pointer, "1.5");
        EXPECT_EQ(Indicator(), step.shown);
        EXPECT_EQ(c().toolbar().Frame_UserName->Visible(), step.updatesToolbar);
        EXPECT_EQ(c().toolbar().Text_Updated->BackColor(),
                  std::string(step.shown) == "100%" ? kIndicatorGreen : kIndicatorRed);
    }

    ShowPicture(PictureWriter().text(0, 7, 10, 10, "Tom"));
    EXPECT_EQ(Indicator(), "100%") << "a picture without live values is complete at once";
    EXPECT_EQ(c().toolbar().Text_Updated->BackColor(), kIndicatorGreen);
}

// Values are counted as they come, whatever else arrives with them: values numbered beyond the picture
// (for the one before it, or for nothing) change no element, and a value cut short is 0 for number 0.
TEST_F(SessionMessages, PercentagesRoundHalfToEvenBeyondSixteenBitsAndValuesBeyondThePictureCountNot) {
    // 330 of 400 is 82.5: counts above 327 overflow a 16-bit product.
    std::string burst = EncodeFrame(MSG_PICTURE, PictureMessage(Values(400, 0), 9));
    for (int i = 0; i < 330; ++i)
        burst += EncodeFrame(MSG_VALUE, ValuePayload(i, "1"));
    for (int pointer : {400, 405, 32767, 32768, 40000, 65535})
        burst += EncodeFrame(MSG_VALUE, ValuePayload(pointer, "5"));
    server().sendGarbage(burst);
    ASSERT_TRUE(waitFor([this] { return Indicator() == "82%"; })) << Indicator();
    EXPECT_EQ(c().m_Elements[399]->m_Status, 0);
    for (int i = 330; i < 333; ++i)
        Value(i, "1");
    EXPECT_EQ(Indicator(), "83%") << "83.25";
    Value(333, "1");
    EXPECT_EQ(Indicator(), "84%") << "83.5";

    Inject(MSG_VALUE, std::string(1, '\0'));
    EXPECT_EQ(c().m_Elements[0]->m_Text, "0");
}

// Which value names a kind is the model's concern (PictureModelTest); each kind named adds one entry.
TEST_F(SessionMessages, SetpointKindsAddTheirMenuEntriesOnce) {
    ShowPicture(PictureWriter().setpoint("SP.A", "Tryck", "", "", "").setpoint("SP.B", "", "", "", ""));
    for (const auto& [pointer, kind] : {std::pair(0, "0"), std::pair(1, "3"), std::pair(1, "1")})
        Value(pointer, kind);
    std::vector<std::pair<std::string, std::string>> menu;
    for (const auto& entry : c().toolbar().Toolbar->Button("TB_SPV")->MenuEntries())
        menu.emplace_back(entry->Text, entry->Tag);
    EXPECT_EQ(menu, (decltype(menu){{"SP.A\t(PLSetPnt.DTA)", "0"}, {"SP.B\t(kurva natt)", "1"}}));
    EXPECT_EQ(Indicator(), "100%");
    EXPECT_TRUE(c().toolbar().Toolbar->Button("TB_SPV")->Enabled());
    Inject(MSG_NO_PICTURE, {});
    EXPECT_TRUE(c().toolbar().Toolbar->Button("TB_SPV")->MenuEntries().empty())
        << "the next picture starts with an empty menu";
}

// How far each payload is read is the model's and the components' concern; here the control goes on.
TEST_F(SessionMessages, PayloadsCutShortAreHandledAsFarAsTheyGo) {
    Inject(MSG_PICTURE, std::string("\0\0\0\x05\0\0", 6));
    EXPECT_EQ(std::tuple(c().m_PictureNumber, c().m_ViewState, c().m_Elements.size()),
              std::tuple(5, VS_PICTURE, size_t{0}));

    Inject(MSG_SYSDIAL_INFO, Long2String(32767) + Long2String(2) + Long2String(1'000'000) + "A");
    EXPECT_EQ(c().m_SysdialAllocated, 32767);
    EXPECT_EQ(c().m_SysdialUsers, "A\r\n");

    server().sendFrameToAll(MSG_LOGIN_REPLY, std::string(2, '\0'));
    ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_LOGIN; }));
    EXPECT_EQ(c().m_UserName, "");
}

TEST_F(SessionMessages, TextsAndLogbooksAreEditableByAccessBit) {
    const std::string text = "Rad 1\r\nR\xE4"
                             "d 2";
    const std::tuple<uint8_t, int16_t, bool> messages[] = {{MSG_FUNCTION_TEXT, VS_FUNCTION_TEXT, false},
                                                           {MSG_PICTURE_LOG, VS_LOG_PCT, true},
                                                           {MSG_GLOBAL_LOG, VS_LOG_GLOBAL, true}};
    // DEMO has every right, LAS none to edit.
    for (const auto& [visa, password, mayEdit] :
         {std::tuple("DEMO", "demo", true), std::tuple("LAS", "las", false)}) {
        c().Toolbar_ButtonMenuClick("TB_LOGOUT", "TB_HOME");
        LogIn(visa, password);
        for (const auto& [code, view, logbook] : messages) {
            SCOPED_TRACE(::testing::Message() << visa << ", code " << int{code});
            c().m_TextAnyChanged = -1; // nothing edits the texts yet
            Inject(code, text);
            EXPECT_EQ(c().m_ViewState, view);
            EXPECT_EQ(c().texts().Text_Any->Text(), text);
            EXPECT_EQ(c().texts().Text_Any->Locked(), !(logbook && mayEdit));
            if (logbook) {
                EXPECT_EQ(c().m_TextAnyChanged, 0);
                EXPECT_EQ(c().texts().Text_Any->SelStart(), static_cast<int32_t>(text.size()))
                    << "the end is shown";
            }
        }
    }
}

TEST_F(SessionMessages, NoPictureEmptiesTheViewAndStopsRecordingAndPrinting) {
    ShowPicture(PictureWriter().box(2, true, false, 1, 10, 10, 300, 300));
    ASSERT_EQ(PictureAt(100, 100), kPaletteRed);
    c().m_IsRecording = -1;
    c().m_IsPrintingContinous = -1;
    Inject(MSG_NO_PICTURE, {});
    EXPECT_TRUE(c().m_Elements.empty());
    EXPECT_EQ(c().m_ViewState, VS_PICTURE);
    EXPECT_EQ(c().m_IsRecording, 0);
    EXPECT_EQ(c().m_IsPrintingContinous, 0);
    EXPECT_EQ(PictureAt(100, 100), kPictureGrey);
}

} // namespace
} // namespace pelorin::test
