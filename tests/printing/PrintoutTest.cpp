// The printout of each view, printed from the toolbar against the simulator's demo plant and read back
// from its PDF: the text with pdftotext, positions with its word boxes, pixels from pdftoppm. The
// screen is as it was before printing. With PELORIN_SHOTS_DIR set, each rendered page is saved there.

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

constexpr double kMarginPt = 5 / 25.4 * 72;
constexpr double kPtPerDevice = 72.0 / PrinterSurface::dotsPerInch;
constexpr int kRenderDpi = 144;
constexpr double kPixelsPerPt = kRenderDpi / 72.0;

// Where the picture lies on a page of the printable size given, in device pixels: 80 % of the
// uniform scale that fits, centred; with a panel, two picture heights and three equal gaps.
struct PageScale {
    double mul, xAdd, yAdd;
    PageScale(double width, double height, bool panel)
        : mul(0.8 * std::min(width / 640, height / 474)), xAdd((width - 640 * mul) / 2),
          yAdd(panel ? (height - 948 * mul) / 3 : (height - 474 * mul) / 2) {}
};

double Pt(double device) {
    return kMarginPt + device * kPtPerDevice;
}

struct ScreenState {
    ScaleMembers scale;
    std::vector<std::array<int32_t, 4>> hitBoxes;
    bool operator==(const ScreenState& o) const {
        return scale.m_XMul == o.scale.m_XMul && scale.m_XAdd == o.scale.m_XAdd &&
               scale.m_YMul == o.scale.m_YMul && scale.m_YAdd == o.scale.m_YAdd && hitBoxes == o.hitBoxes;
    }
};

class PrintoutTest : public SessionTest {
protected:
    PrintoutTest() { m_DemoPlant = true; }

    void SetUp() override {
        SessionTest::SetUp();
        ASSERT_TRUE(files.isValid());
        LogIn();
    }

    PrinterSurface& printer() { return c().printout().Printer(); }

    // Prints the current view from the toolbar into `name`.pdf and renders its first page.
    QString Print(const QString& name) {
        const QString pdf = files.filePath(name + QStringLiteral(".pdf"));
        printer().SetPdfPath(pdf);
        c().Toolbar_ButtonMenuClick("TB_PRINT", "TB_HOME");
        page = PdfFirstPage(pdf, kRenderDpi);
        SaveShot(page, name + QStringLiteral(".png"));
        return pdf;
    }

    void ShowPictureWithValues(int number) {
        ShowPicture(number);
        ASSERT_TRUE(waitFor([this] { return c().toolbar().Text_Updated->Text() == "100%"; }));
    }

    ScreenState Screen() {
        ScreenState state{c(), {}};
        for (const auto& e : c().m_Elements)
            state.hitBoxes.push_back({e->m_ScanBox_X1, e->m_ScanBox_Y1, e->m_ScanBox_X2, e->m_ScanBox_Y2});
        return state;
    }

    // The rendered pixel at a point of the page, in points.
    QColor At(double xPt, double yPt) const {
        return page.pixelColor(qRound(xPt * kPixelsPerPt), qRound(yPt * kPixelsPerPt));
    }
    // Whether a pixel within `radius` rendered pixels of the point matches.
    bool Near(double xPt, double yPt, const std::function<bool(QColor)>& matches, int radius = 2) const {
        for (int dy = -radius; dy <= radius; ++dy)
            for (int dx = -radius; dx <= radius; ++dx)
                if (matches(
                        page.pixelColor(qRound(xPt * kPixelsPerPt) + dx, qRound(yPt * kPixelsPerPt) + dy)))
                    return true;
        return false;
    }
    static bool Dark(QColor c) { return c.lightness() < 100; }
    static bool Blue(QColor c) { return c.blue() > 180 && c.red() < 90 && c.green() < 90; }
    static bool Orange(QColor c) {
        return c.red() > 220 && c.green() > 90 && c.green() < 170 && c.blue() < 60;
    }
    static bool Yellow(QColor c) { return c.red() > 200 && c.green() > 200 && c.blue() < 60; }

    int CountPixels(const QRect& area, const std::function<bool(QColor)>& matches) const {
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += matches(page.pixelColor(x, y)) ? 1 : 0;
        return n;
    }

