// Each view printed from the toolbar against the demo plant and read back from its PDF (pdftotext for
// text and word boxes, pdftoppm for pixels); the screen is as before. PELORIN_SHOTS_DIR keeps the pages.

#include "printing/Printout.h"
#include "common/PdfSupport.h"
#include "control/SessionSupport.h"
#include "core/Latin1.h"
#include "core/RegionalTime.h"

#include "TextStore.h"
#include "WireText.h"

#include <QTest>
#include <algorithm>
#include <cmath>

namespace pelorin::test {
namespace {

constexpr int kDpi = 144;
constexpr double kPxPerPt = kDpi / 72.0;

// Device pixels of the printable area to points on the page.
double Pt(double device) {
    return kMarginPt + device * 72.0 / PrinterSurface::dotsPerInch;
}

// The picture at 80 % of the uniform scale that fits, centred; a panel below it as high as it.
struct PageScale {
    double mul, xAdd, yAdd;
    PageScale(double w, double h, bool panel)
        : mul(0.8 * std::min(w / 640, h / 474)), xAdd((w - 640 * mul) / 2),
          yAdd(panel ? (h - 948 * mul) / 3 : (h - 474 * mul) / 2) {}
};

bool Dark(QColor c) {
    return c.lightness() < 100;
}
bool Blue(QColor c) {
    return c.blue() > 180 && c.red() < 90 && c.green() < 90;
}
bool Orange(QColor c) {
    return c.red() > 220 && std::abs(c.green() - 128) < 40 && c.blue() < 60;
}
bool Yellow(QColor c) {
    return c.red() > 200 && c.green() > 200 && c.blue() < 60;
}

class PrintoutTest : public SessionTest {
protected:
    PrintoutTest() { m_DemoPlant = true; }
    void SetUp() override {
        SessionTest::SetUp();
        LogIn();
    }

    PrinterSurface& printer() { return c().printout().Printer(); }

    QString Print(const QString& name) {
        const QString pdf = files.filePath(name + QStringLiteral(".pdf"));
        printer().SetPdfPath(pdf);
        c().Toolbar_ButtonMenuClick("TB_PRINT", "TB_HOME");
        page = PdfFirstPage(pdf, kDpi);
        SaveShot(page, name + QStringLiteral(".png"));
        return pdf;
    }

    // The screen's scale and hit boxes once the values waiting for the next refresh are drawn.
    std::vector<float> Screen() {
        c().view().DrawPending();
        std::vector<float> state{c().m_XMul, c().m_XAdd, c().m_YMul, c().m_YAdd};
        for (const auto& e : c().m_Elements)
            state.insert(state.end(), {float(e->m_ScanBox_X1), float(e->m_ScanBox_Y1), float(e->m_ScanBox_X2),
                                       float(e->m_ScanBox_Y2)});
        return state;
    }

    // Pixels matching in the rectangle between two points of the page (in points).
    int Count(double x1, double y1, double x2, double y2, bool (*matches)(QColor)) const {
        int n = 0;
        for (int y = std::max(0, qRound(y1 * kPxPerPt));
             y <= std::min(page.height() - 1, qRound(y2 * kPxPerPt)); ++y)
            for (int x = std::max(0, qRound(x1 * kPxPerPt));
                 x <= std::min(page.width() - 1, qRound(x2 * kPxPerPt)); ++x)
                n += matches(page.pixelColor(x, y)) ? 1 : 0;
        return n;
    }

    static const PdfWord& Word(const std::vector<PdfWord>& words, const char* text) {
        static const PdfWord none{};
        const auto it = std::find_if(words.begin(), words.end(),
                                     [&](const PdfWord& w) { return w.text == QString::fromUtf8(text); });
        EXPECT_NE(it, words.end()) << text;
        return it == words.end() ? none : *it;
    }

