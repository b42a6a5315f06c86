// The server's messages as the control handles them: the update indicator, values beyond the
// picture, the setpoint menu and a picture that does not exist.

#include "control/SessionSupport.h"

namespace pelorin::test {
namespace {

constexpr Colour kIndicatorRed = 0xFF;

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

// Values numbered beyond the picture (for the one before it, or for nothing) change and count nothing;
// a value cut short is 0 for number 0.
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

// Each setpoint kind named adds one menu entry; no picture empties the view and the menu, and stops
// recording and printing.
TEST_F(SessionMessages, SetpointKindsAddTheirMenuEntriesOnceAndNoPictureEmptiesAll) {
    ShowPicture(PictureWriter()
                    .setpoint("SP.A", "Tryck", "", "", "")
                    .setpoint("SP.B", "", "", "", "")
                    .box(2, true, false, 1, 10, 10, 300, 300));
    for (const auto& [pointer, kind] : {std::pair(0, "0"), std::pair(1, "3"), std::pair(1, "1")})
        Value(pointer, kind);
    std::vector<std::pair<std::string, std::string>> menu;
    for (const auto& entry : c().toolbar().Toolbar->Button("TB_SPV")->MenuEntries())
        menu.emplace_back(entry->Text, entry->Tag);
    EXPECT_EQ(menu, (decltype(menu){{"SP.A\t(PLSetPnt.DTA)", "0"}, {"SP.B\t(kurva natt)", "1"}}));
    EXPECT_TRUE(c().toolbar().Toolbar->Button("TB_SPV")->Enabled());
    ASSERT_EQ(PictureAt(100, 100), kPaletteRed);

    c().m_IsRecording = -1;
    c().m_IsPrintingContinous = -1;
    Inject(MSG_NO_PICTURE, {});
    EXPECT_TRUE(c().toolbar().Toolbar->Button("TB_SPV")->MenuEntries().empty());
    EXPECT_TRUE(c().m_Elements.empty());
    EXPECT_EQ(std::tuple(c().m_ViewState, c().m_IsRecording, c().m_IsPrintingContinous),
              std::tuple(VS_PICTURE, 0, 0));
    EXPECT_EQ(PictureAt(100, 100), kPictureGrey);
}

} // namespace
} // namespace pelorin::test
