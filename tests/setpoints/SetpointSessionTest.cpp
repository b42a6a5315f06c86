#include "common/SessionSupport.h"
#include "core/Latin1.h"
#include "core/NumberText.h"
#include "toolbar/ToolbarTable.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>
#include <functional>
#include <random>

namespace pelorin::test {
namespace {

template <typename Control>
std::vector<std::string> Texts(const std::array<Control*, 4>& controls,
                               std::string (Control::*read)() const) {
    std::vector<std::string> texts;
    for (const Control* control : controls)
        texts.push_back((control->*read)());
    return texts;
}

// The chart point of the curve at temperature T.
QPointF CurvePoint(const CurveChart& chart, float T) {
    return {ChartX(chart, T), ChartY(chart, CurveValue(chart, T))};
}

// What the curve box must show: the box cleared, the axes, and the current curve drawn once.
QImage FreshChart(const CurveEditor& editor) {
    const ImageSurface& box = editor.Picture_SPV_Curve->Surface();
    ImageSurface fresh(box.Image().size());
    fresh.SetBackColor(box.BackColor());
    fresh.Cls();
    CurveChart chart = editor.Chart();
    PaintCurveAxes(chart, fresh);
    PaintCurve(chart, fresh);
    return fresh.Image();
}

// The setpoint blocks of the simulator's demo plant, opened from the toolbar.
class SetpointSession : public SessionTest {
protected:
    SetpointSession() { m_DemoPlant = true; }

    void SetUp() override {
        SessionTest::SetUp();
        LogIn();
        QApplication::setActiveWindow(&c());
        ASSERT_TRUE(QTest::qWaitForWindowActive(&c()));
    }
};

// A value typed and not written when the link ends the session is not dropped without a word.
TEST_F(SetpointSession, AValueTypedButNotWrittenWhenTheLinkEndsIsToldOf) {
    SetpointPanel& panel = c().setpoints();
    CurveEditor& editor = c().curveEditor();
    const std::string told =
        Latin1FromUtf8("Det inskrivna värdet skrevs inte ner: sessionen med bildservern avslutades.");
    const auto panelReady = [&] { return panel.Text_SPV[3]->Text() == "28"; };
    const auto curveReady = [&] { return editor.Text_Curve_SPV[3]->Text() == "0.004"; };
    const struct {
        const char* typed;
        int picture;
        const char* block;
        std::function<bool()> ready;
        std::function<void()> type;
        bool tell;
    } cases[] = {
        {"in the panel", 2, "LB01.REG", panelReady, [&] { panel.Text_SPV[1]->SetText("3"); }, true},
        {"in the curve editor", 3, "VS01.DAG", curveReady, [&] { editor.Text_Curve_SPV[2]->SetText("2.5"); },
         true},
        {"for the selected value", 2, "LB01.REG", panelReady,
         [&] {
             panel.Command_CancelSPV_Click();
             cElement& flow = ElementWithAddress("LB01.BV.GF11");
             c().view().Picture_PCT_MouseMove(0, 0,
                                              static_cast<float>(flow.m_ScanBox_X1 + flow.m_ScanBox_X2) / 2,
                                              static_cast<float>(flow.m_ScanBox_Y1 + flow.m_ScanBox_Y2) / 2);
             c().view().Picture_PCT_DblClick();
             c().toolbar().Text_NewValue->SetText("7");
         },
         true},
        {"nothing in the panel", 2, "LB01.REG", panelReady, [] {}, false},
        {"nothing in the curve editor", 3, "VS01.DAG", curveReady, [] {}, false},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.typed);
        if (c().m_AccessLevel == 0)
            LogIn();
        ShowPicture(t.picture, true);
        OpenBlock(t.block);
        ASSERT_TRUE(waitFor(t.ready));
        t.type();
        f.dialogs().asked.clear();
        server().dropMidFrame();
        c().TCPSend(CMD_GET_PICTURE, "1");
        ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_LOGIN; }));
        LogIn();
        const std::vector<ScriptedDialogs::Question> expected = {{ScriptedDialogs::Kind::Ok, told, ""}};
        EXPECT_EQ(f.dialogs().asked, t.tell ? expected : std::vector<ScriptedDialogs::Question>{});
        EXPECT_EQ(panel.Text_SPV[1]->Text() + c().toolbar().Text_NewValue->Text(), "")
            << "gone with the session";
    }
}