    static const PdfWord* Word(const std::vector<PdfWord>& words, const QString& text) {
        const auto it =
            std::find_if(words.begin(), words.end(), [&](const PdfWord& w) { return w.text == text; });
        return it == words.end() ? nullptr : &*it;
    }

    QTemporaryDir files;
    QImage page;
};

TEST_F(PrintoutTest, PictureOneCentredInItsFrameUnderItsHeaderAndTheScreenUntouched) {
    LocaleScope swedish(QLocale(QLocale::Swedish, QLocale::Sweden));
    ShowPictureWithValues(1);
    // Day: the sun, drawn in yellow on screen.
    Inject(MSG_VALUE, sim::Short2String(ElementWithAddress("VS01.IND.NATT").m_DynamicArrayPointer) + "0");
    const ScreenState before = Screen();
    std::vector<QString> reported;
    PrinterSurface::SetPdfWrittenReport([&](const QString& file) { reported.push_back(file); });
    const std::string stamp = RegionalDateTime(QDateTime::currentDateTime());
    const QString pdf = Print(QStringLiteral("picture-1"));
    PrinterSurface::SetPdfWrittenReport({});
    EXPECT_EQ(reported, std::vector<QString>{pdf});
    ASSERT_EQ(PdfPageCount(pdf), 1);
    const double width = printer().ScaleWidth(), height = printer().ScaleHeight();
    EXPECT_GT(width, height) << "landscape, as m_Orientation says";
    const PageScale s(width, height, false);

    // The header: the number left, who and when ending at the picture's right edge.
    const QString text = PdfLayoutText(pdf);
    const QString header = text.section(QLatin1Char('\n'), 0, 0);
    EXPECT_TRUE(header.contains(QStringLiteral("Bild: 001"))) << header.toStdString();
    const QString printedBy = QStringLiteral("Utskriven av: DEMO (Åsa Öberg) - ") +
                              FromLatin1(stamp).section(QLatin1Char(' '), 0, 0);
    EXPECT_TRUE(header.contains(printedBy)) << header.toStdString();
    const std::vector<PdfWord> words = PdfWords(pdf);
    ASSERT_FALSE(words.empty());
    EXPECT_NEAR(words.front().xMin, Pt(s.xAdd), 1) << "Bild:";
    const auto lastOfHeader = std::find_if(words.rbegin(), words.rend(),
                                           [&](const PdfWord& w) { return w.yMin < words.front().yMax; });
    EXPECT_NEAR(lastOfHeader->xMax, Pt(s.xAdd + 640 * s.mul), 7) << "right-aligned within a character";

    // The frame, with equal margins on every side, and elements at their scaled places.
    const int middleRow = page.height() / 2, thirdColumn = page.width() / 3;
    int left = 0, right = page.width() - 1, top = 0, bottom = page.height() - 1;
    while (left < right && !Dark(page.pixelColor(left, middleRow)))
        ++left;
    while (right > left && !Dark(page.pixelColor(right, middleRow)))
        --right;
    while (top < bottom && !Dark(page.pixelColor(thirdColumn, top)))
        ++top;
    while (bottom > top && !Dark(page.pixelColor(thirdColumn, bottom)))
        --bottom;
    EXPECT_NEAR(left / kPixelsPerPt, Pt(s.xAdd), 1);
    EXPECT_NEAR(bottom / kPixelsPerPt, Pt(s.yAdd + 474 * s.mul), 1);
    EXPECT_NEAR(left, page.width() - 1 - right, 1);
    EXPECT_NEAR(top, page.height() - 1 - bottom, 1);
    const PdfWord* clock = Word(words, QStringLiteral("Klockan:"));
    ASSERT_NE(clock, nullptr);
    EXPECT_NEAR(clock->xMin, Pt(400 * s.mul + s.xAdd), 1.5);
    EXPECT_NEAR(clock->yMin, Pt(40 * s.mul + s.yAdd), 3);

    // On paper white is black (a window of the house) and yellow orange (the sun).
    EXPECT_TRUE(Dark(At(Pt(100 * s.mul + s.xAdd), Pt(195 * s.mul + s.yAdd))));
    EXPECT_TRUE(Near(Pt(598 * s.mul + s.xAdd), Pt(52 * s.mul + s.yAdd), Orange));
    EXPECT_EQ(CountPixels(page.rect(), Yellow), 0);

    // The screen keeps its scale and hit boxes: a double click selects the value under the pointer.
    EXPECT_TRUE(Screen() == before);
    cElement& value = ElementWithAddress("UTE.MV.GT41");
    const QPoint centre((value.m_ScanBox_X1 + value.m_ScanBox_X2) / 2,
                        (value.m_ScanBox_Y1 + value.m_ScanBox_Y2) / 2);
    QWidget* picture = c().view().Picture_PCT;
    QTest::mouseMove(picture, centre);
    QTest::mouseClick(picture, Qt::LeftButton, {}, centre);
    QTest::mouseDClick(picture, Qt::LeftButton, {}, centre);
    EXPECT_EQ(c().m_SelectedElement, &value);
}

