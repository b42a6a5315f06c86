// The server's messages as the control handles them, sent by the simulator over loopback: the update
// indicator, value formats, setpoint kinds, values beyond the picture, short payloads, texts, the
// picture table and the system-dialog information.

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

TEST_F(SessionMessages, PercentagesRoundHalfToEvenBeyondSixteenBits) {
    // 330 of 400 is 82.5: counts above 327 overflow a 16-bit product.
    ShowPicture(Values(400, 0));
    std::string burst;
    for (int i = 0; i < 330; ++i)
        burst += EncodeFrame(MSG_VALUE, ValuePayload(i, "1"));
    server().sendGarbage(burst);
    ASSERT_TRUE(waitFor([this] { return Indicator() == "82%"; })) << Indicator();
    for (int i = 330; i < 333; ++i)
        Value(i, "1");
    EXPECT_EQ(Indicator(), "83%") << "83.25";
    Value(333, "1");
    EXPECT_EQ(Indicator(), "84%") << "83.5";
}

TEST_F(SessionMessages, ValueTextsShowTheirDecimalsWithAPointInAnyLocale) {
    LocaleScope swedish(QLocale(QLocale::Swedish, QLocale::Sweden));
    ShowPicture(PictureWriter().dynValue(4, 1, 2, 100, 50, "A.MV.X").dynValue(4, 1, 0, 100, 80, "A.MV.Y"));
    const struct {
        int pointer;
        const char* sent;
        const char* shown;
        double value;
    } cases[] = {
        {0, "3", "3.00", 3},
        {0, "2.5", "2.50", 2.5},
        {0, "abc", "0.00", 0},
        {0, " 12.5e1xyz", "125.00", 125},
        {0, "-4.126", "-4.13", -4.126},
        {1, "17.2", "17", 17.2},
        {1, "", "0", 0},
    };
    for (const auto& k : cases) {
        Value(k.pointer, k.sent);
        const cElement& e = *c().m_Elements[static_cast<size_t>(k.pointer)];
        EXPECT_EQ(e.m_Text, k.shown) << "sent " << k.sent;
        EXPECT_DOUBLE_EQ(e.m_Value, k.value);
        EXPECT_EQ(e.m_Status, 1);
    }
}

TEST_F(SessionMessages, SetpointKindsAddTheirMenuEntriesOnce) {
    PictureWriter w;
    w.setpoint("SP.A", "Tryck", "", "", "");
    for (const char* address : {"SP.B", "SP.C", "SP.D", "SP.E", "SP.F"})
        w.setpoint(address, "", "", "", "");
    ShowPicture(w);
    // SP.C's second kind is ignored; kind 0 without descriptions (SP.E) is examined again; 7 is unknown.
    const std::pair<int, const char*> kinds[] = {{0, "0"}, {1, "1"}, {2, "2"}, {2, "3"},
                                                 {3, "3"}, {4, "0"}, {5, "7"}, {4, "2"}};
    for (const auto& [pointer, kind] : kinds)
        Value(pointer, kind);

    std::vector<std::pair<std::string, std::string>> menu;
    for (const auto& entry : c().toolbar().Toolbar->Button("TB_SPV")->MenuEntries())
        menu.emplace_back(entry->Text, entry->Tag);
    EXPECT_EQ(menu, (decltype(menu){{"SP.A\t(PLSetPnt.DTA)", "0"},
                                    {"SP.B\t(standard)", "1"},
                                    {"SP.C\t(kurva dag)", "2"},
                                    {"SP.D\t(kurva natt)", "3"},
                                    {"SP.E\t(kurva dag)", "4"}}));
    for (const auto& [index, kind] : {std::pair{0, 0}, {2, 2}, {4, 2}, {5, -1}})
        EXPECT_EQ(c().m_Elements[static_cast<size_t>(index)]->m_SPVType, kind) << "setpoint " << index;
    EXPECT_EQ(c().m_Elements[0]->m_PAR1_Description, "Tryck");
    EXPECT_EQ(c().m_Elements[0]->m_PAR4_Description, "(ej anv\xE4nd)");
    EXPECT_EQ(c().m_Elements[1]->m_PAR2_Description, "") << "only kind 0 marks unused parameters";

    // Every element has a value, a kind or not: the indicator is complete and the setpoints offered.
    EXPECT_EQ(Indicator(), "100%");
    EXPECT_TRUE(c().toolbar().Toolbar->Button("TB_SPV")->Enabled());
    Inject(MSG_NO_PICTURE, {});
    EXPECT_TRUE(c().toolbar().Toolbar->Button("TB_SPV")->MenuEntries().empty())
        << "the next picture starts with an empty menu";
}