TEST_F(SetpointSession, AFourParameterBlockIsWrittenAndClosedAndTextWithoutANumberIsNeverSent) {
    LocaleScope swedish(QLocale(QLocale::Swedish, QLocale::Sweden));
    SetpointPanel& panel = c().setpoints();
    ShowPicture(2);
    server().clearReceivedFrames();
    OpenBlock("LB01.REG");
    const Commands opened = {{CMD_UNWATCH_SETPOINT, ""},
                             {CMD_WATCH_SETPOINT, "LB01.REG.PAR1;LB01.REG.PAR2;LB01.REG.PAR3;LB01.REG.PAR4"}};
    EXPECT_EQ(Sent(), opened);
    EXPECT_EQ(c().m_ViewState, VS_SPV);
    EXPECT_EQ(panel.Frame_SPV->Caption(), Latin1FromUtf8("&Börvärden LB01.REG"));
    EXPECT_EQ(Texts(panel.Label_SPV, &Label::Caption),
              (std::vector<std::string>{Latin1FromUtf8("Rum-/frånluftstemp:"), Latin1FromUtf8("Dödzon:"),
                                        "Min tilluftstemp:", "Max tilluftstemp:"}));
    ASSERT_TRUE(waitFor([&] {
        return Texts(panel.Text_SPV, &TextBox::Text) == std::vector<std::string>{"21", "1", "16", "28"};
    }));
    EXPECT_TRUE(panel.Text_SPV[0]->widget()->hasFocus());

    // Written with a decimal comma; the value comes back in the user's format.
    panel.Text_SPV[0]->SetText("22,5");
    QTest::mouseClick(panel.Command_SendSPV[0]->widget(), Qt::LeftButton);
    panel.Text_SPV[0]->SetText({});
    ASSERT_TRUE(waitFor([&] { return panel.Text_SPV[0]->Text() == "22,5"; }));
    EXPECT_EQ(Sent(), (Commands{{CMD_WRITE_VALUE, Long2String(c().m_DynamicPointers) + "22.5"}}));

    // A box without a number sends nothing (a server would write 0) and is selected for retyping.
    for (const char* typed : {"", "  ", "abc", "-", ",", "1e999"}) {
        const size_t writes = server().writes().size();
        panel.Text_SPV[1]->SetText(typed);
        panel.Text_SPV[2]->widget()->setFocus();
        QTest::mouseClick(panel.Command_SendSPV[1]->widget(), Qt::LeftButton);
        Sent();
        EXPECT_EQ(server().writes().size(), writes) << typed;
        EXPECT_TRUE(panel.Text_SPV[1]->widget()->hasFocus()) << typed;
        EXPECT_EQ(panel.Text_SPV[1]->SelLength(), static_cast<int32_t>(std::string(typed).size())) << typed;
    }

    QTest::keyClick(panel.Text_SPV[2]->widget(), Qt::Key_Escape);
    EXPECT_EQ(c().m_ViewState, VS_PICTURE);
    EXPECT_EQ(c().m_SPVElement, nullptr);
    EXPECT_EQ(Sent(), (Commands{{CMD_UNWATCH_SETPOINT, ""}}));

    // The toolbar's send refuses a value without a number too, and keeps the selection for it.
    cElement& flow = ElementWithAddress("LB01.BV.GF11");
    ASSERT_TRUE(waitFor([&] { return flow.m_Status == 1; }));
    c().view().Picture_PCT_MouseMove(0, 0, static_cast<float>(flow.m_ScanBox_X1 + flow.m_ScanBox_X2) / 2,
                                     static_cast<float>(flow.m_ScanBox_Y1 + flow.m_ScanBox_Y2) / 2);
    c().view().Picture_PCT_DblClick();
    const size_t writes = server().writes().size();
    for (const char* typed : {"x1", "1,5"}) {
        c().toolbar().Text_NewValue->SetText(typed);
        c().Toolbar_ButtonClick(tb::kSendSetpoint);
        Sent();
    }
    ASSERT_EQ(server().writes().size(), writes + 1);
    EXPECT_EQ(server().writes().back().text, "1.5");
    EXPECT_EQ(c().m_SelectedElement, nullptr);
}

