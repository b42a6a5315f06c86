// Setpoint blocks of the simulator's demo plant, opened from the toolbar: a four-parameter block shown,
// written and closed, and a heating curve dragged and written, with what the simulator receives.

#include "setpoints/CurveSupport.h"

#include "control/SessionSupport.h"
#include "core/Latin1.h"
#include "core/NumberText.h"

#include <QApplication>
#include <QTest>

namespace pelorin::test {
namespace {

class SetpointSession : public SessionTest {
protected:
    SetpointSession() { m_DemoPlant = true; }

    void SetUp() override {
        SessionTest::SetUp();
        LogIn();
        QApplication::setActiveWindow(&c());
        ASSERT_TRUE(QTest::qWaitForWindowActive(&c()));
    }

    std::vector<std::string> Boxes(const std::array<TextBox*, 4>& boxes) {
        std::vector<std::string> texts;
        for (const TextBox* box : boxes)
            texts.push_back(box->Text());
        return texts;
    }

    bool WaitForBoxes(const std::array<TextBox*, 4>& boxes, const std::vector<std::string>& texts) {
        return waitFor([&] { return Boxes(boxes) == texts; });
    }
};

TEST_F(SetpointSession, AFourParameterBlockShowsItsValuesWritesOneAndCloses) {
    LocaleScope swedish(QLocale(QLocale::Swedish, QLocale::Sweden));
    SetpointPanel& panel = c().setpoints();
    ShowPicture(2);
    server().clearReceivedFrames();
    OpenBlock("LB01.REG");
    const Commands opened = {{CMD_UNWATCH_SETPOINT, ""},
                             {CMD_WATCH_SETPOINT, "LB01.REG.PAR1;LB01.REG.PAR2;LB01.REG.PAR3;LB01.REG.PAR4"}};
    EXPECT_EQ(Sent(), opened);
    EXPECT_EQ(c().m_ViewState, VS_SPV);
    EXPECT_TRUE(panel.Frame_SPV->Visible());
    EXPECT_EQ(panel.Frame_SPV->Caption(), Latin1FromUtf8("&Börvärden LB01.REG"));
    const std::vector<std::string> labels = {Latin1FromUtf8("Rum-/frånluftstemp:"), Latin1FromUtf8("Dödzon:"),
                                             "Min tilluftstemp:", "Max tilluftstemp:"};
    for (size_t i = 0; i < labels.size(); ++i)
        EXPECT_EQ(panel.Label_SPV[i]->Caption(), labels[i]);
    ASSERT_TRUE(WaitForBoxes(panel.Text_SPV, {"21", "1", "16", "28"}));
    EXPECT_TRUE(panel.Text_SPV[0]->widget()->hasFocus());

    // One parameter written with a decimal comma; the value comes back in the user's format.
    panel.Text_SPV[0]->SetText("22,5");
    QTest::mouseClick(panel.Command_SendSPV[0]->widget(), Qt::LeftButton);
    panel.Text_SPV[0]->SetText({});
    ASSERT_TRUE(waitFor([&] { return panel.Text_SPV[0]->Text() == "22,5"; }));
    const std::optional<sim::WriteRecord> written = server().lastWrite("LB01.REG.PAR1");
    ASSERT_TRUE(written.has_value());
    EXPECT_EQ(std::tuple(written->text, written->dynamicNumber, written->accepted),
              std::tuple("22.5", c().m_DynamicPointers, true));

    // A box without a number sends nothing (a server would write 0) and is selected for retyping.
    for (const char* typed : {"", "  ", "abc", "-", ",", "1e999"}) {
        SCOPED_TRACE(typed);
        const size_t writes = server().writes().size();
        panel.Text_SPV[1]->SetText(typed);
        panel.Text_SPV[2]->widget()->setFocus();
        QTest::mouseClick(panel.Command_SendSPV[1]->widget(), Qt::LeftButton);
        Sent();
        EXPECT_EQ(server().writes().size(), writes);
        EXPECT_TRUE(panel.Text_SPV[1]->widget()->hasFocus());
        EXPECT_EQ(panel.Text_SPV[1]->SelLength(), static_cast<int32_t>(std::string(typed).size()));
    }
    EXPECT_EQ(server().modelValue("LB01.REG.PAR2"), 1.0);

    // Escape in a box closes the panel and stops the block's values.
    QTest::keyClick(panel.Text_SPV[2]->widget(), Qt::Key_Escape);
    EXPECT_EQ(c().m_ViewState, VS_PICTURE);
    EXPECT_FALSE(panel.Frame_SPV->Visible());
    EXPECT_EQ(c().m_SPVElement, nullptr);
    EXPECT_EQ(Sent(), (Commands{{CMD_UNWATCH_SETPOINT, ""}}));
}

// Picture 3's pump stop block has descriptions of its own, the fourth unused.
TEST_F(SetpointSession, ATableBlockIsLabelledByItsDescriptionsAndLeavingABlockUnwatchesIt) {
    SetpointPanel& panel = c().setpoints();
    ShowPicture(3);
    server().clearReceivedFrames();
    c().Toolbar_ButtonMenuClick({}, "TB_SPV", "999");
    EXPECT_EQ(Sent(), (Commands{{CMD_UNWATCH_SETPOINT, ""}})) << "an unknown entry only unwatches";
    EXPECT_EQ(c().m_ViewState, VS_PICTURE);

    OpenBlock("VS01.PUMPSTOPP");
    const std::vector<std::string> labels = {
        "Pumpstopp vid utetemp:", "Hysteres:", "Frostskydd under:", Latin1FromUtf8("(ej använd):")};
    for (size_t i = 0; i < labels.size(); ++i)
        EXPECT_EQ(panel.Label_SPV[i]->Caption(), labels[i]);
    ASSERT_TRUE(WaitForBoxes(panel.Text_SPV, {"17", "2", "3", "0"}));

    // Another view from the toolbar, or another picture when it comes, lets the block go.
    Sent();
    c().Toolbar_ButtonMenuClick("TB_SHOW_LOG_GLOBAL", "TB_SHOW_TEXTS");
    EXPECT_EQ(Sent().front(), (std::pair<int, std::string>{CMD_UNWATCH_SETPOINT, ""}));
    EXPECT_EQ(c().m_SPVElement, nullptr);
    ShowPicture(3);
    OpenBlock("VS01.PUMPSTOPP");
    Sent();
    ShowPicture(2);
    EXPECT_EQ(Sent(), (Commands{{CMD_GET_PICTURE, "2"}, {CMD_UNWATCH_SETPOINT, ""}}));
    EXPECT_EQ(c().m_SPVElement, nullptr);
}

TEST_F(SetpointSession, TheToolbarsSendRefusesAValueWithoutANumberAndKeepsTheSelection) {
    ShowPicture(2);
    cElement& flow = ElementWithAddress("LB01.BV.GF11");
    ASSERT_TRUE(waitFor([&] { return flow.m_Status == 1; }));
    c().view().Picture_PCT_MouseMove(0, 0, static_cast<float>(flow.m_ScanBox_X1 + flow.m_ScanBox_X2) / 2,
                                     static_cast<float>(flow.m_ScanBox_Y1 + flow.m_ScanBox_Y2) / 2);
    c().view().Picture_PCT_DblClick();
    TextBox& newValue = *c().toolbar().Text_NewValue;
    for (const char* typed : {"x1", "1,5"}) {
        newValue.SetText(typed);
        c().Toolbar_ButtonClick("TB_SEND_SPV");
        Sent();
    }
    ASSERT_EQ(server().writes().size(), 1u);
    EXPECT_EQ(server().writes().front().text, "1.5");
    EXPECT_EQ(c().m_SelectedElement, nullptr);
}

// The day curve 42 - 0.9 T + 0.004 T², its middle handle dragged 20 pixels up and written.
TEST_F(SetpointSession, ADraggedCurveIsWrittenAndTheComputedSetpointRises) {
    CurveEditor& editor = c().curveEditor();
    ShowPicture(3);
    server().clearReceivedFrames();
    OpenBlock("VS01.DAG");
    const Commands opened = {{CMD_UNWATCH_SETPOINT, ""},
                             {CMD_WATCH_SETPOINT, "VS01.DAG.PAR1;VS01.DAG.PAR2;VS01.DAG.PAR3;VS01.DAG.PAR4"}};
    EXPECT_EQ(Sent(), opened);
    EXPECT_EQ(c().m_ViewState, VS_SPV_CURVE);
    EXPECT_EQ(editor.Frame_SPV_Curve->Caption(), Latin1FromUtf8("&Börvärdeskurva VS01.DAG"));
    ASSERT_TRUE(waitFor([&] { return Boxes(editor.Text_Curve_SPV)[3] == "0.004"; }));
    EXPECT_EQ(Boxes(editor.Text_Curve_SPV)[1] + " " + Boxes(editor.Text_Curve_SPV)[2], "42.0 -0.9");
    const CurveChart before = editor.Chart();

    QWidget* box = editor.Picture_SPV_Curve;
    const QPoint handle = CurvePoint(before, 0).toPoint();
    QTest::mousePress(box, Qt::LeftButton, {}, handle);
    EXPECT_EQ(box->cursor().shape(), Qt::SizeVerCursor);
    QTest::mouseMove(box, handle - QPoint(0, 10));
    QTest::mouseMove(box, handle - QPoint(0, 20));
    QTest::mouseRelease(box, Qt::LeftButton, {}, handle - QPoint(0, 20));
    const CurveChart dragged = editor.Chart();
    EXPECT_NEAR(dragged.At0, 42 + 20 / -before.YScale, 1e-3);
    EXPECT_EQ(editor.Text_Curve_SPV[1]->Text(), FixedText(dragged.At0, 1));

    const float computedBefore = dragged.Computed;
    server().clearReceivedFrames();
    const size_t writesBefore = server().writes().size();
    QTest::mouseClick(editor.Command_Send_Curve_SPV->widget(), Qt::LeftButton);
    Sent();
    const std::vector<sim::WriteRecord> writes = server().writes();
    ASSERT_EQ(writes.size(), writesBefore + 3);
    const std::array<std::pair<std::string, float>, 3> expected = {
        {{"VS01.DAG.PAR2", dragged.At0}, {"VS01.DAG.PAR3", dragged.Slope}, {"VS01.DAG.PAR4", dragged.Bend}}};
    for (size_t i = 0; i < expected.size(); ++i) {
        const sim::WriteRecord& write = writes[writesBefore + i];
        EXPECT_EQ(std::tuple(write.address, write.text, write.accepted),
                  std::tuple(expected[i].first, SingleText(expected[i].second), true));
    }
    EXPECT_NEAR(*server().modelValue("VS01.DAG.PAR2"), dragged.At0, 1e-4);

    // The plant computes its setpoint from the new curve, and the editor shows it.
    server().setFrozen(false);
    server().advanceClock(1000);
    ASSERT_TRUE(waitFor([&] { return editor.Chart().Computed > computedBefore + 1; }))
        << editor.Chart().Computed << " was " << computedBefore;

    // A press whose release never comes ends with the block; the night curve then opens on a chart
    // without a trace of the day curve.
    QTest::mousePress(box, Qt::LeftButton, {}, CurvePoint(editor.Chart(), 30).toPoint());
    ASSERT_NE(editor.Chart().DragMode, CURVE_DRAG_NONE);
    QTest::mouseClick(editor.Command_Cancel_Curve_SPV->widget(), Qt::LeftButton);
    EXPECT_EQ(c().m_ViewState, VS_PICTURE);
    EXPECT_EQ(editor.Chart().DragMode, CURVE_DRAG_NONE);
    EXPECT_NE(box->cursor().shape(), Qt::SizeVerCursor);
    OpenBlock("VS01.NATT");
    ASSERT_TRUE(waitFor([&] { return Boxes(editor.Text_Curve_SPV)[1] == "37.0"; }));
    EXPECT_EQ(editor.Picture_SPV_Curve->Surface().Image(), FreshChart(editor));
}

} // namespace
} // namespace pelorin::test