TEST_F(SessionMessages, ValuesBeyondThePictureChangeNoElement) {
    // A new picture and values numbered for the old, larger one arrive together.
    std::string burst = EncodeFrame(MSG_PICTURE, PictureMessage(Values(4), 9));
    for (int pointer : {0, 5, 7, 8, 12, 32767, 32768, 40000, 65535})
        burst += EncodeFrame(MSG_VALUE, ValuePayload(pointer, "5"));
    server().sendGarbage(burst);
    Sync();
    ASSERT_EQ(c().m_PictureNumber, 9);
    EXPECT_EQ(c().m_Elements[0]->m_Text, "5.0");
    for (size_t i = 1; i < 4; ++i)
        EXPECT_EQ(c().m_Elements[i]->m_Status, 0) << "element " << i;
    EXPECT_EQ(Indicator(), "25%");
}

TEST_F(SessionMessages, PayloadsAreReadAsFarAsTheyGo) {
    Inject(MSG_PICTURE, std::string("\0\0\0\x05\0\0", 6));
    EXPECT_EQ(c().m_PictureNumber, 5);
    EXPECT_EQ(c().m_FunctionTextAvailable, 0);
    EXPECT_EQ(c().m_VGFileLen, 0);
    EXPECT_TRUE(c().m_Elements.empty());

    ShowPicture(Values(4));
    Inject(MSG_VALUE, std::string(1, '\0'));
    EXPECT_EQ(c().m_Elements[0]->m_Status, 1);
    EXPECT_EQ(c().m_Elements[0]->m_Text, "0.0");

    Inject(MSG_SYSDIAL_INFO, Long2String(32767) + Long2String(2) + Long2String(1'000'000) + "A");
    EXPECT_EQ(c().m_SysdialAllocated, 32767);
    EXPECT_EQ(c().m_SysdialUsers, "A\r\n");

    // A full table holds pictures 0 to 999 and the parameter list up to its length.
    server().sendFrameToAll(MSG_PICTURE_TABLE,
                            std::string(kPictureTableSize, '\x01') + Long2String(7) + ",XX,YY,extra");
    ASSERT_TRUE(waitFor([this] { return c().m_WriteParameters == ",XX,YY,"; }));
    EXPECT_EQ(c().model().PictureExists(999), 1);
    EXPECT_EQ(c().model().PictureExists(1000), 0);
    // One cut short after picture 2: the rest reads as missing.
    server().sendFrameToAll(MSG_PICTURE_TABLE, std::string("\0\x01\x01", 3));
    ASSERT_TRUE(waitFor([this] { return c().m_WriteParameters.empty(); }));
    EXPECT_EQ(c().model().PictureExists(2), 1);
    EXPECT_EQ(c().model().PictureExists(3), 0);

    server().sendFrameToAll(MSG_LOGIN_REPLY, std::string(2, '\0'));
    ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_LOGIN; }));
    EXPECT_EQ(c().m_UserName, "");
}

TEST_F(SessionMessages, TextsAndLogbooksAreEditableByAccessBit) {
    const struct {
        uint8_t code;
        int32_t access;
        int16_t view;
        bool locked;
    } cases[] = {
        {MSG_FUNCTION_TEXT, 31, VS_FUNCTION_TEXT, true}, {MSG_PICTURE_LOG, 31, VS_LOG_PCT, false},
        {MSG_GLOBAL_LOG, 31, VS_LOG_GLOBAL, false},      {MSG_PICTURE_LOG, 1, VS_LOG_PCT, true},
        {MSG_GLOBAL_LOG, 1, VS_LOG_GLOBAL, true},
    };
    const std::string text = "Rad 1\r\nR\xE4"
                             "d 2";
    for (const auto& k : cases) {
        SCOPED_TRACE(::testing::Message() << "code " << int{k.code} << ", access " << k.access);
        c().m_AccessLevel = k.access;
        c().m_TextAnyChanged = -1;
        Inject(k.code, text);
        EXPECT_EQ(c().m_ViewState, k.view);
        EXPECT_EQ(c().texts().Text_Any->Text(), text);
        EXPECT_EQ(c().texts().Text_Any->Locked(), k.locked);
        if (k.code != MSG_FUNCTION_TEXT) {
            EXPECT_EQ(c().m_TextAnyChanged, 0);
            EXPECT_EQ(c().texts().Text_Any->SelStart(), static_cast<int32_t>(text.size()))
                << "the end is shown";
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