    QTemporaryDir files;
    QImage page;
};

TEST_F(PrintoutTest, PictureOneInItsFrameUnderItsHeaderWithTheScreenUntouched) {
    LocaleScope swedish(QLocale(QLocale::Swedish, QLocale::Sweden));
    ShowPicture(1, true);
    Inject(MSG_VALUE, sim::Short2String(ElementWithAddress("VS01.IND.NATT").m_DynamicArrayPointer) + "0");
    const std::vector<float> before = Screen();
    std::vector<QString> reported;
    PrinterSurface::SetPdfWrittenReport([&](const QString& file) { reported.push_back(file); });
    const QString date = FromLatin1(RegionalDateTime(QDateTime::currentDateTime())).section(u' ', 0, 0);
    const QString pdf = Print(QStringLiteral("picture-1"));
    PrinterSurface::SetPdfWrittenReport({});
    EXPECT_EQ(reported, std::vector<QString>{pdf});
    EXPECT_EQ(PdfPageCount(pdf), 1);
    ASSERT_GT(printer().ScaleWidth(), printer().ScaleHeight()) << "landscape, as m_Orientation says";
    const PageScale s(printer().ScaleWidth(), printer().ScaleHeight(), false);

    const QString header = PdfLayoutText(pdf).section(u'\n', 0, 0);
    EXPECT_TRUE(header.contains(QStringLiteral("Bild: 001"))) << header.toStdString();
    EXPECT_TRUE(header.contains(QStringLiteral("Utskriven av: DEMO (Åsa Öberg) - ") + date))
        << header.toStdString();
    const std::vector<PdfWord> words = PdfWords(pdf);
    const PdfWord& bild = Word(words, "Bild:");
    double headerRight = 0;
    for (const PdfWord& w : words)
        headerRight = std::abs(w.yMin - bild.yMin) < 1 ? std::max(headerRight, w.xMax) : headerRight;
    EXPECT_NEAR(bild.xMin, Pt(s.xAdd), 1);
    EXPECT_NEAR(headerRight, Pt(s.xAdd + 640 * s.mul), 1) << "right-aligned to the picture";
    EXPECT_NEAR(Word(words, "Klockan:").xMin, Pt(400 * s.mul + s.xAdd), 1.5);

    // The frame with equal margins; white printed black (a window), yellow orange (the sun).
    int left = 0, right = page.width() - 1, top = 0, bottom = page.height() - 1;
    const int row = page.height() / 2, column = page.width() / 3;
    while (left < right && !Dark(page.pixelColor(left, row)))
        ++left;
    while (right > left && !Dark(page.pixelColor(right, row)))
        --right;
    while (top < bottom && !Dark(page.pixelColor(column, top)))
        ++top;
    while (bottom > top && !Dark(page.pixelColor(column, bottom)))
        --bottom;
    EXPECT_NEAR(left / kPxPerPt, Pt(s.xAdd), 1);
    EXPECT_NEAR(bottom / kPxPerPt, Pt(s.yAdd + 474 * s.mul), 1);
    EXPECT_NEAR(left, page.width() - 1 - right, 1) << "equal margins";
    EXPECT_NEAR(top, page.height() - 1 - bottom, 1) << "equal margins";
    EXPECT_GT(Count(Pt(90 * s.mul + s.xAdd), Pt(190 * s.mul + s.yAdd), Pt(110 * s.mul + s.xAdd),
                    Pt(200 * s.mul + s.yAdd), Dark),
              300);
    EXPECT_GT(Count(Pt(574 * s.mul + s.xAdd), Pt(50 * s.mul + s.yAdd), Pt(606 * s.mul + s.xAdd),
                    Pt(54 * s.mul + s.yAdd), Orange),
              20);
    EXPECT_EQ(Count(0, 0, 999, 999, Yellow), 0);

    // A double click where a value was before printing selects it.
    EXPECT_EQ(Screen(), before);
    cElement& value = ElementWithAddress("UTE.MV.GT41");
    const QPoint centre((value.m_ScanBox_X1 + value.m_ScanBox_X2) / 2,
                        (value.m_ScanBox_Y1 + value.m_ScanBox_Y2) / 2);
    QTest::mouseMove(c().view().Picture_PCT, centre);
    QTest::mouseDClick(c().view().Picture_PCT, Qt::LeftButton, {}, centre);
    EXPECT_EQ(c().m_SelectedElement, &value);
}

TEST_F(PrintoutTest, PictureTwoWithItsSetpointTableBelowOnAPortraitPage) {
    ShowPicture(2, true);
    OpenBlock("LB01.REG");
    ASSERT_TRUE(waitFor([&] { return c().setpoints().Text_SPV[3]->Text() == "28"; }));
    const QString pdf = Print(QStringLiteral("picture-2-table"));
    ASSERT_LT(printer().ScaleWidth(), printer().ScaleHeight());
    const PageScale s(printer().ScaleWidth(), printer().ScaleHeight(), true);
    const double y0 = std::round(2 * s.yAdd + 474 * s.mul);
    EXPECT_GT(Count(Pt(s.xAdd + 10), Pt(y0) - 0.5, Pt(s.xAdd + 200), Pt(y0) + 0.5, Dark), 50)
        << "the box's top";

    EXPECT_TRUE(PdfLayoutText(pdf).contains(QStringLiteral("Börvärde: LB01.REG")));
    const std::vector<PdfWord> words = PdfWords(pdf);
    const PdfWord& heading = Word(words, "Börvärde:");
    EXPECT_GT(heading.yMin, Pt(y0));
    std::vector<double> valueColumn;
    for (const auto& [label, value] :
         {std::pair{"Rum-/frånluftstemp:", "21"}, {"Dödzon:", "1"}, {"Min", "16"}, {"Max", "28"}}) {
        const PdfWord& first = Word(words, label);
        EXPECT_NEAR(first.xMin, heading.xMin, 0.1) << label;
        for (const PdfWord& w : words)
            if (w.text == QLatin1String(value) && std::abs(w.yMin - first.yMin) < 1)
                valueColumn.push_back(w.xMin);
    }
    ASSERT_EQ(valueColumn.size(), 4u);
    const auto [first, last] = std::minmax_element(valueColumn.begin(), valueColumn.end());
    EXPECT_NEAR(*first, *last, 0.1) << "the values in one column";
}

TEST_F(PrintoutTest, PictureThreeWithTheBlueCurveInsideItsBoxAndTheScreenChartKept) {
    ShowPicture(3, true);
    OpenBlock("VS01.DAG");
    CurveEditor& editor = c().curveEditor();
    ASSERT_TRUE(waitFor([&] { return editor.Chart().At0 != 0; }));
    const CurveChart chart = editor.Chart();
    const std::vector<float> before = Screen();
    const QString pdf = Print(QStringLiteral("picture-3-curve"));

    const auto& boxes = editor.Text_Curve_SPV;
    const QString caption =
        QStringLiteral("Börvärdeskurva: VS01.DAG vid 0°C:%1 lutning:%2 böjning:%3")
            .arg(FromLatin1(boxes[1]->Text()), FromLatin1(boxes[2]->Text()), FromLatin1(boxes[3]->Text()));
    EXPECT_TRUE(PdfLayoutText(pdf).contains(caption)) << caption.toStdString();
    const PageScale s(printer().ScaleWidth(), printer().ScaleHeight(), true);
    const double y0 = std::round(2 * s.yAdd + 474 * s.mul);
    const double top = Pt(y0), bottom = Pt(y0 + std::round(474 * s.mul));
    const double left = Pt(s.xAdd), right = Pt(s.xAdd + 640 * s.mul);
    const std::vector<PdfWord> words = PdfWords(pdf);
    for (const char* label : {"Börvärdeskurva:", "100", "-30"}) {
        const PdfWord& w = Word(words, label);
        EXPECT_TRUE(w.xMin > left && w.xMax < right && w.yMin > top && w.yMax < bottom) << label;
    }
    EXPECT_GT(Count(left, top, right, bottom, Blue), 500);
    EXPECT_EQ(Count(0, bottom + 1, 999, 999, Blue) + Count(right + 1, top, 999, 999, Blue), 0);

    const CurveChart& after = editor.Chart();
    EXPECT_EQ(std::tuple(after.Left, after.Middle, after.Right, after.Top, after.Bottom, after.XScale,
                         after.YScale),
              std::tuple(chart.Left, chart.Middle, chart.Right, chart.Top, chart.Bottom, chart.XScale,
                         chart.YScale));
    EXPECT_EQ(Screen(), before);
}

TEST_F(PrintoutTest, TheTerminalsLastLinesOnOnePageInRowsOfAtMostAPageWidthBesideContinuousPrinting) {
    SystemDialog& terminal = c().systemDialog();
    c().Toolbar_ButtonMenuClick("TB_SYSDIAL", "TB_HOME");
    ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_SYSDIAL && server().terminalCount() == 1; }));
    std::string lines, longLine = "X";
    for (int i = 1; i < 200; ++i)
        longLine += static_cast<char>('a' + i % 26);
    for (int i = 1; i <= 3000; ++i)
        lines += QStringLiteral("L%1\r\n").arg(i, 4, 10, QLatin1Char('0')).toStdString() +
                 (i == 2995 ? longLine + "\r\n" : "");
    // The last ten lines are also printed continuously, in a job of its own that the printout leaves open.
    const size_t lastTen = lines.find("L2991");
    server().sendToTerminals(lines.substr(0, lastTen));
    ASSERT_TRUE(waitFor([&] { return terminal.TerminalText().ends_with("L2990\r\n"); }));
    PrinterSurface continuous(PrinterSurface::Output::Pdf);
    continuous.SetPdfPath(files.filePath(QStringLiteral("continuous.pdf")));
    terminal.SetContinuousPrinter(continuous);
    terminal.Menu_Popup_PrintContinous_Click();
    server().sendToTerminals(lines.substr(lastTen));
    ASSERT_TRUE(waitFor([&] { return terminal.TerminalText().ends_with("L3000\r\n"); }));
    const QString pdf = Print(QStringLiteral("terminal"));
    EXPECT_TRUE(continuous.JobOpen());
    terminal.Menu_Popup_PrintContinous_Click();
    const QString continued = PdfLayoutText(continuous.OutputFileName());
    EXPECT_TRUE(continued.contains(QStringLiteral("L3000")) && !continued.contains(QStringLiteral("L2990")));

    EXPECT_EQ(PdfPageCount(pdf), 1);
    const double digit = printer().TextWidth("8");
    const double columns = printer().ScaleWidth() / digit - 25;
    const double rows = printer().ScaleHeight() / printer().TextHeight("8") - 5;
    const std::vector<PdfWord> words = PdfWords(pdf);
    EXPECT_TRUE(words.size() < rows && words.size() >= rows - 3) << "a full page: " << words.size();
    std::string printed;
    for (const PdfWord& w : words) {
        EXPECT_NEAR(w.xMin, Pt(15 * digit), 1) << "fifteen spaces in";
        EXPECT_LE(w.text.size(), qsizetype(columns)) << w.text.toStdString();
        printed += w.text.toStdString();
    }
    std::erase(lines, '\r');
    std::erase(lines, '\n');
    EXPECT_TRUE(lines.ends_with(printed)) << "no line lost, none out of order, the long one in pieces";
    EXPECT_TRUE(printed.ends_with("L3000"));
}

