// Each view printed from the toolbar against the demo plant and read back from its PDF (pdftotext for
// text and word boxes, pdftoppm for pixels). PELORIN_SHOTS_DIR keeps the pages.

#include "printing/Printout.h"
#include "common/PdfSupport.h"
#include "common/SessionSupport.h"
#include "core/Latin1.h"
#include "core/RegionalTime.h"

#include "TextStore.h"
#include "toolbar/ToolbarTable.h"

#include <QTest>
#include <algorithm>
#include <cmath>
#include <span>

namespace pelorin::test {
namespace {

constexpr int kDpi = 144;

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
        c().Toolbar_ButtonMenuClick(tb::kPrint, tb::kHome);
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

    // Blue pixels of the page in a rectangle given in points.
    int Blue(QRectF points) const {
        const QRect area =
            QTransform::fromScale(kDpi / 72.0, kDpi / 72.0).mapRect(points).toRect() & page.rect();
        int n = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                n += qBlue(page.pixel(x, y)) > 180 && qRed(page.pixel(x, y)) < 90 &&
                     qGreen(page.pixel(x, y)) < 90;
        return n;
    }

    // The rows of a text page joined, each checked to start fifteen digits in and to end before `right`.
    std::string Rows(std::span<const PdfWord> words, double right) {
        std::string rows;
        for (const PdfWord& w : words) {
            EXPECT_NEAR(w.xMin, Pt(15 * printer().TextWidth("8")), 1) << "fifteen spaces in";
            EXPECT_LE(w.xMax, right + 0.5) << w.text.toStdString();
            rows += w.text.toStdString();
        }
        return rows;
    }
    static bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