TEST_F(PrintoutTest, PictureTwoWithItsSetpointTableBelowItOnAPortraitPage) {
    ShowPictureWithValues(2);
    OpenBlock("LB01.REG");
    SetpointPanel& panel = c().setpoints();
    ASSERT_TRUE(waitFor([&] { return panel.Text_SPV[3]->Text() == "28"; }));
    const QString pdf = Print(QStringLiteral("picture-2-table"));
    const double width = printer().ScaleWidth(), height = printer().ScaleHeight();
    EXPECT_LT(width, height) << "portrait";
    const PageScale s(width, height, true);
    EXPECT_NEAR(s.mul, 2.95, 0.01);

    const QString text = PdfLayoutText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("Bild: 002")));
    EXPECT_TRUE(text.contains(QStringLiteral("Börvärde: LB01.REG")));
    const std::vector<PdfWord> words = PdfWords(pdf);
    const PdfWord* heading = Word(words, QStringLiteral("Börvärde:"));
    ASSERT_NE(heading, nullptr);
    const double y0 = std::round(2 * s.yAdd + 474 * s.mul), x0 = std::round(s.xAdd);
    EXPECT_TRUE(Near(Pt(x0 + 40), Pt(y0), Dark)) << "the box's top edge";
    EXPECT_GT(heading->yMin, Pt(y0));
    const char* const firstWords[] = {"Rum-/frånluftstemp:", "Dödzon:", "Min", "Max"};
    const char* const values[] = {"21", "1", "16", "28"};
    double valueColumn = -1;
    for (size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(firstWords[i]);
        const PdfWord* label = Word(words, QString::fromUtf8(firstWords[i]));
        ASSERT_NE(label, nullptr);
        EXPECT_NEAR(label->xMin, heading->xMin, 0.5);
        const auto value = std::find_if(words.begin(), words.end(), [&](const PdfWord& w) {
            return std::abs(w.yMin - label->yMin) < 1 && w.text == QString::fromLatin1(values[i]);
        });
        ASSERT_NE(value, words.end());
        if (valueColumn < 0)
            valueColumn = value->xMin;
        EXPECT_NEAR(value->xMin, valueColumn, 0.5) << "the values share one column";
        EXPECT_GT(value->xMin, label->xMax);
    }
}

