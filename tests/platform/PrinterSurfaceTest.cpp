#include "platform/PrinterSurface.h"
#include "SurfaceTestSupport.h"
#include "platform/Colour.h"
#include "platform/ImageSurface.h"
#include "platform/PrintJob.h"

#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace pelorin;

namespace {

constexpr int renderDpi = 50;

QString RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished(60000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

// The text of every page, each page ended by a form feed.
QString PdfText(const QString& pdf) {
    return RunTool(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
}

QImage RenderFirstPage(const QString& pdf, const QString& folder) {
    const QString prefix = folder + QStringLiteral("/page");
    RunTool(QStringLiteral("pdftoppm"),
            {QStringLiteral("-png"), QStringLiteral("-r"), QString::number(renderDpi),
             QStringLiteral("-singlefile"), pdf, prefix});
    return QImage(prefix + QStringLiteral(".png"));
}

class PrinterSurfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        printer.SetPdfPath(pdf);
    }

    // Whether the rendered pixel at a point of the printable area (centred on the page) is near `expected`.
    bool RenderedNear(const QImage& page, double x, double y, Colour expected) const {
        const double scale = double(renderDpi) / PrinterSurface::dotsPerInch;
        const double marginX = (page.width() / scale - printer.ScaleWidth()) / 2;
        const double marginY = (page.height() / scale - printer.ScaleHeight()) / 2;
        const QRgb a = page.pixel(qRound((x + marginX) * scale), qRound((y + marginY) * scale));
        const QRgb b = ColourToRgb(expected);
        return std::abs(qRed(a) - qRed(b)) < 12 && std::abs(qGreen(a) - qGreen(b)) < 12 &&
               std::abs(qBlue(a) - qBlue(b)) < 12;
    }

    QTemporaryDir folder;
    QString pdf = folder.filePath(QStringLiteral("out.pdf"));
    PrinterSurface printer{PrinterSurface::Output::Pdf};
};

TEST_F(PrinterSurfaceTest, PrintsTextBoxesAndAFloodFilledRegionToPdf) {
    printer.SetFontName("Courier New");
    printer.SetFontSize(12);
    printer.SetCurrentX(100);
    printer.SetCurrentY(100);
    EXPECT_FALSE(printer.JobOpen());
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

    // XOR shows on paper what it gives on white
    printer.SetDrawMode(DM_XOR_PEN);
    printer.Line(100, 1200, 700, 1500, 0x00FFFF, LineKind::FilledBox);

    printer.EndDoc();
    EXPECT_FALSE(printer.JobOpen());
    ASSERT_TRUE(QFileInfo::exists(pdf));

    const QString text = PdfText(pdf);
    EXPECT_TRUE(text.contains(QStringLiteral("B\u00f6rv\u00e4rde 123"))) << text.toStdString();
    EXPECT_TRUE(text.contains(QStringLiteral("Rad tv\u00e5"))) << text.toStdString();

    const QImage page = RenderFirstPage(pdf, folder.path());
    ASSERT_FALSE(page.isNull());
    EXPECT_TRUE(RenderedNear(page, 400, 550, 0x0000FF));
    EXPECT_TRUE(RenderedNear(page, 1450, 550, 0x00FF00)) << "inside the filled half";
    EXPECT_TRUE(RenderedNear(page, 1150, 850, 0xFFFFFF)) << "the other half";
    EXPECT_TRUE(RenderedNear(page, 1800, 700, 0xFFFFFF)) << "outside the square";
    EXPECT_TRUE(RenderedNear(page, 400, 1350, 0xFF0000)) << "yellow XOR white paper is blue";
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
    ASSERT_GT(printer.TextHeight("8"), 0);
    EXPECT_FALSE(printer.JobOpen());
    const int lines = static_cast<int>(printer.ScaleHeight() / printer.TextHeight("8")) + 3;
    for (int i = 1; i <= lines; ++i)
        printer.Print("Rad " + std::to_string(i) + "\r\n");
    printer.EndDoc();
    const QImage page = RenderFirstPage(pdf, folder.path());
    EXPECT_GT(page.width(), page.height());
    const QString text = PdfText(pdf);
    EXPECT_EQ(text.count(u'\f'), 2) << "two pages";
    EXPECT_TRUE(text.section(u'\f', 1, 1).contains(QStringLiteral("Rad %1").arg(lines)));
}

TEST(PrinterSurfaceDefaultPath, EachJobGetsItsOwnFileInTheDocumentsFolder) {
    QTemporaryDir home;
    const QByteArray savedHome = qgetenv("HOME"), savedConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toLocal8Bit());

    PrinterSurface printer(PrinterSurface::Output::Pdf);
    QString files[2];
    for (QString& file : files) {
        printer.Print("job");
        printer.EndDoc();
        file = printer.OutputFileName();
    }
    qputenv("HOME", savedHome);
    savedConfig.isEmpty() ? qunsetenv("XDG_CONFIG_HOME") : qputenv("XDG_CONFIG_HOME", savedConfig);

    EXPECT_NE(files[0], files[1]);
    EXPECT_TRUE(files[0].startsWith(home.path())) << files[0].toStdString();
    EXPECT_TRUE(PdfText(files[0]).contains(QStringLiteral("job")));
    EXPECT_TRUE(PdfText(files[1]).contains(QStringLiteral("job")));
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
    const std::string line(150, '8');
    const size_t fitting = FittingLength(page, line, 500);
    EXPECT_LE(page.TextWidth(line.substr(0, fitting)), 500.5);
    EXPECT_GT(page.TextWidth(line.substr(0, fitting + 1)), 500.5);

    NoMeasureSurface blank(QSize(1000, 100));
    blank.SetFontSize(9);
    EXPECT_EQ(FitHundredDigitsAcross(blank), 9) << "the size before, not a division by zero";
}

} // namespace