TEST_F(PrintoutTest, TheFunctionTextAndALogbookOverPagesUnderTheirHeading) {
    ShowPicture(1, true);
    c().Toolbar_ButtonMenuClick("TB_SHOW_FB", "TB_SHOW_TEXTS");
    ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_FUNCTION_TEXT; }));
    const std::vector<PdfWord> title = PdfWords(Print(QStringLiteral("function-text")));
    ASSERT_GE(title.size(), 4u);
    EXPECT_EQ(title[0].text + title[1].text + title[2].text, QStringLiteral("Funktionsbeskrivning,bild:001"));
    EXPECT_EQ(title[3].text, QStringLiteral("ÖVERSIKT"));
    EXPECT_NEAR(title[3].yMin - title[0].yMax, title[3].yMax - title[3].yMin, 1) << "one empty line between";
    EXPECT_NEAR((title[0].yMax - title[0].yMin) / (title[3].yMax - title[3].yMin), 1.5, 0.1);

    std::string logbook;
    for (int i = 1; i <= 150; ++i)
        logbook += QStringLiteral("R%1").arg(i, 3, 10, QLatin1Char('0')).toStdString() +
                   (i == 60 ? std::string(130, 'Y') + std::string(100, 'Z') : "") + "\r\n";
    ASSERT_TRUE(sim::TextStore(dataFolder()).savePictureLog(1, logbook));
    c().Toolbar_ButtonMenuClick("TB_SHOW_LOG_PCT", "TB_SHOW_TEXTS");
    ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_LOG_PCT; }));
    const QString pdf = Print(QStringLiteral("logbook"));
    const std::vector<PdfWord> words = PdfWords(pdf);
    EXPECT_GE(PdfPageCount(pdf), 2);
    EXPECT_EQ(words.size(), 3u + 150u + 2u) << "the long line in three rows";
    std::string printed;
    for (size_t i = 3; i < words.size(); ++i) {
        EXPECT_NEAR(words[i].xMin, words[0].xMin, 1) << "fifteen spaces in";
        EXPECT_LE(words[i].xMax, PdfPageWidth(pdf) - kMarginPt + 0.5);
        printed += words[i].text.toStdString();
    }
    std::erase(logbook, '\r');
    std::erase(logbook, '\n');
    EXPECT_EQ(printed, logbook) << "every line once, in order, over the page break";
}

} // namespace
} // namespace pelorin::test