// Picture 3: a pump stop block with descriptions of its own, the fourth unused, and the day curve
// 42 - 0.9 T + 0.004 T², its middle handle dragged 20 pixels up and written.
TEST_F(SetpointSession, ATableBlockIsLabelledByItsDescriptionsAndADraggedCurveIsWritten) {
    CurveEditor& editor = c().curveEditor();
    const CurveChart& laidOut = editor.Chart();
    EXPECT_TRUE(laidOut.Right - laidOut.Left > 200 && laidOut.Bottom - laidOut.Top > 150)
        << "laid out on the hidden box's pixels at start-up";
    ShowPicture(3);
    server().clearReceivedFrames();
    c().Toolbar_ButtonMenuClick({}, tb::kSetpoints, "999");
    EXPECT_EQ(Sent(), (Commands{{CMD_UNWATCH_SETPOINT, ""}})) << "an unknown entry only unwatches";

    OpenBlock("VS01.PUMPSTOPP");
    EXPECT_EQ(Texts(c().setpoints().Label_SPV, &Label::Caption),
              (std::vector<std::string>{"Pumpstopp vid utetemp:", "Hysteres:", "Frostskydd under:",
                                        Latin1FromUtf8("(ej använd):")}));
    ASSERT_TRUE(waitFor([&] {
        return Texts(c().setpoints().Text_SPV, &TextBox::Text) ==
               std::vector<std::string>{"17", "2", "3", "0"};
    }));
    // Another picture when it comes lets the block go.
    Sent();
    ShowPicture(2);
    EXPECT_EQ(Sent(), (Commands{{CMD_GET_PICTURE, "2"}, {CMD_UNWATCH_SETPOINT, ""}}));
    EXPECT_EQ(c().m_SPVElement, nullptr);

    ShowPicture(3);
    OpenBlock("VS01.DAG");
    EXPECT_EQ(c().m_ViewState, VS_SPV_CURVE);
    EXPECT_EQ(editor.Frame_SPV_Curve->Caption(), Latin1FromUtf8("&Börvärdeskurva VS01.DAG"));
    ASSERT_TRUE(waitFor([&] { return Texts(editor.Text_Curve_SPV, &TextBox::Text)[3] == "0.004"; }));
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

    server().clearReceivedFrames();
    QTest::mouseClick(editor.Command_Send_Curve_SPV->widget(), Qt::LeftButton);
    const auto write = [&](int32_t parameter, float value) {
        return std::pair<int, std::string>{CMD_WRITE_VALUE, Long2String(c().m_DynamicPointers + parameter) +
                                                                SingleText(value)};
    };
    EXPECT_EQ(Sent(), (Commands{write(1, dragged.At0), write(2, dragged.Slope), write(3, dragged.Bend)}));

    // The plant computes its setpoint from the new curve, and the editor shows it.
    server().setFrozen(false);
    server().advanceClock(1000);
    ASSERT_TRUE(waitFor([&] { return editor.Chart().Computed > dragged.Computed + 1; }));

    // A press whose release never comes ends with the block; the night curve then opens on a chart
    // without a trace of the day curve.
    QTest::mousePress(box, Qt::LeftButton, {}, CurvePoint(editor.Chart(), 30).toPoint());
    ASSERT_NE(editor.Chart().DragMode, CURVE_DRAG_NONE);
    QTest::mouseClick(editor.Command_Cancel_Curve_SPV->widget(), Qt::LeftButton);
    EXPECT_EQ(editor.Chart().DragMode, CURVE_DRAG_NONE);
    editor.Command_Send_Curve_SPV_Click();
    EXPECT_EQ(Sent(), (Commands{{CMD_UNWATCH_SETPOINT, ""}})) << "without a block nothing is written";
    OpenBlock("VS01.NATT");
    ASSERT_TRUE(waitFor([&] { return Texts(editor.Text_Curve_SPV, &TextBox::Text)[1] == "37.0"; }));
    EXPECT_EQ(editor.Picture_SPV_Curve->Surface().Image(), FreshChart(editor));
}