    QTemporaryDir files;
    QImage page;
};

TEST_F(PrintoutTest, PicturesUnderTheirHeaderAndAboveTheirPanelWithTheScreenUntouched) {
    ShowPicture(1, true);
    std::vector<float> before = Screen();
    const QString date = FromLatin1(RegionalDateTime(QDateTime::currentDateTime())).section(u' ', 0, 0);
    QString pdf = Print(QStringLiteral("picture-1"));
    ASSERT_GT(printer().ScaleWidth(), printer().ScaleHeight()) << "landscape, as m_Orientation says";
    PageScale s(printer().ScaleWidth(), printer().ScaleHeight(), false);

    const QString header = PdfLayoutText(pdf).section(u'\n', 0, 0);
    EXPECT_TRUE(header.contains(QStringLiteral("Bild: 001")) &&
                header.contains(QStringLiteral("Utskriven av: DEMO (Åsa Öberg) - ") + date))
        << header.toStdString();
    const std::vector<PdfWord> words = PdfWords(pdf);
    const auto bild = std::find_if(words.begin(), words.end(),
                                   [](const PdfWord& w) { return w.text == QLatin1String("Bild:"); });
    ASSERT_NE(bild, words.end());
    double headerRight = 0;
    for (const PdfWord& w : words)
        headerRight = w.yMin < bild->yMax ? std::max(headerRight, w.xMax) : headerRight;
    EXPECT_NEAR(bild->xMin, Pt(s.xAdd), 1);
    EXPECT_NEAR(headerRight, Pt(s.xAdd + 640 * s.mul), 1) << "right-aligned to the picture";

    EXPECT_EQ(Screen(), before);
    cElement& value = ElementWithAddress("UTE.MV.GT41");
    const QPoint centre((value.m_ScanBox_X1 + value.m_ScanBox_X2) / 2,
                        (value.m_ScanBox_Y1 + value.m_ScanBox_Y2) / 2);
    QTest::mouseMove(c().view().Picture_PCT, centre);
    QTest::mouseDClick(c().view().Picture_PCT, Qt::LeftButton, {}, centre);
    EXPECT_EQ(c().m_SelectedElement, &value) << "a double click where a value was before printing selects it";

    // With a setpoint table or a curve below it the picture goes on a portrait page.
    ShowPicture(2, true);
    OpenBlock("LB01.REG");
    pdf = Print(QStringLiteral("picture-2-table"));
    ASSERT_LT(printer().ScaleWidth(), printer().ScaleHeight());
    s = PageScale(printer().ScaleWidth(), printer().ScaleHeight(), true);
    const double y0 = std::round(2 * s.yAdd + 474 * s.mul);
    const QRectF panel(QPointF(Pt(s.xAdd), Pt(y0)),
                       QPointF(Pt(s.xAdd + 640 * s.mul), Pt(y0 + std::round(474 * s.mul))));
    EXPECT_TRUE(PdfLayoutText(pdf).contains(QStringLiteral("Börvärde: LB01.REG")));
    ShowPicture(3, true);
    OpenBlock("VS01.DAG");
    CurveEditor& editor = c().curveEditor();
    ASSERT_TRUE(waitFor([&] { return editor.Chart().At0 != 0; }));
    const CurveChart chart = editor.Chart();
    before = Screen();
    pdf = Print(QStringLiteral("picture-3-curve"));
    const auto& boxes = editor.Text_Curve_SPV;
    const QString caption =
        QStringLiteral("Börvärdeskurva: VS01.DAG vid 0°C:%1 lutning:%2 böjning:%3")
            .arg(FromLatin1(boxes[1]->Text()), FromLatin1(boxes[2]->Text()), FromLatin1(boxes[3]->Text()));
    EXPECT_TRUE(PdfLayoutText(pdf).contains(caption)) << caption.toStdString();
    EXPECT_GT(Blue(panel), 500);
    EXPECT_EQ(Blue(QRectF(0, panel.bottom() + 1, 999, 999)) +
                  Blue(QRectF(panel.right() + 1, panel.top(), 999, 999)),
              0);
    EXPECT_EQ(std::tuple(editor.Chart().Left, editor.Chart().Bottom, editor.Chart().XScale),
              std::tuple(chart.Left, chart.Bottom, chart.XScale));
    EXPECT_EQ(Screen(), before);
}

// The setpoint table under the picture: each label with the value its box shows, on one line.
TEST_F(PrintoutTest, ASetpointTableIsPrintedWithItsValues) {
    ShowPicture(2, true);
    OpenBlock("LB01.REG");
    const SetpointPanel& panel = c().setpoints();
    ASSERT_TRUE(waitFor([&] {
        return std::all_of(panel.Text_SPV.begin(), panel.Text_SPV.end(),
                           [](const TextBox* box) { return !box->Text().empty(); });
    }));
    const QString text = PdfLayoutText(Print(QStringLiteral("picture-2-values")));
    for (size_t i = 0; i < panel.Text_SPV.size(); ++i) {
        const QRegularExpression line(
            QRegularExpression::escape(FromLatin1(panel.Label_SPV[i]->Caption())) + QStringLiteral(" +") +
            QRegularExpression::escape(FromLatin1(panel.Text_SPV[i]->Text())) + QStringLiteral("\\b"));
        EXPECT_TRUE(line.match(text).hasMatch()) << line.pattern().toStdString() << "\n"
                                                 << text.toStdString();
    }
}

TEST_F(PrintoutTest, TextPagesAreIndentedFifteenDigitsAndLoseNoLine) {
    ShowPicture(1, true);
    c().Toolbar_ButtonMenuClick(tb::kFunctionText, tb::kTexts);
    ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_FUNCTION_TEXT; }));
    const std::vector<PdfWord> title = PdfWords(Print(QStringLiteral("function-text")));
    ASSERT_GE(title.size(), 4u);
    EXPECT_EQ(title[0].text + title[1].text + title[2].text + title[3].text,
              QStringLiteral("Funktionsbeskrivning,bild:001ÖVERSIKT"));

    std::string logbook;
    for (int i = 1; i <= 150; ++i)
        logbook += QStringLiteral("R%1").arg(i, 3, 10, QLatin1Char('0')).toStdString() +
                   (i == 60 ? std::string(130, 'Y') + std::string(100, 'Z') : "") + "\r\n";
    ASSERT_TRUE(sim::TextStore(dataFolder()).savePictureLog(1, logbook));
    c().Toolbar_ButtonMenuClick(tb::kPictureLog, tb::kTexts);
    ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_LOG_PCT; }));
    QString pdf = Print(QStringLiteral("logbook"));
    const std::vector<PdfWord> words = PdfWords(pdf);
    EXPECT_GE(PdfPageCount(pdf), 2);
    ASSERT_EQ(words.size(), 3u + 150u + 2u) << "the heading, and the long line in three rows";
    std::erase_if(logbook, IsLineEnd);
    EXPECT_EQ(Rows(std::span(words).subspan(3), PdfPageWidth(pdf) - kMarginPt), logbook)
        << "every line once, in order, over the page break";

    // The terminal prints the last lines that fit one page, rows 25 digits narrower than the page.
    c().Toolbar_ButtonMenuClick(tb::kSystemDialog, tb::kHome);
    ASSERT_TRUE(waitFor([this] { return c().m_ViewState == VS_SYSDIAL && server().terminalCount() == 1; }));
    std::string lines;
    for (int i = 1; i <= 3000; ++i)
        lines += QStringLiteral("L%1\r\n").arg(i, 4, 10, QLatin1Char('0')).toStdString();
    lines.insert(lines.find("L2996"), 'X' + std::string(199, 'y') + "\r\n");
    server().sendToTerminals(lines);
    ASSERT_TRUE(waitFor([&] { return c().systemDialog().TerminalText().ends_with("L3000\r\n"); }));
    pdf = Print(QStringLiteral("terminal"));
    EXPECT_EQ(PdfPageCount(pdf), 1);
    const double digit = printer().TextWidth("8");
    const double rows = printer().ScaleHeight() / printer().TextHeight("8") - 5;
    const std::vector<PdfWord> terminal = PdfWords(pdf);
    EXPECT_TRUE(terminal.size() < rows && terminal.size() >= rows - 3) << "a full page: " << terminal.size();
    const std::string printed =
        Rows(terminal, Pt(15 * digit + std::floor(printer().ScaleWidth() / digit - 25) * digit));
    std::erase_if(lines, IsLineEnd);
    EXPECT_TRUE(lines.ends_with(printed) && printed.ends_with("L3000"))
        << "none lost, the long one in pieces";
}