TEST_F(PrintoutTest, PictureThreeWithItsCurveChartInTheBoxBelowAndTheScreenChartKept) {
    ShowPictureWithValues(3);
    OpenBlock("VS01.DAG");
    CurveEditor& editor = c().curveEditor();
    ASSERT_TRUE(waitFor([&] { return editor.Chart().At0 != 0; }));
    const CurveChart chartBefore = editor.Chart();
    const ScreenState before = Screen();
    const QString pdf = Print(QStringLiteral("picture-3-curve"));
    const PageScale s(printer().ScaleWidth(), printer().ScaleHeight(), true);

    const QString caption =
        QStringLiteral("Börvärdeskurva: VS01.DAG vid 0°C:%1 lutning:%2 böjning:%3")
            .arg(FromLatin1(editor.Text_Curve_SPV[1]->Text()), FromLatin1(editor.Text_Curve_SPV[2]->Text()),
                 FromLatin1(editor.Text_Curve_SPV[3]->Text()));
    EXPECT_TRUE(PdfLayoutText(pdf).contains(caption)) << caption.toStdString();
    const std::vector<PdfWord> words = PdfWords(pdf);
    const double x0 = std::round(s.xAdd), y0 = std::round(2 * s.yAdd + 474 * s.mul);
    const double boxBottom = y0 + std::round(474 * s.mul), boxRight = x0 + std::round(640 * s.mul);
    const PdfWord* title = Word(words, QStringLiteral("Börvärdeskurva:"));
    ASSERT_NE(title, nullptr);
    EXPECT_GT(title->yMin, Pt(y0));
    EXPECT_GT(title->xMin, Pt(x0));

    // Every label inside the box; the blue curve passes the 0 °C line at its value there.
    std::vector<const PdfWord*> zeros;
    for (const char* label : {"100", "90", "50", "10", "0", "30", "-10", "-30"}) {
        const auto found = std::find_if(words.begin(), words.end(), [&](const PdfWord& w) {
            return w.text == QString::fromLatin1(label) && w.yMin > Pt(y0);
        });
        ASSERT_NE(found, words.end()) << label;
        EXPECT_LT(found->yMax, Pt(boxBottom)) << label;
        EXPECT_GT(found->xMin, Pt(x0)) << label;
    }
    for (const PdfWord& w : words)
        if (w.text == QStringLiteral("0") && w.yMin > Pt(y0))
            zeros.push_back(&w);
    ASSERT_EQ(zeros.size(), 2u) << "0 on the value axis and 0 °C on the temperature axis";
    const PdfWord* hundred = Word(words, QStringLiteral("100"));
    const PdfWord& valueZero =
        *std::min_element(zeros.begin(), zeros.end(), [](auto a, auto b) { return a->xMin < b->xMin; })[0];
    const PdfWord& tempZero =
        *std::max_element(zeros.begin(), zeros.end(), [](auto a, auto b) { return a->xMin < b->xMin; })[0];
    const double chartTop = (hundred->yMin + hundred->yMax) / 2;
    const double chartBottom = (valueZero.yMin + valueZero.yMax) / 2;
    const double middle = (tempZero.xMin + tempZero.xMax) / 2;
    const double at0 = chartBottom - chartBefore.At0 / 100 * (chartBottom - chartTop);
    EXPECT_TRUE(Near(middle, at0, Blue, 4)) << "the curve at 0 °C";
    const auto pixel = [](double device) { return qRound(Pt(device) * kPixelsPerPt); };
    const QPoint pageEnd(page.width() - 1, page.height() - 1);
    EXPECT_GT(
        CountPixels(QRect(QPoint(pixel(x0), pixel(y0)), QPoint(pixel(boxRight), pixel(boxBottom))), Blue),
        200);
    const int outside = CountPixels(QRect(QPoint(0, pixel(boxBottom) + 2), pageEnd), Blue) +
                        CountPixels(QRect(QPoint(pixel(boxRight) + 2, pixel(y0)), pageEnd), Blue);
    EXPECT_EQ(outside, 0) << "nothing blue right of or below the box";

    // The editor's chart keeps its screen layout, the picture its scale.
    const CurveChart& after = editor.Chart();
    EXPECT_EQ(std::tuple(after.Left, after.Middle, after.Right, after.Top, after.Bottom, after.MarkerSize),
              std::tuple(chartBefore.Left, chartBefore.Middle, chartBefore.Right, chartBefore.Top,
                         chartBefore.Bottom, chartBefore.MarkerSize));
    EXPECT_EQ(std::tuple(after.XScale, after.YScale), std::tuple(chartBefore.XScale, chartBefore.YScale));
    EXPECT_TRUE(Screen() == before);
}