// Values keep arriving while the operator types: each rewrites its own box only, so a typed slope is what
// "Rita om kurva" draws and "Skriv ner nya signalvärden" writes.
TEST_F(SetpointSession, ATypedSlopeSurvivesArrivalsAndIsWrittenAfterTheRedraw) {
    LocaleScope swedish(QLocale(QLocale::Swedish, QLocale::Sweden));
    CurveEditor& editor = c().curveEditor();
    ShowPicture(3);
    OpenBlock("VS01.DAG");
    ASSERT_TRUE(waitFor([&] { return Texts(editor.Text_Curve_SPV, &TextBox::Text)[3] == "0,004"; }));
    editor.Text_Curve_SPV[2]->SetText("-1,2");
    for (int i = 0; i < 10; ++i)
        c().OnValue(ValuePayload(c().m_DynamicPointers + i % 2, FixedText(40 + 0.37 * i, 3)));
    EXPECT_EQ(Texts(editor.Text_Curve_SPV, &TextBox::Text),
              (std::vector<std::string>{"43,0", "43,3", "-1,2", "0,004"}));
    Sent();
    QTest::mouseClick(editor.Command_SPV_Curve_Update->widget(), Qt::LeftButton);
    QTest::mouseClick(editor.Command_Send_Curve_SPV->widget(), Qt::LeftButton);
    const auto write = [&](int32_t parameter, const char* text) {
        return std::pair<int, std::string>{CMD_WRITE_VALUE,
                                           Long2String(c().m_DynamicPointers + parameter) + text};
    };
    EXPECT_EQ(Sent(), (Commands{write(1, "43.3"), write(2, "-1.2"), write(3, "0.004")}));
}

// In a parameter box Enter redraws and Escape leaves, as the buttons do; the editor opens with the focus
// in the first box the operator can change.
TEST_F(SetpointSession, CurveEditorKeysActAsItsButtonsAndTheFocusStartsInAnEditableBox) {
    CurveEditor& editor = c().curveEditor();
    ShowPicture(3);
    OpenBlock("VS01.DAG");
    EXPECT_EQ(QApplication::focusWidget(), editor.Text_Curve_SPV[1]->widget());
    ASSERT_TRUE(waitFor([&] { return Texts(editor.Text_Curve_SPV, &TextBox::Text)[3] == "0.004"; }));
    editor.Text_Curve_SPV[3]->SetText("-0.002");
    QTest::keyClick(editor.Text_Curve_SPV[3]->widget(), Qt::Key_Return);
    EXPECT_EQ(editor.Chart().Bend, -0.002f);
    EXPECT_EQ(editor.Text_Curve_SPV[3]->Text(), "-0.002");
    QTest::keyClick(editor.Text_Curve_SPV[2]->widget(), Qt::Key_Escape);
    EXPECT_EQ(c().m_ViewState, VS_PICTURE);
    EXPECT_EQ(c().m_SPVElement, nullptr);
}