// Without a file of its own each printout is a new PDF in the documents folder, named by the view it
// shows, and its file is told; one that cannot be written is told as failed.
TEST_F(PrintoutTest, EachPrintoutIsNamedByWhatItShowsAndItsFileIsTold) {
    QTemporaryDir home;
    const QByteArray kept = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    printer().SetPdfPath({});
    ShowPicture(1, true);
    const struct {
        const char* menu;
        int16_t view;
        QString name;
    } views[] = {
        {nullptr, VS_PICTURE, QStringLiteral("Bild 001")},
        {tb::kFunctionText, VS_FUNCTION_TEXT, QStringLiteral("Funktionsbeskrivning 001")},
        {tb::kPictureLog, VS_LOG_PCT, QStringLiteral("Loggbok 001")},
        {tb::kGlobalLog, VS_LOG_GLOBAL, QStringLiteral("Global loggbok")},
        {tb::kSystemDialog, VS_SYSDIAL, QStringLiteral("Terminal")},
    };
    for (const auto& [menu, view, name] : views) {
        if (menu)
            c().Toolbar_ButtonMenuClick(menu, view == VS_SYSDIAL ? tb::kHome : tb::kTexts);
        ASSERT_TRUE(waitFor([&, shown = view] { return c().m_ViewState == shown; })) << menu;
        f.output().lines.clear();
        c().Toolbar_ButtonMenuClick(tb::kPrint, tb::kHome);
        const QRegularExpression told(QRegularExpression::anchoredPattern(
            QStringLiteral("printed ") +
            QRegularExpression::escape(home.filePath(QStringLiteral("Documents/"))) + name +
            QStringLiteral(R"( \d{4}-\d\d-\d\d \d{6}(-\d+)?\.pdf)")));
        ASSERT_EQ(f.output().lines.size(), 1u) << name.toStdString();
        EXPECT_TRUE(told.match(QString::fromStdString(f.output().lines[0])).hasMatch())
            << f.output().lines[0];
    }
    printer().SetPdfPath(QStringLiteral("/dev/full"));
    f.output().lines.clear();
    c().Toolbar_ButtonMenuClick(tb::kPrint, tb::kHome);
    EXPECT_EQ(f.output().lines, std::vector<std::string>{"print failed /dev/full"});
    qputenv("HOME", kept);
}

} // namespace
} // namespace pelorin::test