TEST_F(PrintoutTest, TheTerminalPrintsItsLastLinesOnExactlyOnePageInRowsOfAtMostAPageWidth) {
    c().Toolbar_ButtonMenuClick("TB_SYSDIAL", "TB_HOME");
    ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_SYSDIAL && server().terminalCount() == 1; }));
    std::string longLine = "X";
    for (int i = 1; i < 200; ++i)
        longLine += static_cast<char>('a' + i % 26);
    std::string lines;
    for (int i = 1; i <= 3000; ++i) {
        lines += QStringLiteral("L%1\r\n").arg(i, 4, 10, QLatin1Char('0')).toStdString();
        if (i == 2995)
            lines += longLine + "\r\n";
    }
    server().sendToTerminals(lines);
    ASSERT_TRUE(waitFor([this] { return c().systemDialog().TerminalText().ends_with("L3000\r\n"); }));
    const QString pdf = Print(QStringLiteral("terminal"));
    EXPECT_EQ(PdfPageCount(pdf), 1);

    const double digit = printer().TextWidth("8");
    const double columns = printer().ScaleWidth() / digit - 25;
    const double rows = printer().ScaleHeight() / printer().TextHeight("8") - 5;
    const std::vector<PdfWord> words = PdfWords(pdf);
    ASSERT_FALSE(words.empty());
    EXPECT_LT(static_cast<double>(words.size()), rows);
    EXPECT_GE(static_cast<double>(words.size()), rows - 3) << "the page is full";
    std::string longPrinted;
    int next = 0;
    for (const PdfWord& w : words) {
        SCOPED_TRACE(w.text.toStdString());
        EXPECT_NEAR(w.xMin, kMarginPt + 15 * digit * kPtPerDevice, 1) << "fifteen spaces in";
        EXPECT_LE(w.text.size(), static_cast<qsizetype>(std::floor(columns)));
        if (!w.text.startsWith(QLatin1Char('L'))) {
            EXPECT_EQ(next, 2996) << "the long line in its place";
            longPrinted += w.text.toStdString();
            continue;
        }
        const int number = w.text.mid(1).toInt();
        EXPECT_TRUE(next == 0 || number == next) << "no line lost";
        next = number + 1;
    }
    EXPECT_EQ(next, 3001) << "the last line is L3000";
    EXPECT_EQ(longPrinted, longLine);
}

TEST_F(PrintoutTest, TheFunctionTextAndALogbookLongerThanAPageUnderTheirHeading) {
    ShowPictureWithValues(1);
    c().Toolbar_ButtonMenuClick("TB_SHOW_FB", "TB_SHOW_TEXTS");
    ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_FUNCTION_TEXT; }));
    const QString described = Print(QStringLiteral("function-text"));
    const QString description = PdfLayoutText(described);
    EXPECT_EQ(description.section(QLatin1Char('\n'), 0, 0).trimmed(),
              QStringLiteral("Funktionsbeskrivning, bild: 001"));
    EXPECT_TRUE(description.contains(QStringLiteral("Klicka på Bi för att gå till en delbild.")));
    const std::vector<PdfWord> title = PdfWords(described);
    ASSERT_GE(title.size(), 4u);
    EXPECT_EQ(title[3].text, QStringLiteral("ÖVERSIKT"));
    EXPECT_NEAR(title[3].yMin - title[0].yMax, title[3].yMax - title[3].yMin, 1) << "one empty line between";

    // A long line goes on in the next rows; the rows run on over the page break.
    std::string logbook;
    const std::string longLine = std::string(130, 'Y') + std::string(100, 'Z');
    for (int i = 1; i <= 150; ++i)
        logbook += QStringLiteral("R%1\r\n").arg(i, 3, 10, QLatin1Char('0')).toStdString() +
                   (i == 60 ? longLine + "\r\n" : std::string());
    ASSERT_TRUE(sim::TextStore(dataFolder()).savePictureLog(1, logbook));
    c().Toolbar_ButtonMenuClick("TB_SHOW_LOG_PCT", "TB_SHOW_TEXTS");
    ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_LOG_PCT; }));
    const QString pdf = Print(QStringLiteral("logbook"));
    const int pages = PdfPageCount(pdf);
    EXPECT_GE(pages, 2);
    const std::vector<PdfWord> words = PdfWords(pdf);
    ASSERT_GE(words.size(), 3u);
    EXPECT_EQ(words[0].text, QStringLiteral("Funktionsbeskrivning,"));
    const PdfWord& body = words[3];
    EXPECT_NEAR((words[0].yMax - words[0].yMin) / (body.yMax - body.yMin), 1.5, 0.1) << "the heading";
    const double rightEdge = PdfPageWidth(pdf) - kMarginPt;
    std::string printed;
    for (auto w = words.begin() + 3; w != words.end(); ++w) {
        SCOPED_TRACE(w->text.toStdString());
        EXPECT_NEAR(w->xMin, words[0].xMin, 1) << "fifteen spaces in";
        EXPECT_LE(w->xMax, rightEdge + 0.5);
        printed += w->text.toStdString();
    }
    std::string lines = logbook;
    std::erase(lines, '\r');
    std::erase(lines, '\n');
    EXPECT_EQ(printed, lines) << "every line once, in order";
    EXPECT_EQ(words.size(), 3u + 150u + 3u) << "the long line in three rows";
    EXPECT_EQ(words.back().page, pages);
}

} // namespace
} // namespace pelorin::test