// While the chart holds parameters the controller has not reported (dragged or redrawn, not written),
// "Skriv ner nya signalvärden" carries a mark; the values coming back as written take it away.
TEST_F(SetpointSession, TheWriteButtonIsMarkedWhileTheChartIsNotWritten) {
    CurveEditor& editor = c().curveEditor();
    const auto shownIcon = [&] {
        return qobject_cast<QAbstractButton*>(editor.Command_Send_Curve_SPV->widget())
            ->icon()
            .pixmap(24)
            .toImage();
    };
    ShowPicture(3);
    OpenBlock("VS01.DAG");
    ASSERT_TRUE(waitFor([&] { return Texts(editor.Text_Curve_SPV, &TextBox::Text)[3] == "0.004"; }));
    const QImage plain = shownIcon();
    EXPECT_FALSE(editor.ChartUnwritten());

    const QPoint handle = CurvePoint(editor.Chart(), 0).toPoint();
    QWidget* box = editor.Picture_SPV_Curve;
    QTest::mousePress(box, Qt::LeftButton, {}, handle);
    QTest::mouseMove(box, handle - QPoint(0, 17));
    QTest::mouseRelease(box, Qt::LeftButton, {}, handle - QPoint(0, 17));
    EXPECT_TRUE(editor.ChartUnwritten());
    EXPECT_NE(shownIcon(), plain);
    c().OnValue(ValuePayload(c().m_DynamicPointers, "12.5"));
    EXPECT_NE(shownIcon(), plain) << "the computed setpoint is not the operator's";

    QTest::mouseClick(editor.Command_Send_Curve_SPV->widget(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !editor.ChartUnwritten(); }));
    EXPECT_EQ(shownIcon(), plain);
}

// Whatever the editing, the chart shows the axes and the current curve drawn once.
TEST_F(SetpointSession, AfterAnyEditingTheCurveChartShowsTheAxesAndTheCurveOnce) {
    LocaleScope swedish(QLocale(QLocale::Swedish, QLocale::Sweden));
    CurveEditor& editor = c().curveEditor();
    ShowPicture(3);
    OpenBlock("VS01.DAG");
    ASSERT_TRUE(waitFor([&] { return Texts(editor.Text_Curve_SPV, &TextBox::Text)[3] == "0,004"; }));
    const CurveChart& chart = editor.Chart();
    const std::array<const char*, 3> typed = {"42,5", "5", "-0,0041"};
    for (size_t i = 0; i < 3; ++i)
        editor.Text_Curve_SPV[i + 1]->SetText(typed[i]);
    QTest::mouseClick(editor.Command_SPV_Curve_Update->widget(), Qt::LeftButton);
    EXPECT_EQ(std::tuple(chart.At0, chart.Slope, chart.Bend), std::tuple(42.5f, 3.0f, -0.0041f))
        << "slope clamped";
    EXPECT_EQ(editor.Text_Curve_SPV[2]->Text() + " " + editor.Text_Curve_SPV[3]->Text(), "3,0 -0,004");

    std::mt19937 rng(20240611);
    const auto uniform = [&](double low, double high) {
        return std::uniform_real_distribution(low, high)(rng);
    };
    // Parameters from the controller and typed ones, some beyond the ranges the drawing clamps to.
    const auto parameterText = [&](size_t index) {
        return FixedText(uniform(-1, 1) * std::array{120.0, 150.0, 4.0, 0.06}[index], 4);
    };
    int dragsStarted = 0;
    const std::vector<std::function<void()>> steps = {
        [&] {
            const auto index = static_cast<int>(rng() % 4);
            c().OnValue(
                ValuePayload(c().m_DynamicPointers + index, parameterText(static_cast<size_t>(index))));
        },
        [&] {
            for (size_t i = 1; i < 4; ++i) {
                std::string typed = rng() % 10 == 0 ? "x" : parameterText(i);
                if (rng() % 2 == 0)
                    std::replace(typed.begin(), typed.end(), '.', ',');
                editor.Text_Curve_SPV[i]->SetText(typed);
            }
            QTest::mouseClick(editor.Command_SPV_Curve_Update->widget(), Qt::LeftButton);
        },
        [&] { editor.Check_Curve_SPV_SupportLine->SetValue(static_cast<int32_t>(rng() % 2)); },
        [&] {
            static const std::array<float, 4> handles = {30, 0, -30, 12};
            QPointF at = CurvePoint(chart, handles[rng() % 4]);
            at.ry() += uniform(-2.0, 2.0) * chart.MarkerSize;
            editor.Picture_SPV_Curve_MouseDown(1, 0, static_cast<float>(at.x()), static_cast<float>(at.y()));
            dragsStarted += chart.DragMode != CURVE_DRAG_NONE;
            for (int moves = 1 + static_cast<int>(rng() % 4); moves > 0; --moves)
                editor.Picture_SPV_Curve_MouseMove(1, 0, static_cast<float>(at.x()),
                                                   static_cast<float>(at.y() + uniform(-150, 150)));
            // Now and then the release is lost (a focus change, a modal box).
            if (rng() % 5 != 0)
                editor.Picture_SPV_Curve_MouseUp(1, 0, 0, 0);
        },
        // Covered and uncovered: the second paint runs the paint handler.
        [&] {
            editor.Frame_SPV_Curve->SetVisible(false);
            editor.Frame_SPV_Curve->SetVisible(true);
            editor.Picture_SPV_Curve->repaint();
            editor.Picture_SPV_Curve->repaint();
        },
    };
    for (int i = 0; i < 1500; ++i) {
        const size_t step = rng() % steps.size();
        steps[step]();
        ASSERT_EQ(editor.Picture_SPV_Curve->Surface().Image(), FreshChart(editor)) << i << ", step " << step;
    }
    EXPECT_GT(dragsStarted, 50);
}

