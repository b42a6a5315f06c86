#include "platform/PrinterSurface.h"
#include "common/PdfSupport.h"
#include "platform/Colour.h"
#include "platform/ImageSurface.h"
#include "platform/PrintJob.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pelorin;
using namespace pelorin::test;

namespace {

// The colour at a point of the printable area on a page rendered at 72 dpi, one pixel a point.
Colour RenderedAt(const QImage& page, double x, double y) {
    const double toPoints = 72.0 / PrinterSurface::dotsPerInch;
    return RgbToColour(page.pixel(qRound(kMarginPt + x * toPoints), qRound(kMarginPt + y * toPoints)));
}

class PrinterSurfaceTest : public ::testing::Test {
protected:
    PrinterSurfaceTest() { printer.SetPdfPath(pdf); }

    QTemporaryDir folder;
    QString pdf = folder.filePath(QStringLiteral("out.pdf"));
    PrinterSurface printer{PrinterSurface::Output::Pdf};
};

TEST_F(PrinterSurfaceTest, PrintsTextBoxesAndAFloodFilledRegionToPdf) {
    printer.SetFontName("Courier New");
    printer.SetFontSize(12);
    printer.SetCurrentX(100);
    printer.SetCurrentY(100);
    printer.Print("B\xF6rv\xE4rde 123\r\n");
    EXPECT_TRUE(printer.JobOpen());
    printer.Print("Rad tv\xE5");
    printer.Line(100, 400, 700, 700, 0x0000FF, LineKind::FilledBox);

    // a square cut by its diagonal: only the upper right half is filled
    printer.SetDrawWidth(4);
    printer.Line(1000, 400, 1600, 1000, 0, LineKind::Box);
    printer.Line(1000, 400, 1600, 1000, 0);
    printer.SetDrawWidth(1);
    printer.SetFillStyle(FS_SOLID);
    printer.SetFillColor(0x00FF00);
    printer.FloodFill(1450, 550, 0);

    printer.SetDrawMode(DM_XOR_PEN);
    printer.Line(100, 1200, 700, 1500, 0x00FFFF, LineKind::FilledBox);
    printer.EndDoc();
    EXPECT_FALSE(printer.JobOpen());

    const QString text = PdfLayoutText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("B\u00f6rv\u00e4rde 123"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Rad tv\u00e5"))) << text.toStdString();
    const QImage page = PdfFirstPage(pdf, 72);
    const std::pair<QPointF, Colour> expected[] = {{{400, 550}, 0x0000FF},
                                                   {{1450, 550}, 0x00FF00},
                                                   {{1150, 850}, 0xFFFFFF},
                                                   {{1800, 700}, 0xFFFFFF},
                                                   {{400, 1350}, 0xFF0000}}; // yellow XOR white paper
    for (const auto& [at, colour] : expected)
        EXPECT_EQ(RenderedAt(page, at.x(), at.y()), colour) << at.x() << "," << at.y();
}

// Paper does not turn within a job, so a landscape setting takes effect from the next one; measuring
// opens no job, and text running off the page continues on a new one.
TEST_F(PrinterSurfaceTest, LandscapeTurnsTheNextJobAndTextRunsOnToANewPage) {
    const double portraitWidth = printer.ScaleWidth();
    printer.Line(10, 10, 100, 100, 0, LineKind::Box);
    printer.SetOrientation(2);
    EXPECT_EQ(printer.ScaleWidth(), portraitWidth);
    printer.EndDoc();
    EXPECT_EQ(printer.ScaleHeight(), portraitWidth);

    printer.SetFontSize(20);
    EXPECT_FALSE(printer.JobOpen());
    const int lines = static_cast<int>(printer.ScaleHeight() / printer.TextHeight("8")) + 3;
    for (int i = 1; i <= lines; ++i)
        printer.Print("Rad " + std::to_string(i) + "\r\n");
    printer.EndDoc();
    EXPECT_EQ(PdfPageCount(pdf), 2);
    EXPECT_GT(PdfPageWidth(pdf), 800) << "A4 landscape";
    EXPECT_TRUE(PdfLayoutText(pdf).section(u'\f', 1, 1).contains(QStringLiteral("Rad %1").arg(lines)));
}

// A surface whose font measures nothing, as a printer without the font may.
class NoMeasureSurface : public ImageSurface {
public:
    using ImageSurface::ImageSurface;
    double TextWidth(const std::string&) const override { return 0; }
};

TEST(PrintJobFont, AHundredDigitsFillTheWidthUnlessTheFontMeasuresNothing) {
    ImageSurface page(QSize(1000, 100));
    page.SetFontName("Courier New");
    FitHundredDigitsAcross(page);
    EXPECT_NEAR(page.TextWidth(std::string(100, '8')), 1000, 30) << "within the snapping of glyphs to pixels";
    NoMeasureSurface blank(QSize(1000, 100));
    blank.SetFontSize(9);
    EXPECT_EQ(FitHundredDigitsAcross(blank), 9) << "not a division by zero";
}

} // namespace

namespace {

// Points the documents folder at `home`/Documents for one test, and back.
class HomeScope {
public:
    explicit HomeScope(const QString& home) : m_Home(qgetenv("HOME")), m_Config(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("HOME", home.toUtf8());
        qputenv("XDG_CONFIG_HOME", (home + QStringLiteral("/.config")).toUtf8());
    }
    ~HomeScope() {
        qputenv("HOME", m_Home);
        qputenv("XDG_CONFIG_HOME", m_Config);
    }

private:
    QByteArray m_Home, m_Config;
};

} // namespace

// A job is told as written only when its whole document reached the file: not when the file cannot be
// made, nor when the disk fills up under it.
TEST(PrinterSurfaceJobs, AJobIsWrittenOnlyWhenItsWholeDocumentReachedItsFile) {
    QTemporaryDir folder;
    const struct {
        QString path;
        bool written;
    } cases[] = {
        {folder.filePath(QStringLiteral("job.pdf")), true},
        {QStringLiteral("/dev/null/x/job.pdf"), false},
        {QStringLiteral("/dev/full"), false},
    };
    for (const auto& [path, written] : cases) {
        PrinterSurface printer(PrinterSurface::Output::Pdf);
        printer.SetPdfPath(path);
        printer.Print("Rad\r\n");
        const std::optional<PrintJobEnd> end = printer.EndDoc();
        ASSERT_TRUE(end.has_value()) << path.toStdString();
        EXPECT_EQ(std::tuple(end->written, end->toFile, end->destination), std::tuple(written, true, path));
        EXPECT_FALSE(printer.EndDoc().has_value()) << "told once";
    }
}

// Without a path of its own a job makes a new file in the documents folder, named by the document and
// the date and time.
TEST(PrinterSurfaceJobs, ANewDocumentIsNamedByWhatItIsAndWhen) {
    QTemporaryDir home;
    const HomeScope scope(home.path());
    PrinterSurface printer(PrinterSurface::Output::Pdf);
    printer.SetDocumentName(QStringLiteral("Bild 007"));
    printer.Print("Rad");
    const std::optional<PrintJobEnd> end = printer.EndDoc();
    ASSERT_TRUE(end && end->written);
    const QRegularExpression name(QRegularExpression::anchoredPattern(
        QRegularExpression::escape(home.filePath(QStringLiteral("Documents/Bild 007 "))) +
        QStringLiteral(R"(\d{4}-\d\d-\d\d \d{6}\.pdf)")));
    EXPECT_TRUE(name.match(end->destination).hasMatch()) << end->destination.toStdString();
}