// Additions beyond the control's screens hear the session, its values and every write, each by name.
TEST_F(SetpointSession, TheWatchHearsTheSessionTheValuesAndEveryWriteByName) {
    LocaleScope swedish(QLocale(QLocale::Swedish, QLocale::Sweden));
    const WatchLog& watch = f.watch();
    EXPECT_EQ(watch.Starting("in "),
              (std::vector<std::string>{"in DEMO 127.0.0.1:" + std::to_string(server().framedPort())}));
    ShowPicture(2, true);
    EXPECT_EQ(watch.Starting("picture ").back(), "picture 2");
    cElement& flow = ElementWithAddress("LB01.BV.GF11");
    EXPECT_FALSE(watch.Starting("value LB01.BV.GF11 ").empty());

    OpenBlock("LB01.REG");
    ASSERT_TRUE(waitFor([&] { return !watch.Starting("value LB01.REG.PAR4 ").empty(); }));
    c().setpoints().Text_SPV[0]->SetText("22,5");
    QTest::mouseClick(c().setpoints().Command_SendSPV[0]->widget(), Qt::LeftButton);
    ASSERT_TRUE(waitFor([&] { return !watch.Starting("value LB01.REG.PAR1 22.5").empty(); }));
    c().setpoints().Command_CancelSPV_Click();

    c().view().Picture_PCT_MouseMove(0, 0, static_cast<float>(flow.m_ScanBox_X1 + flow.m_ScanBox_X2) / 2,
                                     static_cast<float>(flow.m_ScanBox_Y1 + flow.m_ScanBox_Y2) / 2);
    c().view().Picture_PCT_DblClick();
    c().toolbar().Text_NewValue->SetText("1,5");
    c().Toolbar_ButtonClick(tb::kSendSetpoint);
    EXPECT_EQ(watch.Starting("write "),
              (std::vector<std::string>{"write LB01.REG.PAR1 22.5", "write LB01.BV.GF11 1.5"}));

    c().Toolbar_ButtonMenuClick(tb::kLogout, tb::kHome, {});
    EXPECT_EQ(watch.lines.back(), "out");
}

} // namespace
} // namespace pelorin::test
